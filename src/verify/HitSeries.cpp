#include "verify/HitSeries.h"

#include "formula/Expression.h"
#include "history/HistorySnapshot.h"
#include "verify/Evaluation.h"
#include "verify/HitRule.h"

#include <algorithm>
#include <limits>

namespace korvel {

HitSeries::Run HitSeries::longestMissRun() const
{
    Run best;
    for (const Run& r : missRuns) {
        if (r.length > best.length) {
            best = r;
        }
    }
    return best;
}

HitSeries hitSeries(const HistorySnapshot& snapshot, const Expression& expression, const FormulaKind& kind, bool kill,
                    int windowStart, int rolling)
{
    HitSeries s;
    s.rolling = std::max(1, rolling);
    s.first = std::clamp(windowStart, 0, snapshot.size());
    if (!expression.ok()) {
        s.error = expression.error();
        return s;
    }
    s.evaluable = true;
    const FormulaEvaluation eval = EvaluateFormula(snapshot, expression, kind, kill, s.first);
    const int n = snapshot.size() - s.first;
    s.hits.resize(static_cast<std::size_t>(n));
    s.chance.resize(static_cast<std::size_t>(n));
    double chanceSum = 0.0;
    for (int i = 0; i < n; ++i) {
        const int row = s.first + i;
        const bool hit = eval.hit(row);
        s.hits[static_cast<std::size_t>(i)] = hit ? 1 : 0;
        s.hitCount += hit ? 1 : 0;
        const double c = chanceOfHit(kind, kill, eval.carriedValue(row));
        s.chance[static_cast<std::size_t>(i)] = c;
        chanceSum += c;
        if (!hit) {
            if (s.missRuns.empty() || s.missRuns.back().first + s.missRuns.back().length != i) {
                s.missRuns.push_back({i, 0});
            }
            ++s.missRuns.back().length;
        }
    }
    s.meanChance = n > 0 ? chanceSum / n : 0.0;

    // Running sums over the last `rolling` draws.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    s.rollingRate.assign(static_cast<std::size_t>(n), nan);
    s.rollingChance.assign(static_cast<std::size_t>(n), nan);
    int hitsIn = 0;
    double chanceIn = 0.0;
    for (int i = 0; i < n; ++i) {
        hitsIn += s.hits[static_cast<std::size_t>(i)];
        chanceIn += s.chance[static_cast<std::size_t>(i)];
        if (i >= s.rolling) {
            hitsIn -= s.hits[static_cast<std::size_t>(i - s.rolling)];
            chanceIn -= s.chance[static_cast<std::size_t>(i - s.rolling)];
        }
        if (i >= s.rolling - 1) {
            s.rollingRate[static_cast<std::size_t>(i)] = double(hitsIn) / s.rolling;
            s.rollingChance[static_cast<std::size_t>(i)] = chanceIn / s.rolling;
        }
    }
    return s;
}

} // namespace korvel
