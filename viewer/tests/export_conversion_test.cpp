// The rearrangement of tile bytes between the NES and the Game Boy layout.
#include "tile_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
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
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(random));
    return bytes;
}

TEST(ConvertTiles, RearrangesOneTileBothWays)
{
    Bytes tile(16);
    std::iota(tile.begin(), tile.end(), std::uint8_t{1});
    EXPECT_EQ(Convert(tile, TileConversion::NesToGb),
              (Bytes{0x01, 0x09, 0x02, 0x0A, 0x03, 0x0B, 0x04, 0x0C, 0x05, 0x0D, 0x06, 0x0E, 0x07, 0x0F, 0x08, 0x10}));
    EXPECT_EQ(Convert(tile, TileConversion::GbToNes),
              (Bytes{0x01, 0x03, 0x05, 0x07, 0x09, 0x0B, 0x0D, 0x0F, 0x02, 0x04, 0x06, 0x08, 0x0A, 0x0C, 0x0E, 0x10}));
}

// Each complete tile follows the layouts' row and plane positions; a partial
// trailing group is copied as it is.
TEST(ConvertTiles, RearrangesCompleteTilesAndCopiesTheRest)
{
    for (const std::size_t size : {0u, 15u, 16u, 20u, 32u, 1000u}) {
        SCOPED_TRACE(size);
        const Bytes source = RandomBytes(size, static_cast<unsigned>(size));
        const Bytes gb = Convert(source, TileConversion::NesToGb);
        const Bytes nes = Convert(source, TileConversion::GbToNes);
        const std::size_t tileBytes = size / 16 * 16;
        for (std::size_t s = 0; s < tileBytes; s += 16) {
            for (std::size_t row = 0; row < 8; ++row) {
                EXPECT_EQ(gb[s + 2 * row], source[s + row]);
                EXPECT_EQ(gb[s + 2 * row + 1], source[s + 8 + row]);
                EXPECT_EQ(nes[s + row], source[s + 2 * row]);
                EXPECT_EQ(nes[s + 8 + row], source[s + 2 * row + 1]);
            }
        }
        EXPECT_TRUE(std::equal(source.begin() + static_cast<std::ptrdiff_t>(tileBytes), source.end(),
                               gb.begin() + static_cast<std::ptrdiff_t>(tileBytes)));
        EXPECT_TRUE(std::equal(source.begin() + static_cast<std::ptrdiff_t>(tileBytes), source.end(),
                               nes.begin() + static_cast<std::ptrdiff_t>(tileBytes)));
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
    for (const std::size_t headerSize : {16u, 4u}) {
        SCOPED_TRACE(headerSize);
        const Bytes header = RandomBytes(headerSize, 5);
        Bytes file = header;
        file.insert(file.end(), tiles.begin(), tiles.end());
        const Bytes converted = Convert(file, TileConversion::NesToGb);
        const Bytes convertedTiles = Convert(tiles, TileConversion::NesToGb);
        const bool tilesWhole =
            std::equal(convertedTiles.begin(), convertedTiles.end(),
                       converted.begin() + static_cast<std::ptrdiff_t>(headerSize));
        EXPECT_EQ(tilesWhole, headerSize == 16);
    }
}

}  // namespace
