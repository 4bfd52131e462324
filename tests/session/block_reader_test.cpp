#include "session/block_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "spin_file_model.h"
#include "support/test_files.h"

namespace spinchart {
namespace {

using Lines = std::vector<std::string>;

Lines linesRead(std::string_view bytes, std::size_t blockSize) {
    BlockReader reader = testing::memoryReader(bytes, blockSize);
    Lines lines;
    while (const std::optional<std::string_view> line = reader.nextLine())
        lines.emplace_back(*line);
    return lines;
}

// The data as buffered() hands it out, each block checked for the NUL after it.
std::string blocksRead(std::string_view bytes, std::size_t blockSize) {
    BlockReader reader = testing::memoryReader(bytes, blockSize);
    std::string data;
    for (std::string_view block = reader.buffered(); !block.empty(); block = reader.buffered()) {
        EXPECT_EQ(block.data()[block.size()], '\0');
        // Half a block at a time, so that a block is also taken up in parts.
        const std::size_t half = (block.size() + 1) / 2;
        data.append(block.substr(0, half));
        reader.consume(half);
    }
    return data;
}

TEST(BlockReader, HandsOutLinesAndBlocks) {
    const struct {
        std::string_view bytes;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"17", {"17"}},
        {"17\r\n5\r\n", {"17", "5"}},
        {"a\rb\nc\r\n\r\nd", {"a", "b", "c", "", "d"}},
        {"\n\n", {"", ""}},
        {"\r\r\n\r", {"", "", ""}},
        {"\xEF\xBB\xBF"
         "x\n",
         {"x"}},
        {"1\n2\x1A"
         "3\n",
         {"1", "2"}},
        {std::string_view("a\0b\n\0", 5), {std::string("a\0b", 3), std::string(1, '\0')}},
        {" 12 ,3\t\r\n", {" 12 ,3\t"}},
    };
    for (const auto& c : cases) {
        for (std::size_t block :
             {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4096}}) {
            EXPECT_EQ(linesRead(c.bytes, block), c.lines) << c.bytes << " block " << block;
            EXPECT_EQ(blocksRead(c.bytes, block), model::dataOf(c.bytes)) << block;
        }
    }
}

}  // namespace
}  // namespace spinchart
