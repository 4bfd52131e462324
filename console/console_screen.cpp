#include "console/console_screen.h"

#include <algorithm>
#include <span>
#include <utility>

#include "platform/cp437.h"

namespace spinchart {
namespace {

constexpr std::size_t cellIndex(int row, int column) {
    return static_cast<std::size_t>((row - 1) * screenColumns + (column - 1));
}

unsigned char currentAttribute(const ConsoleScreen& screen) {
    return static_cast<unsigned char>(screen.foreground + 16 * screen.background);
}

void scrollUp(ConsoleScreen& screen) {
    std::copy(screen.cells.begin() + screenColumns, screen.cells.end(), screen.cells.begin());
    const ScreenCell blank{' ', currentAttribute(screen)};
    std::fill(screen.cells.end() - screenColumns, screen.cells.end(), blank);
}

}  // namespace

void setColours(ConsoleScreen& screen, int foreground, int background) {
    if (foreground >= 0 && foreground < 16) screen.foreground = foreground;
    if (background >= 0 && background < 16) screen.background = background;
}

void clearScreen(ConsoleScreen& screen) {
    screen.cells.fill(ScreenCell{' ', currentAttribute(screen)});
    screen.cursorRow = 1;
    screen.cursorColumn = 1;
}

void moveTo(ConsoleScreen& screen, int row, int column) {
    if (row >= 1 && row <= screenRows) screen.cursorRow = row;
    if (column >= 1 && column <= screenColumns) screen.cursorColumn = column;
}

void writeText(ConsoleScreen& screen, std::string_view cp437Text) {
    const unsigned char attribute = currentAttribute(screen);
    for (char c : cp437Text) {
        screen.cells[cellIndex(screen.cursorRow, screen.cursorColumn)] =
            ScreenCell{static_cast<unsigned char>(c), attribute};
        if (++screen.cursorColumn > screenColumns) newLine(screen);
    }
}

void newLine(ConsoleScreen& screen) {
    screen.cursorColumn = 1;
    if (screen.cursorRow < screenRows) {
        ++screen.cursorRow;
    } else {
        scrollUp(screen);
    }
}

void setCursorVisible(ConsoleScreen& screen, bool visible) {
    screen.cursorVisible = visible;
}

void discardPendingKeys(ConsoleScreen& screen) {
    if (screen.backend != nullptr) screen.backend->discardPendingKeys();
}

bool keyPending(ConsoleScreen& screen) {
    if (screen.backend == nullptr) return false;
    if (screen.backend->takeRepaintRequest()) invalidateScreen(screen);
    presentScreen(screen);
    return screen.backend->keyPending();
}

KeyCode takeKey(ConsoleScreen& screen) {
    if (screen.backend == nullptr) return {};
    return screen.backend->takeKey();
}

bool waitUntilKeyPending(ConsoleScreen& screen) {
    TerminalBackend* backend = screen.backend;
    if (backend == nullptr) return false;
    for (;;) {
        if (backend->takeRepaintRequest()) invalidateScreen(screen);
        presentScreen(screen);
        if (backend->keyPending()) return true;
        backend->waitForInput();
    }
}

KeyCode waitKey(ConsoleScreen& screen) {
    if (!waitUntilKeyPending(screen)) return {};
    return screen.backend->takeKey();
}

std::string readLine(ConsoleScreen& screen) {
    constexpr std::size_t maximumLength = 10000;
    const bool wasVisible = screen.cursorVisible;
    screen.cursorVisible = true;
    std::string text;
    for (;;) {
        const KeyCode key = waitKey(screen);
        if (key.size() != 1) {
            // Keys without a character are ignored; without a terminal there
            // is nothing more to read.
            if (screen.backend == nullptr) break;
            continue;
        }
        const auto c = static_cast<unsigned char>(key[0]);
        if (c == 13) {
            newLine(screen);
            break;
        }
        if (c == 8) {
            if (text.empty()) continue;
            text.pop_back();
            if (screen.cursorColumn > 1) {
                --screen.cursorColumn;
            } else if (screen.cursorRow > 1) {
                --screen.cursorRow;
                screen.cursorColumn = screenColumns;
            } else {
                continue;  // the character has scrolled off the top
            }
            const int row = screen.cursorRow;
            const int column = screen.cursorColumn;
            writeText(screen, " ");
            screen.cursorRow = row;
            screen.cursorColumn = column;
            continue;
        }
        if (c < 32 || text.size() >= maximumLength) continue;
        text.push_back(key[0]);
        writeText(screen, key);
    }
    screen.cursorVisible = wasVisible;
    return text;
}

void beep(ConsoleScreen& screen) {
    if (screen.backend != nullptr) screen.bellPending = true;
}

void presentScreen(ConsoleScreen& screen) {
    TerminalBackend* backend = screen.backend;
    if (backend == nullptr) return;
    ScreenUpdate update;
    update.repaint = !screen.shownValid;
    auto differs = [&](int row, int column) {
        const std::size_t at = cellIndex(row, column);
        return update.repaint || screen.cells[at] != screen.shownCells[at];
    };
    for (int row = 1; row <= screenRows; ++row) {
        int column = 1;
        while (column <= screenColumns) {
            if (!differs(row, column)) {
                ++column;
                continue;
            }
            int end = column + 1;
            while (end <= screenColumns && differs(row, end))
                ++end;
            update.runs.push_back(
                {row, column,
                 std::span(screen.cells)
                     .subspan(cellIndex(row, column), static_cast<std::size_t>(end - column))});
            column = end;
        }
    }
    if (update.runs.empty() && !screen.bellPending && screen.cursorRow == screen.shownCursorRow &&
        screen.cursorColumn == screen.shownCursorColumn &&
        screen.cursorVisible == screen.shownCursorVisible)
        return;
    update.cursorRow = screen.shownCursorRow = screen.cursorRow;
    update.cursorColumn = screen.shownCursorColumn = screen.cursorColumn;
    update.cursorVisible = screen.shownCursorVisible = screen.cursorVisible;
    update.bell = std::exchange(screen.bellPending, false);
    backend->show(update);
    screen.shownCells = screen.cells;
    screen.shownValid = true;
}

void invalidateScreen(ConsoleScreen& screen) {
    screen.shownValid = false;
}

void writeLineAt(ConsoleScreen& screen, int row, int column, std::string_view cp437Text) {
    moveTo(screen, row, column);
    writeText(screen, cp437Text);
    newLine(screen);
}

void drawDoubleFrame(ConsoleScreen& screen, int row, int column, int innerWidth) {
    const auto width = static_cast<std::size_t>(std::max(innerWidth, 0));
    const std::string bar(width, '\xCD');
    moveTo(screen, row, column);
    writeText(screen, "\xC9");
    writeText(screen, bar);
    writeText(screen, "\xBB");
    newLine(screen);
    moveTo(screen, row + 1, column);
    writeText(screen, "\xBA");
    moveTo(screen, row + 1, column + innerWidth + 1);
    writeText(screen, "\xBA");
    newLine(screen);
    moveTo(screen, row + 2, column);
    writeText(screen, "\xC8");
    writeText(screen, bar);
    writeText(screen, "\xBC");
}

void writeLinesAt(ConsoleScreen& screen, int firstRow, int column,
                  std::initializer_list<std::string_view> cp437Lines) {
    int row = firstRow;
    for (const std::string_view line : cp437Lines) {
        if (!line.empty()) writeLineAt(screen, row, column, line);
        ++row;
    }
}

void drawTallFrame(ConsoleScreen& screen, int row, int column, int innerWidth) {
    const std::string bars(static_cast<std::size_t>(std::max(innerWidth, 0)), '\xCD');
    writeLineAt(screen, row, column, "\xC9" + bars + "\xBB");
    for (int side = row + 1; side <= row + 2; ++side) {
        writeLineAt(screen, side, column, "\xBA");
        writeLineAt(screen, side, column + innerWidth + 1, "\xBA");
    }
    writeLineAt(screen, row + 3, column, "\xC8" + bars + "\xBC");
}

void drawMenuBox(ConsoleScreen& screen, int row, int column, std::string_view title,
                 std::initializer_list<std::string_view> items) {
    constexpr std::size_t innerWidth = 33;
    const std::string bars(innerWidth, '\xCD');
    const std::string separator = "\xC6" + bars + "\xB5";
    auto boxed = [&](std::string_view text) {
        std::string line(innerWidth + 2, ' ');
        line.front() = '\xB3';
        text.copy(line.data() + 1, innerWidth);
        line.back() = '\xB3';
        return line;
    };
    writeLineAt(screen, row++, column, "\xD5" + bars + "\xB8");
    writeLineAt(screen, row++, column, boxed(title));
    // The first separator carries a blank beyond the box.
    writeLineAt(screen, row++, column, separator + " ");
    bool first = true;
    for (const std::string_view item : items) {
        if (!first) writeLineAt(screen, row++, column, separator);
        first = false;
        writeLineAt(screen, row++, column, boxed(item));
    }
    writeLineAt(screen, row, column, "\xD4" + bars + "\xBE");
}

KeyCode readMenuKey(ConsoleScreen& screen, int row, int column) {
    waitUntilKeyPending(screen);
    moveTo(screen, row, column);
    const KeyCode key = toUpperCp437(takeKey(screen));
    writeText(screen, key);
    newLine(screen);
    return key;
}

std::string toUpperCp437(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(cp437ToUpper(static_cast<unsigned char>(c)));
    return upper;
}

}  // namespace spinchart
