#include "history/OnlineUpdate.h"

#include "history/DrawBatch.h"
#include "history/HistoryStore.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/PageText.h"
#include "platform/SettingsStore.h"

#include <QDate>
#include <QEventLoop>

#include <algorithm>

namespace korvel {

namespace {

constexpr int kFirstDownloadYear = 2003;
constexpr int kLastSequence = 365;

// The four-digit-year form of a stored issue: a five-character issue carries a two-digit year.
QString fourDigitIssue(const QString& issue)
{
    if (issue.size() == 5) {
        return QStringLiteral("20") + issue;
    }
    return issue;
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Whether a short text reads as a number: blanks around, an optional sign, digits with at most one point.
bool readsAsNumber(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'))) {
        text = text.mid(1);
    }
    bool digit = false;
    bool point = false;
    for (const QChar c : text) {
        if (isAsciiDigit(c)) {
            digit = true;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

int number(QStringView text)
{
    for (const QChar c : text) {
        if (!isAsciiDigit(c)) {
            return -1;
        }
    }
    return text.isEmpty() ? -1 : text.toInt();
}

} // namespace

HistoryUpdatePlan planHistoryUpdate(const HistorySnapshot& history, int currentYear, int yearsWindow)
{
    HistoryUpdatePlan plan;
    plan.currentYear = currentYear;
    plan.storedCount = history.size();
    if (!history.empty() && currentYear - history.value(0, Param::NF) > yearsWindow) {
        plan.replaceAll = true;
    }
    if (history.empty() || plan.replaceAll) {
        plan.startYear = currentYear - yearsWindow;
        plan.startSequence = 1;
        return plan;
    }
    const int last = history.size() - 1;
    const QString& newest = history.issue(last);
    plan.newestIssue = fourDigitIssue(newest);
    plan.twoDigitYear = newest.size() == 5;
    plan.previous = {history.value(last, Param::L1A), history.value(last, Param::L2A), history.value(last, Param::L3A)};
    plan.startYear = std::max<int>(history.value(last, Param::NF), kFirstDownloadYear);
    if (plan.startYear == currentYear) {
        plan.startSequence = std::max(number(QStringView(newest).right(3)), 0) + 1;
    }
    return plan;
}

QUrl resultsPageUrl(const QString& chartHost, int game, int year)
{
    QString path;
    QString query;
    QString tail;
    if (game == 53) {
        path = QStringLiteral("/zst/sd/");
        query = QStringLiteral("?lotId=210053&chartType=zhx&spanType=3&span=");
        tail = QStringLiteral("365&r=0.13125970074906945#roll_132");
    } else if (game == 3) {
        path = QStringLiteral("/zst/p3");
        query = QStringLiteral("?lotId=110033&chartType=zhx&spanType=3&span=");
        tail = QStringLiteral("365&r=0.7355243056081235#roll_132");
    } else {
        return {};
    }
    QString host = chartHost.trimmed();
    while (host.endsWith(QLatin1Char('/'))) {
        host.chop(1);
    }
    if (host.isEmpty()) {
        return {};
    }
    if (!host.contains(QStringLiteral("://"))) {
        host.prepend(QStringLiteral("http://"));
    }
    const QString y = QString::number(year);
    return QUrl(host + path + query + y + QStringLiteral("001_") + y + tail);
}

QString downloadedIssue(int year, int sequence, bool twoDigitYear)
{
    const QString k = QStringLiteral("%1").arg(sequence, 3, 10, QLatin1Char('0'));
    if (twoDigitYear) {
        return QStringLiteral("%1").arg(year % 100, 2, 10, QLatin1Char('0')) + k;
    }
    return QString::number(year) + k;
}

PageParse parseResultsPage(const QString& text, int year, int startSequence, const QString& newestIssue)
{
    PageParse out;
    const QString y = QString::number(year);
    for (int k = std::max(startSequence, 1); k <= kLastSequence; ++k) {
        const QString seq = QStringLiteral("%1").arg(k, 3, 10, QLatin1Char('0'));
        const QString marker = y + QLatin1Char('-') + seq;
        const qsizetype at = text.indexOf(marker);
        if (at < 0) {
            break;
        }
        if (!newestIssue.isEmpty() && y + seq <= newestIssue) {
            ++out.skippedStored;
            continue;
        }
        const QStringView rest = QStringView(text).mid(at);
        const bool digits = rest.size() >= 11 && isAsciiDigit(rest[8]) && isAsciiDigit(rest[9]) &&
                            isAsciiDigit(rest[10]) && readsAsNumber(rest.mid(9, 3));
        // The date: the ten characters before the marker, "YYYY-MM-DD"; a draw without a real date would
        // store year 0, which the years window would later read as ancient history.
        QDate date;
        if (at >= 10) {
            const QStringView d = QStringView(text).mid(at - 10, 10);
            const int dateYear = number(d.mid(0, 4));
            const int dateMonth = number(d.mid(5, 2));
            const int dateDay = number(d.mid(8, 2));
            if (dateYear > 0 && dateMonth > 0 && dateDay > 0) {
                date = QDate(dateYear, dateMonth, dateDay);
            }
        }
        if (!digits || !date.isValid()) {
            out.rejected << marker;
            continue;
        }
        PageDraw draw;
        draw.sequence = k;
        draw.year = year;
        draw.digits = {rest[8].digitValue(), rest[9].digitValue(), rest[10].digitValue()};
        draw.dateYear = date.year();
        draw.month = date.month();
        draw.day = date.day();
        out.draws.push_back(draw);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------------------

OnlineHistoryUpdate::OnlineHistoryUpdate(Database& db, HistoryStore& store, const HistoryUpdatePlan& plan,
                                         QString chartHost, int game, QObject* parent)
    : QObject(parent), m_db(db), m_store(store), m_plan(plan), m_host(std::move(chartHost)), m_game(game)
{
    qRegisterMetaType<korvel::HistoryUpdateOutcome>();
    connect(&m_fetch, &WebFetch::finished, this, &OnlineHistoryUpdate::onPage);
}

void OnlineHistoryUpdate::setTimeouts(std::chrono::milliseconds stall, std::chrono::milliseconds total)
{
    m_fetch.setStallTimeout(stall);
    m_fetch.setTotalTimeout(total);
}

void OnlineHistoryUpdate::start()
{
    if (m_running) {
        return;
    }
    m_running = true;
    m_cancelled = false;
    m_nextPage = 0;
    m_draws.clear();
    m_outcome = HistoryUpdateOutcome{};
    // The first page starts from the event loop, so that a caller connects to finished() in time even
    // when there is nothing to fetch.
    QMetaObject::invokeMethod(this, &OnlineHistoryUpdate::fetchNext, Qt::QueuedConnection);
}

void OnlineHistoryUpdate::cancel()
{
    if (!m_running || m_cancelled) {
        return;
    }
    m_cancelled = true;
    if (m_fetch.busy()) {
        m_fetch.cancel(); // onPage() then finishes
    }
}

HistoryUpdateOutcome OnlineHistoryUpdate::run()
{
    QEventLoop loop;
    connect(this, &OnlineHistoryUpdate::finished, &loop, &QEventLoop::quit);
    start();
    if (m_running) {
        loop.exec();
    }
    return m_outcome;
}

void OnlineHistoryUpdate::fetchNext()
{
    if (m_cancelled) {
        m_outcome.status = HistoryUpdateOutcome::Status::Cancelled;
        finish();
        return;
    }
    const int count = m_plan.pageCount();
    if (m_nextPage >= count) {
        store();
        return;
    }
    const int year = m_plan.startYear + m_nextPage;
    const QUrl url = resultsPageUrl(m_host, m_game, year);
    if (!url.isValid()) {
        m_outcome.status = HistoryUpdateOutcome::Status::DownloadFailed;
        m_outcome.failedYear = year;
        m_outcome.error = QStringLiteral("开奖走势图网站地址无效");
        finish();
        return;
    }
    emit pageStarted(m_nextPage, count, year);
    m_fetch.get(url);
}

void OnlineHistoryUpdate::onPage(const FetchResult& result)
{
    const int year = m_plan.startYear + m_nextPage;
    if (m_cancelled || result.status == FetchResult::Status::Cancelled) {
        m_outcome.status = HistoryUpdateOutcome::Status::Cancelled;
        finish();
        return;
    }
    if (!result.ok()) {
        m_outcome.status = HistoryUpdateOutcome::Status::DownloadFailed;
        m_outcome.failedYear = year;
        m_outcome.error = result.error;
        finish();
        return;
    }
    const QString text = pagetext::bodyText(result.body, result.contentType);
    const int startSequence = m_nextPage == 0 ? m_plan.startSequence : 1;
    PageParse page = parseResultsPage(text, year, startSequence, m_plan.newestIssue);
    m_outcome.rejected << page.rejected;
    m_draws.insert(m_draws.end(), page.draws.begin(), page.draws.end());
    ++m_outcome.pagesRead;
    ++m_nextPage;
    // The next page from the event loop: the reply that just finished is released first.
    QMetaObject::invokeMethod(this, &OnlineHistoryUpdate::fetchNext, Qt::QueuedConnection);
}

void OnlineHistoryUpdate::store()
{
    if (m_draws.empty()) {
        m_outcome.status = HistoryUpdateOutcome::Status::NothingNew;
        finish();
        return;
    }
    std::vector<HistoryStore::NewDraw> rows;
    rows.reserve(m_draws.size());
    Digits previous = m_plan.previous;
    for (const PageDraw& d : m_draws) {
        HistoryStore::NewDraw row;
        row.issue = downloadedIssue(d.year, d.sequence, m_plan.twoDigitYear);
        row.params =
            computeDrawParameters(d.digits, previous, issueDateFromSequence(d.sequence, d.dateYear, d.month, d.day));
        previous = d.digits;
        rows.push_back(std::move(row));
    }
    const BatchResult stored = storeDraws(m_db, m_store, rows, m_plan.replaceAll);
    if (!stored.ok) {
        m_outcome.status = HistoryUpdateOutcome::Status::StoreFailed;
        m_outcome.error = stored.error;
    } else {
        m_outcome.status = HistoryUpdateOutcome::Status::Stored;
        m_outcome.added = stored.added;
        m_outcome.deleted = stored.deleted;
        m_outcome.firstIssue = rows.front().issue;
        m_outcome.lastIssue = rows.back().issue;
    }
    finish();
}

void OnlineHistoryUpdate::finish()
{
    m_running = false;
    m_draws.clear();
    emit finished(m_outcome);
}

// ---------------------------------------------------------------------------------------------------------

namespace onlineupdate {

QString confirmTitle()
{
    return QStringLiteral("在线更新");
}

QString confirmText()
{
    return QStringLiteral("确实要在线更新最新历史号码吗？更新可能要花费一段时间，网络不通或者我方服务器更新不及时可能"
                          "都造成更新失败！");
}

QString chartHostKey()
{
    return QStringLiteral("ChartHost");
}

QString chartHost(const SettingsStore& settings)
{
    return settings.value(QStringLiteral("IniSetting"), chartHostKey()).trimmed();
}

void setChartHost(SettingsStore& settings, const QString& host)
{
    settings.setValue(QStringLiteral("IniSetting"), chartHostKey(), host.trimmed());
}

QString askChartHost(Dialogs& dialogs, SettingsStore& settings)
{
    QString current = chartHost(settings);
    for (;;) {
        const auto answer =
            dialogs.input(QStringLiteral("开奖走势图网站"),
                          QStringLiteral("请输入开奖走势图网站的地址（例如 http://chart.example.com）："), current);
        if (!answer || answer->trimmed().isEmpty()) {
            return {};
        }
        const QUrl url = resultsPageUrl(*answer, 53, 2000);
        if (url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
            !url.host().isEmpty()) {
            setChartHost(settings, *answer);
            return answer->trimmed();
        }
        dialogs.message(QStringLiteral("输入有误"),
                        QStringLiteral("网站地址应以 http:// 或 https:// 开头，例如 "
                                       "http://chart.example.com"),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        current = *answer;
    }
}

QString outcomeText(const HistoryUpdateOutcome& outcome)
{
    QString text;
    switch (outcome.status) {
    case HistoryUpdateOutcome::Status::Stored:
        text = QStringLiteral("在线更新完成：新增 %1 期开奖号码（%2 至 %3）。")
                   .arg(outcome.added)
                   .arg(outcome.firstIssue, outcome.lastIssue);
        if (outcome.deleted > 0) {
            text += QStringLiteral("\n按历史号码更新检索年数设置，删除了 %1 期旧的历史号码。").arg(outcome.deleted);
        }
        break;
    case HistoryUpdateOutcome::Status::NothingNew:
        text = QStringLiteral("在线更新完成：没有新的开奖号码，历史号码没有改变。");
        break;
    case HistoryUpdateOutcome::Status::DownloadFailed:
        text = QStringLiteral("在线更新失败：%1年的开奖页面没有下载成功（%2）。\n历史号码没有改变。")
                   .arg(outcome.failedYear)
                   .arg(outcome.error);
        break;
    case HistoryUpdateOutcome::Status::Cancelled:
        text = QStringLiteral("在线更新已取消，历史号码没有改变。");
        break;
    case HistoryUpdateOutcome::Status::StoreFailed:
        text = QStringLiteral("在线更新失败：保存开奖号码时出错（%1）。\n历史号码没有改变。").arg(outcome.error);
        break;
    }
    if (!outcome.rejected.isEmpty() && outcome.status != HistoryUpdateOutcome::Status::Cancelled) {
        const int shown = std::min<int>(static_cast<int>(outcome.rejected.size()), 10);
        text += QStringLiteral("\n页面中有 %1 期开奖号码无法识别，没有保存：%2")
                    .arg(outcome.rejected.size())
                    .arg(outcome.rejected.mid(0, shown).join(QStringLiteral("、")));
        if (shown < outcome.rejected.size()) {
            text += QStringLiteral("……");
        }
    }
    return text;
}

} // namespace onlineupdate

} // namespace korvel
