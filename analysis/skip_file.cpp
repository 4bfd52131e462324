#include "analysis/skip_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

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
// Values below this are counted when the file is sorted.
constexpr std::int32_t countedValues = 1 << 16;

// Commas separate numbers as blanks and line ends do.
bool isSeparator(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == ',';
}
bool endsNumber(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == ',';
}

// The count (up to 8) and value of the decimal digits at the start of the 8
// bytes at p.
int leadingDigits(const char* p, std::uint32_t& value) {
    if constexpr (std::endian::native == std::endian::little) {
        // Eight bytes at once: first byte lowest.
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        constexpr std::uint64_t highNibbles = 0xF0F0F0F0F0F0F0F0ULL;
        constexpr std::uint64_t threes = 0x3030303030303030ULL;
        // A byte is a digit when it and the byte plus 6 both lie in 0x30..0x3F.
        const std::uint64_t notDigit =
            ((w & highNibbles) ^ threes) | (((w + 0x0606060606060606ULL) & highNibbles) ^ threes);
        const int n = notDigit == 0 ? 8 : std::countr_zero(notDigit) / 8;
        if (n == 0) return 0;
        // The digits moved to the top bytes; the bytes below count as leading
        // zeros. Pairs, then fours, then all eight.
        std::uint64_t d = (w - threes) << (8 * (8 - n));
        d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFULL;
        d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFULL;
        d = (d * 10000 + (d >> 32)) & 0x00000000FFFFFFFFULL;
        value = static_cast<std::uint32_t>(d);
        return n;
    } else {
        int n = 0;
        value = 0;
        while (n < 8 && p[n] >= '0' && p[n] <= '9') {
            value = value * 10 + static_cast<std::uint32_t>(p[n] - '0');
            ++n;
        }
        return n;
    }
}

// Numbers read one after another from a file in large blocks.
class NumberReader {
public:
    explicit NumberReader(FileHandle file) : file_(std::move(file)), buffer_(new char[readBlock]) {}

    std::int32_t next() {
        for (;;) {
            while (begin_ < end_ && isSeparator(buffer_[begin_]))
                ++begin_;
            if (begin_ < end_) break;
            if (!fill()) throw SessionError("skip file ends before its last value");
        }
        // The common line: up to nine digits and a blank or line end, all in
        // the buffer.
        if (end_ - begin_ >= 16) {
            const char* p = buffer_.get() + begin_;
            std::int32_t value = 0;
            int digits = 0;
            while (digits < 10 && p[digits] >= '0' && p[digits] <= '9') {
                value = value * 10 + (p[digits] - '0');
                ++digits;
            }
            if (digits > 0 && digits < 10 && endsNumber(p[digits])) {
                begin_ += static_cast<std::size_t>(digits);
                return value;
            }
        }
        std::size_t stop = begin_;
        for (;;) {
            while (stop < end_ && !endsNumber(buffer_[stop]))
                ++stop;
            if (stop < end_) break;
            const std::size_t scanned = stop - begin_;
            if (!fill()) break;  // end of file, or a number as long as the block
            stop = begin_ + scanned;
        }
        const std::string_view token(buffer_.get() + begin_, stop - begin_);
        begin_ = stop;
        return toNumber(token);
    }

    // Reads `count` numbers, handing each to `take`; plain lines are read in
    // a tight loop, anything else by next().
    template <class Take>
    void read(std::int64_t count, Take&& take) {
        const char* const base = buffer_.get();
        while (count > 0) {
            if (end_ - begin_ < 64) fill();
            if (end_ - begin_ < 64) {
                take(next());  // the last bytes of the file
                --count;
                continue;
            }
            const char* p = base + begin_;
            const char* const last = base + end_ - 32;
            while (count > 0) {
                while (p < last && isSeparator(*p))
                    ++p;
                if (p >= last) break;
                std::uint32_t value = 0;
                const int digits = leadingDigits(p, value);
                if (digits == 0 || digits == 8 || !endsNumber(p[digits])) break;
                take(static_cast<std::int32_t>(value));
                --count;
                p += digits;
                // The rest of the line and the next line's blank, as written.
                if (std::memcmp(p, " \r\n ", 4) == 0) p += 4;
            }
            begin_ = static_cast<std::size_t>(p - base);
            if (count > 0 && p < last) {
                take(next());
                --count;
            }
        }
    }

