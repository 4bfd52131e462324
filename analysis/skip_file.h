#pragma once
// The skip file: the distance of every analysed spin but the oldest five to
// the previous occurrence of its number, one value per line in print form,
// ascending. Its first pass is written unsorted in row order by the system
// report; finishing reads it back, sorts it and rewrites it.

#include <cstdint>
#include <string_view>

namespace spinchart {

// Reads `valueCount` values back from the closed skip file (code page 437
// name) as numeric input (blanks, commas and line ends before a number are
// skipped; the number ends at the next blank, comma or line end), sorts them
// and writes them again. Throws when the file cannot be read, holds fewer
// values or cannot be rewritten; until the rewrite starts the file keeps its
// first pass.
void finishSkipFile(std::string_view cp437Name, std::int32_t valueCount);

}  // namespace spinchart
