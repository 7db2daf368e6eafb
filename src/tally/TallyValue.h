#pragma once

#include "formula/Expression.h"

#include <cstdint>
#include <optional>

namespace korvel {

// The digit a formula names from its value on a draw: the value read as an integer (half to even), MOD 10
// with the dividend's sign. A value that cannot be computed, lies outside the 32-bit range or leaves a
// negative remainder names no digit (-1): such a formula adds nothing to a tally.
inline int tallyDigit(std::optional<double> value)
{
    if (!value) {
        return -1;
    }
    const std::optional<std::int32_t> i = toInt32HalfEven(*value);
    if (!i) {
        return -1;
    }
    const int d = *i % 10;
    return d >= 0 ? d : -1;
}

} // namespace korvel
