#pragma once

#include "history/DrawParameters.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

namespace korvel {

// The year pages of a results chart site, the first layout Korvel read: one page per year, read as page text and cut
// out at fixed offsets around the marker "YYYY-kkk". The `chart` reader (history/SourceReaders.h) keeps
// this layout as it is, beside the usual table layout.

// The results page of a game (`GsZl` 53 "福彩3D", 3 "体彩排列3") for a year, on the chart host ("http://host"
// or "host"; a path on it is kept in front). Invalid for an unknown game or an empty host.
QUrl resultsPageUrl(const QString& chartHost, int game, int year);

// One draw read from a page.
struct PageDraw {
    int sequence = 0;
    int year = 0; // of the issue
    Digits digits;
    int dateYear = 0;
    int month = 0;
    int day = 0;
};

struct PageParse {
    std::vector<PageDraw> draws; // in sequence order
    QStringList rejected;        // markers ("2018-121") found with no readable digits or date
    int skippedStored = 0;       // markers of issues not newer than the newest stored one
};

// Reads a year's page text. For k = startSequence .. 365 the marker Y-kkk is looked for; the first one
// missing ends the year. Counting offsets from the marker's first character: the digits are the
// characters at 8, 9, 10 (百位, 十位, 个位), taken when all three are digits and the characters at 9-11
// read as a number; the date "YYYY-MM-DD" is the ten characters before the marker. Issues that are not
// after newestIssue (four-digit form, may be empty) are skipped and the walk goes on, so that a year that
// is partly stored is completed.
PageParse parseResultsPage(const QString& text, int year, int startSequence, const QString& newestIssue);

// The years whose markers follow a date in the text ("2018-01-012018-001..."), and the first sequence
// number of each: where parseResultsPage starts on a page that does not begin with the year's first draw.
std::vector<std::pair<int, int>> markerYears(const QString& text);

} // namespace korvel
