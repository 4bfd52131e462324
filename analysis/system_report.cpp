// The report of the system that plays all numbers except those of the last
// five spins, and the first pass of the skip file.
#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "analysis/main_report.h"
#include "analysis/report_text.h"

namespace spinchart {
namespace {

constexpr std::string_view ruleLine = "------------------------------------------------------";

void writeAt(OutputFile& file, int column, std::string_view text) {
    padToColumn(file, column);
    file.write(text);
}

// One line of items, each starting at its column.
struct Item {
    int column;
    std::string_view text;
};
void writeItemsLine(OutputFile& file, std::initializer_list<Item> items) {
    for (const Item& item : items)
        writeAt(file, item.column, item.text);
    file.newLine();
}

void writeRule(OutputFile& file) {
    writeAt(file, 2, ruleLine);
    file.newLine();
}

void writeHeader(OutputFile& file, const AnalysisRequest& request) {
    writeAt(file, 23, "Report of 'Play-All-Numbers EXCEPT The Last");
    file.writePrintForm(excludedLastSpins);
    file.write("Spins'");
    file.newLine();
    if (request.generated) {
        writeAt(file, 23, "Random Spins ");
    } else {
        writeAt(file, 23, "File: ");
        file.write(request.dataFileName);
    }
    file.newLine();
    writeAt(file, 23, "Number of Spins Analyzed: ");
    file.writePrintForm(request.analysisCount);
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
    writeItemsLine(file,
                   {{3, "Spin"}, {10, "Number"}, {19, "Hit "}, {30, "Result"}, {38, "Reverse:"}});
    writeItemsLine(
        file, {{3, " # "}, {10, "Drawn"}, {18, "After"}, {30, " +/-"}, {38, "Play-Last-5-Spins"}});
    writeRule(file);
}

void writeFooter(OutputFile& file, const AnalysisRequest& request) {
    writeRule(file);
    writeAt(file, 2, "Average:");
    padToColumn(file, 10);
    file.writePrintForm(request.spinMean);
    file.newLine();
    writeAt(file, 2, "StndDev:");
    padToColumn(file, 10);
    file.writePrintForm(request.spinStdDev);
    file.newLine();
    writeRule(file);
}

}  // namespace

void writeSystemReport(OutputFile& report, OutputFile& skipFile, const AnalysisRequest& request,
                       std::span<const std::int32_t> rowDistances) {
    writeHeader(report, request);
    const std::int32_t* numbers = request.spins.data();
    const SmallNumberText& small = SmallNumberText::get();
    SystemRowSequence row;
    // Rows go out in batches, each with room for its widest rows.
    constexpr std::size_t batch = OutputFile::roomLimit / SystemRowSequence::maxRowBytes;
    for (std::size_t first = 0; first < rowDistances.size(); first += batch) {
        const std::size_t last = std::min(rowDistances.size(), first + batch);
        char* rowEnd = report.room((last - first) * SystemRowSequence::maxRowBytes);
        char* skipEnd = skipFile.room((last - first) * maxSkipLineBytes);
        for (std::size_t k = first; k < last; ++k) {
            rowEnd = row.next(rowEnd, numbers[k], rowDistances[k]);
            skipEnd = formatSkipLine(skipEnd, rowDistances[k], small);
        }
        report.commitLines(rowEnd);
        skipFile.commitLines(skipEnd);
    }
    writeFooter(report, request);
}

}  // namespace spinchart
