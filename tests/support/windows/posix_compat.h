#pragma once
// The few POSIX calls the shared test helpers use, for the Windows test build
// (included ahead of every test source there).

#include <direct.h>
#include <io.h>

#include <cstring>

// Replaces the trailing XXXXXX of `pattern` and creates that folder.
inline char* mkdtemp(char* pattern) {
    const std::size_t length = std::strlen(pattern);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (length >= 6) std::memcpy(pattern + length - 6, "XXXXXX", 6);
        if (_mktemp_s(pattern, length + 1) != 0) return nullptr;
        if (_mkdir(pattern) == 0) return pattern;
    }
    return nullptr;
}
