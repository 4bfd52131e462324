#include "analysis/report_text.h"

#include <cstring>

namespace spinchart {
namespace {

// Digits of a non-negative value written right to left, ending before `end`.
char* putDigitsBefore(char* end, std::uint32_t value) {
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}

// Column 1 blank, position (2-7), blank, number (9-12), two blanks, distance
// (15-19), " sp.", seven blanks, result (31-32), six blanks, reverse (39-40).
constexpr char winRow[] =
    " " "      " " " "    " "  " "     " " sp." "       " " +" "      " " -" "\r\n";
constexpr char lossRow[] =
    " " "      " " " "    " "  " "     " " sp." "       " " -" "      " " +" "\r\n";
constexpr std::size_t rowBytes = sizeof winRow - 1;
static_assert(rowBytes == 42 && sizeof lossRow - 1 == 42);

// The general row: every item placed by column, with a line end when the line
// has already passed the item's column.
std::size_t formatWideRow(char* out, std::int32_t position, std::int32_t number,
                          std::int32_t distance, bool win) {
    char* p = out;
    char* lineStart = out;
    auto padTo = [&](std::ptrdiff_t column) {
        if (p - lineStart + 1 > column) {
            *p++ = '\r';
            *p++ = '\n';
            lineStart = p;
        }
        while (p - lineStart + 1 < column) *p++ = ' ';
    };
    *p++ = ' ';
    p += formatFieldInto(p, position, 6);
    padTo(9);
    p += formatFieldInto(p, number, 4);
    padTo(15);
    p += formatFieldInto(p, distance, 5);
    std::memcpy(p, " sp.", 4);
    p += 4;
    padTo(31);
    std::memcpy(p, win ? " +" : " -", 2);
    p += 2;
    padTo(39);
    std::memcpy(p, win ? " -" : " +", 2);
    p += 2;
    *p++ = '\r';
    *p++ = '\n';
    return static_cast<std::size_t>(p - out);
}

}  // namespace

ReportBlock::ReportBlock(OutputFile& file) : file_(file), buffer_(new char[capacity]) {}

void ReportBlock::text(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t n = bytes.size() < 4096 ? bytes.size() : 4096;
        char* p = room(n);
        std::memcpy(p, bytes.data(), n);
        commit(p + n);
        bytes.remove_prefix(n);
    }
}

void ReportBlock::printForm(std::int64_t value) {
    char* p = room(24);
    commit(p + printFormInto(p, value));
}

void ReportBlock::printList(std::span<const std::int32_t> values) {
    for (const std::int32_t v : values) {
        char* p = room(16);
        if (v >= 0) {
            // Blank, digits, blank.
            char digits[12];
            char* start = putDigitsBefore(digits + sizeof digits, static_cast<std::uint32_t>(v));
            const auto length = static_cast<std::size_t>(digits + sizeof digits - start);
            *p = ' ';
            std::memcpy(p + 1, start, length);
            p[length + 1] = ' ';
            commit(p + length + 2);
        } else {
            commit(p + printFormInto(p, v));
        }
    }
}

void ReportBlock::newLine() {
    char* p = room(2);
    p[0] = '\r';
    p[1] = '\n';
    commit(p + 2);
}

void ReportBlock::flush() {
    if (used_ == 0) return;
    const std::size_t n = used_;
    used_ = 0;
    file_.write(std::string_view(buffer_.get(), n));
}

std::size_t formatSystemRow(char* out, std::int32_t position, std::int32_t number,
                            std::int32_t distance) {
    const bool win = distance >= 6;  // five or more spins in between
    if (position >= 0 && position < 10000000 && number >= -999 && number <= 9999 &&
        distance >= 0 && distance < 100000) {
        std::memcpy(out, win ? winRow : lossRow, rowBytes);
        // A seven-digit position fills columns 2 to 8.
        putDigitsBefore(out + (position < 1000000 ? 7 : 8), static_cast<std::uint32_t>(position));
        if (number >= 0) {
            putDigitsBefore(out + 12, static_cast<std::uint32_t>(number));
        } else {
            char* start = putDigitsBefore(out + 12, static_cast<std::uint32_t>(-number));
            start[-1] = '-';
        }
        putDigitsBefore(out + 19, static_cast<std::uint32_t>(distance));
        return rowBytes;
    }
    return formatWideRow(out, position, number, distance, win);
}

}  // namespace spinchart
