#include "verify/DecimalText.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace korvel {

std::optional<QString> fixedText(double value, int decimals, int width, const char* prefix, const char* suffix)
{
    if (!(value >= 0.0 && value < 1e15) || decimals < 1 || decimals > 20) {
        return std::nullopt;
    }
    // Digits well past the last place, correctly rounded there: they decide the rounding at the last place
    // unless they read 5 then zeros, which the rounding of the longer digits may have made of 4 then nines.
    // Then the exact expansion decides (a double has at most 1074 places).
    char exact[1200];
    exact[0] = '0'; // room for a carry out of the integer part
    auto written = std::to_chars(exact + 1, exact + sizeof exact, value, std::chars_format::fixed, decimals + 24);
    char* point = std::find(exact + 1, written.ptr, '.');
    char* last = point + decimals;
    if (last[1] == '5' && std::all_of(last + 2, written.ptr, [](char c) { return c == '0'; })) {
        written = std::to_chars(exact + 1, exact + sizeof exact, value, std::chars_format::fixed, 1100);
        point = std::find(exact + 1, written.ptr, '.');
        last = point + decimals;
    }
    if (last[1] >= '5') {
        for (char* d = last;; --d) {
            if (*d == '.') {
                continue;
            }
            if (*d != '9') {
                ++*d;
                break;
            }
            *d = '0';
        }
    }
    const char* first = exact[0] == '0' ? exact + 1 : exact;
    const std::size_t prefixLength = std::strlen(prefix);
    const std::size_t suffixLength = std::strlen(suffix);
    char text[96];
    if (prefixLength + suffixLength + static_cast<std::size_t>(std::max<std::ptrdiff_t>(width, last + 1 - first)) >
        sizeof text) {
        return std::nullopt;
    }
    char* out = std::copy_n(prefix, prefixLength, text);
    for (std::ptrdiff_t pad = width - (last + 1 - first) - static_cast<std::ptrdiff_t>(prefixLength); pad > 0; --pad) {
        *out++ = '0';
    }
    out = std::copy(first, static_cast<const char*>(last + 1), out);
    out = std::copy_n(suffix, suffixLength, out);
    return QString::fromLatin1(text, out - text);
}

} // namespace korvel
