// The window's mouse pointer: a pen slanting from the upper left to the lower
// right, drawn in the sixteen-colour table, with its tip as the hot spot.
#pragma once

#include <QCursor>
#include <QPixmap>

inline constexpr int kPenCursorSize = 32;
inline constexpr int kPenHotSpot = 5;

QPixmap PenCursorImage();
QCursor PenCursor();
