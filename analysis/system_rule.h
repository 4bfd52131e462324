#pragma once
// The betting system the reports follow: which numbers it plays on a spin and
// when it wins.

#include <cstdint>

namespace spinchart {

// The system plays all numbers except those of this many last spins.
constexpr std::int32_t excludedLastSpins = 5;

// The system wins on a spin when none of the excluded last spins held its
// number: it came out more than that many spins back.
constexpr bool systemWins(std::int32_t distance) {
    return distance > excludedLastSpins;
}

// The number of rows of the system report for a count of analysed spins.
constexpr std::int32_t systemReportRows(std::int32_t analysisCount) {
    return analysisCount > excludedLastSpins ? analysisCount - excludedLastSpins : 0;
}

}  // namespace spinchart
