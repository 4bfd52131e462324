// spinchart: statistical analyses of roulette spins in an 80x25 console.
#include "app/main_menu.h"

int main() {
    return spinchart::runProgram();
}
