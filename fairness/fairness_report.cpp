#include "fairness/fairness_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "analysis/system_rule.h"

namespace spinchart {
namespace {

constexpr double fivePercent = 0.05;
constexpr std::size_t hitBarWidth = 50;
constexpr std::size_t skipBarWidth = 44;

constexpr std::size_t lineWidth = 79;

// to_chars: the same digits from every build's library. A figure too long for
// the fixed form is written in the scientific one.
std::string format(double value, std::chars_format form, int precision) {
    char text[80];
    auto result = std::to_chars(text, text + sizeof text, value, form, precision);
    if (result.ec != std::errc{}) {
        result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific,
                               std::min(precision, 17));
    }
    std::string out(text, result.ptr);
    // No minus sign on a value that prints as zero.
    const std::string_view mantissa = std::string_view(out).substr(0, out.find('e'));
    if (out.front() == '-' && mantissa.find_first_not_of("-0.") == std::string::npos)
        out.erase(0, 1);
    return out;
}

std::string fixed(double value, int decimals) {
    return format(value, std::chars_format::fixed, decimals);
}

// A p as a table shows it: four decimals, two significant digits below
// 0.0001, and a bound below 1e-300 (a double's tail may underflow to 0).
std::string pCell(double p) {
    if (p >= 0.0001) return fixed(p, 4);
    if (p >= 1e-300) return format(p, std::chars_format::scientific, 1);
    return "< 1e-300";
}

// "p = 0.0123", "p = 3.2e-22", "p < 1e-300".
std::string pIs(std::string_view name, double p) {
    const std::string value = pCell(p);
    return std::string(name) + (value.front() == '<' ? " " : " = ") + value;
}

std::string percent(double share) {
    return fixed(100 * share, 2) + "%";
}

std::string padLeft(std::string text, std::size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

std::string padRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

// A right-aligned column after another: at least one space between them.
std::string column(std::string text, std::size_t width) {
    return padLeft(text.size() < width ? std::move(text) : " " + text, width);
}

// `text` broken at spaces into lines of at most lineWidth columns, the
// continuation lines indented by `indent`.
void appendWrapped(std::string& out, std::string_view text, std::size_t indent) {
    std::size_t start = text.find_first_not_of(' ');
    std::string line(text.substr(0, start));
    bool lineHasWord = false;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string_view word = text.substr(start, end - start);
        if (lineHasWord && line.size() + 1 + word.size() > lineWidth) {
            out += line + '\n';
            line.assign(indent, ' ');
            lineHasWord = false;
        }
        if (lineHasWord) line += ' ';
        line += word;
        lineHasWord = true;
        start = text.find_first_not_of(' ', end);
    }
    out += line + '\n';
}

// A file name as printable ASCII in `room` columns: its end kept, where the
// name itself is.
std::string shownName(std::string_view name, std::size_t room) {
    const std::string text = quoteLine(0, name, name.size()).text;
    if (text.size() <= room) return text;
    return "..." + text.substr(text.size() - (room - 3));
}

std::string count(std::int64_t value) {
    return std::to_string(value);
}

std::string hits(std::int64_t value) {
    return count(value) + (value == 1 ? " hit" : " hits");
}

// "1 in 3": how often a fair wheel goes as far; "fewer than 1 in a million"
// beyond that (p may be 0).
std::string oneIn(double p) {
    const double times = std::max(1.0, std::round(1 / p));
    if (!(times <= 1e6)) return "fewer than 1 in a million";
    return "1 in " + fixed(times, 0);
}

void heading(std::string& out, std::string_view title) {
    out += '\n';
    out += title;
    out += '\n';
    out.append(title.size(), '-');
    out += '\n';
}

// A section's heading; when it has nothing to measure, the line that says why
// and false.
bool openSection(std::string& out, std::string_view title, bool measured, std::string_view why) {
    heading(out, title);
    if (!measured) {
        out += why;
        out += '\n';
    }
    return measured;
}

// '#' up to the value, '|' at the expected level.
std::string bar(double value, double expected, double scale) {
    const auto filled = static_cast<std::size_t>(std::lround(value * scale));
    const auto mark =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(expected * scale)));
    std::string line(std::max(filled, mark), ' ');
    std::fill_n(line.begin(), filled, '#');
    line[mark - 1] = '|';
    return line;
}

