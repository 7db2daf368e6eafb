#pragma once

#include "history/DrawParameters.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvel {

// The line layouts of the draw files players have, for `history import`, "导入历史号码" and the `text`
// source of the online update. The layout is found per file:
//   a header line (its first field holds no digit) that names an issue column and the digits, as one
//   column or as 百位, 十位, 个位 ("期号,百位,十位,个位", "期号,开奖号码", "issue,date,digits", "期号,日期,
//   开奖号码"): the lines are read by those columns;
//   without one (or for a line the header's columns do not read), each line by its own form:
//     "issue,date,digits"                  comma, semicolon or TAB between the fields ("2007001,2007-01-01,583")
//     "issue date d d d [more columns]"    blanks or TABs between them ("2026251 2026-09-18 7 7 7 0 0 0"),
//                                          the digits also as one field ("2026251 2026-09-18 777 ...")
//     "issue ddd"                          the history text export ("2007001 583")
// The issue has a four-digit ("2007001") or two-digit ("07001") year and a sequence number 1..365; a date
// is "YYYY-MM-DD" (also with / or .) and may carry a weekday or a time after it ("2026-09-18(五)"). Blank
// lines are passed over. What a file read is named in layoutName ("期号 号码", "期号,日期,号码",
// "期号 日期 百位 十位 个位", or the header as read); a file that mixes forms names each with its count.

struct DrawFileLine {
    int number = 0;
    QString text;  // the line as read
    QString issue; // as written in the file (two- or four-digit year)
    Digits digits;
    int year = 0; // the date; 0 when the line has none
    int month = 0;
    int day = 0;

    bool dated() const { return year != 0; }
    QDate date() const { return dated() ? QDate(year, month, day) : QDate(); }
};

struct RejectedDrawLine {
    int number = 0;
    QString text;
    QString reason;
};

struct DrawFileRead {
    std::vector<DrawFileLine> lines; // in file order
    std::vector<RejectedDrawLine> rejected;
    QString layoutName; // empty when no line was read
};

DrawFileRead readDrawLines(const QStringList& lines);

// The lines of a text (any line ending).
QStringList splitLines(const QString& text);

// A draw date as sources write it; invalid when it is none.
QDate parseDrawDate(const QString& text);

// Three digits from fields[at]: in that one field ("583", "5 8 3", "5,8,3") or in it and the two after it,
// a digit each. The number of fields used, 0 when none read.
int readDigitFields(const QStringList& fields, qsizetype at, Digits& digits);

} // namespace korvel
