// The fast analysis against the plain model, on whole file bytes, for random
// spin lists: values outside the wheel and negative ones, counts below and at
// the number of spins, lists long enough for the counting sorts.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/analysis_model.h"
#include "analysis/analysis_test_support.h"
#include "analysis/main_report.h"
#include "session/wheel_profile.h"
#include "text/program_identity.h"

namespace spinchart {
namespace {

struct Outcome {
    std::string report;
    std::string skipFile;
};

Outcome runFast(const WheelProfile& profile, const std::vector<std::int32_t>& values,
                std::int32_t count, const model::Source& source, std::int32_t mean,
                std::int32_t stdDev) {
    testing::ScratchFolder folder;
    const std::vector<std::int32_t> spins = testing::makeSpins(values);
    const AnalysisRequest request = testing::analysisRequest(
        profile, spins, count, {source.generated, source.dataFileName, mean, stdDev},
        folder.file("R.REP"), folder.file("S.SKP"));
    runAnalysis(request);
    return {testing::readWholeFile(request.reportFile), testing::readWholeFile(request.skipFile)};
}

void expectSameAsModel(const WheelProfile& profile, const std::vector<std::int32_t>& values,
                       std::int32_t count, const model::Source& source, std::int32_t mean = 18,
                       std::int32_t stdDev = 11, bool plainSort = true) {
    const model::Output expected =
        model::analyse(profile.numberCount, profile.chartTitle, programBannerLine,
                       programCopyrightLine, values, count, source, mean, stdDev, plainSort);
    const Outcome actual = runFast(profile, values, count, source, mean, stdDev);
    ASSERT_EQ(actual.report.size(), expected.report.size());
    EXPECT_TRUE(actual.report == expected.report);
    EXPECT_EQ(actual.skipFile, expected.skipFile);
}

// Mostly wheel numbers, now and then a value outside the wheel.
std::vector<std::int32_t> randomSpins(std::mt19937& random, std::size_t total,
                                      std::int32_t numberCount, int oddOnePercent) {
    static const std::int32_t odd[] = {37,   38, 40,  99,         1023,           1024,
                                       5000, -1, -37, 2147483647, -2147483647 - 1};
    std::uniform_int_distribution<std::int32_t> number(0, numberCount - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<std::size_t> oddIndex(0, std::size(odd) - 1);
    std::vector<std::int32_t> spins(total);
    for (auto& s : spins)
        s = percent(random) < oddOnePercent ? odd[oddIndex(random)] : number(random);
    return spins;
}

TEST(ReportProperty, RandomListsMatchTheModel) {
    std::mt19937 random(20260101);
    for (int trial = 0; trial < 120; ++trial) {
        const WheelProfile& profile = trial % 2 == 0 ? doubleZeroProfile : singleZeroProfile;
        const std::size_t total = std::uniform_int_distribution<std::size_t>(0, 400)(random);
        const int oddPercent = trial % 3 == 0 ? 0 : (trial % 3 == 1 ? 5 : 40);
        const std::vector<std::int32_t> spins =
            randomSpins(random, total, profile.numberCount, oddPercent);
        const auto t = static_cast<std::int32_t>(total);
        // Every count from 0 to T is reachable; favour the ends.
        std::int32_t count = std::uniform_int_distribution<std::int32_t>(0, t)(random);
        if (trial % 4 == 0) count = t;
        if (trial % 7 == 0) count = std::min<std::int32_t>(t, trial % 8);
        model::Source source;
        source.generated = trial % 5 == 0;
        source.dataFileName = trial % 2 == 0 ? "HAMB00.DAT" : "spins\\casino.txt";
        SCOPED_TRACE("trial " + std::to_string(trial) + ", T " + std::to_string(t) + ", N " +
                     std::to_string(count));
        expectSameAsModel(profile, spins, count, source);
    }
}

TEST(ReportProperty, LongListsOfFewNumbersMatchTheModel) {
    // Thousands of skips per number take the counting sort.
    std::mt19937 random(7);
    for (const std::int32_t distinct : {1, 3, 12}) {
        std::uniform_int_distribution<std::int32_t> number(0, distinct - 1);
        std::vector<std::int32_t> spins(3000);
        for (auto& s : spins)
            s = number(random);
        SCOPED_TRACE("distinct " + std::to_string(distinct));
        expectSameAsModel(doubleZeroProfile, spins, 2900, {false, "FEW.DAT"});
    }
}

TEST(ReportProperty, LongDistancesAndWideValuesMatchTheModel) {
    // Values that never recur reach distances of six digits through the
    // spins beyond the analysed ones; wide numbers break their rows.
    std::mt19937 random(11);
    std::vector<std::int32_t> spins = randomSpins(random, 110000, 37, 0);
    spins[0] = 500;
    spins[3] = -2147483647 - 1;
    spins[7] = 1234567;
    spins[9] = -999;
    spins[12] = 12345;
    spins[20] = 999;
    spins[109990] = 500;
    expectSameAsModel(singleZeroProfile, spins, 40, {true, ""}, -2147483647 - 1, 0);
}

TEST(ReportProperty, LargeListsMatchTheModel) {
    // Many buffers of rows and print forms; one number alone gives a run of
    // equal skip lines longer than one buffer.
    std::mt19937 random(13);
    const std::vector<std::int32_t> spins = randomSpins(random, 520000, 38, 1);
    expectSameAsModel(doubleZeroProfile, spins, 500000, {false, "BIG.DAT"}, 18, 11, false);
    const std::vector<std::int32_t> same(130000, 7);
    expectSameAsModel(doubleZeroProfile, same, 130000, {false, "SAME.DAT"}, 7, 0, false);
}

}  // namespace
}  // namespace spinchart
