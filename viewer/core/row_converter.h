// Turning a tile row's two bytes into its sixteen-digit bit string.
#pragma once

#include "wide_text.h"

#include <cstdint>

class RowConverter {
public:
    virtual ~RowConverter() = default;

    // Points bits at the bit string of the two bytes, low-plane byte first
    // (eight digits per byte, most significant first), which stays valid
    // until the next call or the converter's end. Returns false on failure;
    // Failure() then says why, in words for the user.
    virtual bool RowBits(uint8_t low, uint8_t high, WideTextView& bits) = 0;
    virtual WideText Failure() const = 0;
};
