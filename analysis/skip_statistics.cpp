#include "analysis/skip_statistics.h"

#include <algorithm>

#include "platform/memory.h"

namespace spinchart {
namespace {

// Values below this bound are counted in a table when a list is put in order.
constexpr std::int32_t countingLimit = 1 << 16;
// Spin values with a dense last-position table in the backward pass; every
// other value is matched by sorting its positions.
constexpr std::int32_t denseValues = 1024;

}  // namespace

AscendingCounts countAscending(std::span<const std::int32_t> values) {
    AscendingCounts ascending;
    countAscending(ascending, values);
    return ascending;
}

void countAscending(AscendingCounts& ascending, std::span<const std::int32_t> values) {
    ascending.size += values.size();
    std::vector<std::uint32_t>& counts = ascending.counts;
    std::vector<std::int32_t>& others = ascending.others;
    const std::size_t sorted = others.size();
    // The table and its size in locals, so that the loop keeps them in
    // registers: 15 -> 7 instructions a value (callgrind).
    std::uint32_t* table = counts.data();
    auto range = static_cast<std::uint32_t>(counts.size());
    for (const std::int32_t v : values) {
        const auto u = static_cast<std::uint32_t>(v);
        if (u < range) {
            ++table[u];
        } else if (u < static_cast<std::uint32_t>(countingLimit)) {
            counts.resize(u + 1);
            table = counts.data();
            range = u + 1;
            ++table[u];
        } else {
            others.push_back(v);
        }
    }
    const auto added = others.begin() + static_cast<std::ptrdiff_t>(sorted);
    std::sort(added, others.end());
    std::inplace_merge(others.begin(), added, others.end());
}

std::int32_t medianOf(const AscendingCounts& ascending) {
    if (ascending.size == 0) return 0;
    std::size_t k = (ascending.size + 1) / 2 - 1;  // entries before the median
    const auto& others = ascending.others;
    const auto negatives = static_cast<std::size_t>(
        std::lower_bound(others.begin(), others.end(), 0) - others.begin());
    if (k < negatives) return others[k];
    k -= negatives;
    for (std::size_t v = 0; v < ascending.counts.size(); ++v) {
        if (k < ascending.counts[v]) return static_cast<std::int32_t>(v);
        k -= ascending.counts[v];
    }
    return others[negatives + k];
}

ChartSummary computeChartSummary(std::span<const std::int32_t> medianSkips) {
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

void nextOccurrenceDistances(std::span<const std::int32_t> spins,
                             std::span<std::int32_t> distances) {
    const auto count = static_cast<std::int64_t>(distances.size());
    const auto total = static_cast<std::int64_t>(spins.size());
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
    for (std::int64_t i = count; i >= 1; --i)
        distances[static_cast<std::size_t>(i - 1)] = static_cast<std::int32_t>(step(i));
    if (outside == 0) return;

    // Other values: their positions sorted by value, then by position, so that
    // each position's next older occurrence follows it.
    std::vector<std::int32_t> positions;
    positions.reserve(static_cast<std::size_t>(outside));
    for (std::int64_t i = 1; i <= total; ++i) {
        const std::int32_t x = data[i - 1];
        if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(denseValues))
            positions.push_back(static_cast<std::int32_t>(i));
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

SkipsByNumber groupSkipsByNumber(std::span<const std::int32_t> spins, std::int32_t analysisCount,
                                 std::int32_t numberCount) {
    const auto k = static_cast<std::size_t>(numberCount);
    const auto limit = static_cast<std::uint32_t>(numberCount);
    const std::int32_t* data = spins.data();
    const auto n = static_cast<std::size_t>(analysisCount);

    // Hits of every number first, so that each group gets its place; values
    // that are no number of the wheel have no skips.
    SkipsByNumber grouped;
    grouped.offsets.assign(k + 1, 0);
    for (std::size_t p = 0; p < n; ++p) {
        const auto x = static_cast<std::uint32_t>(data[p]);
        if (x < limit) ++grouped.offsets[x + 1];
    }
    for (std::size_t x = 0; x < k; ++x)
        grouped.offsets[x + 1] += grouped.offsets[x];
    grouped.skips = makeLargeArray<std::int32_t>(grouped.offsets[k]);

    std::int32_t* skips = grouped.skips.get();
    std::vector<std::size_t> fill(grouped.offsets.begin(), grouped.offsets.end() - 1);
    std::vector<std::int32_t> lastHit(k, 0);
    for (std::size_t p = 0; p < n; ++p) {
        const auto x = static_cast<std::uint32_t>(data[p]);
        if (x >= limit) continue;
        const auto position = static_cast<std::int32_t>(p + 1);
        skips[fill[x]++] = position - lastHit[x];
        lastHit[x] = position;
    }
    return grouped;
}

}  // namespace spinchart
