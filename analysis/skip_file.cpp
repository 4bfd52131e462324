#include "analysis/skip_file.h"

#include "analysis/report_text.h"
#include "analysis/skip_statistics.h"

namespace spinchart {

void writeSkipFile(OutputFile& file, std::span<std::int32_t> distances) {
    sortAscending(distances);
    writePrintForms(file, distances, true);
}

}  // namespace spinchart
