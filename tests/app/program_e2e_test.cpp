// The real program in an 80x25 pseudo-terminal, read back through libvterm.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "support/e2e/terminal_session.h"
#include "support/test_text.h"
#include "text/program_identity.h"
#include "title_screen.h"

namespace spinchart::e2e {
namespace {

const CellColours yellowOnGreen{14, 2};

// Waits for the title screen and checks it, text and colours.
void expectTitleScreen(TerminalSession& app) {
    ASSERT_TRUE(app.waitForText(23, 16, "╘═════════════════════════════════╛")) << app.screenDump();
    for (const auto& [row, column, text] : testing::titleScreenTexts)
        EXPECT_EQ(app.text(row, column, testing::charactersIn(text)), text) << row;
    const std::string_view readMore = testing::readMoreLine;
    EXPECT_EQ(app.rowText(11),
              "   " + std::string(readMore) + std::string(77 - readMore.size(), ' '));
    EXPECT_NE(app.text(1, 2, 20), std::string(20, ' '));
    EXPECT_NE(app.text(2, 2, 20), std::string(20, ' '));
    EXPECT_EQ(app.rowText(24), std::string(80, ' '));
    EXPECT_EQ(app.text(16, 44, 1), " ");
    EXPECT_FALSE(app.cursorVisible());
    for (const auto& [row, column] :
         {std::pair{1, 1}, {1, 80}, {4, 4}, {16, 16}, {16, 44}, {23, 50}, {25, 1}, {25, 80}}) {
        EXPECT_EQ(app.colours(row, column), yellowOnGreen) << row << "," << column;
    }
}

void expectExitedCleanly(TerminalSession& app, int status) {
    EXPECT_EQ(app.waitForExit(), status) << app.screenDump();
    EXPECT_TRUE(app.cursorVisible());
    EXPECT_TRUE(app.modesRestored());
}

TEST(ProgramE2e, TitleScreenThenExitWithX) {
    TempDirectory dir;
    TerminalSession app(dir.path());
    expectTitleScreen(app);
    app.send("X");
    expectExitedCleanly(app, 0);
    EXPECT_EQ(app.bells(), 0);
    // The title screen and the echoed X stay.
    EXPECT_EQ(app.text(16, 16, 35), "│  Select your choice:      X     │");
    EXPECT_EQ(app.text(4, 4, 4), "This");
    EXPECT_EQ(app.colours(16, 44), yellowOnGreen);
}

TEST(ProgramE2e, WrongKeysBeepAndRedraw) {
    TempDirectory dir;
    TerminalSession app(dir.path());
    expectTitleScreen(app);
    const std::string_view wrongKeys[] = {"q",         keys::enter, keys::escape, "7",
                                          keys::ctrlC, keys::f1,    keys::up,     "ä"};
    int expectedBells = 0;
    for (std::string_view key : wrongKeys) {
        app.send(key);
        ++expectedBells;
        ASSERT_TRUE(app.waitForBells(expectedBells))
            << "key " << ::testing::PrintToString(std::string(key));
        // The redraw clears the echo; the menu waits again.
        ASSERT_TRUE(app.waitForText(16, 44, " "));
        EXPECT_EQ(app.bells(), expectedBells);
    }
    expectTitleScreen(app);
    app.send("x");
    expectExitedCleanly(app, 0);
    EXPECT_EQ(app.bells(), expectedBells);
}

// Enters a wheel from the menu and comes back to it: through the run-again
// question directly, or through a session with every answer left at its
// default when the dialogue is there.
void enterWheelAndReturn(TerminalSession& app, std::string_view key, std::string_view wheelName,
                         std::string_view zeroName) {
    app.send(key);
    const std::string runAgain = "   Success! Run " + std::string(wheelName) + " again (Y/N)?   ";
    const std::string introLine = " ∙∙ analyzes REAL casino spins (" + std::string(zeroName) + ").";
    ASSERT_TRUE(app.waitFor([&] {
        return app.text(11, 16, 40) == runAgain || app.text(5, 10, 45) == introLine;
    })) << app.screenDump();
    if (app.text(11, 16, 40) != runAgain) {
        app.send("g\r\r\r\r\r");
        ASSERT_TRUE(app.waitForText(11, 16, runAgain)) << app.screenDump();
    }
    EXPECT_EQ(app.colours(11, 16), (CellColours{14, 0}));
    EXPECT_EQ(app.colours(10, 15), (CellColours{0, 14}));
    app.send("n");
    expectTitleScreen(app);
}

TEST(ProgramE2e, LowerCaseKeysEnterTheWheelsAndExit) {
    TempDirectory dir;
    TerminalSession app(dir.path());
    expectTitleScreen(app);
    enterWheelAndReturn(app, "s", "SINGLE-0", "SINGLE ZERO");
    enterWheelAndReturn(app, "d", "DOUBLE-0", "DOUBLE ZERO");
    enterWheelAndReturn(app, "S", "SINGLE-0", "SINGLE ZERO");
    app.send("x");
    expectExitedCleanly(app, 0);
    EXPECT_EQ(app.bells(), 0);
}

TEST(ProgramE2e, CtrlBackslashEndsAtOnceAndRestoresTheTerminal) {
    TempDirectory dir;
    TerminalSession app(dir.path());
    expectTitleScreen(app);
    app.send(keys::ctrlBackslash);
    EXPECT_EQ(app.waitForExit(), 128 + SIGQUIT);
    EXPECT_TRUE(app.cursorVisible());
    EXPECT_TRUE(app.modesRestored());
}

TEST(ProgramE2e, SignalsFromOutsideRestoreTheTerminal) {
    for (int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        TempDirectory dir;
        TerminalSession app(dir.path());
        expectTitleScreen(app);
        app.signal(signalNumber);
        EXPECT_EQ(app.waitForExit(), 128 + signalNumber) << signalNumber;
        EXPECT_TRUE(app.cursorVisible()) << signalNumber;
        EXPECT_TRUE(app.modesRestored()) << signalNumber;
    }
}

TEST(ProgramE2e, StoppedFromOutsideOrByCtrlZGivesTheTerminalBackUntilContinued) {
    TempDirectory dir;
    TerminalSession app(dir.path());
    expectTitleScreen(app);
    EXPECT_FALSE(app.modesRestored());
    for (const bool ctrlZ : {false, true}) {
        if (ctrlZ) {
            app.send("\x1a");
        } else {
            app.signal(SIGTSTP);
        }
        ASSERT_TRUE(app.waitFor([&] { return app.stopped(); })) << ctrlZ;
        EXPECT_TRUE(app.modesRestored());
        EXPECT_TRUE(app.cursorVisible());
        EXPECT_NE(app.colours(25, 1), yellowOnGreen);
        app.signal(SIGCONT);
        ASSERT_TRUE(app.waitFor([&] {
            return !app.modesRestored() && app.colours(25, 1) == yellowOnGreen;
        })) << app.screenDump();
        expectTitleScreen(app);
    }
    app.send("x");
    expectExitedCleanly(app, 0);
}

// Under 80x25 a notice of the size needed stands in for the screen and keys
// are not taken; at 80x25 or more the screen comes back whole.
TEST(ProgramE2e, SmallTerminalShowsTheSizeNeededUntilItGrows) {
    const std::string notice = "The program needs 80 columns by 25 rows";
    TempDirectory dir;
    TerminalSession app(dir.path(), 20, 60);
    ASSERT_TRUE(app.waitForText(10, 11, notice)) << app.screenDump();
    EXPECT_FALSE(app.screenContains("This program"));
    app.resize(25, 80);
    expectTitleScreen(app);
    app.resize(12, 40);
    ASSERT_TRUE(app.waitForText(6, 1, notice)) << app.screenDump();
    app.resize(8, 20);
    ASSERT_TRUE(app.waitForText(4, 1, "The program needs 80")) << app.screenDump();
    EXPECT_EQ(app.text(5, 1, 20), " columns by 25 rows ");
    app.send("x");  // typed blind: not taken
    app.resize(30, 100);
    ASSERT_TRUE(app.waitForText(23, 16, "╘═════════════════════════════════╛")) << app.screenDump();
    EXPECT_TRUE(app.running());
    // Outside 80x25 the terminal keeps its own colours.
    EXPECT_EQ(app.colours(25, 80), yellowOnGreen);
    EXPECT_EQ(app.colours(26, 1), (CellColours{-1, -1}));
    EXPECT_EQ(app.colours(1, 81), (CellColours{-1, -1}));
    app.resize(25, 80);
    expectTitleScreen(app);
    app.send("x");
    expectExitedCleanly(app, 0);
}

// Where the terminal says it shows 24-bit colour, the console palette's own
// colours go out, which no theme of the terminal can change; elsewhere its 16
// colours, as today. The terminal is given back the same way in both.
TEST(ProgramE2e, ExactConsoleColoursWhereTheTerminalShowsTwentyFourBits) {
    constexpr long yellow = 0xFFFF55;
    constexpr long green = 0x00AA00;
    constexpr long black = 0x000000;
    for (const std::string_view colourTerm : {"", "truecolor", "24bit", "yes"}) {
        const bool exact = colourTerm == "truecolor" || colourTerm == "24bit";
        TempDirectory dir;
        TerminalSession app(dir.path(), ChildOptions{.colourTerm = std::string(colourTerm)});
        ASSERT_TRUE(app.waitForText(23, 16, "╘═════════════════════════════════╛"))
            << app.screenDump();
        app.send("s");
        ASSERT_TRUE(app.waitForText(17, 16, "│  Select the Method:")) << app.screenDump();
        app.send("g\r\r\r\r\r");
        ASSERT_TRUE(app.waitForText(11, 16, "   Success! Run SINGLE-0 again (Y/N)?   "))
            << app.screenDump();
        for (const auto& [row, column, foreground, background] :
             {std::tuple{1, 1, 14, 2}, {25, 80, 14, 2}, {10, 15, 0, 14}, {11, 16, 14, 0}}) {
            if (exact) {
                const long rgbOf[16] = {black, 0, green, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, yellow};
                EXPECT_EQ(app.rgb(row, column), (CellRgb{rgbOf[foreground], rgbOf[background]}))
                    << colourTerm << " " << row << "," << column;
            } else {
                EXPECT_EQ(app.colours(row, column), (CellColours{foreground, background}))
                    << colourTerm << " " << row << "," << column;
            }
        }
        app.send("n");
        ASSERT_TRUE(app.waitForText(16, 16, "│  Select your choice:")) << app.screenDump();
        app.send("x");
        expectExitedCleanly(app, 0);
        const std::string& output = app.output();
        EXPECT_EQ(output.find(exact ? "\x1b[0;93;42m" : ";2;255;255;85"), std::string::npos);
        EXPECT_NE(output.find(exact ? "\x1b[0;38;2;255;255;85;48;2;0;170;0m" : "\x1b[0;93;42m"),
                  std::string::npos);
        EXPECT_TRUE(output.ends_with("\x1b[0m\x1b[25;1H\x1b[K\x1b[?25h")) << colourTerm;
    }
}

// The command line without a terminal, one run per row: its exit status,
// what it prints, and for a mistake one line on standard error naming it.
TEST(ProgramE2e, CommandLineAnswersMistakesAndTheFairnessReport) {
    TempDirectory dir;
    writeFile(dir.file("spins.dat"), " 17 \r\n00\r\n 3 \r\n");
    writeFile(dir.file("empty.dat"), "");
    writeFile(dir.file("outside.dat"), "38\r\n-1\r\n");
    writeFile(dir.file("table.csv"), "when;spin\n1;17\n2;5\n");
    const std::string tryHelp = " Try 'spinchart --help'.\n";
    struct Row {
        std::vector<std::string> arguments;
        int status;
        std::string outStart;  // standard output begins so; empty: nothing
        std::string errors;
    };
    const std::string usage = "Usage: spinchart [--help | --version]\n";
    const auto mistake = [&tryHelp](std::vector<std::string> arguments, const std::string& what) {
        return Row{std::move(arguments), 2, "", "spinchart: " + what + tryHelp};
    };
    const auto unreadable = [](std::vector<std::string> arguments, const std::string& what) {
        return Row{std::move(arguments), 1, "", "spinchart: " + what + "\n"};
    };
    std::vector<std::string> manyFiles = {"--fairness"};
    manyFiles.insert(manyFiles.end(), 101, "spins.dat");
    const std::vector<Row> rows = {
        {{}, 1, "", "spinchart: standard input and output must be a terminal\n"},
        {{"--version"}, 0, std::string(programBannerLine) + "\n", ""},
        {{"casino.dat", "--help", "--version"}, 0, usage, ""},
        {{"--fairness", "--version"}, 0, std::string(programBannerLine) + "\n", ""},
        {{"--fairness=spins.dat", "--wheel=00", "--csv"},
         0,
         "number,hits,expected,z,p_hot,p_cold\n",
         ""},
        {{"--wheel", "0", "--json", "--fairness", "spins.dat"},
         0,
         "{\n  \"file\": \"spins.dat\",\n  \"wheel\": \"0\",",
         ""},
        mistake({"--verison"}, "unknown option '--verison'."),
        mistake({"-"}, "unexpected argument '-'."),
        mistake({"casino.dat"}, "unexpected argument 'casino.dat'."),
        mistake({"--fairness"}, "--fairness needs a spin file."),
        mistake({"--fairness="}, "--fairness needs a spin file."),
        mistake({"--fairness", "--json"}, "--fairness needs a spin file."),
        mistake({"stray", "--fairness", "spins.dat"}, "unexpected argument 'stray'."),
        mistake({"--fairness", "spins.dat", "--fairness", "b.dat"},
                "--fairness once only: list further files after the first ('b.dat')."),
        mistake(manyFiles, "at most 100 spin files."),
        mistake({"--fairness", "spins.dat", "--wheel", "000"}, "--wheel takes 0 or 00, not '000'."),
        mistake({"--fairness", "spins.dat", "--wheel"}, "--wheel takes 0 or 00."),
        mistake({"--fairness", "spins.dat", "--json", "--csv"},
                "--json and --csv exclude each other."),
        mistake({"--wheel", "00"},
                "--wheel, --column, --oldest-first, --json and --csv go with --fairness FILE."),
        mistake({"--oldest-first"},
                "--wheel, --column, --oldest-first, --json and --csv go with --fairness FILE."),
        mistake({"--fairness", "spins.dat", "--column"}, "--column needs a NAME or a number N."),
        mistake({"--fairness", "spins.dat", "--column", "00"},
                "--column counts fields from 1, not '00'."),
        mistake({"--fairness", "spins.dat", "--column=12345678901"},
                "--column counts fields from 1, not '12345678901'."),
        unreadable({"--fairness", "missing.dat"},
                   "cannot open 'missing.dat': No such file or directory"),
        unreadable({"--fairness", "."}, "cannot open '.': Is a directory"),
        unreadable({"--fairness", "empty.dat"}, "'empty.dat' holds no spins: it is empty"),
        unreadable({"--fairness", "-"}, "standard input holds no spins: it is empty"),
        unreadable({"--fairness", "table.csv"},
                   "'table.csv' holds no spins: no line is one whole number; line 1 reads "
                   "\"when;spin\". For one column of a table, give --column NAME or --column N"),
        {{"--fairness", "table.csv", "--column=SPIN", "--oldest-first", "--json"},
         0,
         "{\n  \"file\": \"table.csv\",\n  \"wheel\": \"0\",\n  \"spins_read\": 2,\n"
         "  \"outside_wheel\": 0,\n  \"spins_analysed\": 2,\n  \"order\": \"oldest_first\",\n"
         "  \"blank_lines\": 1,",
         ""},
        unreadable({"--fairness", "spins.dat", "stray"},
                   "cannot open 'stray': No such file or directory"),
        unreadable({"--fairness", "spins.dat", "empty.dat", "spins.dat", "--csv"},
                   "'empty.dat' holds no spins: it is empty"),
        mistake({"--fairness", "-", "-"}, "standard input (-) can be read once only."),
        unreadable({"--fairness", "outside.dat", "--wheel", "00"},
                   "'outside.dat' holds no spins of the double-zero wheel"),
    };
    for (const Row& row : rows) {
        std::vector<std::string> command{SPINCHART_BINARY};
        command.insert(command.end(), row.arguments.begin(), row.arguments.end());
        const PlainRun run = runWithoutATerminal(dir.path(), command);
        std::string arguments;
        for (const std::string& argument : row.arguments)
            arguments += " " + argument;
        EXPECT_EQ(run.status, row.status) << arguments;
        EXPECT_EQ(run.errors, row.errors) << arguments;
        if (row.outStart.empty()) {
            EXPECT_EQ(run.out, "") << arguments;
        } else {
            EXPECT_EQ(run.out.rfind(row.outStart, 0), 0u) << arguments << "\n" << run.out;
        }
    }
}

// Several files: each file's JSON object in the order given and the test of
// them together; each file's table in the CSV; the text a line a file.
TEST(ProgramE2e, SeveralFilesAreReportedInTheOrderGiven) {
    TempDirectory dir;
    writeFile(dir.file("a.dat"), "17\n3\n17\n");
    writeFile(dir.file("b,c.dat"), "5\n5\n");
    const std::vector<std::string> files = {"a.dat", "b,c.dat", "a.dat"};
    const auto run = [&](const std::string& output) {
        std::vector<std::string> command{SPINCHART_BINARY, "--fairness"};
        command.insert(command.end(), files.begin(), files.end());
        if (!output.empty()) command.push_back(output);
        const PlainRun result = runWithoutATerminal(dir.path(), command);
        EXPECT_EQ(result.status, 0) << output;
        EXPECT_EQ(result.errors, "") << output;
        return result.out;
    };
    const std::string json = run("--json");
    EXPECT_EQ(json.rfind("{\n  \"files\": [\n    {\n      \"file\": \"a.dat\",", 0), 0u) << json;
    std::size_t at = 0;
    for (const std::string& file : files) {
        at = json.find("\n      \"file\": \"" + file + "\",", at);
        ASSERT_NE(at, std::string::npos) << file;
        EXPECT_NE(json.find("\"watch\": {", at), std::string::npos) << file;
    }
    EXPECT_NE(json.find("\n  ],\n  \"homogeneity\": {\n    \"value\": ", at), std::string::npos);

    const std::string csv = run("--csv");
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "file,number,hits,expected,z,p_hot,p_cold");
    for (const std::string& file : files) {
        const std::string quoted = file.find(',') == std::string::npos ? file : '"' + file + '"';
        for (int number = 0; number < 37; ++number) {
            ASSERT_TRUE(std::getline(lines, line));
            EXPECT_EQ(line.rfind(quoted + "," + std::to_string(number) + ",", 0), 0u) << line;
        }
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;

    const std::string text = run("");
    EXPECT_NE(text.find("\na.dat   "), std::string::npos) << text;
    EXPECT_NE(text.find("\nb,c.dat   "), std::string::npos) << text;
    EXPECT_NE(text.find("\nOne wheel or several?\n"), std::string::npos) << text;
}

// In a terminal the options print their answer and leave the terminal as it
// was: no mode changed, no colour, no cursor movement, no screen switch.
TEST(ProgramE2e, OptionsInATerminalOnlyPrintTheirAnswer) {
    for (const char* option : {"--version", "--help"}) {
        TempDirectory dir;
        ChildOptions options;
        options.arguments = {option};
        TerminalSession app(dir.path(), options);
        EXPECT_EQ(app.waitForExit(), 0) << option;
        EXPECT_TRUE(app.modesRestored()) << option;
        EXPECT_TRUE(app.cursorVisible()) << option;
        EXPECT_EQ(app.output().find('\x1b'), std::string::npos) << option;
        EXPECT_EQ(app.colours(1, 1), (CellColours{-1, -1})) << option;
        if (option == std::string_view("--version")) {
            EXPECT_EQ(app.output(), std::string(programBannerLine) + "\r\n");
        } else {
            EXPECT_EQ(app.output().rfind("Usage: spinchart [--help | --version]\r\n", 0), 0u);
        }
    }
}

}  // namespace
}  // namespace spinchart::e2e
