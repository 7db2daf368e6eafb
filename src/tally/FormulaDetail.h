#pragma once

#include "platform/SheetGrid.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace korvel {

class Dialogs;
class FormulaList;
class Launcher;

// Display order of the formula list (rows of the FormulaList, which holds them in `idx` order) after a
// double-click on `column`: columns 5..9 ("正确率", "最大连错", "最大连对", "最后连错", "最后连对") sort
// ascending by that statistic (ties in `idx` order), so the best formulas end at the bottom; any other
// column keeps `previousOrder` (the `idx` order when it is empty or stale).
std::vector<int> formulaListOrder(const FormulaList& list, int column, const std::vector<int>& previousOrder = {});

// The text of a cell of the formula list shown in `order`: column 0 is the display number (position in the
// order, from 1), the others as the list writes them.
QString formulaListCell(const FormulaList& list, const std::vector<int>& order, int displayRow, int column,
                        bool chinese);

// "详细结果列表" (`frmXxlb`): one row per selected formula of the list, in display order: a running number,
// then the formula, kind, sense, value and rate texts of the list.
struct DetailedResultList {
    static QString title() { return QStringLiteral("详细结果列表"); }
    // "序号", "公式", "类型", "生杀", "结果", "号码", then the chance figures "随机基准", "超出基准", "显著性".
    static QStringList headers();
    static constexpr int kColumns = 9;
    static const std::vector<int>& columnWidthsTwips();

    std::vector<std::array<QString, kColumns>> rows;

    SheetGrid toSheet() const;
    // "导出数据(&E)": writes "gongshi.xls" and shows it.
    SheetShown exportList(const QString& folder, Dialogs& dialogs, Launcher& launcher) const;
};

// `tallyValues` (idx -> the value text the tally used, from TallyOutcome) gives the "结果" column the
// values of the tally the list belongs to, which in verify mode are those of the draw before the verify
// issue; without it the column shows the list's 计算值.
DetailedResultList detailedResultList(const FormulaList& list, const std::vector<int>& order, bool chinese,
                                      const QHash<int, QString>* tallyValues = nullptr);

} // namespace korvel
