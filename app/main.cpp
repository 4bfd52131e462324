// spinchart: statistical analyses of roulette spins in an 80x25 console.
#include <span>

#include "app/main_menu.h"

int main(int argc, char** argv) {
    // Everything after the program's own name.
    const std::span<const char* const> arguments =
        argc > 1 ? std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1))
                 : std::span<const char* const>();
    return spinchart::runProgram(arguments);
}
