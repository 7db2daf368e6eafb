#include "verify/FormulaListExport.h"

#include "formula/FormulaStore.h"
#include "verify/FormulaList.h"

#include <QDir>

namespace korvel {

TextExportResult ExportAllKindsText(FormulaStore& store, Dialogs& dialogs, Launcher& launcher,
                                    const HistorySnapshot& history, const FigureSettings& settings, bool kill,
                                    const QString& nextIssue, const QString& dataFolder)
{
    QStringList lines = formulaExportHeader();
    int counted = 0;
    // A list of its own: the main window's list and its selection stay as they are.
    FormulaList list(store, dialogs);
    for (const FormulaKind& kind : allKindsExportOrder()) {
        list.loadFormulas(kind, kill);
        const std::vector<LightPassResult> calcu = list.lightPass(history, settings);
        std::vector<ExportedFormula> formulas;
        formulas.reserve(calcu.size());
        for (int r = 0; r < list.rowCount(); ++r) {
            formulas.push_back({list.row(r).formula.displayText, calcu[static_cast<std::size_t>(r)].trueLst});
        }
        counted = appendFormulaExportLines(lines, formulas, counted);
    }
    TextExportResult result = writeFormulaExport(lines, QDir(dataFolder).filePath(allKindsExportFileName(nextIssue)),
                                                 counted, dialogs, launcher);
    if (result.ok()) {
        result.lastKind = allKindsExportOrder().back();
    }
    return result;
}

TextExportResult ExportKindText(const FormulaList& list, Dialogs& dialogs, Launcher& launcher, const QString& nextIssue,
                                const QString& dataFolder)
{
    QStringList lines = formulaExportHeader();
    std::vector<ExportedFormula> formulas;
    formulas.reserve(static_cast<std::size_t>(list.rowCount()));
    for (const FormulaListRow& row : list.rows()) {
        formulas.push_back({row.formula.displayText, row.formula.stats.trueLst});
    }
    const int counted = appendFormulaExportLines(lines, formulas, 0);
    return writeFormulaExport(lines, QDir(dataFolder).filePath(kindExportFileName(nextIssue, list.kind(), list.kill())),
                              counted, dialogs, launcher);
}

} // namespace korvel
