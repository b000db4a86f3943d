// The sheet walks and the row drawing over any file image, from any start,
// with any tiles per row, while the file's length on disk may disagree with
// the image: every walk returns, never reads outside the image (the image is
// an exact-size heap block), and draws no more rows than the image holds.
#include "raster_surface.h"
#include "sheet_walks.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

class CountingConverter : public RowConverter {
public:
    bool RowBits(uint8_t low, uint8_t high, std::u16string_view& bits) override
    {
        ++rows;
        bits_.clear();
        for (uint8_t byte : {low, high})
            for (int bit = 7; bit >= 0; --bit) bits_.push_back(byte >> bit & 1 ? u'1' : u'0');
        bits = bits_;
        return true;
    }
    std::u16string Failure() const override { return {}; }
    long rows = 0;

private:
    std::u16string bits_;
};

class FixedLengthControl : public WalkControl {
public:
    explicit FixedLengthControl(int64_t length) : length_(length) {}
    std::optional<int64_t> InputFileLength() override { return length_; }
    PumpTurn LetEventsRun() override { return PumpTurn::Ran; }

private:
    int64_t length_;
};

template <typename T>
T Take(const uint8_t*& data, size_t& size)
{
    T value{};
    const size_t n = std::min(sizeof value, size);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto start = Take<int32_t>(data, size);
    const auto perRow = Take<int32_t>(data, size);
    const auto flags = Take<uint8_t>(data, size);
    const auto lengthShift = Take<int8_t>(data, size);
    const std::vector<uint8_t> image(data, data + size);
    const int32_t tilesperrow = std::max<int32_t>(8, perRow);
    const int64_t diskLength = (flags & 2) ? static_cast<int64_t>(size) + lengthShift : static_cast<int64_t>(size);

    RasterSurface surface(385, 321);
    DrawingState state;
    CountingConverter converter;
    FixedLengthControl control(diskLength);
    const TileSheet sheet{surface, state, tilesperrow, converter};
    if (flags & 1) {
        const std::string digits = std::to_string(start);
        ShowNesTiles(std::u16string(digits.begin(), digits.end()), image, sheet, control);
    } else {
        ShowGbTiles(start, image, sheet, control);
    }
    if (converter.rows > static_cast<long>(image.size() / 2)) std::abort();
    return 0;
}
