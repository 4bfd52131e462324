#pragma once
// The session's spins: positions 1 to size(), position 1 the most recent spin.
// Storage is a large block of the system's (platform/memory.h), grown in place
// without a copy and without holding two lists at once. Growth beyond a
// 32-bit count or a failed allocation throws SessionError; growth the
// system's memory cannot hold is refused first with PlatformError.

#include <cstddef>
#include <cstdint>
#include <span>

namespace spinchart {

class SpinList {
public:
    SpinList() = default;
    ~SpinList();
    SpinList(const SpinList&) = delete;
    SpinList& operator=(const SpinList&) = delete;
    SpinList(SpinList&& other) noexcept;
    SpinList& operator=(SpinList&& other) noexcept;

    std::int32_t size() const { return static_cast<std::int32_t>(size_); }
    bool empty() const { return size_ == 0; }
    // 1-based access, as the positions are counted.
    std::int32_t at(std::int32_t position) const { return data_[position - 1]; }
    std::int32_t& at(std::int32_t position) { return data_[position - 1]; }
    const std::int32_t* data() const { return data_; }
    std::span<const std::int32_t> values() const { return {data_, size_}; }
    std::int32_t* data() { return data_; }

    // Sets the size; new positions hold 0. Throws as the list grows.
    void resize(std::size_t count);
    void reserve(std::size_t count);
    void pushBack(std::int32_t value) {
        if (size_ == capacity_) grow();
        data_[size_++] = value;
    }
    // Adds the values at the end, as pushBack() does each.
    void append(std::span<const std::int32_t> values);
    // Gives capacity beyond the size back to the system.
    void shrinkToFit();
    // Releases the memory.
    void clear();

private:
    void grow();
    std::int32_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace spinchart
