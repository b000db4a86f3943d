#include "plain_row_converter.h"

bool PlainRowConverter::RowBits(uint8_t low, uint8_t high, WideTextView& bits)
{
    for (int bit = 0; bit < 8; ++bit) {
        digits_[static_cast<size_t>(bit)] = static_cast<WCHAR>(OLESTR('0') + (low >> (7 - bit) & 1));
        digits_[static_cast<size_t>(8 + bit)] = static_cast<WCHAR>(OLESTR('0') + (high >> (7 - bit) & 1));
    }
    bits = WideTextView(digits_.data(), digits_.size());
    return true;
}
