// The main loop on the scripted terminal: title screen, wheel menu, dispatch.
#include "app/main_menu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "app/command_line.h"
#include "session/wheel_profile.h"
#include "support/scripted_terminal.h"
#include "support/test_text.h"
#include "text/program_identity.h"
#include "title_screen.h"

namespace spinchart {
namespace {

using testing::ScriptedConsole;
using testing::ScriptedTerminal;

LocalTime fixedClock() {
    return LocalTime{};
}

void runLoop(ScriptedConsole& console) {
    SessionContext context;
    context.readClock = fixedClock;
    context.analyse = runAnalysis;
    runMainLoop(console.screen, context);
}

void expectTitleAndMenu(const ScriptedTerminal& terminal) {
    for (const auto& [row, column, text] : testing::titleScreenTexts)
        EXPECT_EQ(terminal.text(row, column, testing::charactersIn(text)), text) << row;
    EXPECT_EQ(terminal.text(24), std::string(80, ' '));
    EXPECT_EQ(terminal.text(16, 44, 1), " ");
    EXPECT_FALSE(terminal.cursorVisible);
    for (int row = 1; row <= screenRows; ++row) {
        for (int column = 1; column <= screenColumns; ++column) {
            ASSERT_EQ(terminal.cell(row, column).attribute, 14 + 16 * 2) << row << "," << column;
        }
    }
}

TEST(MainLoop, ShowsTheTitleScreenAndEndsOnX) {
    ScriptedConsole console;
    int idles = 0;
    console.terminal.onIdle = [&](ScriptedTerminal& terminal) {
        ++idles;
        expectTitleAndMenu(terminal);
        // Title lines fit in 78 columns from column 2.
        EXPECT_EQ(terminal.text(1, 80, 1), " ");
        EXPECT_EQ(terminal.text(2, 80, 1), " ");
        EXPECT_NE(terminal.text(1, 2, 10), std::string(10, ' '));
        EXPECT_NE(terminal.text(2, 2, 10), std::string(10, ' '));
        // The "Read more:" line names this build's manual; blanks follow.
        const std::string readMore = terminal.text(11, 4, 77);
        const auto padded = [](std::string_view line) {
            return std::string(line) + std::string(77 - line.size(), ' ');
        };
        EXPECT_TRUE(readMore == padded(testing::readMoreLine) ||
                    readMore == padded(testing::readMoreLineWindows))
            << readMore;
        terminal.pushText("x");
        terminal.onIdle = nullptr;
    };
    runLoop(console);
    EXPECT_EQ(idles, 1);
    EXPECT_EQ(console.terminal.beeps, 0);
    EXPECT_TRUE(console.screen.cursorVisible);
    EXPECT_EQ(cellAt(console.screen, 16, 44).character, 'X');
    EXPECT_EQ(rowText(console.screen, 4).substr(3, 4), "This");
}

TEST(MainLoop, WrongKeysBeepAndRedrawWithoutTheEcho) {
    ScriptedConsole console;
    const KeyCode wrongKeys[] = {
        "q", "\r", "\x1b", "7", "\x03", testing::functionKey1, testing::arrowUpKey};
    std::size_t next = 0;
    console.terminal.onIdle = [&](ScriptedTerminal& terminal) {
        EXPECT_EQ(terminal.beeps, static_cast<int>(next));
        expectTitleAndMenu(terminal);
        terminal.pushKey(next < std::size(wrongKeys) ? wrongKeys[next] : KeyCode("X"));
        ++next;
    };
    runLoop(console);
    EXPECT_EQ(console.terminal.beeps, static_cast<int>(std::size(wrongKeys)));
}

TEST(MainLoop, KeysTypedBeforeTheMenuAreDiscarded) {
    ScriptedConsole console;
    console.terminal.typeAhead("x");
    console.terminal.pushText("X");
    runLoop(console);
    EXPECT_EQ(console.terminal.keysLeft(), 0u);
    EXPECT_EQ(console.terminal.beeps, 0);
    EXPECT_EQ(console.terminal.waits, 1) << "the typed-ahead x must not end the loop";
}

// Runs the test in a folder of its own, since a wheel session writes its
// settings and reports into the working folder.
class ScratchWorkingFolder {
public:
    ScratchWorkingFolder() {
        previous_ = std::filesystem::current_path();
        folder_ = std::filesystem::temp_directory_path() /
                  ("spinchart-menu-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        std::filesystem::current_path(folder_);
    }
    ~ScratchWorkingFolder() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path folder_;
};

TEST(MainLoop, LowerAndUpperCaseWheelKeysEnterTheirWheel) {
    ScratchWorkingFolder folder;
    for (const char* key : {"s", "S", "d", "D"}) {
        ScriptedConsole console;
        const bool single = key[0] == 's' || key[0] == 'S';
        bool sawIntro = false;
        bool answered = false;
        console.terminal.pushText(key);
        console.terminal.onIdle = [&](ScriptedTerminal& terminal) {
            const std::string question = terminal.text(11, 16, 40);
            if (answered) {
                expectTitleAndMenu(terminal);
                terminal.pushText("x");
                terminal.onIdle = nullptr;
            } else if (question == (single ? "   Success! Run SINGLE-0 again (Y/N)?   "
                                           : "   Success! Run DOUBLE-0 again (Y/N)?   ")) {
                terminal.pushText("n");
                answered = true;
            } else {
                // Inside the wheel's session: its intro names the wheel; every
                // answer is left at its default.
                if (terminal.text(17, 19, 18) == "Select the Method:") {
                    EXPECT_NE(terminal.text(5).find(single ? "(SINGLE ZERO)" : "(DOUBLE ZERO)"),
                              std::string::npos)
                        << key;
                    sawIntro = true;
                }
                terminal.pushText("\r");
            }
        };
        runLoop(console);
        EXPECT_TRUE(sawIntro) << key;
        EXPECT_TRUE(answered) << key;
        EXPECT_EQ(console.terminal.beeps, 0) << key;
    }
}

// The usage fits an 80-column terminal in plain ASCII and names every file a
// session writes by default, and where to read more.
TEST(CommandLine, UsageNamesTheKeysTheFilesAndTheManual) {
    const std::string usage = usageText();
    ASSERT_FALSE(usage.empty());
    EXPECT_EQ(usage.back(), '\n');
    std::istringstream lines(usage);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 79u) << line;
        for (char c : line)
            EXPECT_TRUE(c >= ' ' && c <= '~') << line;
    }
    EXPECT_EQ(usage.rfind("Usage: spinchart [--help | --version]\n", 0), 0u);
    for (const WheelProfile* profile : {&singleZeroProfile, &doubleZeroProfile}) {
        for (std::string_view file :
             {profile->settingsFile, profile->dataSettingsFile, profile->defaultDataFile,
              profile->defaultRandomFile, profile->defaultReportFile, profile->defaultSkipFile})
            EXPECT_NE(usage.find(file), std::string::npos) << file;
    }
    for (std::string_view key : {"S, D, X", "G, A", "Enter", "Backspace", "Y, N", "Ctrl+"})
        EXPECT_NE(usage.find(key), std::string::npos) << key;
    // The same manual as the title screen's "Read more:" line, at the end.
    const std::string readMore = usage.substr(usage.rfind("Read more: "));
    const auto asLastLine = [](std::string_view line) {
        return std::string(line.substr(0, line.size() - 1)) + "\n";
    };
    EXPECT_TRUE(readMore == asLastLine(testing::readMoreLine) ||
                readMore == asLastLine(testing::readMoreLineWindows))
        << readMore;
}

}  // namespace
}  // namespace spinchart
