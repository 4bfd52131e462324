#include "platform/terminal_output.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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

// The console palette as the PC's text mode shows it, 0xRRGGBB by console
// colour number.
constexpr std::uint32_t consolePalette[16] = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};

// "38;2;r;g;b" (foreground) or "48;2;r;g;b" (background).
void appendDirectColour(std::string& out, int kind, int consoleColour) {
    const std::uint32_t rgb = consolePalette[consoleColour];
    appendNumber(out, kind);
    out += ";2";
    for (int shift : {16, 8, 0}) {
        out += ';';
        appendNumber(out, static_cast<int>((rgb >> shift) & 0xFF));
    }
}

}  // namespace

ColourDepth colourDepthFromEnvironment() {
    const char* value = std::getenv("COLORTERM");
    const std::string_view depth = value != nullptr ? value : "";
    return depth == "truecolor" || depth == "24bit" ? ColourDepth::direct24
                                                    : ColourDepth::palette16;
}

void appendAttribute(std::string& out, unsigned char attribute, ColourDepth depth) {
    out += "\x1b[0;";
    if (depth == ColourDepth::direct24) {
        appendDirectColour(out, 38, attribute & 0x0F);
        out += ';';
        appendDirectColour(out, 48, attribute >> 4);
    } else {
        const int foreground = ansiColour(attribute & 0x0F);
        const int background = ansiColour(attribute >> 4);
        appendNumber(out, (foreground & 8) ? 90 + (foreground & 7) : 30 + foreground);
        out += ';';
        appendNumber(out, (background & 8) ? 100 + (background & 7) : 40 + background);
    }
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
                 const TerminalCharset& charset, ColourDepth depth) {
    if (row < 1 || row > terminalRows || column < 1 || column > terminalColumns) return;
    const auto fits = static_cast<std::size_t>(terminalColumns - column + 1);
    if (cells.size() > fits) cells = cells.first(fits);
    if (cells.empty()) return;
    appendMoveTo(out, row, column);
    bool lineDrawing = false;
    for (const ScreenCell& cell : cells) {
        if (cell.attribute != currentAttribute) {
            appendAttribute(out, cell.attribute, depth);
            currentAttribute = cell.attribute;
        }
        appendGlyph(out, charset.glyph(cell.character), lineDrawing);
    }
    if (lineDrawing) out += "\x1b(B";
}

}  // namespace spinchart
