// Loading and generating ten million spins: time, and resident memory held per
// spin by the loaded list.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "session/spin_source.h"
#include "session/wheel_profile.h"

namespace {

using namespace spinchart;

constexpr std::int32_t spinCount = 10'000'000;

std::string scratchName(const char* stem) {
    return (std::filesystem::temp_directory_path() /
            (std::string(stem) + "-" + std::to_string(::getpid()) + ".dat"))
        .string();
}

LocalTime fixedClock() {
    return LocalTime{2026, 6, 1, 12, 0, 0, 0};
}

// A spin file in the writer's form, made once.
const std::string& spinFile() {
    static const std::string name = [] {
        const std::string path = scratchName("spinchart-bench-load");
        const WheelNeighbourTable pool = buildNeighbourTable(doubleZeroProfile);
        RandomState random;
        SessionSpins spins;
        spins = generateSpins(pool, random, fixedClock, spinCount, path);
        return path;
    }();
    return name;
}

long residentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

void BM_LoadSpinFile(benchmark::State& state) {
    const std::string& path = spinFile();
    const auto fileBytes = static_cast<double>(std::filesystem::file_size(path));
    double bytesPerSpin = 0;
    for (auto _ : state) {
        const long before = residentBytes();
        SessionSpins spins;
        spins = loadSpinFile(path);
        bytesPerSpin = static_cast<double>(residentBytes() - before) / spins.list.size();
        benchmark::DoNotOptimize(spins.statistics.spinMean);
        if (spins.list.size() != spinCount) state.SkipWithError("wrong spin count");
    }
    state.counters["file_MB"] = fileBytes / 1e6;
    state.counters["resident_bytes_per_spin"] = bytesPerSpin;
    state.SetBytesProcessed(static_cast<std::int64_t>(fileBytes) * state.iterations());
}
BENCHMARK(BM_LoadSpinFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_GenerateSpins(benchmark::State& state) {
    const std::string path = scratchName("spinchart-bench-generate");
    const WheelNeighbourTable pool = buildNeighbourTable(doubleZeroProfile);
    RandomState random;
    for (auto _ : state) {
        SessionSpins spins;
        spins = generateSpins(pool, random, fixedClock, spinCount, path);
        benchmark::DoNotOptimize(spins.statistics.spinMean);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(std::filesystem::file_size(path)) *
                            state.iterations());
    std::filesystem::remove(path);
}
BENCHMARK(BM_GenerateSpins)->Unit(benchmark::kMillisecond)->Iterations(3);

// Reading the same bytes with nothing done to them, for comparison.
void BM_ReadFileBytes(benchmark::State& state) {
    const std::string& path = spinFile();
    std::string block(1 << 20, '\0');
    for (auto _ : state) {
        FileHandle file = FileHandle::openForReading(path);
        std::size_t total = 0;
        while (const std::size_t got = file.readSome(block.data(), block.size()))
            total += got;
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond)->Iterations(3);

struct Cleanup {
    ~Cleanup() {
        std::error_code ignored;
        std::filesystem::remove(scratchName("spinchart-bench-load"), ignored);
    }
} cleanup;

}  // namespace
