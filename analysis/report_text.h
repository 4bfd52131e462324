#pragma once
// The bulk text of the reports, built directly as bytes in the output file's
// buffer: runs of print forms, the skip file's lines and the system report's
// rows, small numbers from prepared text.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

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

    static bool holds(std::int32_t value) {
        return static_cast<std::uint32_t>(value) < static_cast<std::uint32_t>(limit);
    }
};

// The print forms of the values one after another.
void writePrintForms(OutputFile& file, std::span<const std::int32_t> values);

// The longest line formatSkipLine writes.
constexpr std::size_t maxSkipLineBytes = 24;

// One line of the skip file: the print form of the value and CR LF.
inline char* formatSkipLine(char* out, std::int32_t value, const SmallNumberText& text) {
    if (SmallNumberText::holds(value)) {
        const auto v = static_cast<std::size_t>(value);
        std::memcpy(out, text.printForm[v], 8);
        out += text.printFormLength[v];
    } else {
        out += printFormInto(out, value);
    }
    out[0] = '\r';
    out[1] = '\n';
    return out + 2;
}

// The rows of the system report for positions firstPosition, firstPosition +
// 1, ... in turn, each with its CR LF: the position in a 6-wide field at
// column 2, the number in a 4-wide field at column 9, the distance in a 5-wide
// field at column 15 with " sp.", the result at column 31 and the reverse
// result at column 39. A wide value that runs past the next column ends the
// line, and the item starts at its column on a new line.
class SystemRowSequence {
public:
    explicit SystemRowSequence(std::int32_t firstPosition = 1);

    // The longest row next() writes.
    static constexpr std::size_t maxRowBytes = 160;

    // Writes the row of the next position.
    char* next(char* out, std::int32_t number, std::int32_t distance) {
        ++position_;
        if (position_ >= 100000000 || !SmallNumberText::holds(number) ||
            !SmallNumberText::holds(distance)) {
            return wideRow(out, number, distance);
        }
        const auto position = static_cast<std::uint32_t>(position_);
        constexpr auto limit = static_cast<std::uint32_t>(SmallNumberText::limit);
        if (position >= 10000000) {
            // An eight-digit position runs into the number's column: it
            // stands alone on its line, and the row follows on the next.
            out[0] = ' ';
            std::memcpy(out + 1, text_.field4[position / limit], 4);
            std::memcpy(out + 5, text_.zeroPadded4[position % limit], 4);
            out[9] = '\r';
            out[10] = '\n';
            return rowWithout(out + 11, number, distance);
        }
        char* const end = rowWithout(out, number, distance);
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
        return end;
    }

private:
    // Column 1 blank, position (2-7), blank, number (9-12), two blanks,
    // distance (15-19), " sp.", seven blanks, result (31-32), six blanks,
    // reverse (39-40).
    static constexpr char winRow[] = "                    sp.        +       -\r\n";
    static constexpr char lossRow[] = "                    sp.        -       +\r\n";
    static constexpr std::size_t rowBytes = sizeof winRow - 1;
    static_assert(rowBytes == 42 && sizeof lossRow - 1 == 42);

    // The row with blanks where the position goes.
    char* rowWithout(char* out, std::int32_t number, std::int32_t distance) const {
        std::memcpy(out, distance >= 6 ? winRow : lossRow, rowBytes);
        std::memcpy(out + 8, text_.field4[number], 4);
        std::memcpy(out + 15, text_.field4[distance], 4);
        return out + rowBytes;
    }

    // Any row, every item placed by column.
    char* wideRow(char* out, std::int32_t number, std::int32_t distance) const;

    const SmallNumberText& text_;
    std::int32_t position_ = 0;
};

}  // namespace spinchart
