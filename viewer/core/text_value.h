// Numbers typed into the window's text boxes: the numeric value of a text and
// its whole-number form.
#pragma once

#include "wide_text.h"

#include <cstdint>
#include <optional>

// The numeric value of a text. Blanks, tabs and line feeds anywhere are
// skipped; then the longest leading number is read: an optional sign, digits
// with at most one decimal point (always the full stop, whatever the locale)
// and an optional exponent after E or e; a leading &H reads hexadecimal
// digits, a leading &O octal digits. A text without a leading number is 0.
double TextValue(WideTextView text);

// The whole number nearest to value, a half going to the even neighbour
// (2.5 gives 2, 3.5 gives 4); nothing for NaN, infinities and results outside
// the 32-bit signed range.
std::optional<int32_t> WholeNumber(double value);
