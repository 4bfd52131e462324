// Whole sessions on the scripted terminal: every screen's texts at their
// places, the answers' defaults, the settings files written, the error trap.
#include "session/session_dialogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/scripted_terminal.h"
#include "support/test_files.h"
#include "support/test_text.h"
#include "text/session_error.h"
#include "working_folder.h"

namespace spinchart {
namespace {

using sessiontest::WorkingFolder;
using testing::bars;
using testing::charactersIn;
using testing::crlfLines;
using testing::readWholeFile;
using testing::ScriptedConsole;
using testing::ScriptedTerminal;
using testing::writeWholeFile;

LocalTime fixedClock() {
    return LocalTime{2026, 1, 2, 10, 20, 30, 400};
}

// What the analysis was handed, and the screen it ran under.
struct SeenAnalysis {
    std::int32_t analysisCount = 0;
    bool generated = false;
    std::string dataFileName, reportFile, skipFile;
    std::int32_t spinMean = 0, spinStdDev = 0;
    std::vector<std::int32_t> spins;
    std::string workingRow11;
    std::string frameTop, frameBottom, frameSides;
};
std::vector<SeenAnalysis> seen;
bool analysisFails = false;

// Stands in for the analysis: records what it was handed under `screen`.
void recordAnalysis(const ConsoleScreen& screen, const AnalysisRequest& request) {
    SeenAnalysis s;
    s.analysisCount = request.analysisCount;
    s.generated = !request.dataFileName;
    s.dataFileName = request.dataFileName.value_or("");
    s.reportFile = request.reportFile;
    s.skipFile = request.skipFile;
    s.spinMean = request.statistics.spinMean;
    s.spinStdDev = request.statistics.spinStdDev;
    s.spins.assign(request.spins.begin(), request.spins.end());
    // The screen as the program holds it when the analysis starts.
    s.workingRow11 = rowText(screen, 11).substr(24, 20);
    s.frameTop = rowText(screen, 10).substr(13, 42);
    s.frameSides = rowText(screen, 12).substr(13, 1) + rowText(screen, 12).substr(54, 1);
    s.frameBottom = rowText(screen, 13).substr(13, 42);
    seen.push_back(s);
    if (analysisFails) throw SessionError("report cannot be written");
}

SessionContext recordingContext(const ConsoleScreen& screen) {
    SessionContext context;
    context.readClock = fixedClock;
    context.analyse = [&screen](const AnalysisRequest& request) {
        recordAnalysis(screen, request);
    };
    return context;
}

// Runs a wheel with one step per wait for a key: each step looks at the screen
// and types the next answer.
using Step = std::function<void(ScriptedTerminal&)>;

// Returns true when the wheel run returned (run-again declined), false when it
// was still waiting for a key after the last step.
bool runSteps(const WheelProfile& profile, std::vector<Step> steps) {
    ScriptedConsole console;
    seen.clear();
    std::size_t next = 0;
    console.terminal.onIdle = [&](ScriptedTerminal& terminal) {
        if (next < steps.size()) steps[next++](terminal);
    };
    SessionContext context = recordingContext(console.screen);
    bool returned = true;
    try {
        runWheelAnalysis(console.screen, profile, context);
    } catch (const testing::ScriptEnded&) {
        returned = false;
    }
    EXPECT_EQ(next, steps.size()) << "the wheel run ended before the script did";
    return returned;
}

// The text stands at (row, column) on the terminal.
void expectAt(ScriptedTerminal& t, int row, int column, std::string_view text) {
    EXPECT_EQ(t.text(row, column, charactersIn(text)), text)
        << "row " << row << ", column " << column;
}

Step type(std::string keys) {
    return [keys](ScriptedTerminal& t) { t.pushText(keys); };
}
Step checkThenType(std::function<void(ScriptedTerminal&)> check, std::string keys) {
    return [check, keys](ScriptedTerminal& t) {
        check(t);
        t.pushText(keys);
    };
}

void expectTallFrame(ScriptedTerminal& t, int row, int width) {
    EXPECT_EQ(t.text(row, 14, width + 2), "╔" + bars(width) + "╗") << row;
    for (int side = row + 1; side <= row + 2; ++side) {
        EXPECT_EQ(t.text(side, 14, 1), "║") << side;
        EXPECT_EQ(t.text(side, 15 + width, 1), "║") << side;
    }
    EXPECT_EQ(t.text(row + 3, 14, width + 2), "╚" + bars(width) + "╝") << row;
}

void expectIntro(ScriptedTerminal& t, bool doubleZero) {
    EXPECT_EQ(t.text(4), std::string(9, ' ') +
                             "∙ This function simulates random roulette spins; or-" +
                             std::string(19, ' '));
    EXPECT_EQ(t.text(5, 10, 46), doubleZero ? " ∙∙ analyzes REAL casino spins (DOUBLE ZERO). "
                                            : " ∙∙ analyzes REAL casino spins (SINGLE ZERO). ");
    EXPECT_EQ(t.text(6, 10, 48), "The spins must be recorded first in a text file ");
    EXPECT_EQ(t.text(7, 10, 59), "with one spin per line: type the number then press 'Enter'.");
    if (doubleZero) {
        EXPECT_EQ(t.text(8, 10, 44), "*** You must replace 00 in a file by 37 *** ");
    } else {
        EXPECT_EQ(t.text(8), std::string(80, ' '));
    }
    EXPECT_EQ(t.text(10, 10, 51), "You can either generate RANDOM spins (the default) ");
    EXPECT_EQ(t.text(11, 10, 50), "or analyze REAL-LIFE casino spins in a data file. ");
    EXPECT_EQ(t.text(12, 10, 51), doubleZero
                                      ? "*** The random spins are saved to file: RAND00.DAT "
                                      : "*** The random spins are saved to file: RAND0.DAT  ");
    EXPECT_EQ(t.text(16, 16, 35), "╒" + bars(33) + "╕");
    EXPECT_EQ(t.text(17, 16, 35), "│  Select the Method:             │");
    EXPECT_EQ(t.text(18, 16, 35), "╞" + bars(33) + "╡");
    EXPECT_EQ(t.text(19, 16, 35), "│  <G> Generate Random Spins      │");
    EXPECT_EQ(t.text(20, 16, 35), "╞" + bars(33) + "╡");
    EXPECT_EQ(t.text(21, 16, 35), "│  <A> Analyze Casino File        │");
    EXPECT_EQ(t.text(22, 16, 35), "╘" + bars(33) + "╛");
    EXPECT_EQ(t.text(15), std::string(80, ' '));
    EXPECT_EQ(t.text(23), std::string(80, ' '));
}

void expectCountScreen(ScriptedTerminal& t, const std::string& defaultCount) {
    EXPECT_EQ(t.text(1, 10, 34), "Select how many spins to analyze. ");
    EXPECT_EQ(t.text(2, 10, 44), "*** Default: all the spins in the data file ");
    EXPECT_EQ(t.text(3, 10, 35), "or all random spins generated. *** ");
    EXPECT_EQ(t.text(4, 10, 27), "There will be two reports: ");
    EXPECT_EQ(t.text(6, 10, 47), "1) the main frequency and skip, which includes ");
    EXPECT_EQ(t.text(7, 10, 39), "the 'Free Winning Roulette System #1'; ");
    EXPECT_EQ(t.text(8, 10, 52), "2) the skip file: all the skips in ascending order. ");
    expectTallFrame(t, 10, 49);
    EXPECT_EQ(t.text(11, 15, 27), " How many spins to analyze ");
    const std::string prompt = " (default: " + defaultCount + ") >> ";
    EXPECT_EQ(t.text(12, 15, static_cast<int>(prompt.size())), prompt);
    EXPECT_EQ(t.cursorRow, 12);
    EXPECT_EQ(t.cursorColumn, 15 + static_cast<int>(prompt.size()));
    EXPECT_TRUE(t.cursorVisible);
}

void expectReportPrompt(ScriptedTerminal& t, const std::string& name) {
    expectTallFrame(t, 16, 39);
    EXPECT_EQ(t.text(17, 15, 22), " Name the main report ");
    EXPECT_EQ(t.text(18, 15, static_cast<int>(name.size()) + 4), " (" + name + ") ");
}

void expectSkipPrompt(ScriptedTerminal& t, const std::string& name) {
    expectTallFrame(t, 20, 39);
    EXPECT_EQ(t.text(21, 15, 20), " Name the skip file ");
    EXPECT_EQ(t.text(22, 15, static_cast<int>(name.size()) + 4), " (" + name + ") ");
}

bool errorScreenShown(ScriptedTerminal& t) {
    const std::string_view last = "... Press <Spacebar> to resume or Ctrl+Break to abort ... ";
    return t.text(8, 10, 29) == "             **** ERROR! ****" &&
           t.text(16, 5, charactersIn(last)) == last;
}

// A step at the error screen: notes whether it is shown, then resumes.
Step resumeFromError(bool& shown) {
    return [&shown](ScriptedTerminal& t) {
        shown = errorScreenShown(t);
        t.pushText(" ");
    };
}

// After the error screen the session starts again at its intro screen; the
// script ends there.
Step introAgain(bool doubleZero) {
    return [doubleZero](ScriptedTerminal& t) { expectIntro(t, doubleZero); };
}

TEST(SessionDialogue, GenerateSessionDoubleZero) {
    WorkingFolder folder("spinchart-dialogue-generate");
    runSteps(
        doubleZeroProfile,
        {checkThenType(
             [](ScriptedTerminal& t) {
                 // The settings file is there before the intro screen.
                 EXPECT_EQ(readWholeFile("VIRLO00.INI"),
                           crlfLines({"HAMB00.DAT", "RAND00.DAT", "VIRLO00.REP", "VIRLO00.SKP"}));
                 expectIntro(t, true);
                 EXPECT_FALSE(t.cursorVisible);
             },
             "g"),
         checkThenType(
             [](ScriptedTerminal& t) {
                 EXPECT_EQ(t.text(7, 14, 35), " *** Option: Generate RANDOM spins ");
                 EXPECT_EQ(t.text(9, 14, 52),
                           " *** Default OUTPUT file of random spins: RAND00.DAT");
                 expectTallFrame(t, 14, 49);
                 EXPECT_EQ(t.text(15, 15, 27), " How many spins to generate");
                 EXPECT_EQ(t.text(16, 15, 20), " (default: 1000) >> ");
                 EXPECT_EQ(t.cursorRow, 16);
                 EXPECT_EQ(t.cursorColumn, 35);
             },
             "150.5\r"),
         checkThenType(
             [](ScriptedTerminal& t) {
                 expectTallFrame(t, 20, 39);
                 EXPECT_EQ(t.text(21, 15, 21), " Name the OUTPUT file");
                 EXPECT_EQ(t.text(22, 15, 14), " (RAND00.DAT) ");
                 EXPECT_EQ(t.cursorColumn, 29);
             },
             "spins out.dat\r"),
         checkThenType(
             [](ScriptedTerminal& t) {
                 // Saved before drawing: the output name is in line 2.
                 EXPECT_EQ(readWholeFile("VIRLO00.INI"), crlfLines({"HAMB00.DAT", "spins out.dat",
                                                                    "VIRLO00.REP", "VIRLO00.SKP"}));
                 expectCountScreen(t, " 150 ");
             },
             "\r"),
         checkThenType([](ScriptedTerminal& t) { expectReportPrompt(t, "VIRLO00.REP"); },
                       "my.rep\r"),
         checkThenType([](ScriptedTerminal& t) { expectSkipPrompt(t, "VIRLO00.SKP"); }, "\r"),
         checkThenType(
             [](ScriptedTerminal& t) {
                 EXPECT_EQ(t.text(11, 16, 40), "   Success! Run DOUBLE-0 again (Y/N)?   ");
             },
             "n")});

    ASSERT_EQ(seen.size(), 1u);
    const SeenAnalysis& s = seen[0];
    EXPECT_EQ(s.workingRow11, " Doing the works ...");
    EXPECT_EQ(s.frameTop, testing::cp437("╔" + bars(40) + "╗"));
    EXPECT_EQ(s.frameSides, testing::cp437("║║"));
    EXPECT_EQ(s.frameBottom, testing::cp437("╚" + bars(40) + "╝"));
    EXPECT_TRUE(s.generated);
    EXPECT_EQ(s.analysisCount, 150);
    EXPECT_EQ(s.spins.size(), 150u);
    EXPECT_EQ(s.reportFile, "my.rep");
    EXPECT_EQ(s.skipFile, "VIRLO00.SKP");

    // The random-spins file holds the spins handed on, one per line.
    std::string expected;
    for (std::int32_t v : s.spins)
        expected.append(" ").append(std::to_string(v)).append(" \r\n");
    EXPECT_EQ(readWholeFile("spins out.dat"), expected);
    // The final save writes the loaded random-spins name back.
    EXPECT_EQ(readWholeFile("VIRLO00.INI"),
              crlfLines({"HAMB00.DAT", "RAND00.DAT", "my.rep", "VIRLO00.SKP"}));
    EXPECT_FALSE(std::filesystem::exists("ROUL00.INI"));
}

TEST(SessionDialogue, AnalyzeSessionSingleZeroFindsLowerCaseFile) {
    WorkingFolder folder("spinchart-dialogue-analyze");
    writeWholeFile("casino.txt", "17\n5\n37\n0\n");
    writeWholeFile("VIRLO0.INI", crlfLines({"old.dat", "R.DAT", "R.REP", "R.SKP"}));
    writeWholeFile("old.dat", "9\r\n");
    runSteps(singleZeroProfile,
             {checkThenType([](ScriptedTerminal& t) { expectIntro(t, false); }, "a"),
              checkThenType(
                  [](ScriptedTerminal& t) {
                      expectAt(t, 5, 14, "*** Default data file: OLD.DAT");
                      EXPECT_EQ(t.text(17, 14, 51), "╔" + bars(49) + "╗");
                      EXPECT_EQ(t.text(18, 14, 1), "║");
                      EXPECT_EQ(t.text(18, 64, 1), "║");
                      EXPECT_EQ(t.text(19, 14, 51), "╚" + bars(49) + "╝");
                      EXPECT_EQ(t.text(18, 15, 29), " Enter DATA file to process: ");
                      EXPECT_EQ(t.cursorColumn, 44);
                  },
                  "casino.txt\r"),
              checkThenType(
                  [](ScriptedTerminal& t) {
                      EXPECT_EQ(readWholeFile("ROUL0.INI"),
                                crlfLines({"CASINO.TXT", "R.DAT", "R.REP", "R.SKP"}));
                      expectCountScreen(t, " 4 ");
                  },
                  "99999\r"),
              checkThenType([](ScriptedTerminal& t) { expectReportPrompt(t, "R.REP"); }, "\r"),
              checkThenType([](ScriptedTerminal& t) { expectSkipPrompt(t, "R.SKP"); }, "s.skp\r"),
              type("y"),
              // Run again: a fresh session from the settings step.
              checkThenType([](ScriptedTerminal& t) { expectIntro(t, false); }, "A"),
              type("\r"),  // the stored name, as stored
              type("2\r\r\r"), type("N")});

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen[0].generated);
    EXPECT_EQ(seen[0].dataFileName, "CASINO.TXT");
    EXPECT_EQ(seen[0].spins, (std::vector<std::int32_t>{17, 5, 37, 0}));
    EXPECT_EQ(seen[0].analysisCount, 4);  // more than there are: all of them
    EXPECT_EQ(seen[0].spinMean, 15);      // 59 / 4 = 14.75 -> 14.8 -> 15
    EXPECT_EQ(seen[0].skipFile, "s.skp");
    EXPECT_EQ(readWholeFile("VIRLO0.INI"), crlfLines({"old.dat", "R.DAT", "R.REP", "s.skp"}));
    // The second session took the stored name as stored.
    EXPECT_EQ(seen[1].dataFileName, "old.dat");
    EXPECT_EQ(seen[1].spins, (std::vector<std::int32_t>{9}));
    EXPECT_EQ(seen[1].analysisCount, 1);
}

TEST(SessionDialogue, EmptyDataAnswerUsesTheStoredNameAsStored) {
    WorkingFolder folder("spinchart-dialogue-stored");
    writeWholeFile("Spins.txt", "3\r\n4\r\n");
    writeWholeFile("VIRLO00.INI", crlfLines({"Spins.txt", "R.DAT", "R.REP", "R.SKP"}));
    runSteps(
        doubleZeroProfile,
        {type("a"),
         checkThenType(
             [](ScriptedTerminal& t) { expectAt(t, 5, 14, "*** Default data file: SPINS.TXT"); },
             "\r"),
         checkThenType([](ScriptedTerminal& t) { expectCountScreen(t, " 2 "); }, "1\r\r\r"),
         type("n")});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].dataFileName, "Spins.txt");
    EXPECT_EQ(seen[0].analysisCount, 1);
    EXPECT_EQ(readWholeFile("ROUL00.INI"), crlfLines({"Spins.txt", "R.DAT", "R.REP", "R.SKP"}));
}

