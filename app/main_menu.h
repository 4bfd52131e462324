#pragma once
// The program loop: title screen and wheel menu until the user exits.

#include <span>

#include "console/console_screen.h"
#include "session/session_dialogue.h"

namespace spinchart {

// Draws the title screen and the wheel menu, runs the chosen wheel, and returns
// after "X".
void runMainLoop(ConsoleScreen& screen, SessionContext& context);

// The whole program: answers --version and --help, writes the --fairness
// report, names a mistake on the command line, else runs on the real
// terminal. Takes the arguments after the program's name; returns the process
// exit status.
int runProgram(std::span<const char* const> arguments);

}  // namespace spinchart
