// spinchart --fairness on ten million spins beside mawk merely counting the
// values of the same file, the two run in turn (A B A B) and the best of each
// kept; and the report's peak memory per spin beyond that of a tiny file.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "session/spin_source.h"
#include "session/wheel_profile.h"

namespace {

using namespace spinchart;

constexpr std::int32_t spinCount = 10'000'000;
constexpr int rounds = 5;

std::string scratchName(const char* stem) {
    return (std::filesystem::temp_directory_path() /
            (std::string(stem) + "-" + std::to_string(::getpid()) + ".dat"))
        .string();
}

struct Run {
    double seconds = 0;
    long peakBytes = 0;
    int status = -1;
};

// The command with its output to /dev/null: wall time and peak resident size.
Run runCommand(std::vector<std::string> command) {
    std::vector<char*> argv;
    for (std::string& word : command)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int sink = ::open("/dev/null", O_WRONLY);
        ::dup2(sink, 1);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakBytes = usage.ru_maxrss * 1024;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void BM_FairnessBesideMawk(benchmark::State& state) {
    const std::string big = scratchName("spinchart-bench-fairness");
    const std::string tiny = scratchName("spinchart-bench-fairness-tiny");
    {
        const WheelNeighbourTable pool = buildNeighbourTable(doubleZeroProfile);
        RandomState random;
        const auto clock = [] { return LocalTime{2026, 6, 1, 12, 0, 0, 0}; };
        SessionSpins spins = generateSpins(pool, random, clock, spinCount, big);
        spins = generateSpins(pool, random, clock, 10, tiny);
    }
    double best[2] = {1e9, 1e9};
    long peak = 0;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            const Run report = runCommand({SPINCHART_BINARY, "--fairness", big, "--wheel", "00"});
            const Run mawk = runCommand({"mawk", "{c[$1]++}", big});
            if (report.status != 0 || mawk.status != 0) state.SkipWithError("a run failed");
            best[0] = std::min(best[0], report.seconds);
            best[1] = std::min(best[1], mawk.seconds);
            peak = std::max(peak, report.peakBytes);
        }
    }
    const Run small = runCommand({SPINCHART_BINARY, "--fairness", tiny, "--wheel", "00"});
    state.counters["report_ms"] = best[0] * 1e3;
    state.counters["mawk_ms"] = best[1] * 1e3;
    state.counters["ratio"] = best[0] / best[1];
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["bytes_per_spin"] = static_cast<double>(peak - small.peakBytes) / spinCount;
    std::filesystem::remove(big);
    std::filesystem::remove(tiny);
}
BENCHMARK(BM_FairnessBesideMawk)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
