#include "text/output_file.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/cp437.h"
#include "platform/thread.h"
#include "text/number_text.h"
#include "text/session_error.h"

namespace spinchart {

// The ring: buffer k % ringSize is the k-th handed over. One thread, since
// only one file is written at a time; three buffers, so that the caller never
// waits for a buffer while the system takes the one before (make bench, see
// the README).
struct OutputFile::Writer {
    static constexpr std::size_t ringSize = 3;

    std::array<char*, ringSize> buffers{};
    std::array<std::unique_ptr<char[]>, ringSize - 1> ownBuffers;
    std::array<std::size_t, ringSize> sizes{};
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t handedOver = 0;
    std::uint64_t written = 0;
    bool stopping = false;
    std::exception_ptr failure;  // the first failed write; later buffers are dropped
    std::thread thread;

    void run(FileHandle& file) {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return written < handedOver || stopping; });
            if (written == handedOver) return;
            const std::size_t k = written % ringSize;
            const bool drop = failure != nullptr;
            lock.unlock();
            std::exception_ptr error;
            if (!drop) {
                try {
                    file.writeAll(buffers[k], sizes[k]);
                } catch (...) {
                    error = std::current_exception();
                }
            }
            lock.lock();
            if (error) failure = error;
            ++written;
            changed.notify_all();
        }
    }
};

OutputFile::OutputFile() : firstBuffer_(new char[bufferSize]), buffer_(firstBuffer_.get()) {}

OutputFile::~OutputFile() {
    abandon();
}

void OutputFile::open(std::string_view cp437Name) {
    abandon();
    failed_ = false;
    file_ = FileHandle::createForWriting(cp437ToUtf8(cp437Name));
    pos_ = 0;
    lineStart_ = 0;
    limit_ = bufferSize;
}

void OutputFile::handOver() {
    if (!file_.isOpen()) throw SessionError("write to a closed file");
    if (!writer_) {
        auto writer = std::make_unique<Writer>();
        writer->buffers[0] = firstBuffer_.get();
        for (std::size_t k = 1; k < Writer::ringSize; ++k) {
            writer->ownBuffers[k - 1].reset(new char[bufferSize]);
            writer->buffers[k] = writer->ownBuffers[k - 1].get();
        }
        writer->thread = startSignalFreeThread([w = writer.get(), &file = file_] { w->run(file); });
        writer_ = std::move(writer);
    }
    Writer& w = *writer_;
    std::exception_ptr failure;
    {
        std::unique_lock lock(w.mutex);
        w.sizes[w.handedOver % Writer::ringSize] = pos_;
        ++w.handedOver;
        w.changed.notify_all();
        w.changed.wait(lock, [&w] { return w.handedOver - w.written < Writer::ringSize; });
        failure = w.failure;
        buffer_ = w.buffers[w.handedOver % Writer::ringSize];
    }
    // Keep the column: the line start moves back by the bytes handed over.
    lineStart_ -= static_cast<std::int64_t>(pos_);
    pos_ = 0;
    if (failure) {
        failed_ = true;
        std::rethrow_exception(failure);
    }
}

std::exception_ptr OutputFile::stopWriter() {
    if (!writer_) return nullptr;
    {
        const std::lock_guard lock(writer_->mutex);
        writer_->stopping = true;
        writer_->changed.notify_all();
    }
    writer_->thread.join();
    std::exception_ptr failure = writer_->failure;
    writer_.reset();
    buffer_ = firstBuffer_.get();
    return failure;
}

void OutputFile::write(std::string_view bytes) {
    const std::size_t lastLf = bytes.rfind('\n');
    const std::size_t afterLastLf = bytes.size() - lastLf - 1;
    while (!bytes.empty()) {
        if (pos_ == limit_) handOver();
        const std::size_t n = std::min(bytes.size(), limit_ - pos_);
        std::memcpy(buffer_ + pos_, bytes.data(), n);
        pos_ += n;
        bytes.remove_prefix(n);
    }
    if (lastLf != std::string_view::npos)
        lineStart_ = static_cast<std::int64_t>(pos_) - static_cast<std::int64_t>(afterLastLf);
}

void OutputFile::commit(const char* start, const char* end) {
    const auto size = static_cast<std::size_t>(end - start);
    // Text without a line end is passed over fast; text with one most often
    // ends in one.
    if (std::memchr(start, '\n', size) != nullptr) {
        const char* lastLf = end - 1;
        while (*lastLf != '\n')
            --lastLf;
        lineStart_ = lastLf + 1 - buffer_;
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
    reserve(wholeNumberBytes);
    pos_ += printFormInto(buffer_ + pos_, value);
}

void OutputFile::close() {
    if (!file_.isOpen()) return;
    try {
        // A file that never outgrew its first buffer is written here.
        if (!writer_ && pos_ > 0) file_.writeAll(buffer_, pos_);
        if (writer_) {
            if (pos_ > 0) handOver();
            if (const std::exception_ptr failure = stopWriter()) std::rethrow_exception(failure);
        }
    } catch (...) {
        failed_ = true;
        abandon();
        throw;
    }
    pos_ = 0;
    limit_ = 0;
    file_.close();
}

void OutputFile::abandon() {
    pos_ = 0;
    limit_ = 0;
    stopWriter();
    if (file_.isOpen()) {
        try {
            file_ = FileHandle();
        } catch (...) {
        }
    }
}

char* padToColumn(char* out, std::int64_t column, int c) {
    if (column > c) {
        *out++ = '\r';
        *out++ = '\n';
        column = 1;
    }
    for (; column < c; ++column)
        *out++ = ' ';
    return out;
}

void padToColumn(OutputFile& file, int c) {
    const std::int64_t column = file.column();
    file.writeInPlace(static_cast<std::size_t>(c) + 1, [column, c](std::span<char> room) {
        return padToColumn(room.data(), column, c);
    });
}

}  // namespace spinchart
