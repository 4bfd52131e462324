#include "session/spin_source.h"
#include "platform/platform_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "spin_file_model.h"
#include "support/test_files.h"
#include "text/number_text.h"
#include "text/session_error.h"
#include "working_folder.h"

namespace spinchart {
namespace {

using sessiontest::WorkingFolder;
using testing::readWholeFile;
using testing::writeWholeFile;

std::vector<std::int32_t> values(const SessionSpins& spins) {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 1; i <= spins.list.size(); ++i)
        out.push_back(spins.list.at(i));
    return out;
}

std::vector<std::int32_t> load(std::string_view bytes) {
    BlockReader reader = testing::memoryReader(bytes);
    SessionSpins spins;
    spins = loadSpins(reader);
    return values(spins);
}

using Spins = std::vector<std::int32_t>;

TEST(SpinReader, ReadsTheFileFormat) {
    EXPECT_EQ(load("17\r\n5\r\n37"), (Spins{17, 5, 37}));
    EXPECT_EQ(load(" 17 \r\n"), (Spins{17}));
    EXPECT_EQ(load("17 5\r\n"), (Spins{17, 5}));
    EXPECT_EQ(load("17,5 , 3\r\n"), (Spins{17, 5, 3}));
    // An empty line, or one of blanks and TABs, is the spin 0.
    EXPECT_EQ(load("17\r\n5\r\n\r\n"), (Spins{17, 5, 0}));
    EXPECT_EQ(load("17\r\n\r\n5\r\n"), (Spins{17, 0, 5}));
    EXPECT_EQ(load("17\r\n \t \r\n5"), (Spins{17, 0, 5}));
    // TABs inside a value are dropped; 00 is 0; text is 0; fractions round to even.
    EXPECT_EQ(load("1\t7\r\n00\r\nabc\r\n16.5\r\n17.5\r\n-3\r\n1e1\r\n"),
              (Spins{17, 0, 0, 16, 18, -3, 10}));
    // Values beyond the range of a 32-bit count.
    EXPECT_EQ(load("1e99\r\n2147483647\r\n2147483648\r\n-2147483648\r\n"),
              (Spins{-2147483647 - 1, 2147483647, -2147483647 - 1, -2147483647 - 1}));
    // Values are not checked against the wheel.
    EXPECT_EQ(load("38\r\n"), (Spins{38}));
}

TEST(SpinReader, CtrlZByteOrderMarkAndEmptyData) {
    EXPECT_EQ(load("17\r\n5\x1A"
                   "99\r\n"),
              (Spins{17, 5}));
    // A byte order mark at the start is no part of the newest spin.
    EXPECT_EQ(load("\xEF\xBB\xBF"
                   "17\r\n5"),
              (Spins{17, 5}));
    EXPECT_EQ(load("\xEF\xBB\xBF"), Spins{});
    EXPECT_EQ(load("17\r\n\x1A   "), (Spins{17}));
    EXPECT_EQ(load(""), Spins{});
    EXPECT_EQ(load("\x1A"), Spins{});

    BlockReader reader = testing::memoryReader("\x1A");
    SessionSpins spins;
    spins = loadSpins(reader);
    EXPECT_EQ(spins.list.size(), 0);
    EXPECT_EQ(spins.statistics.spinMean, -2147483647 - 1);
    EXPECT_EQ(spins.statistics.spinStdDev, -2147483647 - 1);
}

TEST(SpinReader, BlanksWhereAValueIsExpectedFail) {
    for (std::string_view bytes : {"17\r\n   ", "   ", "17\r\n5 \r\n  \x1A", "17,  "}) {
        BlockReader reader = testing::memoryReader(bytes);
        SessionSpins spins;
        EXPECT_THROW(loadSpins(reader), SessionError) << bytes;
    }
    // A trailing blank on the last value is part of that value's end.
    EXPECT_EQ(load("17 "), (Spins{17}));
}

TEST(SpinReader, LoneLineFeedEndsAValue) {
    EXPECT_EQ(load("17\n5\n37"), (Spins{17, 5, 37}));
    EXPECT_EQ(load("17\n5\n37\n"), (Spins{17, 5, 37}));
    EXPECT_EQ(load("17\n\n5"), (Spins{17, 0, 5}));
    EXPECT_EQ(load(" 17 \t\n 5 \n"), (Spins{17, 5}));
    // CR LF stays one line end, and a lone CR still ends a line.
    EXPECT_EQ(load("1\r\n2\r3\n\r\n4"), (Spins{1, 2, 3, 0, 4}));
}

TEST(SpinReader, LongValuesKeepTheirFirst255Bytes) {
    // 255 bytes are read as the value; the rest of the value is dropped and the
    // line still counts as one spin.
    std::string longValue = "7" + std::string(300, '0');
    EXPECT_EQ(load(longValue + "\r\n5\r\n"), (Spins{-2147483647 - 1, 5}));
    std::string padded = "3." + std::string(600, '4') + "\r\n8";
    EXPECT_EQ(load(padded), (Spins{3, 8}));
    // Garbage and NUL bytes read as 0 without harm.
    EXPECT_EQ(load(std::string("\0\0\0\r\n\xFF\xFE\r\n", 9)), (Spins{0, 0}));
}

TEST(SpinReader, MatchesThePlainRuleAcrossBlockBoundaries) {
    WorkingFolder folder("spinchart-spin-blocks");
    std::mt19937 rng(20261208);
    const std::string alphabet = "0123456789  ,\r\n\t.x-\x1A";
    for (int round = 0; round < 600; ++round) {
        std::string text;
        const int length = static_cast<int>(rng() % 60);
        for (int k = 0; k < length; ++k) {
            // Mostly digits and line ends, sometimes anything.
            const unsigned pick = static_cast<unsigned>(rng() % 100);
            text += pick < 97 ? alphabet[pick % (alphabet.size() - 1)] : alphabet.back();
        }
        const std::optional<Spins> expected = model::spinsOf(text);
        writeWholeFile("blocks.dat", text);
        for (std::size_t block :
             {std::size_t{1}, std::size_t{3}, std::size_t{64}, std::size_t{4096}}) {
            FileHandle file = FileHandle::openForReading("blocks.dat");
            BlockReader reader(file, block);
            SessionSpins spins;
            if (!expected) {
                EXPECT_THROW(loadSpins(reader, file.length()), SessionError);
            } else {
                spins = loadSpins(reader, file.length());
                EXPECT_EQ(values(spins), *expected) << "block " << block;
                const SpinStatistics s = computeSpinStatistics(spins.list, spins.list.size());
                EXPECT_EQ(spins.statistics.spinMean, s.spinMean);
                EXPECT_EQ(spins.statistics.spinStdDev, s.spinStdDev);
            }
        }
    }
}

SpinStatistics statisticsOf(const Spins& spins) {
    SpinList list;
    for (std::int32_t v : spins)
        list.pushBack(v);
    return computeSpinStatistics(list, list.size());
}

TEST(SpinStatistics, WorkedExamples) {
    SpinStatistics s = statisticsOf({0, 1, 2, 3});
    EXPECT_EQ(s.spinMean, 2);
    EXPECT_EQ(s.spinStdDev, 1);
    // A quotient of 19.46 rounds to 19.5 and then to 20.
    Spins list(50, 19);
    for (int i = 0; i < 23; ++i)
        list[static_cast<std::size_t>(i)] = 20;
    s = statisticsOf(list);
    EXPECT_EQ(s.spinMean, 20);
    EXPECT_EQ(s.spinStdDev, 1);  // S = 27, V = round(0.54) = 1
    s = statisticsOf({17});
    EXPECT_EQ(s.spinMean, 17);
    EXPECT_EQ(s.spinStdDev, 0);
    // Huge values: the squares overflow 64 bits but are summed exactly, and a
    // variance beyond the 32-bit range stays negative through the root.
    s = statisticsOf({-2147483647 - 1, 2147483647});
    EXPECT_EQ(s.spinMean, 0);
    EXPECT_EQ(s.spinStdDev, -2147483647 - 1);
}

TEST(SpinStatistics, MatchesAPlainModel) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        Spins list(1 + rng() % 200);
        for (auto& v : list)
            v = static_cast<std::int32_t>(rng() % 38);
        long double sum = 0;
        for (auto v : list)
            sum += v;
        const auto n = static_cast<long double>(list.size());
        const std::int32_t mean = toInt32(std::nearbyint(std::nearbyint(sum / n * 10) / 10));
        long double squares = 0;
        for (auto v : list)
            squares += static_cast<long double>(v - mean) * (v - mean);
        const std::int32_t variance = toInt32(squares / n);
        const std::int32_t deviation = toInt32(std::nearbyint(
            std::nearbyint(std::sqrt(static_cast<long double>(variance)) * 10) / 10));
        const SpinStatistics s = statisticsOf(list);
        EXPECT_EQ(s.spinMean, mean);
        EXPECT_EQ(s.spinStdDev, deviation);
    }
}

