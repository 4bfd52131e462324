#pragma once
// The per-wheel settings file (four remembered file names offered as defaults)
// and the data-choice file that records the data file chosen for analysis.
// Both are four lines of code page 437 text ending in CR LF.

#include <string>
#include <string_view>

#include "session/block_reader.h"
#include "session/wheel_profile.h"

namespace spinchart {

struct SessionSettings {
    std::string dataFile;
    std::string randomFile;
    std::string reportFile;
    std::string skipFile;
};

// Reads the wheel's settings file, or creates it with the profile's defaults.
// Never fails: whatever cannot be read or written is skipped, and an empty
// field takes the profile's default.
SessionSettings loadSettings(const WheelProfile& profile);

// Writes the four names to the wheel's settings file. Throws PlatformError
// when it cannot be written.
void saveSettings(const WheelProfile& profile, const SessionSettings& settings);

// Writes the chosen data file and the other three settings to the wheel's
// data-choice file. Throws PlatformError when it cannot be written.
void writeDataChoice(const WheelProfile& profile, std::string_view chosenDataFile,
                     SessionSettings settings);

// Reads one value of a settings file: leading blanks dropped; a value opening
// with a double quote runs to the next one; otherwise it runs to a comma or a
// line end (CR LF, CR or LF), TABs dropped and trailing blanks kept. Empty at
// the end of the data.
std::string readSettingValue(BlockReader& reader);

// The four values read in order from a settings text, without defaults.
SessionSettings parseSettings(BlockReader& reader);

}  // namespace spinchart
