#pragma once
// A buffered output file that knows its current column. Lines end in CR LF.
// A failure to create, write or close the file throws PlatformError; a write
// to a closed file throws SessionError.
//
// Once a file outgrows its first buffer, a writer thread of its own hands the
// full buffers to the system while the caller fills the next one: a ring of a
// few large buffers, nothing copied. A failed write reaches the caller at a
// later hand-over or at close(); nothing after it is written.

#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_io.h"

namespace spinchart {

class OutputFile {
public:
    OutputFile();
    ~OutputFile();  // writes what it handed over, drops the rest, closes quietly
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file (code page 437 name), or empties it if it exists.
    void open(std::string_view cp437Name);
    bool isOpen() const { return file_.isOpen(); }
    // True once a write to the file has been seen to fail; what is still
    // buffered then must not be written again.
    bool failed() const { return failed_; }

    void write(std::string_view bytes);
    // CR LF; the column returns to 1.
    void newLine();
    // Print form of a whole number.
    void writePrintForm(std::int64_t value);

    // Bulk text written in place: `fill` gets room for maxBytes bytes (at
    // most bulkLimit; a larger request ends the program before the fill runs)
    // and returns the end of what it wrote, which must lie within that room.
    // The column follows from the bytes.
    static constexpr std::size_t bulkLimit = std::size_t{1} << 19;
    template <class Fill>
    void writeInPlace(std::size_t maxBytes, Fill&& fill) {
        if (maxBytes > bulkLimit) std::terminate();
        reserve(maxBytes);
        const std::span<char> room(buffer_ + pos_, maxBytes);
        const char* const end = fill(room);
        if (static_cast<std::size_t>(end - room.data()) > maxBytes) std::terminate();
        commit(room.data(), end);
    }

    // 1 plus the bytes written since the last line end.
    std::int64_t column() const { return static_cast<std::int64_t>(pos_) - lineStart_ + 1; }

    // Flushes and closes; throws on failure. Safe to call when closed.
    void close();
    // Closes without reporting errors (used when a session is abandoned).
    void abandon();

private:
    static constexpr std::size_t bufferSize = std::size_t{1} << 20;
    struct Writer;

    // The full buffer goes to the writer thread; a free one comes back.
    void handOver();
    // Stops the writer thread once it has written what it holds; returns its
    // failure, if any.
    std::exception_ptr stopWriter();
    void commit(const char* start, const char* end);
    void reserve(std::size_t n) {
        if (limit_ - pos_ < n) handOver();
    }

    FileHandle file_;
    std::unique_ptr<char[]> firstBuffer_;
    std::unique_ptr<Writer> writer_;  // from the first hand-over to close
    char* buffer_;                    // the buffer being filled
    std::size_t pos_ = 0;
    // The end of the room: the buffer's size while the file is open, 0 while
    // it is closed, so that every write reaches handOver, which refuses it.
    std::size_t limit_ = 0;
    // Offset of the current line's first byte from the buffer start; negative
    // once part of the line has been handed over.
    std::int64_t lineStart_ = 0;
    bool failed_ = false;
};

// Blanks, and first a line end when `column` is already past c, so that the
// next byte lands in column c: written at `out` (room for c + 1 bytes), which
// is in column `column`; returns the end.
char* padToColumn(char* out, std::int64_t column, int c);
void padToColumn(OutputFile& file, int c);

}  // namespace spinchart
