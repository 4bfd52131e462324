// The whole analysis of 1, 10 and 50 (with --with-100m also 100) million
// generated double-zero spins, each beside a plain writer that holds as much
// fresh memory as the analysis took and writes the same bytes in 1 MiB blocks
// into the same folder. The two run alternately (A B A B ...) so that a drift
// of the machine shows in both. Prints wall, user and system time per spin of
// each, their ratio and the analysis' peak memory beyond the spin list.
//
//   analysis_bench [--with-100m] [--rounds=N] [--spins=N,...] [--scratch=DIR] [--disk=DIR]
//
// --spins times only the counts given, in both folders.
// The scratch folder defaults to /dev/shm where it exists, so that no disk is
// timed; the 100 million spins need about 6 GB there. The disk-backed folder
// (default /var/tmp) is timed at 1 and 10 million spins, through the page
// cache.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/main_report.h"
#include "session/wheel_profile.h"

namespace {

namespace fs = std::filesystem;

struct Times {
    double wall = 0;
    double user = 0;
    double system = 0;
};

// The best of several runs, field by field.
void keepBest(Times& best, const Times& run) {
    if (best.wall == 0 || run.wall < best.wall) best.wall = run.wall;
    if (best.user == 0 || run.user < best.user) best.user = run.user;
    if (best.system == 0 || run.system < best.system) best.system = run.system;
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

template <class Work>
Times timed(Work&& work) {
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    return {std::chrono::duration<double>(end - start).count(),
            seconds(after.ru_utime) - seconds(before.ru_utime),
            seconds(after.ru_stime) - seconds(before.ru_stime)};
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

void dropFile(const fs::path& p) {
    std::error_code ignored;
    fs::remove(p, ignored);
}

// Every timed run starts alike: earlier runs' pages written out, a moment of
// calm.
void settle() {
    ::sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

// Writes `bytes` bytes of blanks into a new file in 1 MiB blocks.
void writePlainFile(const fs::path& path, std::uint64_t bytes) {
    static const std::string block(1 << 20, ' ');
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) std::abort();
    std::setvbuf(out, nullptr, _IONBF, 0);
    for (std::uint64_t left = bytes; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
        if (std::fwrite(block.data(), 1, n, out) != n) std::abort();
        left -= n;
    }
    if (std::fclose(out) != 0) std::abort();
}

struct SizeResult {
    Times analysis;
    Times plain;
    std::uint64_t reportBytes = 0;
    std::uint64_t skipBytes = 0;
    std::int64_t peakExtraBytes = 0;
};

SizeResult measure(std::int64_t count, int rounds, const fs::path& scratch) {
    std::vector<std::int32_t> spins(static_cast<std::size_t>(count));
    std::mt19937 random(12345);
    for (auto& s : spins)
        s = static_cast<std::int32_t>(random() % 38);

    spinchart::AnalysisRequest request;
    request.numberCount = spinchart::doubleZeroProfile.numberCount;
    request.chartTitle = spinchart::doubleZeroProfile.chartTitle;
    request.spins = spins;
    request.analysisCount = static_cast<std::int32_t>(count);
    request.reportFile = (scratch / "BENCH.REP").string();
    request.skipFile = (scratch / "BENCH.SKP").string();
    request.statistics = {18, 11};

    SizeResult result;
    for (int round = 0; round < rounds; ++round) {
        // A: the analysis.
        dropFile(request.reportFile);
        dropFile(request.skipFile);
        settle();
        const bool peakKnown = resetPeak();
        const std::int64_t before = statusBytes("VmRSS:");
        keepBest(result.analysis, timed([&] { spinchart::runAnalysis(request); }));
        if (peakKnown)
            result.peakExtraBytes = std::max(result.peakExtraBytes, statusBytes("VmHWM:") - before);
        result.reportBytes = fs::file_size(request.reportFile);
        result.skipBytes = fs::file_size(request.skipFile);
        dropFile(request.reportFile);
        dropFile(request.skipFile);

        // B: as much fresh memory, touched, and the same bytes written.
        const fs::path plainReport = scratch / "PLAIN.REP";
        const fs::path plainSkip = scratch / "PLAIN.SKP";
        settle();
        keepBest(result.plain, timed([&] {
                     const auto held = static_cast<std::size_t>(result.peakExtraBytes);
                     const std::unique_ptr<char[]> memory(new char[held]);
                     for (std::size_t k = 0; k < held; k += 4096)
                         memory[k] = 1;
                     writePlainFile(plainReport, result.reportBytes);
                     writePlainFile(plainSkip, result.skipBytes);
                 }));
        dropFile(plainReport);
        dropFile(plainSkip);
    }
    return result;
}

void printHeading(const fs::path& folder) {
    std::printf("%s\n%11s | %27s | %27s | %6s | %6s | %8s\n", folder.c_str(), "",
                "analysis ns/spin", "plain writer ns/spin", "", "", "");
    std::printf("%11s | %8s %8s %9s | %8s %8s %9s | %6s | %6s | %8s\n", "spins", "wall", "user",
                "sys", "wall", "user", "sys", "A/B", "GB out", "peak B/s");
}

void printRow(std::int64_t count, const SizeResult& r) {
    const double n = static_cast<double>(count) / 1e9;
    std::printf("%11lld | %8.1f %8.1f %9.1f | %8.1f %8.1f %9.1f | %5.2fx | %6.2f | %8.2f\n",
                static_cast<long long>(count), r.analysis.wall / n, r.analysis.user / n,
                r.analysis.system / n, r.plain.wall / n, r.plain.user / n, r.plain.system / n,
                r.analysis.wall / r.plain.wall,
                static_cast<double>(r.reportBytes + r.skipBytes) / 1e9,
                static_cast<double>(r.peakExtraBytes) / static_cast<double>(count));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    bool hundredMillion = false;
    std::vector<std::int64_t> only;
    int rounds = 2;
    fs::path scratch = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path disk = "/var/tmp";
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--with-100m") {
            hundredMillion = true;
        } else if (arg.rfind("--rounds=", 0) == 0) {
            rounds = std::max(1, std::atoi(arg.c_str() + 9));
        } else if (arg.rfind("--spins=", 0) == 0) {
            std::istringstream list(arg.substr(8));
            for (std::string count; std::getline(list, count, ',');)
                only.push_back(std::atoll(count.c_str()));
        } else if (arg.rfind("--scratch=", 0) == 0) {
            scratch = arg.substr(10);
        } else if (arg.rfind("--disk=", 0) == 0) {
            disk = arg.substr(7);
        } else {
            std::fprintf(stderr,
                         "usage: %s [--with-100m] [--rounds=N] [--spins=N,...] [--scratch=DIR] "
                         "[--disk=DIR]\n",
                         argv[0]);
            return 2;
        }
    }

    std::vector<std::int64_t> sizes{1000000, 10000000, 50000000};
    if (hundredMillion) sizes.push_back(100000000);
    std::vector<std::int64_t> diskSizes{1000000, 10000000};
    if (!only.empty()) sizes = diskSizes = only;
    const std::pair<fs::path, std::vector<std::int64_t>> folders[] = {{scratch, sizes},
                                                                      {disk, diskSizes}};
    for (const auto& [folder, counts] : folders) {
        const fs::path work = folder / ("spinchart-bench-" + std::to_string(::getpid()));
        fs::create_directories(work);
        printHeading(folder);
        for (const std::int64_t count : counts)
            printRow(count, measure(count, rounds, work));
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }
    std::printf(
        "(best of %d alternating rounds; peak B/s: resident memory at the peak of the\n"
        " analysis beyond what the process held before it, per spin; the spin list\n"
        " itself adds 4)\n",
        rounds);
    return 0;
}
