#include "analysis/skip_statistics.h"

#include <algorithm>
#include <future>
#include <system_error>
#include <utility>

#include "platform/memory.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

// Values below this bound are counted in a table; a skip list is sorted by
// counting when its values are mostly small, as they are for real spins.
constexpr std::int32_t countingLimit = 1 << 16;
// Spin values with a dense last-position table in the backward pass; every
// other value is matched by sorting its positions.
constexpr std::int32_t denseValues = 1024;

void checkCount(const SpinList& spins, std::int32_t count) {
    if (count < 0) throw SessionError("negative analysis count");
    if (count > spins.size()) throw SessionError("analysis count beyond the spins");
}

}  // namespace

void sortAscending(std::span<std::int32_t> values) {
    const std::size_t n = values.size();
    if (n < 256) {
        std::sort(values.begin(), values.end());
        return;
    }
    std::int32_t maxSmall = -1;
    for (const std::int32_t v : values) {
        if (v >= 0 && v < countingLimit && v > maxSmall) maxSmall = v;
    }
    const auto range = static_cast<std::size_t>(maxSmall + 1);
    if (range > 4 * n) {
        std::sort(values.begin(), values.end());
        return;
    }
    // Count the small values; move the others to the front and sort them.
    std::vector<std::uint32_t> counts(range);
    std::size_t others = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::int32_t v = values[k];
        if (v >= 0 && v <= maxSmall) {
            ++counts[static_cast<std::size_t>(v)];
        } else {
            values[others++] = v;
        }
    }
    const auto begin = values.begin();
    std::sort(begin, begin + static_cast<std::ptrdiff_t>(others));
    const auto negatives = std::lower_bound(begin, begin + static_cast<std::ptrdiff_t>(others), 0);
    std::move_backward(negatives, begin + static_cast<std::ptrdiff_t>(others), values.end());
    auto at = negatives;
    for (std::size_t v = 0; v < range; ++v) {
        at = std::fill_n(at, counts[v], static_cast<std::int32_t>(v));
    }
}

AscendingRuns prepareAscendingRuns(std::span<std::int32_t> values) {
    AscendingRuns runs;
    const std::size_t n = values.size();
    std::int32_t maxSmall = -1;
    for (const std::int32_t v : values) {
        if (v >= 0 && v < countingLimit && v > maxSmall) maxSmall = v;
    }
    const auto range = static_cast<std::size_t>(maxSmall + 1);
    std::size_t others = n;
    if (n >= 256 && range <= 4 * n) {
        // Count the small values; move the others to the front.
        runs.counts.assign(range, 0);
        others = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const std::int32_t v = values[k];
            if (v >= 0 && v <= maxSmall) {
                ++runs.counts[static_cast<std::size_t>(v)];
            } else {
                values[others++] = v;
            }
        }
    }
    const auto begin = values.begin();
    const auto end = begin + static_cast<std::ptrdiff_t>(others);
    std::sort(begin, end);
    if (runs.counts.empty()) {
        runs.others = values;
        runs.negativeOthers = values.size();  // all in order as they stand
    } else {
        runs.others = values.first(others);
        runs.negativeOthers = static_cast<std::size_t>(std::lower_bound(begin, end, 0) - begin);
    }
    return runs;
}

std::int32_t medianOfSorted(std::span<const std::int32_t> sorted) {
    if (sorted.empty()) return 0;
    return sorted[(sorted.size() + 1) / 2 - 1];
}

NumberStats computeNumberStats(const SpinList& spins, std::int32_t analysisCount,
                               std::int32_t number) {
    checkCount(spins, analysisCount);
    NumberStats stats;
    stats.number = number;
    const std::int32_t* data = spins.data();
    std::int32_t last = 0;
    for (std::int32_t p = 1; p <= analysisCount; ++p) {
        if (data[p - 1] == number) {
            stats.skips.push_back(p - last);
            last = p;
        }
    }
    stats.hits = static_cast<std::int32_t>(stats.skips.size());
    stats.sortedSkips = stats.skips;
    sortAscending(stats.sortedSkips);
    stats.medianSkip = medianOfSorted(stats.sortedSkips);
    return stats;
}

