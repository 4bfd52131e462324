#pragma once
// How much memory the program can still take without being stopped by the
// system, so that a list too large for the machine is refused up front; and
// the one way the program asks for the memory of its large arrays.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>

#include "platform/platform_error.h"

namespace spinchart {

// Bytes the system reports as available (free plus reclaimable), bounded by
// what is left of the process's address-space limit; a large value where
// unknown.
std::uint64_t availableMemoryBytes();

// Throws PlatformError when `bytes` more would not fit in the available memory.
inline void ensureMemoryAvailable(std::uint64_t bytes) {
    if (bytes > availableMemoryBytes()) throw PlatformError("not enough memory");
}

// Fresh memory for a large array: zero bytes, untouched, backed by large
// pages where the system has them, so that its first touch takes a few
// faults instead of one per 4 KiB page. Null for no bytes, or when the system
// refuses.
void* allocateLargeBlock(std::size_t bytes);
// The block at `bytes` (null: refused, and the old block stays), its first
// bytes kept and those beyond them fresh; grown in place where the system can,
// without a copy.
void* resizeLargeBlock(void* block, std::size_t oldBytes, std::size_t bytes);
void releaseLargeBlock(void* block, std::size_t bytes);

struct LargeBlockRelease {
    std::size_t bytes = 0;
    void operator()(void* block) const { releaseLargeBlock(block, bytes); }
};
template <class T>
using LargeArray = std::unique_ptr<T[], LargeBlockRelease>;

// `count` values in a fresh large block, zero; throws std::bad_alloc when the
// system refuses.
template <class T>
LargeArray<T> makeLargeArray(std::size_t count) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
    const std::size_t bytes = count * sizeof(T);
    void* block = allocateLargeBlock(bytes);
    if (block == nullptr && bytes > 0) throw std::bad_alloc();
    return LargeArray<T>(static_cast<T*>(block), LargeBlockRelease{bytes});
}

}  // namespace spinchart
