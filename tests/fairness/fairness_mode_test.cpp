// The --fairness report of a spin file: its three forms byte for byte on a
// small file of each wheel, and how the file's values are counted.
#include "fairness/fairness_mode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fairness/fairness_figures.h"
#include "fairness/fairness_report.h"
#include "support/fairness_output_check.h"
#include "support/test_files.h"

namespace spinchart {
namespace {

namespace fs = std::filesystem;

const fs::path dataFolder = fs::path(SPINCHART_TEST_DATA) / "fairness";

// The report of the data folder's spin file, named as a user in that folder
// would name it.
std::string reportOf(const WheelProfile& profile, FairnessOutput output) {
    FairnessRequest request;
    request.file = (dataFolder / "spins.dat").generic_string();
    request.profile = &profile;
    request.output = output;
    std::string report = fairnessReport(request);
    for (std::size_t at; (at = report.find(request.file)) != std::string::npos;)
        report.replace(at, request.file.size(), "spins.dat");
    return report;
}

// spins.dat: 150 values, CR LF, 00 written as 37 and as "00", values outside
// both wheels, a TAB; both wheels' reports in their forms.
TEST(FairnessMode, ReportsMatchTheirGoldenFiles) {
    struct Case {
        const WheelProfile* profile;
        FairnessOutput output;
        const char* golden;
    };
    for (const Case c : {Case{&singleZeroProfile, FairnessOutput::text, "single.txt"},
                         Case{&singleZeroProfile, FairnessOutput::csv, "single.csv"},
                         Case{&doubleZeroProfile, FairnessOutput::text, "double.txt"},
                         Case{&doubleZeroProfile, FairnessOutput::json, "double.json"}}) {
        const std::string report = reportOf(*c.profile, c.output);
        EXPECT_TRUE(report == testing::readWholeFile(dataFolder / c.golden)) << c.golden << ":\n"
                                                                             << report;
        EXPECT_EQ(testing::fairnessOutputFault(report, c.output), "") << c.golden;
    }
}

// n spins of a wheel of 37 in rounds of 382: 0 22 times, every other number 10
// times, so that 0 comes up 2.2 times as often as each other number.
std::string zeroAtTwicePlus(std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t r = i * 7 % 382;
        text += std::to_string(r < 22 ? 0 : 1 + (r - 22) / 10) + "\n";
    }
    return text;
}

std::string repeated(std::string_view line, std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i)
        text += line;
    return text;
}

// Files at the extremes: every form clean, and the text saying what it must,
// in this order.
TEST(FairnessMode, ExtremeFilesGiveCleanReports) {
    struct Case {
        const char* name;
        std::string spins;
        const WheelProfile* profile;
        std::vector<std::string_view> textHolds;
    };
    std::string everyNumberOnce;
    for (int k = 0; k <= 36; ++k)
        everyNumberOnce += std::to_string(k) + "\n";
    const std::vector<Case> cases = {
        {"every spin on one number",
         repeated("17\n", 500),
         &singleZeroProfile,
         {"p < 1e-300\nExpected", "Hottest: 17, 500 hits", "P(this many or more) < 1e-300",
          "none of 10000\n  simulated fair wheels shows a number this hot",
          "Coldest: 0, 1, 2 and 33 more, 0 hits each",
          // (36/37)^500
          "P(this few or fewer) = 1.1e-06", "Wins", "about 1 in 16.1 spins",
          "the hottest-number test"}},
        {"every spin on 00",
         repeated("00\n", 500),
         &doubleZeroProfile,
         {"Hottest: 00, 500 hits", "Coldest: 0, 1, 2 and 34 more"}},
        {"1 M spins, 0 at 2.2 times its rate",
         zeroAtTwicePlus(1'000'000),
         &singleZeroProfile,
         {"p < 1e-300", "Hottest: 0,", "P(this many or more) < 1e-300"}},
        {"two spins of one number",
         "5\n5\n",
         &singleZeroProfile,
         {"Warning: too few spins", "The p is from 10000 simulated fair wheels.",
          "Evidence against a fair wheel at the 5% level (not at 1%)"}},
        {"one spin", "7\n", &doubleZeroProfile, {"No single number is detectable"}},
        {"a tie of every number",
         everyNumberOnce,
         &singleZeroProfile,
         {"Hottest: 0, 1, 2 and 34 more, 1 hit each"}},
    };
    const fs::path file = fs::temp_directory_path() / "spinchart-fairness-extreme.dat";
    for (const Case& c : cases) {
        testing::writeWholeFile(file, c.spins);
        FairnessRequest request;
        request.file = file.string();
        request.profile = c.profile;
        for (const FairnessOutput output :
             {FairnessOutput::text, FairnessOutput::json, FairnessOutput::csv}) {
            request.output = output;
            const std::string report = fairnessReport(request);
            EXPECT_EQ(testing::fairnessOutputFault(report, output), "") << c.name << ":\n"
                                                                        << report;
            if (output != FairnessOutput::text) continue;
            std::size_t at = 0;
            for (const std::string_view holds : c.textHolds) {
                at = report.find(holds, at);
                ASSERT_NE(at, std::string::npos) << c.name << ": " << holds << "\n" << report;
            }
        }
    }
    fs::remove(file);

    // A rate beyond a million, which no simulation of 10000 wheels gives.
    const std::vector<std::int32_t> one(500, 17);
    FairnessFigures figures = analyseFairness(one, 0, {37, singleZeroProfile.neighbourBaseOrder});
    figures.sectors[0].pFamily = 2e-8;
    figures.sectors[0].samples = 100'000'000;
    const std::string text =
        fairnessText(figures, "rigged.dat", singleZeroProfile.neighbourBaseOrder);
    EXPECT_NE(text.find("Unlikely to be chance: fewer than 1 in a million fair wheels"),
              std::string::npos)
        << text;
    EXPECT_EQ(testing::fairnessOutputFault(text, FairnessOutput::text), "");
}

// "00" is 00 on the double-zero wheel and 0 on the single-zero wheel, where 37
// is outside; other spellings of zero stay 0.
TEST(FairnessMode, ZeroZeroCountsAsDoubleZeroOnTheDoubleZeroWheel) {
    const fs::path file = fs::temp_directory_path() / "spinchart-fairness-zero-zero.dat";
    testing::writeWholeFile(file, "00\r\n37\r\n 00 \r\n0\r\n000\r\n-0\r\n99\n");
    FairnessRequest request;
    request.file = file.string();
    request.output = FairnessOutput::csv;
    request.profile = &doubleZeroProfile;
    const std::string doubleZero = fairnessReport(request);
    request.profile = &singleZeroProfile;
    const std::string single = fairnessReport(request);
    fs::remove(file);
    EXPECT_NE(doubleZero.find("\n0,3,"), std::string::npos) << doubleZero;
    EXPECT_NE(doubleZero.find("\n00,3,"), std::string::npos) << doubleZero;
    EXPECT_NE(single.find("\n0,5,"), std::string::npos) << single;
    EXPECT_EQ(single.find("\n00,"), std::string::npos) << single;
}

}  // namespace
}  // namespace spinchart
