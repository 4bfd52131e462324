// The main report's header and its frequency and skip chart.
#include <string_view>
#include <vector>

#include "analysis/main_report.h"
#include "analysis/report_text.h"
#include "analysis/skip_statistics.h"
#include "text/program_identity.h"
#include "text/session_error.h"

namespace spinchart {
namespace {

constexpr std::string_view indent = "                      ";  // text starts in column 23

void writeHeader(ReportBlock& out, const WheelProfile& profile, std::int32_t analysisCount,
                 const SpinSource& source) {
    out.newLine();
    out.text(programBannerLine);
    out.newLine();
    out.text(programCopyrightLine);
    out.newLine();
    out.newLine();
    out.text(indent);
    out.text(profile.chartTitle);
    out.newLine();
    out.text(indent);
    if (source.generated) {
        out.text("Random Spins ");
    } else {
        out.text("File: ");
        out.text(source.dataFileName);
    }
    out.newLine();
    out.text(indent);
    out.text("Number of Spins Analyzed: ");
    out.printForm(analysisCount);
    out.newLine();
    out.text(indent);
    out.text("-----------------------------------------");
    out.newLine();
    out.newLine();
}

}  // namespace

void writeFrequencySkipChart(OutputFile& report, const WheelProfile& profile, const SpinList& spins,
                             std::int32_t analysisCount, const SpinSource& source) {
    ReportBlock out(report);
    writeHeader(out, profile, analysisCount, source);
    out.flush();
    if (analysisCount < 0) throw SessionError("negative analysis count");

    // All numbers' skips in one pass; each group is printed, then in
    // ascending order.
    SkipsByNumber grouped = groupSkipsByNumber(spins, analysisCount, profile.numberCount);
    std::vector<std::int32_t> medians(static_cast<std::size_t>(profile.numberCount));
    for (std::int32_t number = 0; number < profile.numberCount; ++number) {
        const std::span<std::int32_t> skips = grouped.of(number);
        out.text(indent);
        out.text("Roulette Number: ");
        out.printForm(number);
        out.newLine();
        out.text(indent);
        out.text("====================");
        out.newLine();
        out.text("\xF8 Hits -> ");
        out.printForm(static_cast<std::int64_t>(skips.size()));
        out.text(" times");
        out.newLine();
        out.text("\xF9 Skips -> ");
        out.printList(skips);
        out.newLine();
        // Sorted: runs of equal skips; the median is the one at 1-based
        // place floor((hits + 1) / 2).
        const AscendingRuns runs = prepareAscendingRuns(skips);
        const std::size_t middle = (skips.size() + 1) / 2;
        std::size_t placed = 0;
        std::int32_t median = 0;
        out.text("* Sorted Skips: ");
        forEachAscendingRun(runs, [&](std::int32_t skip, std::uint32_t count) {
            out.printRepeated(skip, count);
            if (placed < middle && placed + count >= middle) median = skip;
            placed += count;
        });
        out.newLine();
        medians[static_cast<std::size_t>(number)] = median;
        out.text("* Median Skip: ");
        out.printForm(median);
        out.newLine();
        out.newLine();
    }

    const ChartSummary summary = summarizeMedians(medians);
    out.newLine();
    out.text(indent);
    out.text("*********************************");
    out.newLine();
    out.text(indent);
    out.text("* Average Median: ");
    out.printForm(summary.averageMedian);
    out.newLine();
    out.text(indent);
    out.text("* Median of All Skips: ");
    out.printForm(summary.medianOfAllSkips);
    out.newLine();
    out.text(indent);
    out.text("*********************************");
    out.newLine();
    out.newLine();
    out.newLine();
    out.newLine();
    out.flush();
}

}  // namespace spinchart
