#include "text/random_source.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace spinchart {

void seedRandom(RandomState& state, Extended x) {
    const float single = static_cast<float>(x);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    state.value = bits;
}

Extended nextRandom(RandomState& state) {
    return static_cast<Extended>(nextRandomBits(state)) / 2147483648.0L;
}

Extended secondsSinceMidnight(const LocalTime& time) {
    const Extended milliseconds = static_cast<Extended>(time.hour) * 3600000 +
                                  static_cast<Extended>(time.minute) * 60000 +
                                  static_cast<Extended>(time.second) * 1000 + time.millisecond;
    return milliseconds / 1000;
}

std::string dateText(const LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", time.month % 100, time.day % 100,
                  time.year % 10000);
    return text;
}

std::int32_t makeClockSeed(RandomState& state, ClockReader readClock) {
    const LocalTime first = readClock();
    seedRandom(state, secondsSinceMidnight(first));

    const std::string date = dateText(first);
    const Extended month = std::floor(leadingNumber(std::string_view(date).substr(0, 2)));
    const Extended day = std::floor(leadingNumber(std::string_view(date).substr(3, 2)));
    const float year = static_cast<float>(leadingNumber(std::string_view(date).substr(6, 4)));

    const Extended r1 = nextRandom(state);
    const Extended a = 1 + std::floor(year * r1 + 1);
    const Extended r2 = nextRandom(state);
    const Extended b = a * std::floor(day * r2 + 1);
    const Extended r3 = nextRandom(state);
    const Extended c = b * (1 + std::floor(month * r3));
    const double x = static_cast<double>(c);
    const Extended r4 = nextRandom(state);
    const double y = static_cast<double>(x * (1 + std::floor(x * r4)));
    const Extended r5 = nextRandom(state);
    const Extended e = std::floor(day + year * r5);
    const Extended t = secondsSinceMidnight(readClock());
    const Extended r6 = nextRandom(state);
    const double z = static_cast<double>(y + e * (t * r6 + 1));

    // A z beyond the 32-bit range keeps the low 32 bits of its nearest whole
    // number, so that late-December seeds still differ from one another.
    const std::int64_t whole = static_cast<std::int64_t>(std::nearbyint(z));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(whole));
}

}  // namespace spinchart
