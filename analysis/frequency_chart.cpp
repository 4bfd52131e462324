// The main report's header and its frequency and skip chart.
#include <string_view>
#include <vector>

#include "analysis/main_report.h"
#include "analysis/report_text.h"
#include "analysis/skip_statistics.h"
#include "text/program_identity.h"

namespace spinchart {
namespace {

void writeIndentedLine(OutputFile& out, std::string_view text) {
    writeAt(out, indentColumn, text);
    out.newLine();
}

// An indented label and the print form of a value, as one line.
void writeIndentedValue(OutputFile& out, std::string_view label, std::int64_t value) {
    writeAt(out, indentColumn, label);
    out.writePrintForm(value);
    out.newLine();
}

void writeHeader(OutputFile& out, const AnalysisRequest& request) {
    out.newLine();
    out.write(programBannerLine);
    out.newLine();
    out.write(programCopyrightLine);
    out.newLine();
    out.newLine();
    writeIndentedLine(out, request.chartTitle);
    writeSpinSourceLines(out, request);
    writeIndentedLine(out, "-----------------------------------------");
    out.newLine();
}

}  // namespace

void writeFrequencySkipChart(OutputFile& out, const AnalysisRequest& request) {
    writeHeader(out, request);
    if (request.analysisCount < 0) return;

    // All numbers' skips in one pass; each group is printed, then counted and
    // printed again in ascending order.
    SkipsByNumber grouped =
        groupSkipsByNumber(request.spins, request.analysisCount, request.numberCount);
    std::vector<std::int32_t> medians(static_cast<std::size_t>(request.numberCount));
    for (std::int32_t number = 0; number < request.numberCount; ++number) {
        const std::span<std::int32_t> skips = grouped.of(number);
        writeIndentedValue(out, "Roulette Number: ", number);
        writeIndentedLine(out, "====================");
        out.write("\xF8 Hits -> ");
        out.writePrintForm(static_cast<std::int64_t>(skips.size()));
        out.write(" times");
        out.newLine();
        out.write("\xF9 Skips -> ");
        writePrintForms(out, skips);
        out.newLine();
        const AscendingCounts sorted = countAscending(skips);
        out.write("* Sorted Skips: ");
        writePrintForms(out, sorted);
        out.newLine();
        const std::int32_t median = medianOf(sorted);
        medians[static_cast<std::size_t>(number)] = median;
        out.write("* Median Skip: ");
        out.writePrintForm(median);
        out.newLine();
        out.newLine();
    }

    const ChartSummary summary = computeChartSummary(medians);
    out.newLine();
    writeIndentedLine(out, "*********************************");
    writeIndentedValue(out, "* Average Median: ", summary.averageMedian);
    writeIndentedValue(out, "* Median of All Skips: ", summary.medianOfAllSkips);
    writeIndentedLine(out, "*********************************");
    out.newLine();
    out.newLine();
    out.newLine();
}

}  // namespace spinchart
