#pragma once
// Whole files as bytes, for the tests to set up and compare, and bytes read
// as the readers read a file.

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "session/block_reader.h"

namespace spinchart::testing {

// A whole file's bytes; empty when it cannot be read.
inline std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Creates or empties the file, then writes the bytes.
inline void writeWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A reader of the bytes, handed over `blockSize` at a time as from a file.
inline BlockReader memoryReader(std::string_view bytes, std::size_t blockSize = 4096) {
    return BlockReader(
        [bytes](char* data, std::size_t size) mutable {
            const std::size_t n = std::min(size, bytes.size());
            std::memcpy(data, bytes.data(), n);
            bytes.remove_prefix(n);
            return n;
        },
        blockSize);
}

}  // namespace spinchart::testing
