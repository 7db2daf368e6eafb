// The statistics pass of the formula list (`statisticsPass`), its write-back (`writeBackFigures`), the light pass
// (`lightPass`) and the 计算值 highlight.
#include "verify/FormulaList.h"

#include "history/HistorySnapshot.h"
#include "verify/ParallelRanges.h"
#include "verify/SumEvaluation.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>

namespace korvel {

namespace {

// The 计算值 text of a remainder (-9..9): shared copies of texts made once, so that the pass allocates
// nothing per formula.
QString nextValueText(int value)
{
    static const std::array<QString, 19> texts = [] {
        std::array<QString, 19> t;
        for (int v = -9; v <= 9; ++v) {
            t[static_cast<std::size_t>(v + 9)] = QString::number(v);
        }
        return t;
    }();
    return value >= -9 && value <= 9 ? texts[static_cast<std::size_t>(value + 9)] : QString::number(value);
}

// The columns the table stores: equal figures need no write.
bool sameStoredFigures(const FormulaStats& a, const FormulaStats& b)
{
    return a.rate == b.rate && a.errCon == b.errCon && a.trueCon == b.trueCon && a.errLst == b.errLst &&
           a.trueLst == b.trueLst;
}

} // namespace

void FormulaList::statisticsPass(const HistorySnapshot& snapshot, const PassSettings& settings)
{
    const int n = snapshot.size();
    const int start = evaluationWindowStart(n, settings.figures.windowDraws, settings.figures.excludeCurrent);
    m_perDraw.clear();
    m_perDrawRows = 0;
    m_marks.clear();
    if (settings.perDrawDisplay) {
        m_perDraw.resize(m_rows.size());
        m_perDrawRows = n;
    }
    // Figures as loaded or last written, against the new ones: the write-back takes the changed rows only.
    std::vector<std::uint8_t> changed(m_rows.size(), 0);
    // Each formula's figures depend on that formula alone: contiguous ranges of rows go to the threads,
    // each writing only its own rows, so the results stay in list order.
    const auto passRange = [&](std::size_t first, std::size_t last) {
        FormulaEvaluation eval; // buffers reused across the range's formulas
        SumEvaluation sums;
        for (std::size_t i = first; i < last; ++i) {
            FormulaListRow& row = m_rows[i];
            const Expression& expr = m_expressions[i];
            // The forward draws may reach back before the window (a formula kept for long).
            const int forwardStart = row.formula.entryIssue ? firstRowAfterIssue(snapshot, *row.formula.entryIssue) : n;
            const int from = settings.perDrawDisplay ? 0 : std::min(start, forwardStart);
            if (settings.integerPath && expr.integerSum() && !settings.perDrawDisplay) {
                // Plain sums take the integer path: the same figures without the per-draw arrays.
                evaluateSum(snapshot, *expr.integerSum(), m_kind, row.formula.kill, from, sums);
                const FormulaStats stats =
                    sumFigures(sums, start, settings.figures.weighted, row.formula.stats.rate).stats;
                changed[i] = !sameStoredFigures(row.formula.stats, stats);
                row.formula.stats = stats;
                row.chance = sumChanceFigures(sums, start, m_kind, row.formula.kill, settings.figures.weighted);
                row.forward.reset();
                if (row.formula.entryIssue) {
                    row.forward = sumChanceFigures(sums, forwardStart, m_kind, row.formula.kill, false);
                }
                row.evaluable = true;
                row.next = sums.next;
                row.nextValueText = rowSelected(static_cast<int>(i)) && row.next ? nextValueText(*row.next) : QString();
                continue;
            }
            EvaluateFormula(snapshot, expr, m_kind, row.formula.kill, from, eval);
            FormulaFigures fig =
                formulaFigures(eval.hitsFrom(start), settings.figures.weighted, row.formula.stats.rate);
            fig.stats.evaluable = expr.ok();
            changed[i] = !sameStoredFigures(row.formula.stats, fig.stats);
            row.formula.stats = fig.stats;
            row.chance = chanceFigures(eval, start, m_kind, row.formula.kill, settings.figures.weighted);
            row.forward.reset();
            if (row.formula.entryIssue) {
                row.forward = chanceFigures(eval, forwardStart, m_kind, row.formula.kill, false);
            }
            row.evaluable = expr.ok();
            row.next = eval.nextValue();
            row.nextValueText = rowSelected(static_cast<int>(i)) && row.next ? nextValueText(*row.next) : QString();
            if (settings.perDrawDisplay) {
                fillPerDraw(eval, settings.displayColumn, m_perDraw[i]);
            }
        }
    };
    const std::size_t count = m_rows.size();
    forEachRange(count, settings.threads, passRange);
    emit figuresChanged();
    writeBackChanged(changed, settings.writeBack);
}

void FormulaList::writeBackChanged(const std::vector<std::uint8_t>& changed, bool writeBack)
{
    // Only the rows whose stored figures changed go to the table (none when the history and the settings
    // are as at the last pass), with those an earlier pass without write-back left in memory.
    std::vector<StoredFigures> write;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_unwritten[i] = m_unwritten[i] | changed[i];
        if (m_unwritten[i] && writeBack) {
            write.push_back({m_rows[i].formula.idx, m_rows[i].formula.stats});
        }
    }
    if (!write.empty() && m_store.isOpen()) {
        try {
            m_store.writeFigures(m_kind, m_kill, write);
            std::fill(m_unwritten.begin(), m_unwritten.end(), std::uint8_t{0});
        } catch (const std::exception& e) {
            reportFigureWriteFailure(e);
        }
    }
}

