#include "fairness/spin_lines.h"

#include <algorithm>
#include <cstring>

#include "fairness/fairness_figures.h"
#include "platform/cp437.h"
#include "session/block_reader.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

// The bytes searched for a NUL before the file is taken for text.
constexpr std::size_t sniffSize = 4096;
// Beyond every wheel: the digits of a longer number need not be kept.
constexpr std::int64_t farOutside = 1'000'000;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isBlankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), isBlank);
}

// The rules for a spin over one field's text; blank when it holds nothing
// but spaces and tabs.
LineReading readNumber(std::string_view text, std::int32_t highestNumber) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && isBlank(*p))
        ++p;
    if (p == end) return {LineKind::blank, 0};
    const char sign = *p;
    if (sign == '+' || sign == '-') ++p;
    const char* const digits = p;
    std::int64_t value = 0;
    for (; p != end && static_cast<unsigned char>(*p - '0') < 10; ++p)
        value = std::min(value * 10 + (*p - '0'), farOutside);
    const bool zeroZero = sign == '0' && p - digits == 2 && value == 0;
    if (p == digits) return {LineKind::notSpin, 0};
    while (p != end && isBlank(*p))
        ++p;
    if (p != end) return {LineKind::notSpin, 0};
    if (zeroZero) {
        return highestNumber == doubleZeroNumber ? LineReading{LineKind::spin, doubleZeroNumber}
                                                 : LineReading{LineKind::outsideWheel, 0};
    }
    if ((sign == '-' && value != 0) || value > highestNumber) return {LineKind::outsideWheel, 0};
    return {LineKind::spin, static_cast<std::int32_t>(value)};
}

// The field that starts at `at`, its quotes dropped, into `out`; returns
// where the next field starts, or npos when this one ends the line.
std::size_t nextField(std::string_view line, std::size_t at, char separator, std::string& out) {
    out.clear();
    bool quoted = false;
    for (; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '"') {
            if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                out += '"';
                ++at;
            } else {
                quoted = !quoted;
            }
        } else if (c == separator && !quoted) {
            return at + 1;
        } else {
            out += c;
        }
    }
    return std::string_view::npos;
}

// Field `index` of the line; nothing when the line has fewer. Quotes are
// rare: a line without them is cut where it lies.
std::optional<std::string_view> fieldAt(std::string_view line, char separator, std::int32_t index,
                                        std::string& scratch) {
    if (line.find('"') == std::string_view::npos) {
        std::size_t start = 0;
        for (std::int32_t i = 0; i < index; ++i) {
            const std::size_t next = line.find(separator, start);
            if (next == std::string_view::npos) return std::nullopt;
            start = next + 1;
        }
        const std::size_t stop = line.find(separator, start);
        return line.substr(start, stop == std::string_view::npos ? stop : stop - start);
    }
    std::size_t at = 0;
    for (std::int32_t i = 0; i < index; ++i) {
        at = nextField(line, at, separator, scratch);
        if (at == std::string_view::npos) return std::nullopt;
    }
    nextField(line, at, separator, scratch);
    return std::string_view(scratch);
}

bool sameName(std::string_view a, std::string_view b) {
    const auto trimmed = [](std::string_view text) {
        const std::size_t first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos) return std::string_view();
        return text.substr(first, text.find_last_not_of(" \t") - first + 1);
    };
    a = trimmed(a);
    b = trimmed(b);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// Decodes the whole UTF-16 units of `bytes` as UTF-8 onto `out`; returns the
// bytes used. An unfinished character at the end is left for the next block
// unless `last`.
std::size_t decodeUtf16(std::string_view bytes, bool bigEndian, bool last, std::string& out) {
    const auto unitAt = [&](std::size_t i) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        return static_cast<char32_t>(hi << 8 | lo);
    };
    constexpr char32_t replacement = 0xFFFD;
    std::size_t i = 0;
    while (i + 2 <= bytes.size()) {
        const char32_t unit = unitAt(i);
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit >= 0xD800 && unit < 0xDC00) {
            if (i + 4 > bytes.size() && !last) return i;
            const char32_t low = i + 4 <= bytes.size() ? unitAt(i + 2) : 0;
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
            } else {
                appendUtf8(out, replacement);
            }
        } else if (unit >= 0xDC00 && unit < 0xE000) {
            appendUtf8(out, replacement);
        } else {
            appendUtf8(out, unit);
        }
        i += 2;
    }
    if (last && i < bytes.size()) {
        appendUtf8(out, replacement);
        i = bytes.size();
    }
    return i;
}

