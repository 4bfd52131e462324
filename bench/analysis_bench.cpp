// The whole analysis of 1, 10 (and with --with-100m, 100) million generated
// double-zero spins, against dd writing the same number of bytes, in the same
// run. Prints a table with the times, the ratios and the peak memory beyond
// the spin list.
//
//   analysis_bench [--with-100m] [--scratch=DIR] [benchmark flags]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "analysis/main_report.h"
#include "session/spin_list.h"
#include "session/wheel_profile.h"
#include "text/output_file.h"

namespace {

using spinchart::AnalysisRequest;
using spinchart::SpinList;

struct SizeResult {
    double analysisSeconds = 0;
    double ddSeconds = 0;
    std::uint64_t reportBytes = 0;
    std::uint64_t skipBytes = 0;
    std::int64_t peakExtraBytes = -1;
};

std::map<std::int64_t, SizeResult> results;
std::filesystem::path scratch;

void keepBest(double& best, double seconds) {
    if (best == 0 || seconds < best) best = seconds;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Resident set figures of this process from /proc, in bytes.
std::int64_t statusBytes(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t keyLength = std::strlen(key);
    while (std::getline(in, line)) {
        if (line.compare(0, keyLength, key) == 0)
            return std::atoll(line.c_str() + keyLength) * 1024;
    }
    return -1;
}

// Starts a new peak: the high-water mark drops to the current resident size.
bool resetPeak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

void dropFile(const std::filesystem::path& p) {
    std::error_code ignored;
    std::filesystem::remove(p, ignored);
}

void settle() {
    // Earlier runs' dirty pages go to disk first, and the machine gets a
    // moment to calm down, so that every timed run starts alike.
    ::sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

// Spins drawn evenly from the double-zero wheel, fixed seed.
const SpinList& spinsFor(std::int64_t count) {
    static std::map<std::int64_t, SpinList> made;
    auto found = made.find(count);
    if (found != made.end()) return found->second;
    made.clear();  // keep one list at a time
    SpinList& spins = made[count];
    spins.resize(static_cast<std::size_t>(count));
    std::mt19937 random(12345);
    std::int32_t* data = spins.data();
    for (std::int64_t k = 0; k < count; ++k)
        data[k] = static_cast<std::int32_t>(random() % 38);
    return spins;
}

AnalysisRequest requestFor(const SpinList& spins) {
    AnalysisRequest request;
    request.numberCount = spinchart::doubleZeroProfile.numberCount;
    request.chartTitle = spinchart::doubleZeroProfile.chartTitle;
    request.spins = spins.values();
    request.analysisCount = spins.size();
    request.generated = true;
    request.reportFile = (scratch / "BENCH.REP").string();
    request.skipFile = (scratch / "BENCH.SKP").string();
    request.spinMean = 18;
    request.spinStdDev = 11;
    return request;
}

void analysisBenchmark(benchmark::State& state) {
    const std::int64_t count = state.range(0);
    const SpinList& spins = spinsFor(count);
    const AnalysisRequest request = requestFor(spins);
    SizeResult& result = results[count];
    for (auto _ : state) {
        dropFile(request.reportFile);
        dropFile(request.skipFile);
        settle();
        const bool peakKnown = resetPeak();
        const std::int64_t before = statusBytes("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        spinchart::runAnalysis(request);
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        if (peakKnown) {
            const std::int64_t extra = statusBytes("VmHWM:") - before;
            if (extra > result.peakExtraBytes) result.peakExtraBytes = extra;
        }
        keepBest(result.analysisSeconds, seconds);
    }
    result.reportBytes = std::filesystem::file_size(request.reportFile);
    result.skipBytes = std::filesystem::file_size(request.skipFile);
    dropFile(request.reportFile);
    dropFile(request.skipFile);
    state.counters["ns_per_spin"] = result.analysisSeconds * 1e9 / static_cast<double>(count);
    state.counters["MB_written"] =
        static_cast<double>(result.reportBytes + 2 * result.skipBytes) / 1e6;
    if (result.peakExtraBytes >= 0) {
        state.counters["peak_B_per_spin"] =
            static_cast<double>(result.peakExtraBytes) / static_cast<double>(count);
    }
}

int runCommand(const std::string& command) {
    return std::system(command.c_str());
}

// dd writing as many bytes as the analysis wrote (report, and the skip file
// twice).
void ddBenchmark(benchmark::State& state) {
    const std::int64_t count = state.range(0);
    const SizeResult& sizes = results[count];
    const std::uint64_t bytes = sizes.reportBytes + 2 * sizes.skipBytes;
    if (bytes == 0) {
        state.SkipWithError("run the analysis of this size first");
        return;
    }
    const std::filesystem::path target = scratch / "dd.out";
    const std::string command =
        "dd if=/dev/zero of='" + target.string() +
        "' bs=1M iflag=count_bytes status=none count=" + std::to_string(bytes);
    for (auto _ : state) {
        dropFile(target);
        settle();
        const auto start = std::chrono::steady_clock::now();
        if (runCommand(command) != 0) state.SkipWithError("dd failed");
        const double seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        keepBest(results[count].ddSeconds, seconds);
    }
    dropFile(target);
}

void printTable() {
    std::printf("\n%12s %11s %9s %11s %9s %10s %13s\n", "spins", "analysis s", "ns/spin",
                "dd same B s", "vs dd", "MB written", "peak B/spin");
    for (const auto& [count, r] : results) {
        if (r.analysisSeconds == 0) continue;
        const double written = static_cast<double>(r.reportBytes + 2 * r.skipBytes) / 1e6;
        std::printf("%12lld %11.3f %9.1f %11.3f %8.2fx %10.1f %13.2f\n",
                    static_cast<long long>(count), r.analysisSeconds,
                    r.analysisSeconds * 1e9 / static_cast<double>(count), r.ddSeconds,
                    r.ddSeconds > 0 ? r.analysisSeconds / r.ddSeconds : 0.0, written,
                    r.peakExtraBytes >= 0
                        ? static_cast<double>(r.peakExtraBytes) / static_cast<double>(count)
                        : -1.0);
    }
    std::printf(
        "(best of 5, 3 and 1 runs for 1, 10 and 100 million spins; peak B/spin:\n"
        " resident memory at the peak of the analysis beyond what the process held\n"
        " before it, the spin list included in the latter)\n");
}

}  // namespace

int main(int argc, char** argv) {
    bool hundredMillion = false;
    scratch = std::filesystem::temp_directory_path();
    std::vector<char*> rest;
    for (int k = 0; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--with-100m") {
            hundredMillion = true;
        } else if (arg.rfind("--scratch=", 0) == 0) {
            scratch = arg.substr(10);
        } else {
            rest.push_back(argv[k]);
        }
    }
    scratch /= "spinchart-bench-" + std::to_string(::getpid());
    std::filesystem::create_directories(scratch);

    std::vector<std::int64_t> sizes{1000000, 10000000};
    if (hundredMillion) sizes.push_back(100000000);
    for (const std::int64_t size : sizes) {
        // Each figure in the table is the best of these runs.
        const int iterations = size <= 1000000 ? 5 : size <= 10000000 ? 3 : 1;
        benchmark::RegisterBenchmark("analysis", analysisBenchmark)
            ->Arg(size)
            ->Iterations(iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("dd_same_bytes", ddBenchmark)
            ->Arg(size)
            ->Iterations(iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }

    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printTable();
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return 0;
}
