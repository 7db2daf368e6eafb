#pragma once

#include "formula/FormulaKind.h"
#include "history/SnapshotPtr.h"
#include "search/Candidate.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace korvel {

// A found formula's figures on the held-out draws ("留出最近 K 期检验"): plain hits over the K newest draws,
// and the chance baseline of those draws (the mean chance that its predictions hit uniformly random digits).
struct HoldoutFigures {
    int draws = 0;
    int hits = 0;
    double rate = 0;     // percent
    double baseline = 0; // percent
    bool passed = true;  // rate >= the "检验正确率 ≥" threshold (baseline + 0 by default)
};

// Judges found formulas on the K newest draws of the full history. The search itself runs on a history
// without those draws (see heldOutSnapshot), so they cannot have taken part in choosing the formula; this
// object is the only thing that reads them, and only after a candidate qualified. Immutable, thread-safe.
class HoldoutCheck {
public:
    // minRate: the threshold in percent; nullopt for the formula's own baseline.
    HoldoutCheck(SnapshotPtr full, int heldOut, std::optional<double> minRate);

    int heldOut() const { return m_heldOut; }
    HoldoutFigures judge(const Candidate& c, const FormulaKind& kind, bool kill) const;

private:
    SnapshotPtr m_full;
    int m_heldOut = 0;
    std::optional<double> m_minRate;
};

// "检验 93.3333% (28/30) 基准90.0000%", and "未通过" appended when the formula failed the threshold.
QString holdoutText(const HoldoutFigures& f);

// The history without its newest `heldOut` draws; the full history when heldOut <= 0.
SnapshotPtr heldOutSnapshot(const SnapshotPtr& full, int heldOut);

// "随机对照": a copy of the history with every draw's digits replaced by uniformly random digits from a
// generator seeded with `seed`; issues and dates are kept and all parameters recomputed from the new digits
// (the previous draw's parameters from the previous random draw). The same seed gives the same copy.
HistorySnapshot randomDigitsSnapshot(const HistorySnapshot& history, std::uint64_t seed);
// The seed of the control's random digits after a run seeded with `runSeed`: a sequence of its own,
// unrelated to the candidates'.
inline std::uint64_t controlDigitsSeed(std::uint64_t runSeed)
{
    return runSeed ^ 0xD1B54A32D192ED03ull;
}

} // namespace korvel
