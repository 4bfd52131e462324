#pragma once
// The reading of spin and settings files written out plainly, one byte at a
// time, for the tests and fuzz targets to hold the block reader against.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/number_text.h"

namespace spinchart::model {

// What ends a value: blanks and TABs, then one line end (CR LF, CR or LF) or
// comma.
inline void skipValueEnd(std::string_view data, std::size_t& at) {
    while (at < data.size() && (data[at] == ' ' || data[at] == '\t'))
        ++at;
    if (at < data.size() && data[at] == '\r') {
        ++at;
        if (at < data.size() && data[at] == '\n') ++at;
    } else if (at < data.size() && (data[at] == '\n' || data[at] == ',')) {
        ++at;
    }
}

// What a reader sees of the data: nothing after a Ctrl-Z, nothing of a byte
// order mark at the start.
inline std::string_view dataOf(std::string_view data) {
    const std::size_t stop = data.find('\x1A');
    if (stop != std::string_view::npos) data = data.substr(0, stop);
    if (data.starts_with("\xEF\xBB\xBF")) data.remove_prefix(3);
    return data;
}

// The spins of a spin file, or nothing where it cannot be read: nothing after
// a Ctrl-Z, nothing of a byte order mark at the start; a value runs to a blank, comma or line end,
// TABs dropped, at most 255 bytes kept; blanks with nothing after them are a failure.
inline std::optional<std::vector<std::int32_t>> spinsOf(std::string_view data) {
    data = dataOf(data);
    std::vector<std::int32_t> spins;
    std::size_t at = 0;
    while (at < data.size()) {
        while (at < data.size() && data[at] == ' ')
            ++at;
        if (at == data.size()) return std::nullopt;
        std::string text;
        while (at < data.size() &&
               std::string_view(" ,\r\n").find(data[at]) == std::string_view::npos) {
            if (data[at] != '\t' && text.size() < 255) text += data[at];
            ++at;
        }
        skipValueEnd(data, at);
        spins.push_back(toInt32(leadingNumber(text)));
    }
    return spins;
}

}  // namespace spinchart::model
