#include <cstdio>
#include <exception>
#include <memory>

#include "app/main_menu.h"
#include "platform/terminal.h"

namespace spinchart {

int runProgram() {
    try {
        std::unique_ptr<TerminalBackend> terminal = openProgramTerminal();
        ConsoleScreen screen;
        screen.backend = terminal.get();
        SessionContext context;
        runMainLoop(screen, context);
        presentScreen(screen);
        return 0;
    } catch (const std::exception& error) {
        // The terminal is given back by now.
        std::fprintf(stderr, "spinchart: %s\n", error.what());
        return 1;
    }
}

}  // namespace spinchart
