#include "support/scripted_terminal.h"

#include "platform/cp437.h"

namespace spinchart::testing {

ScriptedTerminal::ScriptedTerminal()
    : grid(static_cast<std::size_t>(screenRows * screenColumns), ScreenCell{'?', 0x07}) {}

void ScriptedTerminal::pushText(std::string_view keys) {
    for (char c : keys)
        script.emplace_back(1, c);
}

void ScriptedTerminal::pushKey(const KeyCode& key) {
    script.push_back(key);
}

void ScriptedTerminal::typeAhead(const KeyCode& key) {
    pending.push_back(key);
}

const ScreenCell& ScriptedTerminal::cell(int row, int column) const {
    return grid.at(static_cast<std::size_t>((row - 1) * screenColumns + (column - 1)));
}

std::string ScriptedTerminal::text(int row, int column, int length) const {
    std::string out;
    for (int c = column; c < column + length && c <= screenColumns; ++c) {
        appendUtf8(out, cp437ToUnicode(cell(row, c).character));
    }
    return out;
}

std::string ScriptedTerminal::text(int row) const {
    return text(row, 1, screenColumns);
}

void ScriptedTerminal::resetDisplay() {
    std::fill(grid.begin(), grid.end(), ScreenCell{'?', 0x07});
}

void ScriptedTerminal::show(const ScreenUpdate& update) {
    if (update.repaint) resetDisplay();
    for (const CellRun& run : update.runs) {
        if (run.row < 1 || run.row > screenRows || run.column < 1 ||
            run.column - 1 + static_cast<int>(run.cells.size()) > screenColumns) {
            throw std::logic_error("cells outside the screen");
        }
        std::copy(run.cells.begin(), run.cells.end(),
                  grid.begin() + static_cast<std::ptrdiff_t>((run.row - 1) * screenColumns +
                                                             (run.column - 1)));
    }
    cursorRow = update.cursorRow;
    cursorColumn = update.cursorColumn;
    cursorVisible = update.cursorVisible;
    ++presents;
    if (update.bell) ++beeps;
}

std::string ScriptedTerminal::takeKey() {
    if (pending.empty()) return {};
    KeyCode key = std::move(pending.front());
    pending.pop_front();
    return key;
}

void ScriptedTerminal::waitForInput() {
    ++waits;
    if (!pending.empty() || repaintRequested) return;
    if (script.empty() && onIdle) onIdle(*this);
    if (script.empty()) throw ScriptEnded();
    pending.push_back(std::move(script.front()));
    script.pop_front();
}

bool ScriptedTerminal::takeRepaintRequest() {
    const bool requested = repaintRequested;
    repaintRequested = false;
    return requested;
}

std::string cp437(std::string_view utf8) {
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t cp = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            cp = lead & 0x07;
            length = 4;
        } else if (lead >= 0xE0) {
            cp = lead & 0x0F;
            length = 3;
        } else if (lead >= 0xC0) {
            cp = lead & 0x1F;
            length = 2;
        }
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += length;
        const int byte = unicodeToCp437(cp);
        out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
    return out;
}

}  // namespace spinchart::testing
