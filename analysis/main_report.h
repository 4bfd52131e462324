#pragma once
// The main report (frequency and skip chart, then the system report) and the
// skip file, written for one session.

#include <cstdint>
#include <string>

#include "session/spin_list.h"
#include "session/wheel_profile.h"

namespace spinchart {

struct AnalysisRequest {
    const WheelProfile* profile = nullptr;
    const SpinList* spins = nullptr;
    std::int32_t analysisCount = 0;
    bool generated = false;    // generated spins: "Random Spins " instead of the file name
    std::string dataFileName;  // code page 437, as the dialogue holds it
    std::string reportFile;    // code page 437 names
    std::string skipFile;
    std::int32_t spinMean = 0;
    std::int32_t spinStdDev = 0;
};

// Creates the main report and the skip file, writes both and sorts the skip
// file. Throws SessionError on any failure.
void runAnalysis(const AnalysisRequest& request);

}  // namespace spinchart
