#include "text/output_file.h"
#include "platform/platform_error.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/cp437.h"
#include "text/number_text.h"
#include "text/session_error.h"

#ifndef _WIN32
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

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
    out.writeInPlace(8, [](std::span<char> room) {
        std::memcpy(room.data(), "  37", 4);
        return room.data() + 4;
    });
    EXPECT_EQ(out.column(), 8);
    out.writeInPlace(8, [](std::span<char> room) {
        std::memcpy(room.data(), "1\r\n23", 5);
        return room.data() + 5;
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

// The text of many buffers, through each way of writing, as the expected
// bytes: the ring hands the buffers over in order and reuses none too soon.
std::string writeManyBuffers(OutputFile& out) {
    std::string expected;
    char text[wholeNumberBytes];
    for (std::int64_t v = -3; v < 1200000; ++v) {
        out.writePrintForm(v);
        expected.append(text, printFormInto(text, v));
        if (v % 3 == 0) {
            out.writeInPlace(4, [v](std::span<char> room) {
                room[0] = static_cast<char>('a' + v % 26);
                return room.data() + 1;
            });
            expected += static_cast<char>('a' + v % 26);
        }
        out.newLine();
        expected += "\r\n";
    }
    return expected;
}

TEST_F(OutputFileTest, ManyBuffersArriveWholeAndInOrder) {
    OutputFile out;
    for (const char* name : {"m1.txt", "m2.txt"}) {  // the ring again after a reopen
        out.open(path(name));
        const std::string expected = writeManyBuffers(out);
        ASSERT_GT(expected.size(), 8u << 20);
        out.close();
        EXPECT_EQ(slurp(path(name)), expected);
    }
}

#ifndef _WIN32
// A reader slower than the writer: the caller must wait for a free buffer
// rather than fill one the system has not taken yet.
TEST_F(OutputFileTest, ASlowReaderGetsEveryBufferWhole) {
    ASSERT_EQ(::mkfifo(path("slow").c_str(), 0600), 0);
    const int fd = ::open(path("slow").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    OutputFile out;
    out.open(path("slow"));
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string received;
    std::thread reader([&] {
        char chunk[1 << 16];
        for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) {
            received.append(chunk, static_cast<std::size_t>(n));
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    const std::string expected = writeManyBuffers(out);
    out.close();
    reader.join();
    ::close(fd);
    EXPECT_TRUE(received == expected);
}

// The terminal's handlers run on the thread that draws. A signal sent while
// the writer thread runs and this thread blocks it could land only on the
// writer; it must wait for this thread instead.
pthread_t handledOn{};
volatile std::sig_atomic_t handled = 0;
void noteHandlingThread(int) {
    handledOn = ::pthread_self();
    handled = 1;
}

TEST_F(OutputFileTest, ASignalWhileTheWriterRunsReachesTheDrawingThread) {
    struct sigaction action {};
    action.sa_handler = noteHandlingThread;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    OutputFile out;
    out.open(path("s.txt"));
    out.write(std::string(3 << 20, 's'));  // past the first buffer: the writer runs
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    sigset_t mask;
    ::pthread_sigmask(SIG_BLOCK, &usr1, &mask);
    handled = 0;
    ::kill(::getpid(), SIGUSR1);
    // A thread that may take it does so at once: time enough for the writer.
    for (int i = 0; i < 50 && handled == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const bool takenMeanwhile = handled != 0;
    ::pthread_sigmask(SIG_SETMASK, &mask, nullptr);  // still pending: taken here
    out.close();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_FALSE(takenMeanwhile);
    ASSERT_TRUE(handled != 0);
    EXPECT_TRUE(::pthread_equal(handledOn, ::pthread_self()));
}

// A request beyond the room ends the program before its fill runs (a fill
// that ran would end it cleanly, which is no death).
TEST_F(OutputFileTest, ARequestLargerThanItsRoomEndsTheProgramBeforeTheFill) {
    EXPECT_DEATH(
        {
            OutputFile out;
            out.open(path("r.txt"));
            out.writeInPlace(OutputFile::bulkLimit + 1, [](std::span<char> room) {
                std::_Exit(0);
                return room.data();
            });
        },
        "");
}

// A write that fails after a few buffers: the error reaches the caller, the
// bytes before it stay and nothing after it is written.
TEST_F(OutputFileTest, AFailedWriteKeepsTheBytesBeforeIt) {
    const std::uint64_t limit = (5u << 20) / 2;
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < limit) GTEST_SKIP();
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = limit;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    OutputFile out;
    out.open(path("f.txt"));
    bool thrown = false;
    try {
        writeManyBuffers(out);
        out.close();
    } catch (const PlatformError&) {
        thrown = true;
    }
    EXPECT_TRUE(out.failed());
    out.abandon();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(thrown);
    const std::string written = slurp(path("f.txt"));
    EXPECT_EQ(written.size(), limit);
    OutputFile reference;
    reference.open(path("g.txt"));
    EXPECT_EQ(written, writeManyBuffers(reference).substr(0, limit));
}
#endif

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

TEST_F(OutputFileTest, FailuresThrowThePlatformErrorAndWritesToAClosedFileTheSessions) {
    OutputFile out;
    EXPECT_THROW(out.open(path("missing/folder/x.txt")), PlatformError);
    EXPECT_THROW(out.open(""), PlatformError);
    EXPECT_THROW(out.open(dir_.string()), PlatformError);
    // A full disk: the buffered bytes fail when they are flushed.
    out.open("/dev/full");
    out.write("spins");
    EXPECT_THROW(out.close(), PlatformError);
    EXPECT_FALSE(out.isOpen());
    // Closed, every way of writing is refused; a file never opened alike.
    EXPECT_THROW(out.write("x"), SessionError);
    EXPECT_THROW(out.newLine(), SessionError);
    EXPECT_THROW(OutputFile().writePrintForm(1), SessionError);
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
