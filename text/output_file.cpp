#include "text/output_file.h"

#include <cstring>

#include "platform/cp437.h"
#include "text/number_text.h"
#include "text/session_error.h"

namespace spinchart {
namespace {
constexpr std::size_t bufferSize = 1 << 20;
}

OutputFile::OutputFile() : buffer_(new char[bufferSize]), capacity_(bufferSize) {}

OutputFile::~OutputFile() {
    abandon();
}

void OutputFile::open(std::string_view cp437Name) {
    abandon();
    failed_ = false;
    file_ = FileHandle::createForWriting(cp437ToUtf8(cp437Name));
    pos_ = 0;
    lineStart_ = 0;
}

void OutputFile::flushBuffer() {
    if (!file_.isOpen()) throw SessionError("write to a closed file");
    if (pos_ > 0) writeThrough(buffer_.get(), pos_);
    // Keep the column: the line start moves back by the bytes flushed.
    lineStart_ -= static_cast<std::int64_t>(pos_);
    pos_ = 0;
}

void OutputFile::writeThrough(const char* data, std::size_t size) {
    try {
        file_.writeAll(data, size);
    } catch (...) {
        failed_ = true;
        throw;
    }
}

void OutputFile::write(std::string_view bytes) {
    if (bytes.size() > capacity_ - pos_) {
        flushBuffer();
        if (bytes.size() > capacity_) {
            writeThrough(bytes.data(), bytes.size());
            const std::size_t lastLf = bytes.rfind('\n');
            if (lastLf == std::string_view::npos) {
                lineStart_ -= static_cast<std::int64_t>(bytes.size());
            } else {
                lineStart_ = -static_cast<std::int64_t>(bytes.size() - lastLf - 1);
            }
            return;
        }
    }
    std::memcpy(buffer_.get() + pos_, bytes.data(), bytes.size());
    const std::size_t lastLf = bytes.rfind('\n');
    if (lastLf != std::string_view::npos) lineStart_ = static_cast<std::int64_t>(pos_ + lastLf + 1);
    pos_ += bytes.size();
}

void OutputFile::commit(const char* start, const char* end) {
    const auto size = static_cast<std::size_t>(end - start);
    // Text without a line end is passed over fast; text with one most often
    // ends in one.
    if (std::memchr(start, '\n', size) != nullptr) {
        const char* lastLf = end - 1;
        while (*lastLf != '\n')
            --lastLf;
        lineStart_ = lastLf + 1 - buffer_.get();
    }
    pos_ += size;
}

void OutputFile::newLine() {
    reserve(2);
    buffer_[pos_++] = '\r';
    buffer_[pos_++] = '\n';
    lineStart_ = static_cast<std::int64_t>(pos_);
}

void OutputFile::writePrintForm(std::int64_t value) {
    reserve(24);
    pos_ += printFormInto(buffer_.get() + pos_, value);
}

void OutputFile::close() {
    if (!file_.isOpen()) return;
    try {
        flushBuffer();
    } catch (...) {
        abandon();
        throw;
    }
    file_.close();
}

void OutputFile::abandon() {
    pos_ = 0;
    if (file_.isOpen()) {
        try {
            file_ = FileHandle();
        } catch (...) {
        }
    }
}

void padToColumn(OutputFile& file, int c) {
    if (file.column() > c) file.newLine();
    static constexpr char blanks[] =
        "                                                                ";
    constexpr std::int64_t chunk = sizeof blanks - 1;
    for (std::int64_t missing = c - file.column(); missing > 0; missing = c - file.column()) {
        file.write(
            std::string_view(blanks, static_cast<std::size_t>(missing < chunk ? missing : chunk)));
    }
}

}  // namespace spinchart
