// Local date and time from the Windows clock.
#include <windows.h>

#include "platform/clock.h"

namespace spinchart {

LocalTime readLocalTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {.year = now.wYear,
            .month = now.wMonth,
            .day = now.wDay,
            .hour = now.wHour,
            .minute = now.wMinute,
            .second = now.wSecond > 59 ? 59 : now.wSecond,
            .millisecond = now.wMilliseconds};
}

}  // namespace spinchart
