#pragma once

#include "formula/FormulaKind.h"

#include <cstdint>
#include <optional>

namespace korvel {

// The one hit rule of a formula's prediction on a draw, and the chance that it hits a draw whose digits are
// uniformly random. The evaluator, the search kernel, the tally and the honest figures (baseline,
// significance, backtest) all judge through these functions.
//
// The predicted digit is the carried value MOD 10 with the dividend's sign; a negative remainder names no
// digit. Single play (D) is judged on its own position, 十位通选 on 十位 and 个位, 百位通选 on all three.
// Kill hits when the digit is absent from the judged positions, keep when it is present; an empty
// prediction is a miss.

// Number of positions a kind is judged on: 1 for single play, 2 for 十位通选, 3 for 百位通选.
constexpr int judgedPositions(const FormulaKind& kind)
{
    if (kind.play == Play::Single) {
        return 1;
    }
    return kind.position == 2 ? 2 : 3;
}

// The digit a carried value names: value % 10 with the dividend's sign; negative equals no digit.
constexpr int predictedRemainder(std::int32_t preCanshu)
{
    return preCanshu % 10;
}

// Whether `digit` (0..9, or negative for none) shows at the positions the kind is judged on. Digits are
// d1 百位, d2 十位, d3 个位.
constexpr bool judgedPresent(const FormulaKind& kind, int digit, int d1, int d2, int d3)
{
    if (kind.play == Play::Single) {
        const int own = kind.position == 3 ? d1 : kind.position == 2 ? d2 : d3;
        return digit == own;
    }
    if (kind.position == 2) {
        return digit == d2 || digit == d3;
    }
    return digit == d1 || digit == d2 || digit == d3;
}

constexpr bool isHit(const FormulaKind& kind, bool bolKill, std::optional<std::int32_t> preCanshu, int d1, int d2,
                     int d3)
{
    if (!preCanshu) {
        return false;
    }
    const bool present = judgedPresent(kind, predictedRemainder(*preCanshu), d1, d2, d3);
    return bolKill ? !present : present;
}

// Chance that a named digit is absent from the judged positions of uniformly random digits: 0.9, 0.81, 0.729.
constexpr double chanceAbsent(const FormulaKind& kind)
{
    switch (judgedPositions(kind)) {
    case 1:
        return 0.9;
    case 2:
        return 0.81;
    default:
        return 0.729;
    }
}

// Chance that the prediction carried to a draw hits when that draw's digits are uniformly random: kill
// 0.9 / 0.81 / 0.729 and keep 0.1 / 0.19 / 0.271 for a named digit; a value naming no digit (negative
// remainder) always hits a kill and never a keep; an empty value never hits.
constexpr double chanceOfHit(const FormulaKind& kind, bool bolKill, std::optional<std::int32_t> preCanshu)
{
    if (!preCanshu) {
        return 0.0;
    }
    if (predictedRemainder(*preCanshu) < 0) {
        return bolKill ? 1.0 : 0.0;
    }
    const double absent = chanceAbsent(kind);
    return bolKill ? absent : 1.0 - absent;
}

} // namespace korvel
