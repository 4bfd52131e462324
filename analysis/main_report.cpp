#include "analysis/main_report.h"

#include <exception>
#include <memory>
#include <new>

#include "analysis/skip_file.h"
#include "analysis/skip_statistics.h"
#include "analysis/system_rule.h"
#include "platform/memory.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

// After a failure: what was written so far goes to disk, unless the file is
// the one whose write failed.
void keepWritten(OutputFile& file) {
    if (!file.isOpen()) return;
    if (file.failed()) {
        file.abandon();
        return;
    }
    try {
        file.close();
    } catch (...) {
    }
}

// The failure in hand, as the session's error.
[[noreturn]] void rethrowAsSessionError() {
    try {
        throw;
    } catch (const SessionError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw SessionError("out of memory for the analysis");
    } catch (const std::exception& e) {
        throw SessionError(e.what());
    }
}

}  // namespace

void runAnalysis(const AnalysisRequest& request) {
    const std::int32_t count = request.analysisCount;
    if (count > 0 && static_cast<std::size_t>(count) > request.spins.size())
        throw SessionError("analysis count beyond the spins");
    if (request.numberCount <= 0) throw SessionError("wheel without numbers");

    // Every row's distance and every number's skips are held beside the
    // spins: refused before any report is emptied when they cannot fit.
    const auto held = static_cast<std::uint64_t>(count > 0 ? count : 0);
    ensureMemoryAvailable(2 * held * sizeof(std::int32_t));

    OutputFile report;
    OutputFile skipFile;
    try {
        report.open(request.reportFile);
        skipFile.open(request.skipFile);
        writeFrequencySkipChart(report, request);
        if (count < 0) throw SessionError("negative analysis count");

        const auto rows = static_cast<std::size_t>(systemReportRows(count));
        const LargeArray<std::int32_t> distances = makeLargeArray<std::int32_t>(rows);
        nextOccurrenceDistances(request.spins, {distances.get(), rows});
        const AscendingCounts sortedDistances =
            writeSystemReport(report, request, {distances.get(), rows});
        report.close();
        writeSkipFile(skipFile, sortedDistances);
        skipFile.close();
    } catch (...) {
        keepWritten(report);
        keepWritten(skipFile);
        rethrowAsSessionError();
    }
}

}  // namespace spinchart
