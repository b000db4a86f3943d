#include "form1_window.h"

#include "reference_tiles.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace e2e {

namespace {

const std::string kMainTitle = "Mr. Tavrel's NES to GB GFX Converter";
const std::string kMessageTitle = "Mr. Tavrel's NES To GB GFX Converter";
// The system's own dialogs speak the language of the user's locale.
const std::string kOpenTitle = qEnvironmentVariable("OPEN_DIALOG_TITLE", "Open").toStdString();
const std::string kSaveTitle = qEnvironmentVariable("SAVE_DIALOG_TITLE", "Save As").toStdString();
constexpr QSize kClient(491, 390);
constexpr QRect kPictureInClient(16, 16, 385, 321);
constexpr QPoint kTilesBox(24 + 15, 352 + 13);
constexpr QPoint kOffsetBox(192 + 60, 352 + 12);
constexpr QPoint kExportButton(416 + 32, 16 + 20);

std::string ReadFile(const fs::path& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

class RealWindow : public testing::TestWithParam<Scenario> {
protected:
    static void SetUpTestSuite()
    {
        build_ = MakeBuild();
        setenv("DISPLAY", build_->display.c_str(), 1);
    }
    static void TearDownTestSuite() { build_.reset(); }
    void SetUp() override { ASSERT_FALSE(build_->display.empty()) << "no X display"; }
    void TearDown() override { if (HasFailure()) build_->EndLeftovers(); }

    fs::path FileOf(const Scenario& row) const
    {
        if (row.shared.empty() && row.randomMiB == 0 && row.openAs.empty()) return {};
        const fs::path file = row.openAs.empty() ? fs::path(TESTDATA) / row.shared : build_->work / row.openAs;
        if (row.randomMiB > 0) {
            std::string bytes(static_cast<size_t>(row.randomMiB) << 20, '\0');
            std::generate(bytes.begin(), bytes.end(), std::mt19937(7));
            std::ofstream(file, std::ios::binary) << bytes;
        } else if (!row.openAs.empty() && !row.shared.empty()) {
            fs::copy_file(fs::path(TESTDATA) / row.shared, file, fs::copy_options::overwrite_existing);
        }
        return file;
    }

    bool WaitForDialog(const std::string& title, std::chrono::milliseconds timeout) const
    {
        const auto dialog = WaitForWindow(title, timeout);
        if (dialog) Focus(*dialog);
        return dialog.has_value();
    }

    // Pastes the path into the focused name box, in place of what it holds,
    // and presses Enter (after other keys where given): xdotool types only
    // what the keyboard map has, and a Windows program may read a remapped
    // key as another character.
    void EnterPath(const fs::path& path, const std::string& keysAfter = "Return") const
    {
        const fs::path clipboard = build_->work / "clipboard.txt";
        std::ofstream(clipboard, std::ios::binary) << build_->PathOf(path);
        X("xclip -selection clipboard -i " + Quote(clipboard.string()) + " >/dev/null");
        Keys("ctrl+a ctrl+v " + keysAfter);
    }

    void TypeInto(QPoint box, const std::string& text) const
    {
        Click(clientTop_ + box);
        Keys("Home shift+End");
        Type(text);
        Keys("Return");
    }

    // Compares the drawing area, once two screenshots taken a moment apart
    // agree, until it shows the sheet or the time is up.
    void ExpectSheet(const fs::path& file, int perRow, int first) const
    {
        const QRect area = kPictureInClient.translated(clientTop_);
        long wrong = -2;
        std::string report;
        WaitUntil(
            [&] {
                const QImage shot = Screenshot(area);
                std::this_thread::sleep_for(150ms);
                if (shot == Screenshot(area)) wrong = Mismatches(shot, file, perRow, first, report);
                return wrong == 0;
            },
            build_->step);
        EXPECT_EQ(wrong, 0) << perRow << " tiles per row from tile " << first << ": " << report;
    }

    // Answers the message box, once its text was found to hold the parts given.
    void AnswerMessage(const std::string& which, const std::vector<std::string>& parts = {}) const
    {
        const auto box = WaitForWindow(kMessageTitle, build_->step);
        ASSERT_TRUE(box) << "no message box (" << which << ")";
        const std::optional<std::string> text = parts.empty() ? std::nullopt : build_->MessageText();
        for (const std::string& part : parts) EXPECT_TRUE(!text || text->find(part) != std::string::npos) << *text;
        Focus(*box);
        Keys("Return");
        // The next message box may already be up under the same title.
        const auto gone = [&] { return std::ranges::count(FindWindows(kMessageTitle), *box) == 0; };
        ASSERT_TRUE(WaitUntil(gone, build_->step)) << "the message box stayed (" << which << ")";
    }

    // A cancelled save dialog writes nothing and shows nothing, also after it
    // refused the name with an unpaired surrogate typed after it (where the
    // row asks for that) and asked again; then the export must equal the
    // shared file's expected one byte for byte. An export over a file (where
    // the row asks for one) is refused instead: the file appears while the
    // export's warning is up, after the save dialog, which then has nothing to
    // ask. Its old bytes stay, under its name or under the name that the
    // message states, and nothing else is left beside it.
    void Export(const Scenario& row, const fs::path& shared) const
    {
        const fs::path target = build_->work / row.exportAs;
        fs::remove(target);
        Click(clientTop_ + kExportButton);
        ASSERT_TRUE(WaitForDialog(kSaveTitle, build_->step)) << "no save dialog";
        if (row.refusedExport) {
            EnterPath(target, "grave Return");
            ASSERT_NO_FATAL_FAILURE(AnswerMessage("refused name", {"Can't use the name"}));
            ASSERT_TRUE(WaitForDialog(kSaveTitle, build_->step)) << "the save dialog did not ask again";
        }
        if (row.exportOver == ExportOver::kNothing) {
            Keys("Escape");
            std::this_thread::sleep_for(1s);
            EXPECT_TRUE(FindWindows(kMessageTitle).empty());
            EXPECT_FALSE(fs::exists(target));
            Click(clientTop_ + kExportButton);
            ASSERT_TRUE(WaitForDialog(kSaveTitle, build_->step)) << "no save dialog";
        }
        EnterPath(target);
        const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        if (row.exportOver != ExportOver::kNothing) {
            ASSERT_TRUE(WaitForWindow(kMessageTitle, build_->step)) << "no warning";
            std::ofstream(target) << "old";
            if (row.exportOver == ExportOver::kReadOnlyFile) fs::permissions(target, write, fs::perm_options::remove);
        }
        ASSERT_NO_FATAL_FAILURE(AnswerMessage("warning"));
        if (row.exportOver == ExportOver::kNothing) {
            ASSERT_NO_FATAL_FAILURE(AnswerMessage("done"));
            const fs::path expected = fs::path(TESTDATA) / "expected" /
                                      (shared.filename().string() + ".exported" + target.extension().string());
            EXPECT_TRUE(ReadFile(target) == ReadFile(expected)) << target << " differs from " << expected;
            return;
        }
        WaitForWindow(kMessageTitle, build_->step);
        std::vector<fs::path> beside;
        for (const fs::path& file : fs::directory_iterator(build_->work))
            if (file.filename().string().starts_with("~")) beside.push_back(file);
        std::vector<std::string> parts = {"Could not write ", "Path/File access error"};
        for (const fs::path& kept : beside) parts.push_back("The old file is kept as " + build_->PathOf(kept) + ".");
        ASSERT_NO_FATAL_FAILURE(AnswerMessage("refused export", parts));
        fs::permissions(target, write, fs::perm_options::add);
        ASSERT_EQ(beside.size(), row.exportOver == ExportOver::kStuckReplacement ? 1u : 0u);
        EXPECT_EQ(ReadFile(beside.empty() ? target : beside[0]), "old");
    }

    // From the open dialog to the request that ends the program.
    void Follow(const Scenario& row, const fs::path& file)
    {
        if (file.empty()) return Keys("Escape");
        if (!row.openWith) EnterPath(file);
        const auto window = WaitForWindow(kMainTitle, row.openWith ? build_->start : build_->step);
        const auto frame = window ? Geometry(*window) : std::nullopt;
        ASSERT_TRUE(frame) << "the main window did not appear";
        // Qt's window is its menu bar above the client area. An unmanaged Wine
        // window draws its own frame, caption and menu bar: the borders are as
        // wide at the sides as at the bottom.
        const int border = (frame->width() - kClient.width()) / 2;
        ASSERT_GE(border, 0);
        clientTop_ = QPoint(frame->x() + border, frame->bottom() + 1 - border - kClient.height());
        if (!row.message.empty()) return AnswerMessage("at load", row.message);
        // A random file has no reference picture: its rows show sheets without tiles.
        const fs::path shared = row.shared.empty() ? file : fs::path(TESTDATA) / row.shared;
        if (!row.shared.empty()) ExpectSheet(shared, 48, 0);
        for (const TypedCommand& command : row.commands) {
            TypeInto(kTilesBox, command.tilesPerRow);
            Keys("Home shift+End ctrl+c");
            std::optional<std::string> shown;
            const std::string perRow = std::to_string(command.perRow);
            WaitUntil([&] { return (shown = X("xclip -o -selection clipboard")) == perRow; }, build_->step);
            EXPECT_EQ(shown, perRow) << "in the tiles-per-row box";
            TypeInto(kOffsetBox, command.offset);
            ExpectSheet(shared, command.perRow, command.first);
            // The box keeps the focus, also when the offset ended the load's walk.
            Keys("Home shift+End ctrl+c");
            EXPECT_EQ(X("xclip -o -selection clipboard"), command.offset) << "in the offset box";
        }
        if (!row.exportAs.empty()) {
            ASSERT_NO_FATAL_FAILURE(Export(row, shared));
        }
        RequestClose(*window);
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
    qputenv("REFUSED_WINDOW_CLASS", row.refusedWindow.c_str());
    qputenv("STUCK_REPLACEMENT", row.exportOver == ExportOver::kStuckReplacement ? "1" : "");
    const QStringList command =
        row.openWith ? QStringList(build_->openWith).replaceInStrings("%f", build_->PathOf(file).c_str()) : build_->command;
    program_.start(command.first(), command.mid(1));
    // A refused window and a missing file are reported before the program asks for a file or shows its window.
    const bool reportedAtStart = !row.refusedWindow.empty() || (!file.empty() && !fs::exists(file));
    ASSERT_TRUE(reportedAtStart || row.openWith || WaitForDialog(kOpenTitle, build_->start)) << "no open dialog";
    ASSERT_NO_FATAL_FAILURE(reportedAtStart ? AnswerMessage("at start", row.message) : Follow(row, file));
    ASSERT_TRUE(program_.waitForFinished(static_cast<int>(row.endsWithin.value_or(build_->step).count())))
        << "the program did not end";
    // A crash has no exit status of its own.
    EXPECT_EQ(program_.exitStatus() == QProcess::NormalExit ? program_.exitCode() : -1, row.status);
    EXPECT_TRUE(WaitUntil([] { return FindWindows(kMainTitle).empty(); }, build_->step)) << "the main window stayed";
}

// The build's own rows, then those of both builds.
std::vector<Scenario> Rows()
{
    std::vector<Scenario> rows = BuildScenarios();
    rows.insert(rows.end(), {
        {.name = "NesFileIsDrawnAtLoad", .shared = "nes/cc65-nes-charset.chr.nes"},
        // Names outside the ANSI code page, which open and are written only
        // where the paths stay Unicode all the way.
        {.name = "GameBoyFileFollowsTheCommandsAndExportsUnderUnicodeNames",
         .shared = "gb/2048-sanqui-tiles.2bpp.gb",
         .openAs = "タイル Ωλ.gb",
         .commands = {{"16", "1", 16, 0}, {"5", "17", 8, 1}},
         .exportAs = "преобразовано.nes"},
        {.name = "CancellingTheOpenDialogEndsWithoutAWindow"},
        {.name = "AFileOpenedWithTheProgramIsDrawnWithoutItsDialog", .shared = "gb/2048-sanqui-tiles.2bpp.gb",
         .openAs = "タイル open.gb", .openWith = true},
        {.name = "AMissingFileOpenedWithTheProgramIsReportedAsAChosenOneIs", .openAs = "missing.nes", .openWith = true,
         .message = {"Can't open the file \"", "missing.nes\": File not found."}, .status = 1},
        // An offset past the end, typed while the load's walk runs, ends that walk at once with an empty sheet.
        {.name = "TheFocusPutIntoABoxDuringTheLoadsWalkStaysThere", .openAs = "long.gb", .randomMiB = 64,
         .commands = {{"48", "99999999", 48, 6249999}}},
    });
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Form1, RealWindow, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Scenario>& row) { return row.param.name; });

}  // namespace

}  // namespace e2e
