#include "fairness/fairness_figures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include "analysis/system_rule.h"

#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>

namespace spinchart {
namespace {

// The same report from the same file, every run and on every build.
constexpr std::uint64_t simulationSeed = 0x5350494E43484152u;

// Skip classes of five spins up to this many, then one open class.
constexpr std::int32_t skipClassWidth = 5;
constexpr std::int32_t skipClassesEnd = 100;

double upperTail(std::int64_t n, double p, std::int64_t hits) {
    if (hits <= 0) return 1;
    const boost::math::binomial_distribution<double> law(static_cast<double>(n), p);
    return boost::math::cdf(boost::math::complement(law, static_cast<double>(hits - 1)));
}

double lowerTail(std::int64_t n, double p, std::int64_t hits) {
    const boost::math::binomial_distribution<double> law(static_cast<double>(n), p);
    return boost::math::cdf(law, static_cast<double>(hits));
}

// base^exponent by squaring: plain products, so every build's library gives
// the same bits (the C libraries' pow differ in the last place).
double power(double base, std::int64_t exponent) {
    double result = 1;
    for (; exponent > 0; exponent /= 2) {
        if (exponent % 2 != 0) result *= base;
        base *= base;
    }
    return result;
}

std::uint64_t rotateLeft(std::uint64_t x, int bits) {
    return (x << bits) | (x >> (64 - bits));
}

std::uint64_t nextBits(FairRandom& random) {
    std::uint64_t* s = random.state;
    const std::uint64_t result = rotateLeft(s[1] * 5, 7) * 9;
    const std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotateLeft(s[3], 45);
    return result;
}

// log(k!) - the Stirling approximation of it.
double stirlingTail(double k) {
    static constexpr std::array<double, 10> small = {
        0.08106146679532726,  0.04134069595540929, 0.02767792568499834, 0.02079067210376509,
        0.01664469118982119,  0.01387612882307075, 0.01189670994589177, 0.01041126526197209,
        0.009255462182712733, 0.008330563433362871};
    if (k <= 9) return small[static_cast<std::size_t>(k)];
    const double kp1 = k + 1;
    const double kp1sq = kp1 * kp1;
    return (1.0 / 12 - (1.0 / 360 - 1.0 / 1260 / kp1sq) / kp1sq) / kp1;
}

// Inversion, for n p < 10.
std::int64_t binomialByInversion(FairRandom& random, std::int64_t n, double p) {
    const double q = 1 - p;
    const double s = p / q;
    const double a = static_cast<double>(n + 1) * s;
    double r = power(q, n);
    double u = nextFraction(random);
    std::int64_t x = 0;
    while (u > r && x < n) {
        u -= r;
        ++x;
        r *= a / static_cast<double>(x) - s;
    }
    return x;
}

// Transformed rejection with squeeze (Hoermann 1993), for n p >= 10 and
// p <= 1/2: a few draws per sample whatever n is.
std::int64_t binomialByRejection(FairRandom& random, std::int64_t n, double p) {
    const double nd = static_cast<double>(n);
    const double spread = std::sqrt(nd * p * (1 - p));
    const double b = 1.15 + 2.53 * spread;
    const double a = -0.0873 + 0.0248 * b + 0.01 * p;
    const double c = nd * p + 0.5;
    const double vr = 0.92 - 4.2 / b;
    const double r = p / (1 - p);
    const double alpha = (2.83 + 5.1 / b) * spread;
    const double m = std::floor((nd + 1) * p);
    for (;;) {
        const double u = nextFraction(random) - 0.5;
        double v = nextFraction(random);
        const double us = 0.5 - std::fabs(u);
        const double k = std::floor((2 * a / us + b) * u + c);
        if (k < 0 || k > nd) continue;
        if (us >= 0.07 && v <= vr) return static_cast<std::int64_t>(k);
        v = std::log(v * alpha / (a / (us * us) + b));
        const double bound = (m + 0.5) * std::log((m + 1) / (r * (nd - m + 1))) +
                             (nd + 1) * std::log((nd - m + 1) / (nd - k + 1)) +
                             (k + 0.5) * std::log(r * (nd - k + 1) / (k + 1)) + stirlingTail(m) +
                             stirlingTail(nd - m) - stirlingTail(k) - stirlingTail(nd - k);
        if (v <= bound) return static_cast<std::int64_t>(k);
    }
}

// The numbers with the most (or fewest) hits, in number order: 00, the
// highest, last.
std::vector<std::int32_t> extremeNumbers(std::span<const std::int64_t> counts, bool hottest) {
    const std::int64_t most = hottest ? *std::max_element(counts.begin(), counts.end())
                                      : *std::min_element(counts.begin(), counts.end());
    std::vector<std::int32_t> numbers;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        if (counts[k] == most) numbers.push_back(static_cast<std::int32_t>(k));
    }
    return numbers;
}

// The most hits of any `width` neighbours along the circular order: one sum
// slid round, for the fair draws.
std::int64_t hottestSector(std::span<const std::int64_t> counts,
                           std::span<const std::int32_t> order, std::int32_t width) {
    const std::size_t k = order.size();
    const auto w = static_cast<std::size_t>(width);
    const auto at = [&](std::size_t place) {
        return counts[static_cast<std::size_t>(order[place % k])];
    };
    std::int64_t hits = 0;
    for (std::size_t j = 0; j < w; ++j)
        hits += at(j);
    std::int64_t most = hits;
    for (std::size_t start = 1; start < k; ++start) {
        hits += at(start + w - 1) - at(start - 1);
        most = std::max(most, hits);
    }
    return most;
}

// Under equal chances X2 = K/n * sum(c^2) - n: the sum of squares orders the
// draws exactly, with no rounding between them.
std::int64_t sumOfSquares(std::span<const std::int64_t> counts) {
    std::int64_t sum = 0;
    for (const std::int64_t c : counts)
        sum += c * c;
    return sum;
}

std::int64_t total(std::span<const std::int64_t> counts) {
    std::int64_t n = 0;
    for (const std::int64_t c : counts)
        n += c;
    return n;
}

// Everything the pass adds up a spin, in one record of locals the loop keeps
// in registers and cache.
struct PassState {
    std::vector<std::int64_t> counts;
    // The skips by length up to skipClassesEnd, then all longer, the first
    // spin of each number among them.
    std::vector<std::int64_t> skipLengths;
    // The time of each number's latest spin, counted from 1; long before
    // the first: none yet.
    std::vector<std::int64_t> latest;
    // How many of the last excludedLastSpins spins hold each number, and how
    // many numbers they hold.
    std::vector<std::int32_t> inLast;
    std::int64_t excluded = 0;
    // Each number's place in the wheel order, and that of the spin before.
    std::vector<std::int32_t> place;
    std::int32_t before = 0;
    // newer - older + K over 1 .. 2K - 1, folded once at the end: no branch a
    // pair (the branch on the wrap, mispredicted half the time, cost 35 ms at
    // 10 M spins).
    std::vector<std::int64_t> unfolded;
};

}  // namespace

