// The --fairness report of a spin file: its three forms byte for byte on a
// small file of each wheel, and how files of every shape are read.
#include "fairness/fairness_mode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "fairness/fairness_figures.h"
#include "fairness/fairness_report.h"
#include "support/fairness_output_check.h"
#include "support/test_files.h"

namespace spinchart {
namespace {

namespace fs = std::filesystem;

const fs::path dataFolder = fs::path(SPINCHART_TEST_DATA) / "fairness";

// The report of the data folder's spin files, named as a user in that folder
// names them.
std::string reportOf(const WheelProfile& profile, FairnessOutput output,
                     const std::vector<std::string>& names) {
    FairnessRequest request;
    request.files = names;
    request.profile = &profile;
    request.output = output;
    const fs::path before = fs::current_path();
    fs::current_path(dataFolder);
    std::string report = fairnessReport(request);
    fs::current_path(before);
    return report;
}

// spins.dat: 150 values, CR LF, 00 written as 37 and as "00", values outside
// both wheels, a TAB; both wheels' reports in their forms, and beside
// later.dat (90 spins) the report on several files.
TEST(FairnessMode, ReportsMatchTheirGoldenFiles) {
    struct Case {
        const WheelProfile* profile;
        FairnessOutput output;
        std::vector<std::string> files;
        const char* golden;
    };
    const std::vector<std::string> one = {"spins.dat"};
    for (const Case& c : {Case{&singleZeroProfile, FairnessOutput::text, one, "single.txt"},
                          Case{&singleZeroProfile, FairnessOutput::csv, one, "single.csv"},
                          Case{&doubleZeroProfile, FairnessOutput::text, one, "double.txt"},
                          Case{&doubleZeroProfile, FairnessOutput::json, one, "double.json"},
                          Case{&singleZeroProfile,
                               FairnessOutput::text,
                               {"spins.dat", "later.dat"},
                               "several.txt"}}) {
        const std::string report = reportOf(*c.profile, c.output, c.files);
        EXPECT_TRUE(report == testing::readWholeFile(dataFolder / c.golden)) << c.golden << ":\n"
                                                                             << report;
        EXPECT_EQ(testing::fairnessOutputFault(report, c.output), "") << c.golden;
    }
}

// n spins of a wheel of 37 in rounds of 382: 0 22 times, every other number 10
// times, so that 0 comes up 2.2 times as often as each other number.
std::string zeroAtTwicePlus(std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t r = i * 7 % 382;
        text += std::to_string(r < 22 ? 0 : 1 + (r - 22) / 10) + "\n";
    }
    return text;
}

std::string repeated(std::string_view line, std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i)
        text += line;
    return text;
}

