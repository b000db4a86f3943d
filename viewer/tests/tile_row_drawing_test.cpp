// DrawTileRow on Picture1's surface: the four shades, what lies underneath,
// and how the drawing state moves through cells and bands.
#include "picture_box.h"
#include "raster_surface.h"
#include "tile_row_drawing.h"

#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>

namespace {

Colour AsColour(QRgb rgb) { return static_cast<Colour>(qRed(rgb) | qGreen(rgb) << 8 | qBlue(rgb) << 16); }

class RowDrawing : public ::testing::Test {
protected:
    PictureBox picture;
    DrawingState state{40, 20, 5, 0, 2};
    const Colour w = QBColor(15), b = QBColor(0);
    const Colour f = AsColour(picture.Shades().buttonFace), a = AsColour(picture.Shades().workspace);

    // The colours at x0 + 1 ... x0 + 8 of the row at y0.
    std::array<Colour, 8> Row(int x0 = 40, int y0 = 20)
    {
        std::array<Colour, 8> row;
        for (int j = 0; j < 8; ++j) row[j] = picture.Point(static_cast<float>(x0 + 1 + j), static_cast<float>(y0));
        return row;
    }
    void Draw(std::u16string_view bits) { DrawTileRow(bits, state, 48, picture); }
};

// A group of four characters that is no pattern draws nothing and keeps the
// pen, so the next group lands where it should have been; the next row is
// placed as usual whatever the bits.
TEST_F(RowDrawing, DrawsTheFourShadesAndSkipsGroupsThatAreNoPattern)
{
    const std::pair<std::u16string, std::array<Colour, 8>> cases[] = {
        {u"0011110001011010", {w, a, f, b, b, f, a, w}},  // bytes 60 and 90
        {u"1x0011110000000000", {f, f, f, f, w, w, w, w}}, {u"11111111x0000000", {f, f, f, f, b, b, b, b}},
        {u"1111", {b, b, b, b, w, w, w, w}},               {u"", {w, w, w, w, w, w, w, w}},
        {u"11111111111111110000", {b, b, b, b, b, b, b, b}}, {u"1000000000000001", {f, w, w, w, w, w, w, a}},
        {u"0000111100000000", {w, w, w, w, f, f, f, f}},
    };
    EXPECT_NE(f, a);
    for (const auto& [bits, row] : cases) {
        SCOPED_TRACE(std::string(bits.begin(), bits.end()));
        picture.Cls();
        state = {40, 20, 5, 0, 2};
        Draw(bits);
        EXPECT_EQ(Row(), row);
        EXPECT_EQ(picture.Point(40, 20), w) << "x0 itself is never drawn";
        EXPECT_EQ(picture.Point(49, 20), w) << "nor x0 + 9";
        EXPECT_EQ(state, (DrawingState{40, 21, 5, 1, 2}));
    }
}

TEST_F(RowDrawing, KeepsWhatLiesUnderneathExceptBlackAndWhite)
{
    // Underneath: black, black, a non-white background colour, and again.
    const Colour other = QBColor(14);
    const std::array<Colour, 4> under{b, b, other, other};
    for (int j = 0; j < 4; ++j) picture.PSet(static_cast<float>(41 + j), 20, under[j]);
    // Pixel values 0, 2, 0, 2 over them, then 1, 3 over white.
    Draw(u"0000110001010100");
    EXPECT_EQ(Row(), (std::array<Colour, 8>{f, b, other, other, f, b, w, w}));
    // On a background that is not white, values 1 and 3 come out as on white, 0 and 2 keep it.
    for (int j = 0; j < 4; ++j) picture.PSet(static_cast<float>(41 + j), 21, other);
    Draw(u"1010000000110000");
    EXPECT_EQ(Row(40, 21), (std::array<Colour, 8>{f, other, b, other, w, w, w, w}));
}

// A row drawn into the pixels in place still reaches the screen.
TEST(RowDrawingOnPicture1, RepaintsWhatItDrew)
{
    struct CountedPicture : PictureBox {
        int paints = 0;
        void paintEvent(QPaintEvent* event) override { ++paints; PictureBox::paintEvent(event); }
    } picture;
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    QTest::qWait(50);
    picture.paints = 0;
    DrawingState state;
    DrawTileRow(u"1111111111111111", state, 48, picture);
    EXPECT_TRUE(QTest::qWaitFor([&] { return picture.paints > 0; }, 2000));
}

TEST(RowDrawingState, MovesRowByRowTileByTileAndBandByBand)
{
    // Tiles per row, rows drawn, and the state after them.
    const std::tuple<int32_t, int, DrawingState> cases[] = {
        {8, 1, {0, 1, 0, 1, 0}},    {8, 8, {8, 0, 1, 0, 0}},    {8, 9, {8, 1, 1, 1, 0}},
        {8, 63, {56, 7, 7, 7, 0}},  {8, 64, {0, 8, 0, 0, 1}},   {8, 65, {0, 9, 0, 1, 1}},
        {48, 64, {64, 0, 8, 0, 0}}, {48, 384, {0, 8, 0, 0, 1}}, {48, 392, {8, 8, 1, 0, 1}},
    };
    for (const auto& [tilesperrow, calls, after] : cases) {
        RasterSurface surface(385, 321);
        DrawingState state;
        for (int call = 0; call < calls; ++call) DrawTileRow(u"1111111111111111", state, tilesperrow, surface);
        EXPECT_EQ(state, after) << tilesperrow << " per row, " << calls << " calls";
    }
}

TEST(RowDrawingState, NeverOverflowsWhateverTheWidthOrLength)
{
    RasterSurface surface(8, 8);
    const int32_t widest = std::numeric_limits<int32_t>::max();
    DrawingState state{8 * int64_t{widest - 1}, 7, widest - 1, 7, int64_t{1} << 40};
    DrawTileRow(u"1111111111111111", state, widest, surface);
    EXPECT_EQ(state, (DrawingState{0, 8 * ((int64_t{1} << 40) + 1), 0, 0, (int64_t{1} << 40) + 1}));
}

}  // namespace
