#pragma once
// spinchart --fairness FILE: the spins of FILE, one whole number a line or
// one column of a table, and the wheel-bias report of them.

#include <optional>
#include <string>

#include "fairness/spin_lines.h"
#include "session/wheel_profile.h"

namespace spinchart {

enum class FairnessOutput { text, json, csv };

struct FairnessRequest {
    std::string file;  // "-": standard input
    const WheelProfile* profile = &singleZeroProfile;
    FairnessOutput output = FairnessOutput::text;
    std::optional<SpinColumn> column;
    bool oldestFirst = false;  // the file lists the oldest spin first
};

// The report in the form asked for. Throws PlatformError when the file cannot
// be read, SessionError when it is not text or holds no spin of the wheel.
std::string fairnessReport(const FairnessRequest& request);

}  // namespace spinchart
