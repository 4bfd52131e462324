#pragma once
// The fairness figures in three forms: a plain ASCII text of 80 columns with
// a one-line reading of every figure and two bar pictures, one JSON object,
// and the per-number table as CSV. Floating figures are written with
// explicit formats, so every build writes the same bytes.

#include <string>
#include <string_view>

#include "fairness/fairness_figures.h"
#include "fairness/spin_lines.h"

namespace spinchart {

// `lines` is what the reading counted besides the spins; `file` names the
// spin file as the user gave it; `wheelOrder` is the one the figures were
// computed with.
std::string fairnessText(const FairnessFigures& figures, const SpinLineCounts& lines,
                         std::string_view file, std::span<const std::int32_t> wheelOrder);
std::string fairnessJson(const FairnessFigures& figures, const SpinLineCounts& lines,
                         std::string_view file);
std::string fairnessCsv(const FairnessFigures& figures);

// Several files of one wheel, each with its name as given, in the order given.
struct FileFigures {
    std::string name;
    FairnessFigures figures;
    SpinLineCounts lines;
};
// One line a file and the test that all come from one wheel; the JSON holds
// each file's own object; the CSV each file's table.
std::string filesText(std::span<const FileFigures> files, const Homogeneity& homogeneity);
std::string filesJson(std::span<const FileFigures> files, const Homogeneity& homogeneity);
std::string filesCsv(std::span<const FileFigures> files);

// The name of a number: "00" for 37.
std::string numberName(std::int32_t number);

}  // namespace spinchart
