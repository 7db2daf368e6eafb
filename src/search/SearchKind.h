#pragma once

#include "formula/FormulaKind.h"

#include <array>
#include <optional>

namespace korvel {

// The search window addresses the formula kinds by a kind number: 1 个位单选, 2 十位单选, 3 百位单选,
// 4 个位通选 (has no table and is never searched), 5 十位通选, 6 百位通选; 7 marks the end of a scheme.
// Kind number = position + 3 for the group play.
inline constexpr int kSchemeFinished = 7;
inline constexpr std::array<int, 5> kSearchedKindNumbers = {1, 2, 3, 5, 6};

inline constexpr int kindNumberOf(const FormulaKind& kind)
{
    return kind.position + (kind.play == Play::Group ? 3 : 0);
}

// The formula kind of a searched kind number (1, 2, 3, 5, 6); nullopt for 4 and anything else.
std::optional<FormulaKind> formulaKindOf(int kindNumber);

// The kind the scheme searches after `kindNumber`: the next number, except that 3 is followed by 5.
inline constexpr int nextSchemeKind(int kindNumber)
{
    return kindNumber == 3 ? 5 : kindNumber + 1;
}

} // namespace korvel
