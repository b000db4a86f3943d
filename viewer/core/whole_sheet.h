// The whole tile sheet of a file image, drawn by the sheet walks and the row
// drawing exactly as the window draws it, but not cut at the window's
// picture: every band down to the last row drawn, tilesperrow cells wide.
// Pixel column 0, which the row drawing never draws, is left out, so that
// the sheet's cells start at x = 0.
#pragma once

#include "drawing_surface.h"
#include "system_shades.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The shades of the pixel values 0 to 3 as 0x00BBGGRR: the window's white
// background and black, and for the two system colours the classic scheme's
// values, which the window falls back on as well.
inline constexpr std::array<Colour, 4> kSheetShades{QBColor(15), kClassicButtonFace, kClassicWorkspace, QBColor(0)};

struct WholeSheet {
    int64_t width = 0;   // 8 x tilesperrow
    int64_t height = 0;  // 8 x the bands that hold a row drawn; 0 when nothing was drawn
    std::vector<uint8_t> values;  // pixel value 0 to 3 of each pixel, row by row from the top
};

// Walks image in the layout of layouttag ("nes" or "gb") from the 1-based
// position start with tilesperrow cells to a band, as the window does after
// its offset and tiles-per-row commands, each row's bits made in place.
// Cells and rows that no row reached keep the value 0. False when there is
// not enough memory for the sheet.
bool DrawWholeSheet(const std::string& layouttag, std::span<const uint8_t> image, int32_t start,
                    int32_t tilesperrow, WholeSheet& sheet);
