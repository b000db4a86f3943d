#include "form1_window.h"

#include "reference_tiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace e2e {

namespace {

const std::string kMainTitle = "Mr. Tavrel's NES to GB GFX Converter";
const std::string kMessageTitle = "Mr. Tavrel's NES To GB GFX Converter";
constexpr QSize kClient(491, 390);
constexpr QRect kPictureInClient(16, 16, 385, 321);
const QPoint kTilesBox(24 + 15, 352 + 13);
const QPoint kOffsetBox(192 + 60, 352 + 12);
const QPoint kExportButton(416 + 32, 16 + 20);

std::vector<char> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RealWindow : public testing::TestWithParam<Scenario> {
protected:
    static void SetUpTestSuite() { build_ = MakeBuild(); }
    static void TearDownTestSuite() { build_.reset(); }
    void SetUp() override { ASSERT_TRUE(x().ok()) << "no X display"; }
    void TearDown() override
    {
        if (HasFailure()) build_->EndLeftovers();
        program_.kill();
        program_.waitForFinished();
    }

    const XSession& x() const { return *build_->session; }

    // The exit status once the program has ended within the time; a crash has none of its own.
    std::optional<int> Status(std::chrono::milliseconds timeout)
    {
        if (program_.error() == QProcess::FailedToStart ||
            (program_.state() != QProcess::NotRunning && !program_.waitForFinished(static_cast<int>(timeout.count()))))
            return std::nullopt;
        return program_.exitStatus() == QProcess::NormalExit ? program_.exitCode() : -1;
    }

    fs::path FileOf(const Scenario& row) const
    {
        if (row.shared.empty() && row.randomMiB == 0) return {};
        const fs::path file = row.openAs.empty() ? fs::path(TESTDATA) / row.shared : build_->work / row.openAs;
        if (row.randomMiB > 0) {
            std::vector<char> bytes(static_cast<size_t>(row.randomMiB) << 20);
            std::mt19937 random(7);
            for (char& byte : bytes) byte = static_cast<char>(random());
            std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        } else if (!row.openAs.empty()) {
            fs::copy_file(fs::path(TESTDATA) / row.shared, file, fs::copy_options::overwrite_existing);
        }
        return file;
    }

    bool WaitForDialog(const std::string& title, std::chrono::milliseconds timeout) const
    {
        const auto dialog = x().WaitForWindow(title, timeout);
        if (dialog) x().Focus(*dialog);
        return dialog.has_value();
    }

    // Pastes the path into the focused name box, in place of what it holds,
    // and presses Enter: xdotool types only what the keyboard map has, and a
    // Windows program may read a remapped key as another character.
    void EnterPath(const fs::path& path) const
    {
        const fs::path clipboard = build_->work / "clipboard.txt";
        std::ofstream(clipboard, std::ios::binary) << build_->PathOf(path);
        x().X("xclip -selection clipboard -i " + Quote(clipboard.string()) + " >/dev/null");
        x().Keys("ctrl+a ctrl+v Return");
    }

    void TypeInto(QPoint box, const std::string& text) const
    {
        x().Click(clientTop_ + box);
        x().Keys("Home shift+End");
        x().Type(text);
        x().Keys("Return");
    }

    std::string BoxText(QPoint box) const
    {
        x().Click(clientTop_ + box);
        x().Keys("Home shift+End ctrl+c");
        return x().X("xclip -o -selection clipboard").value_or("<no clipboard>");
    }

    void ExpectSheet(const fs::path& file, int perRow, int first) const
    {
        long wrong = -2;
        std::string report;
        WaitUntil(
            [&] {
                const auto shot = x().SettledArea(kPictureInClient.translated(clientTop_), build_->step);
                if (shot) wrong = Mismatches(*shot, file, perRow, first, report);
                return wrong == 0;
            },
            build_->step);
        EXPECT_EQ(wrong, 0) << perRow << " tiles per row from tile " << first << ": " << report;
    }

    void AnswerMessage(const std::string& which) const
    {
        const auto box = x().WaitForWindow(kMessageTitle, build_->step);
        ASSERT_TRUE(box) << "no message box (" << which << ")";
        x().Focus(*box);
        x().Keys("Return");
        // The next message box may already be up under the same title.
        ASSERT_TRUE(WaitUntil(
            [&] {
                const std::vector<std::string> boxes = x().FindWindows(kMessageTitle);
                return std::find(boxes.begin(), boxes.end(), *box) == boxes.end();
            },
            build_->step));
    }

    void Export(const fs::path& target, const fs::path& expected) const
    {
        // Cancelling the save dialog writes nothing and shows nothing.
        fs::remove(target);
        x().Click(clientTop_ + kExportButton);
        ASSERT_TRUE(WaitForDialog("Save As", build_->step)) << "no save dialog";
        x().Keys("Escape");
        std::this_thread::sleep_for(1s);
        EXPECT_TRUE(x().FindWindows(kMessageTitle).empty());
        EXPECT_FALSE(fs::exists(target));

        x().Click(clientTop_ + kExportButton);
        ASSERT_TRUE(WaitForDialog("Save As", build_->step)) << "no save dialog";
        EnterPath(target);
        AnswerMessage("warning");
        AnswerMessage("done");
        EXPECT_EQ(ReadFile(target), ReadFile(expected));
    }

    static inline std::unique_ptr<Build> build_;
    QProcess program_;
    QPoint clientTop_;
};

TEST_P(RealWindow, Scenario)
{
    const Scenario& row = GetParam();
    ASSERT_TRUE(build_->Register(row.registered)) << "the component is not in the registry as the row needs";
    const fs::path file = FileOf(row);
    program_.setProcessChannelMode(QProcess::ForwardedChannels);
    program_.start(build_->command.first(), build_->command.mid(1));
    ASSERT_TRUE(WaitForDialog("Open", build_->start)) << "no open dialog";
    if (file.empty()) {
        x().Keys("Escape");
        EXPECT_EQ(Status(build_->step), row.status);
        EXPECT_TRUE(x().FindWindows(kMainTitle).empty());
        return;
    }
    EnterPath(file);
    const auto window = x().WaitForWindow(kMainTitle, build_->step);
    const auto frame = window ? x().Geometry(*window) : std::nullopt;
    ASSERT_TRUE(frame) << "the main window did not appear";
    // Qt's window is its menu bar above the client area. An unmanaged Wine
    // window draws its own frame, caption and menu bar: the borders are as
    // wide at the sides as at the bottom.
    const int border = (frame->width() - kClient.width()) / 2;
    ASSERT_GE(border, 0);
    clientTop_ = QPoint(frame->x() + border, frame->bottom() + 1 - border - kClient.height());

    if (!row.message.empty()) {
        ASSERT_TRUE(x().WaitForWindow(kMessageTitle, build_->step)) << "no message box";
        const std::string text = build_->MessageText();
        for (const std::string& part : row.message) EXPECT_NE(text.find(part), std::string::npos) << text;
        AnswerMessage("at load");
        EXPECT_EQ(Status(build_->step), row.status);
        return;
    }
    if (!row.shared.empty()) ExpectSheet(fs::path(TESTDATA) / row.shared, 48, 0);
    for (const TypedCommand& command : row.commands) {
        TypeInto(kTilesBox, command.tilesPerRow);
        EXPECT_EQ(BoxText(kTilesBox), std::to_string(command.perRow));
        TypeInto(kOffsetBox, command.offset);
        ExpectSheet(fs::path(TESTDATA) / row.shared, command.perRow, command.first);
    }
    if (!row.exportAs.empty()) {
        const fs::path exported = fs::path(row.shared).filename() += ".exported" + fs::path(row.exportAs).extension().string();
        ASSERT_NO_FATAL_FAILURE(Export(build_->work / row.exportAs, fs::path(TESTDATA) / "expected" / exported));
    }
    x().RequestClose(*window);
    EXPECT_EQ(Status(row.endsWithin.value_or(build_->step)), row.status);
}

INSTANTIATE_TEST_SUITE_P(Form1, RealWindow, testing::ValuesIn(BuildScenarios()),
                         [](const testing::TestParamInfo<Scenario>& row) { return row.param.name; });

}  // namespace

std::vector<Scenario> WithBothBuildsScenarios(std::vector<Scenario> own)
{
    own.insert(own.end(), {
        {.name = "NesFileIsDrawnAtLoad", .shared = "nes/cc65-nes-charset.chr.nes"},
        // Names outside the ANSI code page, which open and are written only
        // where the paths stay Unicode all the way.
        {.name = "GameBoyFileFollowsTheCommandsAndExportsUnderUnicodeNames",
         .shared = "gb/2048-sanqui-tiles.2bpp.gb",
         .openAs = "タイル Ωλ.gb",
         .commands = {{"16", "1", 16, 0}, {"5", "17", 8, 1}},
         .exportAs = "преобразовано.nes"},
        {.name = "CancellingTheOpenDialogEndsWithoutAWindow"},
    });
    return own;
}

}  // namespace e2e
