// The core without a window: numbers from the text boxes and layout tags
// from file names; DrawTileRow through a surface's PSet and Point (Picture1
// draws into its pixels in place; the real-data tests check that), with the
// four shades, what lies underneath, and how the drawing state moves through
// cells and bands; and the sheet walks with a recording converter: how many
// rows a walk draws, where it starts, and where it ends.
#include "raster_surface.h"
#include "recording_row_converter.h"
#include "sheet_walks.h"
#include "text_value.h"
#include "tile_layout.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The last two have values past a double's range: their sign of magnitude
// (the digits' and the exponent's together) tells infinity from zero.
TEST(TextValue, ReadsTheLeadingNumber)
{
    const std::pair<std::u16string, double> cases[] = {
        {u"", 0},          {u"48", 48},        {u"1 2", 12},         {u" \t\n7", 7},      {u"-20", -20},
        {u"+5", 5},        {u"- 3", -3},       {u"2.5", 2.5},        {u".5", 0.5},        {u"-.25", -0.25},
        {u"1.2.3", 1.2},   {u"1,5", 1},        {u"1e3", 1000},       {u"1E-2", 0.01},     {u"1 e 2", 100},
        {u"1e", 1},        {u"1e+", 1},        {u"2e1x", 20},        {u"&H1aF", 431},     {u"&hAf", 175},
        {u"&H 1 0", 16},   {u"&O17", 15},      {u"&o8", 0},          {u"&H", 0},          {u"&X1", 0},
        {u"&H1.8", 1},     {u"abc", 0},        {u"12abc", 12},       {u"--1", 0},         {u"\r5", 0},
        {u"1e999", kInfinity},  {u"-1e999", -kInfinity},  {u"1e-999", 0},  {u"0.000e999", 0},
        {u"4294967296", 4294967296.0},  {u"1." + std::u16string(500, u'0') + u"e400", kInfinity},
        {u"0." + std::u16string(3999, u'0') + u"1e3500", 0},
        {u"1" + std::u16string(350, u'0') + u"e-30", kInfinity},  {std::u16string(400, u'0') + u"1e-330", 0},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(TextValue(text), value) << std::string(text.begin(), text.end());
}

TEST(LayoutTag, FollowsTheExtensionOnly)
{
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\TILES\\MARIO.NES", "nes"}, {"game.gbc", "gb"}, {"game.GB", "gb"},  {"x.Gbc", "gb"},
        {".gb", "gb"},                   {"font.chr", ""},   {"game.nes.bak", ""}, {"README", ""},
        {"nes", ""},                     {"", ""},           {"tiles.gbcx", ""},
    };
    for (const auto& [path, tag] : cases) EXPECT_EQ(LayoutTagFromPath(path), tag) << path;
}

// Colours by letter: w white, f button face (pixel value 1), a application
// workspace (2), b black, o another colour.
std::vector<Colour> Shades(const std::string& letters)
{
    const std::map<char, Colour> colours{
        {'w', QBColor(15)}, {'f', kClassicButtonFace}, {'a', kClassicWorkspace}, {'b', QBColor(0)}, {'o', QBColor(14)}};
    std::vector<Colour> shades;
    for (const char letter : letters) shades.push_back(colours.at(letter));
    return shades;
}

// The first plane's dots go over what lies underneath, and the second plane
// recolours what it reads back: what lies underneath stays where value 0 or
// 2 is drawn, unless it is black or white. A group of four characters that
// is no pattern draws nothing and keeps the pen, so the next group lands
// where it should have been; the next row is placed as usual whatever the bits.
TEST(RowDrawing, DrawsTheFourShadesOverWhatLiesUnderneath)
{
    // The row's bit string, the shades underneath from x0 + 1 on (white
    // further on), and the shades from x0 to x0 + 9 after drawing.
    const std::tuple<std::u16string, std::string, std::string> cases[] = {
        {u"0011110001011010", "", "wwafbbfaww"},  // bytes 60 and 90
        {u"1x0011110000000000", "", "wffffwwwww"}, {u"11111111x0000000", "", "wffffbbbbw"},
        {u"1111", "", "wbbbbwwwww"},               {u"", "", "wwwwwwwwww"},
        {u"11111111111111110000", "", "wbbbbbbbbw"}, {u"1000000000000001", "", "wfwwwwwwaw"},
        {u"0000111100000000", "", "wwwwwffffw"},   {u"0000110001010100", "bboo", "wfboofbwww"},
        {u"1010000000110000", "oooo", "wfobowwwww"},
    };
    for (const auto& [bits, under, shades] : cases) {
        RasterSurface surface(385, 321);
        for (size_t j = 0; j < under.size(); ++j) surface.PSet(static_cast<float>(41 + j), 20, Shades(under)[j]);
        DrawingState state{40, 20, 5, 0, 2};
        DrawTileRow(bits, state, 48, surface);
        std::vector<Colour> row;
        for (int x = 40; x < 50; ++x) row.push_back(surface.Point(static_cast<float>(x), 20));
        EXPECT_EQ(row, Shades(shades)) << std::string(bits.begin(), bits.end());
        EXPECT_EQ(state, (DrawingState{40, 21, 5, 1, 2}));
    }
}

