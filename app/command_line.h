#pragma once
// The command line: --version and --help are answered on standard output
// without the terminal; every other argument is ignored.

#include <optional>
#include <span>
#include <string>

namespace spinchart {

// The text that "--version" or "--help" asks for (the first of them given), or
// nothing when the program is to run.
std::optional<std::string> commandLineAnswer(std::span<const char* const> arguments);

// The "--help" text: what the program does, its keys, its files, the manual.
std::string usageText();

}  // namespace spinchart
