#include "session/block_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace spinchart {

namespace {
constexpr char byteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::size_t byteOrderMarkSize = sizeof byteOrderMark - 1;
}  // namespace

// The buffer holds a whole byte order mark even when the blocks are smaller,
// and the NUL after the block.
BlockReader::BlockReader(ByteSource source, std::size_t blockSize)
    : source_(std::move(source)),
      buffer_(new char[std::max(blockSize, byteOrderMarkSize) + 1]),
      blockSize_(blockSize) {}

BlockReader::BlockReader(FileHandle& file, std::size_t blockSize)
    : BlockReader([&file](char* data, std::size_t size) { return file.readSome(data, size); },
                  blockSize) {}

void BlockReader::skipByteOrderMark() {
    if (!atStart_) return;
    atStart_ = false;
    if (static_cast<std::size_t>(end_ - cur_) >= byteOrderMarkSize &&
        std::memcmp(cur_, byteOrderMark, byteOrderMarkSize) == 0) {
        cur_ += byteOrderMarkSize;
    }
}

int BlockReader::skipBlanks() {
    int c = peek();
    while (c == ' ') {
        advance();
        c = peek();
    }
    return c;
}

void BlockReader::endValue() {
    int c = peek();
    for (; c == ' ' || c == '\t'; c = peek())
        advance();
    if (c == '\r') {
        advance();
        if (peek() == '\n') advance();
    } else if (c == '\n' || c == ',') {
        advance();
    }
}

void BlockReader::endAtCtrlZ() {
    if (cur_ == end_) return;
    if (const void* stop = std::memchr(cur_, 0x1A, static_cast<std::size_t>(end_ - cur_))) {
        end_ = static_cast<const char*>(stop);
        finished_ = true;
    }
}

bool BlockReader::refill() {
    if (finished_) return false;
    std::size_t got = source_(buffer_.get(), blockSize_);
    // The first bytes are read on until a byte order mark would fit.
    while (atStart_ && got > 0 && got < byteOrderMarkSize) {
        const std::size_t more = source_(buffer_.get() + got, byteOrderMarkSize - got);
        if (more == 0) break;
        got += more;
    }
    if (got == 0) {
        finished_ = true;
        return false;
    }
    cur_ = buffer_.get();
    end_ = cur_ + got;
    endAtCtrlZ();
    buffer_[static_cast<std::size_t>(end_ - buffer_.get())] = '\0';
    skipByteOrderMark();
    return cur_ != end_ || refill();
}

std::string_view BlockReader::longLine() {
    line_.clear();
    for (;;) {
        const char* stop = findLineEnd(cur_, end_);
        line_.append(cur_, stop);
        cur_ = stop;
        if (stop != end_) {
            const bool carriageReturn = *stop == '\r';
            advance();
            // The line feed of a CR LF may open the next block.
            if (carriageReturn && peek() == '\n') advance();
            return line_;
        }
        if (!refill()) return line_;
    }
}

}  // namespace spinchart
