// How the host process shows the runtime's interactive services (hostui.h)
// and message boxes. A console host is in force until a host installs its
// own: a message box is one line "TITLE: TEXT" on standard error, the prompt
// reads a line from standard input (from the terminal without echo when
// standard input is a terminal; end of input is cancel), and the event pump
// does nothing.
#pragma once

#include <hostui.h>

typedef struct PLATFORM_UI_HOST {
    void* context;
    int (*messageBox)(void* context, LPCWSTR text, LPCWSTR caption, UINT type);
    // S_OK with the typed text (possibly empty), S_FALSE when the user cancelled.
    HRESULT (*inputBox)(void* context, LPCWSTR prompt, LPCWSTR title, BSTR* answer);
    BOOL (*doEvents)(void* context);
} PLATFORM_UI_HOST;

// Installs the host's services (copied); NULL brings back the console host.
STDAPI_(void) SetUiHost(const PLATFORM_UI_HOST* host);
