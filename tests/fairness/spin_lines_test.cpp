// The reading of a whole file against its plain model: the text cut into
// lines by hand and each read by readSpinLine, whatever blocks the text
// arrives in (the file's fast way through plain lines must agree with it).
#include "fairness/spin_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace spinchart {
namespace {

struct Model {
    std::vector<std::uint8_t> spins;  // in file order
    std::int64_t lines[4] = {};       // by LineKind
    std::int64_t firstNotSpin = 0;
};

Model modelOf(const std::string& text, std::int32_t highestNumber) {
    Model model;
    std::int64_t number = 0;
    const auto onLine = [&](std::string_view line) {
        ++number;
        const LineReading reading = readSpinLine(line, {highestNumber});
        if (reading.kind == LineKind::spin)
            model.spins.push_back(static_cast<std::uint8_t>(reading.value));
        if (reading.kind == LineKind::notSpin && model.firstNotSpin == 0)
            model.firstNotSpin = number;
        ++model.lines[static_cast<std::size_t>(reading.kind)];
    };
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\n' && text[at] != '\r') continue;
        onLine(std::string_view(text).substr(start, at - start));
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
        start = at + 1;
    }
    if (start < text.size()) onLine(std::string_view(text).substr(start));
    return model;
}

// Random lines of the pieces files are made of, plain numbers most often,
// handed over in blocks of 1 to 9 bytes after the first 4 KiB.
TEST(SpinFileReading, AgreesWithTheRuleForEachLine) {
    const std::vector<std::string> pieces = {"7",  "17",   "36", "37", "38",   "00", "000",
                                             "0",  " ",    "\t", "+",  "-",    "x",  ".5",
                                             "\n", "\r\n", "\r", "\n", "\r\n", "123"};
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 engine(seed);
        std::string text;
        while (text.size() < 6000) {
            // Half the lines plain: a number of the wheel and its line end.
            if (engine() % 2 == 0) {
                text.append(" ").append(std::to_string(engine() % 38));
                text.append(engine() % 2 ? "\r\n" : "\n");
            } else {
                text += pieces[engine() % pieces.size()];
            }
        }
        text += engine() % 2 ? "5" : "5\r";
        for (const std::int32_t highest : {36, 37}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", highest " << highest);
            std::size_t at = 0;
            std::mt19937 cuts(seed);
            const SpinByteSource source = [&](char* data, std::size_t size) {
                const std::size_t n =
                    std::min({size, text.size() - at, at < 4096 ? 4096 - at : 1 + cuts() % 9});
                std::copy_n(text.data() + at, n, data);
                at += n;
                return n;
            };
            SpinFileRules rules;
            rules.highestNumber = highest;
            const SpinFileReading reading = readSpinFile(source, rules, "text");
            const Model model = modelOf(text, highest);
            const std::span<const std::uint8_t> spins = reading.spins.values();
            EXPECT_TRUE(
                std::equal(spins.begin(), spins.end(), model.spins.begin(), model.spins.end()));
            const auto lines = [&model](LineKind kind) {
                return model.lines[static_cast<std::size_t>(kind)];
            };
            EXPECT_EQ(reading.outsideWheel, lines(LineKind::outsideWheel));
            EXPECT_EQ(reading.lines.blankLines, lines(LineKind::blank));
            EXPECT_EQ(reading.lines.notSpins, lines(LineKind::notSpin));
            EXPECT_EQ(reading.lines.firstNotSpin ? reading.lines.firstNotSpin->line : 0,
                      model.firstNotSpin);
        }
    }
}

}  // namespace
}  // namespace spinchart
