// window_fault.dll: faults of the system that a test can't bring about from
// outside, in one program. Run as
//   rundll32 window_fault.dll,Run PROGRAM
// it starts PROGRAM with hooks on its thread, which load the DLL into it,
// waits for it and ends with its exit status. In the program, windows of the
// class that the environment names in REFUSED_WINDOW_CLASS are not created,
// as when the system is out of window resources; a typed grave accent
// arrives as an unpaired surrogate, which no X keyboard can type; and where
// the environment sets STUCK_REPLACEMENT, a replacement of a file fails after
// moving the old file to its backup name, which a folder then takes, so that
// the old file cannot go back either.
#include "replace_file_fault.h"

#include <windows.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

static LRESULT CALLBACK RefuseClass(int code, WPARAM wParam, LPARAM lParam)
{
    wchar_t refused[256], name[256];
    const bool refuse = code == HCBT_CREATEWND && GetEnvironmentVariableW(L"REFUSED_WINDOW_CLASS", refused, 256) &&
                        GetClassNameW(reinterpret_cast<HWND>(wParam), name, 256) && lstrcmpiW(refused, name) == 0;
    return refuse ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

static LRESULT CALLBACK TypeSurrogate(int code, WPARAM wParam, LPARAM lParam)
{
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (message->message == WM_CHAR && message->wParam == L'`') message->wParam = 0xD800;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH && GetEnvironmentVariableW(L"STUCK_REPLACEMENT", nullptr, 0) > 1) {
        replaceFails = ERROR_UNABLE_TO_MOVE_REPLACEMENT, replaceStuck = true;
        RedirectReplaceFile(GetModuleHandleW(nullptr), true);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) void CALLBACK RunW(HWND, HINSTANCE, LPWSTR program, int)
{
    const auto module = reinterpret_cast<HINSTANCE>(&__ImageBase);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    DWORD status = 2;
    if (CreateProcessW(nullptr, program, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                       &started) &&
        SetWindowsHookExW(WH_CBT, RefuseClass, module, started.dwThreadId) &&
        SetWindowsHookExW(WH_GETMESSAGE, TypeSurrogate, module, started.dwThreadId) &&
        ResumeThread(started.hThread) != static_cast<DWORD>(-1)) {
        WaitForSingleObject(started.hProcess, INFINITE);
        GetExitCodeProcess(started.hProcess, &status);
    }
    ExitProcess(status);
}