// Five passes, one a section, took 149 instructions a spin; this one 76 with
// the watch (callgrind, 1 M spins).
TimeOrderTallies tallyInTimeOrder(std::span<const std::uint8_t> spins,
                                  std::span<const std::int32_t> wheelOrder) {
    const std::size_t k = wheelOrder.size();
    const auto numberCount = static_cast<std::int32_t>(k);
    constexpr std::int32_t classes = skipClassesEnd / skipClassWidth;
    TimeOrderTallies tallies;
    PassState s;
    s.counts.assign(k, 0);
    constexpr std::int64_t longestSkip = skipClassesEnd + 1;
    s.skipLengths.assign(longestSkip + 1, 0);
    s.latest.assign(k, -longestSkip);
    s.inLast.assign(k, 0);
    s.place.assign(k, 0);
    for (std::size_t j = 0; j < k; ++j)
        s.place[static_cast<std::size_t>(wheelOrder[j])] = static_cast<std::int32_t>(j);
    s.unfolded.assign(2 * k, 0);
    SystemFigures system;
    SystemFigures afterTwoLosses;
    // Whether the rows one and two older than the current one were losses.
    bool olderLost = false;
    bool oldestLost = false;
    EvidenceWatch watch(wheelOrder);
    const auto n = static_cast<std::int64_t>(spins.size());
    const std::int64_t olderSpins = n / 2;
    // Time order reads the list from its end; a stop at every checkpoint of
    // the watch and where the older half ends.
    const std::uint8_t* const newestFirst = spins.data();
    if (n > 0) s.before = s.place[newestFirst[n - 1]];
    for (std::int64_t t = 0; t < n;) {
        std::int64_t stop = std::min(n, (t / watchEvery + 1) * watchEvery);
        if (t < olderSpins) stop = std::min(stop, olderSpins);
        for (; t < stop; ++t) {
            const std::size_t spin = newestFirst[n - 1 - t];
            ++s.counts[spin];
            const std::int32_t at = s.place[spin];
            ++s.unfolded[static_cast<std::size_t>(at - s.before + numberCount)];
            s.before = at;
            // The skip since the number's latest spin, by its length (the
            // classes counted here instead: 71 instructions a spin, 55).
            std::int64_t& previous = s.latest[spin];
            ++s.skipLengths[static_cast<std::size_t>(std::min(t + 1 - previous, longestSkip))];
            previous = t + 1;
            if (t >= excludedLastSpins) {
                // Row n - 1 - t plays all numbers but the excluded.
                const bool won = s.inLast[spin] == 0;
                const std::int64_t staked = numberCount - s.excluded;
                ++system.plays;
                system.staked += staked;
                system.won += won ? 1 : 0;
                if (olderLost && oldestLost) {
                    ++afterTwoLosses.plays;
                    afterTwoLosses.staked += staked;
                    afterTwoLosses.won += won ? 1 : 0;
                }
                oldestLost = olderLost;
                olderLost = !won;
                if (--s.inLast[newestFirst[n - 1 - t + excludedLastSpins]] == 0) --s.excluded;
            }
            if (s.inLast[spin]++ == 0) ++s.excluded;
        }
        if (t == olderSpins) tallies.olderCounts = s.counts;
        if (t % watchEvery == 0 || t == n) watch.check(s.counts, t, t == n);
    }
    if (tallies.olderCounts.empty()) tallies.olderCounts.assign(k, 0);
    // The first spin's distance to the spin before it was counted as 0.
    if (n > 0) --s.unfolded[k];
    tallies.distances.assign(k, 0);
    for (std::size_t d = 0; d < k; ++d)
        tallies.distances[d] = s.unfolded[d] + s.unfolded[d + k];
    const double kd = numberCount;
    for (SystemFigures* f : {&system, &afterTwoLosses}) {
        f->net = 36 * f->won - f->staked;
        f->expectedWon = static_cast<double>(f->staked) / kd;
        f->expectedNet = static_cast<double>(f->staked) * (36 - kd) / kd;
    }
    tallies.counts = std::move(s.counts);
    // The first spins of the numbers were counted as skips longer than all.
    s.skipLengths[longestSkip] -= std::count_if(tallies.counts.begin(), tallies.counts.end(),
                                                [](std::int64_t c) { return c > 0; });
    tallies.skipClasses.assign(classes + 1, 0);
    for (std::int64_t d = 1; d <= longestSkip; ++d) {
        const std::int64_t skips = s.skipLengths[static_cast<std::size_t>(d)];
        tallies.skips += skips;
        if (d <= numberCount) tallies.skipsWithinWheelSize += skips;
        tallies.skipClasses[static_cast<std::size_t>(
            std::min<std::int64_t>((d - 1) / skipClassWidth, classes))] += skips;
    }
    tallies.system = system;
    tallies.afterTwoLosses = afterTwoLosses;
    tallies.watch = watch.figures();
    return tallies;
}

