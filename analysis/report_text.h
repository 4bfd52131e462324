#pragma once
// Bulk text of the reports: lines are formatted into a local block and handed
// to the output file in large pieces (written on a helper thread while the next
// block is formatted), and the system report's rows and the skip file's lines
// are built directly as bytes, small numbers from prepared text.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>

#include "text/number_text.h"
#include "text/output_file.h"

namespace spinchart {

// Prepared text of the numbers 0 to 9999: the print form (blank, digits,
// blank) padded to 8 bytes with its length, the digits right-aligned in 4,
// and the four digits with leading zeros.
struct SmallNumberText {
    static constexpr std::int32_t limit = 10000;
    char printForm[limit][8];
    std::uint8_t printFormLength[limit];
    char field4[limit][4];
    char zeroPadded4[limit][4];

    static const SmallNumberText& get();
};

// Writes blocks to one file on a thread of its own, in order, so that
// formatting the next blocks and the file system's copying of the last ones
// overlap.
class BlockWriter {
public:
    explicit BlockWriter(OutputFile& file);
    ~BlockWriter();  // waits for the blocks in hand; a failure is dropped
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // At most this many blocks are waiting or being written.
    static constexpr std::size_t depth = 3;

    // Queues a block, first waiting while `depth` blocks are in hand; the
    // bytes must stay untouched until `depth` more posts, or waitIdle(),
    // have returned. Rethrows the failure of an earlier block.
    void post(const char* data, std::size_t size);
    // Waits until every block is written; rethrows a failure.
    void waitIdle();

private:
    void run();

    OutputFile& file_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::string_view> pending_;  // the front one is being written
    bool stop_ = false;
    bool failed_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

class ReportBlock {
public:
    // With `background` false every full block is written on this thread.
    explicit ReportBlock(OutputFile& file, bool background = true);
    ~ReportBlock();
    ReportBlock(const ReportBlock&) = delete;
    ReportBlock& operator=(const ReportBlock&) = delete;

    // Space for at least n bytes (n at most capacity / 2) at the write position.
    char* room(std::size_t n) {
        if (capacity - used_ < n) handOver();
        return current_ + used_;
    }
    // Marks the bytes up to `end` (inside the last room) as written.
    void commit(char* end) { used_ = static_cast<std::size_t>(end - current_); }

    void text(std::string_view bytes);
    void printForm(std::int64_t value);
    // The print forms of the values one after another.
    void printList(std::span<const std::int32_t> values);
    // The print form of the value `count` times over.
    void printRepeated(std::int32_t value, std::uint32_t count);
    void newLine();
    // Hands everything to the file and waits until it is there; the file may
    // be used directly again afterwards.
    void flush();

    // Larger than the file's own buffer, so that full blocks go straight
    // through without another copy.
    static constexpr std::size_t capacity = 2 * 1024 * 1024;

private:
    // A full block goes to the writer thread (started with the first one)
    // while the next is filled in the other buffer.
    void handOver();

    static constexpr std::size_t bufferCount = BlockWriter::depth + 1;

    OutputFile& file_;
    std::unique_ptr<char[]> buffers_[bufferCount];
    std::size_t nextBuffer_ = 0;
    char* current_;
    std::size_t used_ = 0;
    bool writeHere_ = false;
    std::unique_ptr<BlockWriter> writer_;  // destroyed first: it may still read a buffer
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

// The rows of positions 1, 2, 3, ... in turn, the same bytes as
// formatSystemRow, from prepared text.
class SystemRowSequence {
public:
    explicit SystemRowSequence(std::int32_t firstPosition = 1);
    // Writes the row of the next position (at most maxSystemRowBytes).
    char* next(char* out, std::int32_t number, std::int32_t distance) {
        ++position_;
        const auto limit = static_cast<std::uint32_t>(SmallNumberText::limit);
        if (position_ >= 10000000 || static_cast<std::uint32_t>(number) >= limit ||
            static_cast<std::uint32_t>(distance) >= limit) {
            return out + formatSystemRow(out, position_, number, distance);
        }
        std::memcpy(out, distance >= 6 ? winRow : lossRow, rowBytes);
        const auto position = static_cast<std::uint32_t>(position_);
        if (position < limit) {
            std::memcpy(out + 3, text_.field4[position], 4);
        } else {
            const std::uint32_t high = position / limit;
            const std::uint32_t low = position % limit;
            if (high < 100) {
                std::memcpy(out + 1, text_.field4[high] + 2, 2);
                std::memcpy(out + 3, text_.zeroPadded4[low], 4);
            } else {
                // A seven-digit position fills columns 2 to 8.
                std::memcpy(out + 1, text_.field4[high] + 1, 3);
                std::memcpy(out + 4, text_.zeroPadded4[low], 4);
            }
        }
        std::memcpy(out + 8, text_.field4[number], 4);
        std::memcpy(out + 15, text_.field4[distance], 4);
        return out + rowBytes;
    }

    // Column 1 blank, position (2-7), blank, number (9-12), two blanks,
    // distance (15-19), " sp.", seven blanks, result (31-32), six blanks,
    // reverse (39-40).
    static constexpr char winRow[] =
        " "
        "      "
        " "
        "    "
        "  "
        "     "
        " sp."
        "       "
        " +"
        "      "
        " -"
        "\r\n";
    static constexpr char lossRow[] =
        " "
        "      "
        " "
        "    "
        "  "
        "     "
        " sp."
        "       "
        " -"
        "      "
        " +"
        "\r\n";
    static constexpr std::size_t rowBytes = sizeof winRow - 1;
    static_assert(rowBytes == 42 && sizeof lossRow - 1 == 42);

private:
    const SmallNumberText& text_;
    std::int32_t position_ = 0;
};

// One line of the skip file: the print form of the value and CR LF (at most
// 24 bytes; write room for 24).
inline std::size_t formatSkipLine(char* out, std::int32_t value, const SmallNumberText& text) {
    if (static_cast<std::uint32_t>(value) < static_cast<std::uint32_t>(SmallNumberText::limit)) {
        const auto v = static_cast<std::size_t>(value);
        std::memcpy(out, text.printForm[v], 8);
        const std::size_t n = text.printFormLength[v];
        out[n] = '\r';
        out[n + 1] = '\n';
        return n + 2;
    }
    std::size_t n = printFormInto(out, value);
    out[n++] = '\r';
    out[n++] = '\n';
    return n;
}

}  // namespace spinchart
