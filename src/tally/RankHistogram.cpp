#include "tally/RankHistogram.h"

#include "verify/HitRule.h"

#include <numeric>

namespace korvel {

int RankHistogram::total() const
{
    return std::accumulate(counts.begin(), counts.end(), 0);
}

RankHistogram rankHistogram(const RankingList& list)
{
    RankHistogram h;
    const FormulaKind kind{list.position(), list.play()};
    h.rows = list.rowCount();
    h.judgedPositions = judgedPositions(kind);
    h.chancePerRank = h.rows * (1.0 - chanceAbsent(kind));
    for (int r = 0; r < list.rowCount(); ++r) {
        const RankingListRow& row = list.row(r);
        for (std::size_t k = 0; k < 10; ++k) {
            h.counts[k] += row.matched.test(k) ? 1 : 0;
        }
    }
    return h;
}

} // namespace korvel
