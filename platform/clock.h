#pragma once
// Local date and time, read from the operating system.

namespace spinchart {

struct LocalTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

LocalTime readLocalTime();

// A source of readings; tests pass a fixed or scripted one.
using ClockReader = LocalTime (*)();

}  // namespace spinchart
