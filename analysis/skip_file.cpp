#include "analysis/skip_file.h"

#include <cstring>
#include <memory>

#include "analysis/report_text.h"
#include "analysis/skip_statistics.h"
#include "platform/file_io.h"
#include "platform/session_error.h"
#include "text/cp437.h"
#include "text/number_text.h"
#include "text/output_file.h"

namespace spinchart {
namespace {

constexpr std::size_t readBlock = 1 << 20;

bool isSeparator(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }
bool endsNumber(char c) { return c == ' ' || c == '\r' || c == '\n' || c == ','; }

// Numbers read one after another from a file in large blocks.
class NumberReader {
public:
    explicit NumberReader(FileHandle file) : file_(std::move(file)), buffer_(new char[readBlock]) {}

    std::int32_t next() {
        for (;;) {
            while (begin_ < end_ && isSeparator(buffer_[begin_])) ++begin_;
            if (begin_ < end_) break;
            if (!fill()) throw SessionError("skip file ends before its last value");
        }
        std::size_t stop = begin_;
        for (;;) {
            while (stop < end_ && !endsNumber(buffer_[stop])) ++stop;
            if (stop < end_) break;
            const std::size_t scanned = stop - begin_;
            if (!fill()) break;  // end of file, or a number as long as the block
            stop = begin_ + scanned;
        }
        const std::string_view token(buffer_.get() + begin_, stop - begin_);
        // A comma after the number ends it and is consumed with it.
        begin_ = stop < end_ && buffer_[stop] == ',' ? stop + 1 : stop;
        return toNumber(token);
    }

    void close() { file_.close(); }

private:
    static std::int32_t toNumber(std::string_view token) {
        if (token.size() <= 9) {
            std::int32_t value = 0;
            bool plain = true;
            for (const char c : token) {
                if (c < '0' || c > '9') {
                    plain = false;
                    break;
                }
                value = value * 10 + (c - '0');
            }
            if (plain) return value;
        }
        return toInt32(leadingNumber(token));
    }

    // Keeps the unread bytes and reads more after them; false when nothing
    // more could be read.
    bool fill() {
        if (begin_ > 0) {
            std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        if (end_ == readBlock) return false;
        const std::size_t n = file_.readSome(buffer_.get() + end_, readBlock - end_);
        end_ += n;
        return n > 0;
    }

    FileHandle file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace

std::vector<std::int32_t> readSkipValues(std::string_view cp437Name, std::int32_t valueCount) {
    const std::size_t count = valueCount > 0 ? static_cast<std::size_t>(valueCount) : 0;
    std::vector<std::int32_t> values(count);
    NumberReader reader(FileHandle::openForReading(cp437ToUtf8(cp437Name)));
    for (std::size_t k = 0; k < count; ++k) values[k] = reader.next();
    reader.close();
    return values;
}

void finishSkipFile(std::string_view cp437Name, std::int32_t valueCount) {
    std::vector<std::int32_t> values = readSkipValues(cp437Name, valueCount);
    sortAscending(values);

    OutputFile file;
    file.open(cp437Name);
    {
        ReportBlock block(file);
        for (const std::int32_t v : values) {
            char* p = block.room(24);
            block.commit(p + formatSkipLine(p, v));
        }
        block.flush();
    }
    file.close();
}

}  // namespace spinchart
