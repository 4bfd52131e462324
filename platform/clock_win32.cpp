// Local date and time from the Windows clock.
#include <windows.h>

#include "platform/clock.h"

namespace spinchart {

LocalTime readLocalTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LocalTime t;
    t.year = now.wYear;
    t.month = now.wMonth;
    t.day = now.wDay;
    t.hour = now.wHour;
    t.minute = now.wMinute;
    t.second = now.wSecond > 59 ? 59 : now.wSecond;
    t.millisecond = now.wMilliseconds;
    return t;
}

}  // namespace spinchart
