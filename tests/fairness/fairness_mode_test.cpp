// The --fairness report of a spin file: its three forms byte for byte on a
// small file of each wheel, and how the file's values are counted.
#include "fairness/fairness_mode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace spinchart {
namespace {

namespace fs = std::filesystem;

const fs::path dataFolder = fs::path(SPINCHART_TEST_DATA) / "fairness";

// The report of the data folder's spin files, named as a user in that folder
// names them.
std::string reportOf(const WheelProfile& profile, FairnessOutput output,
                     const std::vector<std::string>& names) {
    FairnessRequest request;
    request.files = names;
    request.profile = &profile;
    request.output = output;
    const fs::path before = fs::current_path();
    fs::current_path(dataFolder);
    std::string report = fairnessReport(request);
    fs::current_path(before);
    return report;
}

// spins.dat: 150 values, CR LF, 00 written as 37 and as "00", values outside
// both wheels, a TAB; both wheels' reports in their forms, and beside
// later.dat (90 spins) the report on several files.
TEST(FairnessMode, ReportsMatchTheirGoldenFiles) {
    struct Case {
        const WheelProfile* profile;
        FairnessOutput output;
        std::vector<std::string> files;
        const char* golden;
    };
    const std::vector<std::string> one = {"spins.dat"};
    for (const Case& c : {Case{&singleZeroProfile, FairnessOutput::text, one, "single.txt"},
                          Case{&singleZeroProfile, FairnessOutput::csv, one, "single.csv"},
                          Case{&doubleZeroProfile, FairnessOutput::text, one, "double.txt"},
                          Case{&doubleZeroProfile, FairnessOutput::json, one, "double.json"},
                          Case{&singleZeroProfile,
                               FairnessOutput::text,
                               {"spins.dat", "later.dat"},
                               "several.txt"}}) {
        const std::string report = reportOf(*c.profile, c.output, c.files);
        EXPECT_TRUE(report == testing::readWholeFile(dataFolder / c.golden)) << c.golden << ":\n"
                                                                             << report;
        // Plain ASCII in 80 columns.
        std::istringstream lines(report);
        for (std::string line; std::getline(lines, line);) {
            if (c.output == FairnessOutput::text) {
                EXPECT_LE(line.size(), 79u) << line;
            }
            for (const char ch : line)
                EXPECT_TRUE(ch >= ' ' && ch <= '~') << c.golden << ": " << line;
        }
    }
}

// "00" is 00 on the double-zero wheel and 0 on the single-zero wheel, where 37
// is outside; other spellings of zero stay 0.
TEST(FairnessMode, ZeroZeroCountsAsDoubleZeroOnTheDoubleZeroWheel) {
    const fs::path file = fs::temp_directory_path() / "spinchart-fairness-zero-zero.dat";
    testing::writeWholeFile(file, "00\r\n37\r\n 00 \r\n0\r\n000\r\n-0\r\n99\n");
    FairnessRequest request;
    request.files = {file.string()};
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

// The order sections' readings at the extremes, in 80 columns: one spin,
// every spin on one number, a ball that always lands 18 pockets on.
TEST(FairnessMode, TheOrderReadingsFollowTheirFigures) {
    std::string stepping;
    for (int i = 0; i < 400; ++i)
        stepping +=
            std::to_string(singleZeroProfile.neighbourBaseOrder[(400 - i) * 18 % 37]) + "\n";
    struct Case {
        const char* name;
        std::string spins;
        std::vector<std::string> readings;
    };
    const Case cases[] = {
        {"one spin",
         "17\n",
         {"A single spin: no pair", "A single spin cannot be split", "No alarm"}},
        {"every spin on 17",
         [] {
             std::string text;
             for (int i = 0; i < 2000; ++i)
                 text += "17\n";
             return text;
         }(),
         {"Evidence of a dealer's signature at the 1% level",
          "5 distances centred on 0 (35 to 2): 1999 pairs", "The hot number stayed hot: 17",
          "Highest: more than 10^300, after 2000 spins", "Alarm at the 1% level"}},
        {"18 pockets on every time",
         stepping,
         // Every window holding 18 ties: the first in distance order.
         {"5 distances centred on 16 (14 to 18): 399 pairs",
          "Evidence of a dealer's signature at the 1% level", "The hot number did not stay hot",
          "No alarm"}},
    };
    const fs::path file = fs::temp_directory_path() / "spinchart-fairness-order.dat";
    for (const Case& c : cases) {
        testing::writeWholeFile(file, c.spins);
        FairnessRequest request;
        request.files = {file.string()};
        const std::string report = fairnessReport(request);
        for (const std::string& reading : c.readings)
            EXPECT_NE(report.find(reading), std::string::npos) << c.name << ": " << reading;
        std::istringstream lines(report.substr(report.find("\nFrom one spin to the next")));
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), 79u) << c.name << ": " << line;
    }
    fs::remove(file);
}

}  // namespace
}  // namespace spinchart
