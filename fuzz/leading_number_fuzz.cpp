// Reading numbers from any text must never crash, and the whole-number forms
// must agree with the value read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace spinchart;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Extended value = leadingNumber(text);
    const std::int32_t whole = toInt32(value);
    (void)printForm(value);
    (void)roundDecimals(value, static_cast<int>(size % 20));
    if (whole != -2147483647 - 1) {
        char buffer[wholeNumberBytes + 6];
        const std::size_t n = printFormInto(buffer, whole);
        // The print form of a whole number reads back as that number.
        if (toInt32(leadingNumber(std::string_view(buffer, n))) != whole) std::abort();
        // So does its field, which is at least as wide as the field.
        const char* end = formatField(buffer, whole, 6);
        if (end - buffer < 6 || toInt32(leadingNumber(std::string_view(buffer, end))) != whole)
            std::abort();
    }
    return 0;
}
