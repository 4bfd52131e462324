// Local date and time from the POSIX clock.
#include <sys/time.h>

#include <ctime>

#include "platform/clock.h"

namespace spinchart {

LocalTime readLocalTime() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    const std::time_t seconds = now.tv_sec;
    ::localtime_r(&seconds, &local);
    return {.year = local.tm_year + 1900,
            .month = local.tm_mon + 1,
            .day = local.tm_mday,
            .hour = local.tm_hour,
            .minute = local.tm_min,
            .second = local.tm_sec > 59 ? 59 : local.tm_sec,
            .millisecond = static_cast<int>(now.tv_nsec / 1000000)};
}

}  // namespace spinchart
