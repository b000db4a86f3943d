// The window's handlers without a window: load, tiles per row, offset,
// close, and what each does to a walk in progress.
#include "pumping_ui_host.h"
#include "raster_surface.h"
#include "recording_row_converter.h"
#include "scripted_common_dialog.h"
#include "temp_folder.h"
#include "viewer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <numeric>

namespace {

const std::u16string kTitle = u"Mr. Tavrel's NES To GB GFX Converter";

class FakeWindow : public ViewerWindow {
public:
    RasterSurface surface{385, 321};
    std::u16string tilesText = u"48";
    std::u16string offsetText;
    bool shown = false;
    int ends = 0;

    DrawingSurface& Picture1() override { return surface; }
    std::u16string TilesText() const override { return tilesText; }
    void SetTilesText(const std::u16string& text) override { tilesText = text; }
    std::u16string OffsetText() const override { return offsetText; }
    void ShowWindow() override { shown = true; }
    void EndProgram() override { ++ends; }
};

std::vector<uint8_t> PositionBytes(size_t length)
{
    std::vector<uint8_t> bytes(length);
    std::iota(bytes.begin(), bytes.end(), uint8_t{1});
    return bytes;
}

class ViewerTest : public ::testing::Test {
protected:
    TempFolder folder;
    PumpingUiHost host;
    FakeWindow window;
    ScriptedCommonDialog cd1;
    RecordingRowConverter converter;
    Viewer viewer{window, cd1, converter};

    void LoadFile(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        cd1.answers.push_back(folder.Write(name, bytes));
        viewer.Load();
    }
    int OpenFiles() const { return FileOpenCount(viewer.Files()); }
};

TEST_F(ViewerTest, LoadSetsUpTheDialogAndTakesTheLayoutFromTheExtension)
{
    struct Case {
        std::string name;
        std::string tag;
        std::pair<uint8_t, uint8_t> firstRow;
    };
    const Case cases[] = {
        {"MARIO.NES", "nes", {1, 9}},      {"game.nes", "nes", {1, 9}}, {"game.GB", "gb", {1, 2}},
        {"game.gbc", "gb", {1, 2}},        {"font.chr", "", {}},        {"game.nes.bak", "", {}},
        {"README", "", {}},
    };
    const std::vector<uint8_t> bytes = PositionBytes(40);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindow caseWindow;
        ScriptedCommonDialog caseDialog;
        RecordingRowConverter caseConverter;
        Viewer caseViewer(caseWindow, caseDialog, caseConverter);
        caseDialog.answers.push_back(folder.Write(c.name, bytes));
        caseViewer.Load();

        const ViewerState& state = caseViewer.State();
        ASSERT_EQ(caseDialog.calls.size(), 1u);
        EXPECT_EQ(caseDialog.calls[0].flags, 0x1000);
        EXPECT_EQ(caseDialog.calls[0].filter, u"NES Files|*.nes*|GB Files|*.gb*|GBC Files|*.gbc*|All Files|*.*");
        EXPECT_EQ(state.layouttag, c.tag);
        EXPECT_EQ(state.tilesperrow, 48);
        EXPECT_EQ(state.startoffset, 1);
        EXPECT_EQ(state.nesimage, c.tag == "nes" ? bytes : std::vector<uint8_t>(40));
        EXPECT_EQ(state.gbimage, c.tag == "gb" ? bytes : std::vector<uint8_t>(40));
        EXPECT_EQ(caseWindow.shown, !c.tag.empty());
        EXPECT_FALSE(caseViewer.Ended());
        EXPECT_EQ(FileOpenCount(caseViewer.Files()), 1);
        if (c.tag.empty()) {
            EXPECT_TRUE(caseConverter.rows.empty());
        } else {
            ASSERT_FALSE(caseConverter.rows.empty());
            EXPECT_EQ(caseConverter.rows.front(), c.firstRow);
        }
    }
    EXPECT_TRUE(host.messageBoxes.empty());
}

TEST_F(ViewerTest, AnEmptyFileIsShownEmptyLikeAnUnknownLayout)
{
    LoadFile("empty.gb", {});
    EXPECT_EQ(viewer.State().layouttag, "");
    EXPECT_TRUE(converter.rows.empty());
    EXPECT_FALSE(viewer.Ended());
    EXPECT_EQ(OpenFiles(), 1);
    window.offsetText = u"1";
    viewer.ApplyOffset();
    EXPECT_TRUE(converter.rows.empty());
}

TEST_F(ViewerTest, CancelEndsTheProgramWithoutWindowOrMessage)
{
    viewer.Load();
    EXPECT_TRUE(viewer.Ended());
    EXPECT_FALSE(viewer.Failed());
    EXPECT_FALSE(window.shown);
    EXPECT_EQ(window.ends, 1);
    EXPECT_TRUE(host.messageBoxes.empty());
}

