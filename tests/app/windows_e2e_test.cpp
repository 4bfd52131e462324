// The Windows program under wine beside the Linux program, both in a
// pseudo-terminal read back through libvterm: the same keys give the same
// screens cell for cell, and the same files byte for byte. Runs only when
// SPINCHART_WINDOWS_PROGRAM names the .exe (make test-windows).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/main_report.h"
#include "session/spin_source.h"
#include "session/wheel_profile.h"
#include "support/e2e/terminal_session.h"
#include "title_screen.h"

namespace spinchart::e2e {
namespace {

namespace fs = std::filesystem;

// The two programs side by side, each in its own working folder.
class WindowsE2e : public ::testing::Test {
protected:
    TempDirectory linuxDir;
    TempDirectory windowsDir;
    std::unique_ptr<TerminalSession> linuxApp;
    std::unique_ptr<TerminalSession> windowsApp;
    std::string windowsProgram;

    void SetUp() override {
        const char* program = std::getenv("SPINCHART_WINDOWS_PROGRAM");
        if (program == nullptr || *program == '\0')
            GTEST_SKIP() << "SPINCHART_WINDOWS_PROGRAM names no Windows program";
        windowsProgram = program;
        // Spins of every number of both wheels, one per CR LF line.
        std::string spins;
        for (int i = 0; i < 120; ++i)
            spins.append(" ").append(std::to_string((i * 17 + i / 7) % 38)).append(" \r\n");
        for (const TempDirectory* dir : {&linuxDir, &windowsDir})
            writeFile(dir->file("casino.dat"), spins);
    }

    // Both programs in terminals of the same size.
    void start(int rows = 25, int columns = 80) {
        linuxApp = std::make_unique<TerminalSession>(linuxDir.path(), rows, columns);
        windowsApp = std::make_unique<TerminalSession>(
            windowsDir.path(), std::vector<std::string>{"wine", windowsProgram}, rows, columns);
    }

    // Every cell's character and colours, and the cursor while it is shown.
    static std::string screenOf(TerminalSession& app) {
        std::string out = app.screenDump();
        for (int row = 1; row <= 25; ++row) {
            for (int column = 1; column <= 80; ++column) {
                const CellColours c = app.colours(row, column);
                out += static_cast<char>('A' + c.foreground + 2);
                out += static_cast<char>('A' + c.background + 2);
            }
            out += '\n';
        }
        if (app.cursorVisible()) {
            out += "cursor " + std::to_string(app.cursorRow()) + "," +
                   std::to_string(app.cursorColumn());
        }
        return out;
    }

    // The Linux screen as the Windows program shows it: the title screen's
    // "Read more:" line names the README there.
    static std::string asOnWindows(std::string screen) {
        const std::string_view posix = testing::readMoreLine;
        const std::string_view windows = testing::readMoreLineWindows;
        const std::size_t at = screen.find(posix);
        if (at != std::string::npos) {
            screen.replace(at, posix.size(),
                           std::string(windows) + std::string(posix.size() - windows.size(), ' '));
        }
        return screen;
    }

    // Waits until the Linux program shows `text` at (row, column) and the
    // Windows program shows the same screen, then types `keys` into both (or
    // `windowsKeys` into the Windows program, where given).
    void step(int row, int column, std::string_view text, std::string_view keys,
              std::optional<std::string_view> windowsKeys = std::nullopt) {
        if (HasFatalFailure()) return;
        ASSERT_TRUE(linuxApp->waitForText(row, column, text))
            << "row " << row << ", column " << column << ": " << text << "\n"
            << linuxApp->screenDump();
        const std::string expected = asOnWindows(screenOf(*linuxApp));
        ASSERT_TRUE(windowsApp->waitFor([&] { return screenOf(*windowsApp) == expected; }))
            << "expected " << expected << "\nWindows " << screenOf(*windowsApp);
        linuxApp->send(keys);
        windowsApp->send(windowsKeys.value_or(keys));
    }

    // As step, for a screen that shows names typed differently into the two:
    // both show `text`, the rest may differ.
    void stepApart(int row, int column, std::string_view text, std::string_view keys) {
        if (HasFatalFailure()) return;
        for (TerminalSession* app : {linuxApp.get(), windowsApp.get()}) {
            ASSERT_TRUE(app->waitForText(row, column, text))
                << "row " << row << ", column " << column << ": " << text << "\n"
                << app->screenDump();
            app->send(keys);
        }
    }

