#include "analysis/skip_file.h"

#include <algorithm>
#include <vector>

#include "text/number_text.h"

namespace spinchart {
namespace {

// Values below this are counted; the rare larger ones are sorted.
constexpr std::int32_t countedValues = 1 << 16;

// `count` lines of the value's print form, copied as blocks of lines.
void writeLines(OutputFile& file, std::int32_t value, std::uint64_t count) {
    char line[26];
    std::size_t length = printFormInto(line, value);
    line[length++] = '\r';
    line[length++] = '\n';
    std::vector<char> block;
    for (std::uint64_t k = 0; k < std::min<std::uint64_t>(count, 4096); ++k)
        block.insert(block.end(), line, line + length);
    for (std::uint64_t left = count * length; left > 0;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
        file.write({block.data(), n});
        left -= n;
    }
}

}  // namespace

void writeSkipFile(OutputFile& file, std::span<const std::int32_t> distances) {
    // Distances are at least 1: the counted values come first, then the
    // large ones in order.
    std::vector<std::uint64_t> counts(countedValues);
    std::vector<std::int32_t> large;
    for (const std::int32_t d : distances) {
        if (static_cast<std::uint32_t>(d) < static_cast<std::uint32_t>(countedValues)) {
            ++counts[static_cast<std::size_t>(d)];
        } else {
            large.push_back(d);
        }
    }
    for (std::int32_t v = 0; v < countedValues; ++v) {
        if (counts[static_cast<std::size_t>(v)] > 0)
            writeLines(file, v, counts[static_cast<std::size_t>(v)]);
    }
    std::sort(large.begin(), large.end());
    for (const std::int32_t v : large)
        writeLines(file, v, 1);
}

}  // namespace spinchart