// Reads until `want` bytes are in or the source ends.
std::size_t fill(const SpinByteSource& source, char* data, std::size_t want) {
    std::size_t got = 0;
    while (got < want) {
        const std::size_t n = source(data + got, want - got);
        if (n == 0) break;
        got += n;
    }
    return got;
}

bool isZipArchive(std::string_view start) {
    return start.starts_with("PK\x03\x04") || start.starts_with("PK\x05\x06") ||
           start.starts_with("PK\x07\x08");
}

// The file's first bytes, read ahead to see what it holds, then the rest.
class SniffedSource {
public:
    explicit SniffedSource(const SpinByteSource& source) : source_(source), head_(sniffSize, '\0') {
        head_.resize(fill(source, head_.data(), sniffSize));
    }
    std::string_view head() const { return head_; }
    void skip(std::size_t count) { at_ = count; }
    std::size_t operator()(char* data, std::size_t size) {
        if (at_ == head_.size()) return source_(data, size);
        const std::size_t n = std::min(size, head_.size() - at_);
        std::memcpy(data, head_.data() + at_, n);
        at_ += n;
        return n;
    }

private:
    const SpinByteSource& source_;
    std::string head_;
    std::size_t at_ = 0;
};

// UTF-16 bytes handed on as UTF-8, for the block reader to cut into lines.
class Utf16Source {
public:
    Utf16Source(SniffedSource& source, bool bigEndian) : source_(source), bigEndian_(bigEndian) {}
    std::size_t operator()(char* data, std::size_t size) {
        while (at_ == decoded_.size() && !ended_) {
            const std::size_t got = source_(raw_.data() + carried_, raw_.size() - carried_);
            ended_ = got == 0;
            const std::string_view bytes(raw_.data(), carried_ + got);
            decoded_.clear();
            at_ = 0;
            const std::size_t used = decodeUtf16(bytes, bigEndian_, ended_, decoded_);
            // The bytes of an unfinished character go ahead of the next read.
            carried_ = bytes.size() - used;
            std::memmove(raw_.data(), bytes.data() + used, carried_);
        }
        const std::size_t n = std::min(size, decoded_.size() - at_);
        std::memcpy(data, decoded_.data() + at_, n);
        at_ += n;
        return n;
    }

private:
    SniffedSource& source_;
    bool bigEndian_;
    std::string raw_ = std::string(BlockReader::defaultBlockSize, '\0');
    std::size_t carried_ = 0;
    std::string decoded_;
    std::size_t at_ = 0;
    bool ended_ = false;
};

// The lines in turn: the header of a table found on the first line that is
// not blank, then every line counted.
class SpinLineReader {
public:
    SpinLineReader(const SpinFileRules& rules, std::string_view fileName, std::size_t room)
        : column_(rules.column), fileName_(fileName) {
        rules_.highestNumber = rules.highestNumber;
        result_.lines.oldestFirst = rules.oldestFirst;
        result_.spins.reserve(room);
    }

    // Every line of the data: those of plain numbers straight from the
    // blocks, the others through readSpinLine.
    void readLines(BlockReader& blocks) {
        for (;;) {
            if (firstText_ && rules_.separator == '\0') {
                const std::string_view block = blocks.buffered();
                if (block.empty()) return;
                const std::size_t used = readPlainLines(block);
                blocks.consume(used);
                if (used == block.size()) continue;
            }
            const std::optional<std::string_view> line = blocks.nextLine();
            if (!line) return;
            onLine(*line);
        }
    }

    void onLine(std::string_view line) {
        ++lineNumber_;
        if (firstText_) {
            count(readSpinLine(line, rules_), line);
        } else if (isBlankLine(line)) {
            ++result_.lines.blankLines;
        } else {
            onFirstText(line);
        }
    }

