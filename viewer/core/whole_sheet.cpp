#include "whole_sheet.h"

#include "plain_row_converter.h"
#include "sheet_walks.h"

#include <limits>
#include <optional>
#include <new>

namespace {

// The sheet as the row drawing's pixel grid, with the never-drawn column 0,
// growing downwards: before each row the row drawing asks for the grid, and
// the grid then reaches to the end of the band that the row lies in. Rows
// below read back as the white background.
//
// The row drawing tells the four shades apart by black and white alone, so
// the grid holds the two system colours as codes of its own: the low two
// bits of every grid pixel are 3 minus the pixel value, which turns the
// grid into values without a test per pixel.
class SheetSurface final : public DrawingSurface {
public:
    // expectedRows: room to make at once, so that the grid seldom moves.
    SheetSurface(int64_t sheetWidth, int64_t expectedRows, const DrawingState& state)
        : stride_(sheetWidth + 1), state_(state)
    {
        if (static_cast<uint64_t>(expectedRows * stride_) < pixels_.max_size())
            pixels_.reserve(static_cast<size_t>(expectedRows * stride_));
    }

    // The row drawing writes the grid itself; these are for any other drawing.
    void PSet(float x, float y, Colour colour) override
    {
        const std::optional<uint32_t> pixel = Stored(colour);
        if (pixel && Inside(x, y) && Index(x, y) < pixels_.size()) pixels_[Index(x, y)] = *pixel;
    }
    Colour Point(float x, float y) override
    {
        if (!Inside(x, y)) return kNoColour;
        const size_t index = Index(x, y);
        return kSheetShades[3 - ((index < pixels_.size() ? pixels_[index] : kBackground) & 3)];
    }
    void Cls() override { pixels_.clear(); }

    PixelGrid Pixels() override
    {
        const int64_t rows = (state_.peny / 8 + 1) * 8;
        constexpr int64_t kMost = std::numeric_limits<int>::max();
        if (rows > kMost || stride_ > kMost || static_cast<uint64_t>(rows * stride_) > pixels_.max_size())
            throw std::bad_alloc();
        if (pixels_.size() < static_cast<size_t>(rows * stride_))
            pixels_.resize(static_cast<size_t>(rows * stride_), kBackground);
        return {pixels_.data(), static_cast<std::ptrdiff_t>(stride_), static_cast<int>(stride_),
                static_cast<int>(rows), kBlack, kButtonFace, kWorkspace};
    }

    // The pixel values of the first rows of the sheet, without column 0.
    void TakeValues(int64_t rows, std::vector<uint8_t>& values) const
    {
        values.assign(static_cast<size_t>(rows * (stride_ - 1)), 0);
        for (int64_t y = 0; y < rows && static_cast<size_t>((y + 1) * stride_) <= pixels_.size(); ++y) {
            const uint32_t* row = pixels_.data() + y * stride_ + 1;
            uint8_t* out = values.data() + y * (stride_ - 1);
            for (int64_t x = 0; x < stride_ - 1; ++x) out[x] = static_cast<uint8_t>(3 - (row[x] & 3));
        }
    }

private:
    // White and black read back as themselves (the same in either byte order).
    static constexpr uint32_t kBackground = QBColor(15);
    static constexpr uint32_t kButtonFace = 2;
    static constexpr uint32_t kWorkspace = 1;
    static constexpr uint32_t kBlack = QBColor(0);

    // What the grid holds for a colour; nothing for a colour that a sheet
    // doesn't show.
    static std::optional<uint32_t> Stored(Colour colour)
    {
        switch (colour) {
        case kHighlightTextColour:
        case QBColor(15): return kBackground;
        case kButtonFaceColour: return kButtonFace;
        case kAppWorkspaceColour: return kWorkspace;
        case QBColor(0): return kBlack;
        default: return std::nullopt;
        }
    }
    bool Inside(float x, float y) const { return x >= 0 && y >= 0 && x < static_cast<float>(stride_); }
    size_t Index(float x, float y) const
    {
        return static_cast<size_t>(static_cast<int64_t>(y) * stride_ + static_cast<int64_t>(x));
    }

    const int64_t stride_;
    const DrawingState& state_;
    std::vector<uint32_t> pixels_;
};

// The image's own length stands for the open file's, and no events wait.
class WholeImage final : public WalkControl {
public:
    explicit WholeImage(int64_t length) : length_(length) {}
    std::optional<int64_t> InputFileLength() override { return length_; }
    PumpTurn LetEventsRun() override { return PumpTurn::Skipped; }

private:
    const int64_t length_;
};

}  // namespace

bool DrawWholeSheet(const std::string& layouttag, std::span<const uint8_t> image, int32_t start,
                    int32_t tilesperrow, WholeSheet& sheet)
{
    sheet = WholeSheet{8 * static_cast<int64_t>(tilesperrow), 0, {}};
    DrawingState state;
    // Every row takes two bytes of the image, and a tile eight rows.
    const int64_t mostTiles = static_cast<int64_t>(image.size()) / 16 + 1;
    SheetSurface surface(sheet.width, 8 * ((mostTiles + tilesperrow - 1) / tilesperrow), state);
    PlainRowConverter converter;
    WholeImage control(static_cast<int64_t>(image.size()));
    const TileSheet tiles{surface, state, tilesperrow, converter};
    try {
        if (layouttag == "nes") {
            const std::string text = std::to_string(start);
            ShowNesTiles(WideText(text.begin(), text.end()), image, tiles, control);
        } else {
            ShowGbTiles(start, image, tiles, control);
        }
        const bool partBand = state.tilecol > 0 || state.rowintile > 0;
        sheet.height = 8 * (state.tileband + (partBand ? 1 : 0));
        surface.TakeValues(sheet.height, sheet.values);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
