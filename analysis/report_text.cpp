#include "analysis/report_text.h"

#include <algorithm>
#include <cstring>

#include "analysis/main_report.h"
#include "text/number_text.h"

namespace spinchart {
namespace {

std::uint64_t magnitudeOf(std::int64_t value) {
    return value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
}

// Writes the decimal text of the value (a minus sign, then the digits) so that
// it ends just before `end`; returns where it starts.
char* putDecimalBefore(char* end, std::int64_t value) {
    char* start = putDigitsBefore(end, magnitudeOf(value));
    if (value < 0) *--start = '-';
    return start;
}

// Writes a line item by item, each at its column.
struct LineWriter {
    char* const start;
    char* p = start;
    char* lineStart = start;

    std::ptrdiff_t column() const { return p - lineStart + 1; }
    std::size_t offset() const { return static_cast<std::size_t>(p - start); }
    void put(std::string_view text) {
        std::memcpy(p, text.data(), text.size());
        p += text.size();
    }
    void endLine() {
        put("\r\n");
        lineStart = p;
    }
    // The next byte lands in column c; a line already past it ends first.
    void padTo(int c) {
        if (column() > c) endLine();
        while (column() < c)
            *p++ = ' ';
    }
    // The value right-aligned in a field of `width`, or in full when wider.
    void putField(std::int64_t value, int width) {
        char text[24];
        char* const end = text + sizeof text;
        const char* const first = putDecimalBefore(end, value);
        for (auto k = end - first; k < width; ++k)
            *p++ = ' ';
        put({first, static_cast<std::size_t>(end - first)});
    }
};

}  // namespace

const SmallNumbers& SmallNumbers::get() {
    static const SmallNumbers table = [] {
        SmallNumbers t{};
        for (std::int32_t v = 0; v < limit; ++v) {
            std::memset(t.printForm[v], ' ', 8);
            t.printFormLength[v] = static_cast<std::uint8_t>(printFormInto(t.printForm[v], v));
            std::memset(t.field[v], ' ', 4);
            putDigitsBefore(t.field[v] + 4, static_cast<std::uint32_t>(v));
        }
        for (int v = 0; v < 100; ++v) {
            t.lastTwoDigits[v][0] = static_cast<char>('0' + v / 10);
            t.lastTwoDigits[v][1] = static_cast<char>('0' + v % 10);
        }
        return t;
    }();
    return table;
}

void writePrintForms(OutputFile& file, std::span<const std::int32_t> values) {
    constexpr std::size_t widest = 24;
    constexpr std::size_t batch = OutputFile::bulkLimit / widest;
    for (std::size_t first = 0; first < values.size(); first += batch) {
        const auto part = values.subspan(first, std::min(batch, values.size() - first));
        file.writeInPlace(part.size() * widest, [part](char* p) {
            const SmallNumbers& small = SmallNumbers::get();
            for (const std::int32_t v : part) {
                if (SmallNumbers::hold(v)) {
                    // A whole 8-byte word, the next form overwriting its tail.
                    std::memcpy(p, small.printForm[v], 8);
                    p += small.printFormLength[v];
                } else {
                    p += printFormInto(p, v);
                }
            }
            return p;
        });
    }
}

SystemRows::SystemRows(std::int32_t firstPosition)
    : position_(firstPosition), lastTwo_(static_cast<int>(firstPosition % 100)) {
    layOut();
}

char* SystemRows::writeRow(char* out, std::int64_t position, std::int32_t number,
                           std::int32_t distance, Layout& layout) {
    const bool win = systemWins(distance);
    LineWriter line{out};
    const auto field = [&line](const SystemColumn& c, std::int64_t value) {
        line.padTo(c.rowColumn);
        line.putField(value, c.width);
        const std::size_t end = line.offset();
        line.put(c.suffix);
        return end;
    };
    const auto mark = [&line](const SystemColumn& c, bool plus) {
        line.padTo(c.rowColumn);
        line.put(plus ? " +" : " -");
        return line.offset() - 1;
    };
    layout.positionEnd = field(systemColumns[positionColumn], position);
    layout.numberEnd = field(systemColumns[numberColumn], number);
    layout.distanceEnd = field(systemColumns[distanceColumn], distance);
    layout.result = mark(systemColumns[resultColumn], win);
    layout.reverse = mark(systemColumns[reverseColumn], !win);
    line.endLine();
    return line.p;
}

void SystemRows::layOut() {
    // A row with one-digit values, whose digits are then blanked.
    rowBytes_ =
        static_cast<std::size_t>(writeRow(row_.data(), position_, 0, 1, layout_) - row_.data());
    row_[layout_.numberEnd - 1] = ' ';
    row_[layout_.distanceEnd - 1] = ' ';
}

char* SystemRows::wideRow(char* out, std::int32_t number, std::int32_t distance) {
    Layout wide;
    char* const end = writeRow(out, position_, number, distance, wide);
    countPosition();
    return end;
}

}  // namespace spinchart
