#include "platform/file_io.h"
#include "platform/platform_error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "session/spin_list.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

namespace fs = std::filesystem;

TEST(FileIo, FindsNamesWhateverTheirLetterCase) {
    const fs::path dir = fs::temp_directory_path() / "spinchart-case-test";
    fs::remove_all(dir);
    fs::create_directories(dir / "Data");
    std::ofstream(dir / "Data" / "casino.txt") << "17\r\n";
    std::ofstream(dir / "twin.dat") << "1";
    std::ofstream(dir / "TWIN.dat") << "2";
    std::ofstream(dir / "spinsé.txt") << "3";
    std::ofstream(dir / "àçñ.dat") << "4";
    const std::string base = dir.string() + "/";

    EXPECT_EQ(resolvePathIgnoringCase(base + "Data/casino.txt"), base + "Data/casino.txt");
    EXPECT_EQ(resolvePathIgnoringCase(base + "DATA/CASINO.TXT"), base + "Data/casino.txt");
    // Two names that differ only in case: ambiguous, so none is chosen.
    EXPECT_EQ(resolvePathIgnoringCase(base + "Twin.DAT"), std::nullopt);
    EXPECT_EQ(resolvePathIgnoringCase(base + "TWIN.dat"), base + "TWIN.dat");
    EXPECT_EQ(resolvePathIgnoringCase(base + "NOPE.TXT"), std::nullopt);
    // Accented letters fold as the console upper-cases them: é to É, ç to Ç,
    // ñ to Ñ; à has no capital in code page 437 and stays as it is.
    EXPECT_EQ(resolvePathIgnoringCase(base + "SPINSÉ.TXT"), base + "spinsé.txt");
    EXPECT_EQ(resolvePathIgnoringCase(base + "àÇÑ.DAT"), base + "àçñ.dat");
    EXPECT_EQ(resolvePathIgnoringCase(base + "SPINSE.TXT"), std::nullopt);
    EXPECT_EQ(resolvePathIgnoringCase(base + "ÀÇÑ.DAT"), std::nullopt);
    EXPECT_EQ(resolvePathIgnoringCase(""), std::nullopt);

    EXPECT_THROW(FileHandle::openForReading(base + "Data"), PlatformError);
    EXPECT_THROW(FileHandle::openForReading(base + "missing"), PlatformError);
    EXPECT_TRUE(leadToSameFile(base + "Data/casino.txt", base + "Data/../Data/casino.txt"));
    EXPECT_FALSE(leadToSameFile(base + "twin.dat", base + "TWIN.dat"));
    EXPECT_TRUE(leadToSameFile(base + "new.rep", base + "Data/../new.rep"));
    fs::remove_all(dir);
}

// What Windows makes of a name, by its last part alone.
TEST(FileIo, WindowsNamesOfTheConsoleAndTheDevices) {
    const struct {
        const char* name;
        WindowsName expected;
    } cases[] = {
        {"CON", WindowsName::console},
        {"con", WindowsName::console},
        {"Con.txt", WindowsName::console},
        {"CON.REP.SKP", WindowsName::console},
        {"CON:", WindowsName::console},
        {"CON .txt", WindowsName::console},
        {"CON.", WindowsName::console},
        {"reports\\CON", WindowsName::console},
        {"C:\\reports\\con.rep", WindowsName::console},
        {"C:CON", WindowsName::console},
        {"\\\\.\\CON", WindowsName::console},
        {"../out/CON", WindowsName::console},
        {"CONIN$", WindowsName::console},
        {"conout$", WindowsName::console},
        {"AUX", WindowsName::device},
        {"aux.txt", WindowsName::device},
        {"PRN.REP", WindowsName::device},
        {"COM1", WindowsName::device},
        {"com9.dat", WindowsName::device},
        {"LPT1", WindowsName::device},
        {"x\\lpt5.skp", WindowsName::device},
        {"COM\xC2\xB9", WindowsName::device},
        {"LPT\xC2\xB3.txt", WindowsName::device},
        {"NUL", WindowsName::nullDevice},
        {"nul.txt", WindowsName::nullDevice},
        {"CONSOLE", WindowsName::file},
        {"CONTEXT.REP", WindowsName::file},
        {"ICON", WindowsName::file},
        {"CON\\report.rep", WindowsName::file},
        {"COM", WindowsName::file},
        {"COM0", WindowsName::file},
        {"COM10", WindowsName::file},
        {"LPT", WindowsName::file},
        {"AUXILIARY.DAT", WindowsName::file},
        {"NULL", WindowsName::file},
        {"VIRLO0.REP", WindowsName::file},
        {".CON", WindowsName::file},
        {"", WindowsName::file},
    };
    for (const auto& c : cases)
        EXPECT_EQ(classifyWindowsName(c.name), c.expected) << c.name;
}

TEST(SpinList, GrowsKeepsValuesAndRefusesImpossibleSizes) {
    SpinList list;
    for (int i = 0; i < 100000; ++i)
        list.pushBack(i % 38);
    ASSERT_EQ(list.size(), 100000);
    EXPECT_EQ(list.at(1), 0);
    EXPECT_EQ(list.at(100000), 99999 % 38);
    list.shrinkToFit();
    EXPECT_EQ(list.at(39), 0);
    SpinList moved = std::move(list);
    EXPECT_EQ(moved.size(), 100000);
    EXPECT_TRUE(list.empty());
    moved.resize(5);
    moved.resize(10);
    EXPECT_EQ(moved.at(10), 0);
    EXPECT_THROW(moved.resize(std::size_t{1} << 40), SessionError);
}

}  // namespace
}  // namespace spinchart
