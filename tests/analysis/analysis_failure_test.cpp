// Failures of the analysis: what each file holds afterwards, and the guards
// against writing a report over the data or over the other report.
#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/analysis_model.h"
#include "analysis/analysis_test_support.h"
#include "analysis/main_report.h"
#include "platform/platform_error.h"
#include "session/wheel_profile.h"
#include "text/program_identity.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

using testing::readWholeFile;
using testing::writeWholeFile;

const std::vector<std::int32_t> spinValues{17, 3, 17, 0, 25, 3, 9, 17, 37, 0, 12, 3};

struct Fixture {
    testing::ScratchFolder folder;
    std::vector<std::int32_t> spins = testing::makeSpins(spinValues);
    AnalysisRequest request =
        testing::analysisRequest(doubleZeroProfile, spins, 12, {false, "CASINO.TXT", 12, 11},
                                 folder.file("R.REP"), folder.file("S.SKP"));

    model::Output expected() const {
        return model::analyse(38, doubleZeroProfile.chartTitle, programBannerLine,
                              programCopyrightLine, spinValues, request.analysisCount,
                              {false, *request.dataFileName}, 12, 11);
    }
};

bool fullDeviceAvailable() {
    return std::filesystem::exists("/dev/full");
}

TEST(AnalysisFailure, ReportThatCannotBeCreatedLeavesNoSkipFile) {
    Fixture f;
    f.request.reportFile = f.folder.file("missing/R.REP");
    EXPECT_THROW(runAnalysis(f.request), SessionError);
    EXPECT_FALSE(std::filesystem::exists(f.request.skipFile));
}

TEST(AnalysisFailure, AFailingFileLeavesTheOtherAsItShould) {
    // The skip file is written once the report is complete: a report that
    // fails leaves it empty, a skip file that fails leaves the report whole.
    struct Case {
        const char* reportFile;  // nullptr: the fixture's
        const char* skipFile;
        bool reportComplete;
    };
    for (const Case c : {Case{nullptr, "missing/S.SKP", false}, Case{"/dev/full", nullptr, false},
                         Case{nullptr, "/dev/full", true}}) {
        SCOPED_TRACE(c.reportFile ? c.reportFile : c.skipFile);
        const bool device = (c.reportFile ? c.reportFile : c.skipFile)[0] == '/';
        if (device && !fullDeviceAvailable()) continue;
        Fixture f;
        if (c.reportFile) f.request.reportFile = c.reportFile;
        if (c.skipFile)
            f.request.skipFile = device ? std::string(c.skipFile) : f.folder.file(c.skipFile);
        EXPECT_THROW(runAnalysis(f.request), SessionError);
        const std::string& other = c.reportFile ? f.request.skipFile : f.request.reportFile;
        EXPECT_EQ(readWholeFile(other), c.reportComplete ? f.expected().report : "");
    }
}

TEST(AnalysisFailure, WriteFailuresOfLargeAnalysesAreReported) {
    // Failures past the first buffer still end the analysis, and the other
    // file keeps what it had.
    if (!fullDeviceAvailable()) GTEST_SKIP() << "no /dev/full";
    std::vector<std::int32_t> values(300000);
    for (std::size_t k = 0; k < values.size(); ++k)
        values[k] = static_cast<std::int32_t>((k * 7) % 37);
    const std::vector<std::int32_t> spins = testing::makeSpins(values);
    testing::ScratchFolder folder;
    AnalysisRequest request = testing::analysisRequest(
        singleZeroProfile, spins, 300000, {true, "", 0, 0}, "/dev/full", folder.file("S.SKP"));
    EXPECT_THROW(runAnalysis(request), SessionError);
    EXPECT_EQ(readWholeFile(request.skipFile), "");

    request.reportFile = folder.file("R.REP");
    request.skipFile = "/dev/full";
    EXPECT_THROW(runAnalysis(request), SessionError);
    const std::string report = readWholeFile(request.reportFile);
    EXPECT_GT(report.size(), 1000000u);
    EXPECT_NE(report.find("Report of 'Play-All-Numbers EXCEPT The Last 5 Spins'"),
              std::string::npos);
}

TEST(AnalysisFailure, CountBeyondTheSpinsIsRefusedBeforeAnyFileIsTouched) {
    // The dialogue takes all the spins for a larger count; here it is a fault.
    Fixture f;
    f.request.analysisCount = 13;
    EXPECT_THROW(runAnalysis(f.request), SessionError);
    EXPECT_FALSE(std::filesystem::exists(f.request.reportFile));
}

TEST(AnalysisFailure, ExistingFilesAreReplaced) {
    Fixture f;
    writeWholeFile(f.request.reportFile, std::string(100000, 'x'));
    writeWholeFile(f.request.skipFile, std::string(100000, 'y'));
    runAnalysis(f.request);
    EXPECT_EQ(readWholeFile(f.request.reportFile), f.expected().report);
    EXPECT_EQ(readWholeFile(f.request.skipFile), f.expected().skipFile);
}

TEST(AnalysisFailure, DiscardedSkipFileCompletesTheAnalysis) {
    // A sink as the skip file: nothing is read back from it.
    Fixture f;
    f.request.skipFile = "/dev/null";
    runAnalysis(f.request);
    EXPECT_EQ(readWholeFile(f.request.reportFile), f.expected().report);
}

}  // namespace
}  // namespace spinchart
