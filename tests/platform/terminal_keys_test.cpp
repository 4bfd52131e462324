// The key decoder: every family of terminal input, split reads, the lone
// Escape, and garbage.
#include "platform/terminal_keys.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

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
    EXPECT_LT(decoder.undecoded.size(), 64u);
    feedKeyDecoder(decoder, "~q", keys);
    flushKeyDecoder(decoder, keys);
    EXPECT_EQ(keys.back(), "q");
}

TEST(KeyDecoder, OverlongSequenceIsDroppedAlikeWholeOrSplit) {
    // Pasted garbage must not give other keys depending on how reads split it.
    const std::string overlong = "\x1b[" + std::string(40, '1') + "Ax";
    const Keys whole = decodeAll(overlong);
    EXPECT_EQ(decodeByteByByte(overlong), whole);
    EXPECT_EQ(whole.back(), "x");
    EXPECT_EQ(whole.front(), "1");  // the run past the limit comes out as typed
    // Just under the limit the sequence is still a key, split or not.
    const std::string longest = "\x1b[" + std::string(29, '1') + "A";
    EXPECT_EQ(decodeAll(longest), (Keys{nul(72)}));
    EXPECT_EQ(decodeByteByByte(longest), (Keys{nul(72)}));
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
            ASSERT_LT(decoder.undecoded.size(), 40u);
        }
        flushKeyDecoder(decoder, keys);
        ASSERT_FALSE(keyDecoderWaiting(decoder));
        for (const std::string& key : keys) {
            ASSERT_TRUE(key.size() == 1 || (key.size() == 2 && key[0] == '\0'));
        }
    }
}

TEST(TerminalOutput, ColoursPositionsAndGlyphs) {
    std::string out;
    appendAttribute(out, 14 + 16 * 2);
    EXPECT_EQ(out, "\x1b[0;93;42m");
    out.clear();
    appendAttribute(out, 0 + 16 * 14);
    EXPECT_EQ(out, "\x1b[0;30;103m");
    out.clear();
    appendAttribute(out, 1 + 16 * 4);  // blue on red
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
}

}  // namespace
}  // namespace spinchart
