// The value of any text typed into the offset or tiles-per-row box, and its
// whole-number form: never a crash, and a whole number only within range.
#include "sheet_walks.h"
#include "text_value.h"

#include <cmath>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    const double value = TextValue(text);
    if (const auto whole = WholeNumber(value)) {
        if (std::fabs(static_cast<double>(*whole) - value) > 0.5) std::abort();
    }
    const double offset = OffsetValue(text);
    if (!(offset >= 1)) std::abort();
    return 0;
}
