// The state of the window Form1, with its start values. The two images are
// sized to the file's length at load and never change afterwards.
#pragma once

#include "tile_row_drawing.h"

#include <cstdint>
#include <string>
#include <vector>

struct ViewerState {
    int32_t filenum = 0;      // number under which the input file stays open; 0 before load
    std::string filepath;     // path chosen in the open dialog
    double startoffset = 1;   // 1-based start position of the sheet, fraction kept
    int32_t tilesperrow = 48; // tile cells per band
    std::string layouttag;    // "nes", "gb", or empty when the extension isn't one of them
    std::vector<uint8_t> nesimage;  // the file when loaded as NES; zeros otherwise
    std::vector<uint8_t> gbimage;   // the file when loaded as GB; zeros otherwise
    DrawingState drawing;     // penx, peny, tilecol, rowintile, tileband
};
