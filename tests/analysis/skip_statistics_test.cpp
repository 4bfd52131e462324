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
#include "text/session_error.h"

namespace spinchart {
namespace {

using testing::makeSpins;

TEST(NumberStats, SkipsSortedSkipsAndLowerMedian) {
    // 7 at positions 1, 3, 6 and 10.
    const SpinList spins = makeSpins({7, 0, 7, 1, 2, 7, 3, 4, 5, 7, 8});
    const NumberStats s = computeNumberStats(spins, 11, 7);
    EXPECT_EQ(s.number, 7);
    EXPECT_EQ(s.hits, 4);
    EXPECT_EQ(s.skips, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(s.sortedSkips, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(s.medianSkip, 2);

    // Skips 4 and 1: the smaller of the two middle values.
    const NumberStats two = computeNumberStats(makeSpins({0, 0, 0, 9, 9}), 5, 9);
    EXPECT_EQ(two.skips, (std::vector<std::int32_t>{4, 1}));
    EXPECT_EQ(two.sortedSkips, (std::vector<std::int32_t>{1, 4}));
    EXPECT_EQ(two.medianSkip, 1);

    // One hit at position p: one skip p.
    EXPECT_EQ(computeNumberStats(makeSpins({1, 2, 3, 4, 5, 6}), 6, 6).medianSkip, 6);
}

TEST(NumberStats, OnlyTheAnalysedSpinsCountAndOddValuesOccupyPositions) {
    // 37 on the single-zero wheel and 40 are nobody's hit but lengthen skips.
    const SpinList spins = makeSpins({37, 40, 5, -1, 5, 5, 5});
    const NumberStats five = computeNumberStats(spins, 5, 5);
    EXPECT_EQ(five.skips, (std::vector<std::int32_t>{3, 2}));
    EXPECT_EQ(computeNumberStats(spins, 0, 5).hits, 0);
    EXPECT_EQ(computeNumberStats(spins, 0, 5).medianSkip, 0);
    EXPECT_THROW(computeNumberStats(spins, -1, 5), SessionError);
    EXPECT_THROW(computeNumberStats(spins, 8, 5), SessionError);
}

TEST(ChartSummary, AverageOverAllNumbersAndMedianAtHalfTheCount) {
    // Double-zero wheel: 38 medians, index 19 of the sorted list.
    std::vector<std::int32_t> medians(38, 0);
    for (int k = 0; k < 19; ++k)
        medians[static_cast<std::size_t>(k)] = 10 + k;
    ChartSummary s = summarizeMedians(medians);
    EXPECT_EQ(s.averageMedian, (19 * 10 + 171) / 38);  // 361 / 38 = 9.5 -> 9
    EXPECT_EQ(s.medianOfAllSkips, 10);                 // 19 zeros, then 10
    // Single-zero wheel: 37 medians, index 18: more than half without hits.
    std::vector<std::int32_t> single(37, 0);
    single[0] = 100;
    s = summarizeMedians(single);
    EXPECT_EQ(s.averageMedian, 2);
    EXPECT_EQ(s.medianOfAllSkips, 0);

    std::vector<NumberStats> stats(3);
    stats[0].medianSkip = 5;
    stats[1].medianSkip = 1;
    stats[2].medianSkip = 3;
    s = computeChartSummary(stats);
    EXPECT_EQ(s.averageMedian, 3);
    EXPECT_EQ(s.medianOfAllSkips, 3);
}

TEST(NextOccurrence, SearchesAllSpinsAndCountsPastTheEnd) {
    const SpinList spins = makeSpins({5, 17, 5, 0, 12, 5, 3, 17, 0, 5, 7, 5});
    // Positions 1 to 5 with N = 10: 2, 6, 3, 5 and 8 (12 never recurs).
    std::vector<std::int32_t> slow;
    for (std::int32_t i = 1; i <= 5; ++i)
        slow.push_back(nextOccurrenceDistance(spins, 12, i));
    EXPECT_EQ(slow, (std::vector<std::int32_t>{2, 6, 3, 5, 8}));
    EXPECT_EQ(nextOccurrenceDistances(spins, 5), slow);
    EXPECT_EQ(nextOccurrenceDistance(spins, 12, 12), 1);
    EXPECT_THROW(nextOccurrenceDistance(spins, 12, 13), SessionError);
    EXPECT_THROW(nextOccurrenceDistance(spins, 12, 0), SessionError);
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
        const SpinList spins = makeSpins(values);
        const auto count = std::uniform_int_distribution<std::int32_t>(0, total)(random);
        const std::vector<std::int32_t> fast = nextOccurrenceDistances(spins, count);
        ASSERT_EQ(fast.size(), static_cast<std::size_t>(count));
        for (std::int32_t i = 1; i <= count; ++i) {
            ASSERT_EQ(fast[static_cast<std::size_t>(i - 1)], model::nextDistance(values, total, i))
                << "trial " << trial << " position " << i;
        }
    }
}

TEST(SortAscending, MatchesAComparisonSortForEveryMixOfValues) {
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
        std::vector<std::int32_t> expected = values;
        std::sort(expected.begin(), expected.end());
        std::vector<std::int32_t> fromRuns;
        std::vector<std::int32_t> scratch = values;
        forEachAscendingRun(prepareAscendingRuns(scratch), [&](std::int32_t v, std::uint32_t c) {
            ASSERT_TRUE(fromRuns.empty() || fromRuns.back() < v);
            fromRuns.insert(fromRuns.end(), c, v);
        });
        ASSERT_EQ(fromRuns, expected) << "trial " << trial;
        sortAscending(values);
        ASSERT_EQ(values, expected) << "trial " << trial;
    }
}

TEST(GroupedSkips, EachNumbersGroupHoldsItsSkipsInPositionOrder) {
    std::mt19937 random(9);
    std::vector<std::int32_t> values(500);
    for (auto& v : values)
        v = std::uniform_int_distribution<std::int32_t>(-2, 39)(random);
    const SpinList spins = makeSpins(values);
    SkipsByNumber grouped = groupSkipsByNumber(spins, 450, 38);
    for (std::int32_t number = 0; number < 38; ++number) {
        const auto group = grouped.of(number);
        EXPECT_EQ(std::vector<std::int32_t>(group.begin(), group.end()),
                  model::numberStats(values, 450, number).skips)
            << "number " << number;
    }
}

TEST(GroupedSkips, LongListsGroupedInTwoHalvesAgree) {
    // Over a million spins are grouped in two halves; numbers whose hits all
    // lie in one half, or that never hit, must come out right too.
    std::mt19937 random(21);
    std::vector<std::int32_t> values(1100000);
    for (auto& v : values)
        v = std::uniform_int_distribution<std::int32_t>(0, 35)(random);
    values[10] = 36;                  // one hit, first half
    values[values.size() - 10] = 37;  // one hit, second half
    values[700000] = -5;
    const SpinList spins = makeSpins(values);
    const auto n = static_cast<std::int32_t>(values.size() - 3);
    SkipsByNumber grouped = groupSkipsByNumber(spins, n, 39);  // 38 never hits
    for (std::int32_t number = 0; number < 39; ++number) {
        const auto group = grouped.of(number);
        ASSERT_EQ(std::vector<std::int32_t>(group.begin(), group.end()),
                  model::numberStats(values, n, number, false).skips)
            << "number " << number;
    }
}

TEST(SystemRow, WideValuesBreakTheRowAtTheirColumns) {
    // The fast row and the general one against the model's column placement.
    const std::int32_t positions[] = {1, 999999, 1000000, 9999999, 10000000, 2147483647};
    const std::int32_t numbers[] = {0,     37,    -1,     -999,    9999,
                                    -1000, 12345, 123456, 1234567, -2147483647 - 1};
    const std::int32_t distances[] = {1, 5, 6, 99999, 100000, 2147483647};
    for (const std::int32_t i : positions) {
        for (const std::int32_t x : numbers) {
            for (const std::int32_t d : distances) {
                model::Text t;
                model::putSystemRow(t, i, x, d);
                char row[maxSystemRowBytes];
                const std::size_t n = formatSystemRow(row, i, x, d);
                ASSERT_EQ(std::string(row, n), t.bytes) << i << " " << x << " " << d;
            }
        }
    }
}

TEST(SystemRow, ConsecutiveRowsMatchTheGeneralRowAcrossDigitCounts) {
    std::mt19937 random(17);
    for (const std::int32_t first : {1, 9990, 99990, 999990, 1009990, 9999990, 2147483600}) {
        SystemRowSequence rows(first);
        for (std::int32_t i = first; i < first + 40 && i > 0; ++i) {
            const std::int32_t x = std::uniform_int_distribution<std::int32_t>(-3, 40)(random);
            const std::int32_t d = std::uniform_int_distribution<std::int32_t>(1, 12000)(random);
            char expected[maxSystemRowBytes];
            char actual[maxSystemRowBytes];
            const std::size_t n = formatSystemRow(expected, i, x, d);
            const char* end = rows.next(actual, x, d);
            const std::string row(static_cast<const char*>(actual), end);
            ASSERT_EQ(row, std::string(expected, n)) << i << " " << x << " " << d;
        }
    }
}

TEST(SystemRow, SevenDigitPositionFillsColumnsTwoToEight) {
    char row[maxSystemRowBytes];
    const std::size_t n = formatSystemRow(row, 1234567, -1, 6);
    EXPECT_EQ(std::string(row, n), " 1234567  -1      6 sp.        +       -\r\n");
    EXPECT_EQ(std::string(row, formatSystemRow(row, 4, 0, 5)),
              "      4    0      5 sp.        -       +\r\n");
}

}  // namespace
}  // namespace spinchart
