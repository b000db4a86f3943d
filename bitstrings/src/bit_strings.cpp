#include "bit_strings.h"

#include <array>

namespace bitstrings {
namespace {

using BitStringTable = std::array<std::array<OLECHAR, kBitsPerCode>, 256>;

constexpr BitStringTable MakeBitStringTable()
{
    BitStringTable table{};
    for (std::size_t code = 0; code < table.size(); ++code) {
        for (std::size_t bit = 0; bit < kBitsPerCode; ++bit) {
            table[code][bit] = ((code >> (kBitsPerCode - 1 - bit)) & 1) != 0 ? OLESTR('1') : OLESTR('0');
        }
    }
    return table;
}

constexpr BitStringTable kBitStrings = MakeBitStringTable();

}  // namespace

OleStringView BitStringOfCode(BYTE code)
{
    return {kBitStrings[code].data(), kBitsPerCode};
}

BYTE GroupValue(OleStringView group)
{
    unsigned value = 0;
    for (std::size_t bit = 0; bit < kBitsPerCode && bit < group.size(); ++bit) {
        value = (value << 1) | (group[bit] == OLESTR('1') ? 1U : 0U);
    }
    return static_cast<BYTE>(value);
}

}  // namespace bitstrings
