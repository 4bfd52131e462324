#pragma once
// A buffered output file that knows its current column. Lines end in CR LF.
// A failure to create, write or close the file throws PlatformError; a write
// to a closed file throws SessionError.

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_io.h"

namespace spinchart {

class OutputFile {
public:
    OutputFile();
    ~OutputFile();  // closes quietly if still open
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file (code page 437 name), or empties it if it exists.
    void open(std::string_view cp437Name);
    bool isOpen() const { return file_.isOpen(); }
    // True once a write to the file has failed; what is still buffered then
    // must not be written again.
    bool failed() const { return failed_; }

    void write(std::string_view bytes);
    // CR LF; the column returns to 1.
    void newLine();
    // Print form of a whole number.
    void writePrintForm(std::int64_t value);

    // Bulk text written in place: `fill` gets room for up to maxBytes bytes
    // (at most bulkLimit) and returns the end of what it wrote. The column
    // follows from the bytes themselves.
    static constexpr std::size_t bulkLimit = std::size_t{1} << 19;
    template <class Fill>
    void writeInPlace(std::size_t maxBytes, Fill&& fill) {
        assert(maxBytes <= bulkLimit);
        reserve(maxBytes);
        char* const start = buffer_.get() + pos_;
        const char* const end = fill(start);
        assert(end >= start && static_cast<std::size_t>(end - start) <= maxBytes);
        commit(start, end);
    }

    // 1 plus the bytes written since the last line end.
    std::int64_t column() const { return static_cast<std::int64_t>(pos_) - lineStart_ + 1; }

    // Flushes and closes; throws on failure. Safe to call when closed.
    void close();
    // Closes without reporting errors (used when a session is abandoned).
    void abandon();

private:
    void flushBuffer();
    void writeThrough(const char* data, std::size_t size);
    void commit(const char* start, const char* end);
    void reserve(std::size_t n) {
        if (capacity_ - pos_ < n) flushBuffer();
    }

    FileHandle file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_;
    std::size_t pos_ = 0;
    // Offset of the current line's first byte from the buffer start; negative
    // once part of the line has been flushed.
    std::int64_t lineStart_ = 0;
    bool failed_ = false;
};

// Writes blanks (and first a line end when the column is already past c) so
// that the next byte lands in column c.
void padToColumn(OutputFile& file, int c);

}  // namespace spinchart
