#include "analysis/report_text.h"

#include <algorithm>
#include <cstring>

#include "analysis/main_report.h"
#include "analysis/system_rule.h"
#include "text/number_text.h"

namespace spinchart {
namespace {

// Writes a line item by item, each at its column.
struct LineWriter {
    char* p;
    char* lineStart = p;

    std::int64_t column() const { return p - lineStart + 1; }
    void put(std::string_view text) {
        std::memcpy(p, text.data(), text.size());
        p += text.size();
    }
    void endLine() {
        put("\r\n");
        lineStart = p;
    }
    void padTo(int c) {
        p = padToColumn(p, column(), c);
        lineStart = p - (c - 1);
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

void writePrintForms(OutputFile& file, std::span<const std::int32_t> values, bool linePerValue) {
    const std::size_t widest = wholeNumberBytes + 2;
    const std::size_t batch = OutputFile::bulkLimit / widest;
    for (std::size_t first = 0; first < values.size(); first += batch) {
        const auto part = values.subspan(first, std::min(batch, values.size() - first));
        file.writeInPlace(part.size() * widest, [part, linePerValue](std::span<char> room) {
            const SmallNumbers& small = SmallNumbers::get();
            char* p = room.data();
            for (const std::int32_t v : part) {
                if (SmallNumbers::hold(v)) {
                    // A whole 8-byte word, the next form overwriting its tail.
                    std::memcpy(p, small.printForm[v], 8);
                    p += small.printFormLength[v];
                } else {
                    p += printFormInto(p, v);
                }
                if (linePerValue) {
                    std::memcpy(p, "\r\n", 2);
                    p += 2;
                }
            }
            return p;
        });
    }
}

namespace {

// `count` copies of the print form of `value`, each with a line end if asked:
// one copy, then the copies made so far copied after them.
void writeCopies(OutputFile& file, std::int32_t value, std::uint64_t count, bool linePerValue) {
    char unit[wholeNumberBytes + 2];
    std::size_t length = printFormInto(unit, value);
    if (linePerValue) {
        unit[length++] = '\r';
        unit[length++] = '\n';
    }
    const std::size_t batch = OutputFile::bulkLimit / length;
    while (count > 0) {
        const auto copies = static_cast<std::size_t>(std::min<std::uint64_t>(count, batch));
        file.writeInPlace(copies * length, [&](std::span<char> room) {
            std::memcpy(room.data(), unit, length);
            for (std::size_t done = length; done < room.size();) {
                const std::size_t n = std::min(done, room.size() - done);
                std::memcpy(room.data() + done, room.data(), n);
                done += n;
            }
            return room.data() + room.size();
        });
        count -= copies;
    }
}

}  // namespace

void writePrintForms(OutputFile& file, const AscendingCounts& ascending, bool linePerValue) {
    const std::span<const std::int32_t> others = ascending.others;
    const auto negatives = static_cast<std::size_t>(
        std::lower_bound(others.begin(), others.end(), 0) - others.begin());
    writePrintForms(file, others.first(negatives), linePerValue);
    for (std::size_t v = 0; v < ascending.counts.size(); ++v) {
        if (ascending.counts[v] > 0)
            writeCopies(file, static_cast<std::int32_t>(v), ascending.counts[v], linePerValue);
    }
    writePrintForms(file, others.subspan(negatives), linePerValue);
}

void writeAt(OutputFile& file, int column, std::string_view text) {
    padToColumn(file, column);
    file.write(text);
}

void writeSpinSourceLines(OutputFile& file, const AnalysisRequest& request) {
    if (!request.dataFileName) {
        writeAt(file, indentColumn, "Random Spins ");
    } else {
        writeAt(file, indentColumn, "File: ");
        file.write(*request.dataFileName);
    }
    file.newLine();
    writeAt(file, indentColumn, "Number of Spins Analyzed: ");
    file.writePrintForm(request.analysisCount);
    file.newLine();
}

SystemRows::SystemRows(std::int32_t firstPosition)
    : position_(firstPosition), lastTwo_(static_cast<int>(firstPosition % 100)) {
    layOut();
}

char* SystemRows::writeRow(char* out, std::int64_t position, std::int32_t number,
                           std::int32_t distance, Layout& layout) {
    const bool win = systemWins(distance);
    LineWriter line{out};
    const auto field = [&](const SystemColumn& c, std::int64_t value) {
        line.padTo(c.rowColumn);
        line.p = formatField(line.p, value, c.width);
        const auto end = static_cast<std::size_t>(line.p - out);
        line.put(c.suffix);
        return end;
    };
    static_assert(systemColumns[resultColumn].width <= 9 &&
                  systemColumns[reverseColumn].width <= 9);
    const auto mark = [&](const SystemColumn& c, bool plus) {
        line.padTo(c.rowColumn);
        line.put(std::string_view("        ", static_cast<std::size_t>(c.width - 1)));
        line.put(plus ? "+" : "-");
        return static_cast<std::size_t>(line.p - out) - 1;
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
