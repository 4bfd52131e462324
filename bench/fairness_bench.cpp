// spinchart --fairness on ten million spins beside the reading floor (the
// plain counter make bench builds) and mawk, each merely counting the values
// of the same file, run in turn (A B C A B C) and the best of each kept, on a
// file of one value a line and on a two-column CSV read with --column; and the
// report's peak memory per spin beyond what does not grow: the growth of its
// peak from a tenth of the spins to all of them.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
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

// The spin file as a table: a header, then the line number and the spin.
void writeAsTable(const std::string& spins, const std::string& table) {
    std::ifstream in(spins, std::ios::binary);
    std::ofstream out(table, std::ios::binary);
    std::string text = "n,spin\r\n";
    std::int64_t row = 0;
    for (std::string line; std::getline(in, line);) {
        text += std::to_string(++row) + "," + line + "\n";
        if (text.size() > (1u << 20)) {
            out << text;
            text.clear();
        }
    }
    out << text;
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
    const std::string tenth = scratchName("spinchart-bench-fairness-tenth");
    const std::string table = scratchName("spinchart-bench-fairness-table");
    {
        const WheelNeighbourTable pool = buildNeighbourTable(doubleZeroProfile);
        RandomState random;
        const auto clock = [] { return LocalTime{2026, 6, 1, 12, 0, 0, 0}; };
        SessionSpins spins = generateSpins(pool, random, clock, spinCount, big);
        spins = generateSpins(pool, random, clock, spinCount / 10, tenth);
    }
    writeAsTable(big, table);
    // Each run beside the floor and mawk counting the same field.
    const bool withFloor = ::access(SPINCHART_FLOOR, X_OK) == 0;
    std::vector<std::vector<std::string>> commands = {
        {SPINCHART_BINARY, "--fairness", big, "--wheel", "00"},
        {"mawk", "{c[$1]++}", big},
        {SPINCHART_BINARY, "--fairness", table, "--wheel", "00", "--column", "spin"},
        {"mawk", "-F,", "{c[$2]++}", table},
    };
    if (withFloor) {
        commands.push_back({SPINCHART_FLOOR, big});
        commands.push_back({SPINCHART_FLOOR, table});
    }
    double best[6] = {1e9, 1e9, 1e9, 1e9, 1e9, 1e9};
    long peak = 0;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            for (std::size_t i = 0; i < commands.size(); ++i) {
                const Run run = runCommand(commands[i]);
                if (run.status != 0) state.SkipWithError("a run failed");
                best[i] = std::min(best[i], run.seconds);
                if (i == 0) peak = std::max(peak, run.peakBytes);
            }
        }
    }
    // The largest peak of as many runs on each file: the pages come 2 MiB at
    // a time where the system grants large ones, not always.
    long smallPeak = 0;
    for (int round = 0; round < rounds; ++round) {
        smallPeak = std::max(
            smallPeak,
            runCommand({SPINCHART_BINARY, "--fairness", tenth, "--wheel", "00"}).peakBytes);
    }
    state.counters["report_ms"] = best[0] * 1e3;
    state.counters["mawk_ms"] = best[1] * 1e3;
    state.counters["ratio"] = best[0] / best[1];
    state.counters["column_ms"] = best[2] * 1e3;
    state.counters["mawk_column_ms"] = best[3] * 1e3;
    state.counters["column_ratio"] = best[2] / best[3];
    if (withFloor) {
        state.counters["floor_ms"] = best[4] * 1e3;
        state.counters["floor_ratio"] = best[0] / best[4];
        state.counters["floor_column_ms"] = best[5] * 1e3;
        state.counters["floor_column_ratio"] = best[2] / best[5];
    } else {
        state.SetLabel("no floor: " SPINCHART_FLOOR " missing");
    }
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["bytes_per_spin"] =
        static_cast<double>(peak - smallPeak) / (spinCount - spinCount / 10);
    std::filesystem::remove(big);
    std::filesystem::remove(tenth);
    std::filesystem::remove(table);
}
BENCHMARK(BM_FairnessBesideMawk)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
