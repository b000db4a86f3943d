// The window's handlers without a window: load, tiles per row, offset,
// close, and what each does to a walk in progress.
#include "fake_window.h"
#include "recording_row_converter.h"
#include "scripted_common_dialog.h"
#include "scripted_ui_host.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// A viewer with its own window, dialog and converter.
struct Session {
    FakeWindow window;
    ScriptedCommonDialog cd1;
    RecordingRowConverter converter;
    Viewer viewer{window, cd1, converter};

    void Load(const std::string& path)
    {
        cd1.answers.push_back(path);
        viewer.Load();
    }
};

class ViewerTest : public ::testing::Test, protected Session {
protected:
    TempFolder folder;
    ScriptedUiHost host;
};

// An empty file has no positions to draw, and is shown empty like a file of
// an unknown layout; the offset box then draws nothing either. No byte of
// the files is 0, so {0, 0} stands for no row drawn.
TEST_F(ViewerTest, LoadSetsUpTheDialogAndTakesTheLayoutFromTheExtension)
{
    const std::tuple<std::string, size_t, std::string, std::pair<uint8_t, uint8_t>> cases[] = {
        {"MARIO.NES", 40, "nes", {1, 9}}, {"game.gbc", 40, "gb", {1, 2}}, {"font.chr", 40, "", {}},
        {"empty.gb", 0, "", {}},
    };
    for (const auto& [name, length, tag, firstRow] : cases) {
        const std::vector<uint8_t> bytes = PositionBytes(length);
        Session s;
        s.Load(folder.Write(name, bytes));
        ASSERT_EQ(s.cd1.calls.size(), 1u);
        EXPECT_EQ(s.cd1.calls[0].flags, 0x1000);
        EXPECT_EQ(s.cd1.calls[0].filter, u"NES Files|*.nes*|GB Files|*.gb*|GBC Files|*.gbc*|All Files|*.*");
        EXPECT_EQ(s.viewer.State().layouttag, tag) << name;
        EXPECT_EQ(s.viewer.State().tilesperrow, 48);
        EXPECT_EQ(s.viewer.State().nesimage, tag == "nes" ? bytes : std::vector<uint8_t>(length));
        EXPECT_EQ(s.viewer.State().gbimage, tag == "gb" ? bytes : std::vector<uint8_t>(length));
        EXPECT_EQ(s.window.shown, !tag.empty());
        EXPECT_EQ(FileOpenCount(s.viewer.Files()), 1);
        EXPECT_EQ(s.converter.rows.empty() ? decltype(firstRow)() : s.converter.rows.front(), firstRow);
        s.window.offsetText = u"1";
        s.viewer.ApplyOffset();
        EXPECT_EQ(s.converter.rows.empty(), tag.empty());
    }
    EXPECT_TRUE(host.messageBoxes.empty());
}

// A cancel (no path) ends quietly; a file that can't be opened, read whole
// or held, or a row the converter fails on, is reported and ends it too.
TEST_F(ViewerTest, CancelOrAFileThatCantBeShownEndsTheProgram)
{
    // Sparse files: one byte past the 32-bit positions, and 3 GiB.
    const std::string big = folder.Write("big.gb", {}), huge = folder.Write("huge.nes", {});
    ASSERT_EQ(truncate(big.c_str(), int64_t{1} << 31), 0);
    ASSERT_EQ(truncate(huge.c_str(), int64_t{3} << 30), 0);
    const std::string shrinking = folder.Write("shrinking.gb", PositionBytes(100));
    const std::tuple<std::string, std::u16string, size_t> cases[] = {
        {"", u"", 0},
        {(folder.Path() / "gone.nes").string(), u"File not found", 0},
        {folder.Path().string(), u"Path/File access error", 0},
        {big, u"is too large: it holds 2147483648 bytes", 0},
        {huge, u"is too large: it holds 3221225472 bytes", 0},
        {shrinking, u"shrinking.gb\": it ended before its length.", 0},
        {folder.Write("tiles.nes", PositionBytes(64)), RecordingRowConverter().Failure(), 4},
    };
    for (const auto& [path, reason, rows] : cases) {
        host.messageBoxes.clear();
        Session s;
        s.window.onShow = [&] { ASSERT_EQ(truncate(shrinking.c_str(), 50), 0); };
        s.converter.failAtRow = 5;
        s.Load(path);
        const auto& boxes = host.messageBoxes;
        ASSERT_EQ(boxes.size(), reason.empty() ? 0u : 1u) << path;
        if (!reason.empty()) {
            EXPECT_NE(boxes[0].text.find(reason), std::u16string::npos) << path;
            EXPECT_EQ(boxes[0].caption, u"Mr. Tavrel's NES To GB GFX Converter");
            EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_TASKMODAL));
        }
        EXPECT_EQ(s.viewer.Failed(), !reason.empty());
        EXPECT_EQ(s.window.ends, 1);
        EXPECT_EQ(FileOpenCount(s.viewer.Files()), 0);
        EXPECT_EQ(s.converter.rows.size(), rows);
    }
}

