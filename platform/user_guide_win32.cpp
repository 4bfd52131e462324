#include "platform/user_guide.h"

namespace spinchart {

const std::string_view manualReference = "README.txt";

const std::string_view platformKeysHelp = "  Ctrl+Break      ends the program at once\n";

}  // namespace spinchart
