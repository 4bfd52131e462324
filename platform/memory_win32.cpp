// Available memory from the Windows memory status.
#include <windows.h>

#include "platform/memory.h"

namespace spinchart {

std::uint64_t availableMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return ~std::uint64_t{0};
    // Physical memory free or reclaimable, bounded by the address space left.
    const std::uint64_t physical = status.ullAvailPhys;
    const std::uint64_t addressSpace = status.ullAvailVirtual;
    return physical < addressSpace ? physical : addressSpace;
}

// Large pages on Windows need a privilege the user seldom holds.
void preferLargePages(void*, std::size_t) {}

}  // namespace spinchart
