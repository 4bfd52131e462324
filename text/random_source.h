#pragma once
// The program's random number source: a 32-bit linear congruential generator
// seeded from a single-precision value, and a seed mixed from the local clock.

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "text/number_text.h"

namespace spinchart {

struct RandomState {
    std::uint32_t value = 0;
};

// State = the bit pattern of x converted to single precision.
void seedRandom(RandomState& state, Extended x);

// Advances the state; returns the 31-bit value k of the fraction k / 2^31.
inline std::uint32_t nextRandomBits(RandomState& state) {
    state.value = state.value * 134775813u + 1u;
    return state.value >> 1;
}

// Advances the state; returns a fraction in [0, 1).
Extended nextRandom(RandomState& state);

// 1 + floor(fraction * poolSize) computed exactly from the 31-bit value.
inline std::uint32_t poolPosition(std::uint32_t bits, std::uint32_t poolSize) {
    return 1u + static_cast<std::uint32_t>((static_cast<std::uint64_t>(bits) * poolSize) >> 31);
}

// Seconds since local midnight with the millisecond fraction.
Extended secondsSinceMidnight(const LocalTime& time);

// Month-day-year as "MM-DD-YYYY".
std::string dateText(const LocalTime& time);

// The seed for one generation, mixed from the clock and the generator. The
// clock is read twice, as a generation reads it.
std::int32_t makeClockSeed(RandomState& state, ClockReader readClock);

}  // namespace spinchart
