// Row bit strings made in place, digit for digit what GetStringBits of the
// component gives for the row's two characters, for a program that draws
// without the component.
#pragma once

#include "row_converter.h"

#include <array>

class PlainRowConverter final : public RowConverter {
public:
    bool RowBits(uint8_t low, uint8_t high, WideTextView& bits) override;
    // Making the digits can't fail.
    WideText Failure() const override { return {}; }

private:
    std::array<WCHAR, 16> digits_{};
};
