#pragma once
// Turns the bytes a terminal sends into key codes: UTF-8 characters that code
// page 437 holds become their byte; cursor and function keys (CSI and SS3
// sequences) and Alt+key become NUL and a scan code; a lone Escape is a key of
// its own once the escape wait has passed. Malformed input is dropped.

#include <deque>
#include <string>
#include <string_view>

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
    std::string undecoded;  // the start of a sequence still incomplete
};

// Decodes bytes (after what is left over) and appends the complete keys.
void feedKeyDecoder(KeyDecoder& decoder, std::string_view bytes, std::deque<std::string>& keys);

// True while an incomplete sequence waits for its rest.
inline bool keyDecoderWaiting(const KeyDecoder& decoder) {
    return !decoder.undecoded.empty();
}

// The escape wait has passed: decodes the incomplete rest as it stands (a lone
// Escape becomes character 27, ESC O becomes Alt+O, a cut-off sequence is
// dropped).
void flushKeyDecoder(KeyDecoder& decoder, std::deque<std::string>& keys);

}  // namespace spinchart
