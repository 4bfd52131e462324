// Faults from outside, end to end through the pseudo-terminal: files that are
// folders, unreadable, garbage or gone; folders and disks that take nothing;
// huge names and pasted bursts; signals and a small machine. Each must end at
// the screen the program promises, leave the files as they should be, give
// the terminal back, and let the next session complete.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_screen.h"
#include "platform/cp437.h"
#include "support/e2e/terminal_session.h"
#include "support/program_test.h"
#include "support/test_text.h"

namespace spinchart::e2e {
namespace {

namespace fs = std::filesystem;

using testing::bars;
using testing::crlfLineCount;
using testing::crlfLines;

// A code page 437 text as the terminal shows it.
std::string shown(std::string_view cp437) {
    std::string out;
    for (char c : cp437)
        appendUtf8(out, cp437ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

bool underAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

// Whether the main report ends in its closing line, the rule at column 2;
// only the end of the file as it is now is read.
bool reportComplete(const std::string& path) {
    std::string rule(55, '-');
    rule[0] = ' ';
    rule += "\r\n";
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in || static_cast<std::size_t>(in.tellg()) < rule.size()) return false;
    in.seekg(-static_cast<std::streamoff>(rule.size()), std::ios::end);
    std::string end(rule.size(), '\0');
    in.read(end.data(), static_cast<std::streamsize>(end.size()));
    return end == rule;
}

// Lines of a file ended by CR LF, read in blocks (the files may be large).
int fileLineCount(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    int count = 0;
    bool carriageReturn = false;  // the last block ended in CR
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        const std::string_view text(block.data(), static_cast<std::size_t>(in.gcount()));
        count += crlfLineCount(text) + (carriageReturn && text.front() == '\n');
        carriageReturn = text.back() == '\r';
    }
    return count;
}

constexpr const char* singleZeroAgain = "   Success! Run SINGLE-0 again (Y/N)?   ";

class Faults : public ProgramTest {
protected:
    void expectMethodMenu() {
        expectScreen(17, 16, "│  Select the Method:             │");
        EXPECT_EQ(app->text(17, 45, 1), " ");
    }
    void enterSingleZero() {
        app->send("s");
        expectMethodMenu();
    }
    void expectErrorScreen() {
        expectScreen(8, 10, "             **** ERROR! ****");
        expectScreen(16, 5, "... Press <Spacebar> to resume or Ctrl+Break to abort ... ");
        // The cursor is placed at the end of the batch, after the texts.
        EXPECT_TRUE(app->waitFor([&] { return !app->cursorVisible(); }));
    }
    // From the error screen to the next session's method menu.
    void resume() {
        app->send(" ");
        expectMethodMenu();
    }
    // At the count screen: all the spins, into `report` and `skip` (empty:
    // the defaults).
    void analyzeAllInto(const std::string& report, const std::string& skip) {
        expectScreen(11, 15, " How many spins to analyze");
        app->send("\r" + report + "\r" + skip + "\r");
    }
    // Every default from the count screen up to the run-again question.
    void acceptDefaults() {
        analyzeAllInto("", "");
        expectScreen(11, 16, singleZeroAgain);
    }
    // Generates `count` spins into `name` (empty: the default), then takes
    // every default up to the run-again question.
    void generateAndFinish(const std::string& count, const std::string& name) {
        generate(count, name);
        acceptDefaults();
    }
    // Generates `count` spins and starts the analysis of all of them with
    // the default names; returns once the working screen is up.
    void startLongAnalysis(const std::string& count) {
        generate(count, "");
        analyzeAllInto("", "");
        expectScreen(11, 25, " Doing the works ...");
    }
    // Waits until the analysis has written part of the main report while
    // the run-again question is not up yet: the analysis is at work.
    void waitForTheReportToGrow() {
        ASSERT_TRUE(app->waitFor([&] {
            std::error_code error;
            return fs::file_size(dir.file("VIRLO0.REP"), error) > 0 && !error &&
                   !app->screenContains("Success!");
        })) << app->screenDump();
    }
    // The main report ends in its closing line, the skip file has a line for
    // each of `spins` but the oldest five.
    void expectFinishedReports(int spins) {
        EXPECT_TRUE(reportComplete(dir.file("VIRLO0.REP")));
        EXPECT_EQ(fileLineCount(dir.file("VIRLO0.SKP")), spins - 5);
    }
};

TEST_F(Faults, SettingsFileThatIsAFolderIsLeftAloneAndOnlyItsSaveFails) {
    fs::create_directory(dir.file("VIRLO0.INI"));
    writeFile(dir.file("VIRLO0.INI/keep"), "kept");
    start();
    enterSingleZero();
    // Read as missing: the defaults are offered.
    generate("", "", "RAND0.DAT");
    expectErrorScreen();  // the save before drawing cannot write it
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI/keep")), "kept");
    EXPECT_FALSE(fs::exists(dir.file("RAND0.DAT")));

    fs::remove_all(dir.file("VIRLO0.INI"));
    resume();
    generateAndFinish("", "");
    leave();
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI")),
              crlfLines({"HAMB00.DAT", "RAND0.DAT", "VIRLO0.REP", "VIRLO0.SKP"}));
    EXPECT_EQ(fileLineCount(dir.file("RAND0.DAT")), 1000);
}

TEST_F(Faults, UnreadableSettingsFileIsNeitherReadNorOverwritten) {
    const std::string mine = crlfLines({"A.DAT", "MINE.DAT", "MINE.REP", "MINE.SKP"});
    writeFile(dir.file("VIRLO0.INI"), mine);
    fs::permissions(dir.file("VIRLO0.INI"), fs::perms::none);
    start(ChildOptions{.obeyFileModes = true});
    enterSingleZero();
    generate("", "", "RAND0.DAT");
    expectErrorScreen();
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI")), mine);
    EXPECT_EQ(fs::status(dir.file("VIRLO0.INI")).permissions() & fs::perms::all, fs::perms::none);

    // Readable again: the next session takes its names.
    fs::permissions(dir.file("VIRLO0.INI"), fs::perms::owner_read | fs::perms::owner_write);
    resume();
    generate("", "", "MINE.DAT");
    acceptDefaults();
    leave();
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI")), mine);
    EXPECT_EQ(fileLineCount(dir.file("MINE.DAT")), 1000);
}

TEST_F(Faults, GarbageSettingsAreShownAsGlyphsNeverAsTerminalCommands) {
    // Escape sequences that would clear the screen, set the title or change
    // colours if they reached the terminal, control bytes, a NUL, high bytes.
    const std::string garbage(
        "\x1b[2J\x1b]0;owned\x07\x9b"
        "31m\x01\x7f\xff\x00\x1b[?25h\xe9",
        27);
    const std::string settings = crlfLines({"HAMB00.DAT", garbage, "VIRLO0.REP", "VIRLO0.SKP"});
    writeFile(dir.file("VIRLO0.INI"), settings);
    start();
    enterSingleZero();
    app->send("g");
    expectScreen(7, 14, " *** Option: Generate RANDOM spins ");
    // Upper-cased for the display, wrapped at the last column.
    const std::string upper = toUpperCp437(garbage);
    expectScreen(9, 14, " *** Default OUTPUT file of random spins: " + shown(upper.substr(0, 25)));
    expectScreen(10, 1, shown(upper.substr(25)) + "   ");
    for (int column : {56, 66, 80})
        EXPECT_EQ(app->colours(9, column), (CellColours{14, 2})) << column;
    EXPECT_EQ(app->colours(10, 1), (CellColours{14, 2}));
    app->send("\r");
    expectScreen(22, 15, " (" + shown(garbage) + ") ");
    EXPECT_EQ(app->colours(22, 30), (CellColours{14, 2}));
    // A name with a NUL in it cannot be a file.
    app->send("\r");
    expectErrorScreen();
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI")), settings);

    resume();
    generateAndFinish("", "fine.dat");
    leave();
    // The garbage is kept byte for byte, as loaded.
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI")), settings);
    EXPECT_EQ(fileLineCount(dir.file("fine.dat")), 1000);
}

TEST_F(Faults, FolderWithoutWritePermission) {
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    start(ChildOptions{.obeyFileModes = true});
    enterSingleZero();
    // The settings file cannot be created: the defaults serve, silently, and
    // the first save ends the session.
    generate("", "");
    expectErrorScreen();
    EXPECT_TRUE(fs::is_empty(dir.path()));

    fs::permissions(dir.path(), fs::perms::owner_all);
    fs::create_directory(dir.file("ro"));
    fs::permissions(dir.file("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    resume();
    generate("", "ro/spins.dat", "RAND0.DAT");
    expectErrorScreen();
    EXPECT_TRUE(fs::is_empty(dir.file("ro")));
    // The name stays offered: the session stopped between its two saves.
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI")),
              crlfLines({"HAMB00.DAT", "ro/spins.dat", "VIRLO0.REP", "VIRLO0.SKP"}));

    resume();
    generateAndFinish("", "spins.dat");
    leave();
    EXPECT_EQ(fileLineCount(dir.file("spins.dat")), 1000);
}

TEST_F(Faults, DataFileGoneOrReplacedBetweenSessions) {
    const std::string spins = crlfLines({"17", "5", "37", "0", "12", "3", "3"});
    writeFile(dir.file("spins.dat"), spins);
    start(ChildOptions{.obeyFileModes = true});
    enterSingleZero();
    auto analyse = [&](bool loads) {
        analyzeFile("spins.dat");
        if (!loads) return expectErrorScreen();
        expectScreen(12, 15, " (default:  7 ) >> ");
        acceptDefaults();
    };
    analyse(true);
    app->send("y");
    expectMethodMenu();

    fs::remove(dir.file("spins.dat"));
    analyse(false);
    resume();
    fs::create_directory(dir.file("spins.dat"));
    analyse(false);
    resume();
    fs::remove(dir.file("spins.dat"));
    ASSERT_EQ(::mkfifo(dir.file("spins.dat").c_str(), 0644), 0);  // must not wait for a writer
    analyse(false);
    resume();
    fs::remove(dir.file("spins.dat"));
    fs::create_symlink("spins.dat", dir.file("spins.dat"));  // a link to itself
    analyse(false);
    resume();
    fs::remove(dir.file("spins.dat"));
    writeFile(dir.file("spins.dat"), spins);
    fs::permissions(dir.file("spins.dat"), fs::perms::none);
    analyse(false);
    resume();
    EXPECT_EQ(readFile(dir.file("spins.dat")), spins);

    fs::permissions(dir.file("spins.dat"), fs::perms::owner_read);
    analyse(true);
    leave();
    EXPECT_EQ(readFile(dir.file("ROUL0.INI")),
              crlfLines({"SPINS.DAT", "RAND0.DAT", "VIRLO0.REP", "VIRLO0.SKP"}));
}

TEST_F(Faults, NamesOfTenThousandCharacters) {
    start();
    enterSingleZero();
    // The line editor keeps 10000 characters; the rest of the paste is dropped.
    analyzeFile(std::string(10050, 'x'));
    expectErrorScreen();
    EXPECT_EQ(readFile(dir.file("ROUL0.INI")),
              crlfLines({std::string(10000, 'X'), "RAND0.DAT", "VIRLO0.REP", "VIRLO0.SKP"}));

    resume();
    const std::string longName(10000, 'y');
    generate("", longName + "zzz", "RAND0.DAT");
    expectErrorScreen();
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI")),
              crlfLines({"HAMB00.DAT", longName, "VIRLO0.REP", "VIRLO0.SKP"}));

    // Offered again, it scrolls the screen; a short answer still works.
    resume();
    app->send("g\r");
    expectScreen(24, 1, std::string(80, 'y'));
    expectScreen(25, 1, std::string(16, 'y') + ") ");
    EXPECT_EQ(app->cursorRow(), 25);
    EXPECT_EQ(app->cursorColumn(), 19);
    app->send("ok.dat\r");
    acceptDefaults();
    leave();
    EXPECT_EQ(fileLineCount(dir.file("ok.dat")), 1000);
}

TEST_F(Faults, PastedBurstsOfThousandsOfKeys) {
    start();
    enterSingleZero();
    // Twenty thousand digits: a count beyond any integer, so the default.
    // Then a name typed over and wiped out again, with keys that add nothing
    // and broken bytes in between.
    std::string burst(3000, 'w');
    for (int i = 0; i < 3000; ++i)
        burst += keys::backspace;
    burst += "bu\x1b[A\x1bOP\xff\xc0rst\x1b[15~.dat\t\x03";
    generate(std::string(20000, '9'), burst);
    expectScreen(12, 15, " (default:  1000 ) >> ");
    EXPECT_EQ(fileLineCount(dir.file("burst.dat")), 1000);
    acceptDefaults();

    // A whole session in one paste; what follows the run-again answer is
    // dropped by the next session's key flush.
    app->send("y");
    expectMethodMenu();
    app->send("g\rsecond.dat\r\r\r\ry" + std::string(500, 'a') + "\r");
    ASSERT_TRUE(app->waitFor([&] { return fileLineCount(dir.file("second.dat")) == 1000; }));
    ASSERT_TRUE(app->waitFor([&] {
        return app->text(17, 16, 35) == "│  Select the Method:             │" &&
               app->text(17, 45, 1) == " ";
    })) << app->screenDump();
    EXPECT_FALSE(app->screenContains("Enter DATA file"));
    generateAndFinish("", "");
    leave();
}

// The program ended from outside while it draws a long list of spins: the
// terminal is given back, the file written so far stays, and the next run of
// the program completes a session.
TEST_F(Faults, EndedBySignalsDuringALongGeneration) {
    for (int signalNumber : {SIGTERM, SIGHUP}) {
        fs::remove(dir.file("long.dat"));  // its size tells when the drawing runs
        start();
        enterSingleZero();
        generate("100000000", "long.dat");
        ASSERT_TRUE(app->waitFor([&] {
            std::error_code error;
            return fs::file_size(dir.file("long.dat"), error) > 0 && !error;
        })) << app->screenDump();
        app->signal(signalNumber);
        EXPECT_EQ(app->waitForExit(), 128 + signalNumber) << signalNumber;
        EXPECT_TRUE(app->modesRestored());
        EXPECT_TRUE(app->cursorVisible());
        EXPECT_LT(fs::file_size(dir.file("long.dat")), 100000000u * 4);
        EXPECT_EQ(readFile(dir.file("VIRLO0.INI")),
                  crlfLines({"HAMB00.DAT", "long.dat", "VIRLO0.REP", "VIRLO0.SKP"}));

        start();
        enterSingleZero();
        generateAndFinish("100", "");
        leave();
        EXPECT_EQ(fileLineCount(dir.file("long.dat")), 100);
    }
}

// A private mount namespace with a small file system over the working folder,
// for a disk that fills up part-way; skipped where mounting is not allowed.
class SmallDisk {
public:
    SmallDisk(const std::string& path, const char* size) : path_(path) {
        static const bool privateNamespace =
            ::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        const std::string options = std::string("size=") + size;
        mounted_ = privateNamespace &&
                   ::mount("spinchart-test", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    std::string path_;
    bool mounted_ = false;
};

TEST_F(Faults, DiskFillingUpPartWay) {
    SmallDisk disk(dir.path(), "4m");
    if (!disk.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
    start();
    enterSingleZero();
    generate("2000000", "big.dat");
    expectErrorScreen();
    const auto left = fs::file_size(dir.file("big.dat"));
    EXPECT_GT(left, 0u);
    EXPECT_LT(left, 2000000u * 4);

    // The same name again, smaller: room enough once it is emptied.
    resume();
    generate("100", "", "big.dat");
    acceptDefaults();
    leave();
    EXPECT_EQ(fileLineCount(dir.file("big.dat")), 100);
}

// A machine with little memory: a list that cannot fit is refused with the
// error screen before any of it is drawn, and a small one still works.
TEST_F(Faults, CountTooLargeForTheMemoryShowsTheErrorScreen) {
    if (underAddressSanitizer() || runsUnderWrapper()) {
        GTEST_SKIP() << "an address-space limit does not suit a checked build";
    }
    start(ChildOptions{.addressSpaceLimit = 256ull << 20});
    enterSingleZero();
    generate("200000000", "huge.dat");
    expectErrorScreen();
    EXPECT_FALSE(fs::exists(dir.file("huge.dat")));
    resume();
    generateAndFinish("", "small.dat");
    leave();
    EXPECT_EQ(fileLineCount(dir.file("small.dat")), 1000);
}

// A spin file longer than the memory can hold: the list stops growing at the
// error screen instead of the program being stopped by the system.
TEST_F(Faults, DataFileTooLargeForTheMemoryShowsTheErrorScreen) {
    if (underAddressSanitizer() || runsUnderWrapper()) {
        GTEST_SKIP() << "an address-space limit does not suit a checked build";
    }
    {
        std::string lines;
        for (int i = 0; i < 1000000; ++i)
            lines += "1\r\n";
        std::ofstream out(dir.file("long.dat"), std::ios::binary);
        for (int i = 0; i < 30; ++i)
            out << lines;  // thirty million spins
    }
    writeFile(dir.file("short.dat"), crlfLines({"1", "2", "3", "4", "5", "6", "7"}));
    start(ChildOptions{.addressSpaceLimit = 128ull << 20});
    enterSingleZero();
    analyzeFile("long.dat");
    expectErrorScreen();
    resume();
    analyzeFile("short.dat");
    expectScreen(12, 15, " (default:  7 ) >> ");
    acceptDefaults();
    leave();
    EXPECT_TRUE(reportComplete(dir.file("VIRLO0.REP")));
}

// Spins that fit, with an analysis that would not fit beside them: refused
// before the old reports are emptied.
TEST_F(Faults, AnalysisTooLargeForTheMemoryLeavesTheOldReportsAlone) {
    if (underAddressSanitizer() || runsUnderWrapper()) {
        GTEST_SKIP() << "an address-space limit does not suit a checked build";
    }
    writeFile(dir.file("VIRLO0.REP"), "old report\r\n");
    writeFile(dir.file("VIRLO0.SKP"), "old skips\r\n");
    start(ChildOptions{.addressSpaceLimit = 256ull << 20});
    enterSingleZero();
    generate("30000000", "many.dat");
    expectScreen(12, 15, " (default:  30000000 ) >> ");
    analyzeAllInto("", "");
    expectErrorScreen();
    EXPECT_EQ(readFile(dir.file("VIRLO0.REP")), "old report\r\n");
    EXPECT_EQ(readFile(dir.file("VIRLO0.SKP")), "old skips\r\n");

    resume();
    generateAndFinish("", "");
    leave();
    const std::string report = readFile(dir.file("VIRLO0.REP"));
    EXPECT_EQ(report.substr(0, 2), "\r\n");
    EXPECT_NE(report.find("0-Roulette Frequency and Skip Chart"), std::string::npos);
    EXPECT_EQ(fileLineCount(dir.file("VIRLO0.SKP")), 995);
}

// Reports onto a full disk or into a folder that takes nothing: the error
// screen, the other file as far as it got, and a clean next session.
TEST_F(Faults, ReportOrSkipFileThatCannotBeWritten) {
    start(ChildOptions{.obeyFileModes = true});
    enterSingleZero();
    auto generateWithNames = [&](const std::string& report, const std::string& skip) {
        generate("", "");
        analyzeAllInto(report, skip);
    };

    // The report on a full disk fails when its buffered bytes go out; the
    // skip file, written after the report, stays empty.
    generateWithNames("/dev/full", "first.skp");
    expectErrorScreen();
    EXPECT_EQ(readFile(dir.file("first.skp")), "");
    resume();

    // The skip file on a full disk: the report, closed first, is complete.
    generateWithNames("second.rep", "/dev/full");
    expectErrorScreen();
    EXPECT_TRUE(reportComplete(dir.file("second.rep")));
    resume();

    // A folder without write permission: nothing is created in it, and the
    // skip file of the last session is not touched.
    fs::create_directory(dir.file("ro"));
    fs::permissions(dir.file("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    writeFile(dir.file("first.skp"), "old skips\r\n");
    generateWithNames("ro/third.rep", "first.skp");
    expectErrorScreen();
    EXPECT_EQ(readFile(dir.file("first.skp")), "old skips\r\n");
    resume();
    generateWithNames("fourth.rep", "ro/fourth.skp");
    expectErrorScreen();
    EXPECT_TRUE(fs::is_empty(dir.file("ro")));
    resume();

    generateWithNames("VIRLO0.REP", "VIRLO0.SKP");
    expectScreen(11, 16, singleZeroAgain);
    leave();
    expectFinishedReports(1000);
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI")),
              crlfLines({"HAMB00.DAT", "RAND0.DAT", "VIRLO0.REP", "VIRLO0.SKP"}));
}

// Outputs named after the terminal the program draws on, however the path is
// spelt: the error screen before a byte goes there, a whole screen after it,
// and the name not kept. The null device is a sink the user chose: it serves.
TEST_F(Faults, OutputsOntoTheProgramsOwnTerminalAreRefused) {
    start();
    const std::string terminal = app->devicePath();
    ASSERT_FALSE(terminal.empty());
    const std::string defaults = crlfLines({"HAMB00.DAT", "RAND0.DAT", "VIRLO0.REP", "VIRLO0.SKP"});
    enterSingleZero();
    auto expectRefused = [&](const std::string& name) {
        expectErrorScreen();
        EXPECT_EQ(app->rowText(20), std::string(80, ' ')) << name;
        resume();
        EXPECT_EQ(app->rowText(25), std::string(80, ' ')) << name;
        EXPECT_EQ(readFile(dir.file("VIRLO0.INI")), defaults) << name;
    };
    for (const std::string& name :
         {terminal, std::string("/dev/tty"), std::string("/dev/stdout"),
          std::string("/proc/self/fd/1"), std::string("/dev/fd/0"), "../../.." + terminal}) {
        generate("", "");
        analyzeAllInto(name, "");
        expectRefused(name);
    }
    for (const std::string& name : {terminal, std::string("/dev/tty")}) {
        generate("", "");
        analyzeAllInto("", name);
        expectRefused(name);
    }
    for (const std::string& name : {terminal, std::string("/dev/stdout")}) {
        generate("", name);
        expectRefused(name);
    }
    // No line of any file reached the terminal.
    EXPECT_EQ(app->output().find("\r\n"), std::string::npos);

    // The null device the user chose completes as either output.
    generate("", "");
    analyzeAllInto("/dev/null", "");
    expectScreen(11, 16, singleZeroAgain);
    EXPECT_EQ(fileLineCount(dir.file("VIRLO0.SKP")), 995);
    app->send("y");
    expectMethodMenu();
    generate("", "");
    analyzeAllInto("VIRLO0.REP", "/dev/null");
    expectScreen(11, 16, singleZeroAgain);
    leave();
    EXPECT_TRUE(reportComplete(dir.file("VIRLO0.REP")));
    EXPECT_EQ(readFile(dir.file("VIRLO0.INI")),
              crlfLines({"HAMB00.DAT", "RAND0.DAT", "VIRLO0.REP", "/dev/null"}));
}

// The program ended from outside while it analyses a long list of spins: the
// terminal is given back, the report keeps what was written, and the next run
// of the program completes a session. The signal is sent as soon as the report
// grows; should the analysis still finish first, the program ends at the
// run-again question with its reports whole, and the terminal is given back
// all the same.
TEST_F(Faults, EndedBySignalsDuringALongAnalysis) {
    for (int signalNumber : {SIGTERM, SIGHUP}) {
        fs::remove(dir.file("VIRLO0.REP"));
        start();
        enterSingleZero();
        startLongAnalysis("20000000");
        waitForTheReportToGrow();
        app->signal(signalNumber);
        EXPECT_EQ(app->waitForExit(), 128 + signalNumber) << signalNumber;
        EXPECT_TRUE(app->modesRestored());
        EXPECT_TRUE(app->cursorVisible());
        EXPECT_GT(fs::file_size(dir.file("VIRLO0.REP")), 0u);
        if (app->screenContains(singleZeroAgain)) expectFinishedReports(20000000);

        start();
        enterSingleZero();
        generateAndFinish("", "");
        leave();
        expectFinishedReports(1000);
    }
}

// Resizing while the analysis runs disturbs neither the reports nor the
// screens: the run-again question comes up whole in each size. The terminal
// is resized as soon as the report grows; should the analysis still finish
// first, the question is resized instead, and must be as whole.
TEST_F(Faults, ResizedDuringTheWorkingScreen) {
    start();
    enterSingleZero();
    startLongAnalysis("10000000");
    waitForTheReportToGrow();
    app->resize(20, 60);
    app->resize(30, 100);
    // Its whole screen, which may come in more than one read.
    ASSERT_TRUE(app->waitFor(
        [&] {
            return app->text(11, 16, static_cast<int>(std::strlen(singleZeroAgain))) ==
                       singleZeroAgain &&
                   app->colours(25, 80) == CellColours{14, 2};
        },
        120s))
        << app->screenDump();
    EXPECT_EQ(app->text(10, 15, 42), "╔" + bars(40) + "╗");
    EXPECT_EQ(app->colours(11, 16), (CellColours{14, 0}));
    EXPECT_EQ(app->colours(25, 80), (CellColours{14, 2}));
    EXPECT_FALSE(app->screenContains("Doing the works"));

    app->resize(20, 60);
    ASSERT_TRUE(app->waitFor([&] { return app->screenContains("needs 80 columns by 25 rows"); }))
        << app->screenDump();
    app->resize(25, 80);
    ASSERT_TRUE(app->waitFor([&] {
        return app->colours(25, 80) == CellColours{14, 2};
    })) << app->screenDump();
    expectScreen(11, 16, singleZeroAgain);
    EXPECT_EQ(app->rowText(25), std::string(80, ' '));
    leave();
    expectFinishedReports(10000000);
}

TEST_F(Faults, DiskFillingUpDuringTheReport) {
    SmallDisk disk(dir.path(), "8m");
    if (!disk.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
    start();
    enterSingleZero();
    // About 1.2 MB of spins, and a report of several times the disk.
    startLongAnalysis("200000");
    expectErrorScreen();
    EXPECT_FALSE(reportComplete(dir.file("VIRLO0.REP")));

    // Fewer spins under the same names: the old files make room as they are
    // emptied.
    resume();
    generateAndFinish("", "");
    leave();
    expectFinishedReports(1000);
}

// Named pipes where files are expected: one without a reader must not stop
// the program, and a reader that goes away is a failed write, not the end of
// the program with the terminal left raw.
TEST_F(Faults, PipesInsteadOfFiles) {
    ASSERT_EQ(::mkfifo(dir.file("VIRLO0.INI").c_str(), 0644), 0);
    start();
    enterSingleZero();  // the settings cannot be written: the defaults serve
    generate("", "");
    expectErrorScreen();
    fs::remove(dir.file("VIRLO0.INI"));
    resume();

    // Random spins into a pipe whose reader leaves once the pipe is full.
    ASSERT_EQ(::mkfifo(dir.file("pipe.dat").c_str(), 0644), 0);
    const int reader = ::open(dir.file("pipe.dat").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    generate("1000000", "pipe.dat");
    pollfd data{reader, POLLIN, 0};
    ASSERT_EQ(::poll(&data, 1, 30000), 1);
    ::close(reader);
    expectErrorScreen();
    resume();

    // A report into a pipe nobody reads.
    ASSERT_EQ(::mkfifo(dir.file("pipe.rep").c_str(), 0644), 0);
    generate("", "spins.dat");
    analyzeAllInto("pipe.rep", "VIRLO0.SKP");
    expectErrorScreen();
    resume();

    // The pipes' names are still offered; other names complete the session.
    generate("", "spins.dat", "pipe.dat");
    app->send("\r");
    expectScreen(18, 15, " (pipe.rep) ");
    app->send("VIRLO0.REP\r\r");
    expectScreen(11, 16, singleZeroAgain);
    leave();
    EXPECT_EQ(fileLineCount(dir.file("spins.dat")), 1000);
    EXPECT_TRUE(reportComplete(dir.file("VIRLO0.REP")));
    EXPECT_EQ(fs::status(dir.file("pipe.rep")).type(), fs::file_type::fifo);
}

// The terminal goes away: with the usual hang-up signal the program ends at
// once; started as under nohup it finishes the analysis in hand, then ends
// when it finds no more input. (There is no terminal left to restore.)
TEST_F(Faults, TerminalHungUp) {
    start();
    enterSingleZero();
    app->send("g");
    expectScreen(16, 15, " (default: 1000) >> ");
    app->send("12");
    app->hangUp();
    EXPECT_EQ(app->waitForExit(), 128 + SIGHUP);

    start(ChildOptions{.ignoreHangUp = true});
    enterSingleZero();
    startLongAnalysis("10000000");
    waitForTheReportToGrow();
    app->hangUp();
    EXPECT_EQ(app->waitForExit(120s), 1);
    expectFinishedReports(10000000);
}

// Stopped and continued from outside while the analysis works: the terminal
// is given back meanwhile, and the work and the screens go on whole.
TEST_F(Faults, StoppedAndContinuedDuringTheAnalysis) {
    start();
    enterSingleZero();
    startLongAnalysis("10000000");
    waitForTheReportToGrow();
    app->signal(SIGTSTP);
    ASSERT_TRUE(app->waitFor([&] { return app->stopped(); }));
    EXPECT_TRUE(app->modesRestored());
    EXPECT_TRUE(app->cursorVisible());
    app->signal(SIGCONT);
    expectScreen(11, 16, singleZeroAgain);
    // The program's own modes again, once it runs on.
    EXPECT_TRUE(app->waitFor([&] { return !app->modesRestored(); }));
    // The whole screen is drawn again, the last row too.
    EXPECT_TRUE(app->waitFor([&] {
        return app->colours(25, 80) == CellColours{14, 2};
    })) << app->screenDump();
    leave();
    expectFinishedReports(10000000);
}

// Terminals far too small and very large: the program goes on, shows the
// size it needs in what fits (or the screen, when it fits), and is whole
// again at 80x25.
TEST_F(Faults, TinyAndHugeTerminals) {
    start();
    const struct {
        int rows, columns, row, column;
        const char* shown;
    } sizes[] = {{1, 1, 1, 1, "T"},
                 {2, 3, 1, 1, "The"},
                 {300, 1000, 4, 4, "This"},
                 {25, 1, 9, 1, "T"},
                 {1, 80, 1, 21, "The program needs 80 columns by 25 rows"}};
    for (const auto& size : sizes) {
        app->resize(size.rows, size.columns);
        ASSERT_TRUE(app->waitFor([&] {
            return app->text(size.row, size.column, static_cast<int>(std::strlen(size.shown))) ==
                   size.shown;
        })) << size.rows
            << "x" << size.columns << "\n"
            << app->screenDump();
    }
    app->resize(25, 80);
    expectScreen(18, 16, "│  <S> Single-zero (0)");
    expectScreen(4, 4, "This program performs statistical analyses of roulette spins:");
    enterSingleZero();
    app->resize(5, 20);
    ASSERT_TRUE(app->waitForText(2, 1, "The program needs 80")) << app->screenDump();
    app->send("a");  // typed blind: not taken
    app->resize(25, 80);
    expectScreen(19, 16, "│  <G> Generate Random Spins");
    app->send("g");
    ASSERT_TRUE(app->waitFor([&] { return app->cursorVisible(); }));  // the count prompt
    app->send("\r");
    expectScreen(21, 15, " Name the OUTPUT file");
    app->send("\r");
    acceptDefaults();
    leave();
    EXPECT_TRUE(reportComplete(dir.file("VIRLO0.REP")));
}

}  // namespace
}  // namespace spinchart::e2e
