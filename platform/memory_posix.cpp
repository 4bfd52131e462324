// Available memory from /proc/meminfo, falling back to sysconf.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/memory.h"
#include "platform/session_error.h"

namespace spinchart {
namespace {

std::uint64_t fromMeminfo() {
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return 0;
    char line[256];
    std::uint64_t kib = 0;
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long value = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &value) == 1) {
            kib = value;
            break;
        }
    }
    std::fclose(f);
    return kib * 1024;
}

}  // namespace

std::uint64_t availableMemoryBytes() {
    std::uint64_t bytes = fromMeminfo();
    if (bytes == 0) {
        const long pages = ::sysconf(_SC_AVPHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        bytes = pages > 0 && pageSize > 0
                    ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
                    : ~std::uint64_t{0};
    }
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur < bytes) {
        bytes = limit.rlim_cur;
    }
    return bytes;
}

void ensureMemoryAvailable(std::uint64_t bytes) {
    if (bytes > availableMemoryBytes()) throw SessionError("not enough memory");
}

}  // namespace spinchart
