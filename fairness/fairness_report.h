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

// The name of a number: "00" for 37.
std::string numberName(std::int32_t number);

}  // namespace spinchart
