#include "app/main_menu.h"

#include <string>

#include "session/session_dialogue.h"
#include "session/wheel_profile.h"
#include "text/program_identity.h"

namespace spinchart {
namespace {

const std::string menuBar(33, '\xCD');

void drawTitleScreen(ConsoleScreen& screen) {
    writeLineAt(screen, 1, 2, programCopyrightLine);
    writeLineAt(
        screen, 2, 2,
        "\xF8 " + std::string(programBannerLine) + " \xF8 statistics of roulette spins \xF8");
    writeLineAt(screen, 4, 4, "This program performs statistical analyses of roulette spins:");
    writeLineAt(screen, 5, 5, "~ real-life roulette spins from any casino;");
    writeLineAt(screen, 6, 5, "~ randomly generated roulette spins.");
    writeLineAt(screen, 8, 4, "The reports are separated also by the type of wheel: 0 or 00.");
    writeLineAt(screen, 9, 4, "The reports are text files that can be opened in any text editor.");
    writeLineAt(screen, 11, 4, "Read more: https://spinchart.example/ ");
}

void drawWheelMenu(ConsoleScreen& screen) {
    const std::string separator = "\xC6" + menuBar + "\xB5";
    writeLineAt(screen, 15, 16, "\xD5" + menuBar + "\xB8");
    writeLineAt(screen, 16, 16, "\xB3  Select your choice:            \xB3");
    writeLineAt(screen, 17, 16, separator + " ");
    writeLineAt(screen, 18, 16, "\xB3  <S> Single-zero (0)            \xB3");
    writeLineAt(screen, 19, 16, separator);
    writeLineAt(screen, 20, 16, "\xB3  <D> Double-zero (00)           \xB3");
    writeLineAt(screen, 21, 16, separator);
    writeLineAt(screen, 22, 16, "\xB3  <X> Exit Program               \xB3");
    writeLineAt(screen, 23, 16, "\xD4" + menuBar + "\xBE");
}

}  // namespace

void runMainLoop(ConsoleScreen& screen, RandomState& random, ClockReader readClock) {
    for (;;) {
        setColours(screen, 14, 2);
        clearScreen(screen);
        discardPendingKeys(screen);
        setCursorVisible(screen, false);
        KeyCode menuKey;
        drawTitleScreen(screen);
        drawWheelMenu(screen);
        menuKey = readMenuKey(screen, 16, 44);
        if (menuKey == singleZeroProfile.wheelKey) {
            runWheelAnalysis(screen, singleZeroProfile, random, readClock);
        } else if (menuKey == doubleZeroProfile.wheelKey) {
            runWheelAnalysis(screen, doubleZeroProfile, random, readClock);
        } else if (menuKey == "X") {
            setCursorVisible(screen, true);
            return;
        } else {
            beep(screen);
        }
    }
}

}  // namespace spinchart
