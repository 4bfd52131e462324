#pragma once
// The command line: --version and --help are answered on standard output
// without the terminal; --fairness FILE asks for the wheel-bias report
// instead of the full-screen program; anything else is a mistake.

#include <span>
#include <string>

#include "fairness/fairness_mode.h"

namespace spinchart {

struct CommandLine {
    enum class Action { runProgram, answer, fairness, mistake };
    Action action = Action::runProgram;
    // The answer for standard output, or what the mistake was (one line, no
    // line end).
    std::string text;
    FairnessRequest fairness;
};

// No arguments run the program. "--version" or "--help" anywhere answer (the
// first of them given); otherwise every argument must belong to --fairness.
CommandLine parseCommandLine(std::span<const char* const> arguments);

// The "--help" text: what the program does, its keys, its files, the manual.
std::string usageText();

}  // namespace spinchart
