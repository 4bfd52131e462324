#include "analysis/report_text.h"

#include <algorithm>
#include <string>

namespace spinchart {
namespace {

// Digits of a non-negative value written right to left, ending before `end`.
void putDigitsBefore(char* end, std::uint32_t value) {
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
}

}  // namespace

const SmallNumberText& SmallNumberText::get() {
    static const SmallNumberText table = [] {
        SmallNumberText t{};
        for (std::int32_t v = 0; v < limit; ++v) {
            const auto k = static_cast<std::size_t>(v);
            std::memset(t.printForm[k], ' ', 8);
            t.printFormLength[k] = static_cast<std::uint8_t>(printFormInto(t.printForm[k], v));
            std::memset(t.field4[k], ' ', 4);
            putDigitsBefore(t.field4[k] + 4, static_cast<std::uint32_t>(v));
            std::memset(t.zeroPadded4[k], '0', 4);
            putDigitsBefore(t.zeroPadded4[k] + 4, static_cast<std::uint32_t>(v));
        }
        return t;
    }();
    return table;
}

void writePrintForms(OutputFile& file, std::span<const std::int32_t> values) {
    const SmallNumberText& small = SmallNumberText::get();
    // In batches, each with room for its widest forms.
    constexpr std::size_t batch = OutputFile::roomLimit / 24;
    while (!values.empty()) {
        const std::size_t n = std::min(values.size(), batch);
        char* p = file.room(n * 24);
        for (const std::int32_t v : values.first(n)) {
            if (SmallNumberText::holds(v)) {
                std::memcpy(p, small.printForm[static_cast<std::size_t>(v)], 8);
                p += small.printFormLength[static_cast<std::size_t>(v)];
            } else {
                p += printFormInto(p, v);
            }
        }
        file.commitText(p);
        values = values.subspan(n);
    }
}

SystemRowSequence::SystemRowSequence(std::int32_t firstPosition)
    : text_(SmallNumberText::get()), position_(firstPosition - 1) {}

char* SystemRowSequence::wideRow(char* out, std::int32_t number, std::int32_t distance) const {
    const bool win = distance >= 6;  // five or more spins in between
    char* p = out;
    char* lineStart = out;
    auto padTo = [&](std::ptrdiff_t column) {
        if (p - lineStart + 1 > column) {
            *p++ = '\r';
            *p++ = '\n';
            lineStart = p;
        }
        while (p - lineStart + 1 < column)
            *p++ = ' ';
    };
    auto put = [&p](const std::string& text) {
        std::memcpy(p, text.data(), text.size());
        p += text.size();
    };
    *p++ = ' ';
    put(formatField(position_, FieldMask::Width6));
    padTo(9);
    put(formatField(number, FieldMask::Width4));
    padTo(15);
    put(formatField(distance, FieldMask::Width5));
    std::memcpy(p, " sp.", 4);
    p += 4;
    padTo(31);
    std::memcpy(p, win ? " +" : " -", 2);
    p += 2;
    padTo(39);
    std::memcpy(p, win ? " -" : " +", 2);
    p += 2;
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

}  // namespace spinchart
