#pragma once
// The session's spins: loaded from a spin file or drawn at random, with their
// average and standard deviation.
//
// Spin file: code page 437 text, one value per line, newest first. Lines end in
// CR LF (or LF alone); several values on a line are separated by blanks or
// commas; a Ctrl-Z byte ends the data.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/main_report.h"
#include "platform/clock.h"
#include "session/block_reader.h"
#include "session/spin_list.h"
#include "session/wheel_profile.h"
#include "text/random_source.h"

namespace spinchart {

struct SessionSpins {
    SpinList list;
    // The spin file as the dialogue names it (code page 437); none for drawn spins.
    std::optional<std::string> dataFileName;
    std::string sourcePath;  // the spin file as found on disk; empty for drawn spins
    SpinStatistics statistics;
};

// A name with a NUL byte names no file the system can open: throws SessionError.
void refuseUnusableName(std::string_view cp437Name);

// The next value of a spin file. Throws SessionError when only blanks are left.
// A value written exactly "00" is `zeroZero`: 0 as spin files are read, or
// 37 where the double-zero wheel's 00 is meant.
std::int32_t readSpinValue(BlockReader& reader, std::int32_t zeroZero = 0);

// Reads every value up to the end of the data and computes the statistics.
// `dataBytes`, the data's length where known, lets the list be sized once.
// Throws SessionError as readSpinValue does, or when memory fails.
SessionSpins loadSpins(BlockReader& reader, std::uint64_t dataBytes = 0);

// Opens the named spin file (code page 437 name; a name missing as written is
// looked up ignoring letter case) and loads it. Throws SessionError, or
// PlatformError when the file cannot be read.
SessionSpins loadSpinFile(std::string_view cp437Name);

// Average and population standard deviation over positions 1 to totalSpins,
// each rounded to one decimal and then to a whole number (ties to even).
SpinStatistics computeSpinStatistics(const SpinList& list, std::int32_t totalSpins);

// Draws `count` spins from the wheel's pool and writes them, one print form
// per line, to the named file. Seeds the random source once from the clock.
// Throws SessionError, or PlatformError when the file cannot be written.
SessionSpins generateSpins(const WheelNeighbourTable& pool, RandomState& random,
                           ClockReader readClock, std::int32_t count,
                           std::string_view cp437OutputName);

}  // namespace spinchart