ChartSummary summarizeMedians(std::span<const std::int32_t> medianSkips) {
    ChartSummary summary;
    if (medianSkips.empty()) return summary;
    const auto count = static_cast<std::int64_t>(medianSkips.size());
    std::int64_t sum = 0;
    for (const std::int32_t m : medianSkips)
        sum += m;
    std::int64_t average = sum / count;
    if (sum % count != 0 && sum < 0) --average;  // toward minus infinity
    summary.averageMedian = static_cast<std::int32_t>(average);
    std::vector<std::int32_t> sorted(medianSkips.begin(), medianSkips.end());
    std::sort(sorted.begin(), sorted.end());
    summary.medianOfAllSkips = sorted[sorted.size() / 2];
    return summary;
}

ChartSummary computeChartSummary(std::span<const NumberStats> stats) {
    std::vector<std::int32_t> medians;
    medians.reserve(stats.size());
    for (const NumberStats& s : stats)
        medians.push_back(s.medianSkip);
    return summarizeMedians(medians);
}

std::int32_t nextOccurrenceDistance(const SpinList& spins, std::int32_t totalSpins,
                                    std::int32_t position) {
    if (totalSpins < 0 || totalSpins > spins.size() || position < 1 || position > totalSpins) {
        throw SessionError("spin position out of range");
    }
    const std::int32_t* data = spins.data();
    const std::int32_t x = data[position - 1];
    for (std::int32_t j = position + 1; j <= totalSpins; ++j) {
        if (data[j - 1] == x) return j - position;
    }
    return static_cast<std::int32_t>(static_cast<std::int64_t>(totalSpins) + 1 - position);
}

std::vector<std::int32_t> nextOccurrenceDistances(const SpinList& spins, std::int32_t count) {
    checkCount(spins, count);
    std::vector<std::int32_t> distances(static_cast<std::size_t>(count));
    nextOccurrenceDistancesInto(spins, distances);
    return distances;
}

void nextOccurrenceDistancesInto(const SpinList& spins, std::span<std::int32_t> distances) {
    if (distances.size() > static_cast<std::size_t>(spins.size())) {
        throw SessionError("analysis count beyond the spins");
    }
    const auto count = static_cast<std::int64_t>(distances.size());
    const std::int64_t total = spins.size();
    const std::int32_t* data = spins.data();

    // Walking from the oldest spin to the newest, the table holds the most
    // recent position seen of every value: the next older occurrence.
    std::vector<std::int64_t> nextPosition(denseValues, total + 1);
    std::int64_t outside = 0;
    auto step = [&](std::int64_t i) -> std::int64_t {
        const std::int32_t x = data[i - 1];
        if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(denseValues)) {
            ++outside;
            return 0;
        }
        std::int64_t& next = nextPosition[static_cast<std::size_t>(x)];
        const std::int64_t d = next - i;
        next = i;
        return d;
    };
    for (std::int64_t i = total; i > count; --i)
        step(i);
    for (std::int64_t i = count; i >= 1; --i) {
        distances[static_cast<std::size_t>(i - 1)] = static_cast<std::int32_t>(step(i));
    }
    if (outside == 0) return;

    // Other values: their positions sorted by value, then by position, so that
    // each position's next older occurrence follows it.
    ensureMemoryAvailable(static_cast<std::uint64_t>(outside) * sizeof(std::int32_t));
    std::vector<std::int32_t> positions;
    positions.reserve(static_cast<std::size_t>(outside));
    for (std::int64_t i = 1; i <= total; ++i) {
        const std::int32_t x = data[i - 1];
        if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(denseValues)) {
            positions.push_back(static_cast<std::int32_t>(i));
        }
    }
    std::sort(positions.begin(), positions.end(), [data](std::int32_t a, std::int32_t b) {
        const std::int32_t va = data[a - 1];
        const std::int32_t vb = data[b - 1];
        return va != vb ? va < vb : a < b;
    });
    for (std::size_t k = 0; k < positions.size(); ++k) {
        const std::int32_t p = positions[k];
        if (p > count) continue;
        const bool recurs = k + 1 < positions.size() && data[positions[k + 1] - 1] == data[p - 1];
        const std::int64_t next = recurs ? positions[k + 1] : total + 1;
        distances[static_cast<std::size_t>(p - 1)] = static_cast<std::int32_t>(next - p);
    }
}

