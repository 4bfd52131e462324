#include "platform/program_arguments.h"

namespace spinchart {

std::vector<std::string> programArguments(int argc, char** argv) {
    std::vector<std::string> words;
    for (int at = 1; at < argc; ++at)
        words.emplace_back(argv[at]);
    return words;
}

}  // namespace spinchart
