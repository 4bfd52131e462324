#pragma once
// The console layer: an 80x25 screen of code page 437 cells in colours, a
// cursor, key input and the beep, and the screen idioms every screen uses.
// The operations act on the screen model here and on a terminal backend.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/terminal.h"

namespace spinchart {

constexpr int screenRows = 25;
constexpr int screenColumns = 80;
constexpr ScreenSize screenSize{screenRows, screenColumns};
// Every screen is yellow on green.
constexpr int screenForeground = 14;
constexpr int screenBackground = 2;

using ScreenCells = std::array<ScreenCell, screenRows * screenColumns>;
// The screen before anything is drawn: blanks in its colours.
constexpr ScreenCells blankScreen() {
    ScreenCells cells{};
    cells.fill(ScreenCell{' ', screenForeground + 16 * screenBackground});
    return cells;
}

// Key code: 0, 1 or 2 characters. A key with a character gives that character
// (Enter 13, Backspace 8, Escape 27, Ctrl+C 3); keys without one give NUL and a
// scan code.
using KeyCode = std::string;

struct ConsoleScreen {
    TerminalBackend* backend = nullptr;
    ScreenCells cells = blankScreen();
    int foreground = screenForeground;
    int background = screenBackground;
    int cursorRow = 1;     // 1-based
    int cursorColumn = 1;  // 1-based
    bool cursorVisible = true;

    // What the backend shows now; changes reach it in one batch whenever the
    // program waits for a key (or calls presentScreen).
    ScreenCells shownCells = blankScreen();
    bool shownValid = false;  // false: the next batch repaints everything
    int shownCursorRow = 0;
    int shownCursorColumn = 0;
    bool shownCursorVisible = true;
    bool bellPending = false;  // a beep goes out with the next batch
};

// Basic operations.
void setColours(ConsoleScreen& screen, int foreground, int background);
inline void setScreenColours(ConsoleScreen& screen) {
    setColours(screen, screenForeground, screenBackground);
}
void clearScreen(ConsoleScreen& screen);
void moveTo(ConsoleScreen& screen, int row, int column);
void writeText(ConsoleScreen& screen, std::string_view cp437Text);
void newLine(ConsoleScreen& screen);
void setCursorVisible(ConsoleScreen& screen, bool visible);
void discardPendingKeys(ConsoleScreen& screen);
bool keyPending(ConsoleScreen& screen);
KeyCode takeKey(ConsoleScreen& screen);
KeyCode waitKey(ConsoleScreen& screen);
// Waits until a key is pending and leaves it there; the screen is shown (and
// repainted after a resize) meanwhile. False without a terminal.
bool waitUntilKeyPending(ConsoleScreen& screen);
std::string readLine(ConsoleScreen& screen);
void beep(ConsoleScreen& screen);

// Sends the changes since the last batch to the terminal. The key operations
// do this themselves; call it before long work so that the screen shows.
void presentScreen(ConsoleScreen& screen);
// Makes the next batch redraw the whole screen.
void invalidateScreen(ConsoleScreen& screen);

// Text at a position, followed by a line end.
void writeLineAt(ConsoleScreen& screen, int row, int column, std::string_view cp437Text);
// Lines on consecutive rows from firstRow, each at the column; an empty line
// leaves its row as it is.
void writeLinesAt(ConsoleScreen& screen, int firstRow, int column,
                  std::initializer_list<std::string_view> cp437Lines);

// Shared idioms.
void drawDoubleFrame(ConsoleScreen& screen, int row, int column, int innerWidth);
// A double frame with two middle rows: rows row to row + 3.
void drawTallFrame(ConsoleScreen& screen, int row, int column, int innerWidth);
// The single-line menu box with double bars, 35 columns wide: a top line, the
// title, then the items between separators, and a bottom line.
void drawMenuBox(ConsoleScreen& screen, int row, int column, std::string_view title,
                 std::initializer_list<std::string_view> items);
KeyCode readMenuKey(ConsoleScreen& screen, int row, int column);
std::string toUpperCp437(std::string_view text);

}  // namespace spinchart