LocalTime fixedClock() {
    return LocalTime{2026, 3, 14, 15, 9, 26, 535};
}

TEST(SpinGenerator, WritesOneSpinPerLineInPrintForm) {
    WorkingFolder folder("spinchart-generate");
    for (const WheelProfile* profile : {&singleZeroProfile, &doubleZeroProfile}) {
        const WheelNeighbourTable pool = buildNeighbourTable(*profile);
        RandomState random;
        SessionSpins spins;
        writeWholeFile("out.dat", std::string(5000, 'x'));  // overwritten without a question
        spins = generateSpins(pool, random, fixedClock, 100, "out.dat");
        ASSERT_EQ(spins.list.size(), 100);

        // The same draws, worked out from the random source directly.
        RandomState model;
        seedRandom(model, makeClockSeed(model, fixedClock));
        std::string expectedFile;
        for (std::int32_t i = 1; i <= 100; ++i) {
            const auto position =
                1 + static_cast<std::int32_t>(std::floor(nextRandom(model) * pool.size()));
            const std::int32_t number = pool.at(position);
            ASSERT_EQ(spins.list.at(i), number) << i;
            ASSERT_GE(number, 0);
            ASSERT_LE(number, profile->highestNumber);
            expectedFile.append(" ").append(std::to_string(number)).append(" \r\n");
        }
        const std::string written = readWholeFile("out.dat");
        EXPECT_EQ(written, expectedFile);

        // Loading the file back gives the same list and statistics.
        SessionSpins loaded;
        loaded = loadSpinFile("out.dat");
        EXPECT_EQ(values(loaded), values(spins));
        EXPECT_EQ(loaded.statistics.spinMean, spins.statistics.spinMean);
        EXPECT_EQ(loaded.statistics.spinStdDev, spins.statistics.spinStdDev);
    }
}

