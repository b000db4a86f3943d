// tilebridge.exe [FILE]: asks for a tile file unless one is named, draws its
// tiles in Form1 and runs the window's message loop until the window is closed.
#include "binary_row_converter.h"
#include "export_converted.h"
#include "form1.h"
#include "win32_common_dialog.h"

#include <objbase.h>
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// The arguments after the program's name, as the dialog gives paths;
// nothing, once the user was told, when one of them can't name a file so.
std::optional<std::vector<std::string>> Arguments()
{
    int count = 0;
    wchar_t** const words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        std::optional<std::string> argument = Utf8FromWide(words[i]);
        if (!argument) {
            MessageBoxW(nullptr, NoUnicodeName(words[i]).c_str(), kConverterTitle, MB_OK | MB_TASKMODAL);
            LocalFree(words);
            return std::nullopt;
        }
        arguments.push_back(std::move(*argument));
    }
    LocalFree(words);
    return arguments;
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

// From the window's creation to the end of its message loop: the program's
// exit status.
int RunForm1(HINSTANCE instance)
{
    const std::optional<std::vector<std::string>> arguments = Arguments();
    if (!arguments) return 1;
    // Created on the first tile row and released here, at the end.
    BinaryRowConverter binary(RegistrationHint());
    Win32CommonDialog cd1;
    Form1 form(instance, cd1, binary);
    if (!form.Created()) {
        // The system is out of the resources for windows, as a rule.
        MessageBoxW(nullptr,
                    L"Can't create the window. Close other programs to free the system's resources, then start "
                    L"this one again.",
                    kConverterTitle, MB_OK | MB_TASKMODAL);
        return 1;
    }
    cd1.SetOwner(form.Handle());
    form.Load(*arguments);
    if (form.viewer().Ended()) return form.viewer().Failed() ? 1 : 0;
    // Shown here only when the load did not show it.
    form.ShowWindow();
    return RunMessageLoop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // The component's class lives in a single-threaded apartment, as the
    // window's thread is one.
    if (FAILED(CoInitialize(nullptr))) return 1;
    const int status = RunForm1(instance);
    CoUninitialize();
    return status;
}
