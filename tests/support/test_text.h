#pragma once
// Texts the tests compare with: lines as the program writes them to files,
// and the UTF-8 forms of what it shows.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace spinchart::testing {

// The items as lines of a file, each ended by CR LF.
inline std::string crlfLines(std::initializer_list<std::string_view> items) {
    std::string out;
    for (auto item : items)
        out.append(item).append("\r\n");
    return out;
}

// How many lines end in CR LF.
inline int crlfLineCount(std::string_view text) {
    int count = 0;
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string_view::npos; at += 2)
        ++count;
    return count;
}

// A run of n double bars, as the terminal shows a double frame's edge.
inline std::string bars(int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += "═";
    return out;
}

// The number of characters in a UTF-8 text.
inline int charactersIn(std::string_view utf8) {
    int n = 0;
    for (char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace spinchart::testing
