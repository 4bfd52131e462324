// The report of the system that plays all numbers except those of the last
// five spins.
#include <algorithm>
#include <string_view>

#include "analysis/main_report.h"
#include "analysis/report_text.h"
#include "analysis/skip_statistics.h"
#include "analysis/system_rule.h"

namespace spinchart {
namespace {

constexpr std::string_view ruleLine = "------------------------------------------------------";

void writeRule(OutputFile& file) {
    writeAt(file, 2, ruleLine);
    file.newLine();
}

void writeHeader(OutputFile& file, const AnalysisRequest& request) {
    writeAt(file, indentColumn, "Report of 'Play-All-Numbers EXCEPT The Last");
    file.writePrintForm(excludedLastSpins);
    file.write("Spins'");
    file.newLine();
    writeSpinSourceLines(file, request);
    writeAt(file, 25, "+ = Win;   - = Loss");
    file.newLine();
    writeAt(file, indentColumn, "----------------------------------------------------");
    file.newLine();
    file.newLine();
    file.write("*** Preferable to play AFTER 2 consecutive '-' in the column 'Result' ***");
    file.newLine();
    file.newLine();
    writeRule(file);
    for (const SystemColumn& c : systemColumns)
        writeAt(file, c.titleColumn, c.title);
    file.newLine();
    for (const SystemColumn& c : systemColumns)
        writeAt(file, c.subtitleColumn, c.subtitle);
    file.newLine();
    writeRule(file);
}

void writeFooter(OutputFile& file, const AnalysisRequest& request) {
    writeRule(file);
    writeAt(file, 2, "Average:");
    padToColumn(file, 10);
    file.writePrintForm(request.statistics.spinMean);
    file.newLine();
    writeAt(file, 2, "StndDev:");
    padToColumn(file, 10);
    file.writePrintForm(request.statistics.spinStdDev);
    file.newLine();
    writeRule(file);
}

}  // namespace

AscendingCounts writeSystemReport(OutputFile& report, const AnalysisRequest& request,
                                  std::span<const std::int32_t> rowDistances) {
    writeHeader(report, request);
    AscendingCounts counted;
    const std::int32_t* numbers = request.spins.data();
    SystemRows rows;
    // Rows go out in batches, each with room for its widest rows.
    constexpr std::size_t batch = OutputFile::bulkLimit / SystemRows::maxRowBytes;
    for (std::size_t first = 0; first < rowDistances.size(); first += batch) {
        const std::size_t last = std::min(rowDistances.size(), first + batch);
        report.writeInPlace((last - first) * SystemRows::maxRowBytes, [&](std::span<char> room) {
            char* p = room.data();
            for (std::size_t k = first; k < last; ++k)
                p = rows.next(p, numbers[k], rowDistances[k]);
            return p;
        });
        // Counted while the batch is in the cache and the writer busy.
        countAscending(counted, rowDistances.subspan(first, last - first));
    }
    writeFooter(report, request);
    return counted;
}

}  // namespace spinchart
