#pragma once

// What the parts of the formula import share (internal to the formula folder).
#include "formula/FormulaKind.h"
#include "platform/FileWrite.h"

#include <QString>

namespace korvel {

// Position of a kind in kAllKinds, -1 for a kind without a table.
inline int kindSlot(const FormulaKind& kind)
{
    for (std::size_t i = 0; i < kAllKinds.size(); ++i) {
        if (kAllKinds[i] == kind) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace korvel