namespace {

SkipFigures skipFigures(const TimeOrderTallies& tallies, std::int32_t numberCount) {
    SkipFigures skips;
    const std::int32_t classes = skipClassesEnd / skipClassWidth;
    skips.count = tallies.skips;
    skips.withinWheelSize = tallies.skipsWithinWheelSize;
    const double q = 1 - 1.0 / numberCount;
    const double count = static_cast<double>(skips.count);
    skips.withinWheelSizeFair = 1 - power(q, numberCount);
    for (std::int32_t c = 0; c <= classes; ++c) {
        SkipClass skipClass;
        skipClass.from = c * skipClassWidth + 1;
        skipClass.to = c < classes ? (c + 1) * skipClassWidth : 0;
        skipClass.observed = tallies.skipClasses[static_cast<std::size_t>(c)];
        const double below = power(q, skipClass.from - 1);
        skipClass.expected = count * (c < classes ? below - power(q, skipClass.to) : below);
        skips.classes.push_back(skipClass);
    }
    return skips;
}

}  // namespace

double chiSquareUpperTail(double x, std::int32_t df) {
    const boost::math::chi_squared_distribution<double> law(df);
    return boost::math::cdf(boost::math::complement(law, x));
}

ChiSquareTest uniformChiSquare(std::span<const std::int64_t> counts) {
    ChiSquareTest test;
    const auto k = static_cast<std::int32_t>(counts.size());
    const std::int64_t n = total(counts);
    test.df = k - 1;
    if (n <= 0 || k < 2) return test;
    const double expected = static_cast<double>(n) / k;
    for (const std::int64_t c : counts) {
        const double off = static_cast<double>(c) - expected;
        test.value += off * off / expected;
    }
    if (expected >= chiSquareMinimumExpected) {
        test.p = chiSquareUpperTail(test.value, test.df);
        return test;
    }
    const std::int64_t observed = sumOfSquares(counts);
    std::vector<std::int64_t> fair(counts.size());
    FairRandom random = seededFairRandom(simulationSeed);
    std::int64_t reached = 0;
    for (std::int32_t sample = 0; sample < sectorSamples; ++sample) {
        sampleFairCounts(random, n, fair);
        if (sumOfSquares(fair) >= observed) ++reached;
    }
    test.simulated = true;
    test.samples = sectorSamples;
    test.p = static_cast<double>(1 + reached) / (1.0 + sectorSamples);
    return test;
}

