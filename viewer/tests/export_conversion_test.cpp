// The rearrangement of tile bytes between the NES and the Game Boy layout;
// the exact bytes of one tile both ways are checked through the export click.
#include "tile_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Convert(const Bytes& source, TileConversion conversion)
{
    Bytes output(source.size(), 0xEE);
    ConvertTiles(source, output, conversion);
    return output;
}

Bytes RandomBytes(std::size_t size, unsigned randomSeed)
{
    std::mt19937 random(randomSeed);
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Each complete tile follows the layouts' row and plane positions; a partial
// trailing group is copied as it is.
TEST(ConvertTiles, RearrangesCompleteTilesAndCopiesTheRest)
{
    for (const std::size_t size : {0u, 15u, 16u, 20u, 32u, 1000u}) {
        SCOPED_TRACE(size);
        const Bytes source = RandomBytes(size, static_cast<unsigned>(size));
        Bytes gb = source, nes = source;
        for (std::size_t s = 0; s + 16 <= size; s += 16)
            for (std::size_t row = 0; row < 8; ++row) {
                gb[s + 2 * row] = source[s + row];
                gb[s + 2 * row + 1] = source[s + 8 + row];
                nes[s + row] = source[s + 2 * row];
                nes[s + 8 + row] = source[s + 2 * row + 1];
            }
        EXPECT_EQ(Convert(source, TileConversion::NesToGb), gb);
        EXPECT_EQ(Convert(source, TileConversion::GbToNes), nes);
    }
}

TEST(ConvertTiles, DirectionsUndoEachOther)
{
    const Bytes source = RandomBytes(4099, 7);
    EXPECT_EQ(Convert(Convert(source, TileConversion::NesToGb), TileConversion::GbToNes), source);
    EXPECT_EQ(Convert(Convert(source, TileConversion::GbToNes), TileConversion::NesToGb), source);
}

// Groups count from the first byte: a 16-byte header is rearranged like a
// tile and the tiles after it stay whole; a header of another length cuts
// the tiles across groups.
TEST(ConvertTiles, GroupsStartAtTheFirstByteWhateverPrecedesTheTiles)
{
    const Bytes tiles = RandomBytes(64, 3);
    const Bytes convertedTiles = Convert(tiles, TileConversion::NesToGb);
    for (const std::size_t headerSize : {16u, 4u}) {
        SCOPED_TRACE(headerSize);
        Bytes file = RandomBytes(headerSize, 5);
        file.insert(file.end(), tiles.begin(), tiles.end());
        const Bytes converted = Convert(file, TileConversion::NesToGb);
        const bool tilesWhole = std::equal(convertedTiles.begin(), convertedTiles.end(),
                                           converted.begin() + static_cast<std::ptrdiff_t>(headerSize));
        EXPECT_EQ(tilesWhole, headerSize == 16);
    }
}

}  // namespace