// How many fair wheels go as far: "1 in 3 fair wheels shows", "7 in 10 fair
// wheels show", "nearly every fair wheel shows".
std::string fairWheelsShowing(double p) {
    if (p < 0.5) return oneIn(p) + " fair wheels shows";
    if (p < 0.95) return fixed(std::round(10 * p), 0) + " in 10 fair wheels show";
    return "nearly every fair wheel shows";
}

std::string chanceReading(double pFamily, std::string_view what) {
    const std::string showing = fairWheelsShowing(pFamily);
    const std::string reading = pFamily >= fivePercent         ? "This could be chance: "
                                : showing.starts_with("1 in ") ? "Unlikely to be chance: only "
                                                               : "Unlikely to be chance: ";
    return reading + showing + " " + std::string(what) + ".";
}

// Whether no simulated fair wheel went as far: p = (1 + 0) / (1 + samples).
bool noneReached(double p, std::int32_t samples) {
    return samples > 0 && p * (1.0 + samples) < 1.5;
}

// The family-wise p of a pick by simulated fair wheels, and its reading;
// `pick` says what was picked ("  Picked as the hottest of 37 numbers").
void writeSimulatedPick(std::string& out, const std::string& pick, double pFamily,
                        std::int32_t samples, std::string_view what) {
    if (noneReached(pFamily, samples)) {
        appendWrapped(out,
                      pick + ": unlikely to be chance, as none of " + count(samples) +
                          " simulated fair wheels shows " + std::string(what) + ".",
                      2);
        return;
    }
    appendWrapped(out, pick + ": " + pIs("p", pFamily), 2);
    out += "  (by " + count(samples) + " simulated fair wheels).\n";
    appendWrapped(out, "  " + chanceReading(pFamily, what), 2);
}

// "Chi-square 9.14 with 36 degrees of freedom: p = 0.1234", without the p
// where no simulated fair wheel went as far.
std::string chiSquareLine(const ChiSquareTest& test) {
    const bool none = test.simulated && noneReached(test.p, test.samples);
    return "Chi-square " + fixed(test.value, 2) + " with " + count(test.df) +
           " degrees of freedom" + (none ? "." : ": " + pIs("p", test.p)) + "\n";
}

void writeWholeWheel(std::string& out, const FairnessFigures& f) {
    const ChiSquareTest& test = f.chiSquare;
    const bool none = test.simulated && noneReached(test.p, test.samples);
    heading(out, "The whole wheel");
    out += chiSquareLine(test);
    out += "Expected hits per number: " + fixed(f.expectedHits, 2) + "\n";
    if (test.simulated) {
        appendWrapped(
            out,
            "Warning: too few spins for the chi-square law, which needs " +
                count(std::int64_t{chiSquareMinimumExpected} * f.numberCount) + " (" +
                count(chiSquareMinimumExpected) + " per number). " +
                (none ? "None of " + count(test.samples) + " simulated fair wheels went as far."
                      : "The p is from " + count(test.samples) + " simulated fair wheels."),
            0);
    }
    if (test.p < 0.01) {
        out += "Evidence against a fair wheel at the 1% level.\n";
    } else if (test.p < fivePercent) {
        out += "Evidence against a fair wheel at the 5% level (not at 1%).\n";
    } else {
        out += "No evidence against a fair wheel at the 5% level.\n";
    }
}

// One row a class: its label, its count, '#' up to the count, '|' at the
// expected level.
void writeCountBars(std::string& out, std::span<const std::string> labels,
                    std::span<const std::int64_t> counts, double expected) {
    std::int64_t most = 0;
    for (const std::int64_t c : counts)
        most = std::max(most, c);
    const double scale = hitBarWidth / std::max(static_cast<double>(most), expected);
    const std::size_t countWidth = count(most).size();
    for (std::size_t row = 0; row < counts.size(); ++row) {
        out += padLeft(labels[row], 4) + "  " + padLeft(count(counts[row]), countWidth) + "  " +
               bar(static_cast<double>(counts[row]), expected, scale) + "\n";
    }
}

