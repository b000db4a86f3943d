#include "tile_row_drawing.h"

namespace {

constexpr Colour kBlack = QBColor(0);
constexpr Colour kWhite = QBColor(15);

// The four characters from offset, fewer at the end, as a substring would
// give them; only four characters of 0 and 1 make a pattern.
bool IsPattern(WideTextView bits, size_t offset, WideTextView& group)
{
    group = offset < bits.size() ? bits.substr(offset, 4) : WideTextView{};
    if (group.size() != 4) return false;
    for (WCHAR c : group)
        if (c != OLESTR('0') && c != OLESTR('1')) return false;
    return true;
}

void DrawFirstPlane(WideTextView bits, DrawingState& state, DrawingSurface& surface)
{
    WideTextView group;
    for (size_t offset : {0u, 4u}) {
        if (!IsPattern(bits, offset, group)) continue;
        for (int k = 1; k <= 4; ++k)
            if (group[k - 1] == OLESTR('1'))
                surface.PSet(static_cast<float>(state.penx + k), static_cast<float>(state.peny), kBlack);
        state.penx += 4;
    }
}

void RecolourSecondPlane(WideTextView bits, DrawingState& state, DrawingSurface& surface)
{
    WideTextView group;
    for (size_t offset : {8u, 12u}) {
        if (!IsPattern(bits, offset, group)) continue;
        for (int k = 1; k <= 4; ++k) {
            const float x = static_cast<float>(state.penx + k);
            const float y = static_cast<float>(state.peny);
            const Colour read = surface.Point(x, y);
            const bool set = group[k - 1] == OLESTR('1');
            if (read == kBlack)
                surface.PSet(x, y, set ? kBlack : kButtonFaceColour);
            else if (read == kWhite && set)
                surface.PSet(x, y, kAppWorkspaceColour);
        }
        state.penx += 4;
    }
}

}  // namespace

void DrawTileRow(WideTextView bits, DrawingState& state, int64_t tilesperrow, DrawingSurface& surface)
{
    const int64_t x0 = state.penx;
    const int64_t y0 = state.peny;
    ++state.rowintile;
    DrawFirstPlane(bits, state, surface);
    state.penx = x0;
    state.peny = y0;
    RecolourSecondPlane(bits, state, surface);

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
