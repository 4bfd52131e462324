#pragma once
// The bulk text of the reports, written in place in the output file's
// buffer: runs of print forms and the system report's rows.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "analysis/main_report.h"
#include "analysis/skip_statistics.h"
#include "analysis/system_rule.h"
#include "text/number_text.h"
#include "text/output_file.h"

namespace spinchart {

// Prepared text of the numbers below 1000, the usual skips, distances and
// spins: each print form padded to 8 bytes with its length, the digits
// right-aligned in 4 bytes, and the last two digits. With the writer thread
// the print forms still take 5 ns a spin instead of 22 (perf, ten million).
struct SmallNumbers {
    static constexpr std::int32_t limit = 1000;
    char printForm[limit][8];
    std::uint8_t printFormLength[limit];
    char field[limit][4];
    char lastTwoDigits[100][2];

    static bool hold(std::int32_t value) {
        return static_cast<std::uint32_t>(value) < static_cast<std::uint32_t>(limit);
    }
    static const SmallNumbers& get();
};

// The print forms of the values one after another, or each on a line of its
// own; of a counted list, in ascending order.
void writePrintForms(OutputFile& file, std::span<const std::int32_t> values,
                     bool linePerValue = false);
void writePrintForms(OutputFile& file, const AscendingCounts& ascending, bool linePerValue = false);

// Where the indented lines of the report start their text.
constexpr int indentColumn = 23;

// Text that starts at its column (on a new line when the line is past it).
void writeAt(OutputFile& file, int column, std::string_view text);

// The two header lines that name where the spins came from and how many were
// analysed.
void writeSpinSourceLines(OutputFile& file, const AnalysisRequest& request);

// One column of the system report: its two title lines' items, and where
// each row's item starts, in a field of `width` followed by `suffix`.
struct SystemColumn {
    int titleColumn;
    std::string_view title;
    int subtitleColumn;
    std::string_view subtitle;
    int rowColumn;
    int width;
    std::string_view suffix;
};

enum SystemColumnIndex {
    positionColumn,
    numberColumn,
    distanceColumn,
    resultColumn,
    reverseColumn
};

// "Play-Last-5-Spins", with the count of spins the system leaves out.
inline constexpr auto playLastSpins = [] {
    static_assert(excludedLastSpins >= 0 && excludedLastSpins <= 9);
    std::array<char, 17> text{};
    std::string_view("Play-Last-?-Spins").copy(text.data(), text.size());
    text[10] = static_cast<char>('0' + excludedLastSpins);
    return text;
}();

// The marks of the result columns stand right-aligned in their width.
inline constexpr std::array<SystemColumn, 5> systemColumns{{
    {3, "Spin", 3, " # ", 2, 6, ""},
    {10, "Number", 10, "Drawn", 9, 4, ""},
    {19, "Hit ", 18, "After", 15, 5, " sp."},
    {30, "Result", 30, " +/-", 31, 2, ""},
    {38, "Reverse:", 38, {playLastSpins.data(), playLastSpins.size()}, 39, 2, ""},
}};

// The rows of the system report for positions firstPosition, firstPosition
// + 1, ... in turn, each with its CR LF. An item too wide for its field runs
// on; one that reaches the next item's column ends the line, and that item
// starts at its column on a new line.
class SystemRows {
public:
    explicit SystemRows(std::int32_t firstPosition = 1);

    // The longest row next() writes: at worst each item on a line of its own,
    // at its column and as wide as any number.
    static constexpr std::size_t maxRowBytes = [] {
        std::size_t bytes = 2;
        for (const SystemColumn& c : systemColumns) {
            bytes += 2 + static_cast<std::size_t>(c.rowColumn - 1) +
                     std::max(static_cast<std::size_t>(c.width), wholeNumberBytes) +
                     c.suffix.size();
        }
        return bytes;
    }();

    // Writes the row of the next position, with the number drawn there and
    // its distance to the number's previous occurrence. Inline: one call a
    // spin costs a fifth of the rows' time (make bench).
    char* next(char* out, std::int32_t number, std::int32_t distance) {
        if (position_ < 100 || !SmallNumbers::hold(number) || !SmallNumbers::hold(distance))
            return wideRow(out, number, distance);
        static_assert(systemColumns[numberColumn].width >= 4 &&
                      systemColumns[distanceColumn].width >= 4);
        // A whole block where the row fits one, the next row overwriting its
        // tail: no call a row, 60 -> 51 instructions a row (callgrind).
        static_assert(maxRowBytes >= rowBlock);
        if (rowBytes_ <= rowBlock) {
            std::memcpy(out, row_.data(), rowBlock);
        } else {
            std::memcpy(out, row_.data(), rowBytes_);
        }
        std::memcpy(out + layout_.positionEnd - 2, small_.lastTwoDigits[lastTwo_], 2);
        std::memcpy(out + layout_.numberEnd - 4, small_.field[number], 4);
        std::memcpy(out + layout_.distanceEnd - 4, small_.field[distance], 4);
        const bool win = systemWins(distance);
        out[layout_.result] = win ? '+' : '-';
        out[layout_.reverse] = win ? '-' : '+';
        char* const end = out + rowBytes_;
        countPosition();  // may lay out a longer row for the next position
        return end;
    }

private:
    // Where the items of a row landed: the ends of the three fields, and the
    // places of the two results.
    struct Layout {
        std::size_t positionEnd = 0;
        std::size_t numberEnd = 0;
        std::size_t distanceEnd = 0;
        std::size_t result = 0;
        std::size_t reverse = 0;
    };

    // Any row, item by item.
    static char* writeRow(char* out, std::int64_t position, std::int32_t number,
                          std::int32_t distance, Layout& layout);
    char* wideRow(char* out, std::int32_t number, std::int32_t distance);
    // The row of the current hundred of positions with blank number and
    // distance fields; each row puts in its last two digits. The prepared
    // row changes once a hundred rows, so copying it never waits for a
    // change just made: 5 ns a row instead of 28 item by item (perf, ten
    // million spins, with the writer thread).
    void layOut();
    void countPosition() {
        ++position_;
        if (++lastTwo_ == 100) {
            lastTwo_ = 0;
            layOut();
        }
    }

    static constexpr std::size_t rowBlock = 64;
    const SmallNumbers& small_ = SmallNumbers::get();
    std::int64_t position_;  // counting on past the last row never overflows
    std::array<char, maxRowBytes> row_{};
    std::size_t rowBytes_ = 0;
    int lastTwo_ = 0;  // the position's last two digits
    Layout layout_;
};

}  // namespace spinchart
