// Loading a spin file beside the reading floor, a plain C counter of the same
// file's values (make bench builds it from ../shared/tools/count_spins.c), the
// two in turn and the best of each kept, at ten million spins (the writer's
// form and plain lines) and a hundred million; the resident memory held per
// spin by the loaded list; generating ten million spins.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>

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

// Files of `count` double-zero spins, made once: in the writer's form
// (" 17 " a line), or plain ("17" a line, 00 for 37), as a script writes them.
enum class Form { writer, plain };
std::map<std::pair<std::int32_t, Form>, std::string> spinFiles;
const std::string& spinFile(std::int32_t count, Form form) {
    std::string& name = spinFiles[{count, form}];
    if (!name.empty()) return name;
    name = scratchName("spinchart-bench-load-" + std::to_string(count) +
                       (form == Form::plain ? "-plain" : ""));
    const WheelNeighbourTable pool = buildNeighbourTable(doubleZeroProfile);
    RandomState random;
    const SessionSpins spins = generateSpins(pool, random, fixedClock, count, name);
    if (form == Form::plain) {
        std::string text;
        for (const std::int32_t spin : spins.list.values())
            text.append(spin == doubleZeroProfile.highestNumber ? "00" : std::to_string(spin))
                .append("\r\n");
        std::ofstream(name, std::ios::binary | std::ios::trunc) << text;
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

// User and system time taken so far by the process, or by its finished children.
double cpuSeconds(int who) {
    struct rusage usage {};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Floor {
    long long count = -1;
    double seconds = 0;
    double cpuSeconds = 0;
};

// The counter's own count and seconds, and its CPU time; a count of -1 where
// it did not run.
Floor countBesideFloor(const std::string& path) {
    Floor floor;
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    const std::string command = std::string("'") + SPINCHART_FLOOR + "' '" + path + "'";
    if (std::FILE* out = ::popen(command.c_str(), "r")) {
        if (std::fscanf(out, "%lld %lf", &floor.count, &floor.seconds) != 2) floor.count = -1;
        if (::pclose(out) != 0) floor.count = -1;
    }
    floor.cpuSeconds = cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
    return floor;
}

void BM_LoadBesideFloor(benchmark::State& state) {
    const auto count = static_cast<std::int32_t>(state.range(0));
    const std::string& path = spinFile(count, static_cast<Form>(state.range(1)));
    const bool withFloor = ::access(SPINCHART_FLOOR, X_OK) == 0;
    // Wall and CPU time, load and floor: the CPU times tell more on a busy machine.
    double best[2] = {1e9, 1e9};
    double bestCpu[2] = {1e9, 1e9};
    double bytesPerSpin = 0;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            if (withFloor) {
                const Floor floor = countBesideFloor(path);
                if (floor.count != count) state.SkipWithError("the floor counted otherwise");
                best[1] = std::min(best[1], floor.seconds);
                bestCpu[1] = std::min(bestCpu[1], floor.cpuSeconds);
            }
            const long before = residentBytes();
            const double cpuBefore = cpuSeconds(RUSAGE_SELF);
            const auto start = std::chrono::steady_clock::now();
            SessionSpins spins;
            spins = loadSpinFile(path);
            best[0] = std::min(
                best[0],
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            bestCpu[0] = std::min(bestCpu[0], cpuSeconds(RUSAGE_SELF) - cpuBefore);
            bytesPerSpin = static_cast<double>(residentBytes() - before) / count;
            if (spins.list.size() != count) state.SkipWithError("wrong spin count");
        }
    }
    state.counters["load_ms"] = best[0] * 1e3;
    state.counters["load_cpu_ms"] = bestCpu[0] * 1e3;
    state.counters["resident_bytes_per_spin"] = bytesPerSpin;
    if (withFloor) {
        state.counters["floor_ms"] = best[1] * 1e3;
        state.counters["floor_cpu_ms"] = bestCpu[1] * 1e3;
        state.counters["ratio"] = best[0] / best[1];
        state.counters["cpu_ratio"] = bestCpu[0] / bestCpu[1];
    } else {
        state.SetLabel("no floor: " SPINCHART_FLOOR " missing");
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadBesideFloor)
    ->ArgNames({"spins", "plain"})
    ->Args({10'000'000, static_cast<int>(Form::writer)})
    ->Args({10'000'000, static_cast<int>(Form::plain)})
    ->Args({100'000'000, static_cast<int>(Form::writer)})
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
