#pragma once

#include "history/DrawLayouts.h"
#include "history/DrawParameters.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvel {

class Database;
class Dialogs;
class HistoryStore;

// Draws loaded from a text file of the user's own ("导入历史号码", `history import`). The file's layout is
// found as history/DrawLayouts.h describes; the file may be UTF-8 or GBK.
//
// Dates. The export form carries none, but a draw's date parameters (year, month, day and their sums)
// must be stored with it. Such a line gets the day after the draw before it (the line before in issue
// order, or the newest stored draw), which is what the entry line offers for consecutive draws; where
// that day falls outside the issue's year, or no draw lies before it, day k of the issue's year is taken
// for sequence number k. These dates are estimates (breaks in the draw calendar shift them) and the report
// counts them. Lines with a date use it.
//
// Issue and date values follow the rule of typed draws (`SQH` = s, `QH` = s + 1, 1 after 358), as for
// every draw that comes in (history/IssueValueRepair.h puts older histories right).
//
// 福彩3D's national numbering began on 2004-10-18 with 2004001. A line dated before that day is no national
// draw: it is skipped and counted. The widely mirrored plain-text history counts 2004 from 1 January, so
// its 2004285–2004359 are the official 2004001–2004075: a line so numbered and dated from 2004-10-18 on is
// stored under the official issue of its date (2004-10-18 is 2004001, one a day), and the report says so.
// An undated line numbered 2004076–2004365 cannot be placed and is rejected.
//
// Stored are the new draws after the newest stored issue, in issue order, each with the previous draw's
// digits; a stored issue, or the same line twice, is skipped; lines that cannot be read, issues that
// repeat with other digits, draws dated on the day of another draw (stored or in the file), and issues
// older than the newest stored one (they would have to go between stored draws whose parameters depend on
// them) are rejected with their line numbers. Everything is stored in one transaction, or nothing. A file
// from which nothing can be stored (every line rejected or skipped as before the national numbering, or no
// draw at all) stores nothing and is reported as "没有可导入的开奖号码" with its first rejected lines.

struct DrawFileReport {
    bool ok = false; // false: nothing was stored (error says why)
    QString error;
    bool nothingToImport = false; // the file held nothing that could be stored
    int added = 0;
    int skipped = 0;        // lines passed over: stored or repeated draws, and beforeNational
    int beforeNational = 0; // 福彩3D draws dated before 2004-10-18
    int estimatedDates = 0;
    // The plain-text numbering's issues stored under the official ones ("2004285" → "2004001").
    std::vector<std::pair<QString, QString>> renumbered;
    std::vector<RejectedDrawLine> rejected;
    QString layout;   // what the file was read as (DrawLayouts.h)
    QString encoding; // "UTF-8" or "GBK", when read from a file
    QString firstIssue;
    QString lastIssue;
};

// The national-numbering rule above, on lines as read: drops and counts the draws before it, renumbers
// the plain-text ones, rejects undated ones it cannot place. Lines of other games are left as they are.
void applyNationalNumbering(std::vector<DrawFileLine>& lines, std::vector<RejectedDrawLine>& rejected, int game,
                            int& beforeNational, std::vector<std::pair<QString, QString>>& renumbered);

// Stores the draws of a decoded file's text for the game (`GsZl`).
DrawFileReport importDrawText(Database& db, HistoryStore& store, const QString& text, int game = 53);

// A file's bytes as text, and the encoding that read it ("UTF-8", "GBK"); nullopt for a file that is not
// text in either.
std::optional<QString> decodeDrawFile(const QByteArray& bytes, QString* encoding = nullptr);

// The command: a file dialog on the data folder (text and CSV files), the import, and a message with the
// numbers added, skipped and rejected (with the rejected line numbers). A file that is not text tells
// the user and stores nothing. Returns the report (ok false when nothing was chosen or stored).
DrawFileReport importDrawFile(Database& db, HistoryStore& store, Dialogs& dialogs, const QString& dataFolder,
                              int game = 53);

QString drawFileImportTitle(); // "导入历史号码"
QString drawFileReportText(const DrawFileReport& report);

} // namespace korvel
