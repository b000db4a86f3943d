// The user-facing services that the host process provides: message boxes,
// the text prompt and the event pump. A console host is in force until a
// host installs its own: a message box is one line "TITLE: TEXT" on standard
// error, the prompt reads a line from standard input (from the terminal
// without echo when standard input is a terminal; end of input is cancel),
// and the event pump does nothing.
#pragma once

#include "oleauto.h"

typedef struct PLATFORM_UI_HOST {
    void* context;
    int (*messageBox)(void* context, LPCWSTR text, LPCWSTR caption, UINT type);
    // S_OK with the typed text (possibly empty), S_FALSE when the user cancelled.
    HRESULT (*inputBox)(void* context, LPCWSTR prompt, LPCWSTR title, BSTR* answer);
    void (*doEvents)(void* context);
} PLATFORM_UI_HOST;

// Installs the host's services (copied); NULL brings back the console host.
STDAPI_(void) SetUiHost(const PLATFORM_UI_HOST* host);

// Modal text prompt with an OK and a Cancel button and no default text.
// S_OK and the typed text in *answer (never NULL, possibly empty); S_FALSE
// and *answer NULL when cancelled.
STDAPI InputBoxW(LPCWSTR prompt, LPCWSTR title, BSTR* answer);

// Lets pending window messages of the calling thread run.
STDAPI_(void) DoEvents(void);
