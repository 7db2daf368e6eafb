#include "search/CandidateChance.h"

namespace korvel {

ChanceFigures candidateChance(const KernelData& data, const Candidate& c, const FormulaKind& kind, bool kill)
{
    ChanceCounter counter(kind, kill, data.weighted());
    if (data.leadingMiss()) {
        counter.add(ChanceClass::Empty, false); // the oldest draw has no prediction
    }
    const int n = data.predicted();
    const std::int16_t* d1 = data.digits(1);
    const std::int16_t* d2 = data.digits(2);
    const std::int16_t* d3 = data.digits(3);
    const int unevaluable = data.unevaluableRows(c);
    for (int r = 0; r < n; ++r) {
        if (r < unevaluable) {
            counter.add(ChanceClass::Empty, false); // an earlier draw named lies before the history
            continue;
        }
        // A sum of at most kMaxOperands 16-bit columns and a 16-bit constant: exact in 32 bits.
        std::int32_t value = c.constant;
        for (int k = 0; k < c.operandCount; ++k) {
            value += data.column(c.operands[static_cast<std::size_t>(k)])[r];
        }
        const std::optional<std::int32_t> carried =
            c.operandCount > 0 ? std::optional<std::int32_t>(value) : std::optional<std::int32_t>();
        counter.add(carried, isHit(kind, kill, carried, d1[r], d2[r], d3[r]));
    }
    return counter.figures();
}

} // namespace korvel
