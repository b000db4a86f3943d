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
#include "reference_tiles.h"
#include "x_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const std::string kMainTitle = "Mr. Tavrel's NES to GB GFX Converter";
const std::string kMessageTitle = "Mr. Tavrel's NES To GB GFX Converter";
constexpr int kClientWidth = 491;
constexpr int kClientHeight = 390;
constexpr QRect kPictureInClient(16, 16, 385, 321);
const QPoint kTilesBox(24 + 15, 352 + 13);
const QPoint kOffsetBox(192 + 60, 352 + 12);
const QPoint kExportButton(416 + 32, 16 + 20);
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

std::vector<char> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WineWindow : public testing::Test {
protected:
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

    std::unique_ptr<Program> Start()
    {
        return std::make_unique<Program>(
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

    // Opens a file through the system's open dialog and waits for the window.
    std::optional<std::string> OpenInDialog(const fs::path& file)
    {
        const auto dialog = session_->WaitForWindow("Open", kStart);
        if (!dialog) return std::nullopt;
        session_->Focus(*dialog);
        Paste(WindowsPath(file));
        session_->Keys("Return");
        return session_->WaitForWindow(kMainTitle, kStep);
    }

    // Picture1's place on the screen. An unmanaged Wine window draws its own
    // frame, caption and menu bar: the borders are as wide at the sides as
    // at the bottom.
    QRect PictureArea(const std::string& window)
    {
        const auto geometry = session_->Geometry(window);
        if (!geometry) return {};
        const int border = (geometry->width - kClientWidth) / 2;
        EXPECT_GE(border, 0);
        clientTop_ = QPoint(geometry->x + border, geometry->y + geometry->height - border - kClientHeight);
        return kPictureInClient.translated(clientTop_);
    }

    void ExpectSheet(const QRect& area, const ReferenceTiles& tiles, int perRow, int first)
    {
        long wrong = -2;
        std::string report;
        WaitUntil(
            [&] {
                const auto shot = session_->SettledArea(area, kStep);
                if (!shot) return false;
                wrong = Mismatches(*shot, tiles, perRow, first, report);
                return wrong == 0;
            },
            kStep);
        EXPECT_EQ(wrong, 0) << perRow << " tiles per row from tile " << first << ": " << report;
    }

    void ClickAt(QPoint clientPoint)
    {
        session_->Click(clientTop_.x() + clientPoint.x(), clientTop_.y() + clientPoint.y());
    }

    void TypeInto(QPoint clientPoint, const std::string& text)
    {
        ClickAt(clientPoint);
        session_->Keys("Home shift+End");
        if (!text.empty()) session_->Type(text);
        session_->Keys("Return");
    }

    std::string BoxText(QPoint clientPoint)
    {
        ClickAt(clientPoint);
        session_->Keys("Home shift+End ctrl+c");
        return session_->X("xclip -o -selection clipboard").value_or("<no clipboard>");
    }

    // Answers the message box with Enter; its text is put in text.
    void AnswerMessage(const std::string& which, std::string* text = nullptr)
    {
        const auto box = session_->WaitForWindow(kMessageTitle, kStep);
        ASSERT_TRUE(box) << "no message box (" << which << ")";
        if (text) {
            *text = Capture(Quote(Variable("WINE_SESSION")) + " run " + Quote(WindowsPath(Variable("MESSAGE_TEXT"))) +
                            " " + Quote(kMessageTitle) + " 2>/dev/null")
                        .value_or("<no text>");
        }
        session_->Focus(*box);
        session_->Keys("Return");
        // The next message box may already be up under the same title.
        ASSERT_TRUE(WaitUntil(
            [&] {
                const std::vector<std::string> boxes = session_->FindWindows(kMessageTitle);
                return std::find(boxes.begin(), boxes.end(), *box) == boxes.end();
            },
            kStep));
    }

    static inline XSession* session_ = nullptr;
    static inline fs::path work_;
    static inline std::optional<bool> registered_;
    QPoint clientTop_;
};

// First, so that the DLL is unregistered and registered once each.
TEST_F(WineWindow, AComponentThatIsNotRegisteredIsReportedWithHowToRegisterIt)
{
    Unregister();
    auto program = Start();
    ASSERT_TRUE(OpenInDialog(fs::path(TESTDATA) / "gb" / "2048-sanqui-tiles.2bpp.gb"))
        << "the main window did not appear";
    std::string text;
    AnswerMessage("not registered", &text);
    EXPECT_NE(text.find("is not registered"), std::string::npos) << text;
    EXPECT_NE(text.find("regsvr32 \"" + WindowsPath(fs::path(Variable("BITSTRINGS_DLL"))) + "\""), std::string::npos)
        << text;
    EXPECT_EQ(program->WaitForExit(kStep), 1);
}

TEST_F(WineWindow, NesFileIsDrawnAtLoadAndTheCloseRequestEndsWithStatusZero)
{
    const fs::path source = fs::path(TESTDATA) / "nes" / "cc65-nes-charset.chr.nes";
    const ReferenceTiles tiles = ReferenceTiles::Of(source);
    ASSERT_TRUE(tiles.ok());
    ASSERT_TRUE(Register()) << "regsvr32 failed";
    auto program = Start();
    const auto window = OpenInDialog(source);
    ASSERT_TRUE(window) << "the main window did not appear";
    ExpectSheet(PictureArea(*window), tiles, 48, 0);
    session_->RequestClose(*window);
    EXPECT_EQ(program->WaitForExit(kStep), 0);
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
    auto program = Start();
    const auto window = OpenInDialog(source);
    ASSERT_TRUE(window) << "the main window did not appear";
    const QRect area = PictureArea(*window);
    ExpectSheet(area, tiles, 48, 0);

    TypeInto(kTilesBox, "16");
    TypeInto(kOffsetBox, "1");
    ExpectSheet(area, tiles, 16, 0);

    TypeInto(kTilesBox, "5");
    EXPECT_EQ(BoxText(kTilesBox), "8");
    TypeInto(kOffsetBox, "17");
    ExpectSheet(area, tiles, 8, 1);

    // Cancelling the save dialog writes nothing and shows nothing.
    const fs::path target = work_ / "преобразовано.nes";
    fs::remove(target);
    ClickAt(kExportButton);
    auto dialog = session_->WaitForWindow("Save As", kStep);
    ASSERT_TRUE(dialog) << "no save dialog";
    session_->Focus(*dialog);
    session_->Keys("Escape");
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(session_->FindWindows(kMessageTitle).empty());
    EXPECT_FALSE(fs::exists(target));

    // The export writes the file in NES layout, byte for byte.
    ClickAt(kExportButton);
    dialog = session_->WaitForWindow("Save As", kStep);
    ASSERT_TRUE(dialog) << "no save dialog";
    session_->Focus(*dialog);
    session_->Keys("ctrl+a");
    Paste(WindowsPath(target));
    session_->Keys("Return");
    AnswerMessage("warning");
    AnswerMessage("done");
    EXPECT_EQ(ReadFile(target), ReadFile(fs::path(TESTDATA) / "expected" / "2048-sanqui-tiles.2bpp.gb.exported.nes"));

    session_->RequestClose(*window);
    EXPECT_EQ(program->WaitForExit(kStep), 0);
}

TEST_F(WineWindow, CancellingTheOpenDialogEndsWithStatusZeroAndNoWindow)
{
    auto program = Start();
    const auto dialog = session_->WaitForWindow("Open", kStart);
    ASSERT_TRUE(dialog) << "no open dialog";
    session_->Focus(*dialog);
    session_->Keys("Escape");
    EXPECT_EQ(program->WaitForExit(kStep), 0);
    EXPECT_TRUE(session_->FindWindows(kMainTitle).empty());
}

}  // namespace
