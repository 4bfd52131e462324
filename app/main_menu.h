#pragma once
// The program loop: title screen and wheel menu until the user exits.

#include "console/console_screen.h"
#include "session/session_dialogue.h"

namespace spinchart {

// Draws the title screen and the wheel menu, runs the chosen wheel, and returns
// after "X".
void runMainLoop(ConsoleScreen& screen, SessionContext& context);

// The whole program on the real terminal; returns the process exit status.
int runProgram();

}  // namespace spinchart
