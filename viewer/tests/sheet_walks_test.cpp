// The sheet walks with a recording converter: which positions make each row,
// where a walk starts, and where it ends.
#include "raster_surface.h"
#include "recording_row_converter.h"
#include "sheet_walks.h"
#include "text_value.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <vector>

namespace {

using Rows = std::vector<std::pair<uint8_t, uint8_t>>;

// An image whose byte at position p is p (mod 256), so a row's bytes name
// the positions it was made of.
std::vector<uint8_t> PositionImage(size_t length)
{
    std::vector<uint8_t> image(length);
    std::iota(image.begin(), image.end(), uint8_t{1});
    return image;
}

class FakeControl : public WalkControl {
public:
    explicit FakeControl(int64_t length) : length_(length) {}

    // Lengths for the coming steps, before the steady length applies.
    std::deque<std::optional<int64_t>> lengths;
    long pumps = 0;
    long lengthQuestions = 0;
    long stopAtPump = 0;

    std::optional<int64_t> InputFileLength() override
    {
        ++lengthQuestions;
        if (lengths.empty()) return length_;
        const std::optional<int64_t> next = lengths.front();
        lengths.pop_front();
        return next;
    }
    bool LetEventsRun() override { return ++pumps != stopAtPump; }

private:
    int64_t length_;
};

struct Walker {
    RasterSurface surface{385, 321};
    DrawingState state;
    int32_t tilesperrow = 48;
    RecordingRowConverter converter;
    TileSheet sheet{surface, state, tilesperrow, converter};
};

TEST(NesWalk, StartsAtTheOffsetBoxRoundedHalfToEvenAndAtLeast1)
{
    const std::pair<std::u16string, int> cases[] = {
        {u"", 1},    {u"1", 1},   {u"0", 1},   {u"abc", 1},  {u"-5", 1},  {u"1.9", 2},          {u"2.5", 2},
        {u"3.5", 4}, {u"0.6", 1}, {u"17", 17}, {u"&H11", 17}, {u"3e9", 1}, {u"2147483647.6", 1},
    };
    const std::vector<uint8_t> image = PositionImage(64);
    for (const auto& [text, start] : cases) {
        Walker walker;
        FakeControl control(64);
        ShowNesTiles(text, image, walker.sheet, control);
        // Row r of the first tile from positions start + r and start + r + 8.
        ASSERT_GE(walker.converter.rows.size(), 8u);
        for (int r = 0; r < 8; ++r)
            EXPECT_EQ(walker.converter.rows[r], std::pair(uint8_t(start + r), uint8_t(start + r + 8)));
        EXPECT_EQ(*WholeNumber(OffsetValue(text)), start);
    }
}

TEST(GbWalk, RowsAreConsecutivePairsAndStepsAreNineRows)
{
    const std::vector<uint8_t> image = PositionImage(100);
    Walker walker;
    FakeControl control(100);
    ShowGbTiles(1, image, walker.sheet, control);
    const Rows& rows = walker.converter.rows;
    ASSERT_GE(rows.size(), 10u);
    EXPECT_EQ(rows[0], std::pair(uint8_t(1), uint8_t(2)));
    EXPECT_EQ(rows[8], std::pair(uint8_t(17), uint8_t(18)));
    EXPECT_EQ(rows[9], std::pair(uint8_t(19), uint8_t(20)));
    // Five full steps (90 bytes), then five rows of the sixth, up to position 100.
    EXPECT_EQ(rows.size(), 50u);
    EXPECT_EQ(control.pumps, 6);
}

struct EndCase {
    bool nes;
    int32_t start;
    int64_t length;
    size_t rows;
    long pumps;
};

TEST(Walks, EndAtTheEndOfTheData)
{
    const EndCase cases[] = {
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
    for (const EndCase& c : cases) {
        const std::vector<uint8_t> image = PositionImage(static_cast<size_t>(c.length));
        Walker walker;
        FakeControl control(c.length);
        const std::string start = std::to_string(c.start);
        const WalkEnd end = c.nes ? ShowNesTiles(std::u16string(start.begin(), start.end()), image, walker.sheet, control)
                                  : ShowGbTiles(c.start, image, walker.sheet, control);
        EXPECT_EQ(end, WalkEnd::EndOfData);
        EXPECT_EQ(walker.converter.rows.size(), c.rows) << c.nes << " from " << c.start << " of " << c.length;
        EXPECT_EQ(control.pumps, c.pumps) << c.nes << " from " << c.start << " of " << c.length;
    }
}

TEST(Walks, AskTheFileLengthAtEveryStepAndNeverReadBeyondTheImage)
{
    struct LengthCase {
        std::deque<std::optional<int64_t>> lengths;  // for the first steps
        int64_t steady;                              // for the later ones
        size_t rows;
        long questions;
    };
    const LengthCase cases[] = {
        {{}, 19, 9, 2},               // the file shrank on disk: the end test fires after one step
        {{}, 1000, 18, 3},            // it grew: the walk still ends with the image's last whole row
        {{100, 19}, 37, 9, 2},        // asked anew at every step
        {{std::nullopt}, 37, 0, 1},   // a length that can't be asked ends the walk
    };
    const std::vector<uint8_t> image = PositionImage(37);
    for (const LengthCase& c : cases) {
        Walker walker;
        FakeControl control(c.steady);
        control.lengths = c.lengths;
        EXPECT_EQ(ShowGbTiles(1, image, walker.sheet, control), WalkEnd::EndOfData);
        EXPECT_EQ(walker.converter.rows.size(), c.rows) << c.steady;
        EXPECT_EQ(control.lengthQuestions, c.questions) << c.steady;
    }
}

TEST(Walks, StopWhenTheEventPumpSaysSoOrTheConverterFails)
{
    const std::vector<uint8_t> image = PositionImage(200);
    {
        Walker walker;
        FakeControl control(200);
        control.stopAtPump = 2;
        EXPECT_EQ(ShowGbTiles(1, image, walker.sheet, control), WalkEnd::Stopped);
        EXPECT_EQ(walker.converter.rows.size(), 9u);
    }
    {
        Walker walker;
        FakeControl control(200);
        walker.converter.failAtRow = 3;
        EXPECT_EQ(ShowNesTiles(u"", image, walker.sheet, control), WalkEnd::ConversionFailed);
        EXPECT_EQ(walker.converter.rows.size(), 2u);
    }
}

TEST(Walks, BothLayoutsDrawTheSameTilesIntoTheSameCells)
{
    std::vector<uint8_t> nes(64);
    std::iota(nes.begin(), nes.end(), uint8_t{0x35});
    std::vector<uint8_t> gb(64);
    for (size_t tile = 0; tile < 64; tile += 16)
        for (size_t row = 0; row < 8; ++row) {
            gb[tile + 2 * row] = nes[tile + row];
            gb[tile + 2 * row + 1] = nes[tile + row + 8];
        }
    Walker nesWalker;
    Walker gbWalker;
    nesWalker.tilesperrow = gbWalker.tilesperrow = 2;
    FakeControl control(64);
    ShowNesTiles(u"", nes, nesWalker.sheet, control);
    ShowGbTiles(1, gb, gbWalker.sheet, control);
    EXPECT_EQ(nesWalker.converter.rows, gbWalker.converter.rows);
    EXPECT_EQ(nesWalker.state, (DrawingState{0, 16, 0, 0, 2}));
    EXPECT_EQ(nesWalker.state, gbWalker.state);
    EXPECT_EQ(nesWalker.surface.At(10, 8), QBColor(0));  // tile 3, row 0, pixel 2: 0x65 and 0x6D
}

}  // namespace

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
        const std::vector<uint8_t> image = PositionImage(static_cast<size_t>(length));
        std::vector<int64_t> starts;
        if (length <= 8192) starts.push_back(1);
        for (int64_t start = std::max<int64_t>(2, length - 40); start <= length + 3; ++start) starts.push_back(start);
        for (const int64_t start : starts) {
            // The rows that must be drawn, each as the positions of its two bytes.
            std::vector<std::pair<int64_t, int64_t>> gbRows, nesRows;
            for (int64_t low = start; low + 1 <= length; low += 2) gbRows.emplace_back(low, low + 1);
            for (int64_t row = 0;; ++row) {
                const int64_t low = start + 16 * (row / 8) + row % 8;
                if (low + 8 > length) break;
                nesRows.emplace_back(low, low + 8);
            }
            for (const int32_t width : {8, 9, 48, 1000, INT32_MAX}) {
                for (const bool nes : {false, true}) {
                    Walker walker;
                    walker.tilesperrow = width;
                    FakeControl control(length);
                    const std::string text = std::to_string(start);
                    const WalkEnd end = nes ? ShowNesTiles(std::u16string(text.begin(), text.end()), image,
                                                           walker.sheet, control)
                                            : ShowGbTiles(static_cast<int32_t>(start), image, walker.sheet, control);
                    ASSERT_EQ(end, WalkEnd::EndOfData) << length << " " << start;
                    const auto& expected = nes ? nesRows : gbRows;
                    ASSERT_EQ(walker.converter.rows.size(), expected.size())
                        << (nes ? "NES" : "GB") << " length " << length << " from " << start;
                    for (size_t i = 0; i < expected.size(); ++i) {
                        ASSERT_EQ(walker.converter.rows[i],
                                  std::make_pair(static_cast<uint8_t>(expected[i].first),
                                                 static_cast<uint8_t>(expected[i].second)));
                    }
                }
            }
        }
    }
}
