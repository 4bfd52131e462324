#include "app/main_menu.h"

namespace spinchart {

void runMainLoop(ConsoleScreen&, RandomState&, ClockReader) {}

int runProgram() { return 0; }

}  // namespace spinchart
