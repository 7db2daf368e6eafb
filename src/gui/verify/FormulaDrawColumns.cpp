#include "gui/verify/FormulaDrawColumns.h"

#include "verify/FormulaList.h"

namespace korvel {

FormulaDrawColumns::FormulaDrawColumns(const FormulaList& list)
    : m_list(list), m_count(list.hasPerDraw() ? list.rowCount() : 0), m_hit(QColor(0, 0, 255)),
      m_miss(QColor(0, 255, 0)), m_onHit(QColor(255, 255, 255))
{
    for (int d = 0; d < 10; ++d) {
        m_digits[static_cast<std::size_t>(d)] = QString::number(d);
    }
}

QString FormulaDrawColumns::title(int i) const
{
    return HistoryGridModel::formulaColumnTitle(i + 1);
}

QString FormulaDrawColumns::text(int row, int i) const
{
    if (i >= m_list.rowCount() || !m_list.hasPerDraw() || row >= m_list.perDrawRowCount()) {
        return {};
    }
    const std::optional<int> v = m_list.perDraw(i).valueAt(row);
    if (!v) {
        return {};
    }
    // A negative value leaves a negative remainder, shown as it is.
    return *v >= 0 ? m_digits[static_cast<std::size_t>(*v)] : QString::number(*v);
}

QVariant FormulaDrawColumns::roleData(int row, int i, int role) const
{
    if ((role != Qt::BackgroundRole && role != Qt::ForegroundRole) || i >= m_list.rowCount() || !m_list.hasPerDraw() ||
        row >= m_list.perDrawRowCount()) {
        return {};
    }
    switch (m_list.perDraw(i).mark[static_cast<std::size_t>(row)]) {
    case DrawMark::Hit:
        return role == Qt::BackgroundRole ? m_hit : m_onHit;
    case DrawMark::Miss:
        return role == Qt::BackgroundRole ? QVariant(m_miss) : QVariant();
    case DrawMark::None:
        break;
    }
    return {};
}

} // namespace korvel
