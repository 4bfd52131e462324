// The report of the system that plays all numbers except those of the last
// five spins, and the first pass of the skip file.
#include <memory>
#include <string_view>
#include <vector>

#include "analysis/main_report.h"
#include "analysis/report_text.h"
#include "analysis/skip_statistics.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

constexpr std::string_view ruleLine = "------------------------------------------------------";

void writeAt(OutputFile& file, int column, std::string_view text) {
    padToColumn(file, column);
    file.write(text);
}

void writeRule(OutputFile& file) {
    writeAt(file, 2, ruleLine);
    file.newLine();
}

void writeHeader(OutputFile& file, std::int32_t analysisCount, const SpinSource& source) {
    writeAt(file, 23, "Report of 'Play-All-Numbers EXCEPT The Last");
    file.writePrintForm(excludedLastSpins);
    file.write("Spins'");
    file.newLine();
    if (source.generated) {
        writeAt(file, 23, "Random Spins ");
    } else {
        writeAt(file, 23, "File: ");
        file.write(source.dataFileName);
    }
    file.newLine();
    writeAt(file, 23, "Number of Spins Analyzed: ");
    file.writePrintForm(analysisCount);
    file.newLine();
    writeAt(file, 25, "+ = Win;   - = Loss");
    file.newLine();
    writeAt(file, 23, "----------------------------------------------------");
    file.newLine();
    file.newLine();
    file.write("*** Preferable to play AFTER 2 consecutive '-' in the column 'Result' ***");
    file.newLine();
    file.newLine();
    writeRule(file);
    writeAt(file, 3, "Spin");
    writeAt(file, 10, "Number");
    writeAt(file, 19, "Hit ");
    writeAt(file, 30, "Result");
    writeAt(file, 38, "Reverse:");
    file.newLine();
    writeAt(file, 3, " # ");
    writeAt(file, 10, "Drawn");
    writeAt(file, 18, "After");
    writeAt(file, 30, " +/-");
    writeAt(file, 38, "Play-Last-5-Spins");
    file.newLine();
    writeRule(file);
}

void writeFooter(OutputFile& file, std::int32_t spinMean, std::int32_t spinStdDev) {
    writeRule(file);
    writeAt(file, 2, "Average:");
    padToColumn(file, 10);
    file.writePrintForm(spinMean);
    file.newLine();
    writeAt(file, 2, "StndDev:");
    padToColumn(file, 10);
    file.writePrintForm(spinStdDev);
    file.newLine();
    writeRule(file);
}

}  // namespace

void writeSystemReport(OutputFile& report, OutputFile& skipFile, const SpinList& spins,
                       std::int32_t analysisCount, const SpinSource& source, std::int32_t spinMean,
                       std::int32_t spinStdDev) {
    if (analysisCount < 0) throw SessionError("negative analysis count");
    if (analysisCount > spins.size()) throw SessionError("analysis count beyond the spins");
    const auto rows = static_cast<std::size_t>(systemReportRows(analysisCount));
    const auto distances = std::make_unique_for_overwrite<std::int32_t[]>(rows);
    nextOccurrenceDistancesInto(spins, {distances.get(), rows});
    writeSystemReport(report, skipFile, spins, analysisCount, source, spinMean, spinStdDev,
                      {distances.get(), rows});
}

void writeSystemReport(OutputFile& report, OutputFile& skipFile, const SpinList& spins,
                       std::int32_t analysisCount, const SpinSource& source, std::int32_t spinMean,
                       std::int32_t spinStdDev, std::span<const std::int32_t> rowDistances) {
    if (analysisCount < 0) throw SessionError("negative analysis count");
    if (analysisCount > spins.size()) throw SessionError("analysis count beyond the spins");
    const std::int32_t rows = systemReportRows(analysisCount);
    if (rowDistances.size() != static_cast<std::size_t>(rows)) {
        throw SessionError("distances do not match the rows");
    }
    writeHeader(report, analysisCount, source);
    {
        const std::int32_t* numbers = spins.data();
        const SmallNumberText& small = SmallNumberText::get();
        ReportBlock rowText(report);
        // The skip lines are few beside the rows: written between them here.
        ReportBlock skipText(skipFile, false);
        SystemRowSequence row;
        // Rows go out in batches, each with room for its widest rows.
        constexpr std::int32_t batch = 2048;
        for (std::int32_t first = 0; first < rows; first += batch) {
            const std::int32_t last = rows - first < batch ? rows : first + batch;
            char* rowEnd = rowText.room(batch * maxSystemRowBytes);
            char* skipEnd = skipText.room(batch * 24);
            for (std::int32_t k = first; k < last; ++k) {
                const std::int32_t d = rowDistances[static_cast<std::size_t>(k)];
                rowEnd = row.next(rowEnd, numbers[k], d);
                skipEnd += formatSkipLine(skipEnd, d, small);
            }
            rowText.commit(rowEnd);
            skipText.commit(skipEnd);
        }
        rowText.flush();
        skipText.flush();
    }
    writeFooter(report, spinMean, spinStdDev);
    report.close();
    skipFile.close();
}

}  // namespace spinchart
