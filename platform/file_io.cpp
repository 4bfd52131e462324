// What the file backends share: the handle's ownership, and the Windows name
// rules, plain text logic that is tested on every build.
#include <array>
#include <string_view>
#include <utility>

#include "platform/file_io.h"

namespace spinchart {
namespace {

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Equal but for the letter case of ASCII letters.
bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    }
    return true;
}

// COM or LPT with one port digit: 1 to 9, or a superscript ¹ ² ³ in UTF-8.
bool isPortName(std::string_view stem) {
    if (stem.size() < 4 ||
        !(sameLetters(stem.substr(0, 3), "COM") || sameLetters(stem.substr(0, 3), "LPT")))
        return false;
    const std::string_view port = stem.substr(3);
    static constexpr std::array<std::string_view, 3> superscripts = {"\xC2\xB9", "\xC2\xB2",
                                                                     "\xC2\xB3"};
    if (port.size() == 1) return port[0] >= '1' && port[0] <= '9';
    for (std::string_view superscript : superscripts) {
        if (port == superscript) return true;
    }
    return false;
}

}  // namespace

FileHandle::FileHandle(FileHandle&& other) noexcept
    : native_(std::exchange(other.native_, noFile)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (isOpen()) closeNative(native_);
        native_ = std::exchange(other.native_, noFile);
    }
    return *this;
}

FileHandle::~FileHandle() {
    if (isOpen()) closeNative(native_);
}

WindowsName classifyWindowsName(std::string_view path) {
    // The last part: after the last separator, or after a drive's colon.
    std::size_t start = path.find_last_of("\\/");
    if (start != std::string_view::npos) {
        ++start;
    } else if (path.size() >= 2 && path[1] == ':') {
        start = 2;
    } else {
        start = 0;
    }
    std::string_view stem = path.substr(start);
    // Windows reads CON.TXT, CON: and "CON ." as CON.
    stem = stem.substr(0, stem.find_first_of(".:"));
    while (!stem.empty() && stem.back() == ' ')
        stem.remove_suffix(1);

    if (sameLetters(stem, "CON") || sameLetters(stem, "CONIN$") || sameLetters(stem, "CONOUT$"))
        return WindowsName::console;
    if (sameLetters(stem, "NUL")) return WindowsName::nullDevice;
    if (sameLetters(stem, "AUX") || sameLetters(stem, "PRN") || isPortName(stem))
        return WindowsName::device;
    return WindowsName::file;
}

}  // namespace spinchart
