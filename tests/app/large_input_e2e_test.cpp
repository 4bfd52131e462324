// A hundred million spins generated and analysed by the real program: it
// completes, every file holds what it should, and the memory stays within
// 24 bytes a spin (the list's 4 and the analysis's at most 20). It writes
// gigabytes, so it is not part of the suite: `make check-large` runs it, with
// SPINCHART_LARGE_SPINS for another count.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/e2e/terminal_session.h"

namespace spinchart::e2e {
namespace {

namespace fs = std::filesystem;

struct FileFacts {
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
    bool ascending = true;  // read as one number a line
    std::string lastLine;
};

// Reads the file in large blocks: its lines and whether their numbers ascend.
FileFacts facts(const std::string& path) {
    FileFacts f;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(std::size_t{4} << 20);
    long long previous = -1;
    long long value = 0;
    bool digits = false;
    std::string line;
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        f.bytes += n;
        for (std::size_t k = 0; k < n; ++k) {
            const char c = block[k];
            if (c == '\n') {
                ++f.lines;
                if (digits && value < previous) f.ascending = false;
                if (digits) previous = value;
                value = 0;
                digits = false;
                f.lastLine = line;
                line.clear();
            } else {
                if (line.size() < 200) line += c;
                if (c >= '0' && c <= '9') {
                    value = value * 10 + (c - '0');
                    digits = true;
                }
            }
        }
    }
    return f;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(LargeInput, DISABLED_HundredMillionSpinsGeneratedAndAnalysed) {
    const char* wanted = std::getenv("SPINCHART_LARGE_SPINS");
    const long long spins = wanted != nullptr ? std::atoll(wanted) : 100000000;
    ASSERT_GE(spins, 100);
    const std::string count = std::to_string(spins);
    constexpr auto long_ = std::chrono::minutes(30);

    TempDirectory dir;
    TerminalSession app(dir.path());
    ASSERT_TRUE(app.waitForText(18, 16, "│  <S> Single-zero (0)")) << app.screenDump();
    app.send("s");
    ASSERT_TRUE(app.waitForText(17, 16, "│  Select the Method:             │")) << app.screenDump();
    app.send("g");
    ASSERT_TRUE(app.waitForText(16, 15, " (default: 1000) >> ")) << app.screenDump();
    app.send(count + "\r");
    ASSERT_TRUE(app.waitForText(21, 15, " Name the OUTPUT file")) << app.screenDump();

    const auto generating = std::chrono::steady_clock::now();
    app.send("\r");
    ASSERT_TRUE(app.waitForText(12, 15, " (default:  " + count + " ) >> ", long_))
        << app.screenDump();
    const double generationSeconds = secondsSince(generating);

    const auto analysing = std::chrono::steady_clock::now();
    app.send("\r\r\r");
    ASSERT_TRUE(app.waitForText(11, 16, "   Success! Run SINGLE-0 again (Y/N)?   ", long_))
        << app.screenDump();
    const double analysisSeconds = secondsSince(analysing);
    app.send("n");
    ASSERT_TRUE(app.waitForText(18, 16, "│  <S> Single-zero (0)")) << app.screenDump();
    app.send("x");
    ASSERT_EQ(app.waitForExit(), 0);
    EXPECT_TRUE(app.modesRestored());

    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const double peakBytes = static_cast<double>(usage.ru_maxrss) * 1024;
    const double bytesPerSpin = peakBytes / static_cast<double>(spins);

    const FileFacts random = facts(dir.file("RAND0.DAT"));
    const FileFacts report = facts(dir.file("VIRLO0.REP"));
    const FileFacts skips = facts(dir.file("VIRLO0.SKP"));
    EXPECT_EQ(random.lines, static_cast<std::uint64_t>(spins));
    // The chart's 276 lines, the system section's 16 and one row a spin but
    // the oldest five; a position of eight digits passes the number's column,
    // so from the ten millionth on each row takes two lines.
    const long long rows = spins - 5;
    const long long splitRows = rows >= 10000000 ? rows - 9999999 : 0;
    EXPECT_EQ(report.lines, static_cast<std::uint64_t>(276 + 16 + rows + splitRows));
    EXPECT_EQ(report.lastLine, " " + std::string(54, '-') + "\r");
    EXPECT_EQ(skips.lines, static_cast<std::uint64_t>(spins) - 5);
    EXPECT_TRUE(skips.ascending);
    // The list's 4 bytes a spin and the analysis's 20 at most, beside the
    // program itself.
    EXPECT_LE(peakBytes, 24.0 * static_cast<double>(spins) + 64.0 * (1 << 20));

    std::printf("large input: %lld spins\n", spins);
    std::printf("  generation %.1f s, analysis %.1f s\n", generationSeconds, analysisSeconds);
    std::printf("  peak memory %.0f MiB, %.1f bytes a spin\n", peakBytes / (1 << 20), bytesPerSpin);
    std::printf("  random spins %.0f MB, report %.0f MB, skip file %.0f MB\n", random.bytes / 1e6,
                report.bytes / 1e6, skips.bytes / 1e6);
}

}  // namespace
}  // namespace spinchart::e2e
