#include "session/block_reader.h"

#include <cstring>

namespace spinchart {

BlockReader::BlockReader(FileHandle& file, std::size_t blockSize)
    : file_(&file), buffer_(new char[blockSize]), blockSize_(blockSize) {}

BlockReader::BlockReader(std::string_view bytes)
    : cur_(bytes.data()), end_(bytes.data() + bytes.size()), finished_(true) {
    endAtCtrlZ();
    skipByteOrderMark();
}

void BlockReader::skipByteOrderMark() {
    if (!atStart_) return;
    atStart_ = false;
    if (end_ - cur_ >= 3 && std::memcmp(cur_, "\xEF\xBB\xBF", 3) == 0) cur_ += 3;
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
    const std::size_t got = file_->readSome(buffer_.get(), blockSize_);
    if (got == 0) {
        finished_ = true;
        return false;
    }
    cur_ = buffer_.get();
    end_ = cur_ + got;
    endAtCtrlZ();
    skipByteOrderMark();
    return cur_ != end_ || refill();
}

}  // namespace spinchart