    // Reads `count` numbers in any order, handing each to `take`: whole
    // blocks of lines are split in two halves read side by side.
    template <class Take>
    void readUnordered(std::int64_t count, Take&& take) {
        const char* const base = buffer_.get();
        while (count > 0) {
            if (end_ - begin_ < 4096) fill();
            const char* const p = base + begin_;
            const char* lineEnd = nullptr;
            if (end_ - begin_ >= 4096) {
                const char* lf = base + end_ - 32;
                while (lf > p && lf[-1] != '\n')
                    --lf;
                if (lf > p) lineEnd = lf;
            }
            // Every number takes two bytes at least, with its separator; near
            // the count's end, and without whole lines, one at a time.
            if (lineEnd == nullptr || count <= (lineEnd - p) / 2 + 1) {
                read(count < 4096 ? count : 4096, take);
                count -= count < 4096 ? count : 4096;
                continue;
            }
            const char* mid = p + (lineEnd - p) / 2;
            mid = static_cast<const char*>(
                      std::memchr(mid, '\n', static_cast<std::size_t>(lineEnd - mid))) +
                  1;
            const char* a = p;
            const char* b = mid;
            std::int32_t va = 0;
            std::int32_t vb = 0;
            for (;;) {
                const bool gotA = numberWithin(a, mid, va);
                const bool gotB = numberWithin(b, lineEnd, vb);
                if (gotA) take(va);
                if (gotB) take(vb);
                count -= static_cast<std::int64_t>(gotA) + static_cast<std::int64_t>(gotB);
                if (!gotA && !gotB) break;
            }
            begin_ = static_cast<std::size_t>(lineEnd - base);
        }
    }

    void close() { file_.close(); }

private:
    // The next number that starts before `limit`, a line boundary with bytes
    // to spare after it; false when only separators are left.
    static bool numberWithin(const char*& p, const char* limit, std::int32_t& value) {
        while (p < limit && isSeparator(*p))
            ++p;
        if (p >= limit) return false;
        std::uint32_t plain = 0;
        const int digits = leadingDigits(p, plain);
        if (digits > 0 && digits < 8 && endsNumber(p[digits])) {
            value = static_cast<std::int32_t>(plain);
            p += digits;
            if (std::memcmp(p, " \r\n ", 4) == 0) p += 4;
            return true;
        }
        const char* start = p;
        while (p < limit && !endsNumber(*p))
            ++p;
        value = toNumber(std::string_view(start, static_cast<std::size_t>(p - start)));
        return true;
    }

    static std::int32_t toNumber(std::string_view token) {
        if (token.size() <= 9) {
            std::int32_t value = 0;
            bool plain = true;
            for (const char c : token) {
                if (c < '0' || c > '9') {
                    plain = false;
                    break;
                }
                value = value * 10 + (c - '0');
            }
            if (plain) return value;
        }
        return toInt32(leadingNumber(token));
    }

    // Keeps the unread bytes and reads more after them; false when nothing
    // more could be read.
    bool fill() {
        if (begin_ > 0) {
            std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        if (end_ == readBlock) return false;
        const std::size_t n = file_.readSome(buffer_.get() + end_, readBlock - end_);
        end_ += n;
        return n > 0;
    }

    FileHandle file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace

std::vector<std::int32_t> readSkipValues(std::string_view cp437Name, std::int32_t valueCount) {
    const std::size_t count = valueCount > 0 ? static_cast<std::size_t>(valueCount) : 0;
    std::vector<std::int32_t> values(count);
    NumberReader reader(FileHandle::openForReading(cp437ToUtf8(cp437Name)));
    std::size_t k = 0;
    reader.read(static_cast<std::int64_t>(count), [&](std::int32_t v) { values[k++] = v; });
    reader.close();
    return values;
}

void finishSkipFile(std::string_view cp437Name, std::int32_t valueCount) {
    // Small values are counted, the others kept and sorted: the same ascending
    // list as sorting all of them.
    std::vector<std::uint32_t> counts(countedValues, 0);
    std::vector<std::int32_t> others;
    {
        NumberReader reader(FileHandle::openForReading(cp437ToUtf8(cp437Name)));
        reader.readUnordered(valueCount, [&](std::int32_t v) {
            if (static_cast<std::uint32_t>(v) < static_cast<std::uint32_t>(countedValues)) {
                ++counts[static_cast<std::size_t>(v)];
            } else {
                others.push_back(v);
            }
        });
        reader.close();
    }
    sortAscending(others);
    const auto firstLarge = std::lower_bound(others.begin(), others.end(), 0);

    OutputFile file;
    file.open(cp437Name);
    {
        const SmallNumberText& small = SmallNumberText::get();
        ReportBlock block(file);
        auto writeLine = [&](std::int32_t v) {
            char* p = block.room(24);
            block.commit(p + formatSkipLine(p, v, small));
        };
        // The same line `count` times over.
        auto writeLines = [&](std::int32_t v, std::uint32_t count) {
            char line[24];
            const std::size_t length = formatSkipLine(line, v, small);
            if (length > 8) {
                for (; count > 0; --count)
                    writeLine(v);
                return;
            }
            while (count > 0) {
                const std::uint32_t run = count < 65536 ? count : 65536;
                char* p = block.room(std::size_t{run} * 8 + 8);
                for (std::uint32_t k = 0; k < run; ++k, p += length)
                    std::memcpy(p, line, 8);
                block.commit(p);
                count -= run;
            }
        };
        for (auto it = others.begin(); it != firstLarge; ++it)
            writeLine(*it);
        for (std::size_t v = 0; v < counts.size(); ++v) {
            if (counts[v] > 0) writeLines(static_cast<std::int32_t>(v), counts[v]);
        }
        for (auto it = firstLarge; it != others.end(); ++it)
            writeLine(*it);
        block.flush();
    }
    file.close();
}

}  // namespace spinchart