TEST(SessionDialogue, GenerationCountsFallBackTo1000) {
    WorkingFolder folder("spinchart-dialogue-counts");
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"50", 1000}, {"100", 100},   {"150.5", 150}, {"250.5", 250}, {"abc", 1000},
        {"-5", 1000}, {"1e99", 1000}, {"0", 1000},    {" 120", 120},  {"101abc", 101}};
    for (const auto& [answer, count] : cases) {
        runSteps(singleZeroProfile,
                 {type("x"), type(answer + "\r"), type("\r"), type("\r\r\r"), type("n")});
        ASSERT_EQ(seen.size(), 1u) << answer;
        EXPECT_EQ(seen[0].spins.size(), static_cast<std::size_t>(count)) << answer;
    }
}

TEST(SessionDialogue, AnalysisCountAnswers) {
    WorkingFolder folder("spinchart-dialogue-analysis-count");
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"", 1000}, {"10", 10},    {"0", 0}, {"-5", -5}, {"abc", 0}, {"1e99", -2147483647 - 1},
        {"2.5", 2}, {"5000", 1000}};
    for (const auto& [answer, count] : cases) {
        runSteps(doubleZeroProfile,
                 {type("\r"), type("\r"), type("\r"),
                  checkThenType([](ScriptedTerminal& t) { expectCountScreen(t, " 1000 "); },
                                answer + "\r\r\r"),
                  type("n")});
        ASSERT_EQ(seen.size(), 1u) << answer;
        EXPECT_EQ(seen[0].analysisCount, count) << answer;
    }
}

