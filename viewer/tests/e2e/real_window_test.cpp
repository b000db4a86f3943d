// The real tilebridge in a real X window, driven as a person would: the
// path typed into the real open dialog, numbers typed into the boxes, the
// export through the real save dialog and message boxes, the close box.
// What the window shows is read from screenshots.
//
// The program is the one built beside this test, with the component
// registered in a registry of the test's own; or, when TILEBRIDGE_PROGRAM
// names one, an installed program, with nothing registered for the user, so
// that it finds the component through the machine's registration.
#include "reference_tiles.h"
#include "x_session.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const std::string kMainTitle = "Mr. Tavrel's NES to GB GFX Converter";
const std::string kMessageTitle = "Mr. Tavrel's NES To GB GFX Converter";
constexpr int kClientHeight = 390;
constexpr QRect kPictureInClient(16, 16, 385, 321);

std::vector<char> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* const kInstalledProgram = std::getenv("TILEBRIDGE_PROGRAM");

class RealWindow : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        session_ = new XSession;
        home_ = fs::temp_directory_path() / ("tilebridge-e2e-" + std::to_string(getpid()));
        fs::create_directories(home_ / "share");
        environment_ = {"HOME=" + home_.string(), "XDG_DATA_HOME=" + (home_ / "share").string()};
        if (kInstalledProgram) {
            registered_ = true;
            return;
        }
        environment_.push_back("COM_MACHINE_REGISTRY_DIR=" + (home_ / "machine").string());
        std::string command = "env ";
        for (const std::string& variable : environment_) command += Quote(variable) + " ";
        registered_ = Capture(command + Quote(REGSVR_BIN) + " " + Quote(COMPONENT_LIBRARY)).has_value();
    }

    static void TearDownTestSuite()
    {
        delete session_;
        session_ = nullptr;
        std::error_code ignored;
        fs::remove_all(home_, ignored);
    }

    void SetUp() override
    {
        if (!session_->ok()) GTEST_SKIP() << "Xvfb could not be started";
        ASSERT_TRUE(registered_) << "regsvr failed";
        work_ = home_ / testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(work_);
    }

    std::unique_ptr<Program> Start()
    {
        return std::make_unique<Program>(*session_, kInstalledProgram ? kInstalledProgram : TILEBRIDGE_BIN,
                                         environment_);
    }

    // The open or save dialog: the program's visible window that isn't its main window.
    std::optional<std::string> WaitForDialog(const Program& program, const std::string& except = "")
    {
        std::optional<std::string> dialog;
        WaitUntil(
            [&] {
                const auto found = session_->X("xdotool search --onlyvisible --pid " + std::to_string(program.pid()));
                if (!found) return false;
                std::istringstream lines(*found);
                for (std::string line; std::getline(lines, line);) {
                    const auto name = session_->X("xdotool getwindowname " + line);
                    if (line != except && name && name->rfind("Mr. Tavrel", 0) != 0) dialog = line;
                }
                return dialog.has_value();
            },
            20s);
        return dialog;
    }

    // Opens a file through the real open dialog and waits for the window.
    std::optional<std::string> OpenInDialog(const Program& program, const fs::path& file)
    {
        const auto dialog = WaitForDialog(program);
        if (!dialog) return std::nullopt;
        session_->Focus(*dialog);
        session_->Type(file.string());
        session_->Keys("Return");
        return session_->WaitForWindow(kMainTitle, 20s);
    }

    QRect PictureArea(const std::string& window)
    {
        const auto geometry = session_->Geometry(window);
        if (!geometry) return {};
        const int menuBar = geometry->height - kClientHeight;
        EXPECT_GE(menuBar, 0);
        EXPECT_LT(menuBar, 80);
        clientTop_ = QPoint(geometry->x, geometry->y + menuBar);
        return kPictureInClient.translated(clientTop_);
    }

    // Waits until the drawing area shows the expected sheet.
    void ExpectSheet(const QRect& area, const ReferenceTiles& tiles, int perRow, int first)
    {
        long wrong = -2;
        std::string report;
        WaitUntil(
            [&] {
                const auto shot = session_->SettledArea(area, 20s);
                if (!shot) return false;
                wrong = Mismatches(*shot, tiles, perRow, first, report);
                return wrong == 0;
            },
            30s);
        EXPECT_EQ(wrong, 0) << perRow << " tiles per row from tile " << first << ": " << report;
    }

    void TypeInto(QPoint clientPoint, const std::string& text)
    {
        session_->Click(clientTop_.x() + clientPoint.x(), clientTop_.y() + clientPoint.y());
        session_->Keys("ctrl+a");
        if (!text.empty()) session_->Type(text);
        session_->Keys("Return");
    }

    std::string BoxText(QPoint clientPoint)
    {
        session_->Click(clientTop_.x() + clientPoint.x(), clientTop_.y() + clientPoint.y());
        session_->Keys("ctrl+a ctrl+c");
        return session_->X("xclip -o -selection clipboard").value_or("<no clipboard>");
    }

    void AnswerMessage(const std::string& expectedAbsent = "")
    {
        const auto box = session_->WaitForWindow(kMessageTitle, 20s);
        ASSERT_TRUE(box) << "no message box" << expectedAbsent;
        session_->Focus(*box);
        session_->Keys("Return");
        // The next message box may already be up under the same title.
        ASSERT_TRUE(WaitUntil(
            [&] {
                const std::vector<std::string> boxes = session_->FindWindows(kMessageTitle);
                return std::find(boxes.begin(), boxes.end(), *box) == boxes.end();
            },
            10s));
    }

    static inline XSession* session_ = nullptr;
    static inline fs::path home_;
    static inline std::vector<std::string> environment_;
    static inline bool registered_ = false;
    fs::path work_;
    QPoint clientTop_;
};

