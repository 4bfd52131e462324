// The key decoder: every family of terminal input, split reads, the lone
// Escape, and garbage.
#include "platform/terminal_keys.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/cp437.h"
#include "platform/terminal_charset.h"
#include "platform/terminal_output.h"

namespace spinchart {
namespace {

using Keys = std::vector<std::string>;

std::string nul(char scan) {
    return std::string{'\0', scan};
}

Keys decodeAll(std::string_view bytes, bool flush = true) {
    KeyDecoder decoder;
    std::deque<std::string> keys;
    feedKeyDecoder(decoder, bytes, keys);
    if (flush) flushKeyDecoder(decoder, keys);
    return Keys(keys.begin(), keys.end());
}

// Feeds the bytes one at a time, as a slow line would deliver them.
Keys decodeByteByByte(std::string_view bytes) {
    KeyDecoder decoder;
    std::deque<std::string> keys;
    for (char c : bytes)
        feedKeyDecoder(decoder, std::string_view(&c, 1), keys);
    flushKeyDecoder(decoder, keys);
    return Keys(keys.begin(), keys.end());
}

TEST(KeyDecoder, PlainAndControlCharacters) {
    EXPECT_EQ(decodeAll("aZ9 ~"), (Keys{"a", "Z", "9", " ", "~"}));
    EXPECT_EQ(decodeAll("\r\x03\t\x08\x7f"), (Keys{"\r", "\x03", "\t", "\x08", "\x08"}));
    EXPECT_EQ(decodeAll(std::string_view("\0", 1)), (Keys{std::string(1, '\0')}));
}

TEST(KeyDecoder, Utf8CharactersBecomeCp437Bytes) {
    EXPECT_EQ(decodeAll("äÄé£"), (Keys{"\x84", "\x8E", "\x82", "\x9C"}));
    EXPECT_EQ(decodeAll("═°"), (Keys{"\xCD", "\xF8"}));
    // Characters that code page 437 lacks are keys without a character.
    EXPECT_EQ(decodeAll("€😀"), (Keys{nul(0), nul(0)}));
}

TEST(KeyDecoder, CursorAndFunctionKeys) {
    EXPECT_EQ(decodeAll("\x1b[A\x1b[B\x1b[C\x1b[D"), (Keys{nul(72), nul(80), nul(77), nul(75)}));
    EXPECT_EQ(decodeAll("\x1bOA\x1bOH\x1bOF\x1b[H\x1b[F"),
              (Keys{nul(72), nul(71), nul(79), nul(71), nul(79)}));
    EXPECT_EQ(decodeAll("\x1bOP\x1bOQ\x1bOR\x1bOS"), (Keys{nul(59), nul(60), nul(61), nul(62)}));
    EXPECT_EQ(decodeAll("\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~"),
              (Keys{nul(63), nul(64), nul(68), nul('\x85'), nul('\x86')}));
    EXPECT_EQ(decodeAll("\x1b[1~\x1b[2~\x1b[3~\x1b[4~\x1b[5~\x1b[6~"),
              (Keys{nul(71), nul(82), nul(83), nul(79), nul(73), nul(81)}));
    // Modifiers, the Linux console's F1, Shift+Tab, unknown finals.
    EXPECT_EQ(decodeAll("\x1b[1;5A\x1b[3;2~\x1b[[A\x1b[[E\x1b[Z\x1b[?1;2c"),
              (Keys{nul(72), nul(83), nul(59), nul(63), nul(15), nul(0)}));
    // The keypad in application mode.
    EXPECT_EQ(decodeAll("\x1bOM\x1bOp\x1bOy\x1bOk"), (Keys{"\r", "0", "9", "+"}));
}

TEST(KeyDecoder, AltKeys) {
    EXPECT_EQ(decodeAll("\x1b"
                        "a\x1bQ\x1bz\x1b"
                        "1\x1b"
                        "0"),
              (Keys{nul(30), nul(16), nul(44), nul('\x78'), nul('\x81')}));
    EXPECT_EQ(decodeAll("\x1bé"), (Keys{nul(0)}));
}

TEST(KeyDecoder, LoneEscapeWaitsForTheFlush) {
    KeyDecoder decoder;
    std::deque<std::string> keys;
    feedKeyDecoder(decoder, "x\x1b", keys);
    EXPECT_EQ(Keys(keys.begin(), keys.end()), (Keys{"x"}));
    EXPECT_TRUE(keyDecoderWaiting(decoder));
    flushKeyDecoder(decoder, keys);
    EXPECT_EQ(Keys(keys.begin(), keys.end()), (Keys{"x", "\x1b"}));
    EXPECT_FALSE(keyDecoderWaiting(decoder));

    EXPECT_EQ(decodeAll("\x1b\x1b"), (Keys{"\x1b", "\x1b"}));
    EXPECT_EQ(decodeAll("\x1b\x1b[A"), (Keys{"\x1b", nul(72)}));
    EXPECT_EQ(decodeAll("\x1bO"), (Keys{nul(24)}));  // Alt+O once the wait has passed
    EXPECT_EQ(decodeAll("\x1b["), (Keys{nul(26)}));
}

TEST(KeyDecoder, SplitReadsGiveTheSameKeys) {
    const std::string mixed =
        "a\x1b[A\x1bOP\x1b[15~ä═\x1b[1;5D\x1b"
        "b\r\x7f\x1b[[B€z";
    const Keys whole = decodeAll(mixed);
    EXPECT_EQ(whole.size(), 13u);
    EXPECT_EQ(decodeByteByByte(mixed), whole);
    for (std::size_t cut = 1; cut < mixed.size(); ++cut) {
        KeyDecoder decoder;
        std::deque<std::string> keys;
        feedKeyDecoder(decoder, std::string_view(mixed).substr(0, cut), keys);
        feedKeyDecoder(decoder, std::string_view(mixed).substr(cut), keys);
        flushKeyDecoder(decoder, keys);
        ASSERT_EQ(Keys(keys.begin(), keys.end()), whole) << "cut at " << cut;
    }
}

TEST(KeyDecoder, GarbageIsDroppedAndDecodingGoesOn) {
    // Stray continuation bytes, bad leads, a truncated character, an overlong
    // form, a surrogate, and a CSI broken by a control byte.
    EXPECT_EQ(decodeAll("\x80\xbf"
                        "a\xff\xc0\xaf"
                        "b\xe2\x95"
                        "c\xed\xa0\x80"
                        "d\x1b[12\rX"),
              (Keys{"a", "b", "c", "d", "\r", "X"}));
    // An endless parameter run does not grow without bound.
    KeyDecoder decoder;
    std::deque<std::string> keys;
    feedKeyDecoder(decoder, "\x1b[" + std::string(100000, '1'), keys);
    EXPECT_LT(decoder.pending.size(), 64u);
    feedKeyDecoder(decoder, "~q", keys);
    flushKeyDecoder(decoder, keys);
    EXPECT_EQ(keys.back(), "q");
}

TEST(KeyDecoder, SequencesAndStringsOfAnyLengthAreReadToTheirEnd) {
    // Each case decoded whole and byte by byte: terminal replies and long
    // sequences give one key or nothing, never their bytes as typed keys.
    std::string longCsi = "\x1b[1";
    for (int n = 2; n <= 19; ++n) {
        longCsi += ';';
        longCsi += std::to_string(n);
    }
    const struct {
        std::string bytes;
        Keys keys;
    } cases[] = {
        {longCsi + "Ax", {nul(72), "x"}},
        {"\x1b[" + std::string(40, '1') + "~x", {nul(0), "x"}},
        {"\x1b[?64;1;2;6;9;15;18;21;22c", {nul(0)}},
        {"\x1b[1$2Ax", {"x"}},  // a parameter after an intermediate: nothing
        {"\x1b]11;rgb:00/00/00\x07x", {"x"}},
        {"\x1bP1$r0m\x1b\\x", {"x"}},
        {"\x1bXsos\x1b\\\x1b^pm\x07\x1b_apc\x1b\\x", {"x"}},
        {"\x1b]" + std::string(5000, 'z') + "\x07x", {"x"}},
        {"\x1b]0;é\x1b[A", {nul(72)}},  // an Escape cuts a string short
        // Escape and a control character: Escape, then that key.
        {"\x1b\r\x1b\x7f\x1b\t\x1b\x08",
         {"\x1b", "\r", "\x1b", "\x08", "\x1b", "\t", "\x1b", "\x08"}},
        // Cut off by the escape wait: an introducer alone is Alt with it.
        {"\x1bP", {nul(25)}},
        {"\x1b]", {nul(27)}},
        {"\x1b]abc", {}},
        {"\x1b[12", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeAll(c.bytes), c.keys) << c.bytes;
        EXPECT_EQ(decodeByteByByte(c.bytes), c.keys) << c.bytes;
    }
    KeyDecoder decoder;
    std::deque<std::string> keys;
    feedKeyDecoder(decoder, "\x1bP" + std::string(100000, 'q'), keys);
    EXPECT_TRUE(keys.empty());
    EXPECT_LT(decoder.pending.size(), 64u);
}

TEST(KeyDecoder, EightBitCharacterSets) {
    const TerminalCharset latin1("ISO-8859-1");
    KeyDecoder decoder;
    decoder.charset = &latin1;
    std::deque<std::string> keys;
    // é Ä £, a character code page 437 lacks, 8-bit CSI and OSC ... ST, a
    // stray C1 control.
    feedKeyDecoder(decoder,
                   "\xe9\xc4\xa3\xbe\x9b"
                   "A\x9d"
                   "0;t\x9cy\x85\x1b\xe9",
                   keys);
    EXPECT_EQ(Keys(keys.begin(), keys.end()),
              (Keys{"\x82", "\x8E", "\x9C", nul(0), nul(72), "y", nul(0)}));
    const TerminalCharset ascii("ANSI_X3.4-1968");
    decoder.charset = &ascii;
    keys.clear();
    feedKeyDecoder(decoder, "\xe9z", keys);
    EXPECT_EQ(Keys(keys.begin(), keys.end()), (Keys{nul(0), "z"}));
}

TEST(KeyDecoder, SilencedSequenceGivesNothing) {
    KeyDecoder decoder;
    std::deque<std::string> keys;
    feedKeyDecoder(decoder, "a\x1b[1", keys);
    silenceKeyDecoder(decoder);
    feedKeyDecoder(decoder, "5~b\x1b", keys);
    silenceKeyDecoder(decoder);
    flushKeyDecoder(decoder, keys);
    feedKeyDecoder(decoder, "\x1b", keys);
    silenceKeyDecoder(decoder);
    feedKeyDecoder(decoder, "\rc", keys);  // the Escape goes, the Enter stays
    EXPECT_EQ(Keys(keys.begin(), keys.end()), (Keys{"a", "b", "\r", "c"}));
}

TEST(KeyDecoder, RandomBytesNeverHangOrLeaveMuchBehind) {
    std::mt19937 generator(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> chunk(1, 9);
    for (int round = 0; round < 200; ++round) {
        KeyDecoder decoder;
        std::deque<std::string> keys;
        for (int piece = 0; piece < 50; ++piece) {
            std::string bytes;
            const int length = chunk(generator);
            for (int i = 0; i < length; ++i) {
                const int b = byte(generator);
                // Plenty of escapes and sequence bytes.
                bytes.push_back(static_cast<char>(b < 40 ? 0x1b : b < 80 ? '[' : b));
            }
            feedKeyDecoder(decoder, bytes, keys);
            ASSERT_LT(decoder.pending.size(), 40u);
        }
        flushKeyDecoder(decoder, keys);
        ASSERT_FALSE(keyDecoderWaiting(decoder));
        for (const std::string& key : keys) {
            ASSERT_TRUE(key.size() == 1 || (key.size() == 2 && key[0] == '\0'));
        }
    }
}

TEST(TerminalOutput, ColoursPositionsAndGlyphs) {
    // The console numbers blue 1 and red 4, ANSI the other way round.
    std::string out;
    appendAttribute(out, 1 + 16 * 4);
    EXPECT_EQ(out, "\x1b[0;34;41m");

    const ScreenCell cells[] = {
        {0xC9, 14 + 32}, {'A', 14 + 32}, {0x00, 0 + 16 * 14}, {0xF8, 0 + 16 * 14}};
    int attribute = -1;
    out.clear();
    appendCells(out, 3, 7, cells, 25, 80, attribute);
    EXPECT_EQ(out, "\x1b[3;7H\x1b[0;93;42m╔A\x1b[0;30;103m °");
    EXPECT_EQ(attribute, 16 * 14);

    // Clipped to a smaller terminal.
    out.clear();
    appendCells(out, 3, 9, cells, 25, 10, attribute);
    EXPECT_EQ(out, "\x1b[3;9H\x1b[0;93;42m╔A");
    out.clear();
    appendCells(out, 3, 11, cells, 25, 10, attribute);
    appendCells(out, 26, 1, cells, 25, 80, attribute);
    EXPECT_EQ(out, "");

    // In ASCII box lines come through the DEC line drawing set, which is
    // switched off again at the end of the run.
    const TerminalCharset ascii("ANSI_X3.4-1968");
    const ScreenCell more[] = {{0xCD, 14 + 32}, {0xC9, 14 + 32}, {'A', 14 + 32},
                               {0xF8, 14 + 32}, {0x82, 14 + 32}, {0xBA, 14 + 32}};
    out.clear();
    attribute = 14 + 32;
    appendCells(out, 1, 1, more, 25, 80, attribute, ascii);
    EXPECT_EQ(out, "\x1b[1;1H\x1b(0ql\x1b(BAoe\x1b(0x\x1b(B");
    out.clear();
    appendCells(out, 1, 1, more, 25, 80, attribute, TerminalCharset("ISO-8859-1"));
    EXPECT_EQ(out, "\x1b[1;1H\x1b(0ql\x1b(BA\xb0\xe9\x1b(0x\x1b(B");

    // Cells in 24-bit colour, the console palette's own: one sequence per
    // change of attribute.
    out.clear();
    attribute = -1;
    appendCells(out, 1, 1, cells, 25, 80, attribute, TerminalCharset::standard(),
                ColourDepth::direct24);
    EXPECT_EQ(out,
              "\x1b[1;1H\x1b[0;38;2;255;255;85;48;2;0;170;0m╔A"
              "\x1b[0;38;2;0;0;0;48;2;255;255;85m °");
}

TEST(TerminalCharset, EveryGlyphIsOneCellAndNeverAC1Control) {
    for (const char* codeset : {"UTF-8", "utf8", "ANSI_X3.4-1968", "ISO-8859-1", "ISO-8859-15",
                                "KOI8-R", "EUC-JP", "no such codeset"}) {
        const TerminalCharset charset(codeset);
        EXPECT_EQ(charset.utf8(), std::string_view(codeset).starts_with("u") ||
                                      std::string_view(codeset).starts_with("U"));
        for (int byte = 0; byte < 256; ++byte) {
            const TerminalCharset::Glyph& glyph = charset.glyph(static_cast<unsigned char>(byte));
            const std::string bytes(glyph.bytes, glyph.length);
            if (charset.utf8()) {
                std::string utf8;
                appendUtf8(utf8, cp437ToUnicode(static_cast<unsigned char>(byte)));
                ASSERT_EQ(bytes, utf8);
                continue;
            }
            ASSERT_EQ(bytes.size(), 1u) << codeset << " " << byte;
            const auto b = static_cast<unsigned char>(bytes[0]);
            ASSERT_TRUE((b >= 0x20 && b < 0x7F) || b >= 0xA0) << codeset << " " << byte;
        }
    }
    // A Latin-1 terminal has its own degree sign, middle dot and é; ASCII
    // stands in with o, a period and e.
    const TerminalCharset latin1("ISO-8859-1");
    const TerminalCharset ascii("ANSI_X3.4-1968");
    EXPECT_EQ(latin1.glyph(0xF8).bytes[0], '\xb0');
    EXPECT_EQ(latin1.glyph(0xFA).bytes[0], '\xb7');
    EXPECT_EQ(latin1.glyph(0x82).bytes[0], '\xe9');
    EXPECT_EQ(std::string_view(ascii.glyph(0xF8).bytes, 1), "o");
    EXPECT_EQ(std::string_view(ascii.glyph(0xF9).bytes, 1), ".");
    EXPECT_EQ(std::string_view(ascii.glyph(0x8E).bytes, 1), "A");
}

}  // namespace
}  // namespace spinchart
