#include "session/wheel_profile.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace spinchart {
namespace {

TEST(WheelNeighbourTable, PositionsOfBothWheels) {
    struct Case {
        const WheelProfile* profile;
        int size;
        std::vector<int> positions;  // 1-based
        std::vector<int> numbers;    // at those positions
    };
    const Case cases[] = {
        {&doubleZeroProfile,
         1444,
         {1, 2, 38, 39, 1407, 1408, 1409, 1410, 1444},
         {0, 28, 2, 1, 37, 27, 10, 25, 1}},
        {&singleZeroProfile,
         1369,
         {1, 2, 37, 38, 1333, 1334, 1335, 1336, 1369},
         {0, 32, 26, 1, 36, 11, 30, 8, 13}},
    };
    for (const Case& c : cases) {
        const WheelNeighbourTable t = buildNeighbourTable(*c.profile);
        ASSERT_EQ(t.size(), c.size);
        for (std::size_t k = 0; k < c.positions.size(); ++k)
            EXPECT_EQ(t.at(c.positions[k]), c.numbers[k]) << c.size << " at " << c.positions[k];
    }
}

TEST(WheelNeighbourTable, EveryRowIsTheWheelFromItsNumber) {
    for (const WheelProfile* profile : {&singleZeroProfile, &doubleZeroProfile}) {
        const WheelNeighbourTable t = buildNeighbourTable(*profile);
        const int n = profile->numberCount;
        std::map<int, int> counts;
        for (int k = 0; k < n; ++k) {
            EXPECT_EQ(t.at(k * n + 1), k);
            // Clockwise neighbours stay neighbours in every row.
            for (int p = 0; p + 1 < n; ++p) {
                const int here = t.at(k * n + p + 1);
                const int next = t.at(k * n + p + 2);
                int place = 0;
                while (profile->neighbourBaseOrder[static_cast<std::size_t>(place)] != here)
                    ++place;
                EXPECT_EQ(profile->neighbourBaseOrder[static_cast<std::size_t>((place + 1) % n)],
                          next);
            }
        }
        for (int pos = 1; pos <= t.size(); ++pos)
            ++counts[t.at(pos)];
        ASSERT_EQ(static_cast<int>(counts.size()), n);
        for (auto [number, count] : counts) {
            EXPECT_GE(number, 0);
            EXPECT_LE(number, profile->highestNumber);
            EXPECT_EQ(count, n);
        }
    }
}

TEST(WheelProfile, TextsAreExact) {
    EXPECT_EQ(singleZeroProfile.runAgainPrompt.size(), 40u);
    EXPECT_EQ(doubleZeroProfile.runAgainPrompt, "   Success! Run DOUBLE-0 again (Y/N)?   ");
    EXPECT_EQ(singleZeroProfile.introWheelLine,
              " \xF9\xF9 analyzes REAL casino spins (SINGLE ZERO).");
    EXPECT_TRUE(singleZeroProfile.introZeroZeroNote.empty());
    EXPECT_EQ(singleZeroProfile.defaultDataFile, "HAMB00.DAT");
    EXPECT_EQ(doubleZeroProfile.settingsFile, "VIRLO00.INI");
    EXPECT_EQ(singleZeroProfile.dataSettingsFile, "ROUL0.INI");
}

}  // namespace
}  // namespace spinchart
