#pragma once
// The main report (frequency and skip chart, then the system report) and the
// skip file, written for one session.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "session/spin_list.h"
#include "session/wheel_profile.h"
#include "text/output_file.h"

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
// file. Throws SessionError on any failure; what was written before it stays
// in the files.
void runAnalysis(const AnalysisRequest& request);

// Where the spins came from, as the report headers name it.
struct SpinSource {
    bool generated = false;
    std::string_view dataFileName;  // code page 437, written byte for byte
};

// The system plays all numbers except those of this many last spins.
constexpr std::int32_t excludedLastSpins = 5;

// Writes the header and the frequency and skip chart of positions
// 1..analysisCount, and leaves the report open after its three empty lines.
// A negative count throws SessionError once the header is written.
void writeFrequencySkipChart(OutputFile& report, const WheelProfile& profile, const SpinList& spins,
                             std::int32_t analysisCount, const SpinSource& source);

// Appends the system report to the main report, one row per analysed spin but
// the oldest five, hands every row's distance to the skip file as its first
// pass, and closes the report, then the skip file.
void writeSystemReport(OutputFile& report, OutputFile& skipFile, const SpinList& spins,
                       std::int32_t analysisCount, const SpinSource& source, std::int32_t spinMean,
                       std::int32_t spinStdDev);
// The same with the rows' distances (nextOccurrenceDistances of positions 1 to
// analysisCount - 5) computed beforehand.
void writeSystemReport(OutputFile& report, OutputFile& skipFile, const SpinList& spins,
                       std::int32_t analysisCount, const SpinSource& source, std::int32_t spinMean,
                       std::int32_t spinStdDev, std::span<const std::int32_t> rowDistances);

// The number of rows of the system report for a count of analysed spins.
constexpr std::int32_t systemReportRows(std::int32_t analysisCount) {
    return analysisCount > excludedLastSpins ? analysisCount - excludedLastSpins : 0;
}

}  // namespace spinchart
