#include "history/SourceFetch.h"

#include "history/ChartPages.h"

#include <QUrlQuery>

#include <algorithm>

namespace korvel {

namespace {

constexpr int kFirstChartYear = 2003;

QByteArray header(const RequestHeaders& headers, const QByteArray& name)
{
    for (const auto& [n, v] : headers) {
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            return v;
        }
    }
    return {};
}

// The first year of a per-year chart: the newest stored draw's year (2003 at the earliest, as the first
// update did), or the start year of an empty history, or the years of the page limit back from now.
int firstChartYear(const SourceFetchPlan& plan)
{
    if (plan.pageLimit > 0) {
        return std::max(plan.currentYear - plan.pageLimit + 1, kFirstChartYear);
    }
    if (!plan.stopIssue.isEmpty()) {
        return std::max(plan.stopIssue.left(4).toInt(), kFirstChartYear);
    }
    return std::max(plan.startYear, kFirstChartYear);
}

QUrl withScheme(const QString& address)
{
    const QString a = address.trimmed();
    return QUrl(a.contains(QStringLiteral("://")) ? a : QStringLiteral("http://") + a);
}

} // namespace

SourceFetch::SourceFetch(DrawSource source, SourceFetchPlan plan, FetchLimits limits, QObject* parent)
    : QObject(parent), m_source(std::move(source)), m_plan(std::move(plan)), m_limits(limits)
{
    qRegisterMetaType<korvel::SourceFetchResult>();
    m_fetch.setConnectTimeout(m_limits.connect);
    m_fetch.setStallTimeout(m_limits.stall);
    m_fetch.setTotalTimeout(m_limits.total);
    m_fetch.setMaxBytes(m_limits.maxBytes);
    m_fetch.setRetries(m_limits.retries, m_limits.retryPause);
    WebFetch::Headers headers;
    if (header(m_source.headers, "User-Agent").isEmpty()) {
        headers.emplace_back("User-Agent", drawsources::browserUserAgent());
    }
    headers.insert(headers.end(), m_source.headers.begin(), m_source.headers.end());
    m_fetch.setRequestHeaders(std::move(headers));
    connect(&m_fetch, &WebFetch::finished, this, &SourceFetch::onFetched);
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &SourceFetch::next);
}

bool SourceFetch::perYear(const DrawSource& source)
{
    if (source.reader != SourceReader::Chart) {
        return false;
    }
    if (source.address.contains(QStringLiteral("{year}"))) {
        return true;
    }
    const QUrl url = withScheme(source.address);
    return (url.path().isEmpty() || url.path() == QLatin1String("/")) && !url.hasQuery();
}

int SourceFetch::pageYear(int index) const
{
    return perYear(m_source) ? firstChartYear(m_plan) + index : 0;
}

QUrl SourceFetch::pageUrl(const DrawSource& source, const SourceFetchPlan& plan, int index)
{
    if (perYear(source)) {
        const int year = firstChartYear(plan) + index;
        if (year > plan.currentYear) {
            return {};
        }
        if (source.address.contains(QStringLiteral("{year}"))) {
            QString address = source.address.trimmed();
            return withScheme(address.replace(QStringLiteral("{year}"), QString::number(year)));
        }
        return resultsPageUrl(source.address, plan.game, year);
    }
    QUrl url = source.reader == SourceReader::Chart ? withScheme(source.address) : QUrl(source.address.trimmed());
    if (index == 0) {
        return url;
    }
    if (source.reader != SourceReader::Official) {
        return {};
    }
    QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("issueCount"))) {
        if (!query.hasQueryItem(QStringLiteral("pageSize"))) {
            query.addQueryItem(QStringLiteral("pageSize"), query.queryItemValue(QStringLiteral("issueCount")));
        }
        query.removeAllQueryItems(QStringLiteral("issueCount"));
    }
    query.removeAllQueryItems(QStringLiteral("pageNo"));
    query.addQueryItem(QStringLiteral("pageNo"), QString::number(index + 1));
    url.setQuery(query);
    return url;
}

