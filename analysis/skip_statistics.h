#pragma once
// Frequency and skip statistics over the most recent spins: hits, skips, sorted
// skips and median skip of every roulette number, the chart's two summary
// values, and the distance from every spin to the previous occurrence of its
// number. Pure computation; invalid counts throw SessionError.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "session/spin_list.h"

namespace spinchart {

struct NumberStats {
    std::int32_t number = 0;
    std::int32_t hits = 0;
    std::vector<std::int32_t> skips;        // most recent hit first
    std::vector<std::int32_t> sortedSkips;  // ascending
    std::int32_t medianSkip = 0;            // 0 without hits
};

struct ChartSummary {
    std::int32_t averageMedian = 0;
    std::int32_t medianOfAllSkips = 0;
};

// Statistics of one number over positions 1..analysisCount (0 <= count <= size).
NumberStats computeNumberStats(const SpinList& spins, std::int32_t analysisCount,
                               std::int32_t number);

// Summary over the statistics of all the wheel's numbers, in any order.
ChartSummary computeChartSummary(std::span<const NumberStats> stats);
// The same from the median skips alone, one per number of the wheel.
ChartSummary summarizeMedians(std::span<const std::int32_t> medianSkips);

// The entry at 1-based position floor((c + 1) / 2) of an ascending list; 0 for
// an empty one.
std::int32_t medianOfSorted(std::span<const std::int32_t> sorted);

// Distance from `position` to the next older position holding the same value,
// searched up to totalSpins; totalSpins + 1 - position when there is none.
std::int32_t nextOccurrenceDistance(const SpinList& spins, std::int32_t totalSpins,
                                    std::int32_t position);

// The same distances for positions 1..count at once (one backward pass over
// all spins); element k belongs to position k + 1.
std::vector<std::int32_t> nextOccurrenceDistances(const SpinList& spins, std::int32_t count);
// The same into `out`, for positions 1..out.size().
void nextOccurrenceDistancesInto(const SpinList& spins, std::span<std::int32_t> out);

// Sorts ascending in place; linear time when most values are small.
void sortAscending(std::span<std::int32_t> values);

// The values in ascending order as runs of equal values: counts of the small
// non-negative values, and the other values sorted (negative ones first).
// Preparing may reorder the values.
struct AscendingRuns {
    std::vector<std::uint32_t> counts;     // counts[v]: how often v occurs
    std::span<const std::int32_t> others;  // sorted; those not counted
    std::size_t negativeOthers = 0;        // leading entries of `others`
};
AscendingRuns prepareAscendingRuns(std::span<std::int32_t> values);

// Calls run(value, count) for every distinct value, ascending.
template <class Run>
void forEachAscendingRun(const AscendingRuns& runs, Run&& run) {
    auto sortedRuns = [&run](std::span<const std::int32_t> sorted) {
        for (std::size_t k = 0; k < sorted.size();) {
            std::size_t end = k + 1;
            while (end < sorted.size() && sorted[end] == sorted[k])
                ++end;
            run(sorted[k], static_cast<std::uint32_t>(end - k));
            k = end;
        }
    };
    sortedRuns(runs.others.first(runs.negativeOthers));
    for (std::size_t v = 0; v < runs.counts.size(); ++v) {
        if (runs.counts[v] != 0) run(static_cast<std::int32_t>(v), runs.counts[v]);
    }
    sortedRuns(runs.others.subspan(runs.negativeOthers));
}

// The skips of every number over positions 1..analysisCount, grouped by
// number, each group in position order.
struct SkipsByNumber {
    std::vector<std::size_t> offsets;       // numberCount + 1 entries
    std::unique_ptr<std::int32_t[]> skips;  // offsets.back() values

    std::span<std::int32_t> of(std::int32_t number) {
        const auto n = static_cast<std::size_t>(number);
        return {skips.get() + offsets[n], offsets[n + 1] - offsets[n]};
    }
};
SkipsByNumber groupSkipsByNumber(const SpinList& spins, std::int32_t analysisCount,
                                 std::int32_t numberCount);

}  // namespace spinchart