TEST(SessionDialogue, BlankOutputNameIsANameOfBlanks) {
    WorkingFolder folder("spinchart-dialogue-blanks");
    runSteps(singleZeroProfile, {type("g"), type("\r"), type("  \r"), type("\r\r\r"), type("n")});
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists("  "));
    EXPECT_FALSE(std::filesystem::exists("RAND0.DAT"));
}

TEST(SessionDialogue, MissingDataFileShowsTheErrorScreenAndRestarts) {
    WorkingFolder folder("spinchart-dialogue-missing");
    runSteps(doubleZeroProfile,
             {type("a"), type("nothing.dat\r"),
              checkThenType(
                  [](ScriptedTerminal& t) {
                      EXPECT_TRUE(errorScreenShown(t));
                      EXPECT_EQ(t.beeps, 1);
                      // The choice was recorded before the load failed.
                      EXPECT_EQ(
                          readWholeFile("ROUL00.INI"),
                          crlfLines({"NOTHING.DAT", "RAND00.DAT", "VIRLO00.REP", "VIRLO00.SKP"}));
                  },
                  "a"),
              // The key that left the error screen does not choose the method.
              checkThenType([](ScriptedTerminal& t) { expectIntro(t, true); }, "g"), type("\r\r"),
              type("\r\r\r"), type("n")});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].generated);
}

