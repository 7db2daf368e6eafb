#include "tally/FormulaDetail.h"

#include "verify/FormulaList.h"

#include <algorithm>
#include <numeric>

namespace korvel {

namespace {

bool isPermutation(const std::vector<int>& order, int n)
{
    if (static_cast<int>(order.size()) != n) {
        return false;
    }
    std::vector<bool> seen(static_cast<std::size_t>(n), false);
    for (int r : order) {
        if (r < 0 || r >= n || seen[static_cast<std::size_t>(r)]) {
            return false;
        }
        seen[static_cast<std::size_t>(r)] = true;
    }
    return true;
}

double statistic(const FormulaStats& s, int column)
{
    switch (column) {
    case FormulaList::ColRate:
        return s.rate;
    case FormulaList::ColErrCon:
        return s.errCon;
    case FormulaList::ColTrueCon:
        return s.trueCon;
    case FormulaList::ColErrLst:
        return s.errLst;
    default:
        return s.trueLst;
    }
}

} // namespace

std::vector<int> formulaListOrder(const FormulaList& list, int column, const std::vector<int>& previousOrder)
{
    const int n = list.rowCount();
    if (column < FormulaList::ColRate || column > FormulaList::ColTrueLst) {
        if (isPermutation(previousOrder, n)) {
            return previousOrder;
        }
        column = -1;
    }
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    if (column >= 0) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return statistic(list.row(a).formula.stats, column) < statistic(list.row(b).formula.stats, column);
        });
    }
    return order;
}

QString formulaListCell(const FormulaList& list, const std::vector<int>& order, int displayRow, int column,
                        bool chinese)
{
    if (column == FormulaList::ColNumber) {
        return QString::number(displayRow + 1);
    }
    return list.cellText(order[static_cast<std::size_t>(displayRow)], column, chinese);
}

QStringList DetailedResultList::headers()
{
    return {QStringLiteral("序号"),     QStringLiteral("公式"),     QStringLiteral("类型"),
            QStringLiteral("生杀"),     QStringLiteral("结果"),     QStringLiteral("号码"),
            QStringLiteral("随机基准"), QStringLiteral("超出基准"), QStringLiteral("显著性")};
}

const std::vector<int>& DetailedResultList::columnWidthsTwips()
{
    static const std::vector<int> widths = {600, 6000, 600, 600, 600, 2400, 1200, 1000, 1000};
    return widths;
}

DetailedResultList detailedResultList(const FormulaList& list, const std::vector<int>& order, bool chinese,
                                      const QHash<int, QString>* tallyValues)
{
    const std::vector<int> shown = isPermutation(order, list.rowCount()) ? order : formulaListOrder(list, -1);
    DetailedResultList out;
    int number = 0;
    for (int r : shown) {
        if (!list.rowSelected(r)) {
            continue;
        }
        std::array<QString, DetailedResultList::kColumns> cells;
        cells[0] = QString::number(++number);
        for (int c = FormulaList::ColFormula; c <= FormulaList::ColRate; ++c) {
            cells[static_cast<std::size_t>(c)] = list.cellText(r, c, chinese);
        }
        cells[6] = list.cellText(r, FormulaList::ColBaseline, chinese);
        cells[7] = list.cellText(r, FormulaList::ColExcess, chinese);
        cells[8] = list.cellText(r, FormulaList::ColSignificance, chinese);
        if (tallyValues) {
            cells[FormulaList::ColNextValue] = tallyValues->value(list.idxOfRow(r));
        }
        out.rows.push_back(std::move(cells));
    }
    return out;
}

SheetGrid DetailedResultList::toSheet() const
{
    SheetGrid grid;
    const QStringList h = headers();
    for (int c = 0; c < h.size(); ++c) {
        grid.setText(0, c, h[c]);
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r) + 1;
        grid.setNumber(row, 0, rows[r][0].toInt());
        for (int c = 1; c < kColumns; ++c) {
            const QString& text = rows[r][static_cast<std::size_t>(c)];
            bool numeric = false;
            const int v = text.toInt(&numeric);
            if (c == 4 && numeric) {
                grid.setNumber(row, c, v);
            } else if (!text.isEmpty()) {
                grid.setText(row, c, text);
            }
        }
    }
    return grid;
}

SheetShown DetailedResultList::exportList(const QString& folder, Dialogs& dialogs, Launcher& launcher) const
{
    return showSheet(toSheet(), folder, QStringLiteral("gongshi.xls"), dialogs, launcher);
}

} // namespace korvel
