#include "fairness/fairness_figures.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/main_report.h"

#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

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

double normalUpperQuantile(double tail) {
    const boost::math::normal_distribution<double> law;
    return boost::math::quantile(boost::math::complement(law, tail));
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

// The number to report among those with the same figure: the lowest, 00 last
// (00 is the highest number).
std::size_t extremeIndex(std::span<const std::int64_t> counts, bool hottest) {
    std::size_t best = 0;
    for (std::size_t k = 1; k < counts.size(); ++k) {
        if (hottest ? counts[k] > counts[best] : counts[k] < counts[best]) best = k;
    }
    return best;
}

std::int64_t hottestSector(std::span<const std::int64_t> counts,
                           std::span<const std::int32_t> order, std::int32_t width) {
    const std::vector<std::int64_t> hits = sectorHits(counts, order, width);
    return *std::max_element(hits.begin(), hits.end());
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

// Row i (0-based) plays every number but those of the next older
// excludedLastSpins spins, and wins when its own number is not among them.
void playSystem(std::span<const std::int32_t> spins, std::int32_t numberCount,
                FairnessFigures& figures) {
    const std::size_t rows = spins.size() > static_cast<std::size_t>(excludedLastSpins)
                                 ? spins.size() - excludedLastSpins
                                 : 0;
    const auto addRow = [](SystemFigures& f, std::int64_t staked, bool won) {
        ++f.plays;
        f.staked += staked;
        if (won) ++f.won;
    };
    std::vector<std::uint32_t> seenAt(static_cast<std::size_t>(numberCount), 0);
    // Whether the rows one and two older than the current one were losses.
    bool olderLost = false;
    bool oldestLost = false;
    for (std::size_t row = rows; row-- > 0;) {
        std::int64_t excluded = 0;
        bool won = true;
        const auto mark = static_cast<std::uint32_t>(row + 1);
        for (std::size_t j = row + 1; j <= row + excludedLastSpins; ++j) {
            std::uint32_t& seen = seenAt[static_cast<std::size_t>(spins[j])];
            if (seen != mark) {
                seen = mark;
                ++excluded;
            }
        }
        if (seenAt[static_cast<std::size_t>(spins[row])] == mark) won = false;
        const std::int64_t staked = numberCount - excluded;
        addRow(figures.system, staked, won);
        if (olderLost && oldestLost) addRow(figures.afterTwoLosses, staked, won);
        oldestLost = olderLost;
        olderLost = !won;
    }
    const double k = numberCount;
    for (SystemFigures* f : {&figures.system, &figures.afterTwoLosses}) {
        f->net = 36 * f->won - f->staked;
        f->expectedWon = static_cast<double>(f->staked) / k;
        f->expectedNet = static_cast<double>(f->staked) * (36 - k) / k;
    }
}

SkipFigures skipFigures(std::span<const std::int32_t> spins, std::int32_t numberCount) {
    SkipFigures skips;
    const std::int32_t classes = skipClassesEnd / skipClassWidth;
    std::vector<std::int64_t> observed(static_cast<std::size_t>(classes) + 1, 0);
    // Position of each number's older spin, walking from the oldest; 0: none.
    std::vector<std::int64_t> olderAt(static_cast<std::size_t>(numberCount), 0);
    for (std::size_t i = spins.size(); i-- > 0;) {
        std::int64_t& older = olderAt[static_cast<std::size_t>(spins[i])];
        const auto position = static_cast<std::int64_t>(i) + 1;
        if (older != 0) {
            const std::int64_t d = older - position;
            ++skips.count;
            if (d <= numberCount) ++skips.withinWheelSize;
            ++observed[static_cast<std::size_t>(
                std::min<std::int64_t>((d - 1) / skipClassWidth, classes))];
        }
        older = position;
    }
    const double q = 1 - 1.0 / numberCount;
    const double count = static_cast<double>(skips.count);
    skips.withinWheelSizeFair = 1 - power(q, numberCount);
    for (std::int32_t c = 0; c <= classes; ++c) {
        SkipClass skipClass;
        skipClass.from = c * skipClassWidth + 1;
        skipClass.to = c < classes ? (c + 1) * skipClassWidth : 0;
        skipClass.observed = observed[static_cast<std::size_t>(c)];
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

double familyWise(double p, std::int32_t count) {
    if (p >= 1) return 1;
    return -std::expm1(count * std::log1p(-p));
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
    const std::size_t k = order.size();
    const std::int64_t n = total(counts);
    std::vector<HotSector> windows;
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
    // One set of fair draws serves every width.
    std::vector<std::int64_t> reached(windows.size(), 0);
    std::vector<std::int64_t> fair(k);
    FairRandom random = seededFairRandom(simulationSeed);
    for (std::int32_t sample = 0; sample < sectorSamples; ++sample) {
        sampleFairCounts(random, n, fair);
        for (std::size_t w = 0; w < windows.size(); ++w) {
            if (hottestSector(fair, order, windows[w].width) >= windows[w].hits) ++reached[w];
        }
    }
    for (std::size_t w = 0; w < windows.size(); ++w)
        windows[w].pFamily = static_cast<double>(1 + reached[w]) / (1.0 + sectorSamples);
    return windows;
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

std::optional<double> detectableOneIn(std::int64_t n, std::int32_t numberCount) {
    const double nd = static_cast<double>(n);
    const double p0 = 1.0 / numberCount;
    const double alpha = 1 - std::pow(0.95, 1.0 / numberCount);
    const double zAlpha = normalUpperQuantile(alpha);
    const double zPower = normalUpperQuantile(0.2);
    const auto shortfall = [&](double p1) {
        return nd * (p1 - p0) - zAlpha * std::sqrt(nd * p0 * (1 - p0)) -
               zPower * std::sqrt(nd * p1 * (1 - p1));
    };
    // Too few spins when even one number on every spin would not be found.
    if (n <= 0 || std::pow(p0, nd) > alpha || shortfall(1) <= 0) return std::nullopt;
    double low = p0;
    double high = 1;
    for (int step = 0; step < 200 && high - low > 1e-15; ++step) {
        const double middle = (low + high) / 2;
        (shortfall(middle) < 0 ? low : high) = middle;
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

FairnessFigures analyseFairness(std::span<const std::int32_t> spins, std::int64_t outsideWheel,
                                const FairnessWheel& wheel) {
    FairnessFigures figures;
    const std::int32_t k = wheel.numberCount;
    const auto n = static_cast<std::int64_t>(spins.size());
    const double p0 = 1.0 / k;
    figures.numberCount = k;
    figures.outsideWheel = outsideWheel;
    figures.spinsAnalysed = n;
    figures.spinsRead = n + outsideWheel;

    std::vector<std::int64_t> counts(static_cast<std::size_t>(k), 0);
    for (const std::int32_t spin : spins)
        ++counts[static_cast<std::size_t>(spin)];

    const double expected = static_cast<double>(n) * p0;
    const double spread = std::sqrt(static_cast<double>(n) * p0 * (1 - p0));
    figures.expectedHits = expected;
    figures.degreesOfFreedom = k - 1;
    figures.reliable = expected >= chiSquareMinimumExpected;
    for (std::int32_t number = 0; number < k; ++number) {
        const std::int64_t hits = counts[static_cast<std::size_t>(number)];
        const double off = static_cast<double>(hits) - expected;
        figures.chiSquare += off * off / expected;
        NumberFairness row;
        row.number = number;
        row.hits = hits;
        row.expected = expected;
        row.z = off / spread;
        row.pHot = upperTail(n, p0, hits);
        row.pCold = lowerTail(n, p0, hits);
        figures.numbers.push_back(row);
    }
    figures.chiSquareP = chiSquareUpperTail(figures.chiSquare, figures.degreesOfFreedom);

    for (const bool hottest : {true, false}) {
        const NumberFairness& row = figures.numbers[extremeIndex(counts, hottest)];
        ExtremeNumber& extreme = hottest ? figures.hottest : figures.coldest;
        extreme.number = row.number;
        extreme.hits = row.hits;
        extreme.p = hottest ? row.pHot : row.pCold;
        extreme.pFamily = familyWise(extreme.p, k);
    }
    figures.sectors = hotWindows(counts, wheel.wheelOrder, sectorWidths);
    playSystem(spins, k, figures);
    figures.skips = skipFigures(spins, k);
    figures.detectableOneIn = detectableOneIn(n, k);
    figures.order = analyseOrder(spins, wheel.wheelOrder);
    return figures;
}

}  // namespace spinchart
