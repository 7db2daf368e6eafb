#pragma once

#include "history/DrawParameters.h"

#include <QDate>
#include <QString>

namespace korvel {

class Dialogs;
class HistoryStore;

// Storing a draw typed into the entry line. The three box texts are read as numbers (a box without a number
// counts as 0), the issue is taken as typed, the date text is normalised first. An issue that is already
// stored, or an empty issue, is refused with a message box and nothing is stored; a failed write is told
// too. After a stored draw the caller refreshes the views and sets the date field to nextDay(date).
enum class EntryResult { Stored, Duplicate, EmptyIssue, Failed };

EntryResult storeTypedDraw(HistoryStore& store, Dialogs& dialogs, const QString& issue, const QString& box1,
                           const QString& box2, const QString& box3, const QString& date);

// The digit of one entry box: the text's numeric value (0 when it holds no number).
int entryDigit(const QString& boxText);

// A date text read as a date ("2012/5/20", "2012-5-20", "2012.05.20") written as "YYYY-MM-DD"; a text that
// is not a date is returned unchanged.
QString normaliseDate(const QString& text);
// The day after, as "YYYY-MM-DD"; a text that is not a date is returned unchanged.
QString nextDay(const QString& date);
// Parses the forms normaliseDate accepts; invalid QDate otherwise.
QDate parseEntryDate(const QString& text);

namespace entry {
QString duplicateTitle();
QString duplicateText(const QString& issue);
} // namespace entry

} // namespace korvel
