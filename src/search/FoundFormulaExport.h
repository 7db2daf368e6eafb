#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace korvel {

class Launcher;

// "公式中文导出": the search's result list as a text file "<next issue>期3D彩公式.txt" in the data folder,
// then opened in the text editor.
//
// The file: four header lines (a line naming the program, a download line and a contact line each
// starting with ten blanks, an empty line), then the result lines; after every 50th line and after the
// last one a marker line "<count>" + 26 "—" + a credit. GBK with CR LF; an existing file is replaced
// whole (written aside and renamed), so a failed export leaves the old file as it was.
struct ExportOutcome {
    bool ok = false;
    QString path;
    QString error; // why the file was not written or not opened
};

QString foundFormulaFileName(const QString& nextIssue); // "2018155期3D彩公式.txt"
QStringList foundFormulaExportLines(const QStringList& results);
ExportOutcome exportFoundFormulas(const QString& folder, const QString& nextIssue, const QStringList& results,
                                  Launcher& launcher);

// When saving found formulas failed (the file locked by another program past the wait, a full disk): the
// formulas' texts, one a line as "读取公式文本(&N)" reads them back, in "未保存的搜索公式_<time>.txt" in the
// folder, a new file every time. The path written, or empty with the reason in *error.
QString keepUnsavedFormulas(const QString& folder, const QStringList& texts, const QDateTime& now, QString* error);

} // namespace korvel
