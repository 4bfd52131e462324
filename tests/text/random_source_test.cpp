#include "text/random_source.h"

#include <gtest/gtest.h>

#include <set>

namespace spinchart {
namespace {

TEST(RandomSource, SeedTakesTheSinglePrecisionPattern) {
    RandomState state;
    seedRandom(state, 0);
    EXPECT_EQ(state.value, 0x00000000u);
    seedRandom(state, -2147483648.0L);
    EXPECT_EQ(state.value, 0xCF000000u);
    seedRandom(state, 45296.789L);
    EXPECT_EQ(state.value, 0x4730F0CAu);
    seedRandom(state, 45296.7890625L);
    EXPECT_EQ(state.value, 0x4730F0CAu);
}

TEST(RandomSource, SequenceAfterSeedingWithZero) {
    RandomState state;
    seedRandom(state, 0);
    EXPECT_EQ(nextRandom(state), 0);
    EXPECT_EQ(state.value, 0x00000001u);
    EXPECT_EQ(nextRandom(state), 67387907.0L / 2147483648.0L);
    EXPECT_EQ(state.value, 0x08088406u);
    EXPECT_EQ(nextRandom(state), 1849087503.0L / 2147483648.0L);
    EXPECT_EQ(state.value, 0xDC6DAC1Fu);
}

TEST(RandomSource, SequenceAfterSeedingWithMostNegative) {
    RandomState state;
    seedRandom(state, -2147483648.0L);
    const std::uint32_t expected[] = {0x0B000001u, 0x3F088406u, 0xEF6DAC1Fu};
    const double fractions[] = {0.0429688, 0.2462237, 0.9352672};
    for (int i = 0; i < 3; ++i) {
        const Extended r = nextRandom(state);
        EXPECT_EQ(state.value, expected[i]);
        EXPECT_NEAR(static_cast<double>(r), fractions[i], 1e-7);
        EXPECT_LT(r, 1);
    }
}

TEST(RandomSource, PoolPositionsAreExact) {
    for (auto [poolSize, p1, p2, p3] :
         {std::tuple{1444u, 63u, 356u, 1351u}, std::tuple{1369u, 59u, 338u, 1281u}}) {
        RandomState state;
        seedRandom(state, -2147483648.0L);
        EXPECT_EQ(poolPosition(nextRandomBits(state), poolSize), p1);
        EXPECT_EQ(poolPosition(nextRandomBits(state), poolSize), p2);
        EXPECT_EQ(poolPosition(nextRandomBits(state), poolSize), p3);
    }
    // A fraction of 0 draws position 1; the largest fraction the last position.
    EXPECT_EQ(poolPosition(0, 1444), 1u);
    EXPECT_EQ(poolPosition(0x7FFFFFFFu, 1444), 1444u);
    EXPECT_EQ(poolPosition(0x7FFFFFFFu, 1369), 1369u);
}

TEST(RandomSource, ClockValues) {
    LocalTime t;
    t.year = 2026;
    t.month = 3;
    t.day = 7;
    t.hour = 12;
    t.minute = 34;
    t.second = 56;
    t.millisecond = 789;
    EXPECT_EQ(dateText(t), "03-07-2026");
    EXPECT_EQ(static_cast<float>(secondsSinceMidnight(t)), 45296.789f);
}

LocalTime clockReading;
LocalTime readFixedClock() {
    return clockReading;
}

TEST(RandomSource, ClockSeedDependsOnlyOnTheClock) {
    clockReading = LocalTime{2026, 6, 15, 9, 30, 0, 250};
    RandomState a;
    RandomState b;
    b.value = 0xDEADBEEF;
    EXPECT_EQ(makeClockSeed(a, readFixedClock), makeClockSeed(b, readFixedClock));
}

TEST(RandomSource, FirstOfJanuarySeedsStayInRange) {
    for (int ms = 0; ms < 86400000; ms += 997 * 61) {
        clockReading =
            LocalTime{2026, 1, 1, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
        RandomState state;
        EXPECT_NE(makeClockSeed(state, readFixedClock), -2147483647 - 1);
    }
}

TEST(RandomSource, LateDecemberSeedsDiffer) {
    // Large month and day numbers push the mixed value beyond 32 bits; the seed
    // keeps its low bits instead of collapsing to one value.
    std::set<std::int32_t> seeds;
    int readings = 0;
    for (int day = 28; day <= 31; ++day) {
        for (int ms = 0; ms < 1000; ms += 7) {
            clockReading = LocalTime{2026, 12, day, 23, 59, 58, ms};
            RandomState state;
            seeds.insert(makeClockSeed(state, readFixedClock));
            ++readings;
        }
    }
    EXPECT_GT(static_cast<int>(seeds.size()), readings * 98 / 100);
}

}  // namespace
}  // namespace spinchart
