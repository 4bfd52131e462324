#pragma once
// Helpers of the analysis tests: a scratch folder, whole-file reads, spin
// lists, the request for one analysis.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "analysis/main_report.h"
#include "session/wheel_profile.h"
#include "support/test_files.h"

namespace spinchart::testing {

// A fresh folder under the system's temporary folder, removed with its files.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "spinchart-analysis-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::vector<std::int32_t> makeSpins(const std::vector<std::int32_t>& values) {
    return values;
}

// Where the spins came from, as the report names them, and their statistics.
struct SpinOrigin {
    bool generated = false;
    std::string dataFileName;
    std::int32_t mean = 0;
    std::int32_t stdDev = 0;
};

// The analysis of the most recent `count` of `spins` on the wheel of
// `profile`, into the two files named.
inline AnalysisRequest analysisRequest(const WheelProfile& profile,
                                       std::span<const std::int32_t> spins, std::int32_t count,
                                       const SpinOrigin& origin, const std::string& reportFile,
                                       const std::string& skipFile) {
    AnalysisRequest request;
    request.numberCount = profile.numberCount;
    request.chartTitle = profile.chartTitle;
    request.spins = spins;
    request.analysisCount = count;
    if (!origin.generated) request.dataFileName = origin.dataFileName;
    request.reportFile = reportFile;
    request.skipFile = skipFile;
    request.statistics = {origin.mean, origin.stdDev};
    return request;
}

}  // namespace spinchart::testing
