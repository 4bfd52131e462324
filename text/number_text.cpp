#include "text/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace spinchart {
namespace {

constexpr int maxPrintDigits = 15;
constexpr int maxReadDigits = 18;
constexpr int maxExponent = 9999;

// 10^n; exact in extended precision up to n = 27.
Extended powerOfTen(int n) {
    if (n <= 27) {
        Extended p = 1;
        for (int i = 0; i < n; ++i)
            p *= 10;
        return p;
    }
    return std::pow(static_cast<Extended>(10), static_cast<Extended>(n));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int digitInBase(char c, int base) {
    int d = -1;
    if (c >= '0' && c <= '9')
        d = c - '0';
    else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
    return d >= 0 && d < base ? d : -1;
}

// "&H1F", "&B101", "&O17", "&Q17", "&17": a whole number in base 16, 2 or 8,
// read as an unsigned pattern of at most 64 bits.
Extended readBasedNumber(std::string_view text, std::size_t i) {
    int base = 8;
    if (i < text.size()) {
        switch (text[i]) {
            case 'H':
            case 'h':
                base = 16;
                ++i;
                break;
            case 'B':
            case 'b':
                base = 2;
                ++i;
                break;
            case 'O':
            case 'o':
            case 'Q':
            case 'q':
                base = 8;
                ++i;
                break;
            default:
                break;
        }
    }
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int d = digitInBase(text[i], base);
        if (d < 0) break;
        if (value > (std::numeric_limits<std::uint64_t>::max() - static_cast<unsigned>(d)) /
                        static_cast<unsigned>(base)) {
            break;
        }
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    }
    return static_cast<Extended>(value);
}

}  // namespace

std::string printForm(Extended value) {
    char buffer[64];
    if (value == 0) return " 0 ";
    if (std::isnan(value)) return " NaN ";
    if (std::isinf(value)) return value < 0 ? "-Inf " : " Inf ";
    if (value == std::nearbyint(value) && std::fabs(value) < 1e15L) {
        return std::string(buffer, printFormInto(buffer, static_cast<std::int64_t>(value)));
    }

    // Significant digits and decimal exponent; the expansion is long enough
    // that only the 16th digit decides the rounding.
    std::snprintf(buffer, sizeof buffer, "%.30Le", std::fabs(value));
    char digits[32];
    int count = 0;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p) {
        if (isDigit(*p) && count < 31) digits[count++] = *p;
    }
    int exponent = *p == 'e' ? std::atoi(p + 1) : 0;

    // Round to 15 significant digits on the 16th: above 5 up, below 5 down,
    // exactly 5 to the even neighbour.
    const char decider = digits[maxPrintDigits];
    bool up = decider > '5' || (decider == '5' && ((digits[maxPrintDigits - 1] - '0') % 2 == 1));
    count = maxPrintDigits;
    if (up) {
        int k = count - 1;
        while (k >= 0 && digits[k] == '9')
            digits[k--] = '0';
        if (k >= 0) {
            ++digits[k];
        } else {
            std::memmove(digits + 1, digits, static_cast<std::size_t>(count - 1));
            digits[0] = '1';
            ++exponent;
        }
    }
    while (count > 1 && digits[count - 1] == '0')
        --count;

    std::string out;
    out.push_back(value < 0 ? '-' : ' ');
    const int placesAfterPoint = count - 1 - exponent;
    if (exponent >= maxPrintDigits || placesAfterPoint > maxPrintDigits) {
        out.push_back(digits[0]);
        if (count > 1) {
            out.push_back('.');
            out.append(digits + 1, static_cast<std::size_t>(count - 1));
        }
        out += exponent < 0 ? "E-" : "E+";
        out += std::to_string(exponent < 0 ? -exponent : exponent);
    } else if (exponent >= 0) {
        for (int k = 0; k <= exponent; ++k)
            out.push_back(k < count ? digits[k] : '0');
        if (count > exponent + 1) {
            out.push_back('.');
            out.append(digits + exponent + 1, static_cast<std::size_t>(count - exponent - 1));
        }
    } else {
        out.push_back('.');
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(digits, static_cast<std::size_t>(count));
    }
    out.push_back(' ');
    return out;
}

Extended leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n'))
        ++i;
    if (i < text.size() && text[i] == '&') return readBasedNumber(text, i + 1);

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // Mantissa of at most 18 significant digits; `scale` shifts its point.
    std::uint64_t mantissa = 0;
    int significant = 0;
    long scale = 0;
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !sawPoint) {
            sawPoint = true;
            continue;
        }
        if (!isDigit(c)) break;
        sawDigit = true;
        const int d = c - '0';
        if (significant < maxReadDigits) {
            if (mantissa == 0 && d == 0) {
                if (sawPoint) --scale;  // a leading zero after the point
                continue;
            }
            mantissa = mantissa * 10 + static_cast<unsigned>(d);
            ++significant;
            if (sawPoint) --scale;
        } else if (!sawPoint) {
            ++scale;  // digits beyond the 18th only shift the point
        }
    }
    if (!sawDigit) return 0;

    long exponent = 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        for (; j < text.size() && isDigit(text[j]); ++j) {
            exponent = exponent * 10 + (text[j] - '0');
            if (exponent > maxExponent) exponent = maxExponent;
        }
        if (negativeExponent) exponent = -exponent;
    }

    Extended result = static_cast<Extended>(mantissa);
    const long shift = scale + exponent;
    if (mantissa != 0 && shift != 0) {
        const Extended power = powerOfTen(static_cast<int>(shift < 0 ? -shift : shift));
        result = shift > 0 ? result * power : result / power;
    }
    return negative ? -result : result;
}

std::int32_t toInt32(Extended value) {
    if (std::isnan(value)) return std::numeric_limits<std::int32_t>::min();
    const Extended rounded = std::nearbyint(value);
    if (rounded < -2147483648.0L || rounded > 2147483647.0L) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(rounded);
}

Extended roundDecimals(Extended x, int n) {
    if (n > maxReadDigits) n = maxReadDigits;
    if (n < 0) n = 0;
    const Extended power = powerOfTen(n);
    return std::nearbyint(x * power) / power;
}

}  // namespace spinchart
