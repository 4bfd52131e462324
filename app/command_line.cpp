#include "app/command_line.h"

#include <string_view>

#include "platform/user_guide.h"
#include "text/program_identity.h"

namespace spinchart {

std::string usageText() {
    std::string text =
        "Usage: spinchart [--help | --version]\n"
        "\n"
        "Statistical analyses of roulette spins for the single-zero (0..36) or the\n"
        "double-zero wheel (0..36 and 00): real casino spins typed into a text file,\n"
        "or spins drawn at random. Full-screen in an 80x25 terminal, it writes a main\n"
        "report (a frequency and skip chart of every number, then the record of a\n"
        "betting system that plays all numbers except those of the last 5 spins) and\n"
        "a skip file (every skip, ascending).\n"
        "\n"
        "Keys:\n"
        "  S, D, X         in the menu: single-zero wheel, double-zero wheel, exit\n"
        "  G, A            generate random spins, or analyze a spin file\n"
        "  Enter           takes a typed answer; an empty one takes the default shown\n"
        "  Backspace       erases the last character typed\n"
        "  Y, N            after a run: run the wheel again, or back to the menu\n";
    text += platformKeysHelp;
    text +=
        "\n"
        "Files, in the working folder unless a path is typed; code page 437 text with\n"
        "CR LF line ends, overwritten without asking:\n"
        "  VIRLO0.INI   VIRLO00.INI   the file names offered as defaults\n"
        "  ROUL0.INI    ROUL00.INI    the data file chosen last\n"
        "  HAMB00.DAT                 the spin file offered for analysis\n"
        "  RAND0.DAT    RAND00.DAT    random spins: one per line, newest first, 00 as 37\n"
        "  VIRLO0.REP   VIRLO00.REP   the main report\n"
        "  VIRLO0.SKP   VIRLO00.SKP   the skip file\n"
        "\n"
        "Read more: ";
    text += manualReference;
    text += '\n';
    return text;
}

std::optional<std::string> commandLineAnswer(std::span<const char* const> arguments) {
    for (const char* argument : arguments) {
        const std::string_view word = argument;
        if (word == "--version") return std::string(programBannerLine) + '\n';
        if (word == "--help") return usageText();
    }
    return std::nullopt;
}

}  // namespace spinchart
