#pragma once

#include "history/DrawParameters.h"
#include "history/DrawSources.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvel {

// A draw as a source gives it.
struct SourceDraw {
    QString issue; // four-digit-year form ("2026253", also for 排列3's "26246")
    Digits digits;
    QDate date; // null when the source gives none (a text file's "issue ddd" lines)

    // "034（2026-09-20）"
    QString text() const;
};

// What one answer of a source held. An answer that is not what the reader expects (a page that holds no
// draw, JSON that says it failed, a body that is no JSON at all) has an error and no draws.
struct SourceAnswer {
    std::vector<SourceDraw> draws; // as listed
    QString error;                 // what is wrong with the answer; empty when it is usable
    QStringList rejected;          // entries that did not read ("2026-005", "第 3 行")
    int pages = 0;                 // pages the source says it has (official), 0 when it does not say
    int beforeNational = 0;        // text: 福彩3D lines before the national numbering, skipped
    bool noDraws = false;          // the answer read but listed no draw (the end of a paged source)

    bool ok() const { return error.isEmpty(); }
};

// The readers of history/DrawSources.h, on one downloaded body. `game` is `GsZl` (53 福彩3D, 3 排列3).
namespace sourcereaders {

// The lotteries' own JSON: the 福彩3D draw-notice JSON (`state` 0, `result[]` with `code` "2026253", `red`
// "0,3,4", `date` "2026-09-20(日)") or the 排列3 history JSON (`success` true, `value.list[]` with
// `lotteryDrawNum` "26246", `lotteryDrawResult` "2 8 6", `lotteryDrawTime` "2026-09-13", `value.pages`).
// Each is refused for the other game.
SourceAnswer readOfficial(const QByteArray& body, int game);

// A results chart page, decoded as the page declares (GBK or UTF-8): the year-page layout (date, then
// "YYYY-kkk", then the digits, history/ChartPages.h) when the page has its markers, else the usual table
// (a row a draw: the issue, the date, possibly with a weekday "2026-09-18(五)", the digits as one cell or
// in cells of their own, then anything). `year` is the page's year when it is a per-year page, else 0.
SourceAnswer readChart(const QByteArray& body, const QString& contentType, int year);

// A plain-text history file, read as `history import` reads files (history/DrawLayouts.h), with its
// 福彩3D national numbering rule.
SourceAnswer readText(const QByteArray& body, int game);

SourceAnswer read(SourceReader reader, const QByteArray& body, const QString& contentType, int game, int year);

// The start of a page's visible text, for a message about an answer that held no draw.
QString glimpse(const QByteArray& body, const QString& contentType);

} // namespace sourcereaders
} // namespace korvel
