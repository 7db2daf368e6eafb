#pragma once

#include "formula/FormulaKind.h"
#include "history/SnapshotPtr.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace korvel {

class Expression;

// The figures of the formula hit chart (命中走势图) over a formula's evaluation window: the verdict of every
// draw of the window, the rolling hit rate over the last `rolling` draws beside the rate uniformly random
// digits would give the same predictions, and the runs of misses.
//
// Index i runs over the window's draws, oldest first (snapshot row first + i). rollingRate[i] and
// rollingChance[i] are defined from the rolling-th draw of the window on (i >= rolling - 1): the share of
// hits among draws i - rolling + 1 .. i, and the mean of chanceOfHit over the same draws (the chance line:
// 0.9 for a kill of one position, a draw whose prediction names no digit counts its own chance). A window
// shorter than `rolling` has no rolling points. An expression that does not compile gives evaluable false
// and no draws at all (the chart shows why instead of a line of misses).
struct HitSeries {
    struct Run {
        int first = 0; // index of the run's first draw
        int length = 0;
    };

    bool evaluable = false;
    QString error;
    int first = 0; // snapshot row of the window's first draw
    int rolling = 30;
    std::vector<std::uint8_t> hits;  // 1 = hit
    std::vector<double> chance;      // chanceOfHit of each draw's prediction
    std::vector<double> rollingRate; // NaN before the rolling-th draw
    std::vector<double> rollingChance;
    std::vector<Run> missRuns; // every run of misses, oldest first
    int hitCount = 0;
    double meanChance = 0.0; // mean of chance over the window

    int size() const { return static_cast<int>(hits.size()); }
    bool empty() const { return hits.empty(); }
    double rate() const { return hits.empty() ? 0.0 : double(hitCount) / double(hits.size()); }
    // The longest miss run (length 0 when there is none).
    Run longestMissRun() const;
    bool hasRolling(int i) const { return i >= rolling - 1 && i < size(); }
};

// Evaluates the formula over the draws [windowStart, size) of the snapshot (evaluationWindowStart gives the
// statistics' window) and builds its series. rolling is at least 1.
HitSeries hitSeries(const HistorySnapshot& snapshot, const Expression& expression, const FormulaKind& kind, bool kill,
                    int windowStart, int rolling = 30);

} // namespace korvel
