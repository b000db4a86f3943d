// tilebridge.exe in a real window under Wine, driven as a person would: the
// path typed into the system's open dialog, numbers typed into the boxes
// with Enter, the export through the system's save dialog and message boxes,
// the close request. What the window shows is read from screenshots and
// compared with the shared reference pictures.
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
// or, for a program that a setup program installed and registered,
//   INSTALLED_EXE       its Windows path, started as it is and never
//                       registered by the test
#include "form1_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

// Wine starts slowly on a loaded machine, and a 32-bit program may run
// under an emulator there.
constexpr auto kStart = 300s;
constexpr auto kStep = 120s;

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A Linux path as Windows programs under Wine see it, on drive Z:.
std::string WindowsPath(const fs::path& path)
{
    std::string windows = "Z:" + path.string();
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

const std::string kInstalledProgram = Variable("INSTALLED_EXE");

class WineWindow : public testing::Test, protected Form1Window {
protected:
    WineWindow() : Form1Window(*session_, kStep) {}

    static void SetUpTestSuite()
    {
        std::ifstream displayFile(fs::path(Variable("WINE_SESSION_DIR")) / "display");
        std::string display;
        std::getline(displayFile, display);
        session_ = new XSession(display);
        // build/win32 or build/win64: one folder of files for each program.
        const std::string platform = kInstalledProgram.empty()
                                         ? fs::path(Variable("TILEBRIDGE_EXE")).parent_path().filename().string()
                                         : "installed";
        work_ = fs::path(Variable("WINE_SESSION_DIR")) / ("window-" + platform);
        fs::remove_all(work_);
        fs::create_directories(work_);
    }

    static void TearDownTestSuite()
    {
        delete session_;
        session_ = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(session_->ok()) << "no Wine session"; }

    // A program that a failed test left running would hold on to its
    // windows and to the test's output: Wine starts it apart from the
    // command that asked for it, so only the session can end it.
    void TearDown() override
    {
        if (HasFailure()) RunWine("taskkill /f /im tilebridge.exe");
    }

    // Runs a Windows program in the session and waits for it.
    static bool RunWine(const std::string& arguments)
    {
        return Capture(Quote(Variable("WINE_SESSION")) + " run " + arguments + " >/dev/null 2>&1").has_value();
    }

    // regsvr32 runs only when the DLL's state changes: a 32-bit one may run
    // under an emulator and take minutes.
    static bool RunRegsvr32(const std::string& option)
    {
        registered_.reset();
        return RunWine(Quote(Variable("REGSVR32")) + option + " /s " + Quote(WindowsPath(Variable("BITSTRINGS_DLL"))));
    }

    static bool Register()
    {
        if (!kInstalledProgram.empty()) return true;
        if (registered_ != true && RunRegsvr32("")) registered_ = true;
        return registered_ == true;
    }

    // Unregistering a DLL that a fresh prefix never had fails, and leaves it
    // unregistered all the same.
    static void Unregister()
    {
        if (registered_ == false) return;
        RunRegsvr32(" /u");
        registered_ = false;
    }

    void Start()
    {
        program_ = std::make_unique<Program>(
            *session_,
            std::vector<std::string>{Variable("WINE_SESSION"), "run",
                                     kInstalledProgram.empty() ? WindowsPath(Variable("TILEBRIDGE_EXE"))
                                                               : kInstalledProgram},
            std::vector<std::string>{});
    }

    // Pastes text into the focused control: xdotool types only what the
    // keyboard map has, and a Windows program may read a remapped key as
    // another character.
    void Paste(const std::string& text)
    {
        const fs::path clipboard = work_ / "clipboard.txt";
        std::ofstream(clipboard, std::ios::binary) << text;
        session_->X("xclip -selection clipboard -i " + Quote(clipboard.string()) + " >/dev/null");
        session_->Keys("ctrl+v");
    }

    std::optional<std::string> WaitForSaveDialog() override { return session_->WaitForWindow("Save As", kStep); }

    void EnterPath(const fs::path& path) override
    {
        session_->Keys("ctrl+a");
        Paste(WindowsPath(path));
    }

    // Opens a file through the system's open dialog and returns Picture1's
    // area. An unmanaged Wine window draws its own frame, caption and menu
    // bar: the borders are as wide at the sides as at the bottom.
    std::optional<QRect> OpenInDialog(const fs::path& file)
    {
        const auto dialog = session_->WaitForWindow("Open", kStart);
        if (!dialog) return std::nullopt;
        session_->Focus(*dialog);
        Paste(WindowsPath(file));
        session_->Keys("Return");
        const auto window = session_->WaitForWindow(kMainTitle, kStep);
        const auto geometry = window ? session_->Geometry(*window) : std::nullopt;
        if (!geometry) return std::nullopt;
        window_ = *window;
        const int border = (geometry->width() - kClientWidth) / 2;
        EXPECT_GE(border, 0);
        return Place(QPoint(geometry->x() + border, geometry->y() + geometry->height() - border - kClientHeight));
    }

    void CloseAndExpectStatusZero()
    {
        session_->RequestClose(window_);
        EXPECT_EQ(program_->WaitForExit(kStep), 0);
    }

    static inline XSession* session_ = nullptr;
    static inline fs::path work_;
    static inline std::optional<bool> registered_;
    std::unique_ptr<Program> program_;
    std::string window_;
};

// First, so that the DLL is unregistered and registered once each.
TEST_F(WineWindow, AComponentThatIsNotRegisteredIsReportedWithHowToRegisterIt)
{
    Unregister();
    Start();
    ASSERT_TRUE(OpenInDialog(fs::path(TESTDATA) / "gb" / "2048-sanqui-tiles.2bpp.gb"))
        << "the main window did not appear";
    ASSERT_TRUE(session_->WaitForWindow(kMessageTitle, kStep)) << "no message box";
    const std::string text = Capture(Quote(Variable("WINE_SESSION")) + " run " +
                                     Quote(WindowsPath(Variable("MESSAGE_TEXT"))) + " " + Quote(kMessageTitle) +
                                     " 2>/dev/null")
                                 .value_or("<no text>");
    AnswerMessage("not registered");
    EXPECT_NE(text.find("is not registered"), std::string::npos) << text;
    EXPECT_NE(text.find("regsvr32 \"" + WindowsPath(fs::path(Variable("BITSTRINGS_DLL"))) + "\""), std::string::npos)
        << text;
    EXPECT_EQ(program_->WaitForExit(kStep), 1);
}

TEST_F(WineWindow, NesFileIsDrawnAtLoadAndTheCloseRequestEndsWithStatusZero)
{
    const fs::path source = fs::path(TESTDATA) / "nes" / "cc65-nes-charset.chr.nes";
    const ReferenceTiles tiles = ReferenceTiles::Of(source);
    ASSERT_TRUE(tiles.ok());
    ASSERT_TRUE(Register()) << "regsvr32 failed";
    Start();
    const auto area = OpenInDialog(source);
    ASSERT_TRUE(area) << "the main window did not appear";
    ExpectSheet(*area, tiles, 48, 0);
    CloseAndExpectStatusZero();
}

// The file and the export are named with characters outside the ANSI code
// page, which open and are written only when the path stays UTF-16; the
// paths are pasted into the dialogs.
TEST_F(WineWindow, GameBoyFileFollowsTheCommandsAndExportsUnderUnicodeNames)
{
    const fs::path shared = fs::path(TESTDATA) / "gb" / "2048-sanqui-tiles.2bpp.gb";
    const fs::path source = work_ / "タイル Ωλ.gb";
    fs::copy_file(shared, source, fs::copy_options::overwrite_existing);
    const ReferenceTiles tiles(fs::path(TESTDATA) / "expected" / "2048-sanqui-tiles.2bpp.gb.png",
                               static_cast<int>(fs::file_size(shared) / 16));
    ASSERT_TRUE(tiles.ok());
    ASSERT_TRUE(Register()) << "regsvr32 failed";
    Start();
    const auto area = OpenInDialog(source);
    ASSERT_TRUE(area) << "the main window did not appear";
    ExpectSheet(*area, tiles, 48, 0);
    FollowCommandsAndExport(*area, tiles, work_ / "преобразовано.nes",
                            fs::path(TESTDATA) / "expected" / "2048-sanqui-tiles.2bpp.gb.exported.nes");
    CloseAndExpectStatusZero();
}

TEST_F(WineWindow, CancellingTheOpenDialogEndsWithStatusZeroAndNoWindow)
{
    Start();
    const auto dialog = session_->WaitForWindow("Open", kStart);
    ASSERT_TRUE(dialog) << "no open dialog";
    session_->Focus(*dialog);
    session_->Keys("Escape");
    EXPECT_EQ(program_->WaitForExit(kStep), 0);
    EXPECT_TRUE(session_->FindWindows(kMainTitle).empty());
}

}  // namespace
