#pragma once
// The two screens that end a wheel run: the run-again question and the error
// screen.

#include "console/console_screen.h"

namespace spinchart {

// Asks whether to run the wheel again; false for "n" or "N".
bool askRunAgain(ConsoleScreen& screen, std::string_view runAgainPrompt);

// Shows the error screen and waits until a key is pending (the key is left for
// the next session's key flush).
void showErrorScreen(ConsoleScreen& screen);

}  // namespace spinchart