void writeHitBars(std::string& out, const FairnessFigures& f,
                  std::span<const std::int32_t> wheelOrder) {
    heading(out, "Hits per number in wheel order");
    out += "'#' the hits, '|' the expected " + fixed(f.expectedHits, 2) + ".\n";
    std::vector<std::string> labels;
    std::vector<std::int64_t> counts;
    for (const std::int32_t number : wheelOrder) {
        labels.push_back(numberName(number));
        counts.push_back(f.numbers[static_cast<std::size_t>(number)].hits);
    }
    writeCountBars(out, labels, counts, f.expectedHits);
}

void writeNumberTable(std::string& out, const FairnessFigures& f) {
    heading(out, "Every number");
    const auto line = [](std::string number, std::string hits, std::string expected, std::string z,
                         std::string hot, std::string cold) {
        return padLeft(std::move(number), 6) + column(std::move(hits), 11) +
               column(std::move(expected), 10) + column(std::move(z), 8) +
               column(std::move(hot), 22) + column(std::move(cold), 22) + "\n";
    };
    out += line("Number", "Hits", "Expected", "z", "P(this many or more)", "P(this few or fewer)");
    for (const NumberFairness& row : f.numbers) {
        out += line(numberName(row.number), count(row.hits), fixed(row.expected, 2),
                    fixed(row.z, 2), pCell(row.pHot), pCell(row.pCold));
    }
}

// "0", "0 and 17", "0, 17 and 32", "0, 17, 32 and 4 more".
std::string numberList(std::int32_t first, std::span<const std::int32_t> others) {
    constexpr std::size_t named = 3;
    std::string list = numberName(first);
    const std::size_t shown = std::min(others.size(), others.size() > named ? named - 1 : named);
    for (std::size_t i = 0; i < shown; ++i)
        list += (i + 1 == others.size() ? " and " : ", ") + numberName(others[i]);
    if (shown < others.size())
        list += " and " + count(static_cast<std::int64_t>(others.size() - shown)) + " more";
    return list;
}

void writeExtremes(std::string& out, const FairnessFigures& f) {
    heading(out, "The hottest and the coldest number");
    for (const bool hottest : {true, false}) {
        const ExtremeNumber& e = hottest ? f.hottest : f.coldest;
        const std::string which = hottest ? "hottest" : "coldest";
        appendWrapped(out,
                      std::string(hottest ? "Hottest: " : "Coldest: ") +
                          numberList(e.number, e.tied) + ", " + hits(e.hits) +
                          (e.tied.empty() ? "" : " each") + " (expected " +
                          fixed(f.expectedHits, 2) + ")",
                      2);
        out +=
            "  On its own: " + pIs(hottest ? "P(this many or more)" : "P(this few or fewer)", e.p) +
            "\n";
        writeSimulatedPick(
            out, "  Picked as the " + which + " of " + count(f.numberCount) + " numbers", e.pFamily,
            e.samples, hottest ? "a number this hot" : "a number this cold");
    }
}

void writeSectors(std::string& out, const FairnessFigures& f) {
    heading(out, "Hot sectors of neighbouring pockets");
    for (const HotSector& s : f.sectors) {
        out += count(s.width) + " pockets centred on " + numberName(s.centre) + ":";
        for (const std::int32_t member : s.members) {
            out += ' ';
            out += numberName(member);
        }
        out += "\n";
        writeSimulatedPick(out,
                           "  " + hits(s.hits) + " (expected " + fixed(s.expected, 2) +
                               "), the hottest of " + count(f.numberCount) + " sectors",
                           s.pFamily, s.samples, "a sector this hot");
    }
}

std::string systemRow(std::string_view label, const SystemFigures& s) {
    return padRight(std::string(label), 16) + column(count(s.plays), 9) + column(count(s.won), 9) +
           column(fixed(s.expectedWon, 1), 11) + column(count(s.staked), 11) +
           column(count(s.net), 11) + column(fixed(s.expectedNet, 1), 12) + "\n";
}

std::string returnPerUnit(const SystemFigures& s) {
    return s.staked > 0 ? percent(static_cast<double>(s.net) / static_cast<double>(s.staked))
                        : "none played";
}

