// The screen model, batching to the terminal, the line editor and the shared
// idioms, on the scripted terminal.
#include "console/console_screen.h"

#include <gtest/gtest.h>

#include <utility>

#include "console/session_screens.h"
#include "support/scripted_terminal.h"

namespace spinchart {
namespace {

using testing::cp437;
using testing::ScriptedConsole;
using testing::ScriptEnded;

constexpr unsigned char yellowOnGreen = 14 + 16 * 2;

// Where the cursor stands, on the screen model or on the terminal.
template <typename View>
std::pair<int, int> cursorOf(const View& view) {
    return {view.cursorRow, view.cursorColumn};
}

TEST(ScreenModel, ClearFillsCurrentColoursAndHomesCursor) {
    ConsoleScreen screen;
    setColours(screen, 0, 14);
    moveTo(screen, 7, 9);
    clearScreen(screen);
    EXPECT_EQ(cursorOf(screen), std::pair(1, 1));
    for (const ScreenCell& cell : screen.cells) {
        ASSERT_EQ(cell.character, ' ');
        ASSERT_EQ(cell.attribute, 0 + 16 * 14);
    }
}

TEST(ScreenModel, ColoursOutOfRangeLeaveThatColour) {
    ConsoleScreen screen;
    setColours(screen, 3, 5);
    setColours(screen, 16, 7);
    EXPECT_EQ(screen.foreground, 3);
    EXPECT_EQ(screen.background, 7);
    setColours(screen, 9, 99);
    setColours(screen, -1, -1);
    EXPECT_EQ(screen.foreground, 9);
    EXPECT_EQ(screen.background, 7);
    writeText(screen, "A");
    EXPECT_EQ(cellAt(screen, 1, 1).attribute, 9 + 16 * 7);
}

TEST(ScreenModel, MoveOutsideKeepsThatCoordinate) {
    ConsoleScreen screen;
    moveTo(screen, 5, 6);
    moveTo(screen, 0, 10);
    EXPECT_EQ(cursorOf(screen), std::pair(5, 10));
    moveTo(screen, 26, 81);
    EXPECT_EQ(cursorOf(screen), std::pair(5, 10));
    moveTo(screen, 25, 80);
    EXPECT_EQ(cursorOf(screen), std::pair(25, 80));
}

TEST(ScreenModel, WriteWrapsAtTheLastColumn) {
    ConsoleScreen screen;
    clearScreen(screen);
    moveTo(screen, 3, 78);
    writeText(screen, "abcde");
    EXPECT_EQ(rowText(screen, 3).substr(77), "abc");
    EXPECT_EQ(rowText(screen, 4).substr(0, 3), "de ");
    EXPECT_EQ(cursorOf(screen), std::pair(4, 3));
    writeText(screen, "\xC9\xCD");
    EXPECT_EQ(cellAt(screen, 4, 3).character, 0xC9);
    EXPECT_EQ(cellAt(screen, 4, 4).character, 0xCD);
}

TEST(ScreenModel, WritingPastTheLastRowScrollsInCurrentColours) {
    ConsoleScreen screen;
    clearScreen(screen);
    writeLineAt(screen, 1, 1, "top");
    writeLineAt(screen, 2, 1, "second");
    setColours(screen, 0, 14);
    moveTo(screen, 25, 79);
    writeText(screen, "xyz");
    EXPECT_EQ(rowText(screen, 1).substr(0, 6), "second");
    EXPECT_EQ(rowText(screen, 24).substr(78), "xy");
    EXPECT_EQ(rowText(screen, 25).substr(0, 2), "z ");
    EXPECT_EQ(cellAt(screen, 25, 2).attribute, 0 + 16 * 14);
    EXPECT_EQ(cellAt(screen, 24, 1).attribute, yellowOnGreen);
    EXPECT_EQ(cursorOf(screen), std::pair(25, 2));

    newLine(screen);  // on the last row: scrolls again
    EXPECT_EQ(rowText(screen, 23).substr(78), "xy");
    EXPECT_EQ(cursorOf(screen), std::pair(25, 1));
}

TEST(ScreenModel, DoubleFrameLeavesTheInsideAlone) {
    ConsoleScreen screen;
    clearScreen(screen);
    writeLineAt(screen, 11, 20, "keep");
    drawDoubleFrame(screen, 10, 15, 40);
    EXPECT_EQ(rowText(screen, 10).substr(14, 42),
              cp437("╔") + std::string(40, '\xCD') + cp437("╗"));
    EXPECT_EQ(rowText(screen, 11).substr(14, 42), "\xBA    keep" + std::string(32, ' ') + "\xBA");
    EXPECT_EQ(rowText(screen, 12).substr(14, 42),
              cp437("╚") + std::string(40, '\xCD') + cp437("╝"));
    EXPECT_EQ(rowText(screen, 13), std::string(80, ' '));
}

TEST(ScreenModel, UpperCaseCp437) {
    EXPECT_EQ(toUpperCp437("abz AZ 09{"), "ABZ AZ 09{");
    EXPECT_EQ(toUpperCp437(cp437("äöüéñåç")), cp437("ÄÖÜÉÑÅÇ"));
    EXPECT_EQ(toUpperCp437(cp437("àèìòùâ")), cp437("àèìòùâ"));
    EXPECT_EQ(toUpperCp437(std::string("\0H", 2)), std::string("\0H", 2));
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::string upper = toUpperCp437(one);
        ASSERT_EQ(upper.size(), 1u);
        if (upper != one) {
            ASSERT_TRUE((byte >= 'a' && byte <= 'z') || byte == 0x84 || byte == 0x94 ||
                        byte == 0x81 || byte == 0x82 || byte == 0xA4 || byte == 0x86 ||
                        byte == 0x87)
                << byte;
        }
    }
}

TEST(Batching, OneBatchPerWaitAndOnlyChangedCells) {
    ScriptedConsole console;
    ConsoleScreen& screen = console.screen;
    clearScreen(screen);
    writeLineAt(screen, 5, 10, "hello");
    EXPECT_EQ(console.terminal.presents, 0) << "nothing is sent before a wait";
    console.terminal.pushText("a");
    EXPECT_EQ(waitKey(screen), "a");
    EXPECT_EQ(console.terminal.presents, 1);
    EXPECT_EQ(console.terminal.text(5, 10, 5), "hello");
    EXPECT_EQ(console.terminal.cell(5, 10).attribute, yellowOnGreen);
    EXPECT_EQ(console.terminal.text(25), std::string(80, ' '));

    // Nothing changed: no further batch.
    EXPECT_FALSE(keyPending(screen));
    EXPECT_EQ(console.terminal.presents, 1);

    // Overwrite with the same text, then change one cell: only that changes.
    writeLineAt(screen, 5, 10, "hellO");
    console.terminal.pushText("b");
    EXPECT_EQ(waitKey(screen), "b");
    EXPECT_EQ(console.terminal.presents, 2);
    EXPECT_EQ(console.terminal.text(5, 10, 5), "hellO");
}

TEST(Batching, CursorStateReachesTheTerminal) {
    ScriptedConsole console;
    ConsoleScreen& screen = console.screen;
    clearScreen(screen);
    setCursorVisible(screen, false);
    moveTo(screen, 12, 34);
    presentScreen(screen);
    EXPECT_FALSE(console.terminal.cursorVisible);
    EXPECT_EQ(cursorOf(console.terminal), std::pair(12, 34));
    setCursorVisible(screen, true);
    presentScreen(screen);
    EXPECT_TRUE(console.terminal.cursorVisible);
    EXPECT_EQ(console.terminal.presents, 2);
}

TEST(Batching, RepaintRequestRedrawsEverythingWhileWaiting) {
    ScriptedConsole console;
    ConsoleScreen& screen = console.screen;
    setColours(screen, 14, 2);
    clearScreen(screen);
    writeLineAt(screen, 1, 1, "first");
    writeLineAt(screen, 25, 75, "last");
    presentScreen(screen);
    console.terminal.resetDisplay();  // the terminal lost its content
    console.terminal.requestRepaint();
    console.terminal.pushText("k");
    EXPECT_EQ(waitKey(screen), "k");
    for (int row = 1; row <= screenRows; ++row) {
        for (int column = 1; column <= screenColumns; ++column) {
            ASSERT_EQ(console.terminal.cell(row, column), cellAt(screen, row, column))
                << row << "," << column;
        }
    }
}

TEST(Keys, TypeAheadIsDiscardedScriptedKeysAreNot) {
    ScriptedConsole console;
    console.terminal.typeAhead("q");
    console.terminal.pushText("w");
    EXPECT_TRUE(keyPending(console.screen));
    discardPendingKeys(console.screen);
    EXPECT_FALSE(keyPending(console.screen));
    EXPECT_EQ(takeKey(console.screen), "");
    EXPECT_EQ(waitKey(console.screen), "w");
    EXPECT_THROW(waitKey(console.screen), ScriptEnded);
}

TEST(MenuKey, WaitsWithoutConsumingThenEchoesUpperCase) {
    ScriptedConsole console;
    ConsoleScreen& screen = console.screen;
    clearScreen(screen);
    console.terminal.pushText("\x84");
    EXPECT_EQ(readMenuKey(screen, 16, 44), "\x8E");
    EXPECT_EQ(cellAt(screen, 16, 44).character, 0x8E);
    EXPECT_EQ(cursorOf(screen), std::pair(17, 1));

    console.terminal.pushKey(testing::arrowUpKey);
    EXPECT_EQ(readMenuKey(screen, 3, 3), testing::arrowUpKey);
    EXPECT_EQ(cellAt(screen, 3, 4).character, 'H');
}

TEST(LineEditor, TypesEditsAndReturnsTheText) {
    ScriptedConsole console;
    ConsoleScreen& screen = console.screen;
    clearScreen(screen);
    setCursorVisible(screen, false);
    moveTo(screen, 5, 10);
    bool sawVisibleCursor = false;
    console.terminal.pushText("ab\x08\x08\x08x\ty\x1b\x03");
    console.terminal.pushKey(testing::arrowUpKey);
    console.terminal.pushKey(testing::functionKey1);
    console.terminal.onIdle = [&](testing::ScriptedTerminal& terminal) {
        sawVisibleCursor = terminal.cursorVisible;
        EXPECT_EQ(terminal.text(5, 10, 4), "xy  ");
        EXPECT_EQ(terminal.cursorColumn, 12);
        terminal.pushText(" \r");
        terminal.onIdle = nullptr;
    };
    EXPECT_EQ(readLine(screen), "xy ");
    EXPECT_TRUE(sawVisibleCursor);
    EXPECT_FALSE(screen.cursorVisible);
    EXPECT_EQ(cursorOf(screen), std::pair(6, 1));
    EXPECT_EQ(rowText(screen, 5).substr(9, 4), "xy  ");
}

TEST(LineEditor, EmptyAndBlankAnswers) {
    ScriptedConsole console;
    console.terminal.pushText("\x08\r  \r");
    EXPECT_EQ(readLine(console.screen), "");
    EXPECT_EQ(readLine(console.screen), "  ");
}

TEST(LineEditor, BackspaceCrossesBackToThePreviousRow) {
    ScriptedConsole console;
    ConsoleScreen& screen = console.screen;
    clearScreen(screen);
    moveTo(screen, 7, 79);
    console.terminal.pushText("abc");
    console.terminal.onIdle = [&](testing::ScriptedTerminal& terminal) {
        EXPECT_EQ(cursorOf(screen), std::pair(8, 2));
        terminal.pushText("\x08\x08");
        terminal.onIdle = [&](testing::ScriptedTerminal& t) {
            EXPECT_EQ(cursorOf(screen), std::pair(7, 80));
            EXPECT_EQ(t.text(7, 79, 2), "a ");
            EXPECT_EQ(cursorOf(t), std::pair(7, 80));
            t.pushText("Z\r");
            t.onIdle = nullptr;
        };
    };
    EXPECT_EQ(readLine(screen), "aZ");
    EXPECT_EQ(rowText(screen, 7).substr(78), "aZ");
    EXPECT_EQ(rowText(screen, 8).substr(0, 1), " ");
}

TEST(LineEditor, CapsTheTextAtTenThousandCharacters) {
    ScriptedConsole console;
    ConsoleScreen& screen = console.screen;
    clearScreen(screen);
    console.terminal.pushText(std::string(10005, '7') + "\x08" + "8\r");
    const std::string text = readLine(screen);
    EXPECT_EQ(text, std::string(9999, '7') + "8");
    EXPECT_EQ(cursorOf(screen), std::pair(25, 1));
}

TEST(RunAgain, OnlyNDeclinesAndNothingIsEchoed) {
    for (const char* key : {"n", "N"}) {
        ScriptedConsole console;
        setColours(console.screen, 14, 2);
        setCursorVisible(console.screen, false);
        console.terminal.pushText(key);
        EXPECT_FALSE(askRunAgain(console.screen, "   Success! Run SINGLE-0 again (Y/N)?   "));
        EXPECT_TRUE(console.screen.cursorVisible);
    }
    for (const KeyCode& key :
         {KeyCode("y"), KeyCode("Y"), KeyCode("\r"), KeyCode("\x1b"), testing::functionKey1}) {
        ScriptedConsole console;
        setColours(console.screen, 14, 2);
        console.terminal.pushKey(key);
        EXPECT_TRUE(askRunAgain(console.screen, "   Success! Run DOUBLE-0 again (Y/N)?   "));
        EXPECT_EQ(rowText(console.screen, 11).substr(14, 42),
                  "\xBA   Success! Run DOUBLE-0 again (Y/N)?   \xBA");
        for (int row = 1; row <= screenRows; ++row) {
            if (row < 10 || row > 12) {
                ASSERT_EQ(rowText(console.screen, row), std::string(80, ' '));
            }
        }
    }
}

TEST(RunAgain, FrameBlackOnYellowQuestionYellowOnBlack) {
    ScriptedConsole console;
    ConsoleScreen& screen = console.screen;
    setColours(screen, 14, 2);
    console.terminal.onIdle = [](testing::ScriptedTerminal& terminal) {
        std::string bar;
        for (int i = 0; i < 40; ++i)
            bar += "═";
        EXPECT_EQ(terminal.text(10, 15, 42), "╔" + bar + "╗");
        EXPECT_EQ(terminal.text(12, 15, 42), "╚" + bar + "╝");
        EXPECT_EQ(terminal.text(11, 16, 40), "   Success! Run SINGLE-0 again (Y/N)?   ");
        EXPECT_EQ(terminal.cell(10, 15).attribute, 0 + 16 * 14);
        EXPECT_EQ(terminal.cell(11, 15).attribute, 0 + 16 * 14);
        EXPECT_EQ(terminal.cell(11, 56).attribute, 0 + 16 * 14);
        EXPECT_EQ(terminal.cell(12, 56).attribute, 0 + 16 * 14);
        EXPECT_EQ(terminal.cell(11, 16).attribute, 14 + 16 * 0);
        EXPECT_EQ(terminal.cell(11, 55).attribute, 14 + 16 * 0);
        EXPECT_EQ(terminal.cell(9, 15).attribute, yellowOnGreen);
        EXPECT_EQ(terminal.cell(13, 57).attribute, yellowOnGreen);
        terminal.pushText("n");
    };
    EXPECT_FALSE(askRunAgain(screen, "   Success! Run SINGLE-0 again (Y/N)?   "));
    EXPECT_EQ(screen.foreground, 14);
    EXPECT_EQ(screen.background, 2);
}

TEST(ErrorScreen, BeepsShowsTheTextAndLeavesTheKeyPending) {
    ScriptedConsole console;
    ConsoleScreen& screen = console.screen;
    setColours(screen, 14, 2);
    writeLineAt(screen, 1, 1, "old");
    console.terminal.pushText("a");
    showErrorScreen(screen);
    EXPECT_EQ(console.terminal.beeps, 1);
    EXPECT_EQ(console.terminal.text(8, 10, 29), "             **** ERROR! ****");
    EXPECT_EQ(
        console.terminal.text(10),
        "    * The file does not exist OR you mis-spelled the name; or_" + std::string(18, ' '));
    EXPECT_EQ(console.terminal.text(11, 5, 49),
              "** The file may be corrupt; e.g. has empty lines.");
    EXPECT_EQ(console.terminal.text(13, 5, 50),
              "Open the file in an editor and check it carefully.");
    EXPECT_EQ(console.terminal.text(14, 5, 57),
              "Delete the blank lines or make the necessary corrections.");
    EXPECT_EQ(console.terminal.text(16, 5, 58),
              "... Press <Spacebar> to resume or Ctrl+Break to abort ... ");
    EXPECT_EQ(console.terminal.text(1, 1, 3), "   ");
    EXPECT_EQ(console.terminal.cell(16, 5).attribute, yellowOnGreen);
    EXPECT_TRUE(keyPending(screen));
    EXPECT_EQ(takeKey(screen), "a");
}

}  // namespace
}  // namespace spinchart
