// The wheel-bias figures: the special functions against published critical
// values, lists whose answer is known, the system and the skips against a
// plain model, and the fair-wheel sampler's moments.
#include "fairness/fairness_figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <set>
#include <vector>

#include "session/wheel_profile.h"

namespace spinchart {
namespace {

FairnessWheel wheelOf(const WheelProfile& profile) {
    return {profile.numberCount, profile.neighbourBaseOrder, hasDoubleZero(profile)};
}

// Spins of a fair wheel from a fixed engine, uniform by rejection so the list
// is the same with every library.
std::vector<std::uint8_t> fairSpins(std::size_t count, std::int32_t numberCount,
                                    std::uint32_t seed) {
    std::mt19937 engine(seed);
    const std::uint32_t limit = 0xFFFFFFFFu - 0xFFFFFFFFu % static_cast<std::uint32_t>(numberCount);
    std::vector<std::uint8_t> spins;
    while (spins.size() < count) {
        const std::uint32_t x = engine();
        if (x < limit) spins.push_back(static_cast<std::int32_t>(x % numberCount));
    }
    return spins;
}

TEST(FairnessFunctions, ChiSquareMeetsThePublishedCriticalValues) {
    // Tables give the values to two decimals: the tails agree to that.
    EXPECT_NEAR(chiSquareUpperTail(51.00, 36), 0.05, 0.0005);
    EXPECT_NEAR(chiSquareUpperTail(58.62, 36), 0.01, 0.0002);
    EXPECT_NEAR(chiSquareUpperTail(52.19, 37), 0.05, 0.0005);
    EXPECT_NEAR(chiSquareUpperTail(59.89, 37), 0.01, 0.0002);
    EXPECT_EQ(chiSquareUpperTail(0, 36), 1.0);
}

TEST(FairnessFunctions, FewExpectedHitsTakeTheirPFromFairDraws) {
    // Two classes, six draws: X2 >= that of {5, 1} when |c - 3| >= 2, which
    // a direct binomial sum puts at 14/64.
    const std::int64_t twoClasses[] = {5, 1};
    const ChiSquareTest small = uniformChiSquare(twoClasses);
    EXPECT_TRUE(small.simulated);
    EXPECT_EQ(small.samples, sectorSamples);
    EXPECT_EQ(small.df, 1);
    EXPECT_DOUBLE_EQ(small.value, 8.0 / 3);
    EXPECT_NEAR(small.p, 14.0 / 64, 0.015);
    // Enough expected hits: the chi-square law itself.
    const std::int64_t many[] = {60, 40};
    const ChiSquareTest law = uniformChiSquare(many);
    EXPECT_FALSE(law.simulated);
    EXPECT_EQ(law.samples, 0);
    EXPECT_DOUBLE_EQ(law.p, chiSquareUpperTail(4, 1));
}

TEST(FairnessFigures, ABalancedListIsPerfectlyFair) {
    for (const WheelProfile* profile : {&singleZeroProfile, &doubleZeroProfile}) {
        std::vector<std::uint8_t> spins;
        for (int round = 0; round < 10; ++round) {
            for (std::int32_t k = 0; k < profile->numberCount; ++k)
                spins.push_back(k);
        }
        const FairnessFigures f = analyseFairness(spins, 3, wheelOf(*profile));
        EXPECT_EQ(f.spinsRead, static_cast<std::int64_t>(spins.size()) + 3);
        EXPECT_EQ(f.spinsAnalysed, static_cast<std::int64_t>(spins.size()));
        EXPECT_DOUBLE_EQ(f.expectedHits, 10.0);
        EXPECT_EQ(f.chiSquare.value, 0.0);
        EXPECT_EQ(f.chiSquare.p, 1.0);
        EXPECT_EQ(f.chiSquare.df, profile->numberCount - 1);
        EXPECT_FALSE(f.chiSquare.simulated);
        ASSERT_EQ(f.numbers.size(), static_cast<std::size_t>(profile->numberCount));
        for (const NumberFairness& row : f.numbers) {
            EXPECT_EQ(row.hits, 10);
            EXPECT_EQ(row.z, 0.0);
            EXPECT_GT(row.pHot, 0.5);
            EXPECT_GT(row.pCold, 0.5);
        }
        // Ties: the lowest number, the others in number order.
        std::vector<std::int32_t> others(static_cast<std::size_t>(profile->numberCount - 1));
        std::iota(others.begin(), others.end(), 1);
        for (const ExtremeNumber* e : {&f.hottest, &f.coldest}) {
            EXPECT_EQ(e->number, 0);
            EXPECT_EQ(e->tied, others);
            EXPECT_EQ(e->samples, sectorSamples);
            EXPECT_GT(e->pFamily, 0.5);
        }
        // Every sector alike: the one centred on 0 comes first.
        for (const HotSector& s : f.sectors) {
            EXPECT_EQ(s.centre, 0);
            EXPECT_EQ(s.hits, 10 * s.width);
            EXPECT_EQ(s.samples, sectorSamples);
            EXPECT_GT(s.pFamily, 0.5);
        }
    }
}

TEST(FairnessFigures, APlantedHotNumberIsFoundAndAFairListIsNotFlagged) {
    const FairnessWheel wheel = wheelOf(singleZeroProfile);
    const std::vector<std::uint8_t> fair = fairSpins(37 * 300, 37, 7);
    const FairnessFigures clean = analyseFairness(fair, 0, wheel);
    EXPECT_GT(clean.chiSquare.p, 0.05);
    EXPECT_GT(clean.hottest.pFamily, 0.05);
    EXPECT_GT(clean.coldest.pFamily, 0.05);
    for (const HotSector& s : clean.sectors)
        EXPECT_GT(s.pFamily, 0.05) << s.width;

    // 17 comes up half as often again as it should.
    std::vector<std::uint8_t> biased = fair;
    for (std::size_t i = 0; i < biased.size(); i += 74)
        biased[i] = 17;
    const FairnessFigures hot = analyseFairness(biased, 0, wheel);
    EXPECT_LT(hot.chiSquare.p, 0.01);
    EXPECT_EQ(hot.hottest.number, 17);
    EXPECT_LT(hot.hottest.pFamily, 0.01);
    EXPECT_GT(hot.hottest.pFamily, hot.hottest.p);
    for (const HotSector& s : hot.sectors) {
        EXPECT_NE(std::find(s.members.begin(), s.members.end(), 17), s.members.end()) << s.width;
        EXPECT_LT(s.pFamily, 0.01) << s.width;
    }
    ASSERT_TRUE(hot.detectableOneIn.has_value());
    EXPECT_LT(*hot.detectableOneIn, 37.0);
}

TEST(FairnessFunctions, HotWindowsFollowAnyCircularOrder) {
    // Identity order of ten classes: the window of 3 centred on 0 wraps to 9.
    const std::int64_t counts[] = {4, 3, 0, 0, 0, 0, 0, 0, 0, 2};
    const std::int32_t order[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::int32_t widths[] = {1, 3};
    const std::vector<HotSector> windows = hotWindows(counts, order, widths);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].centre, 0);
    EXPECT_EQ(windows[0].hits, 4);
    EXPECT_EQ(windows[1].members, (std::vector<std::int32_t>{9, 0, 1}));
    EXPECT_EQ(windows[1].hits, 9);
    EXPECT_DOUBLE_EQ(windows[1].expected, 9 * 3 / 10.0);
    // Nine draws, nine in three neighbours: rare for a fair draw, not unheard of.
    EXPECT_LT(windows[1].pFamily, 0.01);
    EXPECT_GT(windows[1].pFamily, 1.0 / (1 + sectorSamples));
}

// Four classes, eight draws: every one of the 4^8 outcomes gives the exact
// chance that a fair draw's hottest class, hottest pair of neighbours or
// coldest class goes as far as the planted counts'.
TEST(FairnessFunctions, SimulatedExtremesMatchTheExactShareOfFairDraws) {
    const std::int32_t order[] = {0, 1, 2, 3};
    const std::int32_t widths[] = {1, 2};
    const std::vector<std::vector<std::int64_t>> planted = {
        {5, 1, 1, 1}, {0, 2, 3, 3}, {2, 2, 2, 2}, {0, 0, 4, 4}, {8, 0, 0, 0}};
    for (const std::vector<std::int64_t>& counts : planted) {
        const FairExtremes got = fairExtremes(counts, order, widths);
        ASSERT_EQ(got.hottest.size(), 2u);
        double hot = 0;
        double pair = 0;
        double cold = 0;
        for (std::int32_t outcome = 0; outcome < 1 << 16; ++outcome) {
            std::int64_t c[4] = {};
            for (int draw = 0; draw < 8; ++draw)
                ++c[(outcome >> (2 * draw)) & 3];
            std::int64_t most = 0;
            std::int64_t fewest = 8;
            std::int64_t mostPair = 0;
            for (int k = 0; k < 4; ++k) {
                most = std::max(most, c[k]);
                fewest = std::min(fewest, c[k]);
                mostPair = std::max(mostPair, c[k] + c[(k + 1) % 4]);
            }
            hot += most >= got.hottest[0].hits ? 1 : 0;
            pair += mostPair >= got.hottest[1].hits ? 1 : 0;
            cold += fewest <= got.coldest.hits ? 1 : 0;
        }
        EXPECT_EQ(got.coldest.hits, *std::min_element(counts.begin(), counts.end()));
        EXPECT_EQ(got.coldest.samples, sectorSamples);
        for (const auto& [simulated, exact] : {std::pair{got.hottest[0].pFamily, hot},
                                               {got.hottest[1].pFamily, pair},
                                               {got.coldest.pFamily, cold}}) {
            const double p = exact / (1 << 16);
            EXPECT_NEAR(simulated, p, 4 * std::sqrt(p * (1 - p) / sectorSamples) + 2e-4)
                << counts[0] << counts[1] << counts[2] << counts[3];
        }
    }
}

TEST(FairnessFigures, SectorsRunInWheelOrderAndWrapRound) {
    const FairnessWheel wheel = wheelOf(doubleZeroProfile);
    // Only 2 is hit: the last place of the wheel order, beside 0.
    std::vector<std::int64_t> counts(38, 0);
    counts[2] = 4;
    const std::vector<std::int64_t> hits = sectorHits(counts, wheel.wheelOrder, 5);
    for (std::size_t place = 0; place < hits.size(); ++place) {
        const bool covers = place <= 1 || place >= 35;
        EXPECT_EQ(hits[place], covers ? 4 : 0) << place;
    }
    const std::vector<std::uint8_t> spins{2, 2, 2, 2};
    const FairnessFigures f = analyseFairness(spins, 0, wheel);
    ASSERT_EQ(f.sectors.size(), 2u);
    EXPECT_EQ(f.sectors[0].centre, 0);
    EXPECT_EQ(f.sectors[0].members, (std::vector<std::int32_t>{14, 2, 0, 28, 9}));
    EXPECT_DOUBLE_EQ(f.sectors[0].expected, 4 * 5 / 38.0);
    EXPECT_EQ(f.sectors[1].members, (std::vector<std::int32_t>{23, 35, 14, 2, 0, 28, 9, 26, 30}));
    EXPECT_EQ(f.hottest.number, 2);
    EXPECT_TRUE(f.hottest.tied.empty());
    EXPECT_EQ(f.coldest.number, 0);
    EXPECT_EQ(f.coldest.tied.size(), 36u);
    EXPECT_EQ(f.coldest.tied.back(), doubleZeroNumber);
    // Four spins on one number: the whole wheel's p is simulated.
    EXPECT_TRUE(f.chiSquare.simulated);
    EXPECT_LT(f.chiSquare.p, 0.001);
}

// The worked example of the main report, on the double-zero wheel where all
// its values count: rows 1 to 3 lose, 4 to 7 win; row 1 follows two losses.
TEST(FairnessFigures, TheSystemOfTheWorkedExample) {
    const std::vector<std::uint8_t> spins{17, 3, 17, 0, 25, 3, 9, 17, 37, 0, 12, 3};
    const FairnessFigures f = analyseFairness(spins, 0, wheelOf(doubleZeroProfile));
    EXPECT_EQ(f.system.plays, 7);
    EXPECT_EQ(f.system.won, 4);
    EXPECT_EQ(f.system.staked, 34 + 6 * 33);
    EXPECT_EQ(f.system.net, 36 * 4 - 232);
    EXPECT_DOUBLE_EQ(f.system.expectedWon, 232 / 38.0);
    EXPECT_DOUBLE_EQ(f.system.expectedNet, -2 * 232 / 38.0);
    EXPECT_EQ(f.afterTwoLosses.plays, 1);
    EXPECT_EQ(f.afterTwoLosses.won, 0);
    EXPECT_EQ(f.afterTwoLosses.staked, 34);
    EXPECT_EQ(f.afterTwoLosses.net, -34);
    // Skips: 17 after 2 and 5 spins, 3 after 4 and 6, 0 after 6.
    EXPECT_EQ(f.skips.count, 5);
    EXPECT_EQ(f.skips.withinWheelSize, 5);
    EXPECT_EQ(f.skips.classes[0].observed, 3);
    EXPECT_EQ(f.skips.classes[1].observed, 2);
}

// The system and the skips against a plain model on random lists.
TEST(FairnessFigures, SystemAndSkipsAgreeWithAPlainModel) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        const std::int32_t k = seed % 2 ? 37 : 38;
        const std::vector<std::uint8_t> spins = fairSpins(seed * 37, k, seed);
        SystemFigures all;
        SystemFigures afterLosses;
        std::vector<bool> lost;
        const std::size_t rows = spins.size() > 5 ? spins.size() - 5 : 0;
        for (std::size_t i = 0; i < rows; ++i) {
            const std::set<std::int32_t> last(spins.begin() + i + 1, spins.begin() + i + 6);
            lost.push_back(last.count(spins[i]) > 0);
        }
        for (std::size_t i = 0; i < rows; ++i) {
            const std::set<std::int32_t> last(spins.begin() + i + 1, spins.begin() + i + 6);
            const auto staked = static_cast<std::int64_t>(k - last.size());
            for (SystemFigures* f : {&all, &afterLosses}) {
                if (f == &afterLosses && !(i + 2 < rows && lost[i + 1] && lost[i + 2])) continue;
                ++f->plays;
                f->staked += staked;
                f->won += lost[i] ? 0 : 1;
            }
        }
        std::vector<std::int64_t> classes(21, 0);
        std::int64_t within = 0;
        for (std::size_t i = 0; i < spins.size(); ++i) {
            for (std::size_t j = i + 1; j < spins.size(); ++j) {
                if (spins[j] != spins[i]) continue;
                const auto d = static_cast<std::int64_t>(j - i);
                ++classes[static_cast<std::size_t>(std::min<std::int64_t>((d - 1) / 5, 20))];
                within += d <= k ? 1 : 0;
                break;
            }
        }
        const FairnessFigures f =
            analyseFairness(spins, 0, wheelOf(k == 37 ? singleZeroProfile : doubleZeroProfile));
        for (const auto& [got, want] :
             {std::pair{&f.system, &all}, {&f.afterTwoLosses, &afterLosses}}) {
            EXPECT_EQ(got->plays, want->plays) << seed;
            EXPECT_EQ(got->won, want->won) << seed;
            EXPECT_EQ(got->staked, want->staked) << seed;
            EXPECT_EQ(got->net, 36 * want->won - want->staked) << seed;
        }
        ASSERT_EQ(f.skips.classes.size(), classes.size());
        double expected = 0;
        for (std::size_t c = 0; c < classes.size(); ++c) {
            EXPECT_EQ(f.skips.classes[c].observed, classes[c]) << seed << " class " << c;
            expected += f.skips.classes[c].expected;
        }
        EXPECT_EQ(f.skips.withinWheelSize, within) << seed;
        EXPECT_NEAR(expected, static_cast<double>(f.skips.count), 1e-6) << seed;
        EXPECT_EQ(f.skips.classes.back().to, 0);
    }
}

