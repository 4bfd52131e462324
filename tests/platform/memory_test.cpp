// The memory still to be had, under an address-space limit: the space the
// process already takes counts against the limit.
#include "platform/memory.h"
#include "platform/platform_error.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "text/session_error.h"

namespace spinchart {
namespace {

std::uint64_t addressSpaceNow() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    unsigned long long pages = 0;
    if (f != nullptr) {
        if (std::fscanf(f, "%llu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

// Runs `check` in a child process (the limit must not reach this one); the
// child's exit status tells which check failed.
template <class Check>
int inChild(Check check) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(check());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(Memory, UnderALimitOnlyWhatIsLeftOfItIsAvailable) {
    constexpr std::uint64_t mib = 1 << 20;
    const int failed = inChild([] {
        const std::uint64_t used = addressSpaceNow();
        if (used == 0) return 0;  // no way to tell here
        const rlimit limit{used + 64 * mib, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) return 1;
        const std::uint64_t available = availableMemoryBytes();
        if (available > 64 * mib || available < 32 * mib) return 2;
        try {
            ensureMemoryAvailable(128 * mib);
            return 3;
        } catch (const PlatformError&) {
        }
        ensureMemoryAvailable(mib);
        // A limit already used up leaves nothing.
        const rlimit spent{used / 2, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_AS, &spent) != 0) return 4;
        return availableMemoryBytes() == 0 ? 0 : 5;
    });
    EXPECT_EQ(failed, 0);
}

TEST(Memory, WithoutALimitTheSystemsFigureCounts) {
    EXPECT_GT(availableMemoryBytes(), std::uint64_t{16} << 20);
    EXPECT_NO_THROW(ensureMemoryAvailable(1));
    EXPECT_THROW(ensureMemoryAvailable(~std::uint64_t{0}), PlatformError);
}

}  // namespace
}  // namespace spinchart
