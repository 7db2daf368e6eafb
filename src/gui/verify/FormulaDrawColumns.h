#pragma once

#include "gui/history/HistoryGridModel.h"

#include <QBrush>
#include <QString>

#include <array>

namespace korvel {

class FormulaList;

// The formula columns of the history grid: one per formula of the list, titled "公式1" … "公式99",
// "式100" …, each draw's cell showing the per-draw value (GSZCS) on blue for a hit and green for a miss.
// Everything is read from the per-draw display data of the last statistics pass; a cell only indexes
// arrays. The column count is fixed when the object is made (the grid model's contract); cells the list
// no longer backs (it was rebuilt and the pass has not run yet) show nothing.
//
// The list must outlive the object. GUI thread only.
class FormulaDrawColumns final : public HistoryGridExtraColumns {
public:
    explicit FormulaDrawColumns(const FormulaList& list);

    int columnCount() const override { return m_count; }
    QString title(int i) const override;
    QString text(int row, int i) const override;
    QVariant roleData(int row, int i, int role) const override;

private:
    const FormulaList& m_list;
    int m_count;
    std::array<QString, 10> m_digits;
    QBrush m_hit;
    QBrush m_miss;
    QBrush m_onHit;
};

} // namespace korvel
