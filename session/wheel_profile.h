#pragma once
// The constants of the two wheel types, and the neighbour table that serves as
// the draw pool for random spins. 00 is the number 37 everywhere.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace spinchart {

struct WheelProfile {
    std::string_view wheelKey;
    std::int32_t numberCount;
    std::int32_t highestNumber;
    std::string_view settingsFile;
    std::string_view dataSettingsFile;
    std::string_view defaultDataFile;
    std::string_view defaultRandomFile;
    std::string_view defaultReportFile;
    std::string_view defaultSkipFile;
    std::string_view introWheelLine;
    std::string_view introZeroZeroNote;  // empty: row 8 stays empty
    std::string_view introRandomFileLine;
    std::string_view chartTitle;
    std::string_view runAgainPrompt;
    std::span<const std::int32_t> neighbourBaseOrder;  // clockwise from 0
};

extern const WheelProfile singleZeroProfile;
extern const WheelProfile doubleZeroProfile;

// Whether the wheel has a 00 pocket besides 0: then the number 37 is its
// highest.
constexpr bool hasDoubleZero(const WheelProfile& profile) {
    return profile.highestNumber == 37;
}

// numberCount rows of numberCount numbers, row k the wheel read clockwise from
// k; stored flat with 1-based positions (position 0 unused).
struct WheelNeighbourTable {
    std::int32_t numberCount = 0;
    std::vector<std::int32_t> entries;  // entries[0] unused

    std::int32_t size() const { return numberCount * numberCount; }
    std::int32_t at(std::int32_t position) const {
        return entries[static_cast<std::size_t>(position)];
    }
};

WheelNeighbourTable buildNeighbourTable(const WheelProfile& profile);

}  // namespace spinchart