    // The spins in the order asked for, or SessionError when none was read.
    SpinFileReading finish() {
        if (result_.spins.empty() && result_.outsideWheel == 0) {
            throw SessionError(fileName_ + " holds no spins: " + whyNoSpin());
        }
        if (result_.lines.oldestFirst)
            std::reverse(result_.spins.values().begin(), result_.spins.values().end());
        return std::move(result_);
    }

private:
    // The lines of `block` that hold a number of one or two digits between
    // blanks, read as readSpinLine reads them, up to the first other line or
    // one the block's end may cut; returns the bytes used. The NUL after the
    // block stops every scan. (Per line through readSpinLine: 189 against 54
    // instructions a line, callgrind, 1 M spins.)
    std::size_t readPlainLines(std::string_view block) {
        const char* const first = block.data();
        const char* const end = first + block.size();
        const char* p = first;
        // Each line takes two bytes at the least, the last one a byte.
        result_.spins.reserveMore(block.size() / 2 + 1);
        // Kept in registers: a store of a spin byte may alias any member (66
        // instructions a line with the members, 54 without).
        std::uint8_t* out = result_.spins.end();
        std::int64_t lines = 0;
        std::int64_t outside = 0;
        const auto highest = static_cast<unsigned>(rules_.highestNumber);
        // 00 is 37 on the double-zero wheel and outside the single-zero one.
        const unsigned zeroZeroValue = highest == doubleZeroNumber ? doubleZeroNumber : highest + 1;
        const auto digit = [](char c) {
            return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';
        };
        for (;;) {
            const char* const start = p;
            while (*p == ' ' || *p == '\t')
                ++p;
            unsigned value = digit(*p);
            bool stop = value > 9;
            if (!stop && digit(*++p) <= 9) {
                value = value == 0 && digit(*p) == 0 ? zeroZeroValue : value * 10 + digit(*p);
                stop = digit(*++p) <= 9;
            }
            if (!stop) {
                while (*p == ' ' || *p == '\t')
                    ++p;
                if (*p == '\n') {
                    ++p;
                } else if (*p == '\r' && p[1] == '\n') {
                    p += 2;
                } else if (*p == '\r' && p + 1 != end) {
                    ++p;
                } else {
                    stop = true;
                }
            }
            if (stop) {
                lineNumber_ += lines;
                result_.outsideWheel += outside;
                result_.spins.added(static_cast<std::size_t>(out - result_.spins.end()));
                return static_cast<std::size_t>(start - first);
            }
            ++lines;
            if (value > highest) {
                ++outside;
            } else {
                *out++ = static_cast<std::uint8_t>(value);
            }
        }
    }

    void count(LineReading reading, std::string_view line) {
        switch (reading.kind) {
            case LineKind::spin:
                result_.spins.push(static_cast<std::uint8_t>(reading.value));
                break;
            case LineKind::outsideWheel:
                ++result_.outsideWheel;
                break;
            case LineKind::blank:
                ++result_.lines.blankLines;
                break;
            case LineKind::notSpin:
                if (result_.lines.notSpins++ == 0)
                    result_.lines.firstNotSpin = quoteLine(lineNumber_, line);
                break;
        }
    }

    void onFirstText(std::string_view line) {
        firstText_ = quoteLine(lineNumber_, line);
        tabular_ = line.find_first_of(",;\t") != std::string_view::npos;
        if (!column_) {
            count(readSpinLine(line, rules_), line);
            return;
        }
        rules_.separator = tableSeparator(line);
        if (column_->number > 0) {
            rules_.field = column_->number - 1;
            const LineReading reading = readSpinLine(line, rules_);
            // A header: counted with the blank lines.
            count(reading.kind == LineKind::notSpin ? LineReading{} : reading, line);
            return;
        }
        const std::vector<std::string> fields = splitFields(line, rules_.separator);
        const auto found = std::find_if(fields.begin(), fields.end(), [&](const std::string& f) {
            return sameName(f, column_->name);
        });
        if (found == fields.end()) throw SessionError(missingColumn(fields));
        rules_.field = static_cast<std::int32_t>(found - fields.begin());
        ++result_.lines.blankLines;
    }

    std::string missingColumn(const std::vector<std::string>& fields) const {
        constexpr std::size_t listed = 10;
        std::string text = fileName_ + " has no column '" + column_->name + "': line " +
                           std::to_string(firstText_->line) + " names";
        for (std::size_t i = 0; i < std::min(fields.size(), listed); ++i)
            text += std::string(i == 0 ? " \"" : ", \"") + quoteLine(0, fields[i]).text + "\"";
        if (fields.size() > listed)
            text += " and " + std::to_string(fields.size() - listed) + " more";
        return text;
    }

