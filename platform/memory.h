#pragma once
// How much memory the program can still take without being stopped by the
// system, so that a list too large for the machine is refused up front.

#include <cstddef>
#include <cstdint>

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

// Asks the system to back a large block, not yet touched, with large pages, so
// that its first touch takes a few faults instead of one per 4 KiB page. Only
// advice: nothing happens where the system has no such pages.
void preferLargePages(void* start, std::size_t bytes);

}  // namespace spinchart
