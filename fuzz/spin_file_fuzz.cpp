// Any bytes as a spin file: the reader never crashes, never reads past the
// data, and gives the spins (or the failure) of a plain byte-by-byte reading
// of the format, whatever the block size it reads in.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"
#include "session/block_reader.h"
#include "session/spin_file_model.h"
#include "session/spin_source.h"
#include "support/test_files.h"
#include "text/number_text.h"
#include "text/session_error.h"

namespace {

using namespace spinchart;

std::optional<std::vector<std::int32_t>> loaded(BlockReader& reader) {
    SessionSpins spins;
    try {
        spins = loadSpins(reader);
    } catch (const SessionError&) {
        return std::nullopt;
    }
    std::vector<std::int32_t> values(spins.list.data(), spins.list.data() + spins.list.size());
    // The statistics are those of the list read.
    const SpinStatistics statistics = computeSpinStatistics(spins.list, spins.list.size());
    if (statistics.spinMean != spins.statistics.spinMean ||
        statistics.spinStdDev != spins.statistics.spinStdDev)
        std::abort();
    return values;
}

int memoryFile() {
    static const int fd = ::memfd_create("spins", 0);
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const auto expected = model::spinsOf(data);

    // From memory (the data copied, so that a read past the end is seen).
    const std::string copy(data);
    BlockReader fromMemory = testing::memoryReader(copy);
    if (loaded(fromMemory) != expected) std::abort();

    // From a file read in small blocks, so that values and line ends straddle
    // block boundaries.
    const int fd = memoryFile();
    if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, data.data(), data.size(), 0) != static_cast<ssize_t>(data.size())) {
        return 0;
    }
    FileHandle file = FileHandle::openForReading("/proc/self/fd/" + std::to_string(fd));
    const std::size_t blockSize = 1 + (size == 0 ? 0 : bytes[0] % 7);
    BlockReader fromFile(file, blockSize);
    if (loaded(fromFile) != expected) std::abort();
    return 0;
}
