// Whole report and skip files of worked examples and edge cases, byte for byte.
// The expected files hold the placeholders @BANNER@ and @COPYRIGHT@ for the
// program's own two header lines, so that a new version keeps them valid.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/analysis_test_support.h"
#include "analysis/main_report.h"
#include "session/wheel_profile.h"
#include "text/program_identity.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

using testing::readWholeFile;

struct GoldenCase {
    const char* name;
    const WheelProfile* profile;
    std::vector<std::int32_t> spins;
    std::int32_t count;
    bool generated;
    std::string dataFile;
    std::int32_t mean;
    std::int32_t stdDev;
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<std::int32_t> workedExample{17, 3, 17, 0, 25, 3, 9, 17, 37, 0, 12, 3};
const std::vector<std::int32_t> skipExample{5, 17, 5, 0, 12, 5, 3, 17, 0, 5, 7, 5};

const GoldenCase goldenCases[] = {
    {"worked_example_single", &singleZeroProfile, workedExample, 12, false, "CASINO.TXT", 12, 11},
    {"worked_example_double", &doubleZeroProfile, workedExample, 12, true, "", 12, 11},
    {"skip_example_double", &doubleZeroProfile, skipExample, 10, false, "data/Casino 1.txt", 7, 6},
    {"skip_example_single", &singleZeroProfile, skipExample, 10, true, "", 7, 6},
    {"count_zero_double", &doubleZeroProfile, {1, 2, 3}, 0, false, "HAMB00.DAT", 2, 1},
    {"count_zero_single", &singleZeroProfile, {1, 2, 3}, 0, true, "", 2, 1},
    {"count_five_single", &singleZeroProfile, {4, 4, 4, 4, 4, 4, 4}, 5, true, "", 4, 0},
    {"count_six_double", &doubleZeroProfile, {4, 9, 4, 4, 4, 4, 4}, 6, true, "", 5, 2},
    {"edge_values_single",
     &singleZeroProfile,
     {7, 40, 7, -1, 0, 7, 37, 36, 0, 7, -1, -2147483647 - 1, 36, 5, 7, 0, 2147483647, 40, 7, 1},
     17,
     false,
     "edge.dat",
     12,
     679093956},
    {"edge_values_double",
     &doubleZeroProfile,
     {7, 40, 7, -1, 0, 7, 37, 36, 0, -12345, 7, -1, 40, 12345, 1234567, 5, 7, 0, 7, 37},
     20,
     false,
     "edge.dat",
     61740,
     269093},
};

std::string expectedFile(const std::string& name) {
    std::string text = readWholeFile(std::string(SPINCHART_TEST_DATA) + "/analysis/" + name);
    auto replace = [&text](const std::string& token, std::string_view line) {
        const auto at = text.find(token);
        if (at != std::string::npos) text.replace(at, token.size(), line);
    };
    replace("@BANNER@", programBannerLine);
    replace("@COPYRIGHT@", programCopyrightLine);
    return text;
}

class ReportGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(ReportGolden, WholeFilesMatch) {
    const GoldenCase& c = GetParam();
    testing::ScratchFolder folder;
    const std::vector<std::int32_t> spins = testing::makeSpins(c.spins);
    const AnalysisRequest request = testing::analysisRequest(
        *c.profile, spins, c.count, {c.generated, c.dataFile, c.mean, c.stdDev},
        folder.file("REPORT.REP"), folder.file("SKIPS.SKP"));
    const std::string expectedReport = expectedFile(std::string(c.name) + ".rep");
    const std::string expectedSkips = expectedFile(std::string(c.name) + ".skp");
    ASSERT_FALSE(expectedReport.empty());
    runAnalysis(request);
    EXPECT_EQ(readWholeFile(request.reportFile), expectedReport);
    EXPECT_EQ(readWholeFile(request.skipFile), expectedSkips);
}

INSTANTIATE_TEST_SUITE_P(WorkedExamplesAndEdges, ReportGolden, ::testing::ValuesIn(goldenCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A negative count: the nine header lines, then the error; the skip file has
// been created and stays empty.
TEST(ReportGoldenNegativeCount, HeaderOnlyThenSessionError) {
    struct Case {
        const char* name;
        const WheelProfile* profile;
        std::int32_t count;
        bool generated;
    };
    for (const Case& c : {Case{"negative_count_double", &doubleZeroProfile, -3, false},
                          Case{"negative_count_single", &singleZeroProfile, -1, true}}) {
        SCOPED_TRACE(c.name);
        testing::ScratchFolder folder;
        const std::vector<std::int32_t> spins = testing::makeSpins({1, 2, 3});
        const AnalysisRequest request =
            testing::analysisRequest(*c.profile, spins, c.count, {c.generated, "HAMB00.DAT", 0, 0},
                                     folder.file("REPORT.REP"), folder.file("SKIPS.SKP"));
        EXPECT_THROW(runAnalysis(request), SessionError);
        EXPECT_EQ(readWholeFile(request.reportFile), expectedFile(std::string(c.name) + ".rep"));
        EXPECT_TRUE(std::filesystem::exists(request.skipFile));
        EXPECT_EQ(readWholeFile(request.skipFile), "");
    }
}

TEST(ReportHeader, BannerNamesTheProgramAndItsVersion) {
    EXPECT_EQ(programBannerLine, std::string("spinchart ") + SPINCHART_VERSION);
    EXPECT_EQ(programCopyrightLine.substr(0, 14), "Copyright (c) ");
}

}  // namespace
}  // namespace spinchart
