#pragma once
// The character set a POSIX terminal speaks, from the locale: how code page
// 437 glyphs are sent to it and how the bytes it sends are read. UTF-8 carries
// every glyph. Any other codeset never receives a byte in 0x80-0x9F (a C1
// control there): box lines go through the DEC special graphics set, other
// glyphs through the codeset's own character where it has one, else a plain
// ASCII stand-in.

#include <array>
#include <string>

namespace spinchart {

class TerminalCharset {
public:
    // UTF-8.
    TerminalCharset();
    // For a codeset name as nl_langinfo(CODESET) gives it.
    explicit TerminalCharset(const std::string& codeset);
    // The codeset of the locale the environment chooses (LC_ALL, LC_CTYPE,
    // LANG), without changing the program's own locale.
    static TerminalCharset fromEnvironment();
    // A shared UTF-8 one.
    static const TerminalCharset& standard();

    bool utf8() const { return isUtf8; }

    struct Glyph {
        char bytes[3];
        unsigned char length;
        bool lineDrawing;  // bytes are in the DEC special graphics set
    };
    const Glyph& glyph(unsigned char cp437) const { return glyphs[cp437]; }

    // The code page 437 byte for a byte 0xA0-0xFF typed in an 8-bit codeset,
    // -1 when code page 437 lacks it.
    int typedByte(unsigned char byte) const { return byte < 0xA0 ? -1 : typed[byte - 0xA0]; }

private:
    bool isUtf8 = true;
    std::array<Glyph, 256> glyphs{};
    std::array<short, 96> typed{};
};

// Appends a glyph, switching the DEC special graphics set in and out around
// line drawing; lineDrawing tells whether it is in now.
void appendGlyph(std::string& out, const TerminalCharset::Glyph& glyph, bool& lineDrawing);

}  // namespace spinchart