std::vector<HotSector> hotWindows(std::span<const std::int64_t> counts,
                                  std::span<const std::int32_t> order,
                                  std::span<const std::int32_t> widths) {
    return fairExtremes(counts, order, widths).hottest;
}

FairExtremes fairExtremes(std::span<const std::int64_t> counts, std::span<const std::int32_t> order,
                          std::span<const std::int32_t> widths) {
    const std::size_t k = order.size();
    const std::int64_t n = total(counts);
    FairExtremes extremes;
    std::vector<HotSector>& windows = extremes.hottest;
    for (const std::int32_t width : widths) {
        const std::vector<std::int64_t> hits = sectorHits(counts, order, width);
        const auto place =
            static_cast<std::size_t>(std::max_element(hits.begin(), hits.end()) - hits.begin());
        HotSector window;
        window.width = width;
        window.centre = order[place];
        window.members = windowMembers(order, place, width);
        window.hits = hits[place];
        window.expected = static_cast<double>(n) * width / static_cast<double>(k);
        window.samples = sectorSamples;
        windows.push_back(std::move(window));
    }
    extremes.coldest.hits = *std::min_element(counts.begin(), counts.end());
    extremes.coldest.samples = sectorSamples;
    // One set of fair draws serves every width and the coldest class.
    std::vector<std::int64_t> reached(windows.size(), 0);
    std::int64_t coldReached = 0;
    std::vector<std::int64_t> fair(k);
    FairRandom random = seededFairRandom(simulationSeed);
    for (std::int32_t sample = 0; sample < sectorSamples; ++sample) {
        sampleFairCounts(random, n, fair);
        for (std::size_t w = 0; w < windows.size(); ++w) {
            if (hottestSector(fair, order, windows[w].width) >= windows[w].hits) ++reached[w];
        }
        if (*std::min_element(fair.begin(), fair.end()) <= extremes.coldest.hits) ++coldReached;
    }
    const auto share = [](std::int64_t count) {
        return static_cast<double>(1 + count) / (1.0 + sectorSamples);
    };
    for (std::size_t w = 0; w < windows.size(); ++w)
        windows[w].pFamily = share(reached[w]);
    extremes.coldest.pFamily = share(coldReached);
    return extremes;
}

