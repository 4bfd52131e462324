#pragma once
// Text forms of numbers and the reading of typed and stored numbers.
//
// Computations run in extended precision: `long double`, the 80-bit x87 format
// on x86-64 with a 64-bit significand and ties-to-even rounding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace spinchart {

using Extended = long double;

// Width of the field masks used by the reports.
enum class FieldMask { Width4 /* "* ##" */, Width5 /* "* ###" */, Width6 /* "* ####" */ };
int fieldWidth(FieldMask mask);

// Print form: a sign position (blank or minus), the digits (at most 15
// significant, exponent form beyond) and one trailing blank.
std::string printForm(Extended value);
// Fast path for whole numbers; writes into `out` (at least 24 bytes) and
// returns the number of bytes written.
std::size_t printFormInto(char* out, std::int64_t value);

// The value rounded to a whole number, right-aligned in a blank-filled field;
// wider values are written in full, a minus sign sits just left of the digits.
std::string formatField(Extended value, FieldMask mask);

// The number at the start of a text, 0 when there is none.
Extended leadingNumber(std::string_view text);

// Nearest signed 32-bit integer, ties to even; -2147483648 when out of range
// or undefined.
std::int32_t toInt32(Extended value);

// x rounded to n decimal places (n capped at 18), ties to even.
Extended roundDecimals(Extended x, int n);

}  // namespace spinchart
