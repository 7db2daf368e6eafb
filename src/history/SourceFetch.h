#pragma once

#include "history/DrawSources.h"
#include "history/SourceReaders.h"
#include "platform/WebFetch.h"

#include <QObject>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <set>
#include <vector>

namespace korvel {

// The limits of every request an update makes.
struct FetchLimits {
    std::chrono::milliseconds connect{15000}; // until the server answers
    std::chrono::milliseconds stall{20000};   // without data
    std::chrono::milliseconds total{60000};   // one page, its retry included
    qint64 maxBytes = 8 * 1024 * 1024;
    int retries = 1;
    std::chrono::milliseconds retryPause{2000};
    std::chrono::milliseconds pagePause{300}; // between two pages of one source
    int maxPages = 200;                       // official paging
};

// How far a source is read.
struct SourceFetchPlan {
    int game = 53;
    int currentYear = 0;
    // Paging back stops at the page that reaches this issue (four-digit form; the newest stored one).
    QString stopIssue;
    // Paging back stops below this year when stopIssue is empty (an empty history); the first year of a
    // per-year chart when the history is empty.
    int startYear = 0;
    // At most this many pages (official) or years (per-year chart), counted back from the newest; 0: as
    // far as the stop rules say.
    int pageLimit = 0;
};

struct SourceFetchResult {
    QString error; // what failed ("第 2 页：服务器返回错误 503"); empty when the source answered
    std::vector<SourceDraw> draws;
    QStringList rejected;
    int pages = 0;
    int beforeNational = 0;
    bool cancelled = false;

    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Reads one source (history/DrawSources.h) asynchronously: its pages one after the other through WebFetch
// with a browser's User-Agent, the source's headers and one cookie jar (the Referer, when it is on the
// address's host, is visited first for its cookies), within the limits, each page read by the source's
// reader. official pages back with `pageNo` (dropping `issueCount`, whose value becomes `pageSize`) until a
// page reaches the stop issue, holds nothing new, is the last the source has, or the page cap; a chart
// address with "{year}" or a bare chart host (its year pages) is fetched a page per year, from the year
// of the stop issue (or the start year) to the current one; anything else is one page. Any page that
// fails or does not read ends the source with an error (a per-year chart's current year may hold no draw
// yet). finished() comes once, from the event loop. GUI thread.
class SourceFetch : public QObject {
    Q_OBJECT
public:
    SourceFetch(DrawSource source, SourceFetchPlan plan, FetchLimits limits, QObject* parent = nullptr);

    void start();
    void cancel();
    bool running() const { return m_running; }
    const DrawSource& source() const { return m_source; }

    // The address of page `index` (0-based) for the source and plan; invalid when there is none.
    static QUrl pageUrl(const DrawSource& source, const SourceFetchPlan& plan, int index);
    // Whether the source is read a page per year.
    static bool perYear(const DrawSource& source);

signals:
    void pageStarted(int index, const QUrl& url);
    void finished(const korvel::SourceFetchResult& result);

private:
    void next();
    void onFetched(const FetchResult& result);
    void finish();
    int pageYear(int index) const;

    DrawSource m_source;
    SourceFetchPlan m_plan;
    FetchLimits m_limits;
    WebFetch m_fetch;
    QTimer m_pause;
    bool m_running = false;
    bool m_cancelled = false;
    bool m_visiting = false; // the first visit of the Referer is under way
    bool m_visited = false;
    int m_page = 0;
    std::set<QString> m_seen;
    SourceFetchResult m_result;
};

} // namespace korvel

Q_DECLARE_METATYPE(korvel::SourceFetchResult)
