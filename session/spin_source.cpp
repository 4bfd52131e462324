#include "session/spin_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/cp437.h"
#include "platform/file_io.h"
#include "platform/memory.h"
#include "text/number_text.h"
#include "text/output_file.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

constexpr std::size_t maxValueBytes = 255;
constexpr std::int32_t undefinedValue = -2147483647 - 1;

std::int32_t valueOf(const char* text, std::size_t size) {
    // Plain digits, the usual case, are read directly: loading takes a
    // seventh of the time of reading every value as a general number.
    if (size > 0 && size <= 9) {
        std::int32_t value = 0;
        std::size_t i = 0;
        for (; i < size; ++i) {
            const unsigned digit = static_cast<unsigned char>(text[i]) - static_cast<unsigned>('0');
            if (digit > 9) break;
            value = value * 10 + static_cast<std::int32_t>(digit);
        }
        if (i == size) return value;
    }
    return toInt32(leadingNumber(std::string_view(text, size)));
}

__extension__ typedef __int128 Wide;

// The sums of the values and of their squares, from which the statistics
// follow without a second pass over the list.
struct SpinSums {
    std::int64_t sum = 0;
    Wide squares = 0;

    void add(const std::int32_t* values, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            sum += values[i];
            squares += static_cast<std::uint64_t>(std::int64_t{values[i]} * values[i]);
        }
    }
};

SpinStatistics statisticsOf(const SpinSums& sums, std::int32_t totalSpins) {
    SpinStatistics result;
    if (totalSpins <= 0) {
        // Both quotients are zero divided by zero.
        result.spinMean = undefinedValue;
        result.spinStdDev = undefinedValue;
        return result;
    }
    const Extended quotient = static_cast<Extended>(sums.sum) / static_cast<Extended>(totalSpins);
    const std::int32_t mean = toInt32(roundDecimals(quotient, 1));
    result.spinMean = mean;

    // The squares about the mean, exactly: the sum of (v - m)^2 is
    // S2 - 2 m S1 + n m^2.
    const Wide squares =
        sums.squares - 2 * static_cast<Wide>(mean) * sums.sum + Wide{totalSpins} * mean * mean;
    const std::int32_t variance =
        toInt32(static_cast<Extended>(squares) / static_cast<Extended>(totalSpins));
    // The root of a negative value is the value itself.
    const Extended root =
        variance < 0 ? static_cast<Extended>(variance) : std::sqrt(static_cast<Extended>(variance));
    result.spinStdDev = toInt32(roundDecimals(root, 1));
    return result;
}

// Values gathered on the stack before they go to the list and the sums.
constexpr std::size_t chunkValues = 4096;

// One value in the common shape, wholly inside the block: blanks, one to nine
// digits, then blanks or TABs and a line end or comma, or a blank and the next
// value. Returns the position after it, or nullptr where the general rule must
// read the value. A NUL follows `end`.
// Read in place: 10 M spins 110 -> 69 ms of CPU time (spin_source_bench).
const char* plainValue(const char* at, const char* end, std::int32_t& value) {
    while (*at == ' ')
        ++at;
    const char* const digits = at;
    std::uint32_t number = 0;
    for (unsigned digit; (digit = static_cast<unsigned char>(*at) - unsigned{'0'}) < 10; ++at)
        number = number * 10 + digit;
    if (at == digits || at - digits > 9) return nullptr;
    if (*at != ' ' && *at != ',' && *at != '\r' && *at != '\n') return nullptr;
    value = static_cast<std::int32_t>(number);
    while (*at == ' ' || *at == '\t')
        ++at;
    if (*at == '\r') {
        // A line feed may open the next block.
        if (at + 1 == end) return nullptr;
        return at + (at[1] == '\n' ? 2 : 1);
    }
    if (*at == '\n' || *at == ',') return at + 1;
    // Blanks up to the block's end may run on to a line end in the next.
    return at == end ? nullptr : at;
}

// Sizes the list once, from the data's length at the first block's density of
// lines, where the guess fits in memory; otherwise it grows as it fills.
// Not grown (copied, and touched a 4 KiB page at a time): 10 M spins 430 -> 97 ms.
void reserveForData(SpinList& list, std::string_view firstBlock, std::uint64_t dataBytes) {
    if (dataBytes == 0) return;
    const auto lines = static_cast<double>(std::count(firstBlock.begin(), firstBlock.end(), '\n'));
    // A sixteenth to spare.
    const double expected = (lines + 1) * static_cast<double>(dataBytes) /
                            static_cast<double>(firstBlock.size()) * 17 / 16;
    if (expected > std::numeric_limits<std::int32_t>::max() ||
        expected * sizeof(std::int32_t) > static_cast<double>(availableMemoryBytes())) {
        return;
    }
    list.reserve(static_cast<std::size_t>(expected));
}

}  // namespace