// Files at the extremes: every form clean, and the text saying what it must,
// in this order.
TEST(FairnessMode, ExtremeFilesGiveCleanReports) {
    struct Case {
        const char* name;
        std::string spins;
        const WheelProfile* profile;
        std::vector<std::string_view> textHolds;
    };
    std::string everyNumberOnce;
    for (int k = 0; k <= 36; ++k)
        everyNumberOnce += std::to_string(k) + "\n";
    const std::vector<Case> cases = {
        {"every spin on one number",
         repeated("17\n", 500),
         &singleZeroProfile,
         {"p < 1e-300\nExpected", "Hottest: 17, 500 hits", "P(this many or more) < 1e-300",
          "none of 10000\n  simulated fair wheels shows a number this hot",
          "Coldest: 0, 1, 2 and 33 more, 0 hits each",
          // (36/37)^500
          "P(this few or fewer) = 1.1e-06", "Wins", "about 1 in 16.1 spins",
          "the hottest-number test"}},
        {"every spin on 00",
         repeated("00\n", 500),
         &doubleZeroProfile,
         {"Hottest: 00, 500 hits", "Coldest: 0, 1, 2 and 34 more"}},
        {"1 M spins, 0 at 2.2 times its rate",
         zeroAtTwicePlus(1'000'000),
         &singleZeroProfile,
         {"p < 1e-300", "Hottest: 0,", "P(this many or more) < 1e-300"}},
        {"two spins of one number",
         "5\n5\n",
         &singleZeroProfile,
         {"Warning: too few spins", "The p is from 10000 simulated fair wheels.",
          "Evidence against a fair wheel at the 5% level (not at 1%)"}},
        {"one spin", "7\n", &doubleZeroProfile, {"No single number is detectable"}},
        {"a tie of every number",
         everyNumberOnce,
         &singleZeroProfile,
         {"Hottest: 0, 1, 2 and 34 more, 1 hit each"}},
    };
    const fs::path file = fs::temp_directory_path() / "spinchart-fairness-extreme.dat";
    for (const Case& c : cases) {
        testing::writeWholeFile(file, c.spins);
        FairnessRequest request;
        request.files = {file.string()};
        request.profile = c.profile;
        for (const FairnessOutput output :
             {FairnessOutput::text, FairnessOutput::json, FairnessOutput::csv}) {
            request.output = output;
            const std::string report = fairnessReport(request);
            EXPECT_EQ(testing::fairnessOutputFault(report, output), "") << c.name << ":\n"
                                                                        << report;
            if (output != FairnessOutput::text) continue;
            std::size_t at = 0;
            for (const std::string_view holds : c.textHolds) {
                at = report.find(holds, at);
                ASSERT_NE(at, std::string::npos) << c.name << ": " << holds << "\n" << report;
            }
        }
    }
    fs::remove(file);

    // A rate beyond a million, which no simulation of 10000 wheels gives; a
    // file name of any length and bytes.
    const std::vector<std::uint8_t> one(500, 17);
    FairnessFigures figures = analyseFairness(one, 0, {37, singleZeroProfile.neighbourBaseOrder});
    figures.sectors[0].pFamily = 2e-8;
    figures.sectors[0].samples = 100'000'000;
    const std::string name = std::string(100, 'x') + "\xC3\xA9\xFF\x01.dat";
    const std::string text = fairnessText(figures, {}, name, singleZeroProfile.neighbourBaseOrder);
    EXPECT_NE(text.find("Unlikely to be chance: fewer than 1 in a million fair wheels"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("File:  ...xxx"), std::string::npos) << text;
    EXPECT_NE(text.find("xx???.dat\n"), std::string::npos) << text;
    EXPECT_EQ(testing::fairnessOutputFault(text, FairnessOutput::text), "");
    EXPECT_EQ(testing::fairnessOutputFault(fairnessJson(figures, {}, name), FairnessOutput::json),
              "");
}

// A text as UTF-16 with its byte order mark.
std::string utf16(std::string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text) {
        out += bigEndian ? '\0' : c;
        out += bigEndian ? c : '\0';
    }
    return out;
}

enum class Delivery { file, standardInput, fifo };

struct Outcome {
    std::string report;
    std::string error;  // what a refusal said
};

Outcome outcomeOf(const FairnessRequest& request) {
    try {
        return {fairnessReport(request), ""};
    } catch (const std::exception& error) {
        return {"", error.what()};
    }
}

// The report of `bytes` handed over as the row says: a file, standard input
// (a pipe), or a FIFO written to while it is read.
Outcome deliveredReport(FairnessRequest request, Delivery how, const std::string& bytes) {
    const fs::path place = fs::temp_directory_path() / "spinchart-fairness-reading.dat";
    fs::remove(place);
    request.files = {place.string()};
    if (how == Delivery::file) {
        testing::writeWholeFile(place, bytes);
        Outcome outcome = outcomeOf(request);
        fs::remove(place);
        return outcome;
    }
#ifdef _WIN32
    return {"", "no pipe here"};
#else
    int ends[2] = {-1, -1};
    int savedInput = -1;
    if (how == Delivery::standardInput) {
        if (::pipe(ends) != 0) return {"", "no pipe"};
        savedInput = ::dup(0);
        ::dup2(ends[0], 0);
        ::close(ends[0]);
        request.files = {"-"};
    } else if (::mkfifo(request.files.front().c_str(), 0600) != 0) {
        return {"", "no FIFO"};
    }
    std::thread writer([&] {
        const int fd = how == Delivery::fifo ? ::open(place.c_str(), O_WRONLY) : ends[1];
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
            if (n <= 0) break;
            at += static_cast<std::size_t>(n);
        }
        ::close(fd);
    });
    Outcome outcome = outcomeOf(request);
    writer.join();
    if (savedInput >= 0) {
        ::dup2(savedInput, 0);
        ::close(savedInput);
    }
    fs::remove(place);
    return outcome;
