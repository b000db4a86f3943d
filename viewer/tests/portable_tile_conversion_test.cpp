// The tile rearrangement as a build without SSE2 has it (the 32-bit Windows
// program): this test's copy of the conversion is compiled without SSE2, and
// must export the shared tile files byte for byte as expected, and back.
#include "tile_conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(PortableTileConversion, ExportsTheSharedTileFilesByteForByteAndBack)
{
    const fs::path testdata = TILEBRIDGE_TESTDATA;
    int files = 0;
    for (const char* subfolder : {"nes", "gb", "rom"}) {
        for (const auto& entry : fs::directory_iterator(testdata / subfolder)) {
            const bool nes = entry.path().extension() == ".nes";
            const Bytes original = ReadBytes(entry.path());
            Bytes converted(original.size()), back(original.size());
            ConvertTiles(original, converted, nes ? TileConversion::NesToGb : TileConversion::GbToNes);
            ConvertTiles(converted, back, nes ? TileConversion::GbToNes : TileConversion::NesToGb);
            const std::string expected = entry.path().filename().string() + (nes ? ".exported.gb" : ".exported.nes");
            EXPECT_EQ(converted, ReadBytes(testdata / "expected" / expected)) << entry.path();
            EXPECT_EQ(back, original) << entry.path();
            ++files;
        }
    }
    EXPECT_EQ(files, 8);
}

}  // namespace
