#include "session/spin_list.h"

#include <cstring>
#include <limits>
#include <utility>

#include "platform/memory.h"
#include "text/session_error.h"

namespace spinchart {
namespace {
constexpr std::size_t maxCount = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
// Growth below this is not worth asking the system about.
constexpr std::size_t checkedGrowthBytes = std::size_t{16} << 20;
}  // namespace

SpinList::~SpinList() {
    clear();
}

SpinList::SpinList(SpinList&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

SpinList& SpinList::operator=(SpinList&& other) noexcept {
    if (this != &other) {
        clear();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

void SpinList::reserve(std::size_t count) {
    if (count <= capacity_) return;
    if (count > maxCount) throw SessionError("spin list too large");
    const std::size_t growthBytes = (count - capacity_) * sizeof(std::int32_t);
    if (growthBytes >= checkedGrowthBytes) ensureMemoryAvailable(growthBytes);
    void* grown =
        resizeLargeBlock(data_, capacity_ * sizeof(std::int32_t), count * sizeof(std::int32_t));
    if (!grown) throw SessionError("out of memory for the spin list");
    data_ = static_cast<std::int32_t*>(grown);
    capacity_ = count;
}

void SpinList::resize(std::size_t count) {
    reserve(count);
    if (count > size_) std::memset(data_ + size_, 0, (count - size_) * sizeof(std::int32_t));
    size_ = count;
}

void SpinList::grow() {
    if (capacity_ >= maxCount) throw SessionError("spin list too large");
    // The block grows in place, so doubling costs no copy.
    std::size_t next = capacity_ < 1024 ? 1024 : capacity_ * 2;
    if (next > maxCount) next = maxCount;
    reserve(next);
}

void SpinList::append(std::span<const std::int32_t> values) {
    if (values.empty()) return;
    while (capacity_ - size_ < values.size())
        grow();
    std::memcpy(data_ + size_, values.data(), values.size_bytes());
    size_ += values.size();
}

void SpinList::shrinkToFit() {
    if (size_ == capacity_) return;
    if (size_ == 0) {
        clear();
        return;
    }
    if (void* shrunk = resizeLargeBlock(data_, capacity_ * sizeof(std::int32_t),
                                        size_ * sizeof(std::int32_t))) {
        data_ = static_cast<std::int32_t*>(shrunk);
        capacity_ = size_;
    }
}

void SpinList::clear() {
    releaseLargeBlock(data_, capacity_ * sizeof(std::int32_t));
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}

}  // namespace spinchart
