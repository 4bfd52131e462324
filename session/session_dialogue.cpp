#include "session/session_dialogue.h"

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "console/session_screens.h"
#include "platform/cp437.h"
#include "platform/file_io.h"
#include "platform/platform_error.h"
#include "session/settings_files.h"
#include "session/spin_source.h"
#include "text/number_text.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

// Screen texts are code page 437: F9 is the small bullet.
constexpr std::string_view introLine4 = "\xF9 This function simulates random roulette spins; or-";
constexpr std::string_view introLine6 = "The spins must be recorded first in a text file";
constexpr std::string_view introLine7 =
    "with one spin per line: type the number then press 'Enter'.";
constexpr std::string_view introLine10 = "You can either generate RANDOM spins (the default)";
constexpr std::string_view introLine11 = "or analyze REAL-LIFE casino spins in a data file.";

constexpr int frameColumn = 14;
constexpr std::int32_t defaultGenerationCount = 1000;
constexpr std::int32_t smallestGenerationCount = 100;

void drawTallFrame(ConsoleScreen& screen, int row, int innerWidth) {
    spinchart::drawTallFrame(screen, row, frameColumn, innerWidth);
}

// Writes the prompt at its place and reads the typed answer right after it.
std::string ask(ConsoleScreen& screen, int row, int column, std::string_view prompt) {
    moveTo(screen, row, column);
    writeText(screen, prompt);
    return readLine(screen);
}

std::int32_t numericValue(std::string_view answer) {
    return toInt32(leadingNumber(answer));
}

void drawIntroScreen(ConsoleScreen& screen, const WheelProfile& profile) {
    clearScreen(screen);
    // Row 8 stays empty on a wheel without a zero-zero note.
    writeLinesAt(
        screen, 4, 10,
        {introLine4, profile.introWheelLine, introLine6, introLine7, profile.introZeroZeroNote, "",
         introLine10, introLine11, profile.introRandomFileLine});

    drawMenuBox(screen, 16, 16, "  Select the Method:",
                {"  <G> Generate Random Spins", "  <A> Analyze Casino File"});
}

// The analyze branch: the spins of the chosen data file.
SessionSpins analyzeDataFile(ConsoleScreen& screen, const WheelProfile& profile,
                             const SessionSettings& settings) {
    clearScreen(screen);
    writeLineAt(screen, 5, 14, "*** Default data file: " + toUpperCp437(settings.dataFile));
    drawDoubleFrame(screen, 17, frameColumn, 49);
    const std::string answer = ask(screen, 18, 15, " Enter DATA file to process: ");
    const std::string chosen = answer.empty() ? settings.dataFile : toUpperCp437(answer);
    writeDataChoice(profile, chosen, settings);
    return loadSpinFile(chosen);
}

// An output written onto the screen the program draws would spoil it beyond
// repair; a device that no file stands for is refused with it.
void refuseConsoleName(const std::string& name) {
    if (leadsToConsoleOrDevice(cp437ToUtf8(name)))
        throw SessionError("an output would go to the console or a device");
}

SessionSpins generateRandomSpins(ConsoleScreen& screen, const WheelProfile& profile,
                                 const SessionSettings& settings, const WheelNeighbourTable& pool,
                                 SessionContext& context) {
    clearScreen(screen);
    writeLineAt(screen, 7, 14, " *** Option: Generate RANDOM spins ");
    writeLineAt(screen, 9, 14,
                " *** Default OUTPUT file of random spins: " + toUpperCp437(settings.randomFile));

    drawTallFrame(screen, 14, 49);
    writeLineAt(screen, 15, 15, " How many spins to generate");
    const std::string countAnswer = ask(screen, 16, 15, " (default: 1000) >> ");
    std::int32_t count = defaultGenerationCount;
    if (!countAnswer.empty()) {
        count = numericValue(countAnswer);
        if (count < smallestGenerationCount) count = defaultGenerationCount;
    }

    drawTallFrame(screen, 20, 39);
    writeLineAt(screen, 21, 15, " Name the OUTPUT file");
    const std::string nameAnswer = ask(screen, 22, 15, " (" + settings.randomFile + ") ");
    const std::string outputFile = nameAnswer.empty() ? settings.randomFile : nameAnswer;
    refuseConsoleName(outputFile);

    saveSettings(profile, {.dataFile = settings.dataFile,
                           .randomFile = outputFile,
                           .reportFile = settings.reportFile,
                           .skipFile = settings.skipFile});
    return generateSpins(pool, context.random, context.readClock, count, outputFile);
}

struct ReportChoice {
    std::int32_t analysisCount = 0;
    std::string reportFile;
    std::string skipFile;
};

