#pragma once
// One wheel's sessions: settings, dialogue, spins, analysis, run-again.

#include "analysis/main_report.h"
#include "console/console_screen.h"
#include "platform/clock.h"
#include "session/wheel_profile.h"
#include "text/random_source.h"

namespace spinchart {

// Runs sessions of the wheel until the user declines to run it again. Errors
// inside a session end at the error screen and the session starts again.
void runWheelAnalysis(ConsoleScreen& screen, const WheelProfile& profile, RandomState& random,
                      ClockReader readClock);

// The same with another analysis in place of runAnalysis (for tests).
using AnalysisRunner = void (*)(const AnalysisRequest&);
void runWheelAnalysis(ConsoleScreen& screen, const WheelProfile& profile, RandomState& random,
                      ClockReader readClock, AnalysisRunner analyse);

}  // namespace spinchart
