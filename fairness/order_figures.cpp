#include "fairness/order_figures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

#include "fairness/fairness_figures.h"

namespace spinchart {
namespace {

std::int64_t total(std::span<const std::int64_t> counts) {
    return std::accumulate(counts.begin(), counts.end(), std::int64_t{0});
}

// The pick's hits in the newer half and their upper tail there.
void testOnNewer(ReplicatedPick& pick, std::span<const std::int64_t> newer,
                 std::int64_t newerSpins) {
    const double share =
        static_cast<double>(pick.members.size()) / static_cast<double>(newer.size());
    for (const std::int32_t member : pick.members)
        pick.hitsNewer += newer[static_cast<std::size_t>(member)];
    pick.expectedNewer = static_cast<double>(newerSpins) * share;
    pick.p = binomialUpperTail(newerSpins, share, pick.hitsNewer);
}

// One family of the watch's alternatives: windows of one width hit at r times
// their fair rate p, q = r p. A window with c of t spins has the likelihood
// ratio a^t rho^c, a = (1 - q) / (1 - p), rho = (q / p) / a.
struct WatchGroup {
    std::size_t width = 0;  // index into watchWidths
    double logA = 0;
    double logRho = 0;
    // rho^-d while it matters beside the group's largest term (2^-60).
    std::vector<double> below;
};

std::vector<WatchGroup> watchGroups(std::size_t numberCount) {
    std::vector<WatchGroup> groups;
    for (std::size_t w = 0; w < std::size(watchWidths); ++w) {
        for (const double rate : watchRates) {
            const double p = watchWidths[w] / static_cast<double>(numberCount);
            const double q = rate * p;
            WatchGroup group;
            group.width = w;
            group.logA = std::log1p(-q) - std::log1p(-p);
            group.logRho = std::log(rate) - group.logA;
            for (double term = 1; term > 0x1.0p-60;
                 term = std::exp(-group.logRho * static_cast<double>(group.below.size())))
                group.below.push_back(term);
            groups.push_back(std::move(group));
        }
    }
    return groups;
}

constexpr std::size_t watchGroupCount = std::size(watchWidths) * std::size(watchRates);

// Every window's hits, by width, one window centred on each place of the
// wheel; slid along the wheel in buffers kept from one checkpoint to the next
// (sectorHits at every checkpoint cost 16% of the whole report at 10 M spins).
struct WatchWindows {
    std::array<std::vector<std::int64_t>, std::size(watchWidths)> hits;
    std::array<std::int64_t, std::size(watchWidths)> most{};
    std::vector<std::int64_t> before;
};

void slideWindows(std::span<const std::int64_t> counts, std::span<const std::int32_t> wheelOrder,
                  WatchWindows& windows) {
    const std::size_t k = wheelOrder.size();
    constexpr auto reach = static_cast<std::size_t>(
        *std::max_element(std::begin(watchWidths), std::end(watchWidths)) / 2);
    // The hits in wheel order from `reach` places before the first to `reach`
    // after the last, summed from the left: no modulo in the slide.
    std::vector<std::int64_t>& before = windows.before;
    before.assign(k + 2 * reach + 1, 0);
    for (std::size_t i = 0, place = k - reach; i < k + 2 * reach; ++i, ++place) {
        if (place == k) place = 0;
        before[i + 1] = before[i] + counts[static_cast<std::size_t>(wheelOrder[place])];
    }
    for (std::size_t w = 0; w < std::size(watchWidths); ++w) {
        std::vector<std::int64_t>& hits = windows.hits[w];
        const auto half = static_cast<std::size_t>(watchWidths[w] / 2);
        hits.resize(k);
        for (std::size_t j = 0; j < k; ++j)
            hits[j] = before[j + reach + half + 1] - before[j + reach - half];
        windows.most[w] = *std::max_element(hits.begin(), hits.end());
    }
}

double largestLogRatio(const WatchWindows& windows, std::span<const WatchGroup> groups,
                       std::int64_t t) {
    double largest = -std::numeric_limits<double>::infinity();
    for (const WatchGroup& group : groups) {
        largest =
            std::max(largest, static_cast<double>(t) * group.logA +
                                  static_cast<double>(windows.most[group.width]) * group.logRho);
    }
    return largest;
}

// ln(E) after t spins: the mean of the groups' ratios, each group's sum taken
// beside its largest term, so no term needs an exponential of its own.
double logScore(const WatchWindows& windows, std::span<const WatchGroup> groups, std::int64_t t) {
    std::array<double, watchGroupCount> logs{};
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const WatchGroup& group = groups[g];
        const std::int64_t most = windows.most[group.width];
        double sum = 0;
        for (const std::int64_t c : windows.hits[group.width]) {
            const auto d = static_cast<std::size_t>(most - c);
            if (d < group.below.size()) sum += group.below[d];
        }
        logs[g] = static_cast<double>(t) * group.logA + static_cast<double>(most) * group.logRho +
                  std::log(sum);
    }
    const double top = *std::max_element(logs.begin(), logs.end());
    double sum = 0;
    for (const double value : logs)
        sum += std::exp(value - top);
    const std::size_t ratios = groups.size() * windows.hits[0].size();
    return top + std::log(sum) - std::log(static_cast<double>(ratios));
}

}  // namespace

struct EvidenceWatch::State {
    std::span<const std::int32_t> wheelOrder;
    std::vector<WatchGroup> groups;
    WatchWindows windows;
    WatchFigures figures;
    bool first = true;
};

EvidenceWatch::EvidenceWatch(std::span<const std::int32_t> wheelOrder)
    : state_(new State{wheelOrder, watchGroups(wheelOrder.size()), {}, {}, true}) {}

