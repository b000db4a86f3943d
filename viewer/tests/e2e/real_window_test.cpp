// The real tilebridge in a real X window, driven as a person would: the
// path typed into the real open dialog, numbers typed into the boxes, the
// export through the real save dialog and message boxes, the close box.
// What the window shows is read from screenshots.
//
// The program is the one built beside this test, with the component
// registered in a registry of the test's own; or, when TILEBRIDGE_PROGRAM
// names one, an installed program, with nothing registered for the user, so
// that it finds the component through the machine's registration.
#include "form1_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const char* const kInstalledProgram = std::getenv("TILEBRIDGE_PROGRAM");

class RealWindow : public testing::Test, protected Form1Window {
protected:
    RealWindow() : Form1Window(*session_, 20s) {}

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

    void Start()
    {
        const std::string program = kInstalledProgram ? kInstalledProgram : TILEBRIDGE_BIN;
        program_ = std::make_unique<Program>(*session_, std::vector{program}, environment_);
    }

    // The open or save dialog: the program's visible window that isn't its main window.
    std::optional<std::string> WaitForDialog(const std::string& except = "")
    {
        std::optional<std::string> dialog;
        WaitUntil(
            [&] {
                const auto found = session_->X("xdotool search --onlyvisible --pid " + std::to_string(program_->pid()));
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

    std::optional<std::string> WaitForSaveDialog() override { return WaitForDialog(window_); }

    void EnterPath(const fs::path& path) override
    {
        session_->Keys("ctrl+a");
        session_->Type(path.string());
    }

    // Opens a file through the real open dialog and returns Picture1's area.
    std::optional<QRect> OpenInDialog(const fs::path& file)
    {
        const auto dialog = WaitForDialog();
        if (!dialog) return std::nullopt;
        session_->Focus(*dialog);
        session_->Type(file.string());
        session_->Keys("Return");
        const auto window = session_->WaitForWindow(kMainTitle, 20s);
        const auto geometry = window ? session_->Geometry(*window) : std::nullopt;
        if (!geometry) return std::nullopt;
        window_ = *window;
        // Qt's menu bar stands above the client area.
        const int menuBar = geometry->height() - kClientHeight;
        EXPECT_GE(menuBar, 0);
        EXPECT_LT(menuBar, 80);
        return Place(QPoint(geometry->x(), geometry->y() + menuBar));
    }

    void CloseAndExpectStatusZero()
    {
        session_->RequestClose(window_);
        EXPECT_EQ(program_->WaitForExit(10s), 0);
    }

    static inline XSession* session_ = nullptr;
    static inline fs::path home_;
    static inline std::vector<std::string> environment_;
    static inline bool registered_ = false;
    fs::path work_;
    std::unique_ptr<Program> program_;
    std::string window_;
};

TEST_F(RealWindow, NesFileIsDrawnAtLoad)
{
    const fs::path source = fs::path(TESTDATA) / "nes" / "cc65-nes-charset.chr.nes";
    const ReferenceTiles tiles = ReferenceTiles::Of(source);
    ASSERT_TRUE(tiles.ok());
    Start();
    const auto area = OpenInDialog(source);
    ASSERT_TRUE(area) << "the main window did not appear";
    ExpectSheet(*area, tiles, 48, 0);
    CloseAndExpectStatusZero();
}

TEST_F(RealWindow, GameBoyFileFollowsTheCommandsAndExports)
{
    const fs::path source = fs::path(TESTDATA) / "gb" / "2048-sanqui-tiles.2bpp.gb";
    const ReferenceTiles tiles = ReferenceTiles::Of(source);
    ASSERT_TRUE(tiles.ok());
    Start();
    const auto area = OpenInDialog(source);
    ASSERT_TRUE(area) << "the main window did not appear";
    ExpectSheet(*area, tiles, 48, 0);
    FollowCommandsAndExport(*area, tiles, work_ / "converted.nes",
                            fs::path(TESTDATA) / "expected" / "2048-sanqui-tiles.2bpp.gb.exported.nes");
    CloseAndExpectStatusZero();
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
    Start();
    ASSERT_TRUE(OpenInDialog(big)) << "the main window did not appear";
    const auto asked = Clock::now();
    session_->RequestClose(window_);
    EXPECT_EQ(program_->WaitForExit(5s), 0);
    EXPECT_LT(Clock::now() - asked, 5s);
}

TEST_F(RealWindow, CancellingTheOpenDialogEndsWithoutAWindow)
{
    Start();
    const auto dialog = WaitForDialog();
    ASSERT_TRUE(dialog) << "no open dialog";
    session_->Focus(*dialog);
    session_->Keys("Escape");
    EXPECT_EQ(program_->WaitForExit(10s), 0);
    EXPECT_TRUE(session_->FindWindows(kMainTitle).empty());
}

} // namespace
