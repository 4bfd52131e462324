#include "session/settings_files.h"

#include <exception>

#include "platform/cp437.h"
#include "text/output_file.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

// Longer than any usable path; a stray huge line is cut here rather than held.
constexpr std::size_t maxValueLength = 65536;

void writeFourLines(std::string_view cp437Name, std::string_view a, std::string_view b,
                    std::string_view c, std::string_view d) {
    OutputFile out;
    out.open(cp437Name);
    for (std::string_view line : {a, b, c, d}) {
        out.write(line);
        out.newLine();
    }
    out.close();
}

void fillEmptyFromDefaults(SessionSettings& settings, const WheelProfile& profile) {
    if (settings.dataFile.empty()) settings.dataFile = profile.defaultDataFile;
    if (settings.randomFile.empty()) settings.randomFile = profile.defaultRandomFile;
    if (settings.reportFile.empty()) settings.reportFile = profile.defaultReportFile;
    if (settings.skipFile.empty()) settings.skipFile = profile.defaultSkipFile;
}

}  // namespace

std::string readSettingValue(BlockReader& reader) {
    std::string value;
    int c = reader.skipBlanks();
    if (c < 0) return value;
    auto keep = [&value](int byte) {
        if (value.size() < maxValueLength) value.push_back(static_cast<char>(byte));
    };
    if (c == '"') {
        reader.advance();
        for (c = reader.peek(); c >= 0 && c != '"'; c = reader.peek()) {
            keep(c);
            reader.advance();
        }
        if (c == '"') reader.advance();
    } else {
        for (; c >= 0 && c != ',' && c != '\r' && c != '\n'; c = reader.peek()) {
            if (c != '\t') keep(c);
            reader.advance();
        }
    }
    reader.endValue();
    return value;
}

SessionSettings parseSettings(BlockReader& reader) {
    SessionSettings settings;
    settings.dataFile = readSettingValue(reader);
    settings.randomFile = readSettingValue(reader);
    settings.reportFile = readSettingValue(reader);
    settings.skipFile = readSettingValue(reader);
    return settings;
}

SessionSettings loadSettings(const WheelProfile& profile) {
    SessionSettings settings;
    const std::string path = cp437ToUtf8(profile.settingsFile);
    if (regularFileExists(path)) {
        // A file that cannot be read yields empty values.
        try {
            FileHandle file = FileHandle::openForReading(path);
            BlockReader reader(file, 64 * 1024);
            settings = parseSettings(reader);
        } catch (const std::exception&) {
        }
    } else {
        fillEmptyFromDefaults(settings, profile);
        try {
            saveSettings(profile, settings.dataFile, settings.randomFile, settings.reportFile,
                         settings.skipFile);
        } catch (const std::exception&) {
        }
    }
    fillEmptyFromDefaults(settings, profile);
    return settings;
}

void saveSettings(const WheelProfile& profile, std::string_view dataFile,
                  std::string_view randomFile, std::string_view reportFile,
                  std::string_view skipFile) {
    writeFourLines(profile.settingsFile, dataFile, randomFile, reportFile, skipFile);
}

void writeDataChoice(const WheelProfile& profile, std::string_view chosenDataFile,
                     const SessionSettings& settings) {
    writeFourLines(profile.dataSettingsFile, chosenDataFile, settings.randomFile,
                   settings.reportFile, settings.skipFile);
}

}  // namespace spinchart
