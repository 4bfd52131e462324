// The statistics pieces: the rules' examples, and the fast forms against the
// plain model on random lists.
#include "analysis/skip_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "analysis/analysis_model.h"
#include "analysis/analysis_test_support.h"
#include "analysis/report_text.h"

namespace spinchart {
namespace {

// The counted list written out in ascending order.
std::vector<std::int32_t> listed(const AscendingCounts& ascending) {
    std::vector<std::int32_t> list;
    for (const std::int32_t v : ascending.others) {
        if (v < 0) list.push_back(v);
    }
    for (std::size_t v = 0; v < ascending.counts.size(); ++v)
        list.insert(list.end(), ascending.counts[v], static_cast<std::int32_t>(v));
    for (const std::int32_t v : ascending.others) {
        if (v >= 0) list.push_back(v);
    }
    return list;
}

// The skips of one number, as grouped for the chart, and their median once sorted.
struct Skips {
    std::vector<std::int32_t> skips;
    std::vector<std::int32_t> sorted;
    std::int32_t median = 0;
};
Skips skipsOf(const std::vector<std::int32_t>& spins, std::int32_t count, std::int32_t number) {
    SkipsByNumber grouped = groupSkipsByNumber(spins, count, 38);
    const auto group = grouped.of(number);
    const AscendingCounts ascending = countAscending(group);
    return {{group.begin(), group.end()}, listed(ascending), medianOf(ascending)};
}

TEST(NumberStats, SkipsSortedSkipsAndLowerMedian) {
    // 7 at positions 1, 3, 6 and 10.
    const Skips s = skipsOf({7, 0, 7, 1, 2, 7, 3, 4, 5, 7, 8}, 11, 7);
    EXPECT_EQ(s.skips, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(s.sorted, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(s.median, 2);

    // Skips 4 and 1: the smaller of the two middle values.
    const Skips two = skipsOf({0, 0, 0, 9, 9}, 5, 9);
    EXPECT_EQ(two.skips, (std::vector<std::int32_t>{4, 1}));
    EXPECT_EQ(two.sorted, (std::vector<std::int32_t>{1, 4}));
    EXPECT_EQ(two.median, 1);

    // One hit at position p: one skip p.
    EXPECT_EQ(skipsOf({1, 2, 3, 4, 5, 6}, 6, 6).median, 6);
}

TEST(NumberStats, OnlyTheAnalysedSpinsCountAndOddValuesOccupyPositions) {
    // 40 and -1 are nobody's hit but lengthen skips.
    const std::vector<std::int32_t> spins{37, 40, 5, -1, 5, 5, 5};
    EXPECT_EQ(skipsOf(spins, 5, 5).skips, (std::vector<std::int32_t>{3, 2}));
    EXPECT_TRUE(skipsOf(spins, 0, 5).skips.empty());
    EXPECT_EQ(skipsOf(spins, 0, 5).median, 0);
}

TEST(ChartSummary, AverageOverAllNumbersAndMedianAtHalfTheCount) {
    // Double-zero wheel: 38 medians, index 19 of the sorted list.
    std::vector<std::int32_t> medians(38, 0);
    for (int k = 0; k < 19; ++k)
        medians[static_cast<std::size_t>(k)] = 10 + k;
    ChartSummary s = computeChartSummary(medians);
    EXPECT_EQ(s.averageMedian, (19 * 10 + 171) / 38);  // 361 / 38 = 9.5 -> 9
    EXPECT_EQ(s.medianOfAllSkips, 10);                 // 19 zeros, then 10
    // Single-zero wheel: 37 medians, index 18: more than half without hits.
    std::vector<std::int32_t> single(37, 0);
    single[0] = 100;
    s = computeChartSummary(single);
    EXPECT_EQ(s.averageMedian, 2);
    EXPECT_EQ(s.medianOfAllSkips, 0);
}

std::vector<std::int32_t> distancesOf(const std::vector<std::int32_t>& spins, std::int32_t count) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(count));
    nextOccurrenceDistances(spins, out);
    return out;
}

TEST(NextOccurrence, SearchesAllSpinsAndCountsPastTheEnd) {
    const std::vector<std::int32_t> spins{5, 17, 5, 0, 12, 5, 3, 17, 0, 5, 7, 5};
    // Positions 1 to 5 with N = 10: 2, 6, 3, 5 and 8 (12 never recurs).
    EXPECT_EQ(distancesOf(spins, 5), (std::vector<std::int32_t>{2, 6, 3, 5, 8}));
    EXPECT_EQ(distancesOf(spins, 12).back(), 1);
}

TEST(NextOccurrence, FastPassMatchesTheSearchOnRandomLists) {
    std::mt19937 random(3);
    for (int trial = 0; trial < 200; ++trial) {
        const int total = std::uniform_int_distribution<int>(0, 300)(random);
        // Small values, values beyond the dense table, negative and extreme ones.
        std::vector<std::int32_t> values(static_cast<std::size_t>(total));
        for (auto& v : values) {
            switch (std::uniform_int_distribution<int>(0, 5)(random)) {
                case 0:
                    v = std::uniform_int_distribution<std::int32_t>(1020, 1028)(random);
                    break;
                case 1:
                    v = std::uniform_int_distribution<std::int32_t>(-3, -1)(random);
                    break;
                case 2:
                    v = trial % 2 ? 2147483647 : -2147483647 - 1;
                    break;
                default:
                    v = std::uniform_int_distribution<std::int32_t>(0, 6)(random);
                    break;
            }
        }
        const std::vector<std::int32_t>& spins = values;
        const auto count = std::uniform_int_distribution<std::int32_t>(0, total)(random);
        const std::vector<std::int32_t> fast = distancesOf(spins, count);
        ASSERT_EQ(fast.size(), static_cast<std::size_t>(count));
        for (std::int32_t i = 1; i <= count; ++i) {
            ASSERT_EQ(fast[static_cast<std::size_t>(i - 1)], model::nextDistance(values, total, i))
                << "trial " << trial << " position " << i;
        }
    }
}

// The counted list, its median and its print forms against a comparison sort.
TEST(CountAscending, MatchesAComparisonSortForEveryMixOfValues) {
    testing::ScratchFolder folder;
    std::mt19937 random(5);
    for (int trial = 0; trial < 60; ++trial) {
        const std::size_t n = std::uniform_int_distribution<std::size_t>(0, 5000)(random);
        std::vector<std::int32_t> values(n);
        for (auto& v : values) {
            const int kind = std::uniform_int_distribution<int>(0, 9)(random);
            if (kind < 6)
                v = std::uniform_int_distribution<std::int32_t>(0, trial * 50 + 1)(random);
            else if (kind < 8)
                v = std::uniform_int_distribution<std::int32_t>(60000, 70000)(random);
            else if (kind < 9)
                v = std::uniform_int_distribution<std::int32_t>(-5, -1)(random);
            else
                v = trial % 2 ? 2147483647 : -2147483647 - 1;
        }
        // Long runs of one value span several of the output's batches.
        if (trial % 20 == 0) values.insert(values.end(), 300000, trial);
        std::vector<std::int32_t> expected = values;
        std::sort(expected.begin(), expected.end());
        const AscendingCounts ascending = countAscending(values);
        ASSERT_EQ(listed(ascending), expected) << "trial " << trial;
        // Counted in two parts, as the system report counts its batches.
        AscendingCounts parts;
        const std::span<const std::int32_t> all = values;
        countAscending(parts, all.first(values.size() / 3));
        countAscending(parts, all.subspan(values.size() / 3));
        ASSERT_EQ(listed(parts), expected) << "trial " << trial;
        EXPECT_EQ(parts.size, expected.size());
        EXPECT_EQ(medianOf(ascending),
                  expected.empty() ? 0 : expected[(expected.size() + 1) / 2 - 1]);
        OutputFile out;
        out.open(folder.file("sorted"));
        writePrintForms(out, ascending, trial % 2 == 0);
        out.close();
        std::string text;
        for (const std::int32_t v : expected)
            text += model::pf(v) + (trial % 2 == 0 ? "\r\n" : "");
        ASSERT_EQ(testing::readWholeFile(folder.file("sorted")), text) << "trial " << trial;
    }
}

TEST(GroupedSkips, EachNumbersGroupHoldsItsSkipsInPositionOrder) {
    std::mt19937 random(9);
    std::vector<std::int32_t> values(500);
    for (auto& v : values)
        v = std::uniform_int_distribution<std::int32_t>(-2, 39)(random);
    const std::vector<std::int32_t>& spins = values;
    SkipsByNumber grouped = groupSkipsByNumber(spins, 450, 38);
    for (std::int32_t number = 0; number < 38; ++number) {
        const auto group = grouped.of(number);
        EXPECT_EQ(std::vector<std::int32_t>(group.begin(), group.end()),
                  model::numberStats(values, 450, number).skips)
            << "number " << number;
    }
}

// The row of position i, number x and distance d.
std::string systemRow(std::int32_t i, std::int32_t x, std::int32_t d) {
    SystemRows rows(i);
    char row[SystemRows::maxRowBytes];
    return std::string(row, rows.next(row, x, d));
}

TEST(SystemRow, WideValuesBreakTheRowAtTheirColumns) {
    // Fast and wide rows against the model's column placement.
    const std::int32_t positions[] = {1,        9999,     10000,    999999,    1000000,   9999999,
                                      10000000, 12345678, 99999999, 100000000, 2147483647};
    const std::int32_t numbers[] = {0,     37,    -1,     -999,    9999,
                                    -1000, 12345, 123456, 1234567, -2147483647 - 1};
    const std::int32_t distances[] = {1, 5, 6, 9999, 10000, 99999, 100000, 2147483647};
    for (const std::int32_t i : positions) {
        for (const std::int32_t x : numbers) {
            for (const std::int32_t d : distances) {
                model::Text t;
                model::putSystemRow(t, i, x, d);
                ASSERT_EQ(systemRow(i, x, d), t.bytes) << i << " " << x << " " << d;
            }
        }
    }
}

TEST(SystemRow, ConsecutiveRowsMatchTheModelAcrossDigitCounts) {
    std::mt19937 random(17);
    // Mostly numbers and distances below 1000, as most rows hold.
    for (const std::int32_t first : {1, 9990, 99990, 999990, 999999, 1009990, 9999990, 9999999,
                                     10009990, 99999990, 2147483600}) {
        SystemRows rows(first);
        for (std::int32_t i = first; i < first + 40 && i > 0; ++i) {
            const std::int32_t x = std::uniform_int_distribution<std::int32_t>(-3, 40)(random);
            const std::int32_t d = std::uniform_int_distribution<std::int32_t>(1, 1200)(random);
            model::Text t;
            model::putSystemRow(t, i, x, d);
            char actual[SystemRows::maxRowBytes];
            const char* end = rows.next(actual, x, d);
            ASSERT_EQ(std::string(static_cast<const char*>(actual), end), t.bytes)
                << i << " " << x << " " << d;
        }
    }
}

TEST(SystemRow, SevenDigitPositionFillsColumnsTwoToEight) {
    EXPECT_EQ(systemRow(1234567, -1, 6), " 1234567  -1      6 sp.        +       -\r\n");
    EXPECT_EQ(systemRow(4, 0, 5), "      4    0      5 sp.        -       +\r\n");
}

}  // namespace
}  // namespace spinchart
