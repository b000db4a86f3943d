#include "text_value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool IsSkipped(WCHAR c) { return c == OLESTR(' ') || c == OLESTR('\t') || c == OLESTR('\n'); }
bool IsDigit(WCHAR c) { return c >= OLESTR('0') && c <= OLESTR('9'); }

int DigitValue(WCHAR c)
{
    if (IsDigit(c)) return c - OLESTR('0');
    if (c >= OLESTR('a') && c <= OLESTR('f')) return c - OLESTR('a') + 10;
    if (c >= OLESTR('A') && c <= OLESTR('F')) return c - OLESTR('A') + 10;
    return 99;
}

// Digits of the given base after an &H or &O prefix.
double RadixValue(WideTextView digits, int base)
{
    double value = 0;
    for (WCHAR c : digits) {
        const int digit = DigitValue(c);
        if (digit >= base) break;
        value = value * base + digit;
    }
    return value;
}

// The leading decimal number of a text already free of blanks, as plain
// ASCII for from_chars (sign apart), with the decimal exponent of its first
// significant digit: that tells overflow from underflow when the value lies
// outside the range of a double.
struct DecimalText {
    std::string ascii;
    bool negative = false;
    int64_t decimalExponent = 0;
};

DecimalText ScanDecimal(WideTextView text)
{
    DecimalText number;
    size_t i = 0;
    if (i < text.size() && (text[i] == OLESTR('+') || text[i] == OLESTR('-')))
        number.negative = text[i++] == OLESTR('-');
    bool seenPoint = false;
    bool seenDigit = false;
    bool significant = false;
    int64_t magnitude = 0;  // decimal places of the first significant digit
    for (; i < text.size(); ++i) {
        const WCHAR c = text[i];
        if (c == OLESTR('.') && !seenPoint) {
            seenPoint = true;
        } else if (IsDigit(c)) {
            seenDigit = true;
            if (c != OLESTR('0')) significant = true;
            if (!seenPoint && significant) ++magnitude;
            if (seenPoint && !significant) --magnitude;
        } else {
            break;
        }
        number.ascii.push_back(static_cast<char>(c));
    }
    if (!seenDigit) return {};
    if (i + 1 < text.size() && (text[i] == OLESTR('E') || text[i] == OLESTR('e'))) {
        size_t j = i + 1;
        bool negativeExponent = false;
        if (text[j] == OLESTR('+') || text[j] == OLESTR('-')) negativeExponent = text[j++] == OLESTR('-');
        if (j < text.size() && IsDigit(text[j])) {
            number.ascii.push_back('e');
            if (negativeExponent) number.ascii.push_back('-');
            int64_t exponent = 0;
            for (; j < text.size() && IsDigit(text[j]); ++j) {
                number.ascii.push_back(static_cast<char>(text[j]));
                exponent = std::min<int64_t>(exponent * 10 + (text[j] - OLESTR('0')), 1'000'000);
            }
            magnitude += negativeExponent ? -exponent : exponent;
        }
    }
    number.decimalExponent = magnitude;
    return number;
}

}  // namespace

double TextValue(WideTextView text)
{
    WideText compact;
    compact.reserve(text.size());
    for (WCHAR c : text)
        if (!IsSkipped(c)) compact.push_back(c);

    if (compact.size() >= 2 && compact[0] == OLESTR('&')) {
        const WideTextView digits = WideTextView(compact).substr(2);
        if (compact[1] == OLESTR('H') || compact[1] == OLESTR('h')) return RadixValue(digits, 16);
        if (compact[1] == OLESTR('O') || compact[1] == OLESTR('o')) return RadixValue(digits, 8);
        return 0;
    }

    const DecimalText number = ScanDecimal(compact);
    if (number.ascii.empty()) return 0;
    double value = 0;
    const auto [end, error] = std::from_chars(number.ascii.data(), number.ascii.data() + number.ascii.size(), value);
    if (error == std::errc::result_out_of_range)
        value = number.decimalExponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return number.negative ? -value : value;
}

std::optional<int32_t> WholeNumber(double value)
{
    if (!std::isfinite(value)) return std::nullopt;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (whole < std::numeric_limits<int32_t>::min() || whole > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(whole);
}