namespace {

// Hits of every number and the last hit of each, over positions first..last-1
// (0-based).
struct HitCounts {
    std::vector<std::size_t> hits;
    std::vector<std::int32_t> lastHit;  // 1-based position, 0 without a hit
};

HitCounts countHits(const std::int32_t* data, std::size_t first, std::size_t last,
                    std::uint32_t limit) {
    HitCounts counts{std::vector<std::size_t>(limit, 0), std::vector<std::int32_t>(limit, 0)};
    for (std::size_t p = first; p < last; ++p) {
        const auto x = static_cast<std::uint32_t>(data[p]);
        if (x < limit) {
            ++counts.hits[x];
            counts.lastHit[x] = static_cast<std::int32_t>(p + 1);
        }
    }
    return counts;
}

// Writes the skips of positions first..last-1 at each number's fill point,
// starting from the given last hits.
void scatterSkips(const std::int32_t* data, std::size_t first, std::size_t last,
                  std::uint32_t limit, std::vector<std::size_t> fill,
                  std::vector<std::int32_t> lastHit, std::int32_t* skips) {
    for (std::size_t p = first; p < last; ++p) {
        const auto x = static_cast<std::uint32_t>(data[p]);
        if (x >= limit) continue;
        const auto position = static_cast<std::int32_t>(p + 1);
        skips[fill[x]++] = position - lastHit[x];
        lastHit[x] = position;
    }
}

// Runs `work` on a helper thread when one can be had, else here.
template <class Work>
std::future<void> runBeside(Work work) {
    try {
        return std::async(std::launch::async, std::move(work));
    } catch (const std::system_error&) {
        work();
        return {};
    }
}

}  // namespace

SkipsByNumber groupSkipsByNumber(const SpinList& spins, std::int32_t analysisCount,
                                 std::int32_t numberCount) {
    checkCount(spins, analysisCount);
    if (numberCount <= 0) throw SessionError("wheel without numbers");
    const auto k = static_cast<std::size_t>(numberCount);
    const auto limit = static_cast<std::uint32_t>(numberCount);
    const std::int32_t* data = spins.data();
    const auto n = static_cast<std::size_t>(analysisCount);
    // Long lists are done in two halves side by side; the second half goes on
    // from the first half's last hits.
    const std::size_t half = n >= (1u << 20) ? n / 2 : n;

    HitCounts second;
    std::future<void> pending;
    if (half < n) pending = runBeside([&] { second = countHits(data, half, n, limit); });
    const HitCounts first = countHits(data, 0, half, limit);
    if (pending.valid()) pending.get();
    if (half == n) second.hits.assign(k, 0);

    SkipsByNumber grouped;
    grouped.offsets.assign(k + 1, 0);
    for (std::size_t x = 0; x < k; ++x) {
        grouped.offsets[x + 1] = grouped.offsets[x] + first.hits[x] + second.hits[x];
    }
    grouped.skips = std::make_unique_for_overwrite<std::int32_t[]>(grouped.offsets[k]);
    std::int32_t* skips = grouped.skips.get();

    std::vector<std::size_t> fill(grouped.offsets.begin(), grouped.offsets.end() - 1);
    if (half < n) {
        std::vector<std::size_t> fillSecond(k);
        for (std::size_t x = 0; x < k; ++x)
            fillSecond[x] = fill[x] + first.hits[x];
        pending = runBeside([&, fillSecond] {
            scatterSkips(data, half, n, limit, fillSecond, first.lastHit, skips);
        });
    }
    scatterSkips(data, 0, half, limit, fill, std::vector<std::int32_t>(k, 0), skips);
    if (pending.valid()) pending.get();
    return grouped;
}

}  // namespace spinchart
