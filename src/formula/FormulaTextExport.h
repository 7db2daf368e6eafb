#pragma once

#include "formula/FormulaKind.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel {

class Dialogs;
class Launcher;

// The Chinese formula text files, in the line format that the formula import reads back:
//   four header lines (an empty line, the download page and the contact, each after ten blanks, an empty
//   line), then one line per formula: `gongshiCN`, eleven full-width blanks, "连准：", the current run of
//   hits (最后连对) and "期"; after every 50th formula line of the file a separator of twelve em dashes,
//   the running count and a fixed tail. Written as GBK with CR LF.

struct ExportedFormula {
    QString displayText;
    int trueLst = 0;
};

QStringList formulaExportHeader();
QString formulaExportLine(const QString& displayText, int trueLst);
QString formulaExportSeparator(int count);
// Appends the formula lines, with a separator after every 50th line counted from `counted` on; returns
// the new count.
int appendFormulaExportLines(QStringList& lines, const std::vector<ExportedFormula>& formulas, int counted);

// "所有类公式中文导出": next issue + "期3D彩公式.txt". "所选类公式中文导出": next issue + "期3D彩" + kind label +
// sense caption + "公式.txt". Characters a file name cannot hold are replaced by "_".
QString allKindsExportFileName(const QString& nextIssue);
QString kindExportFileName(const QString& nextIssue, const FormulaKind& kind, bool kill);

// GBK, CR LF; a character GBK has no code for becomes "?".
QByteArray formulaExportBytes(const QStringList& lines);

struct TextExportResult {
    QString path; // empty when nothing was written
    QString error;
    int formulas = 0;
    std::optional<FormulaKind> lastKind; // the kind written last (all kinds)
    bool ok() const { return !path.isEmpty(); }
};

// The kinds in the order of the all-kinds export: 百位单选, 十位单选, 个位单选, 百位通选, 十位通选.
const std::vector<FormulaKind>& allKindsExportOrder();

// Writes the file (replacing an old one only with a complete new one) and opens it through the launcher; a
// failure is told through the dialogs.
TextExportResult writeFormulaExport(const QStringList& lines, const QString& path, int formulas, Dialogs& dialogs,
                                    Launcher& launcher);

} // namespace korvel
