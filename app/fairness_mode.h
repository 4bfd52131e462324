#pragma once
// spinchart --fairness FILE: the spins of FILE read as the program reads a
// spin file, and the wheel-bias report of them.

#include <string>

#include "app/command_line.h"

namespace spinchart {

// The report in the form asked for. Throws PlatformError when the file cannot
// be read, SessionError when it holds no spin of the wheel or the reader
// refuses it.
std::string fairnessReport(const FairnessRequest& request);

}  // namespace spinchart
