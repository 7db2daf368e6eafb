#include "verify/FormulaList.h"

#include "platform/Dialogs.h"
#include "verify/SumEvaluation.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>

namespace korvel {

namespace {

const QString kDeleteTitle = QStringLiteral("删除公式");

} // namespace

QString FormulaList::columnHeader(int column, bool weighted)
{
    switch (column) {
    case ColNumber:
        return QStringLiteral("序号");
    case ColFormula:
        return QStringLiteral("公式");
    case ColKind:
        return QStringLiteral("种类");
    case ColSense:
        return QStringLiteral("生杀");
    case ColNextValue:
        return QStringLiteral("计算值");
    case ColRate:
        return weighted ? QStringLiteral("正确率（加权算法）") : QStringLiteral("正确率");
    case ColErrCon:
        return QStringLiteral("最大连错");
    case ColTrueCon:
        return QStringLiteral("最大连对");
    case ColErrLst:
        return QStringLiteral("最后连错");
    case ColTrueLst:
        return QStringLiteral("最后连对");
    case ColIdx:
        return QStringLiteral("idx");
    case ColBaseline:
        return QStringLiteral("随机基准");
    case ColExcess:
        return QStringLiteral("超出基准");
    case ColSignificance:
        return QStringLiteral("显著性");
    case ColForward:
        return QStringLiteral("入库后");
    default:
        return {};
    }
}

int FormulaList::columnWidthTwips(int column)
{
    // Counted, not sized: a width left out would hide its column.
    static constexpr int widths[] = {420, 4800, 600, 420, 600, 2800, 800, 800, 800, 800, 0, 1200, 1000, 1000, 2600};
    static_assert(std::size(widths) == ColumnCount, "one width per column");
    return column >= 0 && column < ColumnCount ? widths[column] : 0;
}

QString FormulaList::perDrawHeader(int r)
{
    const int number = r + 1;
    return number < 100 ? QStringLiteral("公式%1").arg(number) : QStringLiteral("式%1").arg(number);
}

FormulaList::FormulaList(FormulaStore& store, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_store(store), m_dialogs(dialogs), m_flags(kMaxIdx + 1, 0)
{
}

FormulaList::~FormulaList() = default;

int FormulaList::rowOfIdx(int idx) const
{
    const auto it = m_rowOfIdx.find(idx);
    return it == m_rowOfIdx.end() ? -1 : it->second;
}

QString FormulaList::cellText(int r, int column, bool chinese) const
{
    const FormulaListRow& x = row(r);
    const FormulaStats& s = x.formula.stats;
    switch (column) {
    case ColNumber:
        return QString::number(r + 1);
    case ColFormula:
        return chinese ? x.formula.gongshiCN : x.formula.gongshi;
    case ColKind:
        return m_kind.label();
    case ColSense:
        return senseWord(x.formula.bolKill);
    case ColNextValue:
        return x.evaluable ? x.nextValueText : QStringLiteral("无法计算");
    case ColRate:
        return rateText(s);
    case ColErrCon:
        return QString::number(s.errCon);
    case ColTrueCon:
        return QString::number(s.trueCon);
    case ColErrLst:
        return QString::number(s.errLst);
    case ColTrueLst:
        return QString::number(s.trueLst);
    case ColIdx:
        return QString::number(x.formula.idx);
    case ColBaseline:
        return baselineText(x.chance);
    case ColExcess:
        return excessText(x.chance, static_cast<double>(s.rate));
    case ColSignificance:
        return significanceText(x.chance);
    case ColForward:
        return x.forward ? forwardText(*x.forward) : QStringLiteral("—");
    default:
        return {};
    }
}

QString FormulaList::cellToolTip(int r, int column) const
{
    const FormulaListRow& x = row(r);
    switch (column) {
    case ColBaseline:
        return QStringLiteral("随机开奖下该公式在同一窗口（同一加权）的平均命中概率");
    case ColExcess:
        return QStringLiteral("正确率减随机基准（百分点）");
    case ColSignificance:
        return significanceToolTip(x.chance);
    case ColForward:
        return x.forward ? QStringLiteral("公式入库（期号 %1 之后）以来的命中/期数，及其随机基准")
                               .arg(x.formula.entryIssue->isEmpty() ? QStringLiteral("无") : *x.formula.entryIssue)
                         : QStringLiteral("数据库未记录入库期号");
    default:
        return {};
    }
}

int FormulaList::topRowAfterFill() const
{
    return rowCount() >= 30 ? rowCount() - 1 : -1;
}

bool FormulaList::isSelected(int idx) const
{
    return idx >= 0 && idx <= kMaxIdx && m_flags[static_cast<std::size_t>(idx)] != 0;
}

void FormulaList::setSelected(int idx, bool selected)
{
    if (idx < 0 || idx > kMaxIdx) {
        return;
    }
    m_flags[static_cast<std::size_t>(idx)] = selected ? 1 : 0;
    emit selectionChanged();
}

void FormulaList::setSelected(const std::vector<int>& idxs, bool selected)
{
    for (int idx : idxs) {
        if (idx >= 0 && idx <= kMaxIdx) {
            m_flags[static_cast<std::size_t>(idx)] = selected ? 1 : 0;
        }
    }
    emit selectionChanged();
}

int FormulaList::selectedCount() const
{
    int n = 0;
    for (int r = 0; r < rowCount(); ++r) {
        n += rowSelected(r) ? 1 : 0;
    }
    return n;
}

void FormulaList::AddGongshi(const FormulaKind& kind, bool kill)
{
    m_kind = kind;
    m_kill = kill;
    load(false);
}

void FormulaList::AddGongshiZhonglei()
{
    load(true);
}

void FormulaList::load(bool keepFlags)
{
    emit aboutToRebuild();
    m_rows.clear();
    m_expressions.clear();
    m_perDraw.clear();
    m_perDrawRows = 0;
    m_marks.clear();
    m_rowOfIdx.clear();
    std::vector<Formula> formulas;
    if (m_store.isOpen() && m_kind.valid()) {
        try {
            formulas = m_store.list(m_kind, m_kill);
        } catch (const std::exception& e) {
            reportFailure(e);
        }
    }
    m_rows.reserve(formulas.size());
    m_expressions.reserve(formulas.size());
    for (Formula& f : formulas) {
        FormulaListRow row;
        row.formula = std::move(f);
        m_expressions.push_back(Expression::compile(row.formula.gongshi));
        row.evaluable = m_expressions.back().ok();
        row.error = m_expressions.back().error();
        row.formula.stats.evaluable = row.evaluable;
        m_rowOfIdx.emplace(row.formula.idx, static_cast<int>(m_rows.size()));
        m_rows.push_back(std::move(row));
    }
    if (!keepFlags) {
        for (const FormulaListRow& row : m_rows) {
            if (row.formula.idx >= 0 && row.formula.idx <= kMaxIdx) {
                m_flags[static_cast<std::size_t>(row.formula.idx)] = 1;
            }
        }
    }
    emit rebuilt();
}

int FormulaList::appendFormula(const FormulaKind& kind, const QString& gongshi, const QString& gongshiCN, bool kill)
{
    try {
        const int idx = m_store.appendFormula(kind, gongshi, gongshiCN, kill);
        if (idx == 0) {
            m_dialogs.message(QStringLiteral("添加公式失败"), formulaLimitText(1), Dialogs::Buttons::Ok,
                              Dialogs::Icon::Warning);
        }
        if (idx >= 0 && idx <= kMaxIdx) {
            m_flags[static_cast<std::size_t>(idx)] = 1;
        }
        return idx;
    } catch (const std::exception& e) {
        reportFailure(e);
        return 0;
    }
}

bool FormulaList::reportFailure(const std::exception& e)
{
    m_dialogs.message(QStringLiteral("公式数据库错误"),
                      QStringLiteral("公式表未能读写，数据保持原样。\n%1").arg(QString::fromUtf8(e.what())),
                      Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
    return false;
}

bool FormulaList::deleteAt(int r, bool flagsFollow)
{
    if (r < 0 || r >= rowCount()) {
        return false;
    }
    std::vector<std::uint8_t> byPosition;
    byPosition.reserve(m_rows.size());
    for (int k = 0; k < rowCount(); ++k) {
        byPosition.push_back(rowSelected(k) ? 1 : 0);
    }
    Renumbering moved;
    try {
        moved = m_store.deleteFormula(m_kind, idxOfRow(r));
    } catch (const std::exception& e) {
        return reportFailure(e);
    }
    if (flagsFollow) {
        const std::vector<std::uint8_t> old = m_flags;
        std::fill(m_flags.begin(), m_flags.end(), std::uint8_t{0});
        for (const Renumbering::Move& m : moved.moves) {
            if (m.from >= 0 && m.from <= kMaxIdx && m.to <= kMaxIdx) {
                m_flags[static_cast<std::size_t>(m.to)] = old[static_cast<std::size_t>(m.from)];
            }
        }
    }
    AddGongshiZhonglei();
    if (!flagsFollow) {
        // The flags stay at their list positions: the formulas after the deleted one take over the flags of
        // the rows above them.
        for (int k = 0; k < rowCount() && k < static_cast<int>(byPosition.size()); ++k) {
            const int idx = idxOfRow(k);
            if (idx >= 0 && idx <= kMaxIdx) {
                m_flags[static_cast<std::size_t>(idx)] = byPosition[static_cast<std::size_t>(k)];
            }
        }
    }
    emit selectionChanged();
    emit formulasChanged();
    return true;
}

bool FormulaList::deleteFormulaAt(int r)
{
    return deleteAt(r, true);
}

bool FormulaList::deleteLastFormulaAt(int r)
{
    return deleteAt(r, false);
}

bool FormulaList::deleteWhereFlag(bool flag)
{
    const QString text = flag ? QStringLiteral("确实要删除选中的所有公式(公式列表序号蓝色表示)吗?")
                              : QStringLiteral("确实要删除选未中的所有公式(公式列表序号灰色表示)吗?");
    if (!m_dialogs.confirm(kDeleteTitle, text)) {
        return false;
    }
    std::vector<int> doomed;
    for (int r = 0; r < rowCount(); ++r) {
        if (rowSelected(r) == flag) {
            doomed.push_back(idxOfRow(r));
        }
    }
    try {
        m_store.deleteFormulas(m_kind, doomed);
    } catch (const std::exception& e) {
        return reportFailure(e);
    }
    AddGongshi(m_kind, m_kill);
    emit selectionChanged();
    emit formulasChanged();
    return true;
}

bool FormulaList::deleteSelected()
{
    return deleteWhereFlag(true);
}

bool FormulaList::deleteUnselected()
{
    return deleteWhereFlag(false);
}

bool FormulaList::clearAll()
{
    if (!m_dialogs.confirm(QStringLiteral("清空所有公式"),
                           QStringLiteral("清空所有公式后将无法恢复，是否清空所有类别的公式？"))) {
        return false;
    }
    try {
        m_store.clearAll();
    } catch (const std::exception& e) {
        return reportFailure(e);
    }
    AddGongshi(m_kind, m_kill);
    emit formulasChanged();
    return true;
}

void FormulaList::selectAll()
{
    for (int r = 0; r < rowCount(); ++r) {
        const int idx = idxOfRow(r);
        if (idx >= 0 && idx <= kMaxIdx) {
            m_flags[static_cast<std::size_t>(idx)] = 1;
        }
    }
    emit selectionChanged();
}

void FormulaList::invertSelection()
{
    for (int r = 0; r < rowCount(); ++r) {
        const int idx = idxOfRow(r);
        if (idx >= 0 && idx <= kMaxIdx) {
            m_flags[static_cast<std::size_t>(idx)] ^= 1;
        }
    }
    emit selectionChanged();
}

void FormulaList::toggleRow(int r)
{
    if (r < 0 || r >= rowCount()) {
        return;
    }
    setSelected(idxOfRow(r), !rowSelected(r));
}

void FormulaList::Yansuan(const HistorySnapshot& snapshot, const PassSettings& settings)
{
    const int n = snapshot.size();
    const int start = evaluationWindowStart(n, settings.figures.windowDraws, settings.figures.syBq);
    m_perDraw.clear();
    m_perDrawRows = 0;
    m_marks.clear();
    if (settings.perDrawDisplay) {
        m_perDraw.resize(m_rows.size());
        m_perDrawRows = n;
    }
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
                evaluateSum(snapshot, *expr.integerSum(), m_kind, row.formula.bolKill, from, sums);
                row.formula.stats = sumFigures(sums, start, settings.figures.weighted, row.formula.stats.rate).stats;
                row.chance = sumChanceFigures(sums, start, m_kind, row.formula.bolKill, settings.figures.weighted);
                row.forward.reset();
                if (row.formula.entryIssue) {
                    row.forward = sumChanceFigures(sums, forwardStart, m_kind, row.formula.bolKill, false);
                }
                row.evaluable = true;
                row.next = sums.next;
                row.nextValueText =
                    rowSelected(static_cast<int>(i)) && row.next ? QString::number(*row.next) : QString();
                continue;
            }
            EvaluateFormula(snapshot, expr, m_kind, row.formula.bolKill, from, eval);
            FormulaFigures fig =
                formulaFigures(eval.hitsFrom(start), settings.figures.weighted, row.formula.stats.rate);
            fig.stats.evaluable = expr.ok();
            row.formula.stats = fig.stats;
            row.chance = chanceFigures(eval, start, m_kind, row.formula.bolKill, settings.figures.weighted);
            row.forward.reset();
            if (row.formula.entryIssue) {
                row.forward = chanceFigures(eval, forwardStart, m_kind, row.formula.bolKill, false);
            }
            row.evaluable = expr.ok();
            row.next = eval.nextValue();
            row.nextValueText = rowSelected(static_cast<int>(i)) && row.next ? QString::number(*row.next) : QString();
            if (settings.perDrawDisplay) {
                fillPerDraw(eval, settings.displayColumn, m_perDraw[i]);
            }
        }
    };
    const std::size_t count = m_rows.size();
    std::size_t threads = settings.threads > 0 ? static_cast<std::size_t>(settings.threads)
                          : count > 1000       ? std::max(1u, std::thread::hardware_concurrency())
                                               : 1;
    threads = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(count, 1));
    std::vector<std::thread> workers;
    workers.reserve(threads - 1);
    try {
        for (std::size_t t = 1; t < threads; ++t) {
            workers.emplace_back(passRange, count * t / threads, count * (t + 1) / threads);
        }
    } catch (const std::system_error&) {
        // No more threads to be had: the calling thread takes the ranges that found none.
    }
    passRange(0, count / threads);
    passRange(count * (workers.size() + 1) / threads, count);
    for (std::thread& w : workers) {
        w.join();
    }
    emit figuresChanged();
    ArrGs();
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
    const std::int32_t* canshu = eval.canshu.data();
    const std::uint8_t* valid = eval.canshuValid.data();
    const std::uint8_t* hits = eval.hits.data();
    std::int8_t* value = out.value.data();
    DrawMark* mark = out.mark.data();
    if (column == DisplayColumn::Canshu) {
        // Each draw shows its own value, coloured by whether that value hit the following draw.
        for (int d = 0; d < n; ++d) {
            value[d] = valid[d] ? static_cast<std::int8_t>(canshu[d] % 10) : PerDrawColumn::kEmpty;
        }
        for (int d = 0; d + 1 < n; ++d) {
            mark[d] = hits[d + 1] ? DrawMark::Hit : DrawMark::Miss;
        }
    } else {
        // Each draw shows the value predicted for it and its own verdict.
        for (int d = 1; d < n; ++d) {
            value[d] = valid[d - 1] ? static_cast<std::int8_t>(canshu[d - 1] % 10) : PerDrawColumn::kEmpty;
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

bool FormulaList::ArrGs()
{
    if (m_rows.empty() || !m_store.isOpen()) {
        return true;
    }
    try {
        m_store.writeFigures(m_kind, m_kill, figuresToStore());
        return true;
    } catch (const std::exception& e) {
        return reportFailure(e);
    }
}

std::vector<CalcuResult> FormulaList::YansuanCalcu(const HistorySnapshot& snapshot,
                                                   const FigureSettings& settings) const
{
    const int start = evaluationWindowStart(snapshot.size(), settings.windowDraws, settings.syBq);
    std::vector<CalcuResult> out;
    out.reserve(m_rows.size());
    FormulaEvaluation eval;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const FormulaListRow& row = m_rows[i];
        EvaluateFormula(snapshot, m_expressions[i], m_kind, row.formula.bolKill, start, eval);
        std::int64_t run = 0;
        const auto hits = eval.hitsFrom(start);
        for (auto it = hits.rbegin(); it != hits.rend() && *it; ++it) {
            ++run;
        }
        CalcuResult c;
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