EvidenceWatch::~EvidenceWatch() = default;

void EvidenceWatch::check(std::span<const std::int64_t> counts, std::int64_t spins, bool last) {
    State& s = *state_;
    WatchFigures& f = s.figures;
    const double ln10 = std::log(10.0);
    slideWindows(counts, s.wheelOrder, s.windows);
    // E is at most its largest ratio: a checkpoint that cannot pass the
    // highest needs no sum (the sums were 40% of the watch at 10 M fair spins).
    if (!s.first && !last &&
        largestLogRatio(s.windows, s.groups, spins) / ln10 < f.log10Highest - 1e-9)
        return;
    const double log10Score = logScore(s.windows, s.groups, spins) / ln10;
    f.log10Final = log10Score;
    if (s.first || log10Score > f.log10Highest) {
        f.log10Highest = log10Score;
        f.highestAfter = spins;
    }
    s.first = false;
}

WatchFigures EvidenceWatch::figures() const {
    WatchFigures f = state_->figures;
    f.alarm5 = f.log10Highest >= std::log10(20.0);
    f.alarm1 = f.log10Highest >= 2;
    return f;
}

OrderFigures orderFigures(const TimeOrderTallies& tallies,
                          std::span<const std::int32_t> wheelOrder) {
    const std::size_t k = wheelOrder.size();
    OrderFigures order;
    ConsecutiveFigures& f = order.consecutive;
    f.counts = tallies.distances;
    const std::int64_t spins = total(tallies.counts);
    if (spins > 0) {
        f.pairs = spins - 1;
        f.chiSquare = uniformChiSquare(f.counts);
        std::vector<std::int32_t> distances(k);
        std::iota(distances.begin(), distances.end(), 0);
        f.windows = hotWindows(f.counts, distances, sectorWidths);
    }

    ReplicationFigures& r = order.replication;
    const std::vector<std::int64_t>& older = tallies.olderCounts;
    std::vector<std::int64_t> newer(k);
    for (std::size_t j = 0; j < k; ++j)
        newer[j] = tallies.counts[j] - older[j];
    r.olderSpins = total(older);
    r.newerSpins = total(newer);
    // Ties go to the lowest number, as for the hottest of the whole list.
    const auto hottest = std::max_element(older.begin(), older.end());
    r.number.centre = static_cast<std::int32_t>(hottest - older.begin());
    r.number.members = {r.number.centre};
    r.number.hitsOlder = *hottest;
    testOnNewer(r.number, newer, r.newerSpins);
    for (const std::int32_t width : sectorWidths) {
        const std::vector<std::int64_t> hits = sectorHits(older, wheelOrder, width);
        const auto place =
            static_cast<std::size_t>(std::max_element(hits.begin(), hits.end()) - hits.begin());
        ReplicatedPick pick;
        pick.centre = wheelOrder[place];
        pick.members = windowMembers(wheelOrder, place, width);
        pick.hitsOlder = hits[place];
        testOnNewer(pick, newer, r.newerSpins);
        r.sectors.push_back(std::move(pick));
    }

    order.watch = tallies.watch;
    return order;
}

OrderFigures analyseOrder(std::span<const std::uint8_t> spins,
                          std::span<const std::int32_t> wheelOrder) {
    return orderFigures(tallyInTimeOrder(spins, wheelOrder), wheelOrder);
}

ConsecutiveFigures consecutiveFigures(std::span<const std::uint8_t> spins,
                                      std::span<const std::int32_t> wheelOrder) {
    return analyseOrder(spins, wheelOrder).consecutive;
}

ReplicationFigures replicationFigures(std::span<const std::uint8_t> spins,
                                      std::span<const std::int32_t> wheelOrder) {
    return analyseOrder(spins, wheelOrder).replication;
}

WatchFigures watchFigures(std::span<const std::uint8_t> spins,
                          std::span<const std::int32_t> wheelOrder) {
    return tallyInTimeOrder(spins, wheelOrder).watch;
}

Homogeneity homogeneity(std::span<const std::int64_t> hits, std::int32_t numberCount) {
    const auto k = static_cast<std::size_t>(numberCount);
    const std::size_t files = hits.size() / k;
    std::vector<std::int64_t> fileTotal(files, 0);
    std::vector<std::int64_t> numberTotal(k, 0);
    std::int64_t n = 0;
    for (std::size_t f = 0; f < files; ++f) {
        for (std::size_t j = 0; j < k; ++j) {
            fileTotal[f] += hits[f * k + j];
            numberTotal[j] += hits[f * k + j];
        }
        n += fileTotal[f];
    }
    Homogeneity test;
    std::int32_t filesKept = 0;
    for (const std::int64_t total : fileTotal)
        filesKept += total > 0 ? 1 : 0;
    for (const std::int64_t total : numberTotal)
        test.numbersKept += total > 0 ? 1 : 0;
    bool firstCell = true;
    for (std::size_t f = 0; f < files; ++f) {
        for (std::size_t j = 0; j < k; ++j) {
            if (fileTotal[f] == 0 || numberTotal[j] == 0) continue;
            const double expected = static_cast<double>(fileTotal[f]) *
                                    static_cast<double>(numberTotal[j]) / static_cast<double>(n);
            const double off = static_cast<double>(hits[f * k + j]) - expected;
            test.value += off * off / expected;
            if (firstCell || expected < test.smallestExpected) test.smallestExpected = expected;
            firstCell = false;
        }
    }
    test.df = std::max(0, test.numbersKept - 1) * std::max(0, filesKept - 1);
    if (test.df > 0) test.p = chiSquareUpperTail(test.value, test.df);
    return test;
}

}  // namespace spinchart