TEST(SessionDialogue, BadDataFilesEndAtTheErrorScreen) {
    WorkingFolder folder("spinchart-dialogue-bad-data");
    std::filesystem::create_directory("FOLDER.DAT");
    writeWholeFile("BLANKS.DAT", "17\r\n   ");
    for (const std::string& name : std::vector<std::string>{
             "FOLDER.DAT", "BLANKS.DAT", std::string(10000, 'x'), "no/such/dir/f"}) {
        bool errorSeen = false;
        runSteps(singleZeroProfile,
                 {type("a"), type(name + "\r"), resumeFromError(errorSeen),
                  checkThenType([](ScriptedTerminal& t) { expectIntro(t, false); }, "\x1B"),
                  type("\r"), type("\r"), type("\r\r\r"), type("n")});
        EXPECT_TRUE(errorSeen) << name.substr(0, 20);
        EXPECT_EQ(seen.size(), 1u);
    }
}

TEST(SessionDialogue, OutputFailuresEndAtTheErrorScreen) {
    WorkingFolder folder("spinchart-dialogue-bad-output");
    for (const std::string& name :
         std::vector<std::string>{"no/such/dir/out.dat", "/dev/full", std::string(10000, 'o')}) {
        bool errorSeen = false;
        runSteps(doubleZeroProfile, {type("g"), type("100\r"), type(name + "\r"),
                                     resumeFromError(errorSeen), introAgain(true)});
        EXPECT_TRUE(errorSeen) << name.substr(0, 20);
        // Stopped between the two saves: the output name stays in line 2.
        EXPECT_EQ(readWholeFile("VIRLO00.INI"),
                  crlfLines({"HAMB00.DAT", name, "VIRLO00.REP", "VIRLO00.SKP"}));
        std::filesystem::remove("VIRLO00.INI");
    }
    EXPECT_TRUE(seen.empty());
}