void writeSystem(std::string& out, const FairnessFigures& f) {
    heading(out, "The system of the main report, in units");
    out += "One unit on every number not drawn in the last " + count(excludedLastSpins) +
           " spins; a win returns 36.\n";
    out += std::string(16, ' ') + padLeft("Plays", 9) + padLeft("Wins", 9) +
           padLeft("Exp. won", 11) + padLeft("Staked", 11) + padLeft("Net", 11) +
           padLeft("Exp. net", 12) + "\n";
    out += systemRow("Every row", f.system);
    out += systemRow("After two losses", f.afterTwoLosses);
    out += "Return per unit staked, every row: " + returnPerUnit(f.system) +
           "; after two losses: " + returnPerUnit(f.afterTwoLosses) + ".\n";
    const double fair = (36.0 - f.numberCount) / f.numberCount;
    out +=
        "A fair wheel returns " + percent(fair) + " whatever the rule: the edge is the house's.\n";
}

void writeSkips(std::string& out, const FairnessFigures& f) {
    const SkipFigures& s = f.skips;
    heading(out, "Skips against the fair law");
    out += count(s.count) + " skips (spins back to the older spin of the same number).\n";
    const double within =
        s.count > 0 ? static_cast<double>(s.withinWheelSize) / static_cast<double>(s.count) : 0;
    out += "Within " + count(f.numberCount) + " spins: " + count(s.withinWheelSize) + " (" +
           percent(within) + "); a fair wheel: " + percent(s.withinWheelSizeFair) + ".\n";
    double most = 1;
    for (const SkipClass& c : s.classes)
        most = std::max({most, static_cast<double>(c.observed), c.expected});
    const double scale = skipBarWidth / most;
    out += "    Skips    Observed  Expected  '#' observed, '|' expected\n";
    for (const SkipClass& c : s.classes) {
        const std::string range =
            c.to > 0 ? count(c.from) + "-" + count(c.to) : count(c.from) + "+";
        out += padLeft(range, 9) + padLeft(count(c.observed), 12) +
               padLeft(fixed(c.expected, 1), 10) + "  " +
               bar(static_cast<double>(c.observed), c.expected, scale) + "\n";
    }
    out += "A picture, not a test: the skips overlap, so they are not independent.\n";
}

void writeDetectable(std::string& out, const FairnessFigures& f) {
    if (!openSection(out, "What this sample can detect", f.detectableOneIn.has_value(),
                     "No single number is detectable at this size: more spins are needed."))
        return;
    appendWrapped(out,
                  "A number that comes up about 1 in " + fixed(*f.detectableOneIn, 1) +
                      " spins instead of 1 in " + count(f.numberCount) +
                      " would be found 80% of the time by the hottest-number test (at the 5% "
                      "level, allowing for the hottest of " +
                      count(f.numberCount) + ").",
                  0);
}

// The order read and the lines set aside, ahead of every verdict.
void writeReading(std::string& out, const SpinLineCounts& lines) {
    out += lines.oldestFirst ? "Order: oldest first (the last line is the latest spin)\n"
                             : "Order: newest first (the first line is the latest spin)\n";
    if (!lines.firstNotSpin) return;
    const QuotedLine& first = *lines.firstNotSpin;
    out += "Set aside: " + count(lines.notSpins) +
           (lines.notSpins == 1 ? " line that is" : " lines that are") + " not one whole number\n";
    out += "  the first, line " + count(first.line) + ": \"" + first.text + "\"" +
           (first.cut ? "..." : "") + "\n";
}

// How strong the evidence of a p is: "at the 1% level", "at the 5% level
// (not at 1%)", or nothing from 5% up.
std::string evidenceLevel(double p) {
    if (p < 0.01) return "at the 1% level";
    if (p < fivePercent) return "at the 5% level (not at 1%)";
    return "";
}

