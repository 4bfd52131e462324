#pragma once
// What a user of this platform is told about reading the manual and about the
// keys that the platform itself gives the program.

#include <string_view>

namespace spinchart {

// How the manual is called up: the manual page, or the README beside the
// program.
extern const std::string_view manualReference;

// Lines of the usage text (each ending in a line end) for the keys that end or
// suspend the program.
extern const std::string_view platformKeysHelp;

}  // namespace spinchart