TEST(RowDrawingState, MovesRowByRowTileByTileAndBandByBand)
{
    constexpr int32_t widest = std::numeric_limits<int32_t>::max();
    constexpr int64_t farDown = int64_t{1} << 40;
    // Tiles per row, the state before, rows drawn, and the state after them.
    // The last ends the widest band far down the sheet: nothing overflows.
    const std::tuple<int32_t, DrawingState, int, DrawingState> cases[] = {
        {8, {}, 1, {0, 1, 0, 1, 0}},    {8, {}, 8, {8, 0, 1, 0, 0}},    {8, {}, 9, {8, 1, 1, 1, 0}},
        {8, {}, 63, {56, 7, 7, 7, 0}},  {8, {}, 64, {0, 8, 0, 0, 1}},   {8, {}, 65, {0, 9, 0, 1, 1}},
        {48, {}, 64, {64, 0, 8, 0, 0}}, {48, {}, 384, {0, 8, 0, 0, 1}}, {48, {}, 392, {8, 8, 1, 0, 1}},
        {widest, {8 * int64_t{widest - 1}, 7, widest - 1, 7, farDown}, 1, {0, 8 * (farDown + 1), 0, 0, farDown + 1}},
    };
    for (const auto& [tilesperrow, before, calls, after] : cases) {
        RasterSurface surface(385, 321);
        DrawingState state = before;
        for (int call = 0; call < calls; ++call) DrawTileRow(u"1111111111111111", state, tilesperrow, surface);
        EXPECT_EQ(state, after) << tilesperrow << " per row, " << calls << " calls";
    }
}

// A sheet of Picture1's size and the walk's side of the window: the file
// length on disk (changed to `changedTo` once the walk has asked it), and
// the event pumps it counts, each running events or not.
struct Walker : WalkControl {
    explicit Walker(std::optional<int64_t> fileLength) : length(fileLength) {}

    RasterSurface surface{385, 321};
    DrawingState state;
    int32_t tilesperrow = 48;
    RecordingRowConverter converter;
    TileSheet sheet{surface, state, tilesperrow, converter};
    std::optional<int64_t> length, changedTo;
    bool eventsRun = true;
    long pumps = 0;

    std::optional<int64_t> InputFileLength() override
    {
        const std::optional<int64_t> now = length;
        if (changedTo) length = changedTo;
        return now;
    }
    PumpTurn LetEventsRun() override { ++pumps; return eventsRun ? PumpTurn::Ran : PumpTurn::Skipped; }

    // The NES walk is given the start as the offset box's text.
    WalkEnd Run(bool nes, int64_t start, const std::vector<uint8_t>& image)
    {
        const std::string text = std::to_string(start);
        return nes ? ShowNesTiles(std::u16string(text.begin(), text.end()), image, sheet, *this)
                   : ShowGbTiles(static_cast<int32_t>(start), image, sheet, *this);
    }
};

TEST(Walks, EndAtTheEndOfTheDataOrOfTheFileOnDisk)
{
    // Layout, start, image length, length on disk; then the rows drawn and the pumps.
    const std::tuple<bool, int32_t, int64_t, std::optional<int64_t>, size_t, long> cases[] = {
        {false, 1, 100, 100, 50, 6},  // five full steps of nine rows, then five rows of the sixth
        {false, 1, 37, 37, 18, 2},    // the end test fires at 37 after two steps
        {false, 1, 36, 36, 18, 3},    // the third step has no row within the image
        {false, 37, 37, 37, 0, 0},    // a start at the end: nothing, not even a pump
        {false, 50, 37, 37, 0, 1},    // a start beyond the end
        {false, -5, 37, 37, 0, 1},    // no position below 1 is read
        {false, 1, 37, 19, 9, 1},     // the file shrank on disk
        {false, 1, 37, 1000, 18, 3},  // it grew: the image's last whole row still ends the walk
        {false, 1, 37, std::nullopt, 0, 0},  // a length that can't be asked ends the walk
        {true, 2, 34, 34, 16, 2},     // two tiles, then 34 = N
        {true, 17, 48, 48, 16, 3},    // a start that lines up with the tiles never meets the end test
        {true, 1, 30, 30, 14, 2},     // a partial tile: rows 0-5 have both planes
        {true, 1, 8, 8, 0, 1},        // no row has its high-plane byte
        {false, 1, 5, 5, 2, 1},       // rows 1-2 and 3-4; position 5 is alone
    };
    for (const auto& [nes, start, size, length, rows, pumps] : cases) {
        SCOPED_TRACE(testing::Message() << nes << " from " << start << " of " << size);
        Walker walker(length);
        EXPECT_EQ(walker.Run(nes, start, PositionBytes(static_cast<size_t>(size))), WalkEnd::EndOfData);
        EXPECT_EQ(walker.converter.rows.size(), rows);
        EXPECT_EQ(walker.pumps, pumps);
    }
    // The length on disk changes from the first to the second value once the walk has begun: it is asked again
    // after a turn of the pump that ran events, and where the walk reaches the length it knows, before it ends.
    const std::tuple<int64_t, int64_t, bool, size_t> changes[] = {
        {37, 19, true, 9}, {37, 19, false, 18}, {19, 37, false, 18},
    };
    for (const auto& [before, after, eventsRun, rows] : changes) {
        Walker walker(before);
        walker.changedTo = after, walker.eventsRun = eventsRun;
        EXPECT_EQ(walker.Run(false, 1, PositionBytes(37)), WalkEnd::EndOfData);
        EXPECT_EQ(walker.converter.rows.size(), rows) << before << " to " << after << (eventsRun ? " with" : "");
    }
}

}  // namespace
