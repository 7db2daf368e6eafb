#pragma once

#include "verify/HitRule.h"

namespace korvel::lanes {

// The hit rule of HitRule.h for many draws at once: each function takes GCC vector types of integers, one
// draw per lane (comparisons give all ones for true), or a plain unsigned word whose bits are the draws.
// The search kernel judges through these; a test holds every lane to the scalar rule (predictedRemainder,
// judgedPresent, isHit) on random values, negative ones and empty ones included.

// predictedRemainder of each lane: the value MOD 10 with the dividend's sign (negative names no digit).
template <class V> inline V remainder(V value)
{
    return value % 10;
}

// The same for lanes of unsigned bytes holding non-negative values below 256 (sums of remainders): 160, 80,
// 40, 20 and 10 are taken off where they fit, min(s, s - k) picking s - k exactly when s >= k (it wraps
// above s else). No division, which byte lanes lack.
template <class V> inline V remainderOfNonNegative(V s)
{
    V t = s - 160;
    s = t < s ? t : s;
    t = s - 80;
    s = t < s ? t : s;
    t = s - 40;
    s = t < s ? t : s;
    t = s - 20;
    s = t < s ? t : s;
    t = s - 10;
    return t < s ? t : s;
}

// judgedPresent of each lane: all ones where the remainder equals one of the first `Judged` judged digits
// (`a`, `b`, `c`, the positions of judgedPositions() in order).
template <int Judged, class V> inline auto present(V r, V a, V b, V c)
{
    auto p = r == a;
    if constexpr (Judged >= 2) {
        p |= r == b;
    }
    if constexpr (Judged >= 3) {
        p |= r == c;
    }
    return p;
}

// isHit from the lanes (or bits) of present and of readable (the carried value is set): a kill hits where
// the digit is absent, a keep where it is present, an empty value never.
template <class M> inline M hit(M presentLanes, M readable, bool kill)
{
    return readable & (kill ? ~presentLanes : presentLanes);
}

} // namespace korvel::lanes