TEST(SessionDialogue, ReportAndSkipFileMayNotBeOneFile) {
    WorkingFolder folder("spinchart-dialogue-same");
    std::filesystem::create_directory("sub");
    for (auto [report, skip] : {std::pair<std::string, std::string>{"same.txt", "same.txt"},
                                {"sub/../same.txt", "./same.txt"},
                                {"VIRLO00.SKP", ""}}) {
        bool errorSeen = false;
        runSteps(doubleZeroProfile,
                 {type("g"), type("\r\r"), type("\r" + report + "\r" + skip + "\r"),
                  resumeFromError(errorSeen), introAgain(true)});
        EXPECT_TRUE(errorSeen) << report;
        EXPECT_TRUE(seen.empty());
        // The clashing names are not remembered.
        EXPECT_EQ(readWholeFile("VIRLO00.INI"),
                  crlfLines({"HAMB00.DAT", "RAND00.DAT", "VIRLO00.REP", "VIRLO00.SKP"}));
    }
}

TEST(SessionDialogue, NoOutputMayReplaceTheDataFile) {
    WorkingFolder folder("spinchart-dialogue-data-clash");
    writeWholeFile("MYDATA.DAT", "17\r\n3\r\n");
    for (auto [report, skip] :
         {std::pair<std::string, std::string>{"MYDATA.DAT", ""}, {"", "./MYDATA.DAT"}}) {
        bool errorSeen = false;
        runSteps(singleZeroProfile,
                 {type("a"), type("mydata.dat\r"), type("\r" + report + "\r" + skip + "\r"),
                  resumeFromError(errorSeen), introAgain(false)});
        EXPECT_TRUE(errorSeen) << report << skip;
        EXPECT_TRUE(seen.empty());
        EXPECT_EQ(readWholeFile("MYDATA.DAT"), "17\r\n3\r\n");
        // The clashing name is not offered to the next session.
        EXPECT_EQ(readWholeFile("VIRLO0.INI"),
                  crlfLines({"HAMB00.DAT", "RAND0.DAT", "VIRLO0.REP", "VIRLO0.SKP"}));
    }
}

