#include "analysis/skip_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "analysis/report_text.h"
#include "analysis/skip_statistics.h"
#include "platform/cp437.h"
#include "platform/file_io.h"
#include "text/number_text.h"
#include "text/output_file.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

constexpr std::size_t readBlock = 1 << 20;
// Values below this are counted while the file is read; the others are kept
// and sorted.
constexpr std::int32_t countedValues = 1 << 16;

bool isSeparator(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == ',';
}
bool endsNumber(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == ',';
}

std::int32_t numberOf(std::string_view token) {
    if (token.size() <= 9) {
        std::int32_t value = 0;
        for (const char c : token) {
            if (c < '0' || c > '9') return toInt32(leadingNumber(token));
            value = value * 10 + (c - '0');
        }
        return value;
    }
    return toInt32(leadingNumber(token));
}

// The values of the skip file in ascending order: counts of the small ones,
// the others sorted.
struct SortedValues {
    std::vector<std::uint32_t> counts = std::vector<std::uint32_t>(countedValues, 0);
    std::vector<std::int32_t> others;

    void add(std::int32_t v) {
        if (static_cast<std::uint32_t>(v) < static_cast<std::uint32_t>(countedValues)) {
            ++counts[static_cast<std::size_t>(v)];
        } else {
            others.push_back(v);
        }
    }
};

// Reads `count` numbers from the file into `values`, block by block; a
// number cut by a block's end is carried into the next.
void readValues(FileHandle& file, std::int64_t count, SortedValues& values) {
    const auto buffer = std::make_unique_for_overwrite<char[]>(readBlock);
    std::string carried;  // the start of a number cut by the last block's end
    while (count > 0) {
        const std::size_t n = file.readSome(buffer.get(), readBlock);
        const char* p = buffer.get();
        const char* const end = p + n;
        if (n == 0) {
            if (carried.empty()) throw SessionError("skip file ends before its last value");
            values.add(numberOf(carried));
            carried.clear();
            --count;
            continue;
        }
        if (!carried.empty()) {
            while (p < end && !endsNumber(*p))
                carried += *p++;
            if (p == end) continue;
            values.add(numberOf(carried));
            carried.clear();
            --count;
        }
        while (count > 0) {
            // The lines of the first pass, " 123 " and CR LF, while a whole
            // one surely fits before the block's end.
            while (count > 0 && end - p >= 16 && p[0] == ' ' && p[1] != ' ') {
                const char* q = p + 1;
                std::int32_t value = 0;
                while (q - p <= 9 && static_cast<unsigned char>(*q - '0') < 10)
                    value = value * 10 + (*q++ - '0');
                if (q == p + 1 || std::memcmp(q, " \r\n", 3) != 0) break;
                values.add(value);
                --count;
                p = q + 3;
            }
            if (count == 0) break;
            while (p < end && isSeparator(*p))
                ++p;
            const char* const start = p;
            std::int32_t value = 0;
            while (p < end && p - start < 9 && static_cast<unsigned char>(*p - '0') < 10)
                value = value * 10 + (*p++ - '0');
            if (p < end && endsNumber(*p) && p > start) {
                values.add(value);  // plain digits, as the first pass writes them
                --count;
                continue;
            }
            while (p < end && !endsNumber(*p))
                ++p;
            if (p == end) {
                carried.assign(start, end);
                break;
            }
            values.add(numberOf(std::string_view(start, static_cast<std::size_t>(p - start))));
            --count;
        }
    }
}

}  // namespace

void finishSkipFile(std::string_view cp437Name, std::int32_t valueCount) {
    SortedValues values;
    {
        FileHandle file = FileHandle::openForReading(cp437ToUtf8(cp437Name));
        readValues(file, valueCount, values);
        file.close();
    }
    std::vector<std::int32_t>& others = values.others;
    sortAscending(others);
    const auto firstLarge = std::lower_bound(others.begin(), others.end(), 0);

    OutputFile out;
    out.open(cp437Name);
    const SmallNumberText& small = SmallNumberText::get();
    // The same line `count` times over; a short line is copied as a whole
    // word of 8 bytes, the next one overwriting its tail.
    auto writeLines = [&](std::int32_t v, std::uint32_t count) {
        char line[maxSkipLineBytes];
        const auto length = static_cast<std::size_t>(formatSkipLine(line, v, small) - line);
        const std::size_t step = length <= 8 ? 8 : length;
        constexpr std::size_t batch = OutputFile::roomLimit / maxSkipLineBytes;
        while (count > 0) {
            const std::size_t run = std::min<std::size_t>(count, batch);
            char* p = out.room(run * length + step);
            if (step == 8) {
                for (std::size_t k = 0; k < run; ++k, p += length)
                    std::memcpy(p, line, 8);
            } else {
                for (std::size_t k = 0; k < run; ++k, p += length)
                    std::memcpy(p, line, length);
            }
            out.commitLines(p);
            count -= static_cast<std::uint32_t>(run);
        }
    };
    for (auto it = others.begin(); it != firstLarge; ++it)
        writeLines(*it, 1);
    for (std::size_t v = 0; v < values.counts.size(); ++v) {
        if (values.counts[v] > 0) writeLines(static_cast<std::int32_t>(v), values.counts[v]);
    }
    for (auto it = firstLarge; it != others.end(); ++it)
        writeLines(*it, 1);
    out.close();
}

}  // namespace spinchart
