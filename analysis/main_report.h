#pragma once
// The analysis of one session: the main report (frequency and skip chart,
// then the system report) and the skip file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/skip_statistics.h"
#include "text/output_file.h"

namespace spinchart {

// The average and the population standard deviation of all the spins.
struct SpinStatistics {
    std::int32_t spinMean = 0;
    std::int32_t spinStdDev = 0;
};

struct AnalysisRequest {
    std::int32_t numberCount = 0;         // of the wheel: numbers 0..numberCount - 1
    std::string_view chartTitle;          // the wheel's line in the chart's header
    std::span<const std::int32_t> spins;  // all spins, the most recent first
    std::int32_t analysisCount = 0;       // the most recent spins analysed
    // The spin file, code page 437, as the dialogue holds it; none for
    // generated spins ("Random Spins " instead of the file name).
    std::optional<std::string> dataFileName;
    std::string reportFile;  // code page 437 names
    std::string skipFile;
    SpinStatistics statistics;
};

// Creates the main report and the skip file, then writes the report and the
// skip file in turn. Throws SessionError on any failure (a negative count
// once the report's header is written, a count beyond the spins at once);
// what was written before it stays in the files.
void runAnalysis(const AnalysisRequest& request);

// The parts of the analysis, in the order runAnalysis writes them.

// The header and the frequency and skip chart of positions 1..analysisCount;
// the report stays open after its three empty lines.
void writeFrequencySkipChart(OutputFile& report, const AnalysisRequest& request);

// Appends the system report, one row per analysed spin but the oldest five
// with its distance (`rowDistances`); returns the distances counted in
// ascending order, for the skip file.
AscendingCounts writeSystemReport(OutputFile& report, const AnalysisRequest& request,
                                  std::span<const std::int32_t> rowDistances);

}  // namespace spinchart
