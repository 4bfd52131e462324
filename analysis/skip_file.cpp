#include "analysis/skip_file.h"

#include "analysis/report_text.h"

namespace spinchart {

void writeSkipFile(OutputFile& file, const AscendingCounts& distances) {
    writePrintForms(file, distances, true);
}

}  // namespace spinchart
