#include "tally/TallySet.h"

#include <limits>

namespace korvel {

void TallySet::clearSlot(int slot)
{
    senseCount[static_cast<std::size_t>(slot)].fill(0);
    err[static_cast<std::size_t>(slot)].fill(0);
    trr[static_cast<std::size_t>(slot)].fill(0);
}

void TallySet::count(int slot, int digit, bool kill)
{
    const auto s = static_cast<std::size_t>(slot);
    const auto d = static_cast<std::size_t>(digit);
    // A count cannot pass the number of formulas of one table (at most 32767 by their idx).
    if (senseCount[s][d] == std::numeric_limits<std::int16_t>::max()) {
        return;
    }
    ++senseCount[s][d];
    if (kill) {
        ++err[s][d];
    } else {
        ++trr[s][d];
    }
}

bool TallySet::slotEmpty(int slot) const
{
    for (int d = 0; d < kDigits; ++d) {
        if (senseCount[static_cast<std::size_t>(slot)][static_cast<std::size_t>(d)] != 0) {
            return false;
        }
    }
    return true;
}

const char16_t* slotName(int slot)
{
    switch (slot) {
    case 1:
        return u"个";
    case 2:
        return u"十";
    case 3:
        return u"百";
    default:
        return u"";
    }
}

} // namespace korvel
