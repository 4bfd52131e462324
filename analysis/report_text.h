#pragma once
// Bulk text of the reports: lines are formatted into a local block and handed
// to the output file in large pieces, and the system report's rows and the skip
// file's lines are built directly as bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "text/number_text.h"
#include "text/output_file.h"

namespace spinchart {

class ReportBlock {
public:
    explicit ReportBlock(OutputFile& file);
    ReportBlock(const ReportBlock&) = delete;
    ReportBlock& operator=(const ReportBlock&) = delete;

    // Space for at least n bytes (n at most 4096) at the write position.
    char* room(std::size_t n) {
        if (capacity - used_ < n) flush();
        return buffer_.get() + used_;
    }
    // Marks the bytes up to `end` (inside the last room) as written.
    void commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

    void text(std::string_view bytes);
    void printForm(std::int64_t value);
    // The print forms of the values one after another.
    void printList(std::span<const std::int32_t> values);
    void newLine();
    // Hands everything to the file.
    void flush();

    static constexpr std::size_t capacity = 256 * 1024;

private:
    OutputFile& file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

// The longest row formatSystemRow writes.
constexpr std::size_t maxSystemRowBytes = 160;

// One row of the system report with its CR LF: the position in a 6-wide field
// at column 2, the number in a 4-wide field at column 9, the distance in a
// 5-wide field at column 15 with " sp.", the result at column 31 and the
// reverse result at column 39. A wide value that runs past the next column
// ends the line, and the item starts at its column on a new line.
std::size_t formatSystemRow(char* out, std::int32_t position, std::int32_t number,
                            std::int32_t distance);

// One line of the skip file: the print form of the value and CR LF.
inline std::size_t formatSkipLine(char* out, std::int32_t value) {
    std::size_t n = printFormInto(out, value);
    out[n++] = '\r';
    out[n++] = '\n';
    return n;
}

}  // namespace spinchart