void writeConsecutive(std::string& out, const FairnessFigures& f) {
    const ConsecutiveFigures& c = f.order.consecutive;
    if (!openSection(out, "From one spin to the next: the dealer's signature", c.pairs > 0,
                     "A single spin: no pair of consecutive spins to measure."))
        return;
    const double expected = static_cast<double>(c.pairs) / f.numberCount;
    out += "Pockets clockwise from each spin to the next along the wheel, 0 for the same\n";
    out += "number again: " + count(c.pairs) + " pairs. '#' the pairs, '|' the expected " +
           fixed(expected, 2) + ".\n";
    std::vector<std::string> labels;
    for (std::size_t d = 0; d < c.counts.size(); ++d)
        labels.push_back(std::to_string(d));
    writeCountBars(out, labels, c.counts, expected);
    out += chiSquareLine(c.chiSquare);
    if (c.chiSquare.simulated) {
        const std::string wheels = count(c.chiSquare.samples) + " simulated fair wheels";
        appendWrapped(
            out,
            (noneReached(c.chiSquare.p, c.chiSquare.samples) ? "None of " + wheels + " went as far"
                                                             : "The p is from " + wheels) +
                " (fewer than " + count(chiSquareMinimumExpected) +
                " pairs a distance are expected).",
            0);
    }
    const std::string level = evidenceLevel(c.chiSquare.p);
    if (level.empty()) {
        out += "No evidence of a dealer's signature: the distances look like chance.\n";
    } else {
        appendWrapped(out,
                      "Evidence of a dealer's signature " + level +
                          ": the ball lands some distances from the last number more often than "
                          "a fair wheel does.",
                      0);
    }
    for (const HotSector& w : c.windows) {
        out += count(w.width) + " distances centred on " + count(w.centre) + " (" +
               count(w.members.front()) + " to " + count(w.members.back()) + "): " + count(w.hits) +
               " pairs (expected " + fixed(w.expected, 2) + ")\n";
        writeSimulatedPick(out, "  The hottest of " + count(f.numberCount) + " windows", w.pFamily,
                           w.samples, "a window this hot");
    }
}

void writeReplicatedPick(std::string& out, std::string_view what, const ReplicatedPick& pick) {
    out += "Hottest ";
    out += what;
    out += " of the older half:";
    for (const std::int32_t member : pick.members) {
        out += ' ';
        out += numberName(member);
    }
    out += ", " + hits(pick.hitsOlder) + "\n";
    out += "  In the newer half: " + hits(pick.hitsNewer) + " (expected " +
           fixed(pick.expectedNewer, 2) + "); " + pIs("p", pick.p) + "\n";
}

void writeReplication(std::string& out, const FairnessFigures& f) {
    const ReplicationFigures& r = f.order.replication;
    if (!openSection(out, "Does it replicate?", r.olderSpins > 0,
                     "A single spin cannot be split into an older and a newer half."))
        return;
    appendWrapped(out,
                  "The older " + count(r.olderSpins) + " spins pick the hottest; the newer " +
                      count(r.newerSpins) +
                      " test it, with no allowance for picking, since they played no part in it.",
                  0);
    writeReplicatedPick(out, "number", r.number);
    for (const ReplicatedPick& sector : r.sectors)
        writeReplicatedPick(
            out, count(static_cast<std::int64_t>(sector.members.size())) + " pockets", sector);
    const std::string name = numberName(r.number.centre);
    if (r.number.p < fivePercent) {
        appendWrapped(out,
                      "The hot number stayed hot: " + name +
                          " is hot again on spins it was not picked on (p below 5%), which chance "
                          "alone rarely does.",
                      0);
    } else {
        appendWrapped(out,
                      "The hot number did not stay hot: " + name +
                          " is not hot again on the newer spins, so its heat in the older half "
                          "may well be chance.",
                      0);
    }
}

// E from its base-10 logarithm, to three significant digits.
std::string scoreText(double log10Score) {
    if (log10Score > 300) return "more than 10^300";
    if (log10Score < -300) return "less than 10^-300";
    return format(std::pow(10.0, log10Score), std::chars_format::general, 3);
}

