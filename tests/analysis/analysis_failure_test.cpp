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
#include "analysis/skip_file.h"
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
                              {false, request.dataFileName}, 12, 11);
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

TEST(AnalysisFailure, SkipFileThatCannotBeCreatedLeavesAnEmptyReport) {
    Fixture f;
    f.request.skipFile = f.folder.file("missing/S.SKP");
    EXPECT_THROW(runAnalysis(f.request), SessionError);
    EXPECT_EQ(readWholeFile(f.request.reportFile), "");
}

TEST(AnalysisFailure, ReportWriteFailureKeepsTheSkipFilesFirstPass) {
    if (!fullDeviceAvailable()) GTEST_SKIP() << "no /dev/full";
    Fixture f;
    f.request.reportFile = "/dev/full";
    EXPECT_THROW(runAnalysis(f.request), SessionError);
    // Rows 1 to 7 in row order, unsorted.
    EXPECT_EQ(readWholeFile(f.request.skipFile),
              " 2 \r\n 4 \r\n 5 \r\n 6 \r\n 8 \r\n 6 \r\n 6 \r\n");
}

TEST(AnalysisFailure, SkipFileWriteFailureLeavesTheReportComplete) {
    if (!fullDeviceAvailable()) GTEST_SKIP() << "no /dev/full";
    Fixture f;
    f.request.skipFile = "/dev/full";
    EXPECT_THROW(runAnalysis(f.request), SessionError);
    EXPECT_EQ(readWholeFile(f.request.reportFile), f.expected().report);
}

TEST(AnalysisFailure, WriteFailuresOfLargeAnalysesAreReported) {
    // Blocks written on the writer thread: the failure still ends the
    // analysis, and the other file keeps what it had.
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

TEST(SkipFileFinish, ShortFileFailsAndKeepsTheFirstPass) {
    testing::ScratchFolder folder;
    const std::string name = folder.file("S.SKP");
    writeWholeFile(name, " 9 \r\n 1 \r\n");
    EXPECT_THROW(finishSkipFile(name, 3), SessionError);
    EXPECT_EQ(readWholeFile(name), " 9 \r\n 1 \r\n");
    EXPECT_THROW(finishSkipFile(folder.file("none.skp"), 1), PlatformError);
}

TEST(SkipFileFinish, ReadsNumericInputAndRewritesSorted) {
    testing::ScratchFolder folder;
    const std::string name = folder.file("S.SKP");
    // Blanks and line ends between values, a comma, a sign and a fraction.
    writeWholeFile(name, "  12 \r\n\r\n 7\r\n3,-4 \n 2.5 \r\n 1e2 \r\n 99 \r\n");
    finishSkipFile(name, 6);
    EXPECT_EQ(readWholeFile(name), "-4 \r\n 2 \r\n 3 \r\n 7 \r\n 12 \r\n 100 \r\n");
    finishSkipFile(name, 0);
    EXPECT_EQ(readWholeFile(name), "");
}

TEST(SkipFileFinish, ValuesSpanningReadBlocks) {
    testing::ScratchFolder folder;
    const std::string name = folder.file("S.SKP");
    std::string text;
    std::vector<std::int32_t> values;
    // Now and then eight digits and more, or other separators.
    const std::int32_t wide[] = {12345678, 99999999, 100000000, 2147483647, 0};
    for (std::int32_t k = 0; k < 400000; ++k) {
        const bool odd = k % 997 == 0;
        values.push_back(
            odd ? wide[(k / 997) % 5]
                : static_cast<std::int32_t>((static_cast<std::int64_t>(k) * 7919) % 100003));
        text += model::pf(values.back()) + (k % 1009 == 0 ? "\t\n" : k % 1013 == 0 ? "," : "\r\n");
    }
    writeWholeFile(name, text);
    finishSkipFile(name, static_cast<std::int32_t>(values.size()));
    std::sort(values.begin(), values.end());
    std::string sorted;
    for (const std::int32_t v : values)
        sorted += model::pf(v) + "\r\n";
    EXPECT_EQ(readWholeFile(name), sorted);
}

}  // namespace
}  // namespace spinchart
