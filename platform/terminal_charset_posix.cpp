#include "platform/terminal_charset.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <string_view>

#include "platform/cp437.h"

namespace spinchart {
namespace {

// Plain ASCII for every code page 437 glyph outside printable ASCII: the
// bytes 0x00-0x1F, then 0x80-0xFF (0x7F is '^').
constexpr std::string_view lowStandIns = " oo*****#o#oo***><|!PS-|^v><L-^v";
constexpr std::string_view highStandIns =
    "CueaaaaceeeiiiAA"
    "EaAooouuyOUcLYPf"
    "aiounNao?--//!<>"
    "################"
    "################"
    "################"
    "aBGpSsutFOOd8fen"
    "=+><()/~o..vn2# ";

// DEC special graphics for the shades and box lines 0xB0-0xDA; double lines
// become single ones.
constexpr std::string_view lineDrawing =
    "aaaxuuukkuxkjjjk"
    "mvwtqnttmlvwtqnv"
    "vwwmmllnnjl";

bool isUtf8Name(const std::string& codeset) {
    std::string name;
    for (char c : codeset) {
        if (c != '-' && c != '_')
            name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return name == "utf8";
}

TerminalCharset::Glyph single(char c, bool inLineDrawing = false) {
    return TerminalCharset::Glyph{{c, 0, 0}, 1, inLineDrawing};
}

// Converts one character with an open converter; the converted bytes, or
// empty when the target lacks it.
std::string convert(iconv_t converter, std::string_view in) {
    ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char result[16];
    char* from = const_cast<char*>(in.data());
    std::size_t fromLeft = in.size();
    char* to = result;
    std::size_t toLeft = sizeof result;
    if (::iconv(converter, &from, &fromLeft, &to, &toLeft) == static_cast<std::size_t>(-1) ||
        fromLeft != 0) {
        return {};
    }
    // Shift states back to the initial one.
    if (::iconv(converter, nullptr, nullptr, &to, &toLeft) == static_cast<std::size_t>(-1))
        return {};
    return std::string(result, static_cast<std::size_t>(to - result));
}

}  // namespace

TerminalCharset::TerminalCharset() {
    for (int byte = 0; byte < 256; ++byte) {
        std::string utf8;
        appendUtf8(utf8, cp437ToUnicode(static_cast<unsigned char>(byte)));
        Glyph& glyph = glyphs[static_cast<std::size_t>(byte)];
        glyph.length = static_cast<unsigned char>(utf8.size());
        utf8.copy(glyph.bytes, utf8.size());
    }
}

TerminalCharset::TerminalCharset(const std::string& codeset) : TerminalCharset() {
    if (isUtf8Name(codeset)) return;
    isUtf8 = false;
    const iconv_t toTerminal = ::iconv_open(codeset.c_str(), "UTF-8");
    for (int byte = 0; byte < 256; ++byte) {
        const auto cp437 = static_cast<unsigned char>(byte);
        Glyph& glyph = glyphs[cp437];
        if (byte >= 0x20 && byte < 0x7F) {
            glyph = single(static_cast<char>(byte));
        } else if (byte >= 0xB0 && byte < 0xB0 + static_cast<int>(lineDrawing.size())) {
            glyph = single(lineDrawing[cp437 - 0xB0], true);
        } else {
            std::string own;
            if (toTerminal != reinterpret_cast<iconv_t>(-1)) {
                std::string utf8;
                appendUtf8(utf8, cp437ToUnicode(cp437));
                own = convert(toTerminal, utf8);
            }
            // Only one byte of the codeset's upper half: one cell, never C1.
            if (own.size() == 1 && static_cast<unsigned char>(own[0]) >= 0xA0) {
                glyph = single(own[0]);
            } else {
                glyph = single(byte < 0x20    ? lowStandIns[cp437]
                               : byte == 0x7F ? '^'
                                              : highStandIns[cp437 - 0x80]);
            }
        }
    }
    if (toTerminal != reinterpret_cast<iconv_t>(-1)) ::iconv_close(toTerminal);

    typed.fill(-1);
    const iconv_t fromTerminal = ::iconv_open("UTF-8", codeset.c_str());
    if (fromTerminal == reinterpret_cast<iconv_t>(-1)) return;
    for (int byte = 0xA0; byte < 0x100; ++byte) {
        const char in = static_cast<char>(byte);
        const std::string utf8 = convert(fromTerminal, std::string_view(&in, 1));
        char32_t codePoint = 0;
        std::size_t length = 0;
        if (!utf8.empty() && decodeUtf8(utf8, codePoint, length) == Utf8Result::complete &&
            length == utf8.size()) {
            typed[static_cast<std::size_t>(byte - 0xA0)] =
                static_cast<short>(unicodeToCp437(codePoint));
        }
    }
    ::iconv_close(fromTerminal);
}

TerminalCharset TerminalCharset::fromEnvironment() {
    locale_t locale = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    // A locale that is not installed leaves the C locale, as setlocale does.
    if (locale == static_cast<locale_t>(0)) return TerminalCharset("ANSI_X3.4-1968");
    const std::string codeset = ::nl_langinfo_l(CODESET, locale);
    ::freelocale(locale);
    return TerminalCharset(codeset);
}

const TerminalCharset& TerminalCharset::standard() {
    static const TerminalCharset utf8;
    return utf8;
}

void appendGlyph(std::string& out, const TerminalCharset::Glyph& glyph, bool& lineDrawing) {
    if (glyph.lineDrawing != lineDrawing) {
        out += glyph.lineDrawing ? "\x1b(0" : "\x1b(B";
        lineDrawing = glyph.lineDrawing;
    }
    out.append(glyph.bytes, glyph.length);
}

}  // namespace spinchart
