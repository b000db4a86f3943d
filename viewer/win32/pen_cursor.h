// The window's mouse pointer: a pen slanting from the upper left to the lower
// right, 32 x 32 pixels in colours of the sixteen-colour table, with its tip
// at (5, 5) as the hot spot.
#pragma once

#include <windows.h>

// A new cursor, which the caller destroys with DestroyCursor; nullptr when
// the system can't make one.
HCURSOR CreatePenCursor();
