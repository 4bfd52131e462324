#pragma once
// The bulk text of the reports, written in place in the output file's
// buffer: runs of print forms and the system report's rows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "text/output_file.h"

namespace spinchart {

// The print forms of the values one after another.
void writePrintForms(OutputFile& file, std::span<const std::int32_t> values);

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

inline constexpr std::array<SystemColumn, 5> systemColumns{{
    {3, "Spin", 3, " # ", 2, 6, ""},
    {10, "Number", 10, "Drawn", 9, 4, ""},
    {19, "Hit ", 18, "After", 15, 5, " sp."},
    {30, "Result", 30, " +/-", 31, 2, ""},
    {38, "Reverse:", 38, "Play-Last-5-Spins", 39, 2, ""},
}};

// The rows of the system report for positions firstPosition, firstPosition
// + 1, ... in turn, each with its CR LF. An item too wide for its field runs
// on; one that reaches the next item's column ends the line, and that item
// starts at its column on a new line.
class SystemRows {
public:
    explicit SystemRows(std::int32_t firstPosition = 1);

    // The longest row next() writes.
    static constexpr std::size_t maxRowBytes = 160;

    // Writes the row of the next position, with the number drawn there and
    // its distance to the number's previous occurrence.
    char* next(char* out, std::int32_t number, std::int32_t distance);

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
    // The row of the current position with blank number and distance fields,
    // for every row until the position gains a digit.
    void layOut();
    void countPosition();

    std::int64_t position_;  // counting on past the last row never overflows
    std::array<char, maxRowBytes> row_{};
    std::size_t rowBytes_ = 0;
    std::size_t positionDigits_ = 0;
    Layout layout_;
};

}  // namespace spinchart
