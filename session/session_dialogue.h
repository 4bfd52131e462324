#pragma once
// One wheel's sessions: settings, dialogue, spins, analysis, run-again.

#include <functional>

#include "analysis/main_report.h"
#include "console/console_screen.h"
#include "platform/clock.h"
#include "session/wheel_profile.h"
#include "text/random_source.h"

namespace spinchart {

// What every session works with, from the program's start to its end: the
// random source (the only state that lives across sessions and wheels), the
// clock and the analysis (tests put their own clock and analysis in).
struct SessionContext {
    RandomState random;
    ClockReader readClock = readLocalTime;
    std::function<void(const AnalysisRequest&)> analyse = runAnalysis;
};

// Runs sessions of the wheel until the user declines to run it again. Errors
// inside a session end at the error screen and the session starts again.
void runWheelAnalysis(ConsoleScreen& screen, const WheelProfile& profile, SessionContext& context);

}  // namespace spinchart
