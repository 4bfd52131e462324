// Whole wheel sessions of the real program in a pseudo-terminal: the screens
// as a terminal shows them, and the settings files left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>

#include "support/e2e/terminal_session.h"
#include "support/program_test.h"
#include "support/test_text.h"

namespace spinchart::e2e {
namespace {

namespace fs = std::filesystem;

void copyTestData(const TempDirectory& dir, const std::string& name, const std::string& as) {
    fs::copy_file(fs::path(SPINCHART_TEST_DATA) / name, dir.file(as));
}

using testing::bars;
using testing::crlfLineCount;
using testing::crlfLines;

class WheelSession : public ProgramTest {
protected:
    // The settings file `name` holds these four names.
    void expectSettings(const std::string& name, std::initializer_list<std::string_view> names) {
        EXPECT_EQ(readFile(dir.file(name)), crlfLines(names)) << name;
    }
    void enterWheel(const char* key, bool doubleZero) {
        app->send(key);
        expectScreen(4, 10, "∙ This function simulates random roulette spins; or-");
        expectScreen(5, 10,
                     doubleZero ? " ∙∙ analyzes REAL casino spins (DOUBLE ZERO)."
                                : " ∙∙ analyzes REAL casino spins (SINGLE ZERO).");
        expectScreen(6, 10, "The spins must be recorded first in a text file");
        expectScreen(7, 10, "with one spin per line: type the number then press 'Enter'.");
        if (doubleZero) {
            expectScreen(8, 10, "*** You must replace 00 in a file by 37 ***");
        } else {
            EXPECT_EQ(app->rowText(8), std::string(80, ' '));
        }
        expectScreen(10, 10, "You can either generate RANDOM spins (the default)");
        expectScreen(11, 10, "or analyze REAL-LIFE casino spins in a data file.");
        expectScreen(12, 10,
                     doubleZero ? "*** The random spins are saved to file: RAND00.DAT"
                                : "*** The random spins are saved to file: RAND0.DAT");
        expectScreen(16, 16, "╒" + bars(33) + "╕");
        expectScreen(17, 16, "│  Select the Method:             │");
        expectScreen(18, 16, "╞" + bars(33) + "╡");
        expectScreen(19, 16, "│  <G> Generate Random Spins      │");
        expectScreen(21, 16, "│  <A> Analyze Casino File        │");
        expectScreen(22, 16, "╘" + bars(33) + "╛");
        EXPECT_EQ(app->colours(4, 10), (CellColours{14, 2}));
        EXPECT_FALSE(app->cursorVisible());
    }
    // From the count screen to the run-again question with every default.
    void countAndNames(const std::string& defaultCount, const std::string& report,
                       const std::string& skip, const std::string& answers) {
        expectScreen(1, 10, "Select how many spins to analyze.");
        expectScreen(8, 10, "2) the skip file: all the skips in ascending order.");
        expectScreen(10, 14, "╔" + bars(49) + "╗");
        expectScreen(13, 14, "╚" + bars(49) + "╝");
        expectScreen(11, 15, " How many spins to analyze");
        expectScreen(12, 15, " (default: " + defaultCount + ") >> ");
        EXPECT_TRUE(app->cursorVisible());
        app->send(answers);
        expectScreen(18, 15, " (" + report + ") ");
        expectScreen(22, 15, " (" + skip + ") ");
    }
    void expectErrorScreen() {
        expectScreen(8, 10, "             **** ERROR! ****");
        expectScreen(10, 5, "* The file does not exist OR you mis-spelled the name; or_");
        expectScreen(16, 5, "... Press <Spacebar> to resume or Ctrl+Break to abort ... ");
    }
};

TEST_F(WheelSession, GenerateDoubleZero) {
    start();
    enterWheel("d", true);
    expectSettings("VIRLO00.INI", {"HAMB00.DAT", "RAND00.DAT", "VIRLO00.REP", "VIRLO00.SKP"});
    app->send("g");
    expectScreen(7, 14, " *** Option: Generate RANDOM spins ");
    expectScreen(9, 14, " *** Default OUTPUT file of random spins: RAND00.DAT");
    expectScreen(14, 14, "╔" + bars(49) + "╗");
    expectScreen(17, 14, "╚" + bars(49) + "╝");
    expectScreen(15, 15, " How many spins to generate");
    expectScreen(16, 15, " (default: 1000) >> ");
    EXPECT_EQ(app->cursorRow(), 16);
    EXPECT_EQ(app->cursorColumn(), 35);
    app->send("250.5\r");
    expectScreen(20, 14, "╔" + bars(39) + "╗");
    expectScreen(21, 15, " Name the OUTPUT file");
    expectScreen(22, 15, " (RAND00.DAT) ");
    app->send("spins.out\r");
    countAndNames(" 250 ", "VIRLO00.REP", "VIRLO00.SKP", "\rmain.rep\r");
    app->send("\r");
    leave("   Success! Run DOUBLE-0 again (Y/N)?   ");

    const std::string spins = readFile(dir.file("spins.out"));
    EXPECT_EQ(crlfLineCount(spins), 250);
    EXPECT_EQ(spins.find('\n'), spins.find("\r\n") + 1);
    EXPECT_EQ(spins.front(), ' ');
    expectSettings("VIRLO00.INI", {"HAMB00.DAT", "RAND00.DAT", "main.rep", "VIRLO00.SKP"});
    EXPECT_FALSE(fs::exists(dir.file("ROUL00.INI")));
}

TEST_F(WheelSession, AnalyzeSingleZeroLineFeedFileTypedInLowerCase) {
    copyTestData(dir, "casino_lf.txt", "casino.txt");
    start();
    enterWheel("s", false);
    app->send("a");
    expectScreen(5, 14, "*** Default data file: HAMB00.DAT");
    expectScreen(17, 14, "╔" + bars(49) + "╗");
    expectScreen(18, 15, " Enter DATA file to process: ");
    app->send("casino.txt\r");
    // Four spins: the lines end in LF alone.
    countAndNames(" 4 ", "VIRLO0.REP", "VIRLO0.SKP", "\r\r");
    app->send("my.skp\r");
    leave("   Success! Run SINGLE-0 again (Y/N)?   ");
    expectSettings("ROUL0.INI", {"CASINO.TXT", "RAND0.DAT", "VIRLO0.REP", "VIRLO0.SKP"});
    expectSettings("VIRLO0.INI", {"HAMB00.DAT", "RAND0.DAT", "VIRLO0.REP", "my.skp"});
}

TEST_F(WheelSession, AnalyzeDoubleZeroStoredNameAndRunAgainGenerateSingle) {
    copyTestData(dir, "casino_crlf.dat", "Casino.Dat");
    {
        std::ofstream(dir.file("VIRLO00.INI"), std::ios::binary)
            << "Casino.Dat\r\nR.DAT\r\n\r\n";  // short: the last two take the defaults
    }
    start();
    enterWheel("D", true);
    app->send("A");
    expectScreen(5, 14, "*** Default data file: CASINO.DAT");
    app->send("\r");
    countAndNames(" 5 ", "VIRLO00.REP", "VIRLO00.SKP", "3\r\r");
    app->send("\r");
    expectScreen(11, 16, "   Success! Run DOUBLE-0 again (Y/N)?   ");
    expectSettings("ROUL00.INI", {"Casino.Dat", "R.DAT", "VIRLO00.REP", "VIRLO00.SKP"});
    // Any key but N runs the wheel again from its settings.
    app->send("y");
    expectScreen(8, 10, "*** You must replace 00 in a file by 37 ***");
    app->send("\r");  // Enter chooses the default method: generate
    expectScreen(9, 14, " *** Default OUTPUT file of random spins: R.DAT");
    expectScreen(16, 15, " (default: 1000) >> ");
    app->send("\r");
    expectScreen(22, 15, " (R.DAT) ");
    app->send("\r");
    countAndNames(" 1000 ", "VIRLO00.REP", "VIRLO00.SKP", "\r\r");
    app->send("\r");
    leave("   Success! Run DOUBLE-0 again (Y/N)?   ");
    EXPECT_TRUE(fs::exists(dir.file("R.DAT")));
    expectSettings("VIRLO00.INI", {"Casino.Dat", "R.DAT", "VIRLO00.REP", "VIRLO00.SKP"});
}

TEST_F(WheelSession, BadInputEndsAtTheErrorScreenAndTheNextSessionStartsCleanly) {
    copyTestData(dir, "trailing_blanks.dat", "BLANKS.DAT");
    copyTestData(dir, "garbage.dat", "GARBAGE.DAT");
    fs::create_directory(dir.file("FOLDER.DAT"));
    start();
    enterWheel("s", false);

    // Data files that cannot be loaded.
    for (const char* name : {"missing.dat", "blanks.dat", "folder.dat"}) {
        analyzeFile(name);
        expectErrorScreen();
        app->send("q");  // any key resumes, and does not reach the method menu
        expectScreen(17, 16, "│  Select the Method:             │");
        EXPECT_EQ(app->text(17, 45, 1), " ");
    }

    // Outputs that cannot be written. Each failed name stays the offered
    // default, as the session stopped between its two saves.
    std::string offered = "RAND0.DAT";
    for (const char* name : {"/dev/full", "no/such/folder/x.dat", "/proc/spins.dat"}) {
        generate("1e99", name, offered);
        expectErrorScreen();
        app->send(" ");
        expectScreen(17, 16, "│  Select the Method:             │");
        offered = name;
    }

    // The report and the skip file may not be one file.
    generate("", "ok.dat");
    countAndNames(" 1000 ", "VIRLO0.REP", "VIRLO0.SKP", "\rsame.txt\r");
    app->send("./same.txt\r");
    expectErrorScreen();
    app->send(" ");

    // Garbage and NUL bytes read as spins of 0; the session goes through.
    expectScreen(17, 16, "│  Select the Method:             │");
    analyzeFile("garbage.dat");
    expectScreen(1, 10, "Select how many spins to analyze.");
    app->send("abc\r\r\r");
    leave("   Success! Run SINGLE-0 again (Y/N)?   ");
    expectSettings("VIRLO0.INI", {"HAMB00.DAT", "ok.dat", "VIRLO0.REP", "VIRLO0.SKP"});
    expectSettings("ROUL0.INI", {"GARBAGE.DAT", "ok.dat", "VIRLO0.REP", "VIRLO0.SKP"});
    EXPECT_FALSE(fs::exists(dir.file("same.txt")));
}

}  // namespace
}  // namespace spinchart::e2e
