#include "search/SearchKind.h"

namespace korvel {

std::optional<FormulaKind> formulaKindOf(int kindNumber)
{
    switch (kindNumber) {
    case 1:
    case 2:
    case 3:
        return FormulaKind{kindNumber, Play::Single};
    case 5:
    case 6:
        return FormulaKind{kindNumber - 3, Play::Group};
    default:
        return std::nullopt;
    }
}

} // namespace korvel
