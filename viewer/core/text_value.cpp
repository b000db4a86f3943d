#include "text_value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool IsSkipped(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int DigitValue(char16_t c)
{
    if (IsDigit(c)) return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return 99;
}

// Digits of the given base after an &H or &O prefix.
double RadixValue(std::u16string_view digits, int base)
{
    double value = 0;
    for (char16_t c : digits) {
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

DecimalText ScanDecimal(std::u16string_view text)
{
    DecimalText number;
    size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) number.negative = text[i++] == u'-';
    bool seenPoint = false;
    bool seenDigit = false;
    bool significant = false;
    int64_t magnitude = 0;  // decimal places of the first significant digit
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else if (IsDigit(c)) {
            seenDigit = true;
            if (c != u'0') significant = true;
            if (!seenPoint && significant) ++magnitude;
            if (seenPoint && !significant) --magnitude;
        } else {
            break;
        }
        number.ascii.push_back(static_cast<char>(c));
    }
    if (!seenDigit) return {};
    if (i + 1 < text.size() && (text[i] == u'E' || text[i] == u'e')) {
        size_t j = i + 1;
        bool negativeExponent = false;
        if (text[j] == u'+' || text[j] == u'-') negativeExponent = text[j++] == u'-';
        if (j < text.size() && IsDigit(text[j])) {
            number.ascii.push_back('e');
            if (negativeExponent) number.ascii.push_back('-');
            int64_t exponent = 0;
            for (; j < text.size() && IsDigit(text[j]); ++j) {
                number.ascii.push_back(static_cast<char>(text[j]));
                exponent = std::min<int64_t>(exponent * 10 + (text[j] - u'0'), 1'000'000);
            }
            magnitude += negativeExponent ? -exponent : exponent;
        }
    }
    number.decimalExponent = magnitude;
    return number;
}

}  // namespace

double TextValue(std::u16string_view text)
{
    std::u16string compact;
    compact.reserve(text.size());
    for (char16_t c : text)
        if (!IsSkipped(c)) compact.push_back(c);

    if (compact.size() >= 2 && compact[0] == u'&') {
        if (compact[1] == u'H' || compact[1] == u'h') return RadixValue(std::u16string_view(compact).substr(2), 16);
        if (compact[1] == u'O' || compact[1] == u'o') return RadixValue(std::u16string_view(compact).substr(2), 8);
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
