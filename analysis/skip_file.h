#pragma once
// The skip file: the distance of every analysed spin but the oldest five to
// the previous occurrence of its number, one value per line in print form,
// ascending.

#include <cstdint>
#include <span>

#include "text/output_file.h"

namespace spinchart {

// Writes the distances in ascending order to the open skip file.
void writeSkipFile(OutputFile& file, std::span<const std::int32_t> distances);

}  // namespace spinchart
