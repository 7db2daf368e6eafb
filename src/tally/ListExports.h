#pragma once

#include "history/SnapshotPtr.h"
#include "platform/SheetGrid.h"

#include <QString>

#include <vector>

namespace korvel {

class Dialogs;
class FormulaList;
class Launcher;

// "导出到EXCEL表格(&E)" of the formula list's menu: every cell of the list, header row included, in the
// display order, to "gongshi.xls".
SheetGrid formulaListSheet(const FormulaList& list, const std::vector<int>& order, bool chinese, bool weighted);
SheetShown ExportListToSpreadsheet(const FormulaList& list, const std::vector<int>& order, bool chinese, bool weighted,
                                   const QString& folder, Dialogs& dialogs, Launcher& launcher);

// "导出列表到Excel": the history grid ("期号", "百位", "十位", "个位" and, with the per-draw display on, one
// column per formula headed by its Chinese text, each cell its value on the draw filled blue for a hit and
// green for a miss) to "lishi.xls". The format holds 256 columns, so at most the first 252 formulas go to
// the sheet; the user is told when some were left out.
struct HistorySheet {
    SheetGrid grid;
    int formulaColumns = 0; // formula columns written
    int formulasLeftOut = 0;
};
HistorySheet historySheet(const HistorySnapshot& snapshot, const FormulaList& list);

struct HistoryExport {
    bool cancelled = false; // the confirmation was answered Cancel: nothing written
    SheetShown shown = SheetShown::Shown;
    bool formulaHeaders = false; // the grid's formula columns are to be headed by the formulas' texts now
};
// With the per-draw display on, asks first ("查询等待确认").
HistoryExport ExportHistoryToSpreadsheet(const HistorySnapshot& snapshot, const FormulaList& list,
                                         const QString& folder, Dialogs& dialogs, Launcher& launcher);

} // namespace korvel
