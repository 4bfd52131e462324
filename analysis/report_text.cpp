#include "analysis/report_text.h"

#include <cstring>
#include <system_error>
#include <utility>

namespace spinchart {
namespace {

// Digits of a non-negative value written right to left, ending before `end`.
char* putDigitsBefore(char* end, std::uint32_t value) {
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}

constexpr const char* winRow = SystemRowSequence::winRow;
constexpr const char* lossRow = SystemRowSequence::lossRow;
constexpr std::size_t rowBytes = SystemRowSequence::rowBytes;

// The general row: every item placed by column, with a line end when the line
// has already passed the item's column.
std::size_t formatWideRow(char* out, std::int32_t position, std::int32_t number,
                          std::int32_t distance, bool win) {
    char* p = out;
    char* lineStart = out;
    auto padTo = [&](std::ptrdiff_t column) {
        if (p - lineStart + 1 > column) {
            *p++ = '\r';
            *p++ = '\n';
            lineStart = p;
        }
        while (p - lineStart + 1 < column)
            *p++ = ' ';
    };
    *p++ = ' ';
    p += formatFieldInto(p, position, 6);
    padTo(9);
    p += formatFieldInto(p, number, 4);
    padTo(15);
    p += formatFieldInto(p, distance, 5);
    std::memcpy(p, " sp.", 4);
    p += 4;
    padTo(31);
    std::memcpy(p, win ? " +" : " -", 2);
    p += 2;
    padTo(39);
    std::memcpy(p, win ? " -" : " +", 2);
    p += 2;
    *p++ = '\r';
    *p++ = '\n';
    return static_cast<std::size_t>(p - out);
}

}  // namespace

const SmallNumberText& SmallNumberText::get() {
    static const SmallNumberText table = [] {
        SmallNumberText t{};
        for (std::int32_t v = 0; v < limit; ++v) {
            const auto k = static_cast<std::size_t>(v);
            std::memset(t.printForm[k], ' ', 8);
            t.printFormLength[k] = static_cast<std::uint8_t>(printFormInto(t.printForm[k], v));
            std::memset(t.field4[k], ' ', 4);
            putDigitsBefore(t.field4[k] + 4, static_cast<std::uint32_t>(v));
            std::memset(t.zeroPadded4[k], '0', 4);
            putDigitsBefore(t.zeroPadded4[k] + 4, static_cast<std::uint32_t>(v));
        }
        return t;
    }();
    return table;
}

BlockWriter::BlockWriter(OutputFile& file) : file_(file), thread_([this] { run(); }) {}

BlockWriter::~BlockWriter() {
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return pending_.empty(); });
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void BlockWriter::post(const char* data, std::size_t size) {
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return pending_.size() < depth; });
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
        pending_.emplace_back(data, size);
    }
    wake_.notify_one();
}

void BlockWriter::waitIdle() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return pending_.empty(); });
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void BlockWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !pending_.empty() || stop_; });
        if (pending_.empty()) return;
        const std::string_view block = pending_.front();
        lock.unlock();
        std::exception_ptr failure;
        if (!failed_) {
            try {
                file_.write(block);
            } catch (...) {
                failure = std::current_exception();
            }
        }
        lock.lock();
        if (failure) {
            failed_ = true;  // later blocks are dropped
            if (!failure_) failure_ = failure;
        }
        pending_.pop_front();
        done_.notify_all();
    }
}

ReportBlock::ReportBlock(OutputFile& file, bool background) : file_(file), writeHere_(!background) {
    buffers_[0].reset(new char[capacity]);
    current_ = buffers_[0].get();
}

ReportBlock::~ReportBlock() = default;

