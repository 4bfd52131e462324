#pragma once
// ECMA-48 / xterm output for the POSIX terminal: absolute positioning,
// colours, and code page 437 glyphs in the terminal's character set.

#include <span>
#include <string>

#include "platform/terminal.h"
#include "platform/terminal_charset.h"

namespace spinchart {

// How colours go out: as the 16 colours of the terminal's own palette (each
// theme shows them its own way), or as the console palette's exact colours in
// 24-bit form.
enum class ColourDepth { palette16, direct24 };

// direct24 where the environment says the terminal shows 24-bit colour
// (COLORTERM is "truecolor" or "24bit"), else palette16.
ColourDepth colourDepthFromEnvironment();

// The SGR sequence for a cell attribute (foreground + 16 * background, in the
// console palette order: 1 blue, 2 green, 4 red, 8 bright).
void appendAttribute(std::string& out, unsigned char attribute,
                     ColourDepth depth = ColourDepth::palette16);

// Cursor to (row, column), 1-based.
void appendMoveTo(std::string& out, int row, int column);

// A run of cells from (row, column), clipped to a terminal of the given size.
// currentAttribute is the terminal's attribute now (-1: unknown) and is
// updated. A run that switches to line drawing switches back at its end.
void appendCells(std::string& out, int row, int column, std::span<const ScreenCell> cells,
                 int terminalRows, int terminalColumns, int& currentAttribute,
                 const TerminalCharset& charset = TerminalCharset::standard(),
                 ColourDepth depth = ColourDepth::palette16);

}  // namespace spinchart