void SourceFetch::start()
{
    if (m_running) {
        return;
    }
    m_running = true;
    m_cancelled = false;
    m_page = 0;
    m_result = SourceFetchResult{};
    QMetaObject::invokeMethod(this, &SourceFetch::next, Qt::QueuedConnection);
}

void SourceFetch::cancel()
{
    if (!m_running || m_cancelled) {
        return;
    }
    m_cancelled = true;
    if (m_pause.isActive()) {
        m_pause.stop();
        QMetaObject::invokeMethod(this, &SourceFetch::next, Qt::QueuedConnection);
    } else if (m_fetch.busy()) {
        m_fetch.cancel(); // onFetched() then finishes
    }
}

void SourceFetch::next()
{
    if (m_cancelled) {
        m_result.cancelled = true;
        finish();
        return;
    }
    const QUrl url = pageUrl(m_source, m_plan, m_page);
    if (!m_visited) {
        m_visited = true;
        // A browser arrives from the Referer: its cookies (a first visit's) go with the requests.
        const QUrl referer(QString::fromUtf8(header(m_source.headers, "Referer")));
        if (referer.isValid() && !referer.host().isEmpty() && referer.host() == url.host() &&
            !m_fetch.hasCookiesFor(url)) {
            m_visiting = true;
            m_fetch.get(referer);
            return;
        }
    }
    if (!url.isValid()) {
        finish();
        return;
    }
    emit pageStarted(m_page, url);
    m_fetch.get(url);
}

void SourceFetch::onFetched(const FetchResult& fetched)
{
    if (m_visiting) {
        m_visiting = false; // whatever the first visit gave, the pages are what count
        if (fetched.status == FetchResult::Status::Cancelled || m_cancelled) {
            m_result.cancelled = true;
            finish();
            return;
        }
        QMetaObject::invokeMethod(this, &SourceFetch::next, Qt::QueuedConnection);
        return;
    }
    const bool paged = m_source.reader == SourceReader::Official;
    const int year = pageYear(m_page);
    const QString where = year != 0 ? QStringLiteral("%1 年的页面：").arg(year)
                                    : (m_page > 0 ? QStringLiteral("第 %1 页：").arg(m_page + 1) : QString());
    if (m_cancelled || fetched.status == FetchResult::Status::Cancelled) {
        m_result.cancelled = true;
        finish();
        return;
    }
    if (!fetched.ok()) {
        m_result.error = where + fetched.error;
        finish();
        return;
    }
    const SourceAnswer answer =
        sourcereaders::read(m_source.reader, fetched.body, fetched.contentType, m_plan.game, year);
    ++m_result.pages;
    if (!answer.ok()) {
        // The end of a paged source, or a current year without a draw yet, is no failure after a first page.
        const bool end = answer.noDraws && m_page > 0 && (paged || year == m_plan.currentYear);
        if (!end) {
            m_result.error = where + answer.error;
        }
        finish();
        return;
    }
    m_result.rejected << answer.rejected;
    m_result.beforeNational += answer.beforeNational;
    int fresh = 0;
    QString oldest;
    for (const SourceDraw& d : answer.draws) {
        if (m_seen.insert(d.issue).second) {
            ++fresh;
            m_result.draws.push_back(d);
        }
        if (oldest.isEmpty() || d.issue < oldest) {
            oldest = d.issue;
        }
    }
    bool more = false;
    if (paged) {
        const bool reached = !m_plan.stopIssue.isEmpty()
                                 ? oldest <= m_plan.stopIssue
                                 : m_plan.startYear > 0 && oldest.left(4).toInt() < m_plan.startYear;
        const bool lastPage = answer.pages > 0 && m_page + 1 >= answer.pages;
        const bool limit = (m_plan.pageLimit > 0 && m_page + 1 >= m_plan.pageLimit) || m_page + 1 >= m_limits.maxPages;
        more = fresh > 0 && !reached && !lastPage && !limit && m_plan.pageLimit != 1;
    } else if (year != 0) {
        more = year < m_plan.currentYear;
    }
    if (!more) {
        finish();
        return;
    }
    ++m_page;
    m_pause.start(m_limits.pagePause); // the next page from the event loop, after a pause
}

void SourceFetch::finish()
{
    m_running = false;
    emit finished(m_result);
}

} // namespace korvel
