#pragma once
// The skip file: the distance of every analysed spin but the oldest five to
// the previous occurrence of its number, one value per line in print form,
// ascending.

#include "analysis/skip_statistics.h"
#include "text/output_file.h"

namespace spinchart {

// Writes the distances, counted in ascending order, to the open skip file.
void writeSkipFile(OutputFile& file, const AscendingCounts& distances);

}  // namespace spinchart
