#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "app/command_line.h"
#include "app/main_menu.h"
#include "console/console_screen.h"
#include "fairness/fairness_mode.h"
#include "platform/terminal.h"

namespace spinchart {
namespace {

// Prints an answer to the command line; a failed write (a full disk, a closed
// output) is the one failure.
int printAnswer(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "spinchart: cannot write the answer: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace

int runProgram(std::span<const char* const> arguments) {
    const CommandLine line = parseCommandLine(arguments);
    switch (line.action) {
        case CommandLine::Action::answer:
            return printAnswer(line.text);
        case CommandLine::Action::mistake:
            std::fprintf(stderr, "spinchart: %s Try 'spinchart --help'.\n", line.text.c_str());
            return 2;
        case CommandLine::Action::fairness:
            try {
                return printAnswer(fairnessReport(line.fairness));
            } catch (const std::exception& error) {
                std::fprintf(stderr, "spinchart: %s\n", error.what());
                return 1;
            }
        case CommandLine::Action::runProgram:
            break;
    }
    try {
        std::unique_ptr<TerminalBackend> terminal = openProgramTerminal(screenSize);
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
