#pragma once
// The program loop: title screen and wheel menu until the user exits.

#include "console/console_screen.h"
#include "platform/clock.h"
#include "text/random_source.h"

namespace spinchart {

// Draws the title screen and the wheel menu, runs the chosen wheel, and returns
// after "X".
void runMainLoop(ConsoleScreen& screen, RandomState& random, ClockReader readClock);

// The whole program on the real terminal; returns the process exit status.
int runProgram();

}  // namespace spinchart