// P(Bin(n, p) >= c) as a plain sum of its terms.
double binomialTailSum(std::int64_t n, double p, std::int64_t c) {
    double sum = 0;
    for (std::int64_t k = c; k <= n; ++k) {
        const auto kd = static_cast<double>(k);
        const auto nd = static_cast<double>(n);
        sum += std::exp(std::lgamma(nd + 1) - std::lgamma(kd + 1) - std::lgamma(nd - kd + 1) +
                        kd * std::log(p) + (nd - kd) * std::log1p(-p));
    }
    return sum;
}

TEST(FairnessFunctions, TheHottestNumberTestsPowerIsTheBinomialSum) {
    struct Case {
        std::int64_t n;
        std::int32_t k;
        double p1;
    };
    for (const Case c : {Case{2, 37, 0.5}, Case{60, 37, 0.1}, Case{500, 37, 1 / 17.4},
                         Case{500, 38, 1 / 20.0}, Case{3000, 37, 1 / 30.0}}) {
        const double p0 = 1.0 / c.k;
        const double alpha = 1 - std::pow(0.95, 1.0 / c.k);
        std::int64_t critical = c.n + 1;
        while (critical > 0 && binomialTailSum(c.n, p0, critical - 1) <= alpha)
            --critical;
        EXPECT_EQ(criticalHits(c.n, c.k), critical) << c.n;
        EXPECT_NEAR(detectionPower(c.n, c.k, c.p1), binomialTailSum(c.n, c.p1, critical), 1e-12)
            << c.n;
        // The rate found is where the power reaches 80%.
        const std::optional<double> oneIn = detectableOneIn(c.n, c.k);
        ASSERT_TRUE(oneIn.has_value()) << c.n;
        EXPECT_NEAR(binomialTailSum(c.n, 1 / *oneIn, critical), 0.8, 1e-7) << c.n;
    }
    // 500 spins: 66% at 1 in 17.4, 80% near 1 in 16.1.
    EXPECT_NEAR(detectionPower(500, 37, 1 / 17.4), 0.66, 0.01);
    EXPECT_NEAR(*detectableOneIn(500, 37), 16.1, 0.05);
    // One spin cannot single out a number (1/37 > 0.0014); two can.
    EXPECT_FALSE(detectableOneIn(0, 37).has_value());
    EXPECT_FALSE(detectableOneIn(1, 38).has_value());
    EXPECT_EQ(detectionPower(1, 38, 0.9), 0.0);
    EXPECT_TRUE(detectableOneIn(2, 37).has_value());
    // More spins, subtler biases.
    EXPECT_GT(*detectableOneIn(1'000'000, 37), *detectableOneIn(10'000, 37));
    EXPECT_LT(*detectableOneIn(1'000'000, 37), 37.0);
}

TEST(FairSampler, BinomialDrawsHaveTheirLawsMoments) {
    struct Case {
        std::int64_t n;
        double p;
    };
    // Inversion, rejection, and p above one half.
    for (const Case c :
         {Case{40, 0.1}, Case{10'000'000, 1 / 37.0}, Case{200, 0.5}, Case{1000, 0.9}}) {
        FairRandom random = seededFairRandom(11);
        constexpr int draws = 40'000;
        double sum = 0;
        double squares = 0;
        for (int i = 0; i < draws; ++i) {
            const auto x = static_cast<double>(sampleBinomial(random, c.n, c.p));
            ASSERT_GE(x, 0);
            ASSERT_LE(x, static_cast<double>(c.n));
            sum += x;
            squares += x * x;
        }
        const double mean = static_cast<double>(c.n) * c.p;
        const double variance = mean * (1 - c.p);
        const double gotMean = sum / draws;
        const double gotVariance = squares / draws - gotMean * gotMean;
        EXPECT_NEAR(gotMean, mean, 5 * std::sqrt(variance / draws)) << c.n << " " << c.p;
        EXPECT_NEAR(gotVariance / variance, 1.0, 0.05) << c.n << " " << c.p;
    }
    FairRandom random = seededFairRandom(3);
    std::vector<std::int64_t> counts(38);
    for (const std::int64_t n : {0, 1, 37, 123'456'789}) {
        sampleFairCounts(random, n, counts);
        std::int64_t total = 0;
        for (const std::int64_t count : counts) {
            EXPECT_GE(count, 0);
            total += count;
        }
        EXPECT_EQ(total, n);
    }
}

}  // namespace
}  // namespace spinchart