void writeWatch(std::string& out, const FairnessFigures& f) {
    const WatchFigures& w = f.order.watch;
    heading(out, "The watch: a score to check after every session");
    out += "The evidence score E against a fair wheel, checked every " + count(watchEvery) +
           " spins in time\n";
    out += "order and after the last:\n";
    out += "  Now, after " + count(f.spinsAnalysed) + " spins: " + scoreText(w.log10Final) + "\n";
    out +=
        "  Highest: " + scoreText(w.log10Highest) + ", after " + count(w.highestAfter) + " spins\n";
    out += "A fair wheel ever reaches 20 with a chance of at most 1 in 20, and 100 with\n";
    out += "at most 1 in 100, however often the score is looked at.\n";
    if (w.alarm1) {
        out += "Alarm at the 1% level: the score reached 100.\n";
    } else if (w.alarm5) {
        out += "Alarm at the 5% level: the score reached 20 (not 100).\n";
    } else {
        out += "No alarm: the score never reached 20.\n";
    }
}

}  // namespace

std::string numberName(std::int32_t number) {
    return number == doubleZeroNumber ? "00" : std::to_string(number);
}

std::string fairnessText(const FairnessFigures& f, const SpinLineCounts& lines,
                         std::string_view file, std::span<const std::int32_t> wheelOrder) {
    std::string out;
    out += "Is the wheel fair? The spinchart report\n";
    out += "File:  " + shownName(file, 72) + "\n";
    out += "Wheel: " + std::string(f.doubleZero ? "double zero" : "single zero") + ", " +
           count(f.numberCount) + " numbers\n";
    out += "Spins: " + count(f.spinsRead) + " read, " + count(f.outsideWheel) +
           " outside the wheel set aside, " + count(f.spinsAnalysed) + " analysed\n";
    writeReading(out, lines);
    writeWholeWheel(out, f);
    writeHitBars(out, f, wheelOrder);
    writeNumberTable(out, f);
    writeExtremes(out, f);
    writeSectors(out, f);
    writeSystem(out, f);
    writeSkips(out, f);
    writeDetectable(out, f);
    writeConsecutive(out, f);
    writeReplication(out, f);
    writeWatch(out, f);
    return out;
}

