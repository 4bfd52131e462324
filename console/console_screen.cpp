// Placeholder console operations; replaced by the real console layer.
#include "console/console_screen.h"

#include "console/session_screens.h"

namespace spinchart {

void setColours(ConsoleScreen&, int, int) {}
void clearScreen(ConsoleScreen&) {}
void moveTo(ConsoleScreen&, int, int) {}
void writeText(ConsoleScreen&, std::string_view) {}
void newLine(ConsoleScreen&) {}
void setCursorVisible(ConsoleScreen&, bool) {}
void discardPendingKeys(ConsoleScreen&) {}
bool keyPending(ConsoleScreen&) { return false; }
KeyCode takeKey(ConsoleScreen&) { return {}; }
KeyCode waitKey(ConsoleScreen&) { return {}; }
std::string readLine(ConsoleScreen&) { return {}; }
void beep(ConsoleScreen&) {}
void writeLineAt(ConsoleScreen&, int, int, std::string_view) {}
void drawDoubleFrame(ConsoleScreen&, int, int, int) {}
KeyCode readMenuKey(ConsoleScreen&, int, int) { return {}; }
std::string toUpperCp437(std::string_view text) { return std::string(text); }
std::string rowText(const ConsoleScreen&, int) { return {}; }
bool askRunAgain(ConsoleScreen&, std::string_view) { return false; }
void showErrorScreen(ConsoleScreen&) {}

}  // namespace spinchart
