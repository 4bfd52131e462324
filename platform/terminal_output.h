#pragma once
// ECMA-48 / xterm output for the POSIX terminal: absolute positioning, the
// 16-colour palette, and code page 437 glyphs in the terminal's character set.

#include <span>
#include <string>

#include "platform/terminal.h"
#include "platform/terminal_charset.h"

namespace spinchart {

// The SGR sequence for a cell attribute (foreground + 16 * background, in the
// console palette order: 1 blue, 2 green, 4 red, 8 bright).
void appendAttribute(std::string& out, unsigned char attribute);

// Cursor to (row, column), 1-based.
void appendMoveTo(std::string& out, int row, int column);

// A run of cells from (row, column), clipped to a terminal of the given size.
// currentAttribute is the terminal's attribute now (-1: unknown) and is
// updated. A run that switches to line drawing switches back at its end.
void appendCells(std::string& out, int row, int column, std::span<const ScreenCell> cells,
                 int terminalRows, int terminalColumns, int& currentAttribute,
                 const TerminalCharset& charset = TerminalCharset::standard());

}  // namespace spinchart
