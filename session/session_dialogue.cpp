#include "session/session_dialogue.h"

#include "console/session_screens.h"
#include "platform/session_error.h"

namespace spinchart {

void runWheelAnalysis(ConsoleScreen& screen, const WheelProfile& profile, RandomState& random,
                      ClockReader readClock) {
    (void)random;
    (void)readClock;
    const WheelNeighbourTable table = buildNeighbourTable(profile);
    (void)table;
    for (;;) {
        discardPendingKeys(screen);
        try {
            // The session's screens and analysis go here.
        } catch (const SessionError&) {
            showErrorScreen(screen);
            continue;
        }
        if (!askRunAgain(screen, profile.runAgainPrompt)) return;
    }
}

}  // namespace spinchart
