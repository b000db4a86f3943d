#include "sheet_walks.h"

#include "text_value.h"

namespace {

// Where the rows of one step of a walk lie, relative to the step's start.
struct StepLayout {
    int64_t step;        // bytes per step
    int rows;            // rows per step
    int64_t rowStride;   // from one row's low-plane byte to the next row's
    int64_t highOffset;  // from a row's low-plane byte to its high-plane byte
};

constexpr StepLayout kNesStep{16, 8, 1, 8};
constexpr StepLayout kGbStep{18, 9, 2, 1};

// The end test at the file's current length comes first; then every row
// whose two positions lie within 1 to N is drawn in order, and the walk
// ends before the first row that doesn't.
WalkEnd Walk(int64_t start, std::span<const uint8_t> image, const StepLayout& layout, const TileSheet& sheet,
             WalkControl& control)
{
    const auto size = static_cast<int64_t>(image.size());
    WideTextView bits;
    std::optional<int64_t> length = control.InputFileLength();
    for (int64_t p = start;; p += layout.step) {
        if (length && p == *length) length = control.InputFileLength();
        if (!length || p == *length) return WalkEnd::EndOfData;
        switch (control.LetEventsRun()) {
        case PumpTurn::Stop: return WalkEnd::Stopped;
        case PumpTurn::Ran: length = control.InputFileLength(); break;
        case PumpTurn::Skipped: break;
        }
        for (int row = 0; row < layout.rows; ++row) {
            const int64_t low = p + row * layout.rowStride;
            const int64_t high = low + layout.highOffset;
            if (low < 1 || high > size) return WalkEnd::EndOfData;
            if (!sheet.converter.RowBits(image[low - 1], image[high - 1], bits)) return WalkEnd::ConversionFailed;
            DrawTileRow(bits, sheet.state, sheet.tilesperrow, sheet.surface);
        }
    }
}

}  // namespace

double OffsetValue(WideTextView offsetText)
{
    double value = TextValue(offsetText);
    if (!WholeNumber(value)) value = 0;
    return value < 1 ? 1 : value;
}

WalkEnd ShowNesTiles(WideTextView offsetText, std::span<const uint8_t> nesimage, const TileSheet& sheet,
                     WalkControl& control)
{
    const int32_t start = *WholeNumber(OffsetValue(offsetText));
    return Walk(start, nesimage, kNesStep, sheet, control);
}

WalkEnd ShowGbTiles(int32_t start, std::span<const uint8_t> gbimage, const TileSheet& sheet, WalkControl& control)
{
    return Walk(start, gbimage, kGbStep, sheet, control);
}
