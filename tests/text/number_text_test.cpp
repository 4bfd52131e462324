#include "text/number_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string_view>

namespace spinchart {
namespace {

TEST(PrintForm, SignDigitsAndTrailingBlank) {
    struct Case {
        Extended value;
        const char* text;
    };
    const Case cases[] = {
        // Whole numbers: a sign position, the digits, a blank.
        {0, " 0 "},
        {7, " 7 "},
        {100, " 100 "},
        {1000, " 1000 "},
        {-5, "-5 "},
        {-1, "-1 "},
        // Fractions drop leading and trailing zeros.
        {0.5L, " .5 "},
        {12.25L, " 12.25 "},
        {-0.25L, "-.25 "},
        {1.5L, " 1.5 "},
        {0.001L, " .001 "},
        // Rounded to fifteen significant digits: 1/3 has 15 threes.
        {1.0L / 3, " .333333333333333 "},
        {2.0L / 3, " .666666666666667 "},
        {123456789012345.0L, " 123456789012345 "},
        // Only the 16th digit decides; a 5 there goes to the even neighbour.
        {1234567890123455.0L, " 1.23456789012346E+15 "},
        {1234567890123445.0L, " 1.23456789012344E+15 "},
        {12345678901234451.0L, " 1.23456789012344E+16 "},
        {12345678901234461.0L, " 1.23456789012345E+16 "},
        {999999999999999.5L, " 1E+15 "},
        // The exponent form beyond fifteen digits.
        {1e15L, " 1E+15 "},
        {1234567890123456.0L, " 1.23456789012346E+15 "},
        {-2.5e20L, "-2.5E+20 "},
        {1e-15L, " .000000000000001 "},
        {1e-16L, " 1E-16 "},
        {1.5e-15L, " 1.5E-15 "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(printForm(c.value), c.text);
    EXPECT_EQ(printForm(3) + printForm(10) + printForm(7), " 3  10  7 ");
}

TEST(PrintForm, IntegerFastPathMatches) {
    char buffer[32];
    for (std::int64_t v : {0LL, 5LL, -5LL, 1234567LL, -2147483648LL, 2147483647LL}) {
        EXPECT_EQ(std::string(buffer, printFormInto(buffer, v)),
                  printForm(static_cast<Extended>(v)));
    }
}

TEST(FormatField, RightAlignedInTheMaskWidth) {
    struct Case {
        std::int64_t value;
        int width;
        const char* text;
    };
    const Case cases[] = {
        {5, 6, "     5"},
        {37, 4, "  37"},
        {0, 4, "   0"},
        {123456, 6, "123456"},
        {1234567, 6, "1234567"},
        {12, 5, "   12"},
        // The minus sign sits left of the digits, and widens a full field.
        {-1, 4, "  -1"},
        {-37, 4, " -37"},
        {-1234, 4, "-1234"},
        {-9223372036854775807 - 1, 6, "-9223372036854775808"},
    };
    for (const Case& c : cases) {
        char text[wholeNumberBytes + 6];
        EXPECT_EQ(std::string(text, formatField(text, c.value, c.width)), c.text);
    }
}

TEST(LeadingNumber, TheNumberAtTheStartOfAText) {
    struct Case {
        std::string_view text;
        Extended value;
    };
    const Case cases[] = {
        {"  42", 42},
        {"12abc", 12},
        {"1e3", 1000},
        {"4 2", 4},
        {"1,000", 1},
        {"-7.5", -7.5L},
        {"abc", 0},
        {" +3", 3},
        {"- 3", 0},
        // TAB, LF and blank are skipped, CR is not.
        {"\t\n 15", 15},
        {"\r15", 0},
        // Runs without digits give zero.
        {"", 0},
        {"-", 0},
        {".", 0},
        {"e5", 0},
        {".e5", 0},
        // Points and exponents.
        {"1.2.3", 1.2L},
        {".5", 0.5L},
        {"2.5D2", 250},
        {"3d-1", 0.3L},
        {"7E", 7},
        {"7e+", 7},
        {"1e99", 1e99L},
        // Only eighteen significant digits count.
        {"1234567890123456789", 1234567890123456780.0L},
        {"123456789012345678999", 123456789012345678000.0L},
        // Ampersand bases.
        {"&H1F", 31},
        {"&hff", 255},
        {"&B101", 5},
        {"&O17", 15},
        {"&Q17", 15},
        {"&17", 15},
        {"  &H10zz", 16},
    };
    for (const Case& c : cases) {
        // Powers of ten beyond 10^27 come from the C library, whose last bit
        // differs between platforms; every such value is beyond any count.
        if (c.value > 1e27L || c.value < -1e27L) {
            EXPECT_NEAR(leadingNumber(c.text), c.value, c.value * 1e-18L) << c.text;
        } else {
            EXPECT_EQ(leadingNumber(c.text), c.value) << c.text;
        }
    }
    // The exponent is capped at 9999: still finite in extended precision.
    EXPECT_EQ(leadingNumber("0.000001e99999"), leadingNumber("1e9993"));
    EXPECT_EQ(leadingNumber("0.0000123456789012345678999"),
              leadingNumber("1.23456789012345678e-5"));
}

TEST(ToInt32, TiesToEvenAndOutOfRange) {
    EXPECT_EQ(toInt32(2.5L), 2);
    EXPECT_EQ(toInt32(3.5L), 4);
    EXPECT_EQ(toInt32(-2.5L), -2);
    EXPECT_EQ(toInt32(16.5L), 16);
    EXPECT_EQ(toInt32(17.5L), 18);
    EXPECT_EQ(toInt32(3000000000.0L), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(toInt32(2147483647.0L), 2147483647);
    EXPECT_EQ(toInt32(2147483647.5L), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(toInt32(-2147483648.0L), std::numeric_limits<std::int32_t>::min());
    const Extended zero = 0;
    EXPECT_EQ(toInt32(zero / zero), std::numeric_limits<std::int32_t>::min());
}

TEST(RoundDecimals, TiesToEvenAtTheDecimalPlace) {
    EXPECT_EQ(roundDecimals(1.5L, 1), 1.5L);
    EXPECT_EQ(toInt32(roundDecimals(19.46L, 1)), 20);  // 19.5, then 20
    EXPECT_EQ(toInt32(roundDecimals(143.0L / 12, 1)), 12);
    EXPECT_EQ(roundDecimals(0.25L, 1), 0.2L);
    EXPECT_EQ(roundDecimals(2.5L, 0), 2);
    EXPECT_EQ(roundDecimals(1.0L / 3, 40), roundDecimals(1.0L / 3, 18));
}

}  // namespace
}  // namespace spinchart