namespace {

using Json = nlohmann::ordered_json;

// Every figure finite and without the sign of a zero.
Json real(double value) {
    return std::isfinite(value) ? Json(value == 0 ? 0.0 : value) : Json(nullptr);
}

Json numberNames(std::span<const std::int32_t> numbers) {
    Json names = Json::array();
    for (const std::int32_t number : numbers)
        names.push_back(numberName(number));
    return names;
}

// The score's logarithm comes through the C library's log and exp, whose last
// bits differ between builds: nine decimals are the same on each.
double nineDecimals(double value) {
    return std::round(value * 1e9) / 1e9;
}

void addOrderJson(const FairnessFigures& f, Json& out) {
    const ConsecutiveFigures& c = f.order.consecutive;
    Json windows = Json::array();
    for (const HotSector& w : c.windows) {
        windows.push_back({{"width", w.width},
                           {"centre", w.centre},
                           {"from", w.members.front()},
                           {"to", w.members.back()},
                           {"hits", w.hits},
                           {"expected", real(w.expected)},
                           {"p_family", real(w.pFamily)},
                           {"samples", w.samples}});
    }
    out["consecutive"] = {{"pairs", c.pairs},
                          {"counts", c.counts},
                          {"chi_square",
                           {{"value", real(c.chiSquare.value)},
                            {"df", c.chiSquare.df},
                            {"p", real(c.chiSquare.p)},
                            {"p_method", c.chiSquare.simulated ? "simulation" : "chi-square"},
                            {"samples", c.chiSquare.samples}}},
                          {"windows", windows}};
    const ReplicationFigures& r = f.order.replication;
    const auto pick = [](const ReplicatedPick& p) {
        return Json{{"centre", numberName(p.centre)},
                    {"members", numberNames(p.members)},
                    {"hits_older", p.hitsOlder},
                    {"hits_newer", p.hitsNewer},
                    {"expected_newer", real(p.expectedNewer)},
                    {"p", real(p.p)}};
    };
    Json replication = {
        {"older_spins", r.olderSpins}, {"newer_spins", r.newerSpins}, {"number", pick(r.number)}};
    for (const ReplicatedPick& sector : r.sectors)
        replication["sector" + std::to_string(sector.members.size())] = pick(sector);
    out["replication"] = replication;
    const WatchFigures& w = f.order.watch;
    out["watch"] = {{"checked_every", watchEvery},
                    {"log10_final", real(nineDecimals(w.log10Final))},
                    {"log10_highest", real(nineDecimals(w.log10Highest))},
                    {"highest_after", w.highestAfter},
                    {"alarm_5", w.alarm5},
                    {"alarm_1", w.alarm1}};
}

// The file name may hold any bytes: those beyond ASCII are escaped, those
// that are not UTF-8 replaced.
std::string dumped(const Json& json) {
    return json.dump(2, ' ', true, Json::error_handler_t::replace) + "\n";
}

Json fileJson(const FairnessFigures& f, const SpinLineCounts& lines, std::string_view file) {
    const auto system = [](const SystemFigures& s) {
        return Json{{"plays", s.plays},   {"won", s.won}, {"expected_won", real(s.expectedWon)},
                    {"staked", s.staked}, {"net", s.net}, {"expected_net", real(s.expectedNet)}};
    };
    Json numbers = Json::array();
    for (const NumberFairness& row : f.numbers) {
        numbers.push_back({{"number", numberName(row.number)},
                           {"hits", row.hits},
                           {"expected", real(row.expected)},
                           {"z", real(row.z)},
                           {"p_hot", real(row.pHot)},
                           {"p_cold", real(row.pCold)}});
    }
    const auto extreme = [&](const ExtremeNumber& e) {
        return Json{{"number", numberName(e.number)},
                    {"tied", numberNames(e.tied)},
                    {"hits", e.hits},
                    {"p", real(e.p)},
                    {"p_family", real(e.pFamily)},
                    {"samples", e.samples}};
    };
    Json sectors = Json::array();
    for (const HotSector& s : f.sectors) {
        sectors.push_back({{"width", s.width},
                           {"centre", numberName(s.centre)},
                           {"members", numberNames(s.members)},
                           {"hits", s.hits},
                           {"expected", real(s.expected)},
                           {"p_family", real(s.pFamily)},
                           {"samples", s.samples}});
    }
    Json classes = Json::array();
    for (const SkipClass& c : f.skips.classes) {
        classes.push_back({{"from", c.from},
                           {"to", c.to > 0 ? Json(c.to) : Json(nullptr)},
                           {"observed", c.observed},
                           {"expected", real(c.expected)}});
    }
    Json out;
    out["file"] = std::string(file);
    out["wheel"] = f.doubleZero ? "00" : "0";
    out["spins_read"] = f.spinsRead;
    out["outside_wheel"] = f.outsideWheel;
    out["spins_analysed"] = f.spinsAnalysed;
    out["order"] = lines.oldestFirst ? "oldest_first" : "newest_first";
    out["blank_lines"] = lines.blankLines;
    out["not_spins"] = lines.notSpins;
    out["first_not_spin"] = lines.firstNotSpin ? Json{{"line", lines.firstNotSpin->line},
                                                      {"text", lines.firstNotSpin->text}}
                                               : Json(nullptr);
    out["expected_hits"] = real(f.expectedHits);
    out["chi_square"] = {{"value", real(f.chiSquare.value)},
                         {"df", f.chiSquare.df},
                         {"p", real(f.chiSquare.p)},
                         {"p_method", f.chiSquare.simulated ? "simulation" : "chi-square"},
                         {"samples", f.chiSquare.samples},
                         {"reliable", !f.chiSquare.simulated}};
    out["numbers"] = numbers;
    out["hottest_number"] = extreme(f.hottest);
    out["coldest_number"] = extreme(f.coldest);
    out["sectors"] = sectors;
    out["system"] = system(f.system);
    out["after_two_losses"] = system(f.afterTwoLosses);
    out["skips"] = {{"count", f.skips.count},
                    {"within_wheel_size", f.skips.withinWheelSize},
                    {"within_wheel_size_fair", real(f.skips.withinWheelSizeFair)},
                    {"classes", classes}};
    out["detectable_one_in"] = f.detectableOneIn ? real(*f.detectableOneIn) : Json(nullptr);
    addOrderJson(f, out);
    return out;
}

}  // namespace

std::string fairnessJson(const FairnessFigures& f, const SpinLineCounts& lines,
                         std::string_view file) {
    return dumped(fileJson(f, lines, file));
}

