#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

namespace korvel {

// The rounding rules of the formula engine (toInt32HalfEven is defined in formula/Expression.cpp), shared
// with the hit rule (verify/HitRule.h).
// Half-to-even rounding of a value to an integer (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Inline and free of library
// calls so that loops over it vectorise: adding and removing 2^52 leaves the nearest integer under the
// default rounding mode, ties to even; the magnitude is rounded and the sign put back.
inline double roundHalfEven(double v)
{
    constexpr double two52 = 4503599627370496.0; // from here on every double is an integer
    const double a = std::fabs(v);
    const double t = (a + two52) - two52;
    return std::copysign(a < two52 ? t : a, v);
}
// A value read as a 32-bit integer: rounded half-to-even; empty when outside the 32-bit range.
std::optional<std::int32_t> toInt32HalfEven(double v);

} // namespace korvel
