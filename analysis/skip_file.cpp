#include "analysis/skip_file.h"

#include <algorithm>
#include <bit>
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

// The count (up to 8) and the value of the decimal digits at the start of the
// 8 bytes at p, without a branch per digit.
int leadingDigits(const char* p, std::uint32_t& value) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        // A byte is a digit when it and the byte plus 6 both lie in 0x30..0x3F.
        constexpr std::uint64_t highNibbles = 0xF0F0F0F0F0F0F0F0ULL;
        constexpr std::uint64_t threes = 0x3030303030303030ULL;
        const std::uint64_t notDigit =
            ((w & highNibbles) ^ threes) | (((w + 0x0606060606060606ULL) & highNibbles) ^ threes);
        const int n = notDigit == 0 ? 8 : std::countr_zero(notDigit) / 8;
        if (n == 0) return 0;
        // The digits moved to the top bytes, the bytes below them zeros; then
        // pairs, fours and all eight are combined.
        std::uint64_t d = (w - threes) << (8 * (8 - n));
        d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFULL;
        d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFULL;
        d = (d * 10000 + (d >> 32)) & 0x00000000FFFFFFFFULL;
        value = static_cast<std::uint32_t>(d);
        return n;
    } else {
        int n = 0;
        value = 0;
        while (n < 8 && static_cast<unsigned char>(p[n] - '0') < 10)
            value = value * 10 + static_cast<std::uint32_t>(p[n++] - '0');
        return n;
    }
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
            while (count > 0 && end - p >= 16 && p[0] == ' ') {
                std::uint32_t value = 0;
                const int digits = leadingDigits(p + 1, value);
                const char* const q = p + 1 + digits;
                if (digits == 0 || digits == 8 || std::memcmp(q, " \r\n", 3) != 0) break;
                values.add(static_cast<std::int32_t>(value));
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
