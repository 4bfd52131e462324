// A session of each wheel and each method through the real program in a
// pseudo-terminal, up to the run-again question; the report and the skip file
// it leaves must be the bytes the analysis writes for the same spins.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "analysis/analysis_test_support.h"
#include "analysis/main_report.h"
#include "session/spin_source.h"
#include "session/wheel_profile.h"
#include "support/e2e/terminal_session.h"
#include "text/program_identity.h"

namespace spinchart::e2e {
namespace {

std::string spinLines(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values)
        out.append(" ").append(std::to_string(v)).append(" \r\n");
    return out;
}

struct Expected {
    std::string report;
    std::string skipFile;
};

class AnalysisSession : public ::testing::Test {
protected:
    TempDirectory dir;
    std::unique_ptr<TerminalSession> app;

    void start(const char* wheelKey) {
        app = std::make_unique<TerminalSession>(dir.path());
        ASSERT_TRUE(app->waitForText(18, 16, "│  <S> Single-zero (0)")) << app->screenDump();
        app->send(wheelKey);
        expect(17, 16, "│  Select the Method:             │");
    }
    void expect(int row, int column, std::string_view text) {
        ASSERT_TRUE(app->waitForText(row, column, text))
            << "row " << row << ", column " << column << ": " << text << "\n"
            << app->screenDump();
    }
    // Count screen: the count answer, then the report and skip file names.
    void countAndNames(const std::string& defaultCount, const std::string& count,
                       const std::string& report, const std::string& skip) {
        expect(12, 15, std::string(" (default: ").append(defaultCount).append(") >> "));
        app->send(count + "\r");
        expect(17, 15, " Name the main report");
        app->send(report + "\r");
        expect(21, 15, " Name the skip file");
        app->send(skip + "\r");
    }
    void finish(const char* runAgainPrompt) {
        expect(11, 16, runAgainPrompt);
        app->send("n");
        expect(18, 16, "│  <S> Single-zero (0)");
        app->send("x");
        EXPECT_EQ(app->waitForExit(), 0);
    }
    // What the analysis writes for the spins of `spinFile`, in this process.
    Expected library(const WheelProfile& profile, const std::string& spinFile, std::int32_t count,
                     bool generated, const std::string& dataFileName) {
        SessionSpins spins;
        spins = loadSpinFile(spinFile);
        const AnalysisRequest request = testing::analysisRequest(
            profile, spins.list.values(), std::min(count, spins.totalSpins),
            {generated, dataFileName, spins.spinMean, spins.spinStdDev}, dir.file("library.rep"),
            dir.file("library.skp"));
        runAnalysis(request);
        return {readFile(request.reportFile), readFile(request.skipFile)};
    }
    void expectFiles(const std::string& report, const std::string& skip, const Expected& expected) {
        const std::string actualReport = readFile(dir.file(report));
        EXPECT_EQ(actualReport.size(), expected.report.size());
        EXPECT_TRUE(actualReport == expected.report) << report << " differs";
        EXPECT_EQ(readFile(dir.file(skip)), expected.skipFile);
    }
};

TEST_F(AnalysisSession, AnalyzeSingleZeroWorkedExample) {
    writeFile(dir.file("casino.txt"), spinLines({17, 3, 17, 0, 25, 3, 9, 17, 37, 0, 12, 3}));
    start("s");
    app->send("a");
    expect(18, 15, " Enter DATA file to process: ");
    app->send("casino.txt\r");
    countAndNames(" 12 ", "", "single.rep", "single.skp");
    finish("   Success! Run SINGLE-0 again (Y/N)?   ");

    expectFiles("single.rep", "single.skp",
                library(singleZeroProfile, dir.file("casino.txt"), 12, false, "CASINO.TXT"));
    // And the worked example as written out by hand.
    std::string golden =
        readFile(std::string(SPINCHART_TEST_DATA) + "/analysis/worked_example_single.rep");
    golden.replace(golden.find("@BANNER@"), 8, programBannerLine);
    golden.replace(golden.find("@COPYRIGHT@"), 11, programCopyrightLine);
    EXPECT_EQ(readFile(dir.file("single.rep")), golden);
    EXPECT_EQ(readFile(dir.file("single.skp")),
              " 2 \r\n 4 \r\n 5 \r\n 6 \r\n 6 \r\n 6 \r\n 8 \r\n");
}

TEST_F(AnalysisSession, AnalyzeDoubleZeroFewerSpinsThanLoaded) {
    writeFile(dir.file("Spins.Dat"), spinLines({5, 17, 5, 0, 12, 5, 3, 17, 0, 5, 7, 5}));
    start("d");
    app->send("a");
    expect(18, 15, " Enter DATA file to process: ");
    app->send("spins.dat\r");
    countAndNames(" 12 ", "10", "", "");
    finish("   Success! Run DOUBLE-0 again (Y/N)?   ");

    expectFiles("VIRLO00.REP", "VIRLO00.SKP",
                library(doubleZeroProfile, dir.file("Spins.Dat"), 10, false, "SPINS.DAT"));
    EXPECT_EQ(readFile(dir.file("VIRLO00.SKP")), " 2 \r\n 3 \r\n 5 \r\n 6 \r\n 8 \r\n");
}

TEST_F(AnalysisSession, GenerateSingleZero) {
    start("s");
    app->send("g");
    expect(16, 15, " (default: 1000) >> ");
    app->send("500\r");
    expect(22, 15, " (RAND0.DAT) ");
    app->send("drawn.dat\r");
    countAndNames(" 500 ", "", "", "");
    finish("   Success! Run SINGLE-0 again (Y/N)?   ");

    expectFiles("VIRLO0.REP", "VIRLO0.SKP",
                library(singleZeroProfile, dir.file("drawn.dat"), 500, true, ""));
}

TEST_F(AnalysisSession, GenerateDoubleZeroAnalysingPart) {
    start("d");
    app->send("g");
    expect(16, 15, " (default: 1000) >> ");
    app->send("\r");
    expect(22, 15, " (RAND00.DAT) ");
    app->send("\r");
    countAndNames(" 1000 ", "300", "double.rep", "double.skp");
    finish("   Success! Run DOUBLE-0 again (Y/N)?   ");

    expectFiles("double.rep", "double.skp",
                library(doubleZeroProfile, dir.file("RAND00.DAT"), 300, true, ""));
}

}  // namespace
}  // namespace spinchart::e2e
