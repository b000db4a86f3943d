// The sheet walks with a recording converter: how many rows a walk draws,
// where it starts, and where it ends.
#include "fake_window.h"
#include "recording_row_converter.h"
#include "sheet_walks.h"

#include <gtest/gtest.h>

namespace {

// A sheet of Picture1's size and the walk's side of the window: the file
// length on disk and the event pumps it counts.
struct Walker : WalkControl {
    explicit Walker(std::optional<int64_t> fileLength) : length(fileLength) {}

    RasterSurface surface{385, 321};
    DrawingState state;
    int32_t tilesperrow = 48;
    RecordingRowConverter converter;
    TileSheet sheet{surface, state, tilesperrow, converter};
    std::optional<int64_t> length;
    long pumps = 0;

    std::optional<int64_t> InputFileLength() override { return length; }
    bool LetEventsRun() override
    {
        ++pumps;
        return true;
    }

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
}

}  // namespace
