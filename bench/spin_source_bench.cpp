// Loading a spin file beside the reading floor, a plain C counter of the same
// file's values (make bench builds it from ../shared/tools/count_spins.c), the
// two in turn and the best of each kept, at ten and a hundred million spins;
// the resident memory held per spin by the loaded list; generating ten
// million spins.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "session/spin_source.h"
#include "session/wheel_profile.h"

namespace {

using namespace spinchart;

constexpr int rounds = 5;

std::string scratchName(const std::string& stem) {
    return (std::filesystem::temp_directory_path() /
            (stem + "-" + std::to_string(::getpid()) + ".dat"))
        .string();
}

LocalTime fixedClock() {
    return LocalTime{2026, 6, 1, 12, 0, 0, 0};
}

// A spin file of `count` double-zero spins in the writer's form, made once.
std::map<std::int32_t, std::string> spinFiles;
const std::string& spinFile(std::int32_t count) {
    std::string& name = spinFiles[count];
    if (name.empty()) {
        name = scratchName("spinchart-bench-load-" + std::to_string(count));
        const WheelNeighbourTable pool = buildNeighbourTable(doubleZeroProfile);
        RandomState random;
        generateSpins(pool, random, fixedClock, count, name);
    }
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

struct Floor {
    long long count = -1;
    double seconds = 0;
};

// The counter's own count and seconds; a count of -1 where it did not run.
Floor countBesideFloor(const std::string& path) {
    Floor floor;
    const std::string command = std::string("'") + SPINCHART_FLOOR + "' '" + path + "'";
    if (std::FILE* out = ::popen(command.c_str(), "r")) {
        if (std::fscanf(out, "%lld %lf", &floor.count, &floor.seconds) != 2) floor.count = -1;
        if (::pclose(out) != 0) floor.count = -1;
    }
    return floor;
}

void BM_LoadBesideFloor(benchmark::State& state) {
    const auto count = static_cast<std::int32_t>(state.range(0));
    const std::string& path = spinFile(count);
    const bool withFloor = ::access(SPINCHART_FLOOR, X_OK) == 0;
    double best[2] = {1e9, 1e9};
    double bytesPerSpin = 0;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            if (withFloor) {
                const Floor floor = countBesideFloor(path);
                if (floor.count != count) state.SkipWithError("the floor counted otherwise");
                best[1] = std::min(best[1], floor.seconds);
            }
            const long before = residentBytes();
            const auto start = std::chrono::steady_clock::now();
            SessionSpins spins;
            spins = loadSpinFile(path);
            best[0] = std::min(
                best[0],
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            bytesPerSpin = static_cast<double>(residentBytes() - before) / count;
            if (spins.list.size() != count) state.SkipWithError("wrong spin count");
        }
    }
    state.counters["load_ms"] = best[0] * 1e3;
    state.counters["resident_bytes_per_spin"] = bytesPerSpin;
    if (withFloor) {
        state.counters["floor_ms"] = best[1] * 1e3;
        state.counters["ratio"] = best[0] / best[1];
    } else {
        state.SetLabel("no floor: " SPINCHART_FLOOR " missing");
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadBesideFloor)
    ->Arg(10'000'000)
    ->Arg(100'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_GenerateSpins(benchmark::State& state) {
    const std::string path = scratchName("spinchart-bench-generate");
    const WheelNeighbourTable pool = buildNeighbourTable(doubleZeroProfile);
    RandomState random;
    for (auto _ : state) {
        SessionSpins spins;
        spins = generateSpins(pool, random, fixedClock, 10'000'000, path);
        benchmark::DoNotOptimize(spins.statistics.spinMean);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(std::filesystem::file_size(path)) *
                            state.iterations());
    std::filesystem::remove(path);
}
BENCHMARK(BM_GenerateSpins)->Unit(benchmark::kMillisecond)->Iterations(3);

struct Cleanup {
    ~Cleanup() {
        std::error_code ignored;
        for (const auto& [count, name] : spinFiles)
            std::filesystem::remove(name, ignored);
    }
} cleanup;

}  // namespace
