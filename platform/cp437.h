#pragma once
// Code page 437: the single-byte character set of every screen text and file.

#include <cstdint>
#include <string>
#include <string_view>

namespace spinchart {

// Unicode code point shown for each code page 437 byte (the standard mapping,
// with the graphic glyphs for the control range as a console shows them).
char32_t cp437ToUnicode(unsigned char byte);

// The code page 437 byte for a Unicode code point, or -1 when it has none.
int unicodeToCp437(char32_t codePoint);

// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& out, char32_t codePoint);

// A code page 437 text as UTF-8 (for file names handed to the file system).
std::string cp437ToUtf8(std::string_view text);

}  // namespace spinchart
