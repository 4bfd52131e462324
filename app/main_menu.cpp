#include "app/main_menu.h"

#include <string>

#include "platform/user_guide.h"
#include "session/session_dialogue.h"
#include "session/wheel_profile.h"
#include "text/program_identity.h"

namespace spinchart {
namespace {

void drawTitleScreen(ConsoleScreen& screen) {
    writeLineAt(screen, 1, 2, programCopyrightLine);
    writeLineAt(
        screen, 2, 2,
        "\xF8 " + std::string(programBannerLine) + " \xF8 statistics of roulette spins \xF8");
    writeLineAt(screen, 4, 4, "This program performs statistical analyses of roulette spins:");
    writeLinesAt(
        screen, 5, 5,
        {"~ real-life roulette spins from any casino;", "~ randomly generated roulette spins."});
    writeLinesAt(screen, 8, 4,
                 {"The reports are separated also by the type of wheel: 0 or 00.",
                  "The reports are text files that can be opened in any text editor."});
    writeLineAt(screen, 11, 4, "Read more: " + std::string(manualReference) + " ");
}

void drawWheelMenu(ConsoleScreen& screen) {
    drawMenuBox(screen, 15, 16, "  Select your choice:",
                {"  <S> Single-zero (0)", "  <D> Double-zero (00)", "  <X> Exit Program"});
}

}  // namespace

void runMainLoop(ConsoleScreen& screen, SessionContext& context) {
    for (;;) {
        setScreenColours(screen);
        clearScreen(screen);
        discardPendingKeys(screen);
        setCursorVisible(screen, false);
        KeyCode menuKey;
        drawTitleScreen(screen);
        drawWheelMenu(screen);
        menuKey = readMenuKey(screen, 16, 44);
        if (menuKey == singleZeroProfile.wheelKey) {
            runWheelAnalysis(screen, singleZeroProfile, context);
        } else if (menuKey == doubleZeroProfile.wheelKey) {
            runWheelAnalysis(screen, doubleZeroProfile, context);
        } else if (menuKey == "X") {
            setCursorVisible(screen, true);
            return;
        } else {
            beep(screen);
        }
    }
}

}  // namespace spinchart
