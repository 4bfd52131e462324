#include "session/settings_files.h"

#include <exception>

#include "platform/cp437.h"
#include "text/output_file.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

// Longer than any usable path; a stray huge line is cut here rather than held.
constexpr std::size_t maxValueLength = 65536;

void writeFourLines(std::string_view cp437Name, const SessionSettings& settings) {
    OutputFile out;
    out.open(cp437Name);
    for (const std::string& line :
         {settings.dataFile, settings.randomFile, settings.reportFile, settings.skipFile}) {
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
            saveSettings(profile, settings);
        } catch (const std::exception&) {
        }
    }
    fillEmptyFromDefaults(settings, profile);
    return settings;
}

void saveSettings(const WheelProfile& profile, const SessionSettings& settings) {
    writeFourLines(profile.settingsFile, settings);
}

void writeDataChoice(const WheelProfile& profile, std::string_view chosenDataFile,
                     SessionSettings settings) {
    settings.dataFile = chosenDataFile;
    writeFourLines(profile.dataSettingsFile, settings);
}

}  // namespace spinchart