TEST_F(ViewerTest, FilesThatCantBeOpenedOrHeldAreReportedAndEndTheProgram)
{
    const std::string big = (folder.Path() / "big.gb").string();
    ASSERT_EQ(truncate(folder.Write("big.gb", {}).c_str(), int64_t{1} << 31), 0);
    const std::pair<std::string, std::u16string> cases[] = {
        {(folder.Path() / "gone.nes").string(), u"File not found"},
        {folder.Path().string(), u"Path/File access error"},
        {big, u"is too large: it holds 2147483648 bytes"},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        PumpingUiHost caseHost;
        FakeWindow caseWindow;
        ScriptedCommonDialog caseDialog;
        Viewer caseViewer(caseWindow, caseDialog, converter);
        caseDialog.answers.push_back(path);
        caseViewer.Load();
        ASSERT_EQ(caseHost.messageBoxes.size(), 1u);
        EXPECT_NE(caseHost.messageBoxes[0].text.find(reason), std::u16string::npos);
        EXPECT_EQ(caseHost.messageBoxes[0].caption, kTitle);
        EXPECT_EQ(caseHost.messageBoxes[0].type, static_cast<UINT>(MB_OK));
        EXPECT_TRUE(caseViewer.Ended());
        EXPECT_TRUE(caseViewer.Failed());
        EXPECT_EQ(caseWindow.ends, 1);
        EXPECT_EQ(FileOpenCount(caseViewer.Files()), 0);
        EXPECT_TRUE(caseViewer.State().gbimage.empty());
    }
}

TEST_F(ViewerTest, AFailingConverterIsReportedAndEndsTheProgram)
{
    converter.failAtRow = 5;
    LoadFile("tiles.nes", PositionBytes(64));
    ASSERT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(host.messageBoxes[0].text, converter.Failure());
    EXPECT_EQ(host.messageBoxes[0].caption, kTitle);
    EXPECT_TRUE(viewer.Failed());
    EXPECT_EQ(OpenFiles(), 0);
    EXPECT_EQ(converter.rows.size(), 4u);
}

TEST_F(ViewerTest, TilesPerRowIsAtLeast8AndResetsOnlyTheCellColumn)
{
    const std::tuple<std::u16string, int32_t, std::u16string> cases[] = {
        {u"", 8, u"8"},           {u"abc", 8, u"8"},        {u"-20", 8, u"8"},     {u"7.5", 8, u"7.5"},
        {u"8.5", 8, u"8.5"},      {u"9.5", 10, u"9.5"},     {u"1 2", 12, u"1 2"},  {u"&H10", 16, u"&H10"},
        {u"12abc", 12, u"12abc"}, {u"500", 500, u"500"},    {u"3e9", 8, u"8"},     {u"-3e9", 8, u"8"},
    };
    LoadFile("tiles.gb", PositionBytes(100));
    const size_t rows = converter.rows.size();
    const DrawingState drawn = viewer.State().drawing;
    ASSERT_NE(drawn.tilecol, 0);
    for (const auto& [text, value, shown] : cases) {
        window.tilesText = text;
        viewer.ApplyTilesPerRow();
        EXPECT_EQ(viewer.State().tilesperrow, value);
        EXPECT_EQ(window.tilesText, shown);
        DrawingState expected = drawn;
        expected.tilecol = 0;
        EXPECT_EQ(viewer.State().drawing, expected);
    }
    EXPECT_EQ(converter.rows.size(), rows);
}

TEST_F(ViewerTest, ApplyOffsetRedrawsFromTheSamePositionInBothLayouts)
{
    const std::tuple<std::u16string, double, uint8_t> cases[] = {
        {u"", 1, 1},      {u"0", 1, 1},     {u"-7", 1, 1},    {u"abc", 1, 1},  {u"1.9", 1.9, 2},
        {u"2.5", 2.5, 2}, {u"3.5", 3.5, 4}, {u"17", 17, 17},  {u"3e9", 1, 1},  {u"1000", 1000, 0},
    };
    for (const char* name : {"tiles.gb", "tiles.nes"}) {
        SCOPED_TRACE(name);
        FakeWindow caseWindow;
        ScriptedCommonDialog caseDialog;
        RecordingRowConverter caseConverter;
        Viewer caseViewer(caseWindow, caseDialog, caseConverter);
        caseDialog.answers.push_back(folder.Write(name, PositionBytes(64)));
        caseViewer.Load();
        for (const auto& [text, startoffset, firstByte] : cases) {
            caseWindow.surface.PSet(0, 0, QBColor(4));
            caseConverter.rows.clear();
            caseWindow.offsetText = text;
            caseViewer.ApplyOffset();
            EXPECT_EQ(caseViewer.State().startoffset, startoffset);
            EXPECT_EQ(caseConverter.rows.empty() ? 0 : caseConverter.rows.front().first, firstByte);
            EXPECT_EQ(caseWindow.surface.At(0, 0), QBColor(15)) << "cleared first";
        }
    }
}

TEST_F(ViewerTest, TilesPerRowDuringAWalkTakesEffectAtTheNextBand)
{
    host.onPump = [&](long pump) {
        if (pump != 2) return;
        window.tilesText = u"8";
        viewer.ApplyTilesPerRow();
    };
    LoadFile("tiles.nes", std::vector<uint8_t>(16 * 20));
    // Tile 0 in cell 0, then tiles 1 to 8 fill a band of 8 from cell 0 again.
    EXPECT_EQ(viewer.State().drawing, (DrawingState{8 * 3, 8 * 2, 3, 0, 2}));
}

}  // namespace
