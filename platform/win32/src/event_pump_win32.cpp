// DoEvents: runs the window messages that are waiting for the calling
// thread, then returns.
#include <hostui.h>

#include <windows.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// A conversion pumps messages once for every eight digits, up to millions
// of times a call, and asking the system for messages costs microseconds
// (tens of them under Wine). Pumping only when this much time has passed
// since the last pump keeps the caller's windows responsive all the same.
constexpr auto kPumpInterval = std::chrono::milliseconds(2);

// Messages belong to a thread; so does the time of its last pump.
thread_local Clock::time_point lastPumped;

}  // namespace

STDAPI_(BOOL) DoEvents(void)
{
    const Clock::time_point now = Clock::now();
    if (now - lastPumped < kPumpInterval) return FALSE;
    lastPumped = now;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The thread's own message loop must still see the request to end.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return TRUE;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return TRUE;
}
