#pragma once
// The fairness mode's reading of a spin file, strict where the program's own
// reader is lenient: a line is a spin only when it holds one whole number (or,
// for a table, when its chosen field does); blank lines are skipped and every
// other line is set aside, and all of them counted.
//
// Two layers, each usable alone: the rules for one line (a pure function of
// its bytes), and the reading of a whole file (its encoding, its header, the
// counts), its blocks and lines cut by the session's BlockReader.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory.h"

namespace spinchart {

enum class LineKind : std::uint8_t { spin, outsideWheel, blank, notSpin };

struct LineReading {
    LineKind kind = LineKind::blank;
    std::int32_t value = 0;  // for a spin: 0..highestNumber, 00 as 37
};

// How a line is read. Without a separator the whole line is the one field.
struct SpinLineRules {
    std::int32_t highestNumber = 36;  // 37 where 00 is a number of the wheel
    char separator = '\0';
    std::int32_t field = 0;  // counted from 0
};

// One line, without its line end: blank (nothing but spaces or tabs), a spin
// of the wheel, a whole number outside it (negative, too high, or 00 where
// the wheel has none), or not a spin.
LineReading readSpinLine(std::string_view line, const SpinLineRules& rules);

// The fields of a table's line by the usual CSV quoting: a separator inside
// double quotes does not split, "" is a quote, the quotes are dropped.
std::vector<std::string> splitFields(std::string_view line, char separator);

// The separator of a table: whichever of comma, semicolon and tab comes first
// in the line; '\0' when it holds none.
char tableSeparator(std::string_view line);

// The field --column asks for: by the header's name, or by its number from 1.
struct SpinColumn {
    std::string name;
    std::int32_t number = 0;  // 0: by name
};

// The first line set aside, as a report may quote it.
struct QuotedLine {
    std::int64_t line = 0;  // counted from 1 over every physical line
    std::string text;       // up to 20 characters, any but printable ASCII as '?'
    bool cut = false;       // the line goes on beyond the text
};
inline constexpr std::size_t quotedCharacters = 20;
QuotedLine quoteLine(std::int64_t line, std::string_view bytes,
                     std::size_t characters = quotedCharacters);

// What the reading counted besides the spins, for the renderings.
struct SpinLineCounts {
    std::int64_t blankLines = 0;  // a table's header among them
    std::int64_t notSpins = 0;
    std::optional<QuotedLine> firstNotSpin;
    bool oldestFirst = false;  // the order the file was read in
};

// The spins as read, a byte each, in one large block that grows in place.
class SpinBytes {
public:
    // Room for `count` spins without growing; untouched memory costs nothing.
    void reserve(std::size_t count);
    void push(std::uint8_t value) {
        if (size_ == capacity_) reserve(capacity_ < firstRoom ? firstRoom : 2 * capacity_);
        block_[size_++] = value;
    }
    // Room for `count` more; the spins written from end() on are added().
    void reserveMore(std::size_t count) {
        if (capacity_ - size_ < count) reserve(std::max(size_ + count, 2 * capacity_));
    }
    std::uint8_t* end() { return block_.get() + size_; }
    void added(std::size_t count) { size_ += count; }
    std::span<const std::uint8_t> values() const { return {block_.get(), size_}; }
    std::span<std::uint8_t> values() { return {block_.get(), size_}; }
    bool empty() const { return size_ == 0; }

private:
    static constexpr std::size_t firstRoom = std::size_t{1} << 20;
    LargeArray<std::uint8_t> block_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

struct SpinFileReading {
    SpinBytes spins;  // the newest spin first
    std::int64_t outsideWheel = 0;
    SpinLineCounts lines;
};

struct SpinFileRules {
    std::int32_t highestNumber = 36;
    std::optional<SpinColumn> column;
    bool oldestFirst = false;
};

// Reads up to `size` bytes; 0 at the end.
using SpinByteSource = std::function<std::size_t(char* data, std::size_t size)>;

// Reads a whole file: a UTF-8 byte order mark is skipped, a UTF-16 one reads
// the rest as UTF-16 in its byte order; a Ctrl-Z ends the data. Throws
// SessionError, naming the file as `fileName`, when the file does not look
// like text (a zip archive, a NUL byte in its first 4 KiB), when no line is a
// spin, or when the table lacks the column asked for.
// `length` is the file's size where it has one (0 otherwise), so that the
// spins are read straight into their final place.
SpinFileReading readSpinFile(const SpinByteSource& source, const SpinFileRules& rules,
                             std::string_view fileName, std::uint64_t length = 0);

}  // namespace spinchart
