// The sheet walks with a recording converter: which positions make each row,
// where a walk starts, and where it ends.
#include "fake_window.h"
#include "recording_row_converter.h"
#include "sheet_walks.h"
#include "tile_conversion.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// A sheet of Picture1's size and the walk's side of the window: the file
// length it reports and the event pumps it counts.
struct Walker : WalkControl {
    explicit Walker(int64_t length) : steady(length) {}

    RasterSurface surface{385, 321};
    DrawingState state;
    int32_t tilesperrow = 48;
    RecordingRowConverter converter;
    TileSheet sheet{surface, state, tilesperrow, converter};
    // Lengths for the first steps, before the steady length applies.
    std::deque<std::optional<int64_t>> lengths;
    int64_t steady;
    long pumps = 0, lengthQuestions = 0, stopAtPump = 0;

    std::optional<int64_t> InputFileLength() override
    {
        ++lengthQuestions;
        if (lengths.empty()) return steady;
        const std::optional<int64_t> next = lengths.front();
        lengths.pop_front();
        return next;
    }
    bool LetEventsRun() override { return ++pumps != stopAtPump; }

    // The NES walk is given the start as the offset box's text.
    WalkEnd Run(bool nes, int64_t start, const std::vector<uint8_t>& image)
    {
        const std::string text = std::to_string(start);
        return nes ? ShowNesTiles(std::u16string(text.begin(), text.end()), image, sheet, *this)
                   : ShowGbTiles(static_cast<int32_t>(start), image, sheet, *this);
    }
};

TEST(Walks, EndAtTheEndOfTheData)
{
    // Layout, start, length; then the rows drawn and the pumps.
    const std::tuple<bool, int32_t, int64_t, size_t, long> cases[] = {
        {false, 1, 100, 50, 6},  // five full steps of nine rows (90 bytes), then five rows of the sixth
        {false, 1, 37, 18, 2},   // the end test fires at 37 after two steps
        {false, 1, 36, 18, 3},   // the third step has no row within the image
        {false, 1, 5, 2, 1},     // rows 1-2 and 3-4; position 5 is alone
        {false, 37, 37, 0, 0},   // a start at the end: nothing, not even a pump
        {false, 50, 37, 0, 1},   // a start beyond the end
        {false, -5, 37, 0, 1},   // no position below 1 is read
        {true, 2, 34, 16, 2},    // two tiles, then 34 = N
        {true, 17, 48, 16, 3},   // a start that lines up with the tiles never meets the end test
        {true, 1, 30, 14, 2},    // a partial tile: rows 0-5 have both planes
        {true, 1, 8, 0, 1},      // no row has its high-plane byte
    };
    for (const auto& [nes, start, length, rows, pumps] : cases) {
        SCOPED_TRACE(testing::Message() << nes << " from " << start << " of " << length);
        Walker walker(length);
        EXPECT_EQ(walker.Run(nes, start, PositionBytes(static_cast<size_t>(length))), WalkEnd::EndOfData);
        EXPECT_EQ(walker.converter.rows.size(), rows);
        EXPECT_EQ(walker.pumps, pumps);
    }
}

TEST(Walks, AskTheFileLengthAtEveryStepAndNeverReadBeyondTheImage)
{
    // Lengths for the first steps and the steady one; then the rows drawn and
    // the questions asked.
    const std::tuple<std::deque<std::optional<int64_t>>, int64_t, size_t, long> cases[] = {
        {{}, 19, 9, 2},              // the file shrank on disk: the end test fires after one step
        {{}, 1000, 18, 3},           // it grew: the walk still ends with the image's last whole row
        {{100, 19}, 37, 9, 2},       // asked anew at every step
        {{std::nullopt}, 37, 0, 1},  // a length that can't be asked ends the walk
    };
    for (const auto& [lengths, steady, rows, questions] : cases) {
        SCOPED_TRACE(steady);
        Walker walker(steady);
        walker.lengths = lengths;
        EXPECT_EQ(walker.Run(false, 1, PositionBytes(37)), WalkEnd::EndOfData);
        EXPECT_EQ(walker.converter.rows.size(), rows);
        EXPECT_EQ(walker.lengthQuestions, questions);
    }
}

