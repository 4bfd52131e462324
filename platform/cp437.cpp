#include "platform/cp437.h"

#include <algorithm>
#include <array>
#include <utility>

namespace spinchart {
namespace {

// Glyphs of the bytes 0x00-0x1F, as a console shows them.
constexpr std::array<char16_t, 32> lowGlyphs = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};

// The bytes 0x80-0xFF.
constexpr std::array<char16_t, 128> highGlyphs = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

using ReverseEntry = std::pair<char32_t, unsigned char>;

std::array<ReverseEntry, 128> buildReverse() {
    std::array<ReverseEntry, 128> table{};
    for (std::size_t i = 0; i < highGlyphs.size(); ++i) {
        table[i] = {highGlyphs[i], static_cast<unsigned char>(0x80 + i)};
    }
    std::sort(table.begin(), table.end());
    return table;
}

}  // namespace

char32_t cp437ToUnicode(unsigned char byte) {
    if (byte < 0x20) return lowGlyphs[byte];
    if (byte < 0x7F) return byte;
    if (byte == 0x7F) return 0x2302;
    return highGlyphs[byte - 0x80];
}

int unicodeToCp437(char32_t codePoint) {
    if (codePoint < 0x80) return static_cast<int>(codePoint);
    static const std::array<ReverseEntry, 128> reverse = buildReverse();
    auto it = std::lower_bound(reverse.begin(), reverse.end(), ReverseEntry{codePoint, 0});
    if (it != reverse.end() && it->first == codePoint) return it->second;
    return -1;
}

unsigned char cp437ToUpper(unsigned char byte) {
    // ä ö ü é ñ å ç and their capitals.
    static constexpr std::string_view small = "\x84\x94\x81\x82\xA4\x86\x87";
    static constexpr std::string_view capital = "\x8E\x99\x9A\x90\xA5\x8F\x80";
    if (byte >= 'a' && byte <= 'z') return static_cast<unsigned char>(byte - 'a' + 'A');
    const std::size_t at = small.find(static_cast<char>(byte));
    return at == std::string_view::npos ? byte : static_cast<unsigned char>(capital[at]);
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string cp437ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // Printable ASCII and the control bytes keep their own code in names.
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            appendUtf8(out, cp437ToUnicode(byte));
        }
    }
    return out;
}

Utf8Result decodeUtf8(std::string_view in, char32_t& codePoint, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(in[0]);
    length = lead >= 0xC2 && lead <= 0xDF   ? 2
             : lead >= 0xE0 && lead <= 0xEF ? 3
             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                            : 0;
    if (length == 0) {
        length = 1;
        return Utf8Result::invalid;
    }
    codePoint = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (k >= in.size()) return Utf8Result::incomplete;
        const auto next = static_cast<unsigned char>(in[k]);
        if ((next & 0xC0) != 0x80) {
            length = k;  // drop what came before; next starts afresh
            return Utf8Result::invalid;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[length] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return Utf8Result::invalid;
    }
    return Utf8Result::complete;
}

std::optional<std::string> utf8ToCp437(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text[0]);
        if (byte < 0x80) {
            out.push_back(text[0]);
            text.remove_prefix(1);
            continue;
        }
        char32_t codePoint = 0;
        std::size_t length = 0;
        if (decodeUtf8(text, codePoint, length) != Utf8Result::complete) return std::nullopt;
        const int cp437 = unicodeToCp437(codePoint);
        if (cp437 < 0) return std::nullopt;
        out.push_back(static_cast<char>(cp437));
        text.remove_prefix(length);
    }
    return out;
}

}  // namespace spinchart
