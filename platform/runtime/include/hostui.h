// The runtime's interactive services beyond the message box: the modal text
// prompt and the event pump. On Linux the host process decides how they
// appear (uihost.h); on Windows they are the desktop's own.
#pragma once

#include <oaidl.h>
#include <oleauto.h>

// Modal text prompt with an OK and a Cancel button and no default text.
// S_OK and the typed text in *answer (never NULL, possibly empty); S_FALSE
// and *answer NULL when cancelled.
STDAPI InputBoxW(LPCWSTR prompt, LPCWSTR title, BSTR* answer);

// Lets pending window messages of the calling thread run. Calls come paced:
// FALSE when the last turn that ran was too recent and this one returned at
// once, TRUE when the messages ran.
STDAPI_(BOOL) DoEvents(void);
