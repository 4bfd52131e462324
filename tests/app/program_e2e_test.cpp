// The real program in an 80x25 pseudo-terminal, read back through libvterm.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <string_view>
#include <tuple>

#include "support/e2e/terminal_session.h"
#include "support/test_text.h"
#include "title_screen.h"

namespace spinchart::e2e {
namespace {

const CellColours yellowOnGreen{14, 2};

// Waits for the title screen and checks it, text and colours.
void expectTitleScreen(TerminalSession& app) {
    ASSERT_TRUE(app.waitForText(23, 16, "╘═════════════════════════════════╛")) << app.screenDump();
    for (const auto& [row, column, text] : testing::titleScreenTexts)
        EXPECT_EQ(app.text(row, column, testing::charactersIn(text)), text) << row;
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

TEST(ProgramE2e, RefusesToRunWithoutATerminal) {
    int errorPipe[2];
    ASSERT_EQ(::pipe(errorPipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::FILE* nothing = std::freopen("/dev/null", "r", stdin);
        (void)nothing;
        ::dup2(errorPipe[1], 2);
        ::execl(SPINCHART_BINARY, SPINCHART_BINARY, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(errorPipe[1]);
    std::string message;
    char buffer[256];
    for (ssize_t n; (n = ::read(errorPipe[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, static_cast<std::size_t>(n));
    ::close(errorPipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_EQ(message, "spinchart: standard input and output must be a terminal\n");
}

}  // namespace
}  // namespace spinchart::e2e
