// Any bytes as a settings file: loading never fails or crashes, gives the
// four values of a plain byte-by-byte reading (empty ones replaced by the
// wheel's defaults), and leaves the file as it was.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "session/block_reader.h"
#include "session/settings_files.h"
#include "session/spin_file_model.h"
#include "session/wheel_profile.h"
#include "support/test_files.h"

namespace {

using namespace spinchart;

constexpr std::size_t longestValue = 65536;

// One value: leading blanks dropped; a quoted value runs to the next quote;
// otherwise to a comma or line end, TABs dropped. Then what ends a value.
std::string modelValue(std::string_view data, std::size_t& at) {
    std::string value;
    while (at < data.size() && data[at] == ' ')
        ++at;
    if (at == data.size()) return value;
    if (data[at] == '"') {
        ++at;
        while (at < data.size() && data[at] != '"') {
            if (value.size() < longestValue) value += data[at];
            ++at;
        }
        if (at < data.size()) ++at;
    } else {
        while (at < data.size() && data[at] != ',' && data[at] != '\r' && data[at] != '\n') {
            if (data[at] != '\t' && value.size() < longestValue) value += data[at];
            ++at;
        }
    }
    model::skipValueEnd(data, at);
    return value;
}

std::array<std::string, 4> modelSettings(std::string_view data) {
    const std::size_t stop = data.find('\x1A');
    if (stop != std::string_view::npos) data = data.substr(0, stop);
    if (data.starts_with("\xEF\xBB\xBF")) data.remove_prefix(3);  // a byte order mark
    std::size_t at = 0;
    std::array<std::string, 4> values;
    for (auto& value : values)
        value = modelValue(data, at);
    return values;
}

std::array<std::string, 4> fields(const SessionSettings& s) {
    return {s.dataFile, s.randomFile, s.reportFile, s.skipFile};
}

// A scratch working folder for the whole run, removed at exit (the name is
// never freed, so it outlives the handler).
const std::filesystem::path& scratchFolder() {
    static const std::filesystem::path* folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "spinchart-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        std::filesystem::current_path(pattern);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::current_path("/", ignored);
            std::filesystem::remove_all(scratchFolder(), ignored);
        });
        return new std::filesystem::path(pattern);
    }();
    return *folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string data(reinterpret_cast<const char*>(bytes), size);
    const std::array<std::string, 4> expected = modelSettings(data);

    BlockReader reader = testing::memoryReader(data);
    if (fields(parseSettings(reader)) != expected) std::abort();

    // Through the file the session reads, with the defaults for empty values.
    const WheelProfile& profile = size % 2 == 0 ? singleZeroProfile : doubleZeroProfile;
    const std::filesystem::path file = scratchFolder() / std::string(profile.settingsFile);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    const std::array<std::string_view, 4> defaults = {
        profile.defaultDataFile, profile.defaultRandomFile, profile.defaultReportFile,
        profile.defaultSkipFile};
    const std::array<std::string, 4> loaded = fields(loadSettings(profile));
    for (std::size_t k = 0; k < 4; ++k) {
        const std::string& want = expected[k].empty() ? std::string(defaults[k]) : expected[k];
        if (loaded[k] != want) std::abort();
    }
    if (testing::readWholeFile(file) != data) std::abort();
    return 0;
}