    // The count screen: the count, then the report and skip file names.
    void countAndNames(std::string_view count, std::string_view report, std::string_view skip) {
        step(11, 15, " How many spins to analyze", count);
        step(17, 15, " Name the main report", report);
        step(21, 15, " Name the skip file", skip);
    }

    void expectSameFile(const std::string& name) {
        const std::string linuxBytes = readFile(linuxDir.file(name));
        EXPECT_FALSE(linuxBytes.empty()) << name;
        EXPECT_TRUE(readFile(windowsDir.file(name)) == linuxBytes) << name << " differs";
    }

    // The report and skip file of a generated session are what the analysis
    // writes for the spins the Windows program drew.
    void expectReportsOfDrawnSpins(const WheelProfile& profile, const std::string& spinFile,
                                   int count, const std::string& report, const std::string& skip) {
        const std::string spins = readFile(windowsDir.file(spinFile));
        int lines = 0;
        for (std::size_t at = 0; at < spins.size(); ++lines) {
            const std::size_t end = spins.find("\r\n", at);
            ASSERT_NE(end, std::string::npos) << spinFile;
            const int value = std::stoi(spins.substr(at, end - at));
            EXPECT_TRUE(value >= 0 && value <= profile.highestNumber) << value;
            std::string printed(1, ' ');
            printed.append(std::to_string(value)).append(1, ' ');
            EXPECT_EQ(spins.substr(at, end - at), printed);
            at = end + 2;
        }
        EXPECT_EQ(lines, count);

        const SessionSpins loaded = loadSpinFile(windowsDir.file(spinFile));
        AnalysisRequest request;
        request.numberCount = profile.numberCount;
        request.chartTitle = profile.chartTitle;
        request.spins = loaded.list.values();
        request.analysisCount = loaded.list.size();
        request.reportFile = linuxDir.file("expected.rep");
        request.skipFile = linuxDir.file("expected.skp");
        request.statistics = loaded.statistics;
        runAnalysis(request);
        EXPECT_TRUE(readFile(windowsDir.file(report)) == readFile(request.reportFile)) << report;
        EXPECT_TRUE(readFile(windowsDir.file(skip)) == readFile(request.skipFile)) << skip;
    }
};

TEST_F(WindowsE2e, EveryWheelAndMethodTheErrorScreenAndRunAgain) {
    start();
    const char* methodMenu = "│  Select the Method:             │";
    const char* errorLine = "... Press <Spacebar> to resume or Ctrl+Break to abort ... ";
    // The title screen, then the single-zero wheel: a data file that does not
    // exist ends at the error screen; any key resumes.
    step(23, 16, "╘═════════════════════════════════╛", "s");
    step(17, 16, methodMenu, "a");
    step(18, 15, " Enter DATA file to process: ", "missing.dat\r");
    step(16, 5, errorLine, "q");
    // Outputs onto the console, or a device Windows reserves: refused before
    // a byte is written and not kept. Linux names its own terminal instead.
    step(17, 16, methodMenu, "g");
    step(16, 15, " (default: 1000) >> ", "\r");
    step(22, 15, " (RAND0.DAT) ", "/dev/stdout\r", "con.txt\r");
    step(16, 5, errorLine, " ");
    step(17, 16, methodMenu, "a");
    step(18, 15, " Enter DATA file to process: ", "casino.dat\r");
    step(11, 15, " How many spins to analyze", "\r");
    step(17, 15, " Name the main report", linuxApp->devicePath() + "\r", "CON\r");
    stepApart(21, 15, " Name the skip file", "\r");
    step(16, 5, errorLine, " ");
    step(17, 16, methodMenu, "a");
    step(18, 15, " Enter DATA file to process: ", "casino.dat\r");
    step(11, 15, " How many spins to analyze", "\r");
    step(17, 15, " Name the main report", "\r");
    step(21, 15, " Name the skip file", "/dev/tty\r", "AUX.TXT\r");
    step(16, 5, errorLine, " ");
    // Analysis of a data file typed with a correction.
    step(17, 16, methodMenu, "a");
    step(18, 15, " Enter DATA file to process: ", "casinx\x7fo.dat\r");
    countAndNames("\r", "single.rep\r", "\r");
    // Run again: random spins.
    step(11, 16, "   Success! Run SINGLE-0 again (Y/N)?   ", "y");
    step(17, 16, methodMenu, "g");
    step(16, 15, " (default: 1000) >> ", "300\r");
    step(22, 15, " (RAND0.DAT) ", "drawn0.dat\r");
    countAndNames("\r", "gen0.rep\r", "gen0.skp\r");
    step(11, 16, "   Success! Run SINGLE-0 again (Y/N)?   ", "n");
    // The double-zero wheel: part of a data file, then random spins of the
    // default count into the default file.
    step(23, 16, "╘═════════════════════════════════╛", "D");
    step(17, 16, methodMenu, "A");
    step(18, 15, " Enter DATA file to process: ", "casino.dat\r");
    countAndNames("90\r", "\r", "double.skp\r");
    step(11, 16, "   Success! Run DOUBLE-0 again (Y/N)?   ", "Y");
    step(17, 16, methodMenu, "\r");
    step(16, 15, " (default: 1000) >> ", "\r");
    step(22, 15, " (RAND00.DAT) ", "\r");
    countAndNames("\r", "gen00.rep\r", "gen00.skp\r");
    // The null device is a sink the user may choose.
    step(11, 16, "   Success! Run DOUBLE-0 again (Y/N)?   ", "y");
    step(17, 16, methodMenu, "a");
    step(18, 15, " Enter DATA file to process: ", "casino.dat\r");
    step(11, 15, " How many spins to analyze", "\r");
    step(17, 15, " Name the main report", "whole.rep\r");
    step(21, 15, " Name the skip file", "/dev/null\r", "NUL\r");
    step(11, 16, "   Success! Run DOUBLE-0 again (Y/N)?   ", "N");
    step(23, 16, "╘═════════════════════════════════╛", "x");
    EXPECT_EQ(linuxApp->waitForExit(), 0);
    EXPECT_EQ(windowsApp->waitForExit(), 0);

    // The same files, and byte for byte the same where no random draw is in them.
    std::vector<std::string> linuxNames;
    std::vector<std::string> windowsNames;
    for (const auto& entry : fs::directory_iterator(linuxDir.path()))
        linuxNames.push_back(entry.path().filename().string());
    for (const auto& entry : fs::directory_iterator(windowsDir.path()))
        windowsNames.push_back(entry.path().filename().string());
    std::sort(linuxNames.begin(), linuxNames.end());
    std::sort(windowsNames.begin(), windowsNames.end());
    EXPECT_EQ(windowsNames, linuxNames);
    for (const char* name : {"VIRLO0.INI", "ROUL0.INI", "single.rep", "VIRLO0.SKP", "ROUL00.INI",
                             "VIRLO00.REP", "double.skp", "whole.rep"}) {
        expectSameFile(name);
    }
    std::string settings = readFile(linuxDir.file("VIRLO00.INI"));
    const std::size_t sink = settings.find("/dev/null\r\n");
    ASSERT_NE(sink, std::string::npos) << settings;
    EXPECT_EQ(readFile(windowsDir.file("VIRLO00.INI")), settings.replace(sink, 9, "NUL"));
    expectReportsOfDrawnSpins(singleZeroProfile, "drawn0.dat", 300, "gen0.rep", "gen0.skp");
    expectReportsOfDrawnSpins(doubleZeroProfile, "RAND00.DAT", 1000, "gen00.rep", "gen00.skp");
}

// Without a terminal the options and the fairness report answer on Windows
// as on Linux: the same status, the same report byte for byte but for CR LF
// line ends (the fixed-seed simulation included), the same mistakes; the
// usage names the README.
TEST(WindowsOptions, AnswerAsOnLinuxWithoutTheFullScreen) {
    const char* program = std::getenv("SPINCHART_WINDOWS_PROGRAM");
    if (program == nullptr || *program == '\0')
        GTEST_SKIP() << "SPINCHART_WINDOWS_PROGRAM names no Windows program";
    TempDirectory dir;
    writeFile(dir.file("spins.dat"), readFile(SPINCHART_TEST_DATA "/fairness/spins.dat"));
    // A name beyond the ANSI code page, a table in UTF-16 as Notepad saves it.
    writeFile(dir.file("spins-\xCF\x89.dat"), readFile(SPINCHART_TEST_DATA "/fairness/spins.dat"));
    writeFile(dir.file("table.csv"), std::string("\xFF\xFEn\0;\0s\0\n\0"
                                                 "1\0;\0"
                                                 "5\0\n\0",
                                                 18));
    const std::vector<std::vector<std::string>> rows = {
        {"--version"},
        {"--help"},
        {"--fairness", "spins.dat"},
        {"--fairness", "spins.dat", "--wheel", "00"},
        {"--fairness=spins.dat", "--wheel=00", "--json"},
        {"--fairness", "spins.dat", "--csv"},
        {"--verison"},
        {"--fairness", "missing.dat"},
        {"--fairness", "spins-\xCF\x89.dat", "--json"},
        {"--fairness", "table.csv", "--column", "S", "--oldest-first", "--json"},
        {"--fairness", "-"},
    };
    const auto withoutCarriageReturns = [](std::string text) {
        std::erase(text, '\r');
        return text;
    };
    for (const std::vector<std::string>& row : rows) {
        std::vector<std::string> linuxCommand{SPINCHART_BINARY};
        std::vector<std::string> windowsCommand{"wine", program};
        linuxCommand.insert(linuxCommand.end(), row.begin(), row.end());
        windowsCommand.insert(windowsCommand.end(), row.begin(), row.end());
        const PlainRun linuxRun = runWithoutATerminal(dir.path(), linuxCommand);
        const PlainRun windowsRun = runWithoutATerminal(dir.path(), windowsCommand);
        const std::string out = withoutCarriageReturns(windowsRun.out);
        const std::string errors = withoutCarriageReturns(windowsRun.errors);
        EXPECT_EQ(windowsRun.status, linuxRun.status) << row[0] << errors;
        if (row[0] == "--help") {
            EXPECT_TRUE(out.ends_with("Read more: README.txt\n")) << out;
        } else {
            EXPECT_TRUE(out == linuxRun.out) << row[0] << ":\n" << out;
        }
        // The messages of the command line's mistakes are the program's own.
        if (linuxRun.status == 2) {
            EXPECT_EQ(errors, linuxRun.errors);
        } else {
            EXPECT_EQ(errors.empty(), linuxRun.errors.empty()) << errors;
        }
    }
}

// A console window under 80x25 shows the same notice as a small terminal,
// and a key typed meanwhile is not taken.
TEST_F(WindowsE2e, ASmallWindowShowsTheSizeNeeded) {
    start(20, 80);
    step(10, 21, "The program needs 80 columns by 25 rows", "x");
    linuxApp->resize(25, 80);
    ASSERT_TRUE(linuxApp->waitForText(23, 16, "╘═════════════════════════════════╛"))
        << linuxApp->screenDump();
    EXPECT_TRUE(linuxApp->running());
    EXPECT_TRUE(windowsApp->running());
    EXPECT_EQ(windowsApp->text(10, 21, 39), "The program needs 80 columns by 25 rows");
}

// The console-client tests of the Win32 terminal backend need a console,
// which wine gives a program only in a terminal: they run in one here.
TEST(WindowsConsole, ClientTestsPassInAPseudoTerminal) {
    const char* tests = std::getenv("SPINCHART_WINDOWS_UNIT_TESTS");
    if (tests == nullptr || *tests == '\0')
        GTEST_SKIP() << "SPINCHART_WINDOWS_UNIT_TESTS names no Windows unit tests";
    TempDirectory dir;
    TerminalSession app(dir.path(),
                        std::vector<std::string>{"wine", tests, "--gtest_filter=Win32Console.*",
                                                 "--gtest_color=no"});
    EXPECT_EQ(app.waitForExit(), 0) << app.screenDump();
    EXPECT_TRUE(app.screenContains("[  PASSED  ]")) << app.screenDump();
    EXPECT_FALSE(app.screenContains("SKIPPED")) << app.screenDump();
}

}  // namespace
}  // namespace spinchart::e2e
