#include "session/settings_files.h"
#include "platform/platform_error.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_files.h"
#include "text/session_error.h"
#include "working_folder.h"

namespace spinchart {
namespace {

using sessiontest::WorkingFolder;
using testing::readWholeFile;
using testing::writeWholeFile;

SessionSettings parse(std::string_view bytes) {
    BlockReader reader = testing::memoryReader(bytes);
    return parseSettings(reader);
}

void expectFields(const SessionSettings& s, std::string_view a, std::string_view b,
                  std::string_view c, std::string_view d) {
    EXPECT_EQ(s.dataFile, a);
    EXPECT_EQ(s.randomFile, b);
    EXPECT_EQ(s.reportFile, c);
    EXPECT_EQ(s.skipFile, d);
}

TEST(SettingsReader, ReadsValuesAsStored) {
    expectFields(parse("HAMB00.DAT\r\nRAND00.DAT\r\nVIRLO00.REP\r\nVIRLO00.SKP\r\n"), "HAMB00.DAT",
                 "RAND00.DAT", "VIRLO00.REP", "VIRLO00.SKP");
    // Leading blanks go, trailing blanks stay, TABs are dropped.
    expectFields(parse("   lead.dat\r\ntrail.dat  \r\nta\tb.rep\r\n\t x.skp\r\n"), "lead.dat",
                 "trail.dat  ", "tab.rep", " x.skp");
    // A comma splits a name, so the later fields shift.
    expectFields(parse("A,B.DAT\r\nR.DAT\r\nX.REP\r\nX.SKP\r\n"), "A", "B.DAT", "R.DAT", "X.REP");
    // Quotes are removed, and a quoted value may hold commas and line ends.
    expectFields(parse("\"a,b.dat\"\r\n  \"two\r\nlines\" \r\n\"\"\r\nlast"), "a,b.dat",
                 "two\r\nlines", "", "last");
    // An unclosed quote runs to the end of the data.
    expectFields(parse("\"open"), "open", "", "", "");
    // Ctrl-Z ends the data.
    expectFields(parse("a\r\nb\x1A\r\nc\r\nd\r\n"), "a", "b", "", "");
}

TEST(SettingsReader, LoneLineFeedEndsALine) {
    expectFields(parse("a.dat\nb.dat\nc.rep\nd.skp\n"), "a.dat", "b.dat", "c.rep", "d.skp");
    // A CR LF pair is one line end; a lone CR is one too.
    expectFields(parse("a\r\n\nc\rd"), "a", "", "c", "d");
    expectFields(parse("a  \t\nb"), "a  ", "b", "", "");
}

TEST(SettingsFiles, FirstRunCreatesTheFileWithTheDefaults) {
    WorkingFolder folder("spinchart-settings-first");
    const SessionSettings s = loadSettings(doubleZeroProfile);
    expectFields(s, "HAMB00.DAT", "RAND00.DAT", "VIRLO00.REP", "VIRLO00.SKP");
    EXPECT_EQ(readWholeFile("VIRLO00.INI"),
              "HAMB00.DAT\r\nRAND00.DAT\r\nVIRLO00.REP\r\nVIRLO00.SKP\r\n");

    const SessionSettings single = loadSettings(singleZeroProfile);
    expectFields(single, "HAMB00.DAT", "RAND0.DAT", "VIRLO0.REP", "VIRLO0.SKP");
    EXPECT_EQ(readWholeFile("VIRLO0.INI"),
              "HAMB00.DAT\r\nRAND0.DAT\r\nVIRLO0.REP\r\nVIRLO0.SKP\r\n");
    EXPECT_FALSE(std::filesystem::exists("ROUL0.INI"));
}

TEST(SettingsFiles, ShortOrUnreadableFilesFallBackToDefaultsWithoutError) {
    WorkingFolder folder("spinchart-settings-short");
    writeWholeFile("VIRLO0.INI", "casino.txt\r\n");
    expectFields(loadSettings(singleZeroProfile), "casino.txt", "RAND0.DAT", "VIRLO0.REP",
                 "VIRLO0.SKP");
    // The short file is left as it is.
    EXPECT_EQ(readWholeFile("VIRLO0.INI"), "casino.txt\r\n");

    writeWholeFile("VIRLO0.INI", "");
    expectFields(loadSettings(singleZeroProfile), "HAMB00.DAT", "RAND0.DAT", "VIRLO0.REP",
                 "VIRLO0.SKP");
    // A byte order mark before the first name is no part of it.
    writeWholeFile("VIRLO0.INI",
                   "\xEF\xBB\xBF"
                   "casino.txt\r\n");
    expectFields(loadSettings(singleZeroProfile), "casino.txt", "RAND0.DAT", "VIRLO0.REP",
                 "VIRLO0.SKP");
    // A field of blanks is not empty and is kept.
    writeWholeFile("VIRLO0.INI", "d\r\n  \"  \"\r\n,\r\n");
    expectFields(loadSettings(singleZeroProfile), "d", "  ", "VIRLO0.REP", "VIRLO0.SKP");

    // A folder of the settings file's name: not found, cannot be created.
    std::filesystem::create_directory("VIRLO00.INI");
    expectFields(loadSettings(doubleZeroProfile), "HAMB00.DAT", "RAND00.DAT", "VIRLO00.REP",
                 "VIRLO00.SKP");
    EXPECT_THROW(saveSettings(doubleZeroProfile, {"a", "b", "c", "d"}), PlatformError);
}

TEST(SettingsFiles, SavesAndDataChoiceWriteFourCrLfLines) {
    WorkingFolder folder("spinchart-settings-save");
    SessionSettings s = loadSettings(doubleZeroProfile);
    saveSettings(doubleZeroProfile, {.dataFile = s.dataFile,
                                     .randomFile = "my out.dat ",
                                     .reportFile = s.reportFile,
                                     .skipFile = s.skipFile});
    EXPECT_EQ(readWholeFile("VIRLO00.INI"),
              "HAMB00.DAT\r\nmy out.dat \r\nVIRLO00.REP\r\nVIRLO00.SKP\r\n");
    // A name with trailing blanks survives the round trip.
    EXPECT_EQ(loadSettings(doubleZeroProfile).randomFile, "my out.dat ");

    writeDataChoice(doubleZeroProfile, "CASINO.TXT", s);
    EXPECT_EQ(readWholeFile("ROUL00.INI"),
              "CASINO.TXT\r\nRAND00.DAT\r\nVIRLO00.REP\r\nVIRLO00.SKP\r\n");
    // Code page 437 bytes are written as they are held.
    writeDataChoice(singleZeroProfile, "\x8E.DAT", s);
    EXPECT_EQ(readWholeFile("ROUL0.INI").substr(0, 7), "\x8E.DAT\r\n");
}

}  // namespace
}  // namespace spinchart
