// Available memory from the Windows memory status; large blocks from the
// system's virtual memory.
#include <windows.h>

#include <cstring>

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

// Large pages on Windows need a privilege the user seldom holds: committed
// pages, zero until touched.
void* allocateLargeBlock(std::size_t bytes) {
    if (bytes == 0) return nullptr;
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void* resizeLargeBlock(void* block, std::size_t oldBytes, std::size_t bytes) {
    void* resized = allocateLargeBlock(bytes);
    if (resized == nullptr && bytes > 0) return nullptr;
    if (block != nullptr && resized != nullptr)
        std::memcpy(resized, block, oldBytes < bytes ? oldBytes : bytes);
    releaseLargeBlock(block, oldBytes);
    return resized;
}

void releaseLargeBlock(void* block, std::size_t) {
    if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace spinchart
