#pragma once
// Sequential reading of a text file in large blocks, for the spin and settings
// readers. A Ctrl-Z byte ends the data: nothing after it is ever seen. A UTF-8
// byte order mark at the very start, as some editors write one, is skipped.

#include <cstddef>
#include <functional>
#include <memory>

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

private:
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
};

}  // namespace spinchart
