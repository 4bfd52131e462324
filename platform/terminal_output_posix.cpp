#include "platform/terminal_output.h"

#include <charconv>

namespace spinchart {
namespace {

void appendNumber(std::string& out, int value) {
    char digits[12];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// Console palette index (bit 0 blue, bit 2 red) to ANSI (bit 0 red, bit 2 blue).
int ansiColour(int consoleColour) {
    return (consoleColour & 0x0A) | ((consoleColour & 1) << 2) | ((consoleColour & 4) >> 2);
}

}  // namespace

void appendAttribute(std::string& out, unsigned char attribute) {
    const int foreground = ansiColour(attribute & 0x0F);
    const int background = ansiColour(attribute >> 4);
    out += "\x1b[0;";
    appendNumber(out, (foreground & 8) ? 90 + (foreground & 7) : 30 + foreground);
    out += ';';
    appendNumber(out, (background & 8) ? 100 + (background & 7) : 40 + background);
    out += 'm';
}

void appendMoveTo(std::string& out, int row, int column) {
    out += "\x1b[";
    appendNumber(out, row);
    out += ';';
    appendNumber(out, column);
    out += 'H';
}

void appendCells(std::string& out, int row, int column, std::span<const ScreenCell> cells,
                 int terminalRows, int terminalColumns, int& currentAttribute,
                 const TerminalCharset& charset) {
    if (row < 1 || row > terminalRows || column < 1 || column > terminalColumns) return;
    const auto fits = static_cast<std::size_t>(terminalColumns - column + 1);
    if (cells.size() > fits) cells = cells.first(fits);
    if (cells.empty()) return;
    appendMoveTo(out, row, column);
    bool lineDrawing = false;
    for (const ScreenCell& cell : cells) {
        if (cell.attribute != currentAttribute) {
            appendAttribute(out, cell.attribute);
            currentAttribute = cell.attribute;
        }
        appendGlyph(out, charset.glyph(cell.character), lineDrawing);
    }
    if (lineDrawing) out += "\x1b(B";
}

}  // namespace spinchart
