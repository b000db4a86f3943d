// The conversions between 8-bit codes and bit strings: eight characters
// '0' or '1', most significant bit first.
#pragma once

#include "ole_string.h"

#include <cstddef>

namespace bitstrings {

inline constexpr std::size_t kBitsPerCode = 8;

// The prepared bit string of a code: a view into a table of 256 entries.
OleStringView BitStringOfCode(BYTE code);

// The value of a group of up to eight characters: the weights of the
// positions that hold exactly '1'; any other character counts as a 0 bit.
// A shorter group reads as if padded with '0' on the left.
BYTE GroupValue(OleStringView group);

}  // namespace bitstrings
