// The arguments from the wide command line: argv holds them in the ANSI code
// page, where a character it lacks has become '?'.
#include <windows.h>

#include <shellapi.h>

#include "platform/program_arguments.h"

namespace spinchart {
namespace {

std::string utf8Of(const wchar_t* word) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, word, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, word, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();  // the terminating NUL
    return out;
}

}  // namespace

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> words;
    if (!wide) {
        for (int at = 1; at < argc; ++at)
            words.emplace_back(argv[at]);
        return words;
    }
    for (int at = 1; at < count; ++at)
        words.push_back(utf8Of(wide[at]));
    LocalFree(wide);
    return words;
}

}  // namespace spinchart
