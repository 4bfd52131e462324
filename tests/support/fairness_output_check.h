#pragma once
// What every fairness report must be, whatever the input: printable ASCII
// lines of at most 79 columns, no inf or nan, no negative zero, and for JSON
// a document that parses, with every p between 0 and 1 and null only where a
// figure may be missing. Shared by the tests and the fuzz target; the
// compilation unit needs the nlohmann headers.

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "fairness/fairness_mode.h"

#include <nlohmann/json.hpp>

namespace spinchart::testing {

namespace detail {

inline std::string jsonFault(const nlohmann::json& value, const std::string& key) {
    static const std::set<std::string> mayBeNull = {"to", "detectable_one_in", "first_not_spin"};
    if (value.is_null() && mayBeNull.count(key) == 0) return "null at \"" + key + "\"";
    if (value.is_number()) {
        const double x = value.get<double>();
        if (!std::isfinite(x)) return "non-finite at \"" + key + "\"";
        if ((key == "p" || key.starts_with("p_")) && !(x >= 0 && x <= 1)) {
            return "p out of [0, 1] at \"" + key + "\"";
        }
    }
    if (value.is_object()) {
        for (const auto& [name, member] : value.items()) {
            if (std::string fault = jsonFault(member, name); !fault.empty()) return fault;
        }
    }
    if (value.is_array()) {
        for (const auto& element : value) {
            if (std::string fault = jsonFault(element, key); !fault.empty()) return fault;
        }
    }
    return "";
}

}  // namespace detail

// The first fault of a report in the form `form`; empty when there is none.
// The JSON line of the file's name is let off the width (names are the
// user's).
inline std::string fairnessOutputFault(std::string_view report, FairnessOutput form) {
    if (report.empty() || report.back() != '\n') return "no final line end";
    std::size_t lineStart = 0;
    for (std::size_t at = 0; at < report.size(); ++at) {
        const char c = report[at];
        if (c == '\n') {
            const std::string_view line = report.substr(lineStart, at - lineStart);
            if (line.size() > 79 && !line.starts_with("  \"file\": ")) {
                return "line wider than 79 columns: " + std::string(line);
            }
            lineStart = at + 1;
        } else if (c < ' ' || c > '~') {
            return "byte " + std::to_string(static_cast<unsigned char>(c)) + " at " +
                   std::to_string(at);
        }
    }
    // The words and numbers the report writes, not the user's text it quotes:
    // JSON strings and the text's quoted line and file name are blanked.
    std::string figures(report);
    if (form == FairnessOutput::json) {
        for (std::size_t at = 0; at < figures.size(); ++at) {
            if (figures[at] != '"') continue;
            for (++at; at < figures.size() && figures[at] != '"'; ++at) {
                if (figures[at] == '\\' && at + 1 < figures.size()) figures[at++] = ' ';
                figures[at] = ' ';
            }
        }
    } else {
        for (const std::string_view lead : {"\n  the first, line ", "\nFile:  "}) {
            for (std::size_t at = figures.find(lead); at != std::string::npos;
                 at = figures.find(lead, at + 1)) {
                for (std::size_t end = at + 1; end < figures.size() && figures[end] != '\n'; ++end)
                    figures[end] = ' ';
            }
        }
    }
    for (std::size_t at = 0; at < figures.size();) {
        if (!std::isalpha(static_cast<unsigned char>(figures[at]))) {
            // A minus sign on a number that is zero.
            if (figures[at] == '-' && at + 1 < figures.size() &&
                std::isdigit(static_cast<unsigned char>(figures[at + 1])) &&
                std::strtod(std::string(figures.substr(at, 40)).c_str(), nullptr) == 0) {
                return "negative zero at " + std::to_string(at);
            }
            ++at;
            continue;
        }
        std::size_t end = at;
        std::string word;
        while (end < figures.size() && std::isalpha(static_cast<unsigned char>(figures[end])))
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(figures[end++])));
        if (word == "inf" || word == "infinity" || word == "nan") return "'" + word + "'";
        at = end;
    }
    if (form == FairnessOutput::json) {
        const nlohmann::json document = nlohmann::json::parse(report, nullptr, false);
        if (document.is_discarded()) return "JSON that does not parse";
        return detail::jsonFault(document, "");
    }
    return "";
}

}  // namespace spinchart::testing
