#pragma once
// A buffered output file that knows its current column. Lines end in CR LF.
// A failure to create, write or close the file throws PlatformError; a write
// to a closed file throws SessionError.

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

    // Bulk text is written in place: room(n) gives space for up to n bytes
    // (n at most roomLimit); then commitText(end) takes the bytes up to `end`
    // when they hold no line end, commitLines(end) when they end with one.
    static constexpr std::size_t roomLimit = std::size_t{1} << 19;
    char* room(std::size_t n) {
        reserve(n);
        return buffer_.get() + pos_;
    }
    void commitText(const char* end) { pos_ = static_cast<std::size_t>(end - buffer_.get()); }
    void commitLines(const char* end) {
        commitText(end);
        lineStart_ = static_cast<std::int64_t>(pos_);
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
