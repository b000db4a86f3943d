// The export's rearrangement over any bytes: the two directions undo each
// other, and a trailing partial tile passes unchanged.
#include "tile_conversion.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> source(data, size);
    std::vector<uint8_t> converted(size), back(size);
    for (TileConversion there : {TileConversion::NesToGb, TileConversion::GbToNes}) {
        const TileConversion home = there == TileConversion::NesToGb ? TileConversion::GbToNes : TileConversion::NesToGb;
        ConvertTiles(source, converted, there);
        ConvertTiles(converted, back, home);
        if (size && std::memcmp(back.data(), data, size) != 0) std::abort();
        const size_t tail = size % 16;
        if (tail && std::memcmp(converted.data() + size - tail, data + size - tail, tail) != 0) std::abort();
    }
    return 0;
}
