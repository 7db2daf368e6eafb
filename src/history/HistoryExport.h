#pragma once

#include "history/SnapshotPtr.h"

#include <QByteArray>
#include <QString>

namespace korvel {

class Launcher;

// The history as a text file "更新至" + verify issue + "期历史号码.txt" in the data folder: one line per
// draw in issue order, the issue, one blank and the three digits ("2007001 583"). The file is Windows text
// as it always was: lines end in CR LF, and the text is GBK (the lines are plain ASCII unless an issue
// was typed with other characters). An empty history gives an empty file.
QString historyExportFileName(const QString& verifyIssue);
QByteArray historyExportBytes(const HistorySnapshot& history);

struct HistoryExportResult {
    QString path;        // the file written; empty when nothing was written
    bool opened = false; // the launcher started an editor on it
    QString error;       // why nothing was written, or why the editor did not open
};

// Writes the file (replacing an old one atomically) and opens it through the launcher. A verify issue
// holding characters that cannot stand in a file name (a path separator, say) writes nothing.
HistoryExportResult exportHistoryText(const HistorySnapshot& history, const QString& dataFolder,
                                      const QString& verifyIssue, Launcher& launcher);

} // namespace korvel
