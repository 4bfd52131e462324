#include "fairness/spin_lines.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "fairness/fairness_figures.h"
#include "platform/cp437.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

constexpr std::size_t blockSize = std::size_t{1} << 20;
// The bytes searched for a NUL before the file is taken for text.
constexpr std::size_t sniffSize = 4096;
constexpr char ctrlZ = '\x1A';
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

// Decodes the whole UTF-16 units of `bytes` as UTF-8 onto `out` up to a
// Ctrl-Z (setting `stop`); returns the bytes used. An unfinished character
// at the end is left for the next block unless `last`.
std::size_t decodeUtf16(std::string_view bytes, bool bigEndian, bool last, std::string& out,
                        bool& stop) {
    const auto unitAt = [&](std::size_t i) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        return static_cast<char32_t>(hi << 8 | lo);
    };
    constexpr char32_t replacement = 0xFFFD;
    std::size_t i = 0;
    while (i + 2 <= bytes.size()) {
        const char32_t unit = unitAt(i);
        if (unit == static_cast<char32_t>(ctrlZ)) {
            stop = true;
            return i;
        }
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

// The lines in turn: the header of a table found on the first line that is
// not blank, then every line counted.
class SpinLineReader {
public:
    SpinLineReader(const SpinFileRules& rules, std::string_view fileName)
        : column_(rules.column), fileName_(fileName) {
        rules_.highestNumber = rules.highestNumber;
        result_.lines.oldestFirst = rules.oldestFirst;
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
            std::reverse(result_.spins.data(), result_.spins.data() + result_.spins.size());
        result_.spins.shrinkToFit();
        return std::move(result_);
    }

private:
    void count(LineReading reading, std::string_view line) {
        switch (reading.kind) {
            case LineKind::spin:
                result_.spins.pushBack(reading.value);
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

SpinFileReading readSpinFile(const SpinByteSource& source, const SpinFileRules& rules,
                             std::string_view fileName) {
    const std::unique_ptr<char[]> buffer(new char[blockSize]);
    std::size_t got = fill(source, buffer.get(), blockSize);
    const std::string_view start(buffer.get(), got);
    const std::string name(fileName);
    enum class Encoding { utf8, utf16le, utf16be };
    Encoding encoding = Encoding::utf8;
    std::size_t offset = 0;
    if (start.starts_with("\xFF\xFE")) {
        encoding = Encoding::utf16le;
        offset = 2;
    } else if (start.starts_with("\xFE\xFF")) {
        encoding = Encoding::utf16be;
        offset = 2;
    } else if (isZipArchive(start)) {
        throw SessionError(name +
                           " does not look like a text file: it is a zip archive, as an "
                           ".xlsx workbook is; save the spins as CSV or text");
    } else if (std::memchr(start.data(), '\0', std::min(got, sniffSize))) {
        throw SessionError(name + " does not look like a text file: it holds a NUL byte");
    } else if (start.starts_with("\xEF\xBB\xBF")) {
        offset = 3;
    }

    SpinLineReader reader(rules, name);
    const auto onLine = [&reader](std::string_view line) { reader.onLine(line); };
    LineCutter cutter;
    std::string decoded;
    for (bool ended = got < blockSize;;) {
        std::string_view block(buffer.get() + offset, got - offset);
        bool stop = false;
        std::size_t used = block.size();
        if (encoding == Encoding::utf8) {
            if (const void* z = std::memchr(block.data(), ctrlZ, block.size())) {
                block = block.substr(
                    0, static_cast<std::size_t>(static_cast<const char*>(z) - block.data()));
                stop = true;
            }
            cutter.feed(block, onLine);
        } else {
            decoded.clear();
            used = decodeUtf16(block, encoding == Encoding::utf16be, ended, decoded, stop);
            cutter.feed(decoded, onLine);
        }
        if (stop || ended) break;
        // The bytes of an unfinished UTF-16 character go ahead of the next block.
        const std::size_t carried = block.size() - used;
        std::memmove(buffer.get(), block.data() + used, carried);
        got = carried + fill(source, buffer.get() + carried, blockSize - carried);
        ended = got < blockSize;
        offset = 0;
    }
    cutter.finish(onLine);
    return reader.finish();
}

}  // namespace spinchart
