// A row converter for tests: makes the bit string itself, records every row's
// two bytes, and can be told to fail at a given row; and file images whose
// bytes name their positions, so that the recorded rows tell where they were
// taken from.
#pragma once

#include "row_converter.h"

#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class RecordingRowConverter : public RowConverter {
public:
    std::vector<std::pair<uint8_t, uint8_t>> rows;
    // The row (counted from 1) whose conversion fails; 0 for none.
    size_t failAtRow = 0;

    bool RowBits(uint8_t low, uint8_t high, std::u16string_view& bits) override
    {
        if (failAtRow != 0 && rows.size() + 1 == failAtRow) return false;
        rows.emplace_back(low, high);
        bits_.clear();
        for (uint8_t byte : {low, high})
            for (int bit = 7; bit >= 0; --bit) bits_.push_back((byte >> bit) & 1 ? u'1' : u'0');
        bits = bits_;
        return true;
    }

    std::u16string Failure() const override { return u"The test converter refused the row."; }

private:
    std::u16string bits_;
};

// An image whose byte at position p is p (mod 256).
inline std::vector<uint8_t> PositionBytes(size_t length)
{
    std::vector<uint8_t> bytes(length);
    std::iota(bytes.begin(), bytes.end(), uint8_t{1});
    return bytes;
}
