// The cutting of text into lines, whatever blocks it arrives in: the feeder
// the reading may later be given hands over blocks of any size, empty ones too.
#include "fairness/spin_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace spinchart {
namespace {

std::vector<std::string> linesOf(const std::vector<std::string_view>& blocks) {
    std::vector<std::string> lines;
    const auto onLine = [&lines](std::string_view line) { lines.emplace_back(line); };
    LineCutter cutter;
    for (const std::string_view block : blocks)
        cutter.feed(block, onLine);
    cutter.finish(onLine);
    return lines;
}

// Cut in three at every pair of places, an empty block between the two
// parts, the lines are those of the text handed over whole.
TEST(LineCutter, TheBlocksDoNotChangeTheLines) {
    const std::string text = "1\r\n22\r\r\n\n 3\r4\n\r";
    const std::vector<std::string> whole = {"1", "22", "", "", " 3", "4", ""};
    ASSERT_EQ(linesOf({text}), whole);
    for (std::size_t a = 0; a <= text.size(); ++a) {
        for (std::size_t b = a; b <= text.size(); ++b) {
            const std::string_view all(text);
            EXPECT_EQ(linesOf({all.substr(0, a), all.substr(a, b - a), "", all.substr(b)}), whole)
                << a << " " << b;
        }
    }
    EXPECT_EQ(linesOf({"5"}), std::vector<std::string>{"5"});
    EXPECT_EQ(linesOf({""}), std::vector<std::string>{});
}

}  // namespace
}  // namespace spinchart