#endif
}

// The members of a report that depend on the spins and their order.
nlohmann::json spinFigures(const std::string& json) {
    const nlohmann::json report = nlohmann::json::parse(json);
    return {report["numbers"], report["system"], report["after_two_losses"], report["skips"]};
}

// How a file is read, one row for each shape met in practice, through the
// real entry. A row names the spins it must yield, newest first: the file's
// report must match that of a plain file of those spins, values and order.
TEST(FairnessMode, ReadsTheFilesPeopleHave) {
    // The lines set aside, and the first of them (its line 0: none).
    struct SetAside {
        std::int64_t lines = 0;
        std::int64_t firstLine = 0;
        const char* firstText = "";
    };
    struct Row {
        const char* shape;
        std::string bytes;
        std::vector<std::int32_t> spins = {};  // newest first; 37 for 00
        std::int64_t outside = 0;
        std::int64_t blank = 0;
        SetAside setAside = {};
        std::optional<SpinColumn> column = {};
        bool oldestFirst = false;
        const WheelProfile* profile = &singleZeroProfile;
        Delivery how = Delivery::file;
        std::string error = {};  // part of the message refusing the file
    };
    const auto many = [](std::string_view line, std::size_t times) {
        std::string text;
        for (std::size_t i = 0; i < times; ++i)
            text += line;
        return text;
    };
    // `times` spins of `value`, then `last`.
    const auto repeated = [](std::int32_t value, std::size_t times,
                             std::vector<std::int32_t> last) {
        std::vector<std::int32_t> spins(times, value);
        spins.insert(spins.end(), last.begin(), last.end());
        return spins;
    };
    const std::vector<Row> rows = {
        {.shape = "a trailing blank line", .bytes = "17\n5\n\n", .spins = {17, 5}, .blank = 1},
        {.shape = "a header",
         .bytes = "Number\r\n12\r\n7\r\n",
         .spins = {12, 7},
         .setAside = {1, 1, "Number"}},
        {.shape = "a CSV by name",
         .bytes = "spin,pocket\n1,17\n2,5\n",
         .spins = {17, 5},
         .blank = 1,
         .column = SpinColumn{" POCKET ", 0}},
        {.shape = "a CSV by number, semicolons, a header",
         .bytes = "n;number\n1;17\n2;0\n\n3;x\n4\n",
         .spins = {17, 0},
         .blank = 2,
         .setAside = {2, 5, "3;x"},
         .column = SpinColumn{"", 2}},
        {.shape = "a CSV by number, no header",
         .bytes = "1,17\n2,40\n",
         .spins = {17},
         .outside = 1,
         .column = SpinColumn{"", 2}},
        {.shape = "tabs",
         .bytes = "date\tspin\n2024-01-01\t17\n2024-01-02\t 5 \n",
         .spins = {17, 5},
         .blank = 1,
         .column = SpinColumn{"Spin", 0}},
        {.shape = "quotes",
         .bytes = "\"when\",\"n\"\n\"1,5\",\"17\"\n\"x\"\"y\",\" 5 \"\n",
         .spins = {17, 5},
         .blank = 1,
         .column = SpinColumn{"n", 0}},
        {.shape = "several fields, words, decimals, signs without --column",
         .bytes = "1\t5\n12abc\n1.5\n +7 \n-3\n37\n",
         .spins = {7},
         .outside = 2,
         .setAside = {3, 1, "1?5"}},
        {.shape = "oldest first", .bytes = "1\n2\n3\n", .spins = {3, 2, 1}, .oldestFirst = true},
        {.shape = "UTF-16 LE", .bytes = utf16("17\r\n5\r\n", false), .spins = {17, 5}},
        {.shape = "UTF-16 BE",
         .bytes = utf16("Spin\n32\n00\n", true),
         .spins = {32, 37},
         .setAside = {1, 1, "Spin"},
         .profile = &doubleZeroProfile},
        {.shape = "00 on the single-zero wheel",
         .bytes = "00\n37\n 00 \n0\n000\n+00\n-0\n",
         .spins = {0, 0, 0, 0},
         .outside = 3},
        {.shape = "00 on the double-zero wheel",
         .bytes = "00\n37\n 00 \n0\n000\n+00\n-0\n38\n",
         .spins = {37, 37, 37, 0, 0, 0, 0},
         .outside = 1,
         .profile = &doubleZeroProfile},
        {.shape = "standard input",
         .bytes = many("3\n", 100000) + "4\n",
         .spins = repeated(3, 100000, {4}),
         .how = Delivery::standardInput},
        {.shape = "a FIFO", .bytes = "3\n4\n", .spins = {3, 4}, .how = Delivery::fifo},
        {.shape = "an .xlsx-like zip",
         .bytes = std::string("PK\x03\x04\x14\0\0\0", 8) + "[Content_Types].xml",
         .error = "spinchart-fairness-reading.dat' does not look like a text file: it is a "
                  "zip archive"},
        {.shape = "a NUL byte after a byte order mark",
         .bytes = std::string("\xEF\xBB\xBF"
                              "1\n\0\n",
                              7),
         .error = "holds a NUL byte"},
        {.shape = "Ctrl-Z",
         .bytes = "3\r\n4\r\n\x1A"
                  "5\r\n",
         .spins = {3, 4}},
        {.shape = "CR only", .bytes = "3\r4\r\r5", .spins = {3, 4, 5}, .blank = 1},
        {.shape = "a byte order mark",
         .bytes = "\xEF\xBB\xBF"
                  "7\n",
         .spins = {7}},
        // The blocks are of 1 MiB: a CR LF, a line and a UTF-16 character
        // each cut by the first block's end.
        {.shape = "CR LF across the blocks",
         .bytes = "17 \r\n" + many("7\r\n", 349523) + "5\r\n9",
         .spins = repeated(17, 1, repeated(7, 349523, {5, 9}))},
        {.shape = "a line across the blocks",
         .bytes = std::string(" ").append(many("1\n", 524287)).append("23\n"),
         .spins = repeated(1, 524287, {23})},
        {.shape = "a UTF-16 character across the blocks",
         .bytes = utf16(many("1\n", 262143), false) + std::string("\x3D\xD8\x00\xDE\n\0"
                                                                  "5\0\n\0",
                                                                  10),
         .spins = repeated(1, 262143, {5}),
         .setAside = {1, 262144, "?"}},
        {.shape = "a quote of 20 characters, a character of two bytes as one '?'",
         .bytes = "Spins of the wheel \xC3\xA7"
                  "a marche\n5\n",
         .spins = {5},
         .setAside = {1, 1, "Spins of the wheel ?"}},
        {.shape = "no spin, a table",
         .bytes = "spin,pocket\nred,black\n",
         .error = "spinchart-fairness-reading.dat' holds no spins: no line is one whole number; "
                  "line 1 reads \"spin,pocket\". For one column of a table, give --column NAME "
                  "or --column N"},
        {.shape = "no spin, words",
         .bytes = "\n hello\nworld\n",
         .error = "holds no spins: no line is one whole number; line 2 reads \" hello\""},
        {.shape = "blank lines alone", .bytes = "\n \n\t\n\n", .error = "every line is blank"},
        {.shape = "an empty file", .bytes = "", .error = "holds no spins: it is empty"},
        {.shape = "a column the header lacks",
         .bytes = "spin,colour\n1,red\n",
         .column = SpinColumn{"pocket", 0},
         .error = "has no column 'pocket': line 1 names \"spin\", \"colour\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shape);
        const SetAside& aside = row.setAside;
#ifdef _WIN32
        if (row.how != Delivery::file) continue;
#endif
        FairnessRequest request;
        request.profile = row.profile;
        request.column = row.column;
        request.oldestFirst = row.oldestFirst;
        request.output = FairnessOutput::json;
        const Outcome json = deliveredReport(request, row.how, row.bytes);
        if (!row.error.empty()) {
            EXPECT_NE(json.error.find(row.error), std::string::npos) << json.error;
            continue;
        }
        ASSERT_EQ(json.error, "");
        const nlohmann::json report = nlohmann::json::parse(json.report);
        EXPECT_EQ(report["spins_read"], static_cast<std::int64_t>(row.spins.size()) + row.outside);
        EXPECT_EQ(report["outside_wheel"], row.outside);
        EXPECT_EQ(report["blank_lines"], row.blank);
        EXPECT_EQ(report["not_spins"], aside.lines);
        EXPECT_EQ(report["order"], row.oldestFirst ? "oldest_first" : "newest_first");
        if (aside.firstLine > 0) {
            EXPECT_EQ(report["first_not_spin"],
                      (nlohmann::json{{"line", aside.firstLine}, {"text", aside.firstText}}));
        } else {
            EXPECT_TRUE(report["first_not_spin"].is_null());
        }
        // The model: the spins, one plain line each, newest first.
        std::string plain;
        for (const std::int32_t spin : row.spins)
            plain += std::to_string(spin) + "\n";
        FairnessRequest model;
        model.profile = row.profile;
        model.output = FairnessOutput::json;
        const Outcome expected = deliveredReport(model, Delivery::file, plain);
        EXPECT_TRUE(spinFigures(json.report) == spinFigures(expected.report));
        // The text states the order and quotes the first line set aside
        // ahead of every verdict.
        request.output = FairnessOutput::text;
        const std::string text = deliveredReport(request, row.how, row.bytes).report;
        const std::size_t verdict = text.find("\nThe whole wheel\n");
        EXPECT_LT(text.find(row.oldestFirst ? "\nOrder: oldest first" : "\nOrder: newest first"),
                  verdict);
        if (aside.firstLine > 0) {
            const std::string quote = "  the first, line " + std::to_string(aside.firstLine) +
                                      ": \"" + aside.firstText + "\"";
            EXPECT_LT(text.find("\nSet aside: " + std::to_string(aside.lines) + " line"), verdict);
            EXPECT_LT(text.find(quote), verdict) << text.substr(0, verdict);
        } else {
            EXPECT_EQ(text.find("Set aside:"), std::string::npos);
        }
    }
}

// The order sections' readings at the extremes, in 80 columns: one spin,
// every spin on one number, a ball that always lands 18 pockets on.
TEST(FairnessMode, TheOrderReadingsFollowTheirFigures) {
    std::string stepping;
    for (int i = 0; i < 400; ++i)
        stepping +=
            std::to_string(singleZeroProfile.neighbourBaseOrder[(400 - i) * 18 % 37]) + "\n";
    struct Case {
        const char* name;
        std::string spins;
        std::vector<std::string> readings;
    };
    const Case cases[] = {
        {"one spin",
         "17\n",
         {"A single spin: no pair", "A single spin cannot be split", "No alarm"}},
        {"every spin on 17",
         [] {
             std::string text;
             for (int i = 0; i < 2000; ++i)
                 text += "17\n";
             return text;
         }(),
         {"Evidence of a dealer's signature at the 1% level",
          "5 distances centred on 0 (35 to 2): 1999 pairs", "The hot number stayed hot: 17",
          "Highest: more than 10^300, after 2000 spins", "Alarm at the 1% level"}},
        {"18 pockets on every time",
         stepping,
         // Every window holding 18 ties: the first in distance order.
         {"5 distances centred on 16 (14 to 18): 399 pairs",
          "Evidence of a dealer's signature at the 1% level", "The hot number did not stay hot",
          "No alarm"}},
    };
    const fs::path file = fs::temp_directory_path() / "spinchart-fairness-order.dat";
    for (const Case& c : cases) {
        testing::writeWholeFile(file, c.spins);
        FairnessRequest request;
        request.files = {file.string()};
        const std::string report = fairnessReport(request);
        for (const std::string& reading : c.readings)
            EXPECT_NE(report.find(reading), std::string::npos) << c.name << ": " << reading;
        EXPECT_EQ(testing::fairnessOutputFault(report, FairnessOutput::text), "") << c.name;
    }
    fs::remove(file);
}

}  // namespace
}  // namespace spinchart
