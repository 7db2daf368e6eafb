#pragma once

#include "history/DrawParameters.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace korvel {

class Database;
class Dialogs;
class HistoryStore;

// Draws loaded from a text file of the user's own (a command beside the history text export). Two line
// forms are read, mixed freely:
//   the history text export:  "2007001 583"               (issue, blank, the three digits)
//   a table:                  "2007001,2007-01-01,583"    (issue, date, digits; comma, semicolon or TAB)
// A first line whose first field holds no digit is a header and is passed over; blank lines too.
//
// Dates. The export form carries none, but a draw's date parameters (year, month, day and their sums)
// must be stored with it, and the years window of the online update reads the year. Such a line gets
// the day after the draw before it (the line before in issue order, or the newest stored draw), which is
// what the entry line offers for consecutive draws; where that day falls outside the issue's year, or no
// draw lies before it, day k of the issue's year is taken for sequence number k. These dates are
// estimates (breaks in the draw calendar shift them) and the report counts them. Lines with a date use it.
//
// Issue and date values follow the rule of typed draws (`SQH` = s, `QH` = s + 1, 1 after 358): the file
// holds draws as they took place, and the modulo-358 rule belongs to the online update alone. Histories
// imported with that rule are put right by repairIssueValues (history/IssueValueRepair.h).
//
// Stored are the new draws after the newest stored issue, in issue order, each with the previous draw's
// digits; a stored issue, or the same line twice, is skipped; lines that cannot be read, issues that
// repeat with other digits, and issues older than the newest stored one (they would have to go between
// stored draws whose parameters depend on them) are rejected with their line numbers. Everything is
// stored in one transaction, or nothing.

struct DrawFileLine {
    int number = 0;
    QString text;  // the line as read
    QString issue; // as written in the file (two- or four-digit year)
    Digits digits;
    int year = 0; // the date; 0 when the line has none
    int month = 0;
    int day = 0;
};

struct RejectedDrawLine {
    int number = 0;
    QString text;
    QString reason;
};

struct DrawFileReport {
    bool ok = false; // false: nothing was stored (error says why)
    QString error;
    int added = 0;
    int skipped = 0;
    int estimatedDates = 0;
    std::vector<RejectedDrawLine> rejected;
    QString firstIssue;
    QString lastIssue;
};

// Reads the lines of a file; a line that cannot be read is returned in `rejected`.
std::vector<DrawFileLine> parseDrawFile(const QStringList& lines, std::vector<RejectedDrawLine>& rejected);

// Stores the draws of a decoded file's text.
DrawFileReport importDrawText(Database& db, HistoryStore& store, const QString& text);

// The command: a file dialog on the data folder (text and CSV files), the import, and a message with the
// numbers added, skipped and rejected (with the rejected line numbers). A file that is not text tells
// the user and stores nothing. Returns the report (ok false when nothing was chosen or stored).
DrawFileReport importDrawFile(Database& db, HistoryStore& store, Dialogs& dialogs, const QString& dataFolder);

QString drawFileImportTitle(); // "导入历史号码"
QString drawFileReportText(const DrawFileReport& report);

} // namespace korvel