TEST_F(ViewerTest, TilesPerRowIsAtLeast8AndResetsOnlyTheCellColumn)
{
    const std::tuple<std::u16string, int32_t, std::u16string> cases[] = {
        {u"", 8, u"8"},        {u"-20", 8, u"8"},     {u"7.5", 8, u"7.5"}, {u"8.5", 8, u"8.5"},
        {u"9.5", 10, u"9.5"},  {u"500", 500, u"500"}, {u"3e9", 8, u"8"},
    };
    Load(folder.Write("tiles.gb", PositionBytes(100)));
    const size_t rows = converter.rows.size();
    DrawingState expected = viewer.State().drawing;
    ASSERT_NE(expected.tilecol, 0);
    expected.tilecol = 0;
    for (const auto& [text, value, shown] : cases) {
        window.tilesText = text;
        viewer.ApplyTilesPerRow();
        EXPECT_EQ(viewer.State().tilesperrow, value);
        EXPECT_EQ(window.tilesText, shown);
        EXPECT_EQ(viewer.State().drawing, expected);
    }
    EXPECT_EQ(converter.rows.size(), rows);
}

// The NES walk reads the box's text, the GB walk the start offset kept from
// it: both start at the offset rounded half to even, at least 1.
TEST_F(ViewerTest, ApplyOffsetRedrawsFromTheSamePositionInBothLayouts)
{
    const std::tuple<std::u16string, double, uint8_t> cases[] = {
        {u"", 1, 1},       {u"0.6", 1, 1},      {u"1.9", 1.9, 2},  {u"2.5", 2.5, 2}, {u"3.5", 3.5, 4},
        {u"&H11", 17, 17}, {u"1000", 1000, 0},  {u"3e9", 1, 1},    {u"2147483647.6", 1, 1},
    };
    for (const char* name : {"tiles.gb", "tiles.nes"}) {
        Session s;
        s.Load(folder.Write(name, PositionBytes(64)));
        for (const auto& [text, startoffset, firstByte] : cases) {
            s.window.surface.PSet(0, 0, QBColor(4));
            s.converter.rows.clear();
            s.window.offsetText = text;
            s.viewer.ApplyOffset();
            EXPECT_EQ(s.viewer.State().startoffset, startoffset) << name << std::string(text.begin(), text.end());
            EXPECT_EQ(s.converter.rows.empty() ? 0 : s.converter.rows.front().first, firstByte);
            EXPECT_EQ(s.window.surface.At(0, 0), QBColor(15)) << "cleared first";
        }
    }
}

// The walk takes the length on disk at every step; the image keeps the
// bytes read at load, and no row is taken from beyond them.
TEST_F(ViewerTest, AFileThatShrinksOrGrowsOnDiskDuringAWalkIsReadOnlyWithinItsImage)
{
    for (const auto& [newLength, rows] : {std::pair<int64_t, size_t>{19, 9}, {1000, 100}}) {
        const std::string path = folder.Write("tiles.gb", PositionBytes(200));
        Session s;
        host.onDoEvents = [&](long pump) {
            if (pump == 1) {
                ASSERT_EQ(truncate(path.c_str(), newLength), 0);
            }
        };
        host.doEventsCalls = 0;
        s.Load(path);
        EXPECT_EQ(s.converter.rows.size(), rows) << newLength;
    }
}

// Tiles per row changed during a walk takes effect at the next band; a new
// offset starts a walk that replaces the one in progress, which draws no
// further row.
TEST_F(ViewerTest, ChangesDuringAWalk)
{
    host.onDoEvents = [&](long pump) {
        if (pump != 2) return;
        window.tilesText = u"8";
        viewer.ApplyTilesPerRow();
    };
    Load(folder.Write("tiles.nes", std::vector<uint8_t>(16 * 20)));
    // Tile 0 in cell 0, then tiles 1 to 8 fill a band of 8 from cell 0 again.
    EXPECT_EQ(viewer.State().drawing, (DrawingState{8 * 3, 8 * 2, 3, 0, 2}));

    Session s;
    host.doEventsCalls = 0;
    host.onDoEvents = [&](long pump) {
        if (pump != 5) return;
        s.window.offsetText = u"33";
        s.viewer.ApplyOffset();
    };
    s.Load(folder.Write("tiles.nes", PositionBytes(16 * 64)));
    EXPECT_EQ(s.converter.rows.size(), 4u * 8 + 62u * 8);
    EXPECT_EQ(s.viewer.State().drawing, (DrawingState{8 * 14, 8, 14, 0, 1}));
}

}  // namespace