std::vector<std::int32_t> windowMembers(std::span<const std::int32_t> order, std::size_t place,
                                        std::int32_t width) {
    const std::size_t k = order.size();
    std::vector<std::int32_t> members;
    for (std::size_t j = 0; j < static_cast<std::size_t>(width); ++j)
        members.push_back(order[(place + k - static_cast<std::size_t>(width / 2) + j) % k]);
    return members;
}

double binomialUpperTail(std::int64_t n, double p, std::int64_t hits) {
    return upperTail(n, p, hits);
}

std::vector<std::int64_t> sectorHits(std::span<const std::int64_t> counts,
                                     std::span<const std::int32_t> wheelOrder, std::int32_t width) {
    const std::size_t k = wheelOrder.size();
    const auto half = static_cast<std::size_t>(width / 2);
    std::vector<std::int64_t> hits(k, 0);
    for (std::size_t place = 0; place < k; ++place) {
        for (std::size_t j = 0; j < static_cast<std::size_t>(width); ++j)
            hits[place] += counts[static_cast<std::size_t>(wheelOrder[(place + k - half + j) % k])];
    }
    return hits;
}

std::int64_t criticalHits(std::int64_t n, std::int32_t numberCount) {
    const double p0 = 1.0 / numberCount;
    const double alpha = 1 - std::pow(0.95, 1.0 / numberCount);
    // The tail falls as the count grows: bisect for the first at or below alpha.
    std::int64_t low = 0;
    std::int64_t high = n + 1;
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (upperTail(n, p0, middle) <= alpha) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

double detectionPower(std::int64_t n, std::int32_t numberCount, double p1) {
    const std::int64_t c = criticalHits(n, numberCount);
    if (c > n) return 0;
    if (p1 >= 1) return 1;
    return upperTail(n, p1, c);
}

std::optional<double> detectableOneIn(std::int64_t n, std::int32_t numberCount) {
    const std::int64_t c = criticalHits(n, numberCount);
    if (n <= 0 || c > n) return std::nullopt;
    // The power grows with p1, from below alpha at 1/K to 1 at 1.
    double low = 1.0 / numberCount;
    double high = 1;
    while (high - low > 1e-9) {
        const double middle = (low + high) / 2;
        (upperTail(n, middle, c) < 0.8 ? low : high) = middle;
    }
    return 1 / high;
}

FairRandom seededFairRandom(std::uint64_t seed) {
    FairRandom random;
    // splitmix64 spreads the one seed over the four words.
    for (std::uint64_t& word : random.state) {
        seed += 0x9E3779B97F4A7C15u;
        std::uint64_t z = seed;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        word = z ^ (z >> 31);
    }
    return random;
}

double nextFraction(FairRandom& random) {
    return static_cast<double>(nextBits(random) >> 11) * 0x1.0p-53;
}

std::int64_t sampleBinomial(FairRandom& random, std::int64_t n, double p) {
    if (n <= 0 || p <= 0) return 0;
    if (p >= 1) return n;
    if (p > 0.5) return n - sampleBinomial(random, n, 1 - p);
    if (static_cast<double>(n) * p < 10) return binomialByInversion(random, n, p);
    return binomialByRejection(random, n, p);
}

void sampleFairCounts(FairRandom& random, std::int64_t n, std::span<std::int64_t> counts) {
    // Each number takes its share of the spins the numbers before it left.
    std::int64_t left = n;
    for (std::size_t k = 0; k + 1 < counts.size(); ++k) {
        counts[k] = sampleBinomial(random, left, 1.0 / static_cast<double>(counts.size() - k));
        left -= counts[k];
    }
    if (!counts.empty()) counts.back() = left;
}

FairnessFigures analyseFairness(std::span<const std::uint8_t> spins, std::int64_t outsideWheel,
                                const FairnessWheel& wheel) {
    FairnessFigures figures;
    const std::int32_t k = wheel.numberCount;
    const auto n = static_cast<std::int64_t>(spins.size());
    const double p0 = 1.0 / k;
    figures.numberCount = k;
    figures.doubleZero = wheel.doubleZero;
    figures.outsideWheel = outsideWheel;
    figures.spinsAnalysed = n;
    figures.spinsRead = n + outsideWheel;

    const TimeOrderTallies tallies = tallyInTimeOrder(spins, wheel.wheelOrder);
    const std::vector<std::int64_t>& counts = tallies.counts;

    const double expected = static_cast<double>(n) * p0;
    const double spread = std::sqrt(static_cast<double>(n) * p0 * (1 - p0));
    figures.expectedHits = expected;
    figures.chiSquare = uniformChiSquare(counts);
    for (std::int32_t number = 0; number < k; ++number) {
        const std::int64_t hits = counts[static_cast<std::size_t>(number)];
        NumberFairness row;
        row.number = number;
        row.hits = hits;
        row.expected = expected;
        row.z = (static_cast<double>(hits) - expected) / spread;
        row.pHot = upperTail(n, p0, hits);
        row.pCold = lowerTail(n, p0, hits);
        figures.numbers.push_back(row);
    }

    // The hottest number is the hottest sector one pocket wide.
    std::vector<std::int32_t> widths{1};
    widths.insert(widths.end(), std::begin(sectorWidths), std::end(sectorWidths));
    FairExtremes fair = fairExtremes(counts, wheel.wheelOrder, widths);
    for (const bool hottest : {true, false}) {
        std::vector<std::int32_t> numbers = extremeNumbers(counts, hottest);
        const NumberFairness& row = figures.numbers[static_cast<std::size_t>(numbers.front())];
        ExtremeNumber& extreme = hottest ? figures.hottest : figures.coldest;
        extreme.number = row.number;
        extreme.tied.assign(numbers.begin() + 1, numbers.end());
        extreme.hits = row.hits;
        extreme.p = hottest ? row.pHot : row.pCold;
        extreme.pFamily = hottest ? fair.hottest.front().pFamily : fair.coldest.pFamily;
        extreme.samples = hottest ? fair.hottest.front().samples : fair.coldest.samples;
    }
    figures.sectors.assign(std::make_move_iterator(fair.hottest.begin() + 1),
                           std::make_move_iterator(fair.hottest.end()));
    figures.system = tallies.system;
    figures.afterTwoLosses = tallies.afterTwoLosses;
    figures.skips = skipFigures(tallies, k);
    figures.detectableOneIn = detectableOneIn(n, k);
    figures.order = orderFigures(tallies, wheel.wheelOrder);
    return figures;
}

}  // namespace spinchart
