#include "tile_row_drawing.h"

namespace {

constexpr Colour kBlack = QBColor(0);
constexpr Colour kWhite = QBColor(15);

// The group of four characters from offset as a pattern of four bits, place
// 1 the highest; -1 when it is not one of the sixteen patterns of 0 and 1
// (fewer than four characters left, or another character among them).
int GroupPattern(WideTextView bits, size_t offset)
{
    if (bits.size() < offset + 4) return -1;
    unsigned pattern = 0;
    bool other = false;
    for (size_t i = offset; i < offset + 4; ++i) {
        const unsigned digit = static_cast<unsigned>(bits[i]) - OLESTR('0');
        other |= digit > 1;
        pattern = pattern << 1 | (digit & 1);
    }
    return other ? -1 : static_cast<int>(pattern);
}

bool PlaceSet(int pattern, int k) { return (pattern >> (4 - k) & 1) != 0; }

// Every pixel through the surface's own PSet and Point.
class SurfaceCalls {
public:
    explicit SurfaceCalls(DrawingSurface& surface) : surface_(surface) {}
    void PSet(int64_t x, int64_t y, Colour colour)
    {
        surface_.PSet(static_cast<float>(x), static_cast<float>(y), colour);
    }
    Colour Point(int64_t x, int64_t y) { return surface_.Point(static_cast<float>(x), static_cast<float>(y)); }

private:
    DrawingSurface& surface_;
};

// Pixels read and written in the surface's grid in place, as its PSet and
// Point would: points outside are ignored and read as kNoColour. Only the
// three colours of a tile row are ever set.
class GridAccess {
public:
    explicit GridAccess(const PixelGrid& grid) : grid_(grid) {}
    void PSet(int64_t x, int64_t y, Colour colour)
    {
        uint32_t* pixel = At(x, y);
        if (!pixel) return;
        *pixel = colour == kBlack ? grid_.black : colour == kButtonFaceColour ? grid_.buttonFace : grid_.workspace;
        written_ = true;
    }
    Colour Point(int64_t x, int64_t y) const
    {
        const uint32_t* pixel = At(x, y);
        return pixel ? ColourOfGridPixel(*pixel) : kNoColour;
    }
    bool Written() const { return written_; }

private:
    uint32_t* At(int64_t x, int64_t y) const
    {
        if (x < 0 || y < 0 || x >= grid_.width || y >= grid_.height) return nullptr;
        return grid_.pixels + y * grid_.stride + x;
    }

    const PixelGrid& grid_;
    bool written_ = false;
};

// Steps 1 to 4 of a row past the row count: the first plane as black dots,
// then the second plane recolouring what each pixel reads back.
template <class Pixels>
void DrawPlanes(WideTextView bits, DrawingState& state, Pixels& pixels)
{
    const int64_t x0 = state.penx;
    const int64_t y0 = state.peny;
    for (size_t offset : {0u, 4u}) {
        const int pattern = GroupPattern(bits, offset);
        if (pattern < 0) continue;
        for (int k = 1; k <= 4; ++k)
            if (PlaceSet(pattern, k)) pixels.PSet(state.penx + k, state.peny, kBlack);
        state.penx += 4;
    }
    state.penx = x0;
    state.peny = y0;
    for (size_t offset : {8u, 12u}) {
        const int pattern = GroupPattern(bits, offset);
        if (pattern < 0) continue;
        for (int k = 1; k <= 4; ++k) {
            const int64_t x = state.penx + k;
            const Colour read = pixels.Point(x, state.peny);
            const bool set = PlaceSet(pattern, k);
            if (read == kBlack)
                pixels.PSet(x, state.peny, set ? kBlack : kButtonFaceColour);
            else if (read == kWhite && set)
                pixels.PSet(x, state.peny, kAppWorkspaceColour);
        }
        state.penx += 4;
    }
}

}  // namespace

void DrawTileRow(WideTextView bits, DrawingState& state, int64_t tilesperrow, DrawingSurface& surface)
{
    ++state.rowintile;
    const PixelGrid grid = surface.Pixels();
    if (!grid.pixels) {
        SurfaceCalls calls(surface);
        DrawPlanes(bits, state, calls);
    } else if (state.peny >= 0 && state.peny < grid.height) {
        // A row above or below the grid would neither draw nor read a pixel.
        GridAccess access(grid);
        DrawPlanes(bits, state, access);
        if (access.Written()) surface.PixelsWritten();
    }

    ++state.peny;
    if (state.rowintile == 8) {
        state.rowintile = 0;
        ++state.tilecol;
        if (state.tilecol == tilesperrow) {
            state.tilecol = 0;
            ++state.tileband;
        }
        state.peny = 8 * state.tileband;
    }
    state.penx = 8 * state.tilecol;
}
