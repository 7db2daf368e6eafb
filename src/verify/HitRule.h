#pragma once

#include "formula/FormulaKind.h"
#include "formula/Rounding.h"

#include <array>
#include <cstdint>
#include <optional>

namespace korvel {

// The one hit rule of a formula's prediction on a draw, the one reading of a formula's value as a digit, and
// the chance that a prediction hits a draw whose digits are uniformly random. The evaluator, the search
// kernel, the tally and the honest figures (baseline, significance, backtest) all judge through these
// functions; the column forms below are the same rule written for loops over many draws.
//
// A value is read as a 32-bit integer (half to even; outside that range it is empty), and the predicted digit
// is that integer MOD 10 with the dividend's sign; a negative remainder names no digit. Single play (D) is
// judged on its own position, 十位通选 on 十位 and 个位, 百位通选 on all three. Kill hits when the digit
// is absent from the judged positions, keep when it is present; an empty prediction is a miss.

// The draw digits a kind is judged on, by digit number: 1 百位 (L1A), 2 十位 (L2A), 3 个位 (L3A). Slots
// past `count` repeat the first number, so that every slot names a real digit.
struct JudgedDigits {
    int count = 1;
    std::array<int, 3> numbers{1, 1, 1};
};

constexpr JudgedDigits judgedDigits(const FormulaKind& kind)
{
    if (kind.play == Play::Single) {
        const int own = kind.position == 3 ? 1 : kind.position == 2 ? 2 : 3;
        return {1, {own, own, own}};
    }
    if (kind.position == 2) {
        return {2, {2, 3, 2}};
    }
    return {3, {1, 2, 3}};
}

// Number of positions a kind is judged on: 1 for single play, 2 for 十位通选, 3 for 百位通选.
constexpr int judgedPositions(const FormulaKind& kind)
{
    return judgedDigits(kind).count;
}

// The digit a carried value names: value % 10 with the dividend's sign; negative equals no digit.
constexpr int predictedRemainder(std::int32_t carriedValue)
{
    return carriedValue % 10;
}

// What a value that names no digit counts as in a tally.
inline constexpr int kNoDigit = -1;

// The remainder a formula's value leaves (-9..9): the value read as a 32-bit integer, MOD 10 with the
// dividend's sign; empty when the value is empty or outside the 32-bit range.
inline std::optional<int> valueRemainder(std::optional<double> value)
{
    if (!value) {
        return std::nullopt;
    }
    const std::optional<std::int32_t> i = toInt32HalfEven(*value);
    if (!i) {
        return std::nullopt;
    }
    return predictedRemainder(*i);
}

// The digit (0..9) a formula's value names, or kNoDigit when it is empty, outside the 32-bit range or leaves
// a negative remainder.
inline int namedDigit(std::optional<double> value)
{
    const std::optional<int> r = valueRemainder(value);
    return r && *r >= 0 ? *r : kNoDigit;
}

// Whether `digit` (0..9, or negative for none) shows at the positions the kind is judged on. Digits are
// d1 百位, d2 十位, d3 个位.
constexpr bool judgedPresent(const FormulaKind& kind, int digit, int d1, int d2, int d3)
{
    const JudgedDigits judged = judgedDigits(kind);
    const int drawn[3] = {d1, d2, d3};
    bool present = false;
    for (int i = 0; i < judged.count; ++i) {
        present = present || digit == drawn[judged.numbers[static_cast<std::size_t>(i)] - 1];
    }
    return present;
}

// The verdict on one draw of the value carried to it (`carriedValue`, already read as an integer).
constexpr bool isHit(const FormulaKind& kind, bool kill, std::optional<std::int32_t> carriedValue, int d1, int d2,
                     int d3)
{
    if (!carriedValue) {
        return false;
    }
    const bool present = judgedPresent(kind, predictedRemainder(*carriedValue), d1, d2, d3);
    return kill ? !present : present;
}

// Column forms. Each is branch-free in its loop and of one integer width, so that the loops vectorise where
// they are inlined (the evaluator compiles them for two instruction sets: they must be inlined into each, or
// the wide one would call the narrow loop); they give exactly the results of the scalar functions above, row
// by row.
#if defined(__GNUC__)
#define KORVEL_COLUMN_LOOP inline __attribute__((always_inline))
#else
#define KORVEL_COLUMN_LOOP inline
#endif

// The remainder stored for a value outside the 32-bit range: no remainder equals it, so it is never judged
// present.
inline constexpr std::int16_t kOutsideRemainder = 10;

// Reads the values of rows [0, n) as valueRemainder does: intValues[k] the value as a 32-bit integer,
// remainder[k] its remainder, readable[k] = valid[k] and within the 32-bit range. Outside that range (NaN
// too) intValues[k] is 0 and remainder[k] kOutsideRemainder.
KORVEL_COLUMN_LOOP void readValues(const double* __restrict value, const std::uint8_t* __restrict valid, int n,
                                   std::int32_t* __restrict intValues, std::int16_t* __restrict remainder,
                                   std::uint8_t* __restrict readable)
{
    // Two passes that vectorise: the integer value and its remainder, then the validity.
    for (int k = 0; k < n; ++k) {
        const double r = roundHalfEven(value[k]);
        const bool inRange = r >= -2147483648.0 && r <= 2147483647.0; // false for NaN as well
        const double rc = inRange ? r : 0.0;
        // rc * 0.1 truncates to the same integer as rc / 10 for every integer of the 32-bit range.
        const double tens = static_cast<double>(static_cast<std::int32_t>(rc * 0.1));
        intValues[k] = static_cast<std::int32_t>(rc);
        const double digit = inRange ? rc - 10.0 * tens : double(kOutsideRemainder);
        remainder[k] = static_cast<std::int16_t>(static_cast<std::int32_t>(digit));
    }
    for (int k = 0; k < n; ++k) {
        readable[k] = static_cast<std::uint8_t>(valid[k] & (remainder[k] != kOutsideRemainder));
    }
}

namespace hit_rule_detail {

template <int Judged>
KORVEL_COLUMN_LOOP void judgeRows(const std::int16_t* __restrict remainder, const std::uint8_t* __restrict readable,
                                  const std::int16_t* __restrict a, const std::int16_t* __restrict b,
                                  const std::int16_t* __restrict c, int n, std::uint8_t flip,
                                  std::uint8_t* __restrict hit)
{
    for (int k = 0; k < n; ++k) {
        const std::int16_t r = remainder[k];
        bool present = r == a[k];
        if constexpr (Judged > 1) {
            present = present | (r == b[k]);
        }
        if constexpr (Judged > 2) {
            present = present | (r == c[k]);
        }
        hit[k] = static_cast<std::uint8_t>(readable[k] & ((present ? 1 : 0) ^ flip));
    }
}

} // namespace hit_rule_detail

// The verdicts of rows [0, n): hit[k] = isHit of the value carried to row k (its remainder remainder[k],
// empty where readable[k] is 0) on the row's digits drawn[0][k] 百位, drawn[1][k] 十位, drawn[2][k] 个位.
KORVEL_COLUMN_LOOP void judgeRows(const FormulaKind& kind, bool kill, const std::int16_t* remainder,
                                  const std::uint8_t* readable, const std::array<const std::int16_t*, 3>& drawn, int n,
                                  std::uint8_t* hit)
{
    const JudgedDigits judged = judgedDigits(kind);
    const std::int16_t* a = drawn[static_cast<std::size_t>(judged.numbers[0] - 1)];
    const std::int16_t* b = drawn[static_cast<std::size_t>(judged.numbers[1] - 1)];
    const std::int16_t* c = drawn[static_cast<std::size_t>(judged.numbers[2] - 1)];
    const std::uint8_t flip = kill ? 1 : 0;
    if (judged.count == 1) {
        hit_rule_detail::judgeRows<1>(remainder, readable, a, b, c, n, flip, hit);
    } else if (judged.count == 2) {
        hit_rule_detail::judgeRows<2>(remainder, readable, a, b, c, n, flip, hit);
    } else {
        hit_rule_detail::judgeRows<3>(remainder, readable, a, b, c, n, flip, hit);
    }
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
constexpr double chanceOfHit(const FormulaKind& kind, bool kill, std::optional<std::int32_t> carriedValue)
{
    if (!carriedValue) {
        return 0.0;
    }
    if (predictedRemainder(*carriedValue) < 0) {
        return kill ? 1.0 : 0.0;
    }
    const double absent = chanceAbsent(kind);
    return kill ? absent : 1.0 - absent;
}

} // namespace korvel