TEST(SpinGenerator, CoversTheWheelAndSeedsFromTheClockEachTime) {
    WorkingFolder folder("spinchart-generate-range");
    const WheelNeighbourTable pool = buildNeighbourTable(doubleZeroProfile);
    RandomState random;
    SessionSpins first;
    first = generateSpins(pool, random, fixedClock, 20000, "a.dat");
    std::vector<int> hits(38);
    for (std::int32_t i = 1; i <= first.list.size(); ++i)
        ++hits[static_cast<std::size_t>(first.list.at(i))];
    for (int h : hits)
        EXPECT_GT(h, 400);                     // about 526 each
    EXPECT_GE(first.statistics.spinMean, 18);  // about 18.5
    EXPECT_LE(first.statistics.spinMean, 19);

    // A second generation at the same clock reading repeats the first: the
    // state left by the first does not matter.
    SessionSpins second;
    second = generateSpins(pool, random, fixedClock, 20000, "b.dat");
    EXPECT_EQ(values(first), values(second));
    EXPECT_EQ(readWholeFile("a.dat"), readWholeFile("b.dat"));
}

TEST(SpinGenerator, OutputFailuresThrow) {
    WorkingFolder folder("spinchart-generate-fail");
    const WheelNeighbourTable pool = buildNeighbourTable(singleZeroProfile);
    RandomState random;
    SessionSpins spins;
    EXPECT_THROW(generateSpins(pool, random, fixedClock, 100, "no/such/folder/x.dat"),
                 PlatformError);
    EXPECT_THROW(generateSpins(pool, random, fixedClock, 100, std::string(10000, 'n')),
                 PlatformError);
    EXPECT_THROW(generateSpins(pool, random, fixedClock, 300000, "/dev/full"), PlatformError);
    EXPECT_THROW(generateSpins(pool, random, fixedClock, 100, std::string("a\0b", 3)),
                 SessionError);
}

TEST(SpinFile, FindsTheFileWhateverItsLetterCase) {
    WorkingFolder folder("spinchart-spin-case");
    std::filesystem::create_directory("Data");
    writeWholeFile("Data/casino.txt", "17\r\n5\r\n");
    SessionSpins spins;
    spins = loadSpinFile("DATA/CASINO.TXT");
    EXPECT_EQ(values(spins), (Spins{17, 5}));
    spins = loadSpinFile("Data/casino.txt");
    EXPECT_EQ(spins.list.size(), 2);

    // Two names that differ only in case: the one written exactly is used,
    // another spelling is ambiguous.
    writeWholeFile("twin.dat", "1\r\n");
    writeWholeFile("TWIN.DAT", "2\r\n");
    spins = loadSpinFile("TWIN.DAT");
    EXPECT_EQ(values(spins), (Spins{2}));
    EXPECT_THROW(loadSpinFile("Twin.dat"), SessionError);

    EXPECT_THROW(loadSpinFile("MISSING.DAT"), SessionError);
    EXPECT_THROW(loadSpinFile("DATA"), PlatformError);  // a folder
    EXPECT_THROW(loadSpinFile(""), SessionError);
    EXPECT_THROW(loadSpinFile(std::string(10000, 'N')), SessionError);
    // A NUL byte would cut the name short at an existing file.
    EXPECT_THROW(loadSpinFile(std::string("TWIN.DAT\0x", 10)), SessionError);
}

TEST(SpinFile, LargeFilesLoadAcrossBlocks) {
    WorkingFolder folder("spinchart-spin-large");
    std::string text;
    Spins expected;
    for (int i = 0; i < 400000; ++i) {
        const int v = static_cast<int>((static_cast<std::int64_t>(i) * 7919) % 38);
        expected.push_back(v);
        text.append(" ").append(std::to_string(v)).append(" \r\n");
    }
    writeWholeFile("big.dat", text);
    SessionSpins spins;
    spins = loadSpinFile("big.dat");
    EXPECT_EQ(values(spins), expected);
}

TEST(SpinFile, OneHugeLineIsOneValue) {
    WorkingFolder folder("spinchart-spin-huge-line");
    {
        std::ofstream out("huge.dat", std::ios::binary);
        const std::string block(1 << 20, '7');
        for (int i = 0; i < 48; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        out << "\r\n12";
    }
    SessionSpins spins;
    spins = loadSpinFile("huge.dat");
    EXPECT_EQ(values(spins), (Spins{-2147483647 - 1, 12}));
}

}  // namespace
}  // namespace spinchart
