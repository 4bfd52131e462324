#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "analysis/system_rule.h"
#include "platform/user_guide.h"
#include "text/program_identity.h"

namespace spinchart {
namespace {

struct WheelChoice {
    std::string_view value;
    const WheelProfile* profile;
};
constexpr std::size_t maxFairnessFiles = 100;

const std::array<WheelChoice, 2> wheelChoices = {
    {{"0", &singleZeroProfile}, {"00", &doubleZeroProfile}}};

// The files a session uses, one line each in the usage: both wheels' names,
// or one name where the wheels share it.
struct FileLine {
    std::string_view WheelProfile::*name;
    std::string_view meaning;
};
constexpr std::array<FileLine, 6> fileLines = {{
    {&WheelProfile::settingsFile, "the file names offered as defaults"},
    {&WheelProfile::dataSettingsFile, "the data file chosen last"},
    {&WheelProfile::defaultDataFile, "the spin file offered for analysis"},
    {&WheelProfile::defaultRandomFile, "random spins: one per line, newest first, 00 as 37"},
    {&WheelProfile::defaultReportFile, "the main report"},
    {&WheelProfile::defaultSkipFile, "the skip file"},
}};

std::string padded(std::string_view text, std::size_t width) {
    std::string out(text);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

std::string filesHelp() {
    std::string text;
    for (const FileLine& line : fileLines) {
        const std::string_view single = singleZeroProfile.*line.name;
        const std::string_view twin = doubleZeroProfile.*line.name;
        text += "  " + padded(single, 13) + padded(single == twin ? "" : twin, 14);
        text += line.meaning;
        text += '\n';
    }
    return text;
}

// "--name=value" or "--name value": the value, or nothing when it is missing.
std::optional<std::string> optionValue(std::string_view word, std::string_view name,
                                       std::span<const char* const> arguments, std::size_t& at) {
    if (word.size() > name.size() && word.substr(0, name.size()) == name &&
        word[name.size()] == '=') {
        return std::string(word.substr(name.size() + 1));
    }
    if (at + 1 < arguments.size()) return std::string(arguments[++at]);
    return std::nullopt;
}

bool isOption(std::string_view word, std::string_view name) {
    return word == name || (word.size() > name.size() && word.substr(0, name.size()) == name &&
                            word[name.size()] == '=');
}

// Digits alone are a number N, anything else a NAME; N is nothing (0, no
// name) when it is 0 or too large to be a field.
SpinColumn spinColumn(const std::string& value) {
    if (value.find_first_not_of("0123456789") != std::string::npos) return {value, 0};
    const std::size_t significant = value.find_first_not_of('0');
    if (significant == std::string::npos || value.size() - significant > 9) return {"", 0};
    return {"", std::stoi(value)};
}

CommandLine mistake(std::string what) {
    CommandLine line;
    line.action = CommandLine::Action::mistake;
    line.text = std::move(what);
    return line;
}

}  // namespace

std::string usageText() {
    const std::string lastSpins = std::to_string(excludedLastSpins);
    std::string text =
        "Usage: spinchart [--help | --version]\n"
        "       spinchart --fairness FILE [FILE...] [--wheel 0|00] [--column NAME|N]\n"
        "                 [--oldest-first] [--json | --csv]\n"
        "\n"
        "Statistical analyses of roulette spins for the single-zero (0..36) or the\n"
        "double-zero wheel (0..36 and 00): real casino spins typed into a text file,\n"
        "or spins drawn at random. Full-screen in an 80x25 terminal, it writes a main\n"
        "report (a frequency and skip chart of every number, then the record of a\n"
        "betting system that plays all numbers except those of the last " +
        lastSpins +
        " spins) and\n"
        "a skip file (every skip, ascending).\n"
        "\n"
        "With --fairness it opens no screen and writes to standard output whether the\n"
        "wheel looks fair on the spins of FILE (- for standard input): a chi-square\n"
        "test, every number's binomial tails, the hottest number and sectors allowing\n"
        "for having picked them, the betting system above in plays won and units\n"
        "staked, the skips against the fair law, the bias this many spins can detect,\n"
        "and what the order of the spins tells: the distance from each spin to the\n"
        "next (a dealer's signature), whether the older half's hot picks are hot again\n"
        "in the newer half, and an evidence score that may be checked after every\n"
        "session. Several FILEs (up to 100, of one wheel): a line a file and the test\n"
        "that all come from one and the same wheel. A line is a spin when it holds\n"
        "one whole number and nothing else (00, or 37, is the double-zero wheel's 00);\n"
        "blank lines are skipped, other lines set aside and counted. FILE is UTF-8 or\n"
        "UTF-16 text, newest spin first.\n"
        "  --wheel 0|00      the single-zero wheel (the default) or double-zero\n"
        "  --column NAME|N   one field of a table (comma, semicolon or tab separated):\n"
        "                    the one its first line names NAME, or the Nth from 1\n"
        "  --oldest-first    the file lists the spins in the order they happened\n"
        "  --json            the same figures as one JSON object\n"
        "  --csv             the table of every number as CSV (of several files: a\n"
        "                    file column first)\n"
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
        "CR LF line ends, overwritten without asking:\n";
    text += filesHelp();
    text += "\nRead more: ";
    text += manualReference;
    text += '\n';
    return text;
}

CommandLine parseCommandLine(std::span<const char* const> arguments) {
    CommandLine line;
    for (const char* argument : arguments) {
        const std::string_view word = argument;
        if (word == "--version" || word == "--help") {
            line.action = CommandLine::Action::answer;
            line.text = word == "--version" ? std::string(programBannerLine) + '\n' : usageText();
            return line;
        }
    }
    bool fairness = false;
    bool outputChosen = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string_view word = arguments[at];
        if (isOption(word, "--fairness")) {
            const std::optional<std::string> file = optionValue(word, "--fairness", arguments, at);
            if (!file || file->empty() || (word == "--fairness" && file->starts_with("--")))
                return mistake("--fairness needs a spin file.");
            if (fairness) {
                return mistake("--fairness once only: list further files after the first ('" +
                               *file + "').");
            }
            fairness = true;
            line.fairness.files.push_back(*file);
        } else if (isOption(word, "--wheel")) {
            const std::optional<std::string> value = optionValue(word, "--wheel", arguments, at);
            const WheelChoice* chosen = nullptr;
            for (const WheelChoice& choice : wheelChoices) {
                if (value && *value == choice.value) chosen = &choice;
            }
            if (!chosen) {
                return mistake("--wheel takes 0 or 00" +
                               (value ? ", not '" + *value + "'." : std::string(".")));
            }
            line.fairness.profile = chosen->profile;
        } else if (isOption(word, "--column")) {
            const std::optional<std::string> value = optionValue(word, "--column", arguments, at);
            if (!value || value->empty() || value->starts_with("--"))
                return mistake("--column needs a NAME or a number N.");
            line.fairness.column = spinColumn(*value);
            if (line.fairness.column->number == 0 && line.fairness.column->name.empty())
                return mistake("--column counts fields from 1, not '" + *value + "'.");
        } else if (word == "--oldest-first") {
            line.fairness.oldestFirst = true;
        } else if (word == "--json" || word == "--csv") {
            if (outputChosen) return mistake("--json and --csv exclude each other.");
            outputChosen = true;
            line.fairness.output = word == "--json" ? FairnessOutput::json : FairnessOutput::csv;
        } else if (word.size() > 1 && word[0] == '-') {
            return mistake("unknown option '" + std::string(word) + "'.");
        } else if (fairness) {
            // A further spin file of the same wheel.
            if (line.fairness.files.size() == maxFairnessFiles)
                return mistake("at most " + std::to_string(maxFairnessFiles) + " spin files.");
            line.fairness.files.emplace_back(word);
        } else {
            return mistake("unexpected argument '" + std::string(word) + "'.");
        }
    }
    if (arguments.empty()) return line;
    if (!fairness)
        return mistake(
            "--wheel, --column, --oldest-first, --json and --csv go with --fairness FILE.");
    if (std::count(line.fairness.files.begin(), line.fairness.files.end(), "-") > 1)
        return mistake("standard input (-) can be read once only.");
    line.action = CommandLine::Action::fairness;
    return line;
}

}  // namespace spinchart