const QPoint kTilesBox(24 + 15, 352 + 13);
const QPoint kOffsetBox(192 + 60, 352 + 12);
const QPoint kExportButton(416 + 32, 16 + 20);

TEST_F(RealWindow, NesFileIsDrawnAtLoad)
{
    const fs::path source = fs::path(TESTDATA) / "nes" / "cc65-nes-charset.chr.nes";
    const ReferenceTiles tiles = ReferenceTiles::Of(source);
    ASSERT_TRUE(tiles.ok());
    auto program = Start();
    const auto window = OpenInDialog(*program, source);
    ASSERT_TRUE(window) << "the main window did not appear";
    ExpectSheet(PictureArea(*window), tiles, 48, 0);
    session_->RequestClose(*window);
    EXPECT_EQ(program->WaitForExit(10s), 0);
}

TEST_F(RealWindow, GameBoyFileFollowsTheCommandsAndExports)
{
    const fs::path source = fs::path(TESTDATA) / "gb" / "2048-sanqui-tiles.2bpp.gb";
    const ReferenceTiles tiles = ReferenceTiles::Of(source);
    ASSERT_TRUE(tiles.ok());
    auto program = Start();
    const auto window = OpenInDialog(*program, source);
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
    const fs::path target = work_ / "converted.nes";
    session_->Click(clientTop_.x() + kExportButton.x(), clientTop_.y() + kExportButton.y());
    auto dialog = WaitForDialog(*program, *window);
    ASSERT_TRUE(dialog) << "no save dialog";
    session_->Focus(*dialog);
    session_->Keys("Escape");
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(session_->FindWindows(kMessageTitle).empty());
    EXPECT_FALSE(fs::exists(target));

    // The export writes the file in NES layout, byte for byte.
    session_->Click(clientTop_.x() + kExportButton.x(), clientTop_.y() + kExportButton.y());
    dialog = WaitForDialog(*program, *window);
    ASSERT_TRUE(dialog) << "no save dialog";
    session_->Focus(*dialog);
    session_->Keys("ctrl+a");
    session_->Type(target.string());
    session_->Keys("Return");
    AnswerMessage(" (warning)");
    AnswerMessage(" (done)");
    EXPECT_EQ(ReadFile(target), ReadFile(fs::path(TESTDATA) / "expected" / "2048-sanqui-tiles.2bpp.gb.exported.nes"));

    session_->RequestClose(*window);
    EXPECT_EQ(program->WaitForExit(10s), 0);
}

TEST_F(RealWindow, ClosingDuringALongWalkEndsAtOnce)
{
    const fs::path big = work_ / "big.gb";
    {
        std::vector<char> bytes(64u << 20);
        std::mt19937 random(7);
        for (char& b : bytes) b = static_cast<char>(random());
        std::ofstream(big, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    auto program = Start();
    const auto window = OpenInDialog(*program, big);
    ASSERT_TRUE(window) << "the main window did not appear";
    const auto asked = Clock::now();
    session_->RequestClose(*window);
    EXPECT_EQ(program->WaitForExit(5s), 0);
    EXPECT_LT(Clock::now() - asked, 5s);
}

TEST_F(RealWindow, CancellingTheOpenDialogEndsWithoutAWindow)
{
    auto program = Start();
    const auto dialog = WaitForDialog(*program);
    ASSERT_TRUE(dialog) << "no open dialog";
    session_->Focus(*dialog);
    session_->Keys("Escape");
    EXPECT_EQ(program->WaitForExit(10s), 0);
    EXPECT_TRUE(session_->FindWindows(kMainTitle).empty());
}

} // namespace
