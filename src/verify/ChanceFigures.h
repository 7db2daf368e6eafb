#pragma once

#include "formula/FormulaKind.h"
#include "history/SnapshotPtr.h"
#include "verify/Evaluation.h"
#include "verify/HitRule.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace korvel {

// What chance alone would have scored on a formula's window: the figures that tell a formula that beats
// chance from one that merely hits often.
//
// Contract. Over the same draws as the rate (the window's rows, oldest first, with the same j*j weights when
// weighted), each draw's chance is chanceOfHit() of the value carried to it. That chance depends only on
// the carried value's class (empty: 0; names no digit: 1 for kill, 0 for keep; names a digit: 0.9 / 0.81 /
// 0.729 kill, 0.1 / 0.19 / 0.271 keep), so the figures keep class counts, never per-draw arrays:
// `baseline` is the (weighted) mean chance in percent, comparable with FormulaStats::rate, and excess() the
// rate minus it in percentage points. significance() is the one-sided chance of at least `hits` hits over
// the plain count of draws under those per-draw chances. Because only one of the chances lies strictly
// between 0 and 1, that Poisson-binomial law is a binomial over the named draws shifted by the draws that
// hit for sure; it is summed exactly for up to kExactSignificanceDraws draws and approximated by the
// normal law with continuity correction above. A window without draws has windowEmpty, baseline 0 and
// significance 1. Everything is plain data: cheap to compute in the statistics pass (one loop beside the
// verdicts) and cheap to keep per row; the significance is computed when shown.
struct ChanceFigures {
    std::int64_t draws = 0;     // plain count of the window's draws
    std::int64_t hits = 0;      // plain count of hits among them
    std::int64_t named = 0;     // draws whose carried value names a digit
    std::int64_t noDigit = 0;   // draws whose carried value names no digit (negative remainder); the rest empty
    double chanceNamed = 0.0;   // chance that a named digit hits, per the hit rule
    double chanceNoDigit = 0.0; // 1 for kill, 0 for keep
    double baseline = 0.0;      // percent, the (weighted) mean chance; 0 for an empty window
    bool windowEmpty = true;

    double excess(double rate) const { return windowEmpty ? 0.0 : rate - baseline; }
    // Draws that hit whatever the digits are (kill values naming no digit).
    std::int64_t sureHits() const { return chanceNoDigit >= 1.0 ? noDigit : 0; }
};

inline constexpr std::int64_t kExactSignificanceDraws = 1000;

struct Significance {
    double p = 1.0;    // P(X >= observed hits)
    bool exact = true; // false: normal approximation with continuity correction
};

// Figures over rows [start, eval.end) of an evaluation (start is clamped to the rows it holds, as
// FormulaEvaluation::hitsFrom does), for the kind and sense it was evaluated with.
ChanceFigures chanceFigures(const FormulaEvaluation& eval, int start, const FormulaKind& kind, bool kill,
                            bool weighted);

// What a draw's carried value is to the chance figures: empty (chance 0), naming no digit (a negative
// remainder: chance 1 for kill, 0 for keep) or naming a digit (the hit rule's chance).
enum class ChanceClass { Empty, NoDigit, Named };
inline ChanceClass chanceClassOf(std::optional<std::int32_t> carriedValue)
{
    if (!carriedValue) {
        return ChanceClass::Empty;
    }
    return predictedRemainder(*carriedValue) < 0 ? ChanceClass::NoDigit : ChanceClass::Named;
}

// The class counts every chance computation fills, plain and weighted; only chanceFiguresFromCounts turns
// them into figures. The weighted totals use the window's j*j weights (j = 1 for its oldest draw) when
// weighted, else they equal the plain counts. Empty draws count in draws and weightTotal only.
struct ChanceCounts {
    std::int64_t draws = 0;
    std::int64_t hits = 0;
    std::int64_t named = 0;
    std::int64_t noDigit = 0;
    std::int64_t weightTotal = 0;
    std::int64_t weightNamed = 0;
    std::int64_t weightNoDigit = 0;

    // The weight of the j-th draw of a window (j from 1).
    static std::int64_t drawWeight(std::int64_t j, bool weighted) { return weighted ? j * j : 1; }
    // The summed weight of the first m draws: m (m + 1) (2m + 1) / 6 weighted, else m.
    static std::int64_t totalWeight(std::int64_t m, bool weighted)
    {
        return weighted ? m * (m + 1) * (2 * m + 1) / 6 : m;
    }
    // One draw of the given class and weight.
    void add(ChanceClass c, bool hit, std::int64_t weight)
    {
        ++draws;
        hits += hit ? 1 : 0;
        weightTotal += weight;
        if (c == ChanceClass::NoDigit) {
            ++noDigit;
            weightNoDigit += weight;
        } else if (c == ChanceClass::Named) {
            ++named;
            weightNamed += weight;
        }
    }
    // The next draw of a window fed oldest first: its weight follows from the draws counted so far.
    void addNext(ChanceClass c, bool hit, bool weighted) { add(c, hit, drawWeight(draws + 1, weighted)); }
};

// The one rule from counts to figures: every chance computation ends here.
ChanceFigures chanceFiguresFromCounts(const FormulaKind& kind, bool kill, const ChanceCounts& counts);

// The same, fed one draw at a time (oldest first) by code that judges draws itself.
class ChanceCounter {
public:
    ChanceCounter(const FormulaKind& kind, bool kill, bool weighted);
    void add(std::optional<std::int32_t> carriedValue, bool hit)
    {
        m_counts.addNext(chanceClassOf(carriedValue), hit, m_weighted);
    }
    // A draw whose class the caller knows (a value naming no digit or a digit, or none).
    void add(ChanceClass c, bool hit) { m_counts.addNext(c, hit, m_weighted); }
    const ChanceCounts& counts() const { return m_counts; }
    ChanceFigures figures() const;

private:
    FormulaKind m_kind;
    bool m_kill;
    bool m_weighted;
    ChanceCounts m_counts;
};

// First snapshot row after `issue` (issues compare as the store orders them), at least 1 since the first
// draw carries no value; size() when no draw came after. The forward figures count rows from here.
int firstRowAfterIssue(const HistorySnapshot& snapshot, const QString& issue);

// One-sided significance of the observed hits: exact up to kExactSignificanceDraws draws, else normal.
Significance significance(const ChanceFigures& f);

// P(Bin(n, p) >= k), summed exactly (terms by recurrence from the side away from the mode).
double binomialTail(std::int64_t n, double p, std::int64_t k);
// Normal approximation of the same with continuity correction.
double binomialTailNormal(std::int64_t n, double p, std::int64_t k);

// Cell texts: "随机基准" as the rate ("90.0000%"), "超出基准" signed points ("+3.1250", "-0.5000"),
// "显著性" as a probability ("0.0123", "3.1e-07"); empty windows show "—".
QString baselineText(const ChanceFigures& f);
QString excessText(const ChanceFigures& f, double rate);
QString significanceText(const ChanceFigures& f);
// The same from its significance worked out already (a printed list shows the probability beside it).
QString significanceText(const ChanceFigures& f, const Significance& s);
// The forward cell "入库后": plain rate with one decimal, hits/draws and the baseline, for example
// "90.0% (27/30) 基准90.0%"; "—" when no draw came after.
QString forwardText(const ChanceFigures& f);
// Tooltip of a significance cell: which computation gave it.
QString significanceToolTip(const ChanceFigures& f);

} // namespace korvel
