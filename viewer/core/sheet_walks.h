// The sheet walks: through a file image from a start position to the end of
// its data, every tile row turned into its bit string and drawn, so that the
// rows fill the sheet's cells. Positions are 1-based: position p holds the
// file's byte p - 1, and an image of N bytes holds positions 1 to N.
#pragma once

#include "row_converter.h"
#include "tile_row_drawing.h"
#include "wide_text.h"

#include <cstdint>
#include <optional>
#include <span>

// What a turn of the event pump came to.
enum class PumpTurn {
    Skipped,  // too soon after the last turn that ran: nothing ran
    Ran,      // pending window events ran, and may have changed the file
    Stop,     // a newer walk replaced this one, or the program is ending
};

// The window's side of a running walk.
class WalkControl {
public:
    virtual ~WalkControl() = default;
    // The open input file's current length; nothing when it can't be asked,
    // which ends the walk. A walk asks when it starts, after every turn of
    // the pump that ran events, and when its position reaches the length it
    // knows, before it ends there: asking costs a system call, which at
    // every step would cost more than drawing the step's rows.
    virtual std::optional<int64_t> InputFileLength() = 0;
    // Lets pending window events run, once per step.
    virtual PumpTurn LetEventsRun() = 0;
};

// Where and with what the rows are drawn. tilesperrow is read at every row,
// so a new value applied during a walk takes effect at once.
struct TileSheet {
    DrawingSurface& surface;
    DrawingState& state;
    const int32_t& tilesperrow;
    RowConverter& converter;
};

enum class WalkEnd {
    EndOfData,         // the end test fired, or the next row lies beyond the image
    Stopped,           // replaced by a newer walk, or the program is ending
    ConversionFailed,  // the row converter failed; its Failure() says why
};

// The start value that a text in the offset box gives: its value, or 0 when
// that is no whole number within the 32-bit range, raised to at least 1.
// The fraction is kept.
double OffsetValue(WideTextView offsetText);

// The NES sheet: the start is the offset box's text as a whole number (halves
// to even), at least 1, read once here. Each step is one tile of 16 bytes:
// row r from positions p + r (low plane) and p + r + 8 (high plane).
WalkEnd ShowNesTiles(WideTextView offsetText, std::span<const uint8_t> nesimage, const TileSheet& sheet,
                     WalkControl& control);

// The GB sheet from the given start, used unchanged. Each step is nine rows
// of 18 bytes: row j from positions p + 2j and p + 2j + 1, so the cells are
// the 16-byte tiles from the start and a step may end inside a tile.
WalkEnd ShowGbTiles(int32_t start, std::span<const uint8_t> gbimage, const TileSheet& sheet, WalkControl& control);
