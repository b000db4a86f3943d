// Drawing one tile row: eight pixels in four shades, and the drawing state
// that places every eight rows into one 8 x 8 tile cell and the cells into
// bands of tilesperrow cells.
#pragma once

#include "drawing_surface.h"
#include "wide_text.h"

#include <cstdint>

// Kept in 64 bits so that no file length or tiles-per-row value overflows it.
struct DrawingState {
    int64_t penx = 0;       // pixel column from which the current row is measured
    int64_t peny = 0;       // pixel row of the current row
    int64_t tilecol = 0;    // cell column of the current tile within its band
    int64_t rowintile = 0;  // rows of the current tile drawn so far, 0 to 7 between rows
    int64_t tileband = 0;   // band of the current tile

    friend bool operator==(const DrawingState&, const DrawingState&) = default;
};

// Draws the row bit string (characters 1 to 8 the first bit plane, 9 to 16 the
// second, leftmost pixel first) at x = penx + 1 ... penx + 8, y = peny, and
// moves the state on by one row. The first pass draws the first plane as
// black dots; the second reads each pixel back once and recolours it, so
// the picture underneath takes part: value 0 over black becomes button face,
// value 2 shows only over white. A group of four characters that is not made
// of 0 and 1 draws nothing and does not advance the pen.
void DrawTileRow(WideTextView bits, DrawingState& state, int64_t tilesperrow, DrawingSurface& surface);
