#pragma once
// Text forms of numbers and the reading of typed and stored numbers.
//
// Computations run in extended precision: `long double`, the 80-bit x87 format
// on x86-64 with a 64-bit significand and ties-to-even rounding.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace spinchart {

using Extended = long double;

// Room for the text of any whole number: a sign, up to 20 digits and a blank.
inline constexpr std::size_t wholeNumberBytes = 24;

// The magnitude as unsigned, so that the most negative value is safe.
inline std::uint64_t magnitudeOf(std::int64_t value) {
    return value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
}

// Print form: a sign position (blank or minus), the digits (at most 15
// significant, exponent form beyond) and one trailing blank.
std::string printForm(Extended value);

// Writes the decimal digits of `magnitude` so that they end just before
// `end`; returns where they start.
inline char* putDigitsBefore(char* end, std::uint64_t magnitude) {
    do {
        *--end = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    return end;
}

// The print form of a whole number, written into `out` (wholeNumberBytes);
// returns the number of bytes written. Inline: the reports write one or two
// per spin.
inline std::size_t printFormInto(char* out, std::int64_t value) {
    const std::uint64_t magnitude = magnitudeOf(value);
    std::size_t digits = 1;
    for (std::uint64_t rest = magnitude; rest >= 10; rest /= 10)
        ++digits;
    out[0] = value < 0 ? '-' : ' ';
    putDigitsBefore(out + 1 + digits, magnitude);
    out[1 + digits] = ' ';
    return digits + 2;
}

// A whole number right-aligned in a blank-filled field of `width` (4, 5 and
// 6 for the masks "* ##", "* ###" and "* ####"): a wider value is written in
// full, a minus sign sits just left of the digits. Written at `out` (width +
// wholeNumberBytes); returns the end.
inline char* formatField(char* out, std::int64_t value, int width) {
    char text[wholeNumberBytes];
    char* const end = text + sizeof text;
    char* first = putDigitsBefore(end, magnitudeOf(value));
    if (value < 0) *--first = '-';
    for (auto k = end - first; k < width; ++k)
        *out++ = ' ';
    std::memcpy(out, first, static_cast<std::size_t>(end - first));
    return out + (end - first);
}

// The number at the start of a text, 0 when there is none.
Extended leadingNumber(std::string_view text);

// Nearest signed 32-bit integer, ties to even; -2147483648 when out of range
// or undefined.
std::int32_t toInt32(Extended value);

// x rounded to n decimal places (n capped at 18), ties to even.
Extended roundDecimals(Extended x, int n);

}  // namespace spinchart
