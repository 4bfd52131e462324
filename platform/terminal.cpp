// What the terminal backends share.
#include "platform/terminal.h"

#include <algorithm>
#include <utility>

namespace spinchart {

std::vector<NoticeLine> sizeNotice(ScreenSize screen, int rows, int columns) {
    const std::string words[] = {"The",
                                 "program",
                                 "needs",
                                 std::to_string(screen.columns),
                                 "columns",
                                 "by",
                                 std::to_string(screen.rows),
                                 "rows"};
    std::vector<std::string> lines(1);
    for (const std::string& word : words) {
        if (!lines.back().empty() &&
            lines.back().size() + 1 + word.size() > static_cast<std::size_t>(columns))
            lines.emplace_back();
        if (!lines.back().empty()) lines.back() += ' ';
        lines.back() += word;
    }
    std::vector<NoticeLine> notice;
    const int top = std::max(1, (rows - static_cast<int>(lines.size())) / 2 + 1);
    for (std::size_t i = 0; i < lines.size() && top + static_cast<int>(i) <= rows; ++i) {
        const int width = static_cast<int>(lines[i].size());
        notice.push_back({top + static_cast<int>(i), std::max(1, (columns - width) / 2 + 1),
                          lines[i].substr(0, static_cast<std::size_t>(columns))});
    }
    return notice;
}

PlatformTerminal::PlatformTerminal(ScreenSize screenSize) : screen(screenSize) {}

void PlatformTerminal::show(const ScreenUpdate& update) {
    if (tooSmall) {
        if (!noticeShown) showNotice();
        if (update.bell) ringBell();
        return;
    }
    if (update.repaint) cursorShown = -1;
    const int visible = update.cursorVisible ? 1 : 0;
    const bool visibilityChanged = cursorShown != visible;
    cursorShown = visible;
    drawUpdate(update, visibilityChanged);
}

void PlatformTerminal::showNotice() {
    drawNotice();
    cursorShown = 0;
    noticeShown = true;
}

bool PlatformTerminal::keyPending() {
    readAvailable();
    return !keys.empty();
}

std::string PlatformTerminal::takeKey() {
    readAvailable();
    if (keys.empty()) return {};
    std::string key = std::move(keys.front());
    keys.pop_front();
    return key;
}

bool PlatformTerminal::takeRepaintRequest() {
    if (!takeContentLost()) return false;
    if (!tooSmall) return true;
    showNotice();
    return false;
}

void PlatformTerminal::readAvailable() {
    readInput();
    if (tooSmall) keys.clear();  // typed blind: not taken
}

void PlatformTerminal::setSize(int newRows, int newColumns) {
    rows = newRows;
    columns = newColumns;
    tooSmall = rows < screen.rows || columns < screen.columns;
    noticeShown = false;
}

}  // namespace spinchart
