#pragma once
// Sequential reading of a text file in large blocks, for the spin and settings
// readers. A Ctrl-Z byte ends the data: nothing after it is ever seen. A UTF-8
// byte order mark at the very start, as some editors write one, is skipped.
// The data can be taken a byte, a block or a line at a time.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_io.h"

namespace spinchart {

class BlockReader {
public:
    static constexpr std::size_t defaultBlockSize = std::size_t{1} << 20;

    // Reads up to `size` bytes into `data`; 0 at the end.
    using ByteSource = std::function<std::size_t(char* data, std::size_t size)>;

    // Reads the open file block by block.
    explicit BlockReader(FileHandle& file, std::size_t blockSize = defaultBlockSize);
    explicit BlockReader(ByteSource source, std::size_t blockSize = defaultBlockSize);

    // The next byte (0..255), or -1 at the end of the data.
    int peek() {
        if (cur_ == end_ && !refill()) return -1;
        return static_cast<unsigned char>(*cur_);
    }
    // Steps past the byte that peek() returned.
    void advance() { ++cur_; }
    bool atEnd() { return peek() < 0; }

    // Steps past blanks; returns the next byte as peek() does.
    int skipBlanks();
    // The end of a value: blanks and TABs, then one line end (CR LF, CR or
    // LF) or one comma.
    void endValue();

    // The bytes from here to the end of the block, the next block read when
    // none are left; empty at the end of the data. A NUL byte follows them, so
    // that a scan for any other byte stops at the end without counting.
    std::string_view buffered() {
        if (cur_ == end_ && !refill()) return {};
        return {cur_, static_cast<std::size_t>(end_ - cur_)};
    }
    // Steps past the first `count` bytes of buffered().
    void consume(std::size_t count) { cur_ += count; }

    // The next line without its line end (CR LF, CR or LF); nothing at the end
    // of the data. A line may span blocks. The view lasts until the reader is
    // next used.
    std::optional<std::string_view> nextLine() {
        if (cur_ == end_ && !refill()) return std::nullopt;
        const char* stop = findLineEnd(cur_, end_);
        if (stop == end_ || (*stop == '\r' && stop + 1 == end_)) return longLine();
        const std::string_view line(cur_, static_cast<std::size_t>(stop - cur_));
        cur_ = stop + (stop[0] == '\r' && stop[1] == '\n' ? 2 : 1);
        return line;
    }

private:
    static const char* findLineEnd(const char* from, const char* end) {
        while (from != end && *from != '\n' && *from != '\r')
            ++from;
        return from;
    }
    std::string_view longLine();
    bool refill();
    void endAtCtrlZ();
    void skipByteOrderMark();

    ByteSource source_;
    std::unique_ptr<char[]> buffer_;
    std::size_t blockSize_ = 0;
    const char* cur_ = nullptr;
    const char* end_ = nullptr;
    bool finished_ = false;
    bool atStart_ = true;
    std::string line_;  // a line that runs past its block
};

}  // namespace spinchart
