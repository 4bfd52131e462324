// spinchart: statistical analyses of roulette spins in an 80x25 console.
#include <string>
#include <vector>

#include "app/main_menu.h"
#include "platform/program_arguments.h"

int main(int argc, char** argv) {
    // Everything after the program's own name.
    const std::vector<std::string> words = spinchart::programArguments(argc, argv);
    std::vector<const char*> arguments;
    for (const std::string& word : words)
        arguments.push_back(word.c_str());
    return spinchart::runProgram(arguments);
}
