#pragma once
// What the title screen and the wheel menu show, for the tests of the main
// loop on the scripted terminal and in a pseudo-terminal.

#include <string_view>

namespace spinchart::testing {

struct ScreenText {
    int row;
    int column;
    std::string_view text;  // UTF-8
};

// The "Read more:" line at (11, 4) names the manual: the manual page, or on
// Windows the README beside the program. One blank ends it.
inline constexpr std::string_view readMoreLine = "Read more: man spinchart ";
inline constexpr std::string_view readMoreLineWindows = "Read more: README.txt ";

inline constexpr ScreenText titleScreenTexts[] = {
    {4, 1, "   This program performs statistical analyses of roulette spins:"},
    {5, 5, "~ real-life roulette spins from any casino;"},
    {6, 5, "~ randomly generated roulette spins."},
    {8, 4, "The reports are separated also by the type of wheel: 0 or 00."},
    {9, 4, "The reports are text files that can be opened in any text editor."},
    {11, 4, "Read more: "},
    {15, 15, " ╒═════════════════════════════════╕ "},
    {16, 16, "│  Select your choice:            │"},
    {17, 16, "╞═════════════════════════════════╡ "},
    {18, 16, "│  <S> Single-zero (0)            │"},
    {19, 16, "╞═════════════════════════════════╡"},
    {20, 16, "│  <D> Double-zero (00)           │"},
    {21, 16, "╞═════════════════════════════════╡"},
    {22, 16, "│  <X> Exit Program               │"},
    {23, 16, "╘═════════════════════════════════╛"},
};

}  // namespace spinchart::testing
