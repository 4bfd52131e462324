#include "platform/user_guide.h"

namespace spinchart {

const std::string_view manualReference = "man spinchart";

const std::string_view platformKeysHelp =
    "  Ctrl+\\          ends the program at once; the terminal is restored\n"
    "  Ctrl+Z          suspends it; fg brings it back\n";

}  // namespace spinchart
