#pragma once
// Turns the bytes a terminal sends into key codes: characters that code page
// 437 holds become their byte; cursor and function keys (CSI and SS3
// sequences) and Alt+key become NUL and a scan code; a lone Escape is a key of
// its own once the escape wait has passed. The whole ECMA-48 input grammar is
// read: a control sequence of any length up to its final byte, and control
// strings (OSC, DCS, SOS, PM, APC) swallowed up to ST or BEL. Malformed input
// is dropped. The decoder reads one byte at a time, so how reads split the
// input never changes the keys.

#include <deque>
#include <string>
#include <string_view>

#include "platform/terminal_charset.h"

namespace spinchart {

// Scan codes of the keys without a character.
namespace scanCode {
constexpr char f1 = 59, f2 = 60, f3 = 61, f4 = 62, f5 = 63, f6 = 64, f7 = 65, f8 = 66, f9 = 67,
               f10 = 68;
constexpr char home = 71, up = 72, pageUp = 73, left = 75, centre = 76, right = 77, end = 79,
               down = 80;
constexpr char pageDown = 81, insert = 82, del = 83, backTab = 15;
constexpr char f11 = static_cast<char>(133), f12 = static_cast<char>(134);
constexpr char unknown = 0;
}  // namespace scanCode

struct KeyDecoder {
    enum class State : unsigned char {
        ground,
        escape,         // after ESC
        sequence,       // a CSI or SS3 sequence, up to its final byte
        linuxFunction,  // after ESC [ [ (the Linux console's F1-F5)
        stringStart,    // just after the introducer of a control string
        string,         // inside a control string
        stringEscape,   // ESC inside a control string (ST when \ follows)
        character,      // inside a multi-byte UTF-8 character
    };
    // Bytes 0x80-0xFF: UTF-8 when null, else one character each in this
    // 8-bit character set (with 0x80-0x9F the C1 controls).
    const TerminalCharset* charset = nullptr;
    State state = State::ground;
    char introducer = 0;        // '[' or 'O', or the control string's letter
    bool sevenBit = false;      // the sequence began with ESC (Alt+key when cut off)
    bool alt = false;           // the character follows an Escape
    bool intermediate = false;  // an intermediate byte was seen
    bool malformed = false;     // a parameter byte after an intermediate
    bool silenced = false;      // the key under way was discarded
    std::size_t length = 0;     // bytes after the introducer, counted up to a bound
    std::string pending;        // parameter bytes kept, or the UTF-8 bytes so far
};

// Decodes bytes and appends the complete keys.
void feedKeyDecoder(KeyDecoder& decoder, std::string_view bytes, std::deque<std::string>& keys);

// True while an incomplete sequence waits for its rest.
inline bool keyDecoderWaiting(const KeyDecoder& decoder) {
    return decoder.state != KeyDecoder::State::ground;
}

// The escape wait has passed: decodes the incomplete rest as it stands (a lone
// Escape becomes character 27, ESC O becomes Alt+O, a cut-off sequence or
// string is dropped).
void flushKeyDecoder(KeyDecoder& decoder, std::deque<std::string>& keys);

// The key under way gives nothing: its rest is still read, then dropped.
void silenceKeyDecoder(KeyDecoder& decoder);

}  // namespace spinchart
