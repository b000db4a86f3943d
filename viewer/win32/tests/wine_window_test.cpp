// tilebridge.exe in a real window under Wine, with the system's own dialogs
// and message boxes.
//
// The Wine session (a 64-bit prefix under its own Xvfb) is started by
// ctest; the environment names the program, its DLL and the regsvr32 of the
// program's platform:
//   WINE_SESSION        wine_session.sh
//   WINE_SESSION_DIR    the session's folder
//   TILEBRIDGE_EXE      build/win32/tilebridge.exe or build/win64/tilebridge.exe
//   BITSTRINGS_DLL      bitstrings.dll beside it
//   REGSVR32            regsvr32 (64-bit) or C:\windows\syswow64\regsvr32.exe
//   MESSAGE_TEXT        message_text.exe, which prints a message box's text
//   WINDOW_FAULT        window_fault.dll of the program's platform, and
//   RUNDLL32            the rundll32 that runs it
// or, for a program that a setup program installed and registered,
//   INSTALLED_EXE       its Windows path, started as it is and never
//                       registered by the test; a file is opened with it
//                       through the shell, as its "Open with" entry does
#include "form1_window.h"

#include <fstream>
#include <regex>

namespace fs = std::filesystem;

namespace e2e {

namespace {

std::string Variable(const char* name) { return qEnvironmentVariable(name).toStdString(); }

// A Linux path as Windows programs under Wine see it, on drive Z:.
std::string WindowsPath(const fs::path& path)
{
    return std::regex_replace("Z:" + path.string(), std::regex("/"), "\\");
}

// Runs a Windows program in the session and waits for it; its output, or nothing when it failed.
std::optional<std::string> RunWine(const std::string& arguments)
{
    return Capture(Quote(Variable("WINE_SESSION")) + " run " + arguments + " 2>/dev/null");
}

const std::string kInstalledProgram = Variable("INSTALLED_EXE");

struct WineBuild : Build {
    WineBuild()
    {
        const fs::path folder = Variable("WINE_SESSION_DIR");
        std::getline(std::ifstream(folder / "display"), display);
        const std::string program = kInstalledProgram.empty() ? WindowsPath(Variable("TILEBRIDGE_EXE"))
                                                               : kInstalledProgram;
        // The program that the test built runs under window_fault.dll, which brings about the rows' faults.
        const std::string faults = WindowsPath(Variable("WINDOW_FAULT")) + ",Run";
        command = {qEnvironmentVariable("WINE_SESSION"), "run", qEnvironmentVariable("RUNDLL32"),
                   QString::fromStdString(faults), QString::fromStdString(program)};
        if (!kInstalledProgram.empty()) command.remove(2, 2);
        openWith = kInstalledProgram.empty() ? command + QStringList("%f")
                                             : QStringList{command[0], "run", "start", "/wait", "/ProgIDOpen",
                                                           "Applications\\tilebridge.exe", "%f"};
        work = folder / "window";
        fs::remove_all(work);
        fs::create_directories(work);
        // Wine starts slowly on a loaded machine, and a 32-bit program may run under an emulator there.
        start = 300s;
        step = 120s;
    }

    // regsvr32 runs only when the DLL's state changes: a 32-bit one may run
    // under an emulator and take minutes. Unregistering a DLL that a fresh
    // prefix never had fails, and leaves it unregistered all the same.
    bool Register(bool wanted) override
    {
        if (!kInstalledProgram.empty()) return wanted;
        if (registered != wanted) {
            const bool ran = RunWine(Quote(Variable("REGSVR32")) + (wanted ? "" : " /u") + " /s " +
                                     Quote(WindowsPath(Variable("BITSTRINGS_DLL"))))
                                 .has_value();
            registered = ran || !wanted ? std::optional(wanted) : std::nullopt;
        }
        return registered == wanted;
    }

    std::string PathOf(const fs::path& path) const override { return WindowsPath(path); }

    std::optional<std::string> MessageText() const override
    {
        return RunWine(Quote(WindowsPath(Variable("MESSAGE_TEXT"))) + " 'Mr. Tavrel'\\''s NES To GB GFX Converter'")
            .value_or("<no text>");
    }

    // A program that a failed scenario left running would hold on to its
    // windows and to the test's output: Wine starts it apart from the
    // command that asked for it, so only the session can end it.
    void EndLeftovers() const override { RunWine("taskkill /f /im tilebridge.exe"); }

    std::optional<bool> registered;
};

}  // namespace

std::unique_ptr<Build> MakeBuild() { return std::make_unique<WineBuild>(); }

// The component's row first, so that the DLL is unregistered and registered once each.
std::vector<Scenario> BuildScenarios()
{
    return {{.name = "AComponentThatIsNotRegisteredIsReportedWithHowToRegisterIt",
             .shared = "gb/2048-sanqui-tiles.2bpp.gb",
             .registered = false,
             .message = {"is not registered", "regsvr32 \"" + WindowsPath(Variable("BITSTRINGS_DLL")) + "\""},
             .status = 1},
            {.name = "AWindowThatTheSystemRefusesIsReported", .message = {"Can't create the window."},
             .refusedWindow = "tilebridge.Form1", .status = 1},
            {.name = "AControlThatTheSystemRefusesIsReported", .message = {"Can't create the window."},
             .refusedWindow = "tilebridge.Picture1", .status = 1},
            {.name = "AnExportNameThatIsNoUnicodeTextIsRefused", .shared = "gb/2048-sanqui-tiles.2bpp.gb",
             .exportAs = "converted.nes", .refusedExport = true},
            {.name = "AnExportOverAReadOnlyFileIsRefusedAndKeepsIt", .shared = "gb/2048-sanqui-tiles.2bpp.gb",
             .exportAs = "read-only.nes", .exportOver = ExportOver::kReadOnlyFile},
            {.name = "AnOldFileThatTheReplacementCannotPutBackIsNamed", .shared = "gb/2048-sanqui-tiles.2bpp.gb",
             .exportAs = "stuck.nes", .exportOver = ExportOver::kStuckReplacement}};
}

}  // namespace e2e
