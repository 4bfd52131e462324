#pragma once
// Frequency and skip statistics over the most recent spins: the skips of every
// roulette number, their ascending order and median, the chart's two summary
// values, and the distance from every spin to the previous occurrence of its
// number. Pure computation over a list of spins, position 1 first (the most
// recent spin at index 0).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/memory.h"

namespace spinchart {

struct ChartSummary {
    std::int32_t averageMedian = 0;
    std::int32_t medianOfAllSkips = 0;
};

// The summary from the median skips, one per number of the wheel.
ChartSummary computeChartSummary(std::span<const std::int32_t> medianSkips);

// Every position's `nextOccurrenceDistance`: for positions 1..out.size(), the
// distance to the next older position holding the same value, searched over
// all the spins; spins.size() + 1 - position when there is none. Element k
// belongs to position k + 1. One backward pass over the spins.
void nextOccurrenceDistances(std::span<const std::int32_t> spins, std::span<std::int32_t> out);

// A list in ascending order as counts: how often each small value occurs,
// and the other values sorted (the negatives, then those past the counts).
// One pass over the list, when most values are small, as skips and distances
// are; nothing moves.
struct AscendingCounts {
    std::vector<std::uint32_t> counts;  // counts[v]: how often v occurs
    std::vector<std::int32_t> others;   // ascending
    std::size_t size = 0;               // of the whole list
};
AscendingCounts countAscending(std::span<const std::int32_t> values);
// Adds more values to the counts, as if counted with the others.
void countAscending(AscendingCounts& ascending, std::span<const std::int32_t> values);

// The entry at 1-based position floor((c + 1) / 2) of the ascending list; 0
// for an empty one.
std::int32_t medianOf(const AscendingCounts& ascending);

// The skips of every number over positions 1..analysisCount, grouped by
// number, each group in position order.
struct SkipsByNumber {
    std::vector<std::size_t> offsets;  // numberCount + 1 entries
    LargeArray<std::int32_t> skips;    // offsets.back() values

    std::span<std::int32_t> of(std::int32_t number) {
        const auto n = static_cast<std::size_t>(number);
        return {skips.get() + offsets[n], offsets[n + 1] - offsets[n]};
    }
};
SkipsByNumber groupSkipsByNumber(std::span<const std::int32_t> spins, std::int32_t analysisCount,
                                 std::int32_t numberCount);

}  // namespace spinchart
