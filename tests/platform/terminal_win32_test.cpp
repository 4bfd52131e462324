// The Win32 console backend as a client of the console it runs in: key events
// written into the console's input come out as key codes, and cells drawn come
// back from the screen buffer with their glyphs and colours.
#include "platform/terminal_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_screen.h"
#include "console/session_screens.h"
#include "platform/platform_error.h"
#include "session/wheel_profile.h"

namespace spinchart {
namespace {

// Signalled by the test's own control handler, which runs after the
// backend's and keeps the test alive where the system's default would end it.
HANDLE controlEventSeen = nullptr;
DWORD controlEvent = ~0ul;

BOOL WINAPI keepRunning(DWORD event) {
    controlEvent = event;
    SetEvent(controlEventSeen);
    return TRUE;
}

HANDLE openConsole(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

class Win32Console : public ::testing::Test {
protected:
    HANDLE input = openConsole(L"CONIN$");
    HANDLE output = openConsole(L"CONOUT$");
    std::unique_ptr<Win32Terminal> terminal;

    void SetUp() override {
        if (input == INVALID_HANDLE_VALUE || output == INVALID_HANDLE_VALUE)
            GTEST_SKIP() << "no console attached";
        FlushConsoleInputBuffer(input);
        terminal = std::make_unique<Win32Terminal>(screenSize, input, output);
    }
    void TearDown() override {
        terminal.reset();
        if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
        if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    }

    void inject(WORD virtualKey, wchar_t character, DWORD state = 0, bool down = true) {
        INPUT_RECORD record{};
        record.EventType = KEY_EVENT;
        record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
        record.Event.KeyEvent.wRepeatCount = 1;
        record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
        record.Event.KeyEvent.wVirtualScanCode =
            static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
        record.Event.KeyEvent.uChar.UnicodeChar = character;
        record.Event.KeyEvent.dwControlKeyState = state;
        DWORD written = 0;
        ASSERT_TRUE(WriteConsoleInputW(input, &record, 1, &written));
        ASSERT_EQ(written, 1u);
    }
    // A key pressed and released, as the keyboard sends it.
    void press(WORD virtualKey, wchar_t character, DWORD state = 0) {
        inject(virtualKey, character, state, true);
        inject(virtualKey, character, state, false);
    }

    std::vector<std::string> keysNow() {
        std::vector<std::string> keys;
        while (terminal->keyPending())
            keys.push_back(terminal->takeKey());
        return keys;
    }

    CHAR_INFO cellAt(int row, int column) {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        GetConsoleScreenBufferInfo(output, &info);
        CHAR_INFO cell{};
        SMALL_RECT from{static_cast<SHORT>(info.srWindow.Left + column - 1),
                        static_cast<SHORT>(info.srWindow.Top + row - 1),
                        static_cast<SHORT>(info.srWindow.Left + column - 1),
                        static_cast<SHORT>(info.srWindow.Top + row - 1)};
        EXPECT_TRUE(ReadConsoleOutputW(output, &cell, COORD{1, 1}, COORD{0, 0}, &from));
        return cell;
    }

    // A cleared yellow-on-green screen with `text` at (row, column), shown.
    void showText(ConsoleScreen& screen, int row, int column, std::string_view text) {
        screen.backend = terminal.get();
        setColours(screen, 14, 2);
        clearScreen(screen);
        moveTo(screen, row, column);
        writeText(screen, text);
        presentScreen(screen);
    }

    std::wstring textAt(int row, int column, int length) {
        std::wstring text;
        for (int i = 0; i < length; ++i)
            text += cellAt(row, column + i).Char.UnicodeChar;
        return text;
    }
};

TEST_F(Win32Console, KeyEventsBecomeKeyCodes) {
    press('A', L'a');
    press('A', L'A', SHIFT_PRESSED);
    press(VK_RETURN, L'\r');
    press(VK_BACK, L'\b');
    press(VK_ESCAPE, 27);
    press(VK_ESCAPE, 0);  // as some consoles report it
    press(VK_UP, 0, ENHANCED_KEY);
    press(VK_F1, 0);
    press(VK_F12, 0);
    // Alt+X: Alt goes down first; the letter has no character then.
    inject(VK_MENU, 0, LEFT_ALT_PRESSED);
    press('X', L'x', LEFT_ALT_PRESSED);
    inject(VK_MENU, 0, 0, false);
    // Ctrl+C is the key 3, not a signal.
    inject(VK_CONTROL, 0, LEFT_CTRL_PRESSED);
    press('C', 3, LEFT_CTRL_PRESSED);
    inject(VK_CONTROL, 0, 0, false);
    // Shift and the lock keys alone are no keys; a character code page 437
    // holds becomes its byte, one it lacks is no key.
    press(VK_SHIFT, 0, SHIFT_PRESSED);
    press(VK_CAPITAL, 0, CAPSLOCK_ON);
    press(VK_NUMLOCK, 0, NUMLOCK_ON);
    press(0, L'\u00e4');
    press(0, L'\u20ac');
    inject('Q', L'q', 0, false);  // a release alone

    const std::vector<std::string> expected = {
        "a",
        "A",
        "\r",
        "\b",
        "\x1b",
        "\x1b",
        std::string{'\0', 72},
        std::string{'\0', 59},
        std::string{'\0', static_cast<char>(134)},
        std::string{'\0', 45},
        "\x03",
        "\x84",
    };
    EXPECT_EQ(keysNow(), expected);
    EXPECT_FALSE(terminal->keyPending());
}

TEST_F(Win32Console, WaitsBlockUntilAKeyAndFlushDropsTypedAhead) {
    press('B', L'b');
    press('C', L'c');
    terminal->discardPendingKeys();
    EXPECT_FALSE(terminal->keyPending());
    EXPECT_EQ(terminal->takeKey(), "");
    // A release is no key; the press after it is.
    inject('D', L'd', 0, false);
    press('E', L'e');
    terminal->waitForInput();
    EXPECT_EQ(terminal->takeKey(), "e");
}

TEST_F(Win32Console, CellsGoOutAsCodePage437GlyphsInTheirColours) {
    ConsoleScreen screen;
    showText(screen, 3, 5, "\xC9\xCD\xBB\xB3\xF8\xF9 \x84");
    const wchar_t glyphs[] = L"\u2554\u2550\u2557\u2502\u00b0\u2219 \u00e4";
    for (int i = 0; i < 8; ++i) {
        const CHAR_INFO cell = cellAt(3, 5 + i);
        EXPECT_EQ(cell.Char.UnicodeChar, glyphs[i]) << i;
        EXPECT_EQ(cell.Attributes, 14 + 16 * 2) << i;
    }
    EXPECT_EQ(cellAt(25, 80).Attributes, 14 + 16 * 2);

    // The run-again box: its frame black on yellow, its question yellow on black.
    press('N', L'n');
    EXPECT_FALSE(askRunAgain(screen, singleZeroProfile.runAgainPrompt));
    EXPECT_EQ(cellAt(10, 15).Char.UnicodeChar, L'\u2554');
    EXPECT_EQ(cellAt(10, 15).Attributes, 0 + 16 * 14);
    EXPECT_EQ(cellAt(12, 56).Char.UnicodeChar, L'\u255d');
    EXPECT_EQ(cellAt(11, 19).Char.UnicodeChar, L'S');
    EXPECT_EQ(cellAt(11, 19).Attributes, 14 + 16 * 0);
    EXPECT_EQ(cellAt(1, 1).Attributes, 14 + 16 * 2);

    // The cursor: where the program puts it, hidden or shown.
    moveTo(screen, 7, 9);
    setCursorVisible(screen, true);
    presentScreen(screen);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(output, &info);
    EXPECT_EQ(info.dwCursorPosition.X - info.srWindow.Left, 8);
    EXPECT_EQ(info.dwCursorPosition.Y - info.srWindow.Top, 6);
    CONSOLE_CURSOR_INFO cursor{};
    GetConsoleCursorInfo(output, &cursor);
    EXPECT_TRUE(cursor.bVisible);
    setCursorVisible(screen, false);
    presentScreen(screen);
    GetConsoleCursorInfo(output, &cursor);
    EXPECT_FALSE(cursor.bVisible);
}

TEST_F(Win32Console, RawInputWhileOpenAndTheModeGivenBack) {
    DWORD mode = 0;
    GetConsoleMode(input, &mode);
    EXPECT_EQ(mode & (ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT), 0u);
    terminal.reset();
    DWORD after = 0;
    GetConsoleMode(input, &after);
    EXPECT_NE(after, mode);
    EXPECT_THROW(Win32Terminal(screenSize, INVALID_HANDLE_VALUE, output), PlatformError);
}

// Ctrl+Break, like a closed window, logoff or shutdown, gives the console its
// modes, colours and cursor back before the system's default ends the program.
TEST_F(Win32Console, AControlEventGivesTheConsoleBack) {
    terminal.reset();
    DWORD inputMode = 0;
    DWORD outputMode = 0;
    ASSERT_TRUE(GetConsoleMode(input, &inputMode));
    ASSERT_TRUE(GetConsoleMode(output, &outputMode));
    CONSOLE_SCREEN_BUFFER_INFO before{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(output, &before));
    CONSOLE_CURSOR_INFO cursorBefore{};
    ASSERT_TRUE(GetConsoleCursorInfo(output, &cursorBefore));
    controlEventSeen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(SetConsoleCtrlHandler(keepRunning, TRUE));
    terminal = std::make_unique<Win32Terminal>(screenSize, input, output);

    ConsoleScreen screen;
    screen.backend = terminal.get();
    setColours(screen, 14, 2);
    clearScreen(screen);
    setCursorVisible(screen, false);
    presentScreen(screen);
    DWORD mode = 0;
    GetConsoleMode(input, &mode);
    ASSERT_EQ(mode & (ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT), 0u);

    // Wine raises no Ctrl+Break (ERROR_INVALID_HANDLE) but Ctrl+C, which an
    // outside program may raise too; one handler serves every event.
    DWORD event = CTRL_BREAK_EVENT;
    if (!GenerateConsoleCtrlEvent(event, 0)) {
        event = CTRL_C_EVENT;
        ASSERT_TRUE(GenerateConsoleCtrlEvent(event, 0));
    }
    ASSERT_EQ(WaitForSingleObject(controlEventSeen, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(controlEvent, event);
    GetConsoleMode(input, &mode);
    EXPECT_EQ(mode, inputMode);
    GetConsoleMode(output, &mode);
    EXPECT_EQ(mode, outputMode);
    CONSOLE_SCREEN_BUFFER_INFO after{};
    GetConsoleScreenBufferInfo(output, &after);
    EXPECT_EQ(after.wAttributes, before.wAttributes);
    EXPECT_EQ(after.dwCursorPosition.X, 0);
    CONSOLE_CURSOR_INFO cursor{};
    GetConsoleCursorInfo(output, &cursor);
    EXPECT_EQ(cursor.bVisible, cursorBefore.bVisible);
    EXPECT_EQ(cursor.dwSize, cursorBefore.dwSize);
    // Nothing is drawn over the console given back.
    moveTo(screen, 2, 2);
    writeText(screen, "x");
    setCursorVisible(screen, false);
    presentScreen(screen);
    EXPECT_EQ(cellAt(2, 2).Char.UnicodeChar, L' ');
    GetConsoleCursorInfo(output, &cursor);
    EXPECT_EQ(cursor.bVisible, cursorBefore.bVisible);

    terminal.reset();
    SetConsoleCtrlHandler(keepRunning, FALSE);
    CloseHandle(controlEventSeen);
}

// A window under 80x25, however large its buffer, shows the notice of the
// size needed and takes no keys; grown back, the screen is whole again.
TEST_F(Win32Console, AWindowUnder80x25ShowsTheSizeNeededAndTakesNoKeys) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(output, &info));
    const SMALL_RECT window = info.srWindow;
    ASSERT_GE(window.Bottom - window.Top + 1, 25);
    ASSERT_GE(window.Right - window.Left + 1, 80);
    ConsoleScreen screen;
    showText(screen, 3, 5, "Select");

    SMALL_RECT smaller = window;
    smaller.Bottom = static_cast<SHORT>(window.Top + 19);
    smaller.Right = static_cast<SHORT>(window.Left + 79);
    ASSERT_TRUE(SetConsoleWindowInfo(output, TRUE, &smaller));
    press('S', L's');
    EXPECT_FALSE(keyPending(screen));
    EXPECT_EQ(textAt(10, 21, 39), L"The program needs 80 columns by 25 rows");
    EXPECT_EQ(cellAt(3, 5).Char.UnicodeChar, L' ');
    EXPECT_EQ(cellAt(10, 21).Attributes, info.wAttributes);
    CONSOLE_CURSOR_INFO cursor{};
    GetConsoleCursorInfo(output, &cursor);
    EXPECT_FALSE(cursor.bVisible);
    // The wait itself sees the window change back.
    ASSERT_TRUE(SetConsoleWindowInfo(output, TRUE, &window));
    terminal->waitForInput();
    press('T', L't');
    ASSERT_TRUE(keyPending(screen));
    EXPECT_EQ(takeKey(screen), "t");
    EXPECT_EQ(textAt(3, 5, 6), L"Select");
    EXPECT_EQ(cellAt(10, 21).Char.UnicodeChar, L' ');
    EXPECT_EQ(cellAt(25, 80).Attributes, 14 + 16 * 2);
}

TEST_F(Win32Console, ABufferOfAnotherSizeAsksForARepaint) {
    EXPECT_FALSE(terminal->takeRepaintRequest());
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(output, &info);
    const COORD original = info.dwSize;
    ASSERT_TRUE(
        SetConsoleScreenBufferSize(output, COORD{original.X, static_cast<SHORT>(original.Y + 1)}));
    EXPECT_TRUE(terminal->takeRepaintRequest());
    EXPECT_FALSE(terminal->takeRepaintRequest());
    SetConsoleScreenBufferSize(output, original);
}

}  // namespace
}  // namespace spinchart