std::int32_t readSpinValue(BlockReader& reader, std::int32_t zeroZero) {
    int c = reader.skipBlanks();
    if (c < 0) throw SessionError("the spin data end where a value was expected");

    char text[maxValueBytes];
    std::size_t size = 0;
    // The value runs to a blank, comma or line end; TABs are dropped and bytes
    // past the 255th are read but not kept.
    for (; c >= 0 && c != ' ' && c != ',' && c != '\r' && c != '\n'; c = reader.peek()) {
        if (c != '\t' && size < maxValueBytes) text[size++] = static_cast<char>(c);
        reader.advance();
    }
    reader.endValue();
    if (size == 2 && text[0] == '0' && text[1] == '0') return zeroZero;
    return valueOf(text, size);
}

SessionSpins loadSpins(BlockReader& reader, std::uint64_t dataBytes) {
    SessionSpins spins;
    SpinSums sums;
    std::int32_t chunk[chunkValues];
    std::size_t filled = 0;
    const auto flush = [&] {
        sums.add(chunk, filled);
        spins.list.append({chunk, filled});
        filled = 0;
    };
    bool sized = false;
    for (std::string_view block = reader.buffered(); !block.empty(); block = reader.buffered()) {
        if (!sized) {
            sized = true;
            reserveForData(spins.list, block, dataBytes);
        }
        const char* at = block.data();
        const char* const end = at + block.size();
        while (at != end && filled < chunkValues) {
            const char* next = plainValue(at, end, chunk[filled]);
            if (!next) break;
            at = next;
            ++filled;
        }
        reader.consume(static_cast<std::size_t>(at - block.data()));
        // Any other shape, or a value the block's end cuts, by the general rule.
        if (filled < chunkValues && at != end) chunk[filled++] = readSpinValue(reader);
        if (filled == chunkValues) flush();
    }
    flush();
    spins.list.shrinkToFit();
    spins.statistics = statisticsOf(sums, spins.list.size());
    return spins;
}

void refuseUnusableName(std::string_view cp437Name) {
    if (cp437Name.find('\0') != std::string_view::npos) throw SessionError("unusable file name");
}

SessionSpins loadSpinFile(std::string_view cp437Name) {
    refuseUnusableName(cp437Name);
    const std::optional<std::string> found = resolvePathIgnoringCase(cp437ToUtf8(cp437Name));
    if (!found) throw SessionError("no such spin file");
    FileHandle file = FileHandle::openForReading(*found);
    BlockReader reader(file);
    SessionSpins spins = loadSpins(reader, file.length());
    file.close();
    spins.dataFileName = std::string(cp437Name);
    spins.sourcePath = *found;
    return spins;
}

SpinStatistics computeSpinStatistics(const SpinList& list, std::int32_t totalSpins) {
    SpinSums sums;
    sums.add(list.data(), static_cast<std::size_t>(std::max(totalSpins, 0)));
    return statisticsOf(sums, totalSpins);
}

SessionSpins generateSpins(const WheelNeighbourTable& pool, RandomState& random,
                           ClockReader readClock, std::int32_t count,
                           std::string_view cp437OutputName) {
    SessionSpins spins;
    if (count < 0) throw SessionError("negative spin count");
    refuseUnusableName(cp437OutputName);
    // The list refuses a size the memory cannot hold before the file is made.
    spins.list.resize(static_cast<std::size_t>(count));

    seedRandom(random, makeClockSeed(random, readClock));

    OutputFile out;
    out.open(cp437OutputName);

    // Each number's line, made once: a third less time than formatting every
    // spin's line (make bench, ten million spins).
    std::vector<std::string> lines;
    for (const std::int32_t number : pool.entries) {
        const auto k = static_cast<std::size_t>(number);
        if (lines.size() <= k) lines.resize(k + 1);
        if (lines[k].empty()) lines[k] = printForm(number) + "\r\n";
    }

    const auto poolSize = static_cast<std::uint32_t>(pool.size());
    const std::int32_t* entries = pool.entries.data();
    std::int32_t* list = spins.list.data();
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t number = entries[poolPosition(nextRandomBits(random), poolSize)];
        list[i] = number;
        out.write(lines[static_cast<std::size_t>(number)]);
    }
    out.close();

    spins.statistics = computeSpinStatistics(spins.list, count);
    return spins;
}

}  // namespace spinchart
