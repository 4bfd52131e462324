// Any bytes from the terminal, in UTF-8 or an 8-bit character set: the key
// decoder never crashes, keeps only a short incomplete rest, gives only
// well-formed key codes, and gives the same keys however the bytes are split
// into reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>

#include "platform/terminal_keys.h"

namespace {

using namespace spinchart;

constexpr std::size_t longestRest = 16;

void checkKeys(const std::deque<std::string>& keys) {
    for (const std::string& key : keys) {
        if (!(key.size() == 1 || (key.size() == 2 && key[0] == '\0'))) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses how the rest is cut into reads, and its top bit
    // the character set.
    const unsigned cutting = bytes[0];
    const std::string_view input(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    static const TerminalCharset latin1("ISO-8859-1");
    const TerminalCharset* charset = (cutting & 0x80) != 0 ? &latin1 : nullptr;

    KeyDecoder whole;
    whole.charset = charset;
    std::deque<std::string> wholeKeys;
    feedKeyDecoder(whole, input, wholeKeys);
    if (whole.pending.size() > longestRest) std::abort();
    flushKeyDecoder(whole, wholeKeys);
    if (keyDecoderWaiting(whole)) std::abort();
    checkKeys(wholeKeys);

    KeyDecoder pieces;
    pieces.charset = charset;
    std::deque<std::string> pieceKeys;
    std::size_t at = 0;
    for (unsigned step = 0; at < input.size(); ++step) {
        const std::size_t length = 1 + ((cutting * 7 + step * 13) % (1 + cutting % 11));
        const std::string_view piece = input.substr(at, length);
        feedKeyDecoder(pieces, piece, pieceKeys);
        if (pieces.pending.size() > longestRest) std::abort();
        at += piece.size();
    }
    flushKeyDecoder(pieces, pieceKeys);
    if (pieceKeys != wholeKeys) std::abort();

    // Without escapes and high bytes every byte is its own key.
    bool plain = true;
    for (char c : input)
        plain = plain && c != '\x1b' && static_cast<unsigned char>(c) < 0x80;
    if (plain) {
        if (wholeKeys.size() != input.size()) std::abort();
        for (std::size_t i = 0; i < input.size(); ++i) {
            const char expected = input[i] == '\x7f' ? '\x08' : input[i];
            if (wholeKeys[i] != std::string(1, expected)) std::abort();
        }
    }
    return 0;
}
