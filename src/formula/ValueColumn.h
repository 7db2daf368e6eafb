#pragma once

#include <cstdint>
#include <vector>

namespace korvel {

// Per-draw results of an expression: a value and a validity flag per row. An invalid (empty) row is a
// value that cannot be computed (division by zero, MOD or \ by zero, or a row of an expression that does
// not compile); it counts as a miss wherever a digit is expected.
struct ValueColumn {
    std::vector<double> value;
    std::vector<std::uint8_t> valid; // 1 = the value is set
    bool allValid = true;            // no row is empty (fast path for callers)

    int size() const { return static_cast<int>(value.size()); }
};

} // namespace korvel
