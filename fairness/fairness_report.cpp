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

// to_chars: the same digits from every build's library.
std::string format(double value, std::chars_format form, int precision) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, form, precision);
    std::string out(text, result.ptr);
    // No minus sign on a value that prints as zero.
    if (out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
    return out;
}

std::string fixed(double value, int decimals) {
    return format(value, std::chars_format::fixed, decimals);
}

std::string pText(double p) {
    return p < 0.0001 ? "< 0.0001" : fixed(p, 4);
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

std::string count(std::int64_t value) {
    return std::to_string(value);
}

std::string hits(std::int64_t value) {
    return count(value) + (value == 1 ? " hit" : " hits");
}

// "1 in 3": how often a fair wheel goes as far.
std::string oneIn(double p) {
    const double times = std::max(1.0, std::round(1 / p));
    return "1 in " + fixed(times, 0);
}

void heading(std::string& out, std::string_view title) {
    out += '\n';
    out += title;
    out += '\n';
    out.append(title.size(), '-');
    out += '\n';
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
    const std::string reading =
        pFamily < fivePercent ? "Unlikely to be chance: only " : "This could be chance: ";
    return reading + fairWheelsShowing(pFamily) + " " + std::string(what) + ".";
}

void writeWholeWheel(std::string& out, const FairnessFigures& f) {
    heading(out, "The whole wheel");
    out += "Chi-square " + fixed(f.chiSquare, 2) + " with " + count(f.degreesOfFreedom) +
           " degrees of freedom: p = " + pText(f.chiSquareP) + "\n";
    out += "Expected hits per number: " + fixed(f.expectedHits, 2) + "\n";
    if (f.chiSquareP < 0.01) {
        out += "Evidence against a fair wheel at the 1% level.\n";
    } else if (f.chiSquareP < fivePercent) {
        out += "Evidence against a fair wheel at the 5% level (not at 1%).\n";
    } else {
        out += "No evidence against a fair wheel at the 5% level.\n";
    }
    if (!f.reliable) {
        out += "Warning: too few spins for this test; it needs at least " +
               count(std::int64_t{chiSquareMinimumExpected} * f.numberCount) + " (" +
               count(chiSquareMinimumExpected) + " per number).\n";
    }
}

void writeHitBars(std::string& out, const FairnessFigures& f,
                  std::span<const std::int32_t> wheelOrder) {
    heading(out, "Hits per number in wheel order");
    out += "'#' the hits, '|' the expected " + fixed(f.expectedHits, 2) + ".\n";
    std::int64_t most = 0;
    for (const NumberFairness& row : f.numbers)
        most = std::max(most, row.hits);
    const double scale = hitBarWidth / std::max(static_cast<double>(most), f.expectedHits);
    const std::size_t hitsWidth = count(most).size();
    for (const std::int32_t number : wheelOrder) {
        const NumberFairness& row = f.numbers[static_cast<std::size_t>(number)];
        out += padLeft(numberName(number), 4) + "  " + padLeft(count(row.hits), hitsWidth) + "  " +
               bar(static_cast<double>(row.hits), f.expectedHits, scale) + "\n";
    }
}

void writeNumberTable(std::string& out, const FairnessFigures& f) {
    heading(out, "Every number");
    const auto line = [](std::string number, std::string hits, std::string expected, std::string z,
                         std::string hot, std::string cold) {
        return padLeft(std::move(number), 6) + padLeft(std::move(hits), 11) +
               padLeft(std::move(expected), 10) + padLeft(std::move(z), 8) +
               padLeft(std::move(hot), 22) + padLeft(std::move(cold), 22) + "\n";
    };
    out += line("Number", "Hits", "Expected", "z", "P(this many or more)", "P(this few or fewer)");
    for (const NumberFairness& row : f.numbers) {
        out += line(numberName(row.number), count(row.hits), fixed(row.expected, 2),
                    fixed(row.z, 2), pText(row.pHot), pText(row.pCold));
    }
}

void writeExtremes(std::string& out, const FairnessFigures& f) {
    heading(out, "The hottest and the coldest number");
    for (const bool hottest : {true, false}) {
        const ExtremeNumber& e = hottest ? f.hottest : f.coldest;
        out += std::string(hottest ? "Hottest: " : "Coldest: ") + numberName(e.number) + ", " +
               hits(e.hits) + " (expected " + fixed(f.expectedHits, 2) + "); P(this " +
               (hottest ? "many or more" : "few or fewer") + ") = " + pText(e.p) + "\n";
        out += "  Picked as the " + std::string(hottest ? "hottest" : "coldest") + " of " +
               count(f.numberCount) + " numbers: p = " + pText(e.pFamily) + "\n";
        out += "  " +
               chanceReading(e.pFamily, hottest ? "a number this hot" : "a number this cold") +
               "\n";
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
        out += "\n  " + hits(s.hits) + " (expected " + fixed(s.expected, 2) +
               "); p = " + pText(s.pFamily) + " as the hottest of " + count(f.numberCount) +
               " sectors\n";
        out += "  (by " + count(s.samples) + " simulated fair wheels).\n";
        out += "  " + chanceReading(s.pFamily, "a sector this hot") + "\n";
    }
}

std::string systemRow(std::string_view label, const SystemFigures& s) {
    return padRight(std::string(label), 16) + padLeft(count(s.plays), 9) +
           padLeft(count(s.won), 9) + padLeft(fixed(s.expectedWon, 1), 11) +
           padLeft(count(s.staked), 11) + padLeft(count(s.net), 11) +
           padLeft(fixed(s.expectedNet, 1), 12) + "\n";
}

std::string returnPerUnit(const SystemFigures& s) {
    return s.staked > 0 ? percent(static_cast<double>(s.net) / static_cast<double>(s.staked))
                        : "none played";
}

void writeSystem(std::string& out, const FairnessFigures& f) {
    heading(out, "The system of the main report, in units");
    out += "One unit on every number not drawn in the last " + count(excludedLastSpins) +
           " spins; a win returns 36.\n";
    out += std::string(16, ' ') + padLeft("Plays", 9) + padLeft("Won", 9) +
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
    heading(out, "What this sample can detect");
    if (!f.detectableOneIn) {
        out += "No single number is detectable at this size: more spins are needed.\n";
        return;
    }
    out += "A number that comes up 1 in " + fixed(*f.detectableOneIn, 1) +
           " spins instead of 1 in " + count(f.numberCount) + " would be found\n";
    out += "80% of the time at the 5% level, allowing for the hottest of " + count(f.numberCount) +
           ".\n";
}

}  // namespace