void FormulaList::fillPerDraw(const FormulaEvaluation& eval, DisplayColumn column, PerDrawColumn& out)
{
    // A full-history evaluation: values and verdicts both start at row 0.
    const int n = eval.end;
    out.value.assign(static_cast<std::size_t>(n), PerDrawColumn::kEmpty);
    out.mark.assign(static_cast<std::size_t>(n), DrawMark::None);
    if (n == 0) {
        return;
    }
    const std::int32_t* intValues = eval.intValues.data();
    const std::uint8_t* valid = eval.intValueValid.data();
    const std::uint8_t* hits = eval.hits.data();
    std::int8_t* value = out.value.data();
    DrawMark* mark = out.mark.data();
    if (column == DisplayColumn::CurrentIssue) {
        // Each draw shows its own value, coloured by whether that value hit the following draw.
        for (int d = 0; d < n; ++d) {
            value[d] = valid[d] ? static_cast<std::int8_t>(intValues[d] % 10) : PerDrawColumn::kEmpty;
        }
        for (int d = 0; d + 1 < n; ++d) {
            mark[d] = hits[d + 1] ? DrawMark::Hit : DrawMark::Miss;
        }
    } else {
        // Each draw shows the value predicted for it and its own verdict.
        for (int d = 1; d < n; ++d) {
            value[d] = valid[d - 1] ? static_cast<std::int8_t>(intValues[d - 1] % 10) : PerDrawColumn::kEmpty;
        }
        for (int d = 0; d < n; ++d) {
            mark[d] = hits[d] ? DrawMark::Hit : DrawMark::Miss;
        }
    }
}

std::vector<StoredFigures> FormulaList::figuresToStore() const
{
    std::vector<StoredFigures> out;
    out.reserve(m_rows.size());
    for (const FormulaListRow& row : m_rows) {
        out.push_back({row.formula.idx, row.formula.stats});
    }
    return out;
}

bool FormulaList::writeBackFigures()
{
    if (m_rows.empty() || !m_store.isOpen()) {
        return true;
    }
    try {
        m_store.writeFigures(m_kind, m_kill, figuresToStore());
        std::fill(m_unwritten.begin(), m_unwritten.end(), std::uint8_t{0});
        return true;
    } catch (const std::exception& e) {
        reportFigureWriteFailure(e);
        return false;
    }
}

bool FormulaList::writeUnwrittenFigures()
{
    std::vector<StoredFigures> write;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_unwritten[i]) {
            write.push_back({m_rows[i].formula.idx, m_rows[i].formula.stats});
        }
    }
    if (write.empty() || !m_store.isOpen()) {
        return true;
    }
    try {
        m_store.writeFigures(m_kind, m_kill, write);
        std::fill(m_unwritten.begin(), m_unwritten.end(), std::uint8_t{0});
        return true;
    } catch (const std::exception& e) {
        reportFigureWriteFailure(e);
        return false;
    }
}

std::vector<LightPassResult> FormulaList::lightPass(const HistorySnapshot& snapshot,
                                                    const FigureSettings& settings) const
{
    const int start = evaluationWindowStart(snapshot.size(), settings.windowDraws, settings.excludeCurrent);
    std::vector<LightPassResult> out;
    out.reserve(m_rows.size());
    FormulaEvaluation eval;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const FormulaListRow& row = m_rows[i];
        EvaluateFormula(snapshot, m_expressions[i], m_kind, row.formula.kill, start, eval);
        std::int64_t run = 0;
        const auto hits = eval.hitsFrom(start);
        for (auto it = hits.rbegin(); it != hits.rend() && *it; ++it) {
            ++run;
        }
        LightPassResult c;
        c.idx = row.formula.idx;
        c.trueLst = static_cast<std::int16_t>(std::min<std::int64_t>(run, INT16_MAX));
        c.evaluable = m_expressions[i].ok();
        if (rowSelected(static_cast<int>(i))) {
            c.next = eval.nextValue();
        }
        out.push_back(c);
    }
    return out;
}

void FormulaList::markNextValue(int r)
{
    if (r < 0 || r >= rowCount()) {
        return;
    }
    // Every row of the list is of the list's kind, so equal kinds reduce to equal 计算值 texts.
    const QString& clicked = row(r).nextValueText;
    m_marks.assign(m_rows.size(), NextValueMark::Other);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].nextValueText == clicked) {
            m_marks[i] = NextValueMark::Match;
        }
    }
    emit figuresChanged();
}

} // namespace korvel
