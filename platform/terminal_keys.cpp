#include "platform/terminal_keys.h"

#include <cstdint>

#include "platform/cp437.h"

namespace spinchart {
namespace {

constexpr std::size_t longestSequence = 32;  // longer CSI parameter runs are garbage

std::string noCharacterKey(char scan) {
    return std::string{'\0', scan};
}

bool inRange(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

// Scan code of Alt together with a printable ASCII key.
char altScanCode(unsigned char c) {
    static constexpr std::string_view rows[] = {"qwertyuiop[]", "asdfghjkl;'`", "\\zxcvbnm,./"};
    static constexpr int firstCode[] = {16, 30, 43};
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    for (int r = 0; r < 3; ++r) {
        const std::size_t at = rows[r].find(static_cast<char>(c));
        if (at != std::string_view::npos)
            return static_cast<char>(firstCode[r] + static_cast<int>(at));
    }
    if (c >= '1' && c <= '9') return static_cast<char>(120 + (c - '1'));
    if (c == '0') return static_cast<char>(129);
    if (c == '-') return static_cast<char>(130);
    if (c == '=') return static_cast<char>(131);
    return scanCode::unknown;
}

// Key of a CSI (or SS3) sequence from its parameter bytes and final byte.
std::string csiKey(std::string_view parameters, unsigned char final) {
    switch (final) {
        case 'A':
            return noCharacterKey(scanCode::up);
        case 'B':
            return noCharacterKey(scanCode::down);
        case 'C':
            return noCharacterKey(scanCode::right);
        case 'D':
            return noCharacterKey(scanCode::left);
        case 'H':
            return noCharacterKey(scanCode::home);
        case 'F':
            return noCharacterKey(scanCode::end);
        case 'E':
            return noCharacterKey(scanCode::centre);
        case 'Z':
            return noCharacterKey(scanCode::backTab);
        case 'P':
            return noCharacterKey(scanCode::f1);
        case 'Q':
            return noCharacterKey(scanCode::f2);
        case 'R':
            return noCharacterKey(scanCode::f3);
        case 'S':
            return noCharacterKey(scanCode::f4);
        case '~':
            break;
        default:
            return noCharacterKey(scanCode::unknown);
    }
    int number = 0;
    for (char c : parameters) {
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
        if (number > 1000) break;
    }
    switch (number) {
        case 1:
        case 7:
            return noCharacterKey(scanCode::home);
        case 2:
            return noCharacterKey(scanCode::insert);
        case 3:
            return noCharacterKey(scanCode::del);
        case 4:
        case 8:
            return noCharacterKey(scanCode::end);
        case 5:
            return noCharacterKey(scanCode::pageUp);
        case 6:
            return noCharacterKey(scanCode::pageDown);
        case 11:
        case 12:
        case 13:
        case 14:
        case 15:
            return noCharacterKey(static_cast<char>(scanCode::f1 + (number - 11)));
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
            return noCharacterKey(static_cast<char>(scanCode::f6 + (number - 17)));
        case 23:
            return noCharacterKey(scanCode::f11);
        case 24:
            return noCharacterKey(scanCode::f12);
        default:
            return noCharacterKey(scanCode::unknown);
    }
}

// SS3 keys: the cursor and F1-F4 keys as CSI, and the keypad in
// application mode.
std::string ss3Key(std::string_view parameters, unsigned char final) {
    if (final == 'M') return "\r";
    if (final == 'X') return "=";
    if (final >= 'j' && final <= 'y')
        return std::string(1, static_cast<char>("*+,-./0123456789"[final - 'j']));
    return csiKey(parameters, final);
}

// Length of the UTF-8 sequence that starts with lead, 0 when lead cannot
// start one.
std::size_t utf8Length(unsigned char lead) {
    if (inRange(lead, 0xC2, 0xDF)) return 2;
    if (inRange(lead, 0xE0, 0xEF)) return 3;
    if (inRange(lead, 0xF0, 0xF4)) return 4;
    return 0;
}

enum class Utf8Result { complete, incomplete, invalid };

// Decodes one UTF-8 character at the start of in; length tells how many bytes
// to drop when it is invalid.
Utf8Result decodeUtf8(std::string_view in, char32_t& codePoint, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(in[0]);
    length = utf8Length(lead);
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

// Decodes the key at the start of in. Returns the bytes consumed (0: the
// sequence is incomplete and final is false); key stays empty when the bytes
// are dropped.
std::size_t decodeOne(std::string_view in, bool final, std::string& key) {
    const auto first = static_cast<unsigned char>(in[0]);
    if (first == 0x1B) {
        if (in.size() == 1) {
            if (!final) return 0;
            key = "\x1b";
            return 1;
        }
        const auto second = static_cast<unsigned char>(in[1]);
        if (second == '[' || second == 'O') {
            if (in.size() == 2) {
                if (!final) return 0;
                key = noCharacterKey(altScanCode(second));
                return 2;
            }
            // The Linux console's F1-F5: ESC [ [ A..E.
            if (second == '[' && in[2] == '[') {
                if (in.size() == 3) {
                    if (!final) return 0;
                    return 3;
                }
                const auto letter = static_cast<unsigned char>(in[3]);
                if (inRange(letter, 'A', 'E')) {
                    key = noCharacterKey(static_cast<char>(scanCode::f1 + (letter - 'A')));
                } else {
                    key = noCharacterKey(scanCode::unknown);
                }
                return 4;
            }
            // Only the first longestSequence bytes are looked at, so that an
            // overlong sequence is dropped the same way however it is split.
            const std::size_t limit = in.size() < longestSequence ? in.size() : longestSequence;
            std::size_t i = 2;
            while (i < limit && inRange(static_cast<unsigned char>(in[i]), 0x30, 0x3F))
                ++i;
            while (i < limit && inRange(static_cast<unsigned char>(in[i]), 0x20, 0x2F))
                ++i;
            if (i == longestSequence) return i;  // overlong: dropped
            if (i == in.size()) {
                if (!final) return 0;
                return i;  // cut off: dropped
            }
            const auto last = static_cast<unsigned char>(in[i]);
            if (!inRange(last, 0x40, 0x7E)) return i;  // broken: drop it, the stray byte comes next
            const std::string_view parameters = in.substr(2, i - 2);
            key = second == '[' ? csiKey(parameters, last) : ss3Key(parameters, last);
            return i + 1;
        }
        if (second == 0x1B) {
            key = "\x1b";  // Escape pressed twice
            return 1;
        }
        if (second < 0x80) {
            key = noCharacterKey(altScanCode(second));
            return 2;
        }
        char32_t codePoint = 0;
        std::size_t length = 0;
        const Utf8Result result = decodeUtf8(in.substr(1), codePoint, length);
        if (result == Utf8Result::incomplete) {
            if (!final) return 0;
            return in.size();
        }
        if (result == Utf8Result::complete) key = noCharacterKey(scanCode::unknown);
        return 1 + length;
    }
    if (first == 0x7F) {
        key = "\x08";  // the Backspace key of most terminals
        return 1;
    }
    if (first < 0x80) {
        key = std::string(1, static_cast<char>(first));
        return 1;
    }
    char32_t codePoint = 0;
    std::size_t length = 0;
    const Utf8Result result = decodeUtf8(in, codePoint, length);
    if (result == Utf8Result::incomplete) {
        if (!final) return 0;
        return in.size();
    }
    if (result == Utf8Result::complete) {
        const int byte = unicodeToCp437(codePoint);
        key =
            byte < 0 ? noCharacterKey(scanCode::unknown) : std::string(1, static_cast<char>(byte));
    }
    return length;
}

void decode(KeyDecoder& decoder, bool final, std::deque<std::string>& keys) {
    const std::string_view in = decoder.undecoded;
    std::size_t at = 0;
    while (at < in.size()) {
        std::string key;
        const std::size_t used = decodeOne(in.substr(at), final, key);
        if (used == 0) break;
        at += used;
        if (!key.empty()) keys.push_back(std::move(key));
    }
    decoder.undecoded.erase(0, at);
}

}  // namespace

void feedKeyDecoder(KeyDecoder& decoder, std::string_view bytes, std::deque<std::string>& keys) {
    decoder.undecoded.append(bytes);
    decode(decoder, false, keys);
}

void flushKeyDecoder(KeyDecoder& decoder, std::deque<std::string>& keys) {
    decode(decoder, true, keys);
}

}  // namespace spinchart
