#pragma once
// The words of the command line after the program's own name, in UTF-8.

#include <string>
#include <vector>

namespace spinchart {

// POSIX: argv as given. Windows: the wide command line, so that a file name
// may hold any character, not only those of the ANSI code page.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace spinchart
