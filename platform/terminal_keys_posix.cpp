#include "platform/terminal_keys.h"

#include <cstdint>

#include "platform/cp437.h"

namespace spinchart {
namespace {

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

// Key of a CSI (or SS3) sequence from its parameter bytes and final byte:
// a letter alone, or "n ~" by its number.
std::string csiKey(std::string_view parameters, unsigned char final) {
    using namespace scanCode;
    static constexpr std::string_view finals = "ABCDHFEZPQRS";
    static constexpr char finalKeys[] = {up,     down,    right, left, home, end,
                                         centre, backTab, f1,    f2,   f3,   f4};
    static constexpr char tildeKeys[] = {
        unknown, home, insert,  del, end, pageUp, pageDown, home, end, unknown,  // 0-9
        unknown, f1,   f2,      f3,  f4,  f5,     unknown,  f6,   f7,  f8,       // 10-19
        f9,      f10,  unknown, f11, f12};                                       // 20-24
    if (final != '~') {
        const std::size_t at = finals.find(static_cast<char>(final));
        return noCharacterKey(at == std::string_view::npos ? unknown : finalKeys[at]);
    }
    std::size_t number = 0;
    for (char c : parameters) {
        if (c < '0' || c > '9') break;
        number = number * 10 + static_cast<std::size_t>(c - '0');
        if (number > 1000) break;
    }
    return noCharacterKey(number < std::size(tildeKeys) ? tildeKeys[number] : unknown);
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

using State = KeyDecoder::State;

// Parameter bytes kept of a sequence: enough for every key's numbers.
constexpr std::size_t keptParameters = 16;

void emit(KeyDecoder& decoder, std::string key, std::deque<std::string>& keys) {
    if (!decoder.silenced) keys.push_back(std::move(key));
}

void toGround(KeyDecoder& decoder) {
    decoder.state = State::ground;
    decoder.silenced = false;
    decoder.alt = false;
    decoder.pending.clear();
}

void startSequence(KeyDecoder& decoder, char introducer, bool sevenBit) {
    decoder.state = State::sequence;
    decoder.introducer = introducer;
    decoder.sevenBit = sevenBit;
    decoder.intermediate = false;
    decoder.malformed = false;
    decoder.length = 0;
    decoder.pending.clear();
}

void startString(KeyDecoder& decoder, char introducer, bool sevenBit) {
    decoder.state = sevenBit ? State::stringStart : State::string;
    decoder.introducer = introducer;
    decoder.sevenBit = sevenBit;
}

bool isStringIntroducer(unsigned char c) {
    return c == 'P' || c == ']' || c == 'X' || c == '^' || c == '_';
}

void step(KeyDecoder& decoder, unsigned char c, std::deque<std::string>& keys);

void stepGround(KeyDecoder& decoder, unsigned char c, std::deque<std::string>& keys) {
    if (c == 0x1B) {
        decoder.state = State::escape;
    } else if (c == 0x7F) {
        emit(decoder, "\x08", keys);  // the Backspace key of most terminals
    } else if (c < 0x80) {
        emit(decoder, std::string(1, static_cast<char>(c)), keys);
    } else if (decoder.charset == nullptr) {
        decoder.state = State::character;
        decoder.pending.assign(1, static_cast<char>(c));
        char32_t codePoint = 0;
        std::size_t length = 0;
        if (decodeUtf8(decoder.pending, codePoint, length) == Utf8Result::invalid)
            toGround(decoder);  // not a lead byte: dropped
    } else if (c >= 0xA0) {
        const int byte = decoder.charset->typedByte(c);
        emit(decoder,
             byte < 0 ? noCharacterKey(scanCode::unknown) : std::string(1, static_cast<char>(byte)),
             keys);
    } else if (c == 0x9B || c == 0x8F) {  // 8-bit CSI and SS3
        startSequence(decoder, c == 0x9B ? '[' : 'O', false);
    } else if (c == 0x90 || c == 0x9D || c == 0x98 || c == 0x9E || c == 0x9F) {
        startString(decoder, static_cast<char>(c - 0x40), false);
    }  // any other C1 control is dropped
}

void stepEscape(KeyDecoder& decoder, unsigned char c, std::deque<std::string>& keys) {
    if (c == '[' || c == 'O') {
        startSequence(decoder, static_cast<char>(c), true);
    } else if (isStringIntroducer(c)) {
        startString(decoder, static_cast<char>(c), true);
    } else if (c >= 0x20 && c < 0x7F) {
        emit(decoder, noCharacterKey(altScanCode(c)), keys);
        toGround(decoder);
    } else if (c >= 0x80 && decoder.charset == nullptr) {
        toGround(decoder);
        decoder.alt = true;
        decoder.state = State::character;
        decoder.pending.assign(1, static_cast<char>(c));
        char32_t codePoint = 0;
        std::size_t length = 0;
        if (decodeUtf8(decoder.pending, codePoint, length) == Utf8Result::invalid)
            toGround(decoder);  // ESC and a stray byte: dropped
    } else if (c >= 0xA0) {
        emit(decoder, noCharacterKey(scanCode::unknown), keys);  // Alt + a character
        toGround(decoder);
    } else {
        // A control character (another ESC, CR, Tab, Backspace, a C1
        // control): Escape, then that key.
        emit(decoder, "\x1b", keys);
        toGround(decoder);
        step(decoder, c, keys);
    }
}

void stepSequence(KeyDecoder& decoder, unsigned char c, std::deque<std::string>& keys) {
    if (decoder.length < keptParameters + 1) ++decoder.length;
    if (c == '[' && decoder.introducer == '[' && decoder.sevenBit && decoder.length == 1) {
        decoder.state = State::linuxFunction;
    } else if (inRange(c, 0x30, 0x3F)) {
        if (decoder.intermediate) decoder.malformed = true;
        if (decoder.pending.size() < keptParameters)
            decoder.pending.push_back(static_cast<char>(c));
    } else if (inRange(c, 0x20, 0x2F)) {
        decoder.intermediate = true;
    } else if (inRange(c, 0x40, 0x7E)) {
        if (!decoder.malformed) {
            emit(
                decoder,
                decoder.introducer == '[' ? csiKey(decoder.pending, c) : ss3Key(decoder.pending, c),
                keys);
        }
        toGround(decoder);
    } else {
        // Broken by a byte that cannot be in it: dropped, the byte comes next.
        toGround(decoder);
        step(decoder, c, keys);
    }
}

void stepString(KeyDecoder& decoder, unsigned char c) {
    if (c == 0x07 || (c == 0x9C && decoder.charset != nullptr)) {
        toGround(decoder);  // BEL or ST: the string is over, and gives nothing
    } else if (c == 0x1B) {
        decoder.state = State::stringEscape;
    } else {
        decoder.state = State::string;
    }
}

void stepCharacter(KeyDecoder& decoder, unsigned char c, std::deque<std::string>& keys) {
    decoder.pending.push_back(static_cast<char>(c));
    char32_t codePoint = 0;
    std::size_t length = 0;
    const Utf8Result result = decodeUtf8(decoder.pending, codePoint, length);
    if (result == Utf8Result::incomplete) return;
    if (result == Utf8Result::complete) {
        const int byte = decoder.alt ? -1 : unicodeToCp437(codePoint);
        emit(decoder,
             byte < 0 ? noCharacterKey(scanCode::unknown) : std::string(1, static_cast<char>(byte)),
             keys);
        toGround(decoder);
        return;
    }
    const bool brokenByThis = length < decoder.pending.size();
    toGround(decoder);
    if (brokenByThis) step(decoder, c, keys);  // the bytes before are dropped
}

void step(KeyDecoder& decoder, unsigned char c, std::deque<std::string>& keys) {
    switch (decoder.state) {
        case State::ground:
            stepGround(decoder, c, keys);
            break;
        case State::escape:
            stepEscape(decoder, c, keys);
            break;
        case State::sequence:
            stepSequence(decoder, c, keys);
            break;
        case State::linuxFunction:
            emit(decoder,
                 noCharacterKey(inRange(c, 'A', 'E') ? static_cast<char>(scanCode::f1 + (c - 'A'))
                                                     : scanCode::unknown),
                 keys);
            toGround(decoder);
            break;
        case State::stringStart:
        case State::string:
            stepString(decoder, c);
            break;
        case State::stringEscape:
            if (c == '\\') {
                toGround(decoder);  // ST
            } else {
                // An Escape that does not end the string ends it anyway and
                // starts what follows.
                decoder.state = State::escape;
                stepEscape(decoder, c, keys);
            }
            break;
        case State::character:
            stepCharacter(decoder, c, keys);
            break;
    }
}

}  // namespace

void feedKeyDecoder(KeyDecoder& decoder, std::string_view bytes, std::deque<std::string>& keys) {
    for (char c : bytes)
        step(decoder, static_cast<unsigned char>(c), keys);
}

void flushKeyDecoder(KeyDecoder& decoder, std::deque<std::string>& keys) {
    switch (decoder.state) {
        case State::escape:
            emit(decoder, "\x1b", keys);
            break;
        case State::sequence:
            // ESC [ or ESC O alone: Alt with that key.
            if (decoder.sevenBit && decoder.length == 0)
                emit(decoder,
                     noCharacterKey(altScanCode(static_cast<unsigned char>(decoder.introducer))),
                     keys);
            break;
        case State::stringStart:
            emit(decoder,
                 noCharacterKey(altScanCode(static_cast<unsigned char>(decoder.introducer))), keys);
            break;
        default:
            break;  // cut off: dropped
    }
    toGround(decoder);
}

void silenceKeyDecoder(KeyDecoder& decoder) {
    if (keyDecoderWaiting(decoder)) decoder.silenced = true;
}

}  // namespace spinchart
