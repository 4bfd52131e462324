#include "console/session_screens.h"

namespace spinchart {

bool askRunAgain(ConsoleScreen& screen, std::string_view runAgainPrompt) {
    clearScreen(screen);
    moveTo(screen, 10, 15);
    setColours(screen, 0, 14);
    drawDoubleFrame(screen, 10, 15, 40);
    setColours(screen, 14, 0);
    writeLineAt(screen, 11, 16, runAgainPrompt);
    setScreenColours(screen);
    const KeyCode key = waitKey(screen);
    if (key == "n" || key == "N") {
        setCursorVisible(screen, true);
        return false;
    }
    return true;
}

void showErrorScreen(ConsoleScreen& screen) {
    clearScreen(screen);
    beep(screen);
    writeLineAt(screen, 8, 10, "             **** ERROR! ****");
    writeLinesAt(screen, 10, 5,
                 {"* The file does not exist OR you mis-spelled the name; or_",
                  "** The file may be corrupt; e.g. has empty lines.", "",
                  "Open the file in an editor and check it carefully.",
                  "Delete the blank lines or make the necessary corrections.", "",
                  "... Press <Spacebar> to resume or Ctrl+Break to abort ... "});
    // Any key resumes; it stays pending for the restarted run's key flush.
    waitUntilKeyPending(screen);
}

}  // namespace spinchart
