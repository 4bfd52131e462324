#pragma once
// Is the wheel fair? The chi-square test over the numbers' hits, every
// number's exact binomial tails, the hottest and coldest number and the
// hottest sectors of neighbouring pockets with the family-wise chance of
// having picked them (from simulated fair wheels), the system of the main
// report in plays won and units staked, the skips against the geometric law,
// and the bias this many spins could detect. Pure computation over the spins
// of one wheel, position 1 first.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fairness/order_figures.h"

namespace spinchart {

// 00 is the number 37 everywhere.
inline constexpr std::int32_t doubleZeroNumber = 37;

// The wheel as the figures need it: numbers 0..numberCount - 1 (37 for 00)
// and their clockwise order from 0.
struct FairnessWheel {
    std::int32_t numberCount = 0;
    std::span<const std::int32_t> wheelOrder;
    bool doubleZero = false;
};

struct NumberFairness {
    std::int32_t number = 0;
    std::int64_t hits = 0;
    double expected = 0;
    double z = 0;
    double pHot = 1;   // P(Bin(n, 1/K) >= hits)
    double pCold = 1;  // P(Bin(n, 1/K) <= hits)
};

// The hottest or the coldest number (the lowest of those tied), its own tail
// and the share of simulated fair wheels whose most extreme number goes as far.
struct ExtremeNumber {
    std::int32_t number = 0;
    std::int64_t hits = 0;
    double p = 1;
    double pFamily = 1;
    std::int32_t samples = 0;
    std::vector<std::int32_t> tied;  // the others with as many hits, in number order
};

// Units: one unit staked per number played; a win returns 36.
struct SystemFigures {
    std::int64_t plays = 0;
    std::int64_t won = 0;
    double expectedWon = 0;
    std::int64_t staked = 0;
    std::int64_t net = 0;
    double expectedNet = 0;
};

struct SkipClass {
    std::int32_t from = 0;
    std::int32_t to = 0;  // 0: no upper end
    std::int64_t observed = 0;
    double expected = 0;
};

struct SkipFigures {
    std::int64_t count = 0;
    std::int64_t withinWheelSize = 0;  // skips of at most K spins
    double withinWheelSizeFair = 0;    // the fair wheel's share of them
    std::vector<SkipClass> classes;
};

struct FairnessFigures {
    std::int32_t numberCount = 0;
    bool doubleZero = false;
    std::int64_t spinsRead = 0;
    std::int64_t outsideWheel = 0;
    std::int64_t spinsAnalysed = 0;
    double expectedHits = 0;
    ChiSquareTest chiSquare;  // simulated below 5 expected hits per number
    std::vector<NumberFairness> numbers;
    ExtremeNumber hottest;
    ExtremeNumber coldest;
    std::vector<HotSector> sectors;
    SystemFigures system;
    SystemFigures afterTwoLosses;
    SkipFigures skips;
    std::optional<double> detectableOneIn;
    OrderFigures order;
};

// What one pass over the spins in time order gathers for the sections: the
// hits, those of the older half (its spins.size() / 2 spins), the skips, the
// system's plays, the distances of consecutive spins (as
// ConsecutiveFigures::counts) and the watch.
struct TimeOrderTallies {
    std::vector<std::int64_t> counts;
    std::vector<std::int64_t> olderCounts;
    std::vector<std::int64_t> skipClasses;  // skips of 1-5, 6-10, ... spins, the last open
    std::int64_t skips = 0;
    std::int64_t skipsWithinWheelSize = 0;
    SystemFigures system;
    SystemFigures afterTwoLosses;
    std::vector<std::int64_t> distances;
    WatchFigures watch;
};
TimeOrderTallies tallyInTimeOrder(std::span<const std::uint8_t> spins,
                                  std::span<const std::int32_t> wheelOrder);

// The sector widths, the fair samples drawn for them, and the smallest
// expected hits per number the chi-square test holds for.
inline constexpr std::int32_t sectorWidths[] = {5, 9};
inline constexpr std::int32_t sectorSamples = 10'000;
inline constexpr std::int32_t chiSquareMinimumExpected = 5;

// Every figure over `spins`, each a number of the wheel (values outside it,
// `outsideWheel` of them, were set aside before).
FairnessFigures analyseFairness(std::span<const std::uint8_t> spins, std::int64_t outsideWheel,
                                const FairnessWheel& wheel);

// The parts, for the tests.

// P(X >= x) for the chi-square law with `df` degrees of freedom.
double chiSquareUpperTail(double x, std::int32_t df);

// The hits of every sector of `width` pockets, one centred on each place of
// the wheel order, in that order.
std::vector<std::int64_t> sectorHits(std::span<const std::int64_t> counts,
                                     std::span<const std::int32_t> wheelOrder, std::int32_t width);

// The `width` classes of the window centred on order[place], in order.
std::vector<std::int32_t> windowMembers(std::span<const std::int32_t> order, std::size_t place,
                                        std::int32_t width);

// P(Bin(n, p) >= hits).
double binomialUpperTail(std::int64_t n, double p, std::int64_t hits);

// The chi-square test of `counts` (K classes, n their sum) against chances of
// 1/K each, its p by the rule of ChiSquareTest.
ChiSquareTest uniformChiSquare(std::span<const std::int64_t> counts);

// For each width, the hottest window of that many neighbouring classes along
// the circular `order` (a permutation of the classes), its hits, and the share
// of sectorSamples fair draws (multinomial, n = the counts' sum, 1/K each)
// whose hottest window of that width reaches as many: the family-wise p.
// Ties go to the window that comes first in `order`.
std::vector<HotSector> hotWindows(std::span<const std::int64_t> counts,
                                  std::span<const std::int32_t> order,
                                  std::span<const std::int32_t> widths);

// The coldest class: its hits and the share of the fair draws whose coldest
// class has as few.
struct ColdestClass {
    std::int64_t hits = 0;
    double pFamily = 1;
    std::int32_t samples = 0;
};

// hotWindows and the coldest class from the same fair draws.
struct FairExtremes {
    std::vector<HotSector> hottest;
    ColdestClass coldest;
};
FairExtremes fairExtremes(std::span<const std::int64_t> counts, std::span<const std::int32_t> order,
                          std::span<const std::int32_t> widths);

// The hottest-number test of n spins: the fewest hits c of one number with
// P(Bin(n, 1/K) >= c) <= 1 - 0.95^(1/K), the 5% level shared among K numbers;
// n + 1 when no count is that rare.
std::int64_t criticalHits(std::int64_t n, std::int32_t numberCount);

// Its power: P(Bin(n, p1) >= criticalHits) for a number of chance p1.
double detectionPower(std::int64_t n, std::int32_t numberCount, double p1);

// 1 / p1 for the smallest p1 (to 1e-9) the hottest-number test finds 80% of
// the time; nothing when n spins cannot find any.
std::optional<double> detectableOneIn(std::int64_t n, std::int32_t numberCount);

// A generator whose draws are the same on every platform (xoshiro256**).
struct FairRandom {
    std::uint64_t state[4] = {};
};
FairRandom seededFairRandom(std::uint64_t seed);
// A fraction in [0, 1) with 53 random bits.
double nextFraction(FairRandom& random);
// One draw of Bin(n, p), in time that does not grow with n.
std::int64_t sampleBinomial(FairRandom& random, std::int64_t n, double p);
// The hits of `counts.size()` numbers when n fair spins are drawn.
void sampleFairCounts(FairRandom& random, std::int64_t n, std::span<std::int64_t> counts);

}  // namespace spinchart