    std::string whyNoSpin() const {
        if (!firstText_) return lineNumber_ == 0 ? "it is empty" : "every line is blank";
        std::string text = "no line is one whole number; line " + std::to_string(firstText_->line) +
                           " reads \"" + firstText_->text + "\"" + (firstText_->cut ? "..." : "");
        if (tabular_ && !column_)
            text += ". For one column of a table, give --column NAME or --column N";
        return text;
    }

    std::optional<SpinColumn> column_;
    std::string fileName_;
    SpinLineRules rules_;
    SpinFileReading result_;
    std::int64_t lineNumber_ = 0;
    std::optional<QuotedLine> firstText_;  // the first line that is not blank
    bool tabular_ = false;                 // that line holds a comma, semicolon or tab
};

}  // namespace

LineReading readSpinLine(std::string_view line, const SpinLineRules& rules) {
    if (rules.separator == '\0') return readNumber(line, rules.highestNumber);
    std::string scratch;
    const std::optional<std::string_view> field =
        fieldAt(line, rules.separator, rules.field, scratch);
    const LineReading reading =
        field ? readNumber(*field, rules.highestNumber) : LineReading{LineKind::blank, 0};
    if (reading.kind == LineKind::blank && !isBlankLine(line)) return {LineKind::notSpin, 0};
    return reading;
}

std::vector<std::string> splitFields(std::string_view line, char separator) {
    std::vector<std::string> fields;
    std::string field;
    for (std::size_t at = 0; at != std::string_view::npos;) {
        at = nextField(line, at, separator, field);
        fields.push_back(field);
    }
    return fields;
}

char tableSeparator(std::string_view line) {
    const std::size_t at = line.find_first_of(",;\t");
    return at == std::string_view::npos ? '\0' : line[at];
}

QuotedLine quoteLine(std::int64_t line, std::string_view bytes, std::size_t characters) {
    QuotedLine quoted{line, {}, false};
    std::size_t at = 0;
    while (at < bytes.size() && quoted.text.size() < characters) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        std::size_t length = 1;
        if (byte >= 0x80) {
            // A character of several bytes is one '?'.
            char32_t codePoint = 0;
            if (decodeUtf8(bytes.substr(at), codePoint, length) != Utf8Result::complete) length = 1;
        }
        quoted.text += byte >= ' ' && byte <= '~' ? static_cast<char>(byte) : '?';
        at += length;
    }
    quoted.cut = at < bytes.size();
    return quoted;
}

void SpinBytes::reserve(std::size_t count) {
    if (count <= capacity_) return;
    void* grown = resizeLargeBlock(block_.get(), capacity_, count);
    if (grown == nullptr) throw SessionError("out of memory for the spins");
    static_cast<void>(block_.release());
    block_ = LargeArray<std::uint8_t>(static_cast<std::uint8_t*>(grown), LargeBlockRelease{count});
    capacity_ = count;
}

SpinFileReading readSpinFile(const SpinByteSource& source, const SpinFileRules& rules,
                             std::string_view fileName, std::uint64_t length) {
    SniffedSource sniffed(source);
    const std::string_view start = sniffed.head();
    const std::string name(fileName);
    const bool utf16le = start.starts_with("\xFF\xFE");
    const bool utf16be = start.starts_with("\xFE\xFF");
    if (utf16le || utf16be) {
        sniffed.skip(2);
    } else if (isZipArchive(start)) {
        throw SessionError(name +
                           " does not look like a text file: it is a zip archive, as an "
                           ".xlsx workbook is; save the spins as CSV or text");
    } else if (start.find('\0') != std::string_view::npos) {
        throw SessionError(name + " does not look like a text file: it holds a NUL byte");
    }
    // A spin takes a digit and a line end at the least, the last one a digit.
    SpinLineReader reader(rules, name, static_cast<std::size_t>(length / 2 + 1));
    if (utf16le || utf16be) {
        Utf16Source decoded(sniffed, utf16be);
        BlockReader blocks(
            [&decoded](char* data, std::size_t size) { return decoded(data, size); });
        reader.readLines(blocks);
    } else {
        BlockReader blocks(
            [&sniffed](char* data, std::size_t size) { return sniffed(data, size); });
        reader.readLines(blocks);
    }
    return reader.finish();
}

}  // namespace spinchart