std::string numberName(std::int32_t number) {
    return number == doubleZeroNumber ? "00" : std::to_string(number);
}

std::string fairnessText(const FairnessFigures& f, std::string_view file,
                         std::span<const std::int32_t> wheelOrder) {
    std::string out;
    out += "Is the wheel fair? The spinchart report\n";
    out += "File:  " + std::string(file) + "\n";
    out += "Wheel: " +
           std::string(f.numberCount - 1 == doubleZeroNumber ? "double zero" : "single zero") +
           ", " + count(f.numberCount) + " numbers\n";
    out += "Spins: " + count(f.spinsRead) + " read, " + count(f.outsideWheel) +
           " outside the wheel set aside, " + count(f.spinsAnalysed) + " analysed\n";
    writeWholeWheel(out, f);
    writeHitBars(out, f, wheelOrder);
    writeNumberTable(out, f);
    writeExtremes(out, f);
    writeSectors(out, f);
    writeSystem(out, f);
    writeSkips(out, f);
    writeDetectable(out, f);
    return out;
}

std::string fairnessJson(const FairnessFigures& f, std::string_view file) {
    using Json = nlohmann::ordered_json;
    const auto system = [](const SystemFigures& s) {
        return Json{{"plays", s.plays},   {"won", s.won}, {"expected_won", s.expectedWon},
                    {"staked", s.staked}, {"net", s.net}, {"expected_net", s.expectedNet}};
    };
    Json numbers = Json::array();
    for (const NumberFairness& row : f.numbers) {
        numbers.push_back({{"number", numberName(row.number)},
                           {"hits", row.hits},
                           {"expected", row.expected},
                           {"z", row.z},
                           {"p_hot", row.pHot},
                           {"p_cold", row.pCold}});
    }
    const auto extreme = [](const ExtremeNumber& e) {
        return Json{{"number", numberName(e.number)},
                    {"hits", e.hits},
                    {"p", e.p},
                    {"p_family", e.pFamily}};
    };
    Json sectors = Json::array();
    for (const HotSector& s : f.sectors) {
        Json members = Json::array();
        for (const std::int32_t member : s.members)
            members.push_back(numberName(member));
        sectors.push_back({{"width", s.width},
                           {"centre", numberName(s.centre)},
                           {"members", members},
                           {"hits", s.hits},
                           {"expected", s.expected},
                           {"p_family", s.pFamily},
                           {"samples", s.samples}});
    }
    Json classes = Json::array();
    for (const SkipClass& c : f.skips.classes) {
        classes.push_back({{"from", c.from},
                           {"to", c.to > 0 ? Json(c.to) : Json(nullptr)},
                           {"observed", c.observed},
                           {"expected", c.expected}});
    }
    Json out;
    out["file"] = std::string(file);
    out["wheel"] = f.numberCount - 1 == doubleZeroNumber ? "00" : "0";
    out["spins_read"] = f.spinsRead;
    out["outside_wheel"] = f.outsideWheel;
    out["spins_analysed"] = f.spinsAnalysed;
    out["expected_hits"] = f.expectedHits;
    out["chi_square"] = {{"value", f.chiSquare},
                         {"df", f.degreesOfFreedom},
                         {"p", f.chiSquareP},
                         {"reliable", f.reliable}};
    out["numbers"] = numbers;
    out["hottest_number"] = extreme(f.hottest);
    out["coldest_number"] = extreme(f.coldest);
    out["sectors"] = sectors;
    out["system"] = system(f.system);
    out["after_two_losses"] = system(f.afterTwoLosses);
    out["skips"] = {{"count", f.skips.count},
                    {"within_wheel_size", f.skips.withinWheelSize},
                    {"within_wheel_size_fair", f.skips.withinWheelSizeFair},
                    {"classes", classes}};
    out["detectable_one_in"] = f.detectableOneIn ? Json(*f.detectableOneIn) : Json(nullptr);
    // The file name may hold any bytes: those that are not UTF-8 are replaced.
    return out.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string fairnessCsv(const FairnessFigures& f) {
    const auto digits = [](double value) { return format(value, std::chars_format::general, 10); };
    std::string out = "number,hits,expected,z,p_hot,p_cold\n";
    for (const NumberFairness& row : f.numbers) {
        out += numberName(row.number) + "," + count(row.hits) + "," + digits(row.expected) + "," +
               digits(row.z) + "," + digits(row.pHot) + "," + digits(row.pCold) + "\n";
    }
    return out;
}

}  // namespace spinchart