// The outputs must be two files, and neither may be the spin file analysed
// (`dataPath`, empty for drawn spins) or the console: refused before the names
// are saved as the next session's defaults.
void refuseClashingNames(const std::string& dataPath, const ReportChoice& choice) {
    refuseConsoleName(choice.reportFile);
    refuseConsoleName(choice.skipFile);
    const std::string reportPath = cp437ToUtf8(choice.reportFile);
    const std::string skipPath = cp437ToUtf8(choice.skipFile);
    // Two outputs into one file would interleave and spoil both.
    if (leadToSameFile(reportPath, skipPath))
        throw SessionError("the report and the skip file are one file");
    if (!dataPath.empty() &&
        (leadToSameFile(dataPath, reportPath) || leadToSameFile(dataPath, skipPath)))
        throw SessionError("a report would replace the data file");
}

ReportChoice askCountAndNames(ConsoleScreen& screen, const SessionSettings& settings,
                              std::int32_t totalSpins) {
    clearScreen(screen);
    writeLinesAt(
        screen, 1, 10,
        {"Select how many spins to analyze.", "*** Default: all the spins in the data file",
         "or all random spins generated. ***", "There will be two reports:", "",
         "1) the main frequency and skip, which includes", "the 'Free Winning Roulette System #1';",
         "2) the skip file: all the skips in ascending order."});

    ReportChoice choice;
    drawTallFrame(screen, 10, 49);
    writeLineAt(screen, 11, 15, " How many spins to analyze");
    const std::string countAnswer =
        ask(screen, 12, 15, " (default: " + printForm(totalSpins) + ") >> ");
    choice.analysisCount = countAnswer.empty() ? totalSpins : numericValue(countAnswer);
    // More spins than there are cannot be analysed: take them all.
    if (choice.analysisCount > totalSpins) choice.analysisCount = totalSpins;

    drawTallFrame(screen, 16, 39);
    writeLineAt(screen, 17, 15, " Name the main report");
    const std::string reportAnswer = ask(screen, 18, 15, " (" + settings.reportFile + ") ");
    choice.reportFile = reportAnswer.empty() ? settings.reportFile : reportAnswer;
    refuseUnusableName(choice.reportFile);

    drawTallFrame(screen, 20, 39);
    writeLineAt(screen, 21, 15, " Name the skip file");
    const std::string skipAnswer = ask(screen, 22, 15, " (" + settings.skipFile + ") ");
    choice.skipFile = skipAnswer.empty() ? settings.skipFile : skipAnswer;
    refuseUnusableName(choice.skipFile);
    return choice;
}

void drawWorkingScreen(ConsoleScreen& screen) {
    clearScreen(screen);
    drawTallFrame(screen, 10, 40);
    writeLineAt(screen, 11, 25, " Doing the works ...");
    // Shown now: the analysis that follows waits for no key.
    presentScreen(screen);
}

// One session after its settings step, up to the finished reports.
void runSession(ConsoleScreen& screen, const WheelProfile& profile, const SessionSettings& settings,
                const WheelNeighbourTable& pool, SessionContext& context) {
    drawIntroScreen(screen, profile);
    const KeyCode methodKey = readMenuKey(screen, 17, 45);
    const bool analyze = methodKey == "A";

    const SessionSpins spins = analyze
                                   ? analyzeDataFile(screen, profile, settings)
                                   : generateRandomSpins(screen, profile, settings, pool, context);

    const ReportChoice choice = askCountAndNames(screen, settings, spins.list.size());
    refuseClashingNames(spins.sourcePath, choice);
    saveSettings(profile, {.dataFile = settings.dataFile,
                           .randomFile = settings.randomFile,
                           .reportFile = choice.reportFile,
                           .skipFile = choice.skipFile});

    drawWorkingScreen(screen);
    context.analyse({.numberCount = profile.numberCount,
                     .chartTitle = profile.chartTitle,
                     .spins = spins.list.values(),
                     .analysisCount = choice.analysisCount,
                     .dataFileName = spins.dataFileName,
                     .reportFile = choice.reportFile,
                     .skipFile = choice.skipFile,
                     .statistics = spins.statistics});
}

// The session's trap: runs `step` and tells whether it ended normally. Every
// failure of a session, its own or the platform's, and memory that cannot be
// had end here; anything else (a terminal that is gone) goes on up.
template <class Step>
bool trapped(Step&& step) {
    try {
        step();
        return true;
    } catch (const SessionError&) {
    } catch (const PlatformError&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return false;
}

}  // namespace

void runWheelAnalysis(ConsoleScreen& screen, const WheelProfile& profile, SessionContext& context) {
    const WheelNeighbourTable pool = buildNeighbourTable(profile);
    for (;;) {
        // Session start: settings, key flush, then the trap is armed.
        const SessionSettings settings = loadSettings(profile);
        discardPendingKeys(screen);
        if (!trapped([&] {
                setScreenColours(screen);
                setCursorVisible(screen, false);
                runSession(screen, profile, settings, pool, context);
            })) {
            showErrorScreen(screen);
            continue;
        }
        if (!askRunAgain(screen, profile.runAgainPrompt)) return;
    }
}

}  // namespace spinchart
