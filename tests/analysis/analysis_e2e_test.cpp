// A session of each wheel and each method through the real program in a
// pseudo-terminal, up to the run-again question; the report and the skip file
// it leaves must be the bytes the analysis writes for the same spins.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/analysis_test_support.h"
#include "analysis/main_report.h"
#include "session/spin_source.h"
#include "session/wheel_profile.h"
#include "support/e2e/terminal_session.h"
#include "support/program_test.h"
#include "text/program_identity.h"

namespace spinchart::e2e {
namespace {

std::string spinLines(const std::vector<int>& values) {
    std::string out;
    for (const int v : values)
        out.append(" ").append(std::to_string(v)).append(" \r\n");
    return out;
}

// One session through the dialogue, and what it must leave.
struct SessionCase {
    const char* name;
    const char* wheelKey;
    const WheelProfile* profile;
    const char* runAgainPrompt;
    std::vector<int> spins;    // written to spinFile and analysed; none: generated
    std::string spinFile;      // as written
    std::string count;         // generated: the answer at the count prompt
    std::string offered;       // generated: the name offered for the spins
    std::string typed;         // the answer at the data-file or name prompt
    std::string defaultCount;  // offered at the count screen, then the answers there
    std::string analysed;
    std::string report;
    std::string skip;
    std::string reportFile;  // as written
    std::string skipFile;
    std::int32_t analysisCount;
    std::string dataFileName;  // as the report names it
    std::string skips;         // the whole skip file, where it is given here
    std::string golden;        // the report as written out by hand, where there is one
};

void PrintTo(const SessionCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<int> workedExample{17, 3, 17, 0, 25, 3, 9, 17, 37, 0, 12, 3};
const std::vector<int> skipExample{5, 17, 5, 0, 12, 5, 3, 17, 0, 5, 7, 5};

const SessionCase sessionCases[] = {
    {"AnalyzeSingleZeroWorkedExample", "s", &singleZeroProfile,
     "   Success! Run SINGLE-0 again (Y/N)?   ", workedExample, "casino.txt", "", "", "casino.txt",
     " 12 ", "", "single.rep", "single.skp", "single.rep", "single.skp", 12, "CASINO.TXT",
     " 2 \r\n 4 \r\n 5 \r\n 6 \r\n 6 \r\n 6 \r\n 8 \r\n", "worked_example_single.rep"},
    {"AnalyzeDoubleZeroFewerSpinsThanLoaded", "d", &doubleZeroProfile,
     "   Success! Run DOUBLE-0 again (Y/N)?   ", skipExample, "Spins.Dat", "", "", "spins.dat",
     " 12 ", "10", "", "", "VIRLO00.REP", "VIRLO00.SKP", 10, "SPINS.DAT",
     " 2 \r\n 3 \r\n 5 \r\n 6 \r\n 8 \r\n", ""},
    {"GenerateSingleZero",
     "s",
     &singleZeroProfile,
     "   Success! Run SINGLE-0 again (Y/N)?   ",
     {},
     "drawn.dat",
     "500",
     "RAND0.DAT",
     "drawn.dat",
     " 500 ",
     "",
     "",
     "",
     "VIRLO0.REP",
     "VIRLO0.SKP",
     500,
     "",
     "",
     ""},
    {"GenerateDoubleZeroAnalysingPart",
     "d",
     &doubleZeroProfile,
     "   Success! Run DOUBLE-0 again (Y/N)?   ",
     {},
     "RAND00.DAT",
     "",
     "RAND00.DAT",
     "",
     " 1000 ",
     "300",
     "double.rep",
     "double.skp",
     "double.rep",
     "double.skp",
     300,
     "",
     "",
     ""},
};

class AnalysisSession : public ProgramTest, public ::testing::WithParamInterface<SessionCase> {
protected:
    // Starts the program and enters the wheel of `wheelKey`.
    void start(const char* wheelKey) {
        ProgramTest::start();
        app->send(wheelKey);
        expectScreen(17, 16, "│  Select the Method:             │");
    }
    // Count screen: the count answer, then the report and skip file names.
    void countAndNames(const std::string& defaultCount, const std::string& count,
                       const std::string& report, const std::string& skip) {
        expectScreen(12, 15, " (default: " + defaultCount + ") >> ");
        app->send(count + "\r");
        expectScreen(17, 15, " Name the main report");
        app->send(report + "\r");
        expectScreen(21, 15, " Name the skip file");
        app->send(skip + "\r");
    }
    // What the analysis writes for the spins of `spinFile`, in this process.
    void expectFilesOfTheAnalysis(const SessionCase& c) {
        const SessionSpins spins = loadSpinFile(dir.file(c.spinFile));
        const AnalysisRequest request = testing::analysisRequest(
            *c.profile, spins.list.values(), std::min(c.analysisCount, spins.list.size()),
            {c.spins.empty(), c.dataFileName, spins.statistics.spinMean,
             spins.statistics.spinStdDev},
            dir.file("library.rep"), dir.file("library.skp"));
        runAnalysis(request);
        const std::string expected = readFile(request.reportFile);
        const std::string actual = readFile(dir.file(c.reportFile));
        EXPECT_EQ(actual.size(), expected.size());
        EXPECT_TRUE(actual == expected) << c.reportFile << " differs";
        EXPECT_EQ(readFile(dir.file(c.skipFile)), readFile(request.skipFile));
    }
};

TEST_P(AnalysisSession, FilesAreThoseOfTheAnalysis) {
    const SessionCase& c = GetParam();
    start(c.wheelKey);
    if (c.spins.empty()) {
        generate(c.count, c.typed, c.offered);
    } else {
        writeFile(dir.file(c.spinFile), spinLines(c.spins));
        analyzeFile(c.typed);
    }
    countAndNames(c.defaultCount, c.analysed, c.report, c.skip);
    leave(c.runAgainPrompt);

    expectFilesOfTheAnalysis(c);
    if (!c.skips.empty()) {
        EXPECT_EQ(readFile(dir.file(c.skipFile)), c.skips);
    }
    if (!c.golden.empty()) {
        std::string golden = readFile(std::string(SPINCHART_TEST_DATA) + "/analysis/" + c.golden);
        golden.replace(golden.find("@BANNER@"), 8, programBannerLine);
        golden.replace(golden.find("@COPYRIGHT@"), 11, programCopyrightLine);
        EXPECT_EQ(readFile(dir.file(c.reportFile)), golden);
    }
}

INSTANTIATE_TEST_SUITE_P(EachWheelAndMethod, AnalysisSession, ::testing::ValuesIn(sessionCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace spinchart::e2e
