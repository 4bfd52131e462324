#pragma once
// spinchart --fairness FILE...: the spins of each FILE, one whole number a
// line or one column of a table, and the wheel-bias report of them; of
// several files, each file's figures and whether they all come from one wheel.

#include <optional>
#include <string>
#include <vector>

#include "fairness/spin_lines.h"
#include "session/wheel_profile.h"

namespace spinchart {

enum class FairnessOutput { text, json, csv };

struct FairnessRequest {
    std::vector<std::string> files;  // at least one; "-": standard input
    const WheelProfile* profile = &singleZeroProfile;
    FairnessOutput output = FairnessOutput::text;
    std::optional<SpinColumn> column;
    bool oldestFirst = false;  // the file lists the oldest spin first
};

// The report in the form asked for. Throws PlatformError when a file cannot
// be read, SessionError when one is not text or holds no spin of the wheel.
std::string fairnessReport(const FairnessRequest& request);

}  // namespace spinchart
