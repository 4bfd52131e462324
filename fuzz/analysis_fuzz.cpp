// The whole analysis on fuzzed spin lists (wheel numbers, values outside the
// wheel, extreme and negative values, every count from negative to all the
// spins): the report and the skip file are byte for byte the plain model's.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/analysis_model.h"
#include "analysis/analysis_test_support.h"
#include "analysis/main_report.h"
#include "session/wheel_profile.h"
#include "text/program_identity.h"
#include "text/session_error.h"

namespace {

using namespace spinchart;

constexpr std::int32_t oddValues[] = {
    37,   38,   39,   40,    99,    1000,    1023,       1024,
    4095, 4096, 5000, 65535, 65536, 1 << 20, 2147483647, -2147483647 - 1,
    -1,   -2,   -5,   -37,   -100,  -1000,   -65536,     123456789,
    7,    0,    36,   17,    1,     2,       3,          4};
constexpr std::size_t longestList = 800;  // the model is quadratic

// The scratch files of the whole run, removed at a normal exit (the name is
// never freed, so it outlives the handler).
const std::string& scratchFolder() {
    static const std::string* folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "spinchart-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchFolder(), ignored);
        });
        return new std::string(pattern);
    }();
    return *folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < 4) return 0;
    const std::uint8_t flags = bytes[0];
    const WheelProfile& profile = (flags & 1) ? doubleZeroProfile : singleZeroProfile;

    std::vector<std::int32_t> spins;
    for (std::size_t k = 4; k < size && spins.size() < longestList; ++k) {
        const std::uint8_t b = bytes[k];
        spins.push_back(b < 224 ? b % profile.numberCount : oddValues[b - 224]);
    }
    const auto total = static_cast<std::int32_t>(spins.size());
    // The count: anything from a few below zero to all the spins, often all.
    const std::int32_t picked = (bytes[1] << 8 | bytes[2]) % (total + 8) - 6;
    const std::int32_t count = (flags & 6) == 6 ? total : std::min(picked, total);

    model::Source source;
    source.generated = (flags & 8) != 0;
    if (!source.generated)
        source.dataFileName = (flags & 16) ? "C:\\Spins\\casino.dat" : "CASINO \x84\xF9.DAT";
    const std::int32_t mean = static_cast<std::int8_t>(bytes[3]);
    const std::int32_t stdDev = (flags & 32) ? -2147483647 - 1 : bytes[3] / 7;

    const model::Output expected =
        model::analyse(profile.numberCount, profile.chartTitle, programBannerLine,
                       programCopyrightLine, spins, count, source, mean, stdDev,
                       /*plainSort=*/spins.size() < 200);

    const std::vector<std::int32_t> list = testing::makeSpins(spins);
    const AnalysisRequest request = testing::analysisRequest(
        profile, list, count, {source.generated, source.dataFileName, mean, stdDev},
        scratchFolder() + "/R.REP", scratchFolder() + "/S.SKP");
    bool failed = false;
    try {
        runAnalysis(request);
    } catch (const SessionError&) {
        failed = true;
    }
    if (failed != expected.failed) std::abort();
    if (testing::readWholeFile(request.reportFile) != expected.report) std::abort();
    const std::string skipFile = testing::readWholeFile(request.skipFile);
    if (failed ? !skipFile.empty() : skipFile != expected.skipFile) std::abort();
    return 0;
}
