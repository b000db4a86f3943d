// DoEvents: runs the window messages that are waiting for the calling
// thread, then returns.
#include <hostui.h>

#include <windows.h>

STDAPI_(void) DoEvents(void)
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The thread's own message loop must still see the request to end.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
