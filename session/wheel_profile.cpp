#include "session/wheel_profile.h"

#include <array>

namespace spinchart {
namespace {

constexpr std::array<std::int32_t, 37> singleZeroOrder = {
    0, 32, 15, 19, 4, 21, 2,  25, 17, 34, 6,  27, 13, 36, 11, 30, 8, 23, 10,
    5, 24, 16, 33, 1, 20, 14, 31, 9,  22, 18, 29, 7,  28, 12, 35, 3, 26};

constexpr std::array<std::int32_t, 38> doubleZeroOrder = {
    0,  28, 9,  26, 30, 11, 7, 20, 32, 17, 5, 22, 34, 15, 3, 24, 36, 13, 1,
    37, 27, 10, 25, 29, 12, 8, 19, 31, 18, 6, 21, 33, 16, 4, 23, 35, 14, 2};

}  // namespace

// Texts are code page 437; "\xF9" is the small bullet.
const WheelProfile singleZeroProfile{
    .wheelKey = "S",
    .numberCount = 37,
    .highestNumber = 36,
    .settingsFile = "VIRLO0.INI",
    .dataSettingsFile = "ROUL0.INI",
    .defaultDataFile = "HAMB00.DAT",
    .defaultRandomFile = "RAND0.DAT",
    .defaultReportFile = "VIRLO0.REP",
    .defaultSkipFile = "VIRLO0.SKP",
    .introWheelLine = " \xF9\xF9 analyzes REAL casino spins (SINGLE ZERO).",
    .introZeroZeroNote = "",
    .introRandomFileLine = "*** The random spins are saved to file: RAND0.DAT",
    .chartTitle = "0-Roulette Frequency and Skip Chart",
    .runAgainPrompt = "   Success! Run SINGLE-0 again (Y/N)?   ",
    .neighbourBaseOrder = singleZeroOrder,
};

const WheelProfile doubleZeroProfile{
    .wheelKey = "D",
    .numberCount = 38,
    .highestNumber = 37,
    .settingsFile = "VIRLO00.INI",
    .dataSettingsFile = "ROUL00.INI",
    .defaultDataFile = "HAMB00.DAT",
    .defaultRandomFile = "RAND00.DAT",
    .defaultReportFile = "VIRLO00.REP",
    .defaultSkipFile = "VIRLO00.SKP",
    .introWheelLine = " \xF9\xF9 analyzes REAL casino spins (DOUBLE ZERO).",
    .introZeroZeroNote = "*** You must replace 00 in a file by 37 ***",
    .introRandomFileLine = "*** The random spins are saved to file: RAND00.DAT",
    .chartTitle = "00-Roulette Frequency and Skip Chart",
    .runAgainPrompt = "   Success! Run DOUBLE-0 again (Y/N)?   ",
    .neighbourBaseOrder = doubleZeroOrder,
};

WheelNeighbourTable buildNeighbourTable(const WheelProfile& profile) {
    WheelNeighbourTable table;
    const std::int32_t n = profile.numberCount;
    table.numberCount = n;
    table.entries.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n) + 1, 0);
    // Row k is the clockwise order rotated to begin at k.
    std::array<std::int32_t, 64> placeOf{};
    for (std::int32_t p = 0; p < n; ++p)
        placeOf[static_cast<std::size_t>(profile.neighbourBaseOrder[static_cast<std::size_t>(p)])] =
            p;
    for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t start = placeOf[static_cast<std::size_t>(k)];
        for (std::int32_t p = 0; p < n; ++p) {
            table.entries[static_cast<std::size_t>(k * n + p + 1)] =
                profile.neighbourBaseOrder[static_cast<std::size_t>((start + p) % n)];
        }
    }
    return table;
}

}  // namespace spinchart
