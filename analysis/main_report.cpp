#include "analysis/main_report.h"

#include <exception>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <system_error>

#include "analysis/skip_file.h"
#include "analysis/skip_statistics.h"
#include "platform/cp437.h"
#include "platform/file_io.h"
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

// The distances of the system report's rows, computed on a helper thread
// when there are many (on this thread when no thread can be had).
class RowDistances {
public:
    RowDistances(const SpinList& spins, std::size_t rows)
        : values_(std::make_unique_for_overwrite<std::int32_t[]>(rows)), size_(rows) {
        auto compute = [&spins, this] {
            nextOccurrenceDistancesInto(spins, {values_.get(), size_});
        };
        if (rows >= parallelRows) {
            try {
                pending_ = std::async(std::launch::async, compute);
                return;
            } catch (const std::system_error&) {
            }
        }
        compute();
    }
    RowDistances(const RowDistances&) = delete;
    RowDistances& operator=(const RowDistances&) = delete;
    ~RowDistances() {
        if (pending_.valid()) pending_.wait();
    }

    std::span<const std::int32_t> get() {
        if (pending_.valid()) pending_.get();
        return {values_.get(), size_};
    }
    void release() {
        get();
        values_.reset();
        size_ = 0;
    }

private:
    static constexpr std::size_t parallelRows = 1 << 16;
    std::unique_ptr<std::int32_t[]> values_;
    std::size_t size_;
    std::future<void> pending_;
};

// The file the spins were loaded from, as it is found on disk.
std::string dataFilePath(const AnalysisRequest& request) {
    const std::string path = cp437ToUtf8(request.dataFileName);
    return resolvePathIgnoringCase(path).value_or(path);
}

}  // namespace

void runAnalysis(const AnalysisRequest& request) {
    if (request.profile == nullptr || request.spins == nullptr) {
        throw SessionError("analysis without a wheel or spins");
    }
    const SpinList& spins = *request.spins;
    // A count beyond the spins analyses all of them.
    const std::int32_t count =
        request.analysisCount < spins.size() ? request.analysisCount : spins.size();
    const SpinSource source{request.generated, request.dataFileName};
    const std::string reportPath = cp437ToUtf8(request.reportFile);
    const std::string skipPath = cp437ToUtf8(request.skipFile);

    // Never write a report over the spins it analyses.
    if (!request.generated && !request.dataFileName.empty()) {
        const std::string dataPath = dataFilePath(request);
        if (sameExistingFile(dataPath, reportPath) || sameExistingFile(dataPath, skipPath)) {
            throw SessionError("a report would replace the data file");
        }
    }

    // Every row's distance and every number's skips are held beside the
    // spins: refused before any report is emptied when they cannot fit.
    const auto held = static_cast<std::uint64_t>(count > 0 ? count : 0);
    ensureMemoryAvailable(2 * held * sizeof(std::int32_t));

    OutputFile report;
    OutputFile skipFile;
    try {
        report.open(request.reportFile);
        // One file under both names would interleave the two outputs.
        if (sameExistingFile(reportPath, skipPath)) {
            throw SessionError("the report and the skip file are the same file");
        }
        skipFile.open(request.skipFile);
        // The rows' distances are worked out while the chart is written.
        const auto rows = static_cast<std::size_t>(systemReportRows(count));
        RowDistances distances(spins, rows);
        writeFrequencySkipChart(report, *request.profile, spins, count, source);
        writeSystemReport(report, skipFile, spins, count, source, request.spinMean,
                          request.spinStdDev, distances.get());
        distances.release();
        finishSkipFile(request.skipFile, systemReportRows(count));
    } catch (const SessionError&) {
        keepWritten(report);
        keepWritten(skipFile);
        throw;
    } catch (const std::bad_alloc&) {
        keepWritten(report);
        keepWritten(skipFile);
        throw SessionError("out of memory for the analysis");
    } catch (const std::exception& e) {
        keepWritten(report);
        keepWritten(skipFile);
        throw SessionError(e.what());
    }
}

}  // namespace spinchart
