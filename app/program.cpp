#include <cstdio>
#include <exception>
#include <unistd.h>

#include "app/main_menu.h"
#include "platform/terminal_posix.h"

namespace spinchart {

int runProgram() {
    if (!isInteractiveTerminal(STDIN_FILENO, STDOUT_FILENO)) {
        std::fputs("spinchart: standard input and output must be a terminal\n", stderr);
        return 1;
    }
    try {
        PosixTerminal terminal(STDIN_FILENO, STDOUT_FILENO);
        ConsoleScreen screen;
        screen.backend = &terminal;
        RandomState random;
        runMainLoop(screen, random, readLocalTime);
        presentScreen(screen);
        terminal.restore();
        return 0;
    } catch (const std::exception& error) {
        // The terminal is given back by now.
        std::fprintf(stderr, "spinchart: %s\n", error.what());
        return 1;
    }
}

}  // namespace spinchart