TEST(SessionDialogue, FailingAnalysisShowsTheErrorScreen) {
    WorkingFolder folder("spinchart-dialogue-analysis-fails");
    analysisFails = true;
    bool errorSeen = false;
    runSteps(singleZeroProfile, {type("g"), type("\r\r"), type("\r\r\r"),
                                 resumeFromError(errorSeen), introAgain(false)});
    analysisFails = false;
    EXPECT_TRUE(errorSeen);
    EXPECT_EQ(seen.size(), 1u);
    // The final save came before the reports.
    EXPECT_EQ(readWholeFile("VIRLO0.INI"),
              crlfLines({"HAMB00.DAT", "RAND0.DAT", "VIRLO0.REP", "VIRLO0.SKP"}));
}

TEST(SessionDialogue, KeysTypedBeforeTheSessionAreDiscarded) {
    WorkingFolder folder("spinchart-dialogue-typeahead");
    ScriptedConsole console;
    seen.clear();
    console.terminal.typeAhead("a");
    int step = 0;
    console.terminal.onIdle = [&step](ScriptedTerminal& t) {
        ++step;
        if (step == 1) {
            expectIntro(t, true);
            t.pushText("g");
        } else if (step == 2) {
            // The early "a" was dropped: this is the generate branch.
            EXPECT_EQ(t.text(7, 14, 35), " *** Option: Generate RANDOM spins ");
            t.pushText("\r\r\r\r\rn");
        }
    };
    SessionContext context = recordingContext(console.screen);
    runWheelAnalysis(console.screen, doubleZeroProfile, context);
    EXPECT_EQ(seen.size(), 1u);
}

}  // namespace
}  // namespace spinchart
