// The selection flags of the formula list and the commands that act on them: select, invert, toggle, and
// deleting the selected or the unselected formulas.
#include "verify/FormulaList.h"

#include "platform/Dialogs.h"

namespace korvel {

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

bool FormulaList::deleteWhereFlag(bool flag)
{
    const QString text = flag ? QStringLiteral("确实要删除选中的所有公式(公式列表序号蓝色表示)吗?")
                              : QStringLiteral("确实要删除选未中的所有公式(公式列表序号灰色表示)吗?");
    if (!m_dialogs.confirm(QStringLiteral("删除公式"), text)) {
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
    loadFormulas(m_kind, m_kill);
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

} // namespace korvel