namespace {

// The per-number table's rows, each after `lead`.
void csvRows(std::string& out, const FairnessFigures& f, std::string_view lead) {
    const auto digits = [](double value) { return format(value, std::chars_format::general, 10); };
    for (const NumberFairness& row : f.numbers) {
        out += std::string(lead) + numberName(row.number) + "," + count(row.hits) + "," +
               digits(row.expected) + "," + digits(row.z) + "," + digits(row.pHot) + "," +
               digits(row.pCold) + "\n";
    }
}

// A CSV field: quoted when it holds a separator, a quote or a line end.
std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string field = "\"";
    for (const char ch : text) {
        if (ch == '"') field += '"';
        field += ch;
    }
    return field + "\"";
}

void writeHomogeneity(std::string& out, const Homogeneity& h, std::size_t files) {
    heading(out, "One wheel or several?");
    appendWrapped(out,
                  "Chi-square " + fixed(h.value, 2) + " of the hits of " + count(h.numbersKept) +
                      " numbers in " + count(static_cast<std::int64_t>(files)) + " files, " +
                      count(h.df) + " degrees of freedom:",
                  0);
    out += pIs("p", h.p) + "\n";
    if (h.smallestExpected < chiSquareMinimumExpected) {
        out += "Warning: fewer than " + count(chiSquareMinimumExpected) +
               " hits expected in some file's number; the p is rough.\n";
    }
    const std::string level = evidenceLevel(h.p);
    if (level.empty()) {
        out += "No evidence that the files come from different wheels: their numbers'\n";
        out += "shares agree as one wheel's would.\n";
    } else {
        appendWrapped(out,
                      "Evidence " + level +
                          " that the files do not all come from one and the same wheel: their "
                          "numbers' shares differ more than chance allows.",
                      0);
    }
}

}  // namespace

std::string fairnessCsv(const FairnessFigures& f) {
    std::string out = "number,hits,expected,z,p_hot,p_cold\n";
    csvRows(out, f, "");
    return out;
}

std::string filesText(std::span<const FileFigures> files, const Homogeneity& h) {
    const FairnessFigures& first = files.front().figures;
    std::string out;
    out += "Is the wheel fair? The spinchart report on " +
           count(static_cast<std::int64_t>(files.size())) + " files\n";
    out += "Wheel: " + std::string(first.doubleZero ? "double zero" : "single zero") + ", " +
           count(first.numberCount) + " numbers\n";
    out += "Each file's full report: spinchart --fairness with that file alone.\n";
    heading(out, "Every file");
    constexpr std::size_t nameWidth = 24;
    const auto line = [](std::string name, std::string spins, std::string chi, std::string p,
                         std::string hottest, std::string picked) {
        return padRight(std::move(name), nameWidth) + padLeft(std::move(spins), 10) +
               padLeft(std::move(chi), 13) + padLeft(std::move(p), 10) +
               padLeft(std::move(hottest), 8) + padLeft(std::move(picked), 12) + "\n";
    };
    out += line("File", "Spins", "Chi-square", "p", "Hottest", "p (picked)");
    for (const FileFigures& file : files) {
        const FairnessFigures& f = file.figures;
        out += line(shownName(file.name, nameWidth - 1), count(f.spinsAnalysed),
                    fixed(f.chiSquare.value, 2), pCell(f.chiSquare.p), numberName(f.hottest.number),
                    pCell(f.hottest.pFamily));
    }
    writeHomogeneity(out, h, files.size());
    return out;
}

std::string filesJson(std::span<const FileFigures> files, const Homogeneity& h) {
    Json each = Json::array();
    for (const FileFigures& file : files)
        each.push_back(fileJson(file.figures, file.lines, file.name));
    Json out;
    out["files"] = each;
    out["homogeneity"] = {{"value", h.value}, {"df", h.df}, {"p", h.p}};
    return dumped(out);
}

std::string filesCsv(std::span<const FileFigures> files) {
    std::string out = "file,number,hits,expected,z,p_hot,p_cold\n";
    for (const FileFigures& file : files)
        csvRows(out, file.figures, csvField(file.name) + ",");
    return out;
}

}  // namespace spinchart
