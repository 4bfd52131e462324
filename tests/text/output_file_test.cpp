#include "text/output_file.h"
#include "platform/platform_error.h"

#include <gtest/gtest.h>

#include <cstring>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/cp437.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("spinchart-out-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir_;
};

TEST_F(OutputFileTest, LinesEndInCrLfAndNumbersInPrintForm) {
    OutputFile out;
    out.open(path("a.txt"));
    out.writePrintForm(12);
    out.newLine();
    out.writePrintForm(-5);
    // Text written in place counts for the column, line ends and all.
    out.writeInPlace(8, [](char* p) {
        std::memcpy(p, "  37", 4);
        return p + 4;
    });
    EXPECT_EQ(out.column(), 8);
    out.writeInPlace(8, [](char* p) {
        std::memcpy(p, "1\r\n23", 5);
        return p + 5;
    });
    EXPECT_EQ(out.column(), 3);
    out.newLine();
    out.close();
    EXPECT_EQ(slurp(path("a.txt")), " 12 \r\n-5   371\r\n23\r\n");
}

TEST_F(OutputFileTest, PadToColumnStartsItemsAtTheirColumn) {
    OutputFile out;
    out.open(path("b.txt"));
    padToColumn(out, 23);
    EXPECT_EQ(out.column(), 23);
    out.write("x");
    out.newLine();
    out.write("123456789012");  // column 13
    padToColumn(out, 10);       // already past: line end, then 9 blanks
    out.write("y");
    padToColumn(out, 11);  // exactly there: nothing written
    out.write("z");
    out.close();
    EXPECT_EQ(slurp(path("b.txt")),
              std::string(22, ' ') + "x\r\n123456789012\r\n" + std::string(9, ' ') + "yz");
}

TEST_F(OutputFileTest, ColumnSurvivesBufferFlushes) {
    OutputFile out;
    out.open(path("c.txt"));
    const std::string chunk(1000, 'a');
    for (int i = 0; i < 3000; ++i)
        out.write(chunk);  // well past the buffer
    EXPECT_EQ(out.column(), 3000001);
    out.newLine();
    out.write(std::string(3 << 20, 'b'));  // larger than the buffer in one call
    EXPECT_EQ(out.column(), (3 << 20) + 1);
    out.write("q\r\nrs");
    EXPECT_EQ(out.column(), 3);
    out.close();
    EXPECT_EQ(fs::file_size(path("c.txt")), 3000000u + 2 + (3u << 20) + 5);
}

TEST_F(OutputFileTest, OpeningEmptiesAnExistingFile) {
    { std::ofstream(path("d.txt")) << "old content that must go"; }
    OutputFile out;
    out.open(path("d.txt"));
    out.write("new");
    out.close();
    EXPECT_EQ(slurp(path("d.txt")), "new");
}

TEST_F(OutputFileTest, NamesAreCodePage437) {
    OutputFile out;
    out.open(path("caf\x82.txt"));  // é
    out.close();
    EXPECT_TRUE(fs::exists(dir_ / "caf\xC3\xA9.txt"));
}

TEST_F(OutputFileTest, FailuresThrowThePlatformError) {
    OutputFile out;
    EXPECT_THROW(out.open(path("missing/folder/x.txt")), PlatformError);
    EXPECT_THROW(out.open(""), PlatformError);
    EXPECT_THROW(out.open(dir_.string()), PlatformError);
    // A full disk: the buffered bytes fail when they are flushed.
    out.open("/dev/full");
    out.write("spins");
    EXPECT_THROW(out.close(), PlatformError);
    EXPECT_FALSE(out.isOpen());
}

TEST(Cp437, MapsTheBoxAndSymbolGlyphs) {
    EXPECT_EQ(cp437ToUtf8("\xC9\xCD\xBB\xF8\xF9"), "\u2554\u2550\u2557\u00B0\u2219");
    EXPECT_EQ(cp437ToUtf8("\xD5\xB8\xD4\xBE\xC6\xB5\xB3\xBA"),
              "\u2552\u2555\u2558\u255B\u255E\u2561\u2502\u2551");
    for (int b = 0x80; b < 0x100; ++b) {
        EXPECT_EQ(unicodeToCp437(cp437ToUnicode(static_cast<unsigned char>(b))), b);
    }
    EXPECT_EQ(unicodeToCp437(U'A'), 'A');
    EXPECT_EQ(unicodeToCp437(U'\u20AC'), -1);  // the euro sign is not in the set
}

}  // namespace
}  // namespace spinchart
