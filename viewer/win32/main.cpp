// tilebridge.exe: asks for a tile file, draws its tiles in Form1 and runs the
// window's message loop until the window is closed.
#include "binary_row_converter.h"
#include "form1.h"
#include "win32_common_dialog.h"

#include <objbase.h>
#include <windows.h>

#include <string>

namespace {

// How to register the DLL that stands beside this program.
WideText RegistrationHint()
{
    std::wstring program(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()))) ==
           program.size()) {
        program.resize(program.size() * 2);
    }
    program.resize(length);
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
    return L"Register bitstrings.dll from an administrator's command prompt with:\n    regsvr32 \"" + folder +
           L"bitstrings.dll\"";
}

int RunMessageLoop()
{
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // The component's class lives in a single-threaded apartment, as the
    // window's thread is one.
    if (FAILED(CoInitialize(nullptr))) return 1;
    int status = 0;
    {
        // Created on the first tile row and released here, at the end.
        BinaryRowConverter binary(RegistrationHint());
        Win32CommonDialog cd1;
        Form1 form(instance, cd1, binary);
        cd1.SetOwner(form.Handle());
        form.Load();
        if (form.viewer().Ended()) {
            status = form.viewer().Failed() ? 1 : 0;
        } else {
            form.ShowWindow();
            status = RunMessageLoop();
        }
    }
    CoUninitialize();
    return status;
}
