#pragma once
// A deliberately plain model of the analysis: exchange sorts, a linear search
// per row, every item placed by column. Slow (quadratic) and easy to check
// line by line against the rules; the fast implementation must match its bytes.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/number_text.h"

namespace spinchart::model {

struct Source {
    bool generated = false;
    std::string dataFileName;
};

struct Output {
    std::string report;
    std::string skipFile;  // finished (sorted)
    bool failed = false;   // the analysis stopped after the header
};

inline void exchangeSort(std::vector<std::int32_t>& list) {
    for (std::size_t a = 0; a + 1 < list.size(); ++a) {
        for (std::size_t b = a + 1; b < list.size(); ++b) {
            if (list[b] < list[a]) std::swap(list[a], list[b]);
        }
    }
}

struct Stats {
    std::int32_t hits = 0;
    std::vector<std::int32_t> skips;
    std::vector<std::int32_t> sorted;
    std::int32_t median = 0;
};

// spins[0] is position 1.
// Long lists may be sorted by the library's sort (the exchange sort is
// defined by its result; the short cases check that).
inline void sortList(std::vector<std::int32_t>& list, bool plain) {
    if (plain) {
        exchangeSort(list);
    } else {
        std::sort(list.begin(), list.end());
    }
}

inline Stats numberStats(const std::vector<std::int32_t>& spins, std::int32_t n,
                         std::int32_t number, bool plainSort = true) {
    Stats s;
    std::int32_t previous = 0;
    for (std::int32_t p = 1; p <= n; ++p) {
        if (spins[static_cast<std::size_t>(p - 1)] == number) {
            ++s.hits;
            s.skips.push_back(p - previous);
            previous = p;
        }
    }
    s.sorted = s.skips;
    sortList(s.sorted, plainSort);
    if (s.hits > 0) s.median = s.sorted[static_cast<std::size_t>((s.hits + 1) / 2 - 1)];
    return s;
}

inline std::int32_t nextDistance(const std::vector<std::int32_t>& spins, std::int32_t total,
                                 std::int32_t i) {
    const std::int32_t x = spins[static_cast<std::size_t>(i - 1)];
    for (std::int32_t j = i + 1; j <= total; ++j) {
        if (spins[static_cast<std::size_t>(j - 1)] == x) return j - i;
    }
    return total + 1 - i;
}

// Text with a current column: 1 plus the bytes since the last line end.
class Text {
public:
    void put(std::string_view s) {
        const auto lf = s.rfind('\n');
        if (lf != std::string_view::npos) lineStart_ = bytes.size() + lf + 1;
        bytes += s;
    }
    void end() { put("\r\n"); }
    void at(std::size_t column) {
        if (bytes.size() - lineStart_ + 1 > column) end();
        while (bytes.size() - lineStart_ + 1 < column)
            put(" ");
    }
    std::string bytes;

private:
    std::size_t lineStart_ = 0;
};

inline std::string pf(std::int64_t v) {
    return printForm(static_cast<Extended>(v));
}

inline std::string field(std::int64_t v, int width) {
    char text[wholeNumberBytes + 8];
    return std::string(text, formatField(text, v, width));
}

// One row of the system report: position, number, distance, win and reverse.
inline void putSystemRow(Text& t, std::int32_t i, std::int32_t x, std::int32_t d,
                         std::int32_t excluded = 5) {
    t.put(" ");
    t.put(field(i, 6));
    t.at(9);
    t.put(field(x, 4));
    t.at(15);
    t.put(field(d, 5) + " sp.");
    const bool win = d - 1 >= excluded;
    t.at(31);
    t.put(win ? " +" : " -");
    t.at(39);
    t.put(win ? " -" : " +");
    t.end();
}

inline Output analyse(std::int32_t numberCount, std::string_view chartTitle,
                      std::string_view banner, std::string_view copyright,
                      const std::vector<std::int32_t>& spins, std::int32_t n, const Source& source,
                      std::int32_t mean, std::int32_t stdDev, bool plainSort = true) {
    const auto total = static_cast<std::int32_t>(spins.size());
    const std::string indent(22, ' ');
    const std::string origin =
        source.generated ? std::string("Random Spins ") : "File: " + source.dataFileName;
    Output out;
    Text t;

    t.end();
    t.put(banner);
    t.end();
    t.put(copyright);
    t.end();
    t.end();
    t.put(indent + std::string(chartTitle));
    t.end();
    t.put(indent + origin);
    t.end();
    t.put(indent + "Number of Spins Analyzed: " + pf(n));
    t.end();
    t.put(indent + std::string(41, '-'));
    t.end();
    t.end();
    if (n < 0) {
        out.report = t.bytes;
        out.failed = true;
        return out;
    }

    std::vector<std::int32_t> medians;
    for (std::int32_t number = 0; number < numberCount; ++number) {
        const Stats s = numberStats(spins, n, number, plainSort);
        medians.push_back(s.median);
        t.put(indent + "Roulette Number: " + pf(number));
        t.end();
        t.put(indent + std::string(20, '='));
        t.end();
        t.put("\xF8 Hits -> " + pf(s.hits) + " times");
        t.end();
        t.put("\xF9 Skips -> ");
        for (const std::int32_t v : s.skips)
            t.put(pf(v));
        t.end();
        t.put("* Sorted Skips: ");
        for (const std::int32_t v : s.sorted)
            t.put(pf(v));
        t.end();
        t.put("* Median Skip: " + pf(s.median));
        t.end();
        t.end();
    }
    std::int64_t sum = 0;
    for (const std::int32_t m : medians)
        sum += m;
    std::vector<std::int32_t> sortedMedians = medians;
    exchangeSort(sortedMedians);
    t.end();
    t.put(indent + std::string(33, '*'));
    t.end();
    t.put(indent + "* Average Median: " + pf(sum / numberCount));
    t.end();
    t.put(indent +
          "* Median of All Skips: " + pf(sortedMedians[static_cast<std::size_t>(numberCount / 2)]));
    t.end();
    t.put(indent + std::string(33, '*'));
    t.end();
    t.end();
    t.end();
    t.end();

    const std::int32_t excluded = 5;
    t.at(23);
    t.put("Report of 'Play-All-Numbers EXCEPT The Last" + pf(excluded) + "Spins'");
    t.end();
    t.at(23);
    t.put(origin);
    t.end();
    t.at(23);
    t.put("Number of Spins Analyzed: " + pf(n));
    t.end();
    t.at(25);
    t.put("+ = Win;   - = Loss");
    t.end();
    t.at(23);
    t.put(std::string(52, '-'));
    t.end();
    t.end();
    t.put("*** Preferable to play AFTER 2 consecutive '-' in the column 'Result' ***");
    t.end();
    t.end();
    auto rule = [&t] {
        t.at(2);
        t.put(std::string(54, '-'));
        t.end();
    };
    rule();
    t.at(3), t.put("Spin"), t.at(10), t.put("Number"), t.at(19), t.put("Hit ");
    t.at(30), t.put("Result"), t.at(38), t.put("Reverse:"), t.end();
    t.at(3), t.put(" # "), t.at(10), t.put("Drawn"), t.at(18), t.put("After");
    t.at(30), t.put(" +/-"), t.at(38), t.put("Play-Last-5-Spins"), t.end();
    rule();
    std::vector<std::int32_t> skipValues;
    for (std::int32_t i = 1; i <= n - excluded; ++i) {
        const std::int32_t x = spins[static_cast<std::size_t>(i - 1)];
        const std::int32_t d = nextDistance(spins, total, i);
        putSystemRow(t, i, x, d, excluded);
        skipValues.push_back(d);
    }
    rule();
    t.at(2), t.put("Average:"), t.at(10), t.put(pf(mean)), t.end();
    t.at(2), t.put("StndDev:"), t.at(10), t.put(pf(stdDev)), t.end();
    rule();
    out.report = t.bytes;

    sortList(skipValues, plainSort);
    for (const std::int32_t v : skipValues)
        out.skipFile += pf(v) + "\r\n";
    return out;
}

}  // namespace spinchart::model
