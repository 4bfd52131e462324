#include "app/main_menu.h"

namespace spinchart {

int runProgram() { return 0; }

}  // namespace spinchart
