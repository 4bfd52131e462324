#include "analysis/skip_file.h"

#include "analysis/report_text.h"
#include "analysis/skip_statistics.h"

namespace spinchart {

void writeSkipFile(OutputFile& file, std::span<const std::int32_t> distances) {
    writePrintForms(file, countAscending(distances), true);
}

}  // namespace spinchart
