#pragma once
// Whole files as bytes, for the tests to set up and compare.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

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

}  // namespace spinchart::testing
