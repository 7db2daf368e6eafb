#include "search/HoldoutCheck.h"

#include "formula/Expression.h"
#include "history/DrawParameters.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "tally/MethodBacktest.h"
#include "verify/ChanceFigures.h"
#include "verify/Evaluation.h"

namespace korvel {

HoldoutCheck::HoldoutCheck(SnapshotPtr full, int heldOut, std::optional<double> minRate)
    : m_full(std::move(full)), m_heldOut(heldOut), m_minRate(minRate)
{
}

HoldoutFigures HoldoutCheck::judge(const Candidate& c, const FormulaKind& kind, bool kill) const
{
    HoldoutFigures h;
    const int first = m_full->size() - m_heldOut;
    if (m_heldOut <= 0 || first < 1) {
        return h;
    }
    const Expression e = Expression::compile(candidateExpression(c));
    const FormulaEvaluation eval = EvaluateFormula(*m_full, e, kind, kill, first);
    const ChanceFigures figures = chanceFigures(eval, first, kind, kill, false);
    h.draws = static_cast<int>(figures.draws);
    h.hits = static_cast<int>(figures.hits);
    h.rate = h.draws > 0 ? 100.0 * h.hits / h.draws : 0.0;
    h.baseline = figures.baseline;
    // A rate that equals the bar passes (the same slack as the search's own thresholds).
    h.passed = h.rate >= m_minRate.value_or(h.baseline) - 0.0001;
    return h;
}

QString holdoutText(const HoldoutFigures& f)
{
    QString text = QStringLiteral("检验 %1% (%2/%3) 基准%4%")
                       .arg(f.rate, 0, 'f', 4)
                       .arg(f.hits)
                       .arg(f.draws)
                       .arg(f.baseline, 0, 'f', 4);
    if (!f.passed) {
        text += QStringLiteral(" 未通过");
    }
    return text;
}

SnapshotPtr heldOutSnapshot(const SnapshotPtr& full, int heldOut)
{
    if (!full || heldOut <= 0) {
        return full;
    }
    return std::make_shared<const HistorySnapshot>(snapshotPrefix(*full, full->size() - heldOut));
}

HistorySnapshot randomDigitsSnapshot(const HistorySnapshot& history, std::uint64_t seed)
{
    CandidateGenerator rng(seed);
    HistorySnapshot out;
    out.reserve(history.size());
    Digits previous;
    for (int r = 0; r < history.size(); ++r) {
        const Digits now{rng.digit(), rng.digit(), rng.digit()};
        // The stored issue and date values of the row, as the entry computed them.
        IssueDate when;
        when.qh = history.value(r, Param::QH);
        when.sqh = history.value(r, Param::SQH);
        when.year = history.value(r, Param::NF);
        when.month = history.value(r, Param::YF);
        when.day = history.value(r, Param::RQ);
        out.append(history.issue(r), computeDrawParameters(now, previous, when));
        previous = now;
    }
    return out;
}

} // namespace korvel
