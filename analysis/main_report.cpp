// Placeholder analysis; replaced by the report writers.
#include "analysis/main_report.h"

namespace spinchart {

void runAnalysis(const AnalysisRequest&) {}

}  // namespace spinchart
