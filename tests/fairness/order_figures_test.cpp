// The order figures against plain models: distances counted by searching the
// wheel, halves counted spin by spin, the homogeneity test by the closed form
// of a 2 x K table, and the watch by a direct sum over its 9K ratios; planted
// signatures, hot numbers and rigged wheels found, fair lists left alone.
#include "fairness/order_figures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "fairness/fairness_figures.h"
#include "session/wheel_profile.h"

namespace spinchart {
namespace {

std::span<const std::int32_t> orderOf(const WheelProfile& profile) {
    return profile.neighbourBaseOrder;
}

std::int32_t placeOf(std::span<const std::int32_t> order, std::int32_t number) {
    return static_cast<std::int32_t>(std::find(order.begin(), order.end(), number) - order.begin());
}

// A wheel's spins in time order from a fixed engine, returned newest first.
struct SpinPlan {
    std::size_t count = 0;
    std::mt19937::result_type seed = 1;
    // With chance `planted` a spin lands `step` (+- spread) pockets on from the last,
    double planted = 0;
    std::int32_t step = 0;
    std::int32_t spread = 0;
    // and with chance `rigged`, from spin `riggedFrom` until `riggedUntil`, on `hot`.
    double rigged = 0;
    std::size_t riggedFrom = 0;
    std::size_t riggedUntil = SIZE_MAX;
    std::int32_t hot = 17;
};

std::vector<std::uint8_t> spinsOf(const SpinPlan& plan, std::span<const std::int32_t> order) {
    const auto k = static_cast<std::int32_t>(order.size());
    std::mt19937 engine(plan.seed);
    const auto uniform = [&engine](std::uint32_t below) {
        const std::uint32_t limit = 0xFFFFFFFFu - 0xFFFFFFFFu % below;
        for (;;) {
            const std::uint32_t x = engine();
            if (x < limit) return static_cast<std::int32_t>(x % below);
        }
    };
    const auto chance = [&engine](double p) { return engine() < p * 4294967296.0; };
    std::vector<std::uint8_t> spins;
    while (spins.size() < plan.count) {
        const std::size_t t = spins.size();
        std::int32_t spin = order[static_cast<std::size_t>(uniform(static_cast<std::uint32_t>(k)))];
        if (t > 0 && chance(plan.planted)) {
            const std::int32_t d =
                plan.step - plan.spread + uniform(static_cast<std::uint32_t>(2 * plan.spread + 1));
            spin = order[static_cast<std::size_t>((placeOf(order, spins.back()) + d + k) % k)];
        } else if (t >= plan.riggedFrom && t < plan.riggedUntil && chance(plan.rigged)) {
            spin = plan.hot;
        }
        spins.push_back(spin);
    }
    std::reverse(spins.begin(), spins.end());
    return spins;
}

TEST(OrderFigures, DistancesFromSpinToSpinMatchAPlainCount) {
    for (const WheelProfile* profile : {&singleZeroProfile, &doubleZeroProfile}) {
        const std::span<const std::int32_t> order = orderOf(*profile);
        const auto k = static_cast<std::int32_t>(order.size());
        const std::vector<std::uint8_t> spins = spinsOf({.count = 500, .seed = 3}, order);
        std::vector<std::int64_t> model(order.size(), 0);
        for (std::size_t i = spins.size() - 1; i > 0; --i) {
            const std::int32_t from = placeOf(order, spins[i]);
            const std::int32_t to = placeOf(order, spins[i - 1]);
            ++model[static_cast<std::size_t>(((to - from) % k + k) % k)];
        }
        const ConsecutiveFigures f = consecutiveFigures(spins, order);
        EXPECT_EQ(f.pairs, 499);
        EXPECT_EQ(f.counts, model);
    }
    // Clockwise, wrapping past 0: the last place to the first is one pocket.
    const std::span<const std::int32_t> order = orderOf(singleZeroProfile);
    const auto at = [&order](std::size_t place) { return static_cast<std::uint8_t>(order[place]); };
    const std::vector<std::uint8_t> newestFirst = {at(0), at(36), at(36), at(2)};
    const ConsecutiveFigures f = consecutiveFigures(newestFirst, order);
    EXPECT_EQ(f.counts[1], 1);
    EXPECT_EQ(f.counts[0], 1);
    EXPECT_EQ(f.counts[34], 1);
    const std::vector<std::uint8_t> one = {5};
    EXPECT_EQ(consecutiveFigures(one, order).pairs, 0);
}

// A planned list and whether the figure under test must find its plant.
struct PlanCase {
    const char* name;
    SpinPlan plan;
    bool found;
};

TEST(OrderFigures, APlantedDealerSignatureIsFoundAndAFairListIsNotFlagged) {
    const PlanCase cases[] = {
        {"fair", {.count = 2000, .seed = 11}, false},
        {"fair, few pairs a distance", {.count = 120, .seed = 12}, false},
        {"18 +- 2 pockets on, 15%",
         {.count = 2000, .seed = 13, .planted = 0.15, .step = 18, .spread = 2},
         true},
        {"the same number again, 10%", {.count = 1000, .seed = 14, .planted = 0.1}, true},
    };
    const std::span<const std::int32_t> order = orderOf(singleZeroProfile);
    for (const PlanCase& c : cases) {
        const ConsecutiveFigures f = consecutiveFigures(spinsOf(c.plan, order), order);
        ASSERT_EQ(f.windows.size(), 2u) << c.name;
        EXPECT_EQ(f.chiSquare.simulated, c.plan.count < 5 * 37) << c.name;
        if (!c.found) {
            EXPECT_GT(f.chiSquare.p, 0.05) << c.name;
            for (const HotSector& w : f.windows)
                EXPECT_GT(w.pFamily, 0.05) << c.name << " " << w.width;
            continue;
        }
        EXPECT_LT(f.chiSquare.p, 1e-6) << c.name;
        for (const HotSector& w : f.windows) {
            EXPECT_LT(w.pFamily, 0.001) << c.name << " " << w.width;
            // The window holds the planted distances, wrapping round 0.
            const std::int32_t half = w.width / 2;
            EXPECT_EQ(w.members.front(), (w.centre - half + 37) % 37) << c.name;
            EXPECT_EQ(w.members.back(), (w.centre + half) % 37) << c.name;
            const std::int32_t off = std::abs(w.centre - c.plan.step);
            EXPECT_LE(std::min(off, 37 - off), half - c.plan.spread) << c.name;
        }
    }
}

TEST(OrderFigures, AHotNumberPickedOnOlderSpinsIsTestedOnTheNewer) {
    // Time order: the older half is the first 1500 spins of 3001.
    const PlanCase cases[] = {
        {"17 hot throughout", {.count = 3001, .seed = 21, .rigged = 0.05}, true},
        {"17 hot in the older half alone",
         {.count = 3001, .seed = 22, .rigged = 0.05, .riggedUntil = 1500},
         false},
        {"fair", {.count = 3001, .seed = 23}, false},
    };
    const std::span<const std::int32_t> order = orderOf(singleZeroProfile);
    for (const PlanCase& c : cases) {
        const std::vector<std::uint8_t> spins = spinsOf(c.plan, order);
        const ReplicationFigures f = replicationFigures(spins, order);
        EXPECT_EQ(f.olderSpins, 1500) << c.name;
        EXPECT_EQ(f.newerSpins, 1501) << c.name;
        ASSERT_EQ(f.sectors.size(), 2u) << c.name;
        // Each pick's hits in each half, spin by spin.
        for (const ReplicatedPick* pick : {&f.number, &f.sectors[0], &f.sectors[1]}) {
            std::int64_t older = 0;
            std::int64_t newer = 0;
            for (std::size_t i = 0; i < spins.size(); ++i) {
                const bool in = std::count(pick->members.begin(), pick->members.end(), spins[i]);
                (i < 1501 ? newer : older) += in ? 1 : 0;
            }
            EXPECT_EQ(pick->hitsOlder, older) << c.name;
            EXPECT_EQ(pick->hitsNewer, newer) << c.name;
            EXPECT_NEAR(pick->expectedNewer, 1501.0 * pick->members.size() / 37, 1e-9);
            EXPECT_EQ(pick->members[pick->members.size() / 2], pick->centre) << c.name;
            if (c.plan.rigged > 0) {
                EXPECT_NE(std::count(pick->members.begin(), pick->members.end(), 17), 0) << c.name;
            }
            if (c.found) {
                EXPECT_LT(pick->p, 0.01) << c.name;
            } else {
                EXPECT_GT(pick->p, 0.05) << c.name;
            }
        }
        EXPECT_EQ(f.number.centre == 17, c.plan.rigged > 0) << c.name;
    }
}

TEST(OrderFigures, HomogeneityMatchesTheClosedFormOfATwoRowTable) {
    struct Case {
        const char* name;
        std::vector<std::int64_t> a;
        std::vector<std::int64_t> b;
    };
    std::vector<std::int64_t> even(37, 10);
    std::vector<std::int64_t> skewed = even;
    skewed[17] = 40;
    skewed[3] = 0;
    std::vector<std::int64_t> twoNumbersA(37, 0);
    std::vector<std::int64_t> twoNumbersB(37, 0);
    twoNumbersA[4] = 10;
    twoNumbersA[9] = 20;
    twoNumbersB[4] = 20;
    twoNumbersB[9] = 10;
    const Case cases[] = {
        {"alike", even, even},
        {"one number hot in one file, one missing", even, skewed},
        // By hand: 2 x (30 x 10 - 30 x 20)^2 / (30 x 30 x 30) = 20/3.
        {"two numbers held", twoNumbersA, twoNumbersB},
    };
    for (const Case& c : cases) {
        std::vector<std::int64_t> table = c.a;
        table.insert(table.end(), c.b.begin(), c.b.end());
        const Homogeneity h = homogeneity(table, 37);
        double na = 0;
        double nb = 0;
        std::int32_t kept = 0;
        for (std::size_t j = 0; j < 37; ++j) {
            na += static_cast<double>(c.a[j]);
            nb += static_cast<double>(c.b[j]);
            kept += c.a[j] + c.b[j] > 0 ? 1 : 0;
        }
        double model = 0;
        for (std::size_t j = 0; j < 37; ++j) {
            const double held = static_cast<double>(c.a[j] + c.b[j]);
            const double off = nb * static_cast<double>(c.a[j]) - na * static_cast<double>(c.b[j]);
            if (held > 0) model += off * off / (na * nb * held);
        }
        EXPECT_NEAR(h.value, model, 1e-9 * std::max(1.0, model)) << c.name;
        EXPECT_EQ(h.numbersKept, kept) << c.name;
        EXPECT_EQ(h.df, kept - 1) << c.name;
        EXPECT_DOUBLE_EQ(h.p, chiSquareUpperTail(model, kept - 1)) << c.name;
    }
    const std::vector<std::int64_t> twoNumbers = {0, 0, 0, 0, 10, 20, 0, 0, 0, 0, 20, 10};
    EXPECT_NEAR(homogeneity(twoNumbers, 6).value, 20.0 / 3, 1e-12);
    // One number held by every file: nothing to compare.
    const std::vector<std::int64_t> single = {0, 5, 0, 0, 7, 0};
    EXPECT_EQ(homogeneity(single, 3).df, 0);
    EXPECT_EQ(homogeneity(single, 3).p, 1.0);
}

// The watch by its definition: every window's ratio from its own count, summed
// in logarithms at every checkpoint.
WatchFigures directWatch(const std::vector<std::uint8_t>& newestFirst,
                         std::span<const std::int32_t> order) {
    const auto k = static_cast<std::int32_t>(order.size());
    const std::vector<std::int32_t> spins(newestFirst.rbegin(), newestFirst.rend());
    const auto n = static_cast<std::int64_t>(spins.size());
    WatchFigures f;
    f.log10Highest = -1e300;
    for (std::int64_t t = std::min<std::int64_t>(100, n); t <= n;
         t = t == n ? n + 1 : std::min(t + 100, n)) {
        std::vector<double> logs;
        for (const std::int32_t w : {1, 5, 9}) {
            for (std::int32_t centre = 0; centre < k; ++centre) {
                std::int64_t c = 0;
                for (std::int64_t i = 0; i < t; ++i) {
                    const std::int32_t off =
                        placeOf(order, spins[static_cast<std::size_t>(i)]) - centre;
                    const std::int32_t distance = std::min((off + k) % k, (k - off) % k);
                    c += distance <= w / 2 ? 1 : 0;
                }
                for (const double r : {1.1, 1.25, 1.5}) {
                    const double p = static_cast<double>(w) / k;
                    const double q = r * p;
                    logs.push_back(static_cast<double>(c) * std::log(q / p) +
                                   static_cast<double>(t - c) * std::log((1 - q) / (1 - p)));
                }
            }
        }
        const double top = *std::max_element(logs.begin(), logs.end());
        double sum = 0;
        for (const double value : logs)
            sum += std::exp(value - top);
        const double log10Score =
            (top + std::log(sum / static_cast<double>(logs.size()))) / std::log(10.0);
        f.log10Final = log10Score;
        if (log10Score > f.log10Highest) {
            f.log10Highest = log10Score;
            f.highestAfter = t;
        }
    }
    f.alarm5 = f.log10Highest >= std::log10(20.0);
    f.alarm1 = f.log10Highest >= 2;
    return f;
}

TEST(OrderFigures, TheWatchIsTheMeanOfItsRatiosAndRisesOnARiggedWheel) {
    struct Case {
        const char* name;
        const WheelProfile* profile;
        SpinPlan plan;
        bool alarm;
    };
    const Case cases[] = {
        {"fair", &singleZeroProfile, {.count = 3000, .seed = 31}, false},
        {"fair, double zero", &doubleZeroProfile, {.count = 2550, .seed = 32}, false},
        {"a few spins", &singleZeroProfile, {.count = 7, .seed = 33}, false},
        {"17 at 3 times its rate after 1500 fair spins",
         &singleZeroProfile,
         {.count = 3000, .seed = 34, .rigged = 0.06, .riggedFrom = 1500},
         true},
        {"a sector hot, then fair again",
         &doubleZeroProfile,
         {.count = 2250, .seed = 35, .planted = 0, .rigged = 0.5, .riggedUntil = 600, .hot = 37},
         true},
    };
    for (const Case& c : cases) {
        const std::span<const std::int32_t> order = orderOf(*c.profile);
        const std::vector<std::uint8_t> spins = spinsOf(c.plan, order);
        const WatchFigures f = watchFigures(spins, order);
        const WatchFigures model = directWatch(spins, order);
        EXPECT_NEAR(f.log10Final, model.log10Final, 1e-9) << c.name;
        EXPECT_NEAR(f.log10Highest, model.log10Highest, 1e-9) << c.name;
        EXPECT_EQ(f.highestAfter, model.highestAfter) << c.name;
        EXPECT_EQ(f.alarm5, c.alarm) << c.name;
        EXPECT_EQ(f.alarm1, c.alarm) << c.name;
        if (c.alarm) {
            // It rises with the bias, not before it starts, and falls back once
            // the wheel is fair again.
            EXPECT_GT(static_cast<std::size_t>(f.highestAfter), c.plan.riggedFrom) << c.name;
            if (c.plan.riggedUntil < c.plan.count) {
                EXPECT_LT(f.log10Final, f.log10Highest - 1) << c.name;
            }
        }
    }
}

}  // namespace
}  // namespace spinchart