TEST(Walks, StopWhenTheEventPumpSaysSoOrTheConverterFails)
{
    Walker stopped(200);
    stopped.stopAtPump = 2;
    EXPECT_EQ(stopped.Run(false, 1, PositionBytes(200)), WalkEnd::Stopped);
    EXPECT_EQ(stopped.converter.rows.size(), 9u);
    Walker failed(200);
    failed.converter.failAtRow = 3;
    EXPECT_EQ(failed.Run(true, 1, PositionBytes(200)), WalkEnd::ConversionFailed);
    EXPECT_EQ(failed.converter.rows.size(), 2u);
}

TEST(Walks, BothLayoutsDrawTheSameTilesIntoTheSameCells)
{
    std::vector<uint8_t> nes(64);
    std::iota(nes.begin(), nes.end(), uint8_t{0x35});
    std::vector<uint8_t> gb(64);
    ConvertTiles(nes, gb, TileConversion::NesToGb);
    Walker nesWalker(64), gbWalker(64);
    nesWalker.tilesperrow = gbWalker.tilesperrow = 2;
    nesWalker.Run(true, 1, nes);
    gbWalker.Run(false, 1, gb);
    EXPECT_EQ(nesWalker.converter.rows, gbWalker.converter.rows);
    EXPECT_EQ(nesWalker.state, (DrawingState{0, 16, 0, 0, 2}));
    EXPECT_EQ(nesWalker.state, gbWalker.state);
    EXPECT_EQ(nesWalker.surface.At(10, 8), QBColor(0));  // tile 3, row 0, pixel 2: 0x65 and 0x6D
}

// Every length from 0 to 64 bytes and a few large ones, every start near the
// end, narrow to huge widths, both layouts: each walk returns at the end of
// the data having drawn exactly the rows whose two bytes lie in the image,
// in order. The image is an exact-size block, so a read outside it would
// trip the address sanitizer.
TEST(Walks, SweepOfLengthsStartsAndWidths)
{
    std::vector<int64_t> lengths(65);
    std::iota(lengths.begin(), lengths.end(), 0);
    lengths.insert(lengths.end(), {4096 + 7, int64_t{1} << 20, (int64_t{1} << 20) + 17});
    for (const int64_t length : lengths) {
        const std::vector<uint8_t> image = PositionBytes(static_cast<size_t>(length));
        std::vector<int64_t> starts;
        if (length <= 8192) starts.push_back(1);
        for (int64_t start = std::max<int64_t>(2, length - 40); start <= length + 3; ++start) starts.push_back(start);
        for (const int64_t start : starts) {
            // The rows that must be drawn, each as the bytes at its two positions.
            std::vector<std::pair<uint8_t, uint8_t>> gbRows, nesRows;
            const auto row = [](int64_t low, int64_t high) {
                return std::pair(static_cast<uint8_t>(low), static_cast<uint8_t>(high));
            };
            for (int64_t low = start; low + 1 <= length; low += 2) gbRows.push_back(row(low, low + 1));
            for (int64_t r = 0, low = start; low + 8 <= length; ++r, low = start + 16 * (r / 8) + r % 8)
                nesRows.push_back(row(low, low + 8));
            for (const int32_t width : {8, 9, 48, 1000, INT32_MAX}) {
                for (const bool nes : {false, true}) {
                    Walker walker(length);
                    walker.tilesperrow = width;
                    ASSERT_EQ(walker.Run(nes, start, image), WalkEnd::EndOfData) << length << " " << start;
                    ASSERT_EQ(walker.converter.rows, nes ? nesRows : gbRows)
                        << (nes ? "NES" : "GB") << " length " << length << " from " << start << " width " << width;
                }
            }
        }
    }
}

}  // namespace