void ReportBlock::handOver() {
    if (used_ == 0) return;
    if (!writer_ && !writeHere_) {
        for (std::size_t k = 1; k < bufferCount; ++k)
            buffers_[k].reset(new char[capacity]);
        try {
            writer_ = std::make_unique<BlockWriter>(file_);
        } catch (const std::system_error&) {
            writeHere_ = true;  // no thread to be had: write as we go
        }
    }
    if (writeHere_) {
        file_.write(std::string_view(current_, used_));
        used_ = 0;
        return;
    }
    // Buffers take turns; the writer holds fewer blocks than there are
    // buffers, so the next one is free once post() returns.
    writer_->post(current_, used_);
    nextBuffer_ = (nextBuffer_ + 1) % bufferCount;
    current_ = buffers_[nextBuffer_].get();
    used_ = 0;
}

void ReportBlock::text(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t n = bytes.size() < 4096 ? bytes.size() : 4096;
        char* p = room(n);
        std::memcpy(p, bytes.data(), n);
        commit(p + n);
        bytes.remove_prefix(n);
    }
}

void ReportBlock::printForm(std::int64_t value) {
    char* p = room(24);
    commit(p + printFormInto(p, value));
}

void ReportBlock::printList(std::span<const std::int32_t> values) {
    const SmallNumberText& small = SmallNumberText::get();
    for (const std::int32_t v : values) {
        char* p = room(24);
        if (static_cast<std::uint32_t>(v) < static_cast<std::uint32_t>(SmallNumberText::limit)) {
            const auto k = static_cast<std::size_t>(v);
            std::memcpy(p, small.printForm[k], 8);
            commit(p + small.printFormLength[k]);
        } else {
            commit(p + printFormInto(p, v));
        }
    }
}

void ReportBlock::printRepeated(std::int32_t value, std::uint32_t count) {
    const SmallNumberText& small = SmallNumberText::get();
    char form[24];
    std::size_t length;
    if (static_cast<std::uint32_t>(value) < static_cast<std::uint32_t>(SmallNumberText::limit)) {
        std::memcpy(form, small.printForm[static_cast<std::size_t>(value)], 8);
        length = small.printFormLength[static_cast<std::size_t>(value)];
    } else {
        length = printFormInto(form, value);
    }
    if (length > 8) {
        for (; count > 0; --count)
            text(std::string_view(form, length));
        return;
    }
    while (count > 0) {
        const std::uint32_t run = count < 65536 ? count : 65536;
        char* p = room(std::size_t{run} * 8 + 8);
        for (std::uint32_t k = 0; k < run; ++k, p += length)
            std::memcpy(p, form, 8);
        commit(p);
        count -= run;
    }
}

void ReportBlock::newLine() {
    char* p = room(2);
    p[0] = '\r';
    p[1] = '\n';
    commit(p + 2);
}

void ReportBlock::flush() {
    if (writer_) writer_->waitIdle();
    if (used_ == 0) return;
    const std::size_t n = used_;
    used_ = 0;
    file_.write(std::string_view(current_, n));
}

std::size_t formatSystemRow(char* out, std::int32_t position, std::int32_t number,
                            std::int32_t distance) {
    const bool win = distance >= 6;  // five or more spins in between
    if (position >= 0 && position < 10000000 && number >= -999 && number <= 9999 && distance >= 0 &&
        distance < 100000) {
        std::memcpy(out, win ? winRow : lossRow, rowBytes);
        // A seven-digit position fills columns 2 to 8.
        putDigitsBefore(out + (position < 1000000 ? 7 : 8), static_cast<std::uint32_t>(position));
        if (number >= 0) {
            putDigitsBefore(out + 12, static_cast<std::uint32_t>(number));
        } else {
            char* start = putDigitsBefore(out + 12, static_cast<std::uint32_t>(-number));
            start[-1] = '-';
        }
        putDigitsBefore(out + 19, static_cast<std::uint32_t>(distance));
        return rowBytes;
    }
    return formatWideRow(out, position, number, distance, win);
}

SystemRowSequence::SystemRowSequence(std::int32_t firstPosition)
    : text_(SmallNumberText::get()), position_(firstPosition - 1) {}

}  // namespace spinchart
