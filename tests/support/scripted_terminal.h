#pragma once
// A terminal backend for unit tests: keys in from a script, cells out into a
// grid that tests read back.
//
// Keys
//   pushText("abc\r")      queues keys of one character each, one per byte
//   pushKey(KeyCode)       queues one key (e.g. arrowUpKey, a two-character code)
//   typeAhead(KeyCode)     a key already waiting now: keyPending sees it, and
//                          discardPendingKeys drops it
// Queued keys are "typed later": the program gets the next one only when it
// blocks waiting for a key (waitKey, readLine, readMenuKey, the error screen's
// wait), so discardPendingKeys never eats them. When the program waits with
// nothing left, onIdle (if set) is called and may queue more keys (and look at
// the screen first); if nothing is queued after that, ScriptEnded is thrown.
//
// Screen
//   the ConsoleScreen model is the program's view (cellAt, rowText on it);
//   this terminal holds what was actually sent: text(row) / text(row, column,
//   length) as UTF-8, cell(row, column), cursorRow/cursorColumn/cursorVisible.
//   A repaint (resetDisplay) fills the grid with '?' in attribute 0x07, so a
//   test sees which cells a repaint failed to draw.
//   requestRepaint() pretends the terminal was resized.
//
// Counters: beeps (bells), presents (output batches), waits (blocking waits).

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_screen.h"
#include "platform/terminal.h"

namespace spinchart::testing {

struct ScriptEnded : std::runtime_error {
    ScriptEnded()
        : std::runtime_error("the key script ran out while the program waits for a key") {}
};

inline const KeyCode arrowUpKey{'\0', 'H'};
inline const KeyCode functionKey1{'\0', ';'};

class ScriptedTerminal : public TerminalBackend {
public:
    ScriptedTerminal();

    void pushText(std::string_view keys);
    void pushKey(const KeyCode& key);
    void typeAhead(const KeyCode& key);
    void requestRepaint() { repaintRequested = true; }
    std::size_t keysLeft() const { return script.size() + pending.size(); }

    const ScreenCell& cell(int row, int column) const;
    std::string text(int row) const;  // the whole row, UTF-8
    std::string text(int row, int column, int length) const;

    int cursorRow = 1;
    int cursorColumn = 1;
    bool cursorVisible = true;
    int beeps = 0;
    int presents = 0;
    int waits = 0;
    std::function<void(ScriptedTerminal&)> onIdle;

    void resetDisplay();

    // TerminalBackend
    void show(const ScreenUpdate& update) override;
    bool keyPending() override { return !pending.empty(); }
    std::string takeKey() override;
    void discardPendingKeys() override { pending.clear(); }
    void waitForInput() override;
    bool takeRepaintRequest() override;

private:
    std::vector<ScreenCell> grid;
    std::deque<KeyCode> script;
    std::deque<KeyCode> pending;
    bool repaintRequested = false;
};

// A ConsoleScreen wired to a scripted terminal.
struct ScriptedConsole {
    ScriptedTerminal terminal;
    ConsoleScreen screen;
    ScriptedConsole() { screen.backend = &terminal; }
    ScriptedConsole(const ScriptedConsole&) = delete;
    ScriptedConsole& operator=(const ScriptedConsole&) = delete;
};

// Code page 437 bytes of a UTF-8 literal ("╔══╗" -> "\xC9\xCD\xCD\xBB");
// characters outside code page 437 become '?'.
std::string cp437(std::string_view utf8);

}  // namespace spinchart::testing

namespace spinchart {

// The program's own view of a cell, and of one row (80 bytes, code page 437).
inline const ScreenCell& cellAt(const ConsoleScreen& screen, int row, int column) {
    return screen.cells[static_cast<std::size_t>((row - 1) * screenColumns + (column - 1))];
}
inline std::string rowText(const ConsoleScreen& screen, int row) {
    std::string text(screenColumns, ' ');
    if (row < 1 || row > screenRows) return text;
    for (int column = 1; column <= screenColumns; ++column)
        text[static_cast<std::size_t>(column - 1)] =
            static_cast<char>(cellAt(screen, row, column).character);
    return text;
}

}  // namespace spinchart
