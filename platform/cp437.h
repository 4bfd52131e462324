#pragma once
// Code page 437: the single-byte character set of every screen text and file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spinchart {

// Unicode code point shown for each code page 437 byte (the standard mapping,
// with the graphic glyphs for the control range as a console shows them).
char32_t cp437ToUnicode(unsigned char byte);

// The code page 437 byte for a Unicode code point, or -1 when it has none.
int unicodeToCp437(char32_t codePoint);

// The upper-case letter of a code page 437 byte: a-z and the accented small
// letters that have a capital in code page 437; every other byte as it is.
unsigned char cp437ToUpper(unsigned char byte);

// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& out, char32_t codePoint);

// A code page 437 text as UTF-8 (for file names handed to the file system).
std::string cp437ToUtf8(std::string_view text);

// Decoding one UTF-8 character from the start of a text: complete (codePoint
// set, length its bytes), incomplete (the text ends inside it), or invalid
// (length bytes to drop).
enum class Utf8Result { complete, incomplete, invalid };
Utf8Result decodeUtf8(std::string_view in, char32_t& codePoint, std::size_t& length);

// A UTF-8 text (a name from the file system) in code page 437; nullopt when it
// is not valid UTF-8 or holds a character code page 437 lacks.
std::optional<std::string> utf8ToCp437(std::string_view text);

}  // namespace spinchart
