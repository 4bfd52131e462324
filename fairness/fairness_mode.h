#pragma once
// spinchart --fairness FILE...: the spins of each FILE read as the program
// reads a spin file, and the wheel-bias report of them; of several files, each
// file's figures and whether they all come from one wheel.

#include <string>
#include <vector>

#include "session/wheel_profile.h"

namespace spinchart {

enum class FairnessOutput { text, json, csv };

struct FairnessRequest {
    std::vector<std::string> files;  // at least one
    const WheelProfile* profile = &singleZeroProfile;
    FairnessOutput output = FairnessOutput::text;
};

// The report in the form asked for. Throws PlatformError when a file cannot
// be read, SessionError when one holds no spin of the wheel or the reader
// refuses it.
std::string fairnessReport(const FairnessRequest& request);

}  // namespace spinchart
