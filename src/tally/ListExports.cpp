#include "tally/ListExports.h"

#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "platform/Dialogs.h"
#include "platform/XlsWriter.h"
#include "tally/FormulaDetail.h"
#include "verify/FormulaList.h"

#include <algorithm>

namespace korvel {

namespace {

constexpr int kHistoryFixedColumns = 4;

} // namespace

SheetGrid formulaListSheet(const FormulaList& list, const std::vector<int>& order, bool chinese, bool weighted)
{
    const std::vector<int> shown = formulaListOrder(list, -1, order);
    SheetGrid grid;
    for (int c = 0; c < FormulaList::ColumnCount; ++c) {
        grid.setText(0, c, FormulaList::columnHeader(c, weighted));
    }
    for (int r = 0; r < static_cast<int>(shown.size()); ++r) {
        for (int c = 0; c < FormulaList::ColumnCount; ++c) {
            const QString text = formulaListCell(list, shown, r, c, chinese);
            // The chance columns at the right end are texts, as the rate is.
            const bool numeric =
                c == FormulaList::ColNumber || (c >= FormulaList::ColErrCon && c <= FormulaList::ColIdx);
            bool isValue = false;
            const double value = c == FormulaList::ColNextValue ? text.toDouble(&isValue) : 0.0;
            if (numeric) {
                grid.setNumber(r + 1, c, text.toInt());
            } else if (isValue) {
                grid.setNumber(r + 1, c, value); // 计算值, empty when the formula has none
            } else if (!text.isEmpty()) {
                grid.setText(r + 1, c, text);
            }
        }
    }
    return grid;
}

SheetShown ExportListToSpreadsheet(const FormulaList& list, const std::vector<int>& order, bool chinese, bool weighted,
                                   const QString& folder, Dialogs& dialogs, Launcher& launcher)
{
    return showSheet(formulaListSheet(list, order, chinese, weighted), folder, QStringLiteral("gongshi.xls"), dialogs,
                     launcher);
}

HistorySheet historySheet(const HistorySnapshot& snapshot, const FormulaList& list)
{
    HistorySheet out;
    SheetGrid& grid = out.grid;
    grid.setText(0, 0, QStringLiteral("期号"));
    grid.setText(0, 1, QStringLiteral("百位"));
    grid.setText(0, 2, QStringLiteral("十位"));
    grid.setText(0, 3, QStringLiteral("个位"));
    const int draws = snapshot.size();
    for (int r = 0; r < draws; ++r) {
        grid.setText(r + 1, 0, snapshot.issue(r));
        grid.setNumber(r + 1, 1, snapshot.value(r, Param::L1A));
        grid.setNumber(r + 1, 2, snapshot.value(r, Param::L2A));
        grid.setNumber(r + 1, 3, snapshot.value(r, Param::L3A));
    }
    if (!list.hasPerDraw()) {
        return out;
    }
    const int formulas = list.rowCount();
    const int room = XlsWriter::MaxColumns - kHistoryFixedColumns;
    out.formulaColumns = std::min(formulas, room);
    out.formulasLeftOut = formulas - out.formulaColumns;
    const int rows = std::min(draws, list.perDrawRowCount());
    for (int f = 0; f < out.formulaColumns; ++f) {
        const int c = kHistoryFixedColumns + f;
        grid.setText(0, c, list.row(f).formula.displayText);
        const PerDrawColumn& column = list.perDraw(f);
        for (int r = 0; r < rows; ++r) {
            if (const auto v = column.valueAt(r)) {
                grid.setNumber(r + 1, c, *v);
            }
            switch (column.mark[static_cast<std::size_t>(r)]) {
            case DrawMark::Hit:
                grid.setFill(r + 1, c, kBlue);
                break;
            case DrawMark::Miss:
                grid.setFill(r + 1, c, kGreen);
                break;
            case DrawMark::None:
                break;
            }
        }
    }
    return out;
}

HistoryExport ExportHistoryToSpreadsheet(const HistorySnapshot& snapshot, const FormulaList& list,
                                         const QString& folder, Dialogs& dialogs, Launcher& launcher)
{
    HistoryExport result;
    if (list.hasPerDraw() &&
        !dialogs.confirm(
            QStringLiteral("查询等待确认"),
            QStringLiteral("将本表导出到EXCEL，因为公式每一期验证数据较多可能需要数分钟，确认需要执行并等待吗？"))) {
        result.cancelled = true;
        return result;
    }
    const HistorySheet sheet = historySheet(snapshot, list);
    result.formulaHeaders = sheet.formulaColumns > 0;
    result.shown = showSheet(sheet.grid, folder, QStringLiteral("lishi.xls"), dialogs, launcher);
    if (result.shown != SheetShown::WriteFailed && sheet.formulasLeftOut > 0) {
        dialogs.message(QStringLiteral("导出列表到Excel"),
                        QStringLiteral("表格文件最多容纳%1列，只导出了前%2个公式的验算结果，其余%3个公式未导出。")
                            .arg(XlsWriter::MaxColumns)
                            .arg(sheet.formulaColumns)
                            .arg(sheet.formulasLeftOut),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
    return result;
}

} // namespace korvel
