#include "verify/FormulaList.h"

#include "verify/ParallelRanges.h"

// The formula list's rows: reading a table, appending, deleting one formula and clearing. The selection
// commands are in FormulaListSelection.cpp, the statistics pass in FormulaListFigures.cpp, the cell texts
// in FormulaListText.cpp.
#include "formula/FormulaLanguage.h"
#include "platform/Dialogs.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace korvel {

FormulaList::FormulaList(FormulaStore& store, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_store(store), m_dialogs(dialogs), m_flags(kMaxIdx + 1, 0), m_rowOfIdx(kMaxIdx + 1, -1)
{
}

FormulaList::~FormulaList() = default;

int FormulaList::rowOfIdx(int idx) const
{
    if (idx >= 0 && idx <= kMaxIdx) {
        return m_rowOfIdx[static_cast<std::size_t>(idx)];
    }
    const auto it = m_rowOfOtherIdx.find(idx);
    return it == m_rowOfOtherIdx.end() ? -1 : it->second;
}

int FormulaList::topRowAfterFill() const
{
    return rowCount() >= 30 ? rowCount() - 1 : -1;
}

void FormulaList::loadFormulas(const FormulaKind& kind, bool kill)
{
    m_kind = kind;
    m_kill = kill;
    load(false);
}

void FormulaList::reloadKeepingSelection()
{
    load(true);
}

void FormulaList::load(bool keepFlags)
{
    emit aboutToRebuild();
    // A reload after a command mostly finds the formulas it had, in the same order (a delete drops some,
    // an append adds at the end): their compiled expressions are taken over instead of compiled again.
    std::vector<Expression> previous = std::move(m_expressions);
    m_rows.clear();
    m_expressions.clear();
    m_unwritten.clear();
    m_perDraw.clear();
    m_perDrawRows = 0;
    m_marks.clear();
    std::fill(m_rowOfIdx.begin(), m_rowOfIdx.end(), -1);
    m_rowOfOtherIdx.clear();
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
    std::size_t next = 0; // the first previous row not taken over yet
    std::vector<std::size_t> toCompile;
    for (Formula& f : formulas) {
        FormulaListRow row;
        row.formula = std::move(f);
        m_expressions.emplace_back();
        if (!takeCompiled(previous, next, row.formula.expressionText, m_expressions.back())) {
            toCompile.push_back(m_rows.size());
        }
        m_rows.push_back(std::move(row));
    }
    compileRows(toCompile);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        FormulaListRow& row = m_rows[i];
        row.evaluable = m_expressions[i].ok();
        row.error = m_expressions[i].error();
        row.formula.stats.evaluable = row.evaluable;
        const int idx = row.formula.idx;
        if (idx >= 0 && idx <= kMaxIdx) {
            int& first = m_rowOfIdx[static_cast<std::size_t>(idx)];
            first = first < 0 ? static_cast<int>(i) : first;
        } else {
            m_rowOfOtherIdx.emplace(idx, static_cast<int>(i));
        }
    }
    m_unwritten.assign(m_rows.size(), 0);
    if (!keepFlags) {
        for (const FormulaListRow& row : m_rows) {
            if (row.formula.idx >= 0 && row.formula.idx <= kMaxIdx) {
                m_flags[static_cast<std::size_t>(row.formula.idx)] = 1;
            }
        }
    }
    emit rebuilt();
    tellUnevaluable();
}

bool FormulaList::takeCompiled(std::vector<Expression>& previous, std::size_t& next, const QString& expressionText,
                               Expression& out)
{
    // The previous rows are looked at in order a few ahead: the formulas deleted since are skipped, and a
    // table that changed wholly costs a few comparisons a row.
    constexpr std::size_t kLookAhead = 8;
    const std::size_t end = std::min(previous.size(), next + kLookAhead);
    for (std::size_t j = next; j < end; ++j) {
        if (previous[j].text() == expressionText) {
            next = j + 1;
            out = std::move(previous[j]);
            return true;
        }
    }
    return false;
}

void FormulaList::compileRows(const std::vector<std::size_t>& rows)
{
    // Each expression depends on its text alone: a long list is compiled on every core, contiguous parts
    // of it to each thread, as the pass runs.
    const auto compileRange = [&](std::size_t first, std::size_t last) {
        for (std::size_t k = first; k < last; ++k) {
            const std::size_t r = rows[k];
            m_expressions[r] = Expression::compile(m_rows[r].formula.expressionText);
        }
    };
    forEachRange(rows.size(), 0, compileRange);
}

void FormulaList::tellUnevaluable()
{
    // Each stored formula that cannot be compiled is named once while the list lives (a rebuild, a switch
    // of kind and back say nothing new), so that the player learns of it and can delete it.
    constexpr int kNamed = 5;
    QStringList named;
    int count = 0;
    for (int r = 0; r < rowCount(); ++r) {
        const FormulaListRow& x = row(r);
        if (x.evaluable) {
            continue;
        }
        const QString key = m_kind.tableName() + QChar(0x1F) + (x.formula.kill ? QLatin1Char('1') : QLatin1Char('0')) +
                            QChar(0x1F) + x.formula.expressionText;
        if (!m_toldUnevaluable.insert(key).second) {
            continue;
        }
        if (++count <= kNamed) {
            named << QStringLiteral("第 %1 条「%2」：%3")
                         .arg(r + 1)
                         .arg(shortFormulaText(x.formula.displayText.isEmpty() ? x.formula.expressionText
                                                                               : x.formula.displayText,
                                               60),
                              x.error);
        }
    }
    if (count == 0) {
        return;
    }
    if (count > kNamed) {
        named << QStringLiteral("……共 %1 条").arg(count);
    }
    m_dialogs.message(QStringLiteral("公式无法计算"),
                      QStringLiteral("%1%2公式中有 %3 条无法计算，每一期都按错误计算，在列表中标为“无法计算”，"
                                     "可以删除：\n%4")
                          .arg(m_kind.label(), senseWord(m_kill))
                          .arg(count)
                          .arg(named.join(QLatin1Char('\n'))),
                      Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

int FormulaList::appendFormula(const FormulaKind& kind, const QString& expressionText, const QString& displayText,
                               bool kill)
{
    try {
        const int idx = m_store.appendFormula(kind, expressionText, displayText, kill);
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

void FormulaList::reportFigureWriteFailure(const std::exception& e)
{
    // Only the figures failed: a command that stored formulas before this pass did store them.
    m_dialogs.message(QStringLiteral("公式数据库错误"),
                      QStringLiteral("公式的正确率等统计数字未能写入公式表，表中仍是上次写入的统计数字；公式本身没有"
                                     "因此改变。\n%1")
                          .arg(QString::fromUtf8(e.what())),
                      Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
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
    reloadKeepingSelection();
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
    loadFormulas(m_kind, m_kill);
    emit formulasChanged();
    return true;
}

} // namespace korvel
