#include "text/number_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace spinchart {
namespace {

TEST(PrintForm, WholeNumbersTakeSignDigitsAndTrailingBlank) {
    EXPECT_EQ(printForm(0), " 0 ");
    EXPECT_EQ(printForm(7), " 7 ");
    EXPECT_EQ(printForm(100), " 100 ");
    EXPECT_EQ(printForm(1000), " 1000 ");
    EXPECT_EQ(printForm(-5), "-5 ");
    EXPECT_EQ(printForm(-1), "-1 ");
    EXPECT_EQ(printForm(3) + printForm(10) + printForm(7), " 3  10  7 ");
}

TEST(PrintForm, FractionsDropLeadingAndTrailingZeros) {
    EXPECT_EQ(printForm(0.5L), " .5 ");
    EXPECT_EQ(printForm(12.25L), " 12.25 ");
    EXPECT_EQ(printForm(-0.25L), "-.25 ");
    EXPECT_EQ(printForm(1.5L), " 1.5 ");
    EXPECT_EQ(printForm(0.001L), " .001 ");
}

TEST(PrintForm, RoundsToFifteenSignificantDigits) {
    // 1/3 has 15 threes.
    EXPECT_EQ(printForm(1.0L / 3), " .333333333333333 ");
    EXPECT_EQ(printForm(2.0L / 3), " .666666666666667 ");
    EXPECT_EQ(printForm(123456789012345.0L), " 123456789012345 ");
    // Only the 16th digit decides; a 5 there goes to the even neighbour.
    EXPECT_EQ(printForm(1234567890123455.0L), " 1.23456789012346E+15 ");
    EXPECT_EQ(printForm(1234567890123445.0L), " 1.23456789012344E+15 ");
    EXPECT_EQ(printForm(12345678901234451.0L), " 1.23456789012344E+16 ");
    EXPECT_EQ(printForm(12345678901234461.0L), " 1.23456789012345E+16 ");
    EXPECT_EQ(printForm(999999999999999.5L), " 1E+15 ");
}

TEST(PrintForm, ExponentFormBeyondFifteenDigits) {
    EXPECT_EQ(printForm(1e15L), " 1E+15 ");
    EXPECT_EQ(printForm(1234567890123456.0L), " 1.23456789012346E+15 ");
    EXPECT_EQ(printForm(-2.5e20L), "-2.5E+20 ");
    EXPECT_EQ(printForm(1e-15L), " .000000000000001 ");
    EXPECT_EQ(printForm(1e-16L), " 1E-16 ");
    EXPECT_EQ(printForm(1.5e-15L), " 1.5E-15 ");
}

TEST(PrintForm, IntegerFastPathMatches) {
    char buffer[32];
    for (std::int64_t v : {0LL, 5LL, -5LL, 1234567LL, -2147483648LL, 2147483647LL}) {
        EXPECT_EQ(std::string(buffer, printFormInto(buffer, v)),
                  printForm(static_cast<Extended>(v)));
    }
}

TEST(FormatField, RightAlignsInMaskWidth) {
    EXPECT_EQ(formatField(5, FieldMask::Width6), "     5");
    EXPECT_EQ(formatField(37, FieldMask::Width4), "  37");
    EXPECT_EQ(formatField(0, FieldMask::Width4), "   0");
    EXPECT_EQ(formatField(123456, FieldMask::Width6), "123456");
    EXPECT_EQ(formatField(1234567, FieldMask::Width6), "1234567");
    EXPECT_EQ(formatField(12, FieldMask::Width5), "   12");
}

TEST(FormatField, NegativeSignSitsLeftOfDigits) {
    EXPECT_EQ(formatField(-1, FieldMask::Width4), "  -1");
    EXPECT_EQ(formatField(-37, FieldMask::Width4), " -37");
    EXPECT_EQ(formatField(-1234, FieldMask::Width4), "-1234");
}

TEST(FormatField, RoundsHalvesToEven) {
    EXPECT_EQ(formatField(2.5L, FieldMask::Width4), "   2");
    EXPECT_EQ(formatField(3.5L, FieldMask::Width4), "   4");
}

TEST(LeadingNumber, TableExamples) {
    EXPECT_EQ(leadingNumber("  42"), 42);
    EXPECT_EQ(leadingNumber("12abc"), 12);
    EXPECT_EQ(leadingNumber("1e3"), 1000);
    EXPECT_EQ(leadingNumber("4 2"), 4);
    EXPECT_EQ(leadingNumber("1,000"), 1);
    EXPECT_EQ(leadingNumber("-7.5"), -7.5L);
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber(" +3"), 3);
    EXPECT_EQ(leadingNumber("- 3"), 0);
}

TEST(LeadingNumber, SkipsTabLfBlankButNotCr) {
    EXPECT_EQ(leadingNumber("\t\n 15"), 15);
    EXPECT_EQ(leadingNumber("\r15"), 0);
}

TEST(LeadingNumber, RunsWithoutDigitsGiveZero) {
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("-"), 0);
    EXPECT_EQ(leadingNumber("."), 0);
    EXPECT_EQ(leadingNumber("e5"), 0);
    EXPECT_EQ(leadingNumber(".e5"), 0);
}

TEST(LeadingNumber, PointsAndExponents) {
    EXPECT_EQ(leadingNumber("1.2.3"), 1.2L);
    EXPECT_EQ(leadingNumber(".5"), 0.5L);
    EXPECT_EQ(leadingNumber("2.5D2"), 250);
    EXPECT_EQ(leadingNumber("3d-1"), 0.3L);
    EXPECT_EQ(leadingNumber("7E"), 7);
    EXPECT_EQ(leadingNumber("7e+"), 7);
    EXPECT_EQ(leadingNumber("1e99"), 1e99L);
    // The exponent is capped at 9999: still finite in extended precision.
    EXPECT_EQ(leadingNumber("0.000001e99999"), leadingNumber("1e9993"));
}

TEST(LeadingNumber, OnlyEighteenSignificantDigitsCount) {
    EXPECT_EQ(leadingNumber("1234567890123456789"), 1234567890123456780.0L);
    EXPECT_EQ(leadingNumber("123456789012345678999"), 123456789012345678000.0L);
    EXPECT_EQ(leadingNumber("0.0000123456789012345678999"),
              leadingNumber("1.23456789012345678e-5"));
}

TEST(LeadingNumber, AmpersandBases) {
    EXPECT_EQ(leadingNumber("&H1F"), 31);
    EXPECT_EQ(leadingNumber("&hff"), 255);
    EXPECT_EQ(leadingNumber("&B101"), 5);
    EXPECT_EQ(leadingNumber("&O17"), 15);
    EXPECT_EQ(leadingNumber("&Q17"), 15);
    EXPECT_EQ(leadingNumber("&17"), 15);
    EXPECT_EQ(leadingNumber("  &H10zz"), 16);
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
