#pragma once
// spinchart --fairness FILE: the spins of FILE read as the program reads a
// spin file, and the wheel-bias report of them.

#include <string>

#include "session/wheel_profile.h"

namespace spinchart {

enum class FairnessOutput { text, json, csv };

struct FairnessRequest {
    std::string file;
    const WheelProfile* profile = &singleZeroProfile;
    FairnessOutput output = FairnessOutput::text;
};

// The report in the form asked for. Throws PlatformError when the file cannot
// be read, SessionError when it holds no spin of the wheel or the reader
// refuses it.
std::string fairnessReport(const FairnessRequest& request);

}  // namespace spinchart
