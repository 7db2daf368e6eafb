#pragma once

// Arithmetic of the formula language shared by the compiler (constant folding) and the evaluator, so that a
// folded constant and a computed column give the same result. Inline and free of library calls so that
// the column loops vectorise. Private to src/formula.

#include "formula/Expression.h"

#include <cmath>

namespace korvel::expression_math {

constexpr double kTwo52 = 4503599627370496.0; // from here on every double is an integer

// Truncation toward zero, by the technique of roundHalfEven: round the magnitude, step back when it went up.
inline double truncate(double v)
{
    const double a = std::fabs(v);
    const double nearest = (a + kTwo52) - kTwo52;
    const double below = nearest - 1.0; // computed unconditionally: the selects below then vectorise
    const double t = nearest > a ? below : nearest;
    return std::copysign(a < kTwo52 ? t : a, v);
}

// For integral operands of magnitude up to 2^53 the quotient's truncation is exact, and so is the product
// and the difference: the remainder keeps the dividend's sign, as integer MOD does.
inline double intDivide(double a, double b)
{
    return truncate(roundHalfEven(a) / roundHalfEven(b));
}

inline double modulo(double a, double b)
{
    const double x = roundHalfEven(a);
    const double y = roundHalfEven(b);
    return x - y * truncate(x / y);
}

} // namespace korvel::expression_math
