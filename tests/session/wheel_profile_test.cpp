#include "session/wheel_profile.h"

#include <gtest/gtest.h>

#include <map>

namespace spinchart {
namespace {

TEST(WheelNeighbourTable, DoubleZeroPositions) {
    const WheelNeighbourTable t = buildNeighbourTable(doubleZeroProfile);
    ASSERT_EQ(t.size(), 1444);
    EXPECT_EQ(t.at(1), 0);
    EXPECT_EQ(t.at(2), 28);
    EXPECT_EQ(t.at(38), 2);
    EXPECT_EQ(t.at(39), 1);
    EXPECT_EQ(t.at(1407), 37);
    EXPECT_EQ(t.at(1408), 27);
    EXPECT_EQ(t.at(1409), 10);
    EXPECT_EQ(t.at(1410), 25);
    EXPECT_EQ(t.at(1444), 1);
}

TEST(WheelNeighbourTable, SingleZeroPositions) {
    const WheelNeighbourTable t = buildNeighbourTable(singleZeroProfile);
    ASSERT_EQ(t.size(), 1369);
    EXPECT_EQ(t.at(1), 0);
    EXPECT_EQ(t.at(2), 32);
    EXPECT_EQ(t.at(37), 26);
    EXPECT_EQ(t.at(38), 1);
    EXPECT_EQ(t.at(1333), 36);
    EXPECT_EQ(t.at(1334), 11);
    EXPECT_EQ(t.at(1335), 30);
    EXPECT_EQ(t.at(1336), 8);
    EXPECT_EQ(t.at(1369), 13);
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
