#include "history/OnlineUpdate.h"
#include "history/DrawBatch.h"
#include "history/DrawParameters.h"
#include "history/HistoryStore.h"
#include "history/LishiSchema.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "support/CoreApplication.h"
#include "support/FakeDialogs.h"
#include "support/TestData.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace korvel {
namespace {

using test::DrawLine;
using test::TestHttpServer;
using Behaviour = TestHttpServer::Response::Behaviour;

// ---- pure parts: the plan and the page parse ----------------------------------------------------------

HistorySnapshot historyOf(const std::vector<std::pair<QString, QString>>& issueDates)
{
    std::vector<DrawLine> lines;
    for (const auto& [issue, date] : issueDates) {
        lines.push_back({issue, date, QStringLiteral("123")});
    }
    return test::snapshotOf(lines);
}

TEST(OnlineUpdatePlan, StartYearSequenceAndTheYearsWindow)
{
    // Empty history, window 3 in 2018: pages 2015 to 2018, each from sequence 1.
    HistoryUpdatePlan p = planHistoryUpdate(HistorySnapshot{}, 2018, 3);
    EXPECT_EQ(p.startYear, 2015);
    EXPECT_EQ(p.startSequence, 1);
    EXPECT_EQ(p.pageCount(), 4);
    EXPECT_FALSE(p.replaceAll);
    EXPECT_TRUE(p.newestIssue.isEmpty());

    // Newest stored 2018120 in 2018: only 2018, from 121, after the stored digits.
    p = planHistoryUpdate(historyOf({{"2017300", "2017-11-01"}, {"2018120", "2018-05-07"}}), 2018, 3);
    EXPECT_EQ(p.startYear, 2018);
    EXPECT_EQ(p.startSequence, 121);
    EXPECT_EQ(p.pageCount(), 1);
    EXPECT_EQ(p.newestIssue, QStringLiteral("2018120"));
    EXPECT_EQ(p.previous, (Digits{1, 2, 3}));

    // Newest stored in an earlier year: that year again from 1 (its stored issues are skipped).
    p = planHistoryUpdate(historyOf({{"2016200", "2016-07-25"}}), 2018, 3);
    EXPECT_EQ(p.startYear, 2016);
    EXPECT_EQ(p.startSequence, 1);
    EXPECT_EQ(p.pageCount(), 3);

    // Oldest draw five years back with a window of 3: the history is to be replaced from 2015 on.
    p = planHistoryUpdate(historyOf({{"2013001", "2013-01-01"}, {"2018100", "2018-04-20"}}), 2018, 3);
    EXPECT_TRUE(p.replaceAll);
    EXPECT_EQ(p.startYear, 2015);
    EXPECT_EQ(p.startSequence, 1);
    EXPECT_TRUE(p.newestIssue.isEmpty());
    EXPECT_EQ(p.previous, (Digits{0, 0, 0}));
    // Exactly the window back is still kept.
    EXPECT_FALSE(planHistoryUpdate(historyOf({{"2015001", "2015-01-01"}}), 2018, 3).replaceAll);

    // Newest draw from 2001 within a window of 10: the download starts at 2003.
    p = planHistoryUpdate(historyOf({{"2001100", "2001-04-20"}}), 2008, 10);
    EXPECT_EQ(p.startYear, 2003);
    EXPECT_EQ(p.startSequence, 1);

    // A history typed with two-digit years (体彩排列3): compared and continued in that form.
    p = planHistoryUpdate(historyOf({{"18120", "2018-05-07"}}), 2018, 3);
    EXPECT_EQ(p.newestIssue, QStringLiteral("2018120"));
    EXPECT_TRUE(p.twoDigitYear);
    EXPECT_EQ(p.startSequence, 121);
    EXPECT_EQ(downloadedIssue(2018, 121, true), QStringLiteral("18121"));
    EXPECT_EQ(downloadedIssue(2018, 7, false), QStringLiteral("2018007"));
}

TEST(OnlineUpdatePlan, AddressPerGameOnTheConfiguredHost)
{
    EXPECT_EQ(resultsPageUrl(QStringLiteral("http://chart.example.com/"), 53, 2018).toString(),
              QStringLiteral("http://chart.example.com/zst/sd/?lotId=210053&chartType=zhx&spanType=3&span="
                             "2018001_2018365&r=0.13125970074906945#roll_132"));
    EXPECT_EQ(resultsPageUrl(QStringLiteral("chart.example.com"), 3, 2009).toString(),
              QStringLiteral("http://chart.example.com/zst/p3?lotId=110033&chartType=zhx&spanType=3&span="
                             "2009001_2009365&r=0.7355243056081235#roll_132"));
    EXPECT_FALSE(resultsPageUrl(QString(), 53, 2018).isValid());
    EXPECT_FALSE(resultsPageUrl(QStringLiteral("http://chart.example.com"), 7, 2018).isValid());
}

TEST(OnlineUpdateParse, MarkerOffsetsSkipsAndStops)
{
    const QString text = QStringLiteral("开奖日期期号开奖号码和值\n"
                                        "2018-01-012018-0011236\n"  // 1: taken
                                        "2018-01-022018-002456\n"   // 2: taken, row end after the digits
                                        "2018-01-032018-003--0\n"   // 3: no digits
                                        "2018-01-042018-004789x\n"  // 4: offset 11 is not a number
                                        "2018-13-052018-0050123\n"  // 5: no real date
                                        "2018-005\n"                // (the first occurrence counts)
                                        "2018-01-062018-0069995\n"  // 6: taken
                                        "2018-01-082018-008111\n"); // 8: never reached, 7 is missing
    PageParse page = parseResultsPage(text, 2018, 1, QString());
    ASSERT_EQ(page.draws.size(), 3u);
    EXPECT_EQ(page.draws[0].sequence, 1);
    EXPECT_EQ(page.draws[0].digits, (Digits{1, 2, 3}));
    EXPECT_EQ(page.draws[0].month, 1);
    EXPECT_EQ(page.draws[0].day, 1);
    EXPECT_EQ(page.draws[1].digits, (Digits{4, 5, 6}));
    EXPECT_EQ(page.draws[2].sequence, 6);
    EXPECT_EQ(page.draws[2].digits, (Digits{9, 9, 9}));
    EXPECT_EQ(page.draws[2].day, 6);
    EXPECT_EQ(page.rejected, (QStringList{"2018-003", "2018-004", "2018-005"}));

    // Issues up to the newest stored one are skipped, the walk goes on after them.
    page = parseResultsPage(text, 2018, 1, QStringLiteral("2018002"));
    EXPECT_EQ(page.skippedStored, 2);
    ASSERT_EQ(page.draws.size(), 1u);
    EXPECT_EQ(page.draws[0].sequence, 6);
    // A start sequence beyond the page, or another year's page: nothing.
    EXPECT_TRUE(parseResultsPage(text, 2018, 9, QString()).draws.empty());
    EXPECT_TRUE(parseResultsPage(text, 2017, 1, QString()).draws.empty());
    // The marker at the very start has no date before it.
    EXPECT_EQ(parseResultsPage(QStringLiteral("2018-0011234"), 2018, 1, QString()).rejected.size(), 1);
}

// ---- end to end against a local HTTP server -----------------------------------------------------------

// The real draws of one year as a results chart page: navigation, scripts, a header row, one row per draw
// with date, issue "YYYY-kkk", the digits (in varying markup) and the chart cells that follow them.
QByteArray chartPage(int year, const std::vector<DrawLine>& draws,
                     const std::function<QString(int, const DrawLine&)>& rowOverride = {})
{
    QString html =
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>福彩3D走势图</title>"
                       "<script>var span='%1001_%1365';</script></head><body>\n"
                       "<div class=\"top\"><a href=\"/\">首页</a> | <a href=\"/zst/\">走势图</a></div>\n"
                       "<table id=\"chartsTable\">\n<thead><tr><th>开奖日期</th><th>期号</th><th>开奖号码</th>"
                       "<th>和值</th><th>跨度</th></tr></thead>\n<tbody>\n")
            .arg(year);
    int n = 0;
    for (const DrawLine& d : draws) {
        ++n;
        if (rowOverride) {
            const QString custom = rowOverride(n, d);
            if (!custom.isNull()) {
                html += custom;
                continue;
            }
        }
        const QString marker = d.issue.left(4) + QLatin1Char('-') + d.issue.right(3);
        const int a = d.digits[0].digitValue(), b = d.digits[1].digitValue(), c = d.digits[2].digitValue();
        QString digits;
        switch (n % 3) {
        case 0:
            digits = QStringLiteral("<td class=\"ball\">%1</td>").arg(d.digits);
            break;
        case 1:
            digits = QStringLiteral(
                         "<td><span class=\"b\">%1</span><span class=\"b\">%2</span><span class=\"b\">%3</span></td>")
                         .arg(a)
                         .arg(b)
                         .arg(c);
            break;
        default:
            digits = QStringLiteral("<td>%1</td><td>%2</td><td>%3</td>").arg(a).arg(b).arg(c);
            break;
        }
        html += QStringLiteral("<tr>\n  <td> %1 </td>\n  <td>%2</td>\n  %3<td>%4</td><td>%5</td>\n</tr>\n")
                    .arg(d.date, marker, digits)
                    .arg(a + b + c)
                    .arg(std::max({a, b, c}) - std::min({a, b, c}));
    }
    html += QStringLiteral("</tbody></table>\n<p>数据仅供参考</p><script>draw();</script></body></html>");
    return html.toUtf8();
}

class OnlineUpdateEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApplication();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), lishiSchema()),
                  Database::OpenResult::Failed);
        m_store = std::make_unique<HistoryStore>(m_db);
        m_store->reload();
        for (const DrawLine& d : test::loadDraws(QStringLiteral("fc3d_draws.tsv"))) {
            m_byYear[d.issue.left(4).toInt()].push_back(d);
        }
        m_server = std::make_unique<TestHttpServer>([this](const TestHttpServer::Request& r) { return serve(r); });
        ASSERT_TRUE(m_server->listen());
    }

    TestHttpServer::Response serve(const TestHttpServer::Request& request)
    {
        static const QRegularExpression span(QStringLiteral("span=(\\d{4})001_(\\d{4})365"));
        const auto m = span.match(request.target);
        TestHttpServer::Response r;
        if (!request.target.startsWith(QStringLiteral("/zst/sd/?lotId=210053")) || !m.hasMatch()) {
            r.status = 404;
            r.body = "<html><body>not found</body></html>";
            return r;
        }
        const int year = m.captured(1).toInt();
        if (auto it = m_behaviour.find(year); it != m_behaviour.end()) {
            r.behaviour = it->second;
        }
        if (auto it = m_status.find(year); it != m_status.end()) {
            r.status = it->second;
        }
        std::vector<DrawLine> draws = m_byYear[year];
        if (auto it = m_pageLimit.find(year); it != m_pageLimit.end() && static_cast<int>(draws.size()) > it->second) {
            draws.resize(static_cast<std::size_t>(it->second));
        }
        r.body = chartPage(year, draws, m_rowOverride[year]);
        return r;
    }

    HistoryUpdateOutcome runUpdate(int currentYear, int window,
                                   const std::function<void(OnlineHistoryUpdate&)>& hook = {})
    {
        const HistoryUpdatePlan plan = planHistoryUpdate(*m_store->snapshot(), currentYear, window);
        OnlineHistoryUpdate update(m_db, *m_store, plan, m_server->baseUrl(), 53);
        update.setTimeouts(std::chrono::milliseconds(5000), std::chrono::milliseconds(20000));
        if (hook) {
            hook(update);
        }
        return update.run();
    }

    // Stores the real draws of the issues [from, to] as the entry line would have stored them.
    void storeTyped(const QString& from, const QString& to)
    {
        std::vector<HistoryStore::NewDraw> rows;
        Digits previous;
        for (const DrawLine& d : drawsBetween(from, to)) {
            const Digits digits{d.digits[0].digitValue(), d.digits[1].digitValue(), d.digits[2].digitValue()};
            rows.push_back({d.issue, computeDrawParameters(digits, previous, issueDateFromText(d.issue, d.date))});
            previous = digits;
        }
        ASSERT_TRUE(storeDraws(m_db, *m_store, rows, false).ok);
    }

    std::vector<DrawLine> drawsBetween(const QString& from, const QString& to, const std::set<QString>& except = {})
    {
        std::vector<DrawLine> out;
        for (const auto& [year, draws] : m_byYear) {
            for (const DrawLine& d : draws) {
                if (d.issue >= from && d.issue <= to && !except.count(d.issue)) {
                    out.push_back(d);
                }
            }
        }
        return out;
    }

    // The stored history, draw by draw: issues in order, and every parameter as the draw's own digits,
    // the previous stored draw's digits, its sequence number and its date give it.
    void expectHistory(const std::vector<DrawLine>& expected)
    {
        const SnapshotPtr snap = m_store->snapshot();
        ASSERT_EQ(snap->size(), static_cast<int>(expected.size()));
        Digits previous;
        for (int i = 0; i < snap->size(); ++i) {
            const DrawLine& d = expected[static_cast<std::size_t>(i)];
            ASSERT_EQ(snap->issue(i), d.issue) << "row " << i;
            const Digits digits{d.digits[0].digitValue(), d.digits[1].digitValue(), d.digits[2].digitValue()};
            const QDate date = QDate::fromString(d.date, Qt::ISODate);
            const DrawParams want = computeDrawParameters(
                digits, previous,
                issueDateFromSequence(d.issue.right(3).toInt(), date.year(), date.month(), date.day()));
            ASSERT_EQ(snap->row(i), want) << "draw " << d.issue.toStdString();
            previous = digits;
        }
    }

    int stored(const QString& issue, Param p) const
    {
        const SnapshotPtr snap = m_store->snapshot();
        const int row = snap->rowOfIssue(issue);
        EXPECT_GE(row, 0) << issue.toStdString();
        return row < 0 ? -1 : snap->value(row, p);
    }

    QStringList requestedYears() const
    {
        QStringList years;
        for (const QString& t : m_server->targets()) {
            years << t.section(QStringLiteral("span="), 1).left(4);
        }
        return years;
    }

    QTemporaryDir m_dir;
    Database m_db;
    std::unique_ptr<HistoryStore> m_store;
    std::map<int, std::vector<DrawLine>> m_byYear;
    std::unique_ptr<TestHttpServer> m_server;
    std::map<int, Behaviour> m_behaviour;
    std::map<int, int> m_status;
    std::map<int, int> m_pageLimit;
    std::map<int, std::function<QString(int, const DrawLine&)>> m_rowOverride;
};

TEST_F(OnlineUpdateEndToEnd, EmptyHistoryIsFilledOverTheYearsWindow)
{
    const HistoryUpdateOutcome out = runUpdate(2018, 3);
    ASSERT_EQ(out.status, HistoryUpdateOutcome::Status::Stored) << out.error.toStdString();
    EXPECT_EQ(requestedYears(), (QStringList{"2015", "2016", "2017", "2018"}));
    // The fragment of the address stays in the browser; path and query go to the server as they are.
    EXPECT_EQ(
        m_server->targets().front(),
        QStringLiteral("/zst/sd/?lotId=210053&chartType=zhx&spanType=3&span=2015001_2015365&r=0.13125970074906945"));
    EXPECT_EQ(out.added, 358 + 359 + 358 + 358);
    EXPECT_EQ(out.firstIssue, QStringLiteral("2015001"));
    EXPECT_EQ(out.lastIssue, QStringLiteral("2018358"));
    expectHistory(drawsBetween(QStringLiteral("2015001"), QStringLiteral("2018358")));

    // By hand: 2015001 245 (2015-01-01) follows no draw.
    EXPECT_EQ(stored(QStringLiteral("2015001"), Param::L1A), 2);
    EXPECT_EQ(stored(QStringLiteral("2015001"), Param::L3A), 5);
    EXPECT_EQ(stored(QStringLiteral("2015001"), Param::LY), 0);
    EXPECT_EQ(stored(QStringLiteral("2015001"), Param::QH), 2);
    EXPECT_EQ(stored(QStringLiteral("2015001"), Param::SQH), 1);
    EXPECT_EQ(stored(QStringLiteral("2015001"), Param::NFW), 8);
    // The 359th draw of 2016 (883, 2016-12-31) by the modulo-358 rule: QH 2, SQH 1.
    EXPECT_EQ(stored(QStringLiteral("2016359"), Param::QH), 2);
    EXPECT_EQ(stored(QStringLiteral("2016359"), Param::SQH), 1);
    EXPECT_EQ(stored(QStringLiteral("2016359"), Param::RQW), 4);
    EXPECT_EQ(stored(QStringLiteral("2016358"), Param::QH), 1);
    EXPECT_EQ(stored(QStringLiteral("2016358"), Param::SQH), 358);
    // Across the year boundary: 2017001 369 after 2016359 883 shares the 3.
    EXPECT_EQ(stored(QStringLiteral("2017001"), Param::LY), 1);

    // A second run finds nothing new and asks only for the current year's page, after the newest issue.
    const HistoryUpdateOutcome again = runUpdate(2018, 3);
    EXPECT_EQ(again.status, HistoryUpdateOutcome::Status::NothingNew);
    EXPECT_EQ(requestedYears().size(), 5);
    EXPECT_EQ(requestedYears().back(), QStringLiteral("2018"));
    EXPECT_EQ(m_store->size(), 1433);
}

TEST_F(OnlineUpdateEndToEnd, PartlyStoredYearIsCompletedAfterItsStoredIssues)
{
    storeTyped(QStringLiteral("2016001"), QStringLiteral("2016200"));
    const HistoryUpdateOutcome out = runUpdate(2018, 3);
    ASSERT_EQ(out.status, HistoryUpdateOutcome::Status::Stored) << out.error.toStdString();
    EXPECT_EQ(requestedYears(), (QStringList{"2016", "2017", "2018"}));
    EXPECT_EQ(out.added, 159 + 358 + 358);
    EXPECT_EQ(out.deleted, 0);
    EXPECT_EQ(out.firstIssue, QStringLiteral("2016201"));
    expectHistory(drawsBetween(QStringLiteral("2016001"), QStringLiteral("2018358")));
    // 2016201 320 follows the stored 2016200 932: no digit at the same place, 3 and 2 among its digits.
    EXPECT_EQ(stored(QStringLiteral("2016201"), Param::LX), 0);
    EXPECT_EQ(stored(QStringLiteral("2016201"), Param::LY), 2);
}

TEST_F(OnlineUpdateEndToEnd, CurrentYearGoesOnFromTheNewestIssueToTheEndOfThePage)
{
    storeTyped(QStringLiteral("2018001"), QStringLiteral("2018120"));
    m_pageLimit[2018] = 150;
    const HistoryUpdateOutcome out = runUpdate(2018, 3);
    ASSERT_EQ(out.status, HistoryUpdateOutcome::Status::Stored) << out.error.toStdString();
    EXPECT_EQ(requestedYears(), QStringList{"2018"});
    EXPECT_EQ(out.added, 30);
    expectHistory(drawsBetween(QStringLiteral("2018001"), QStringLiteral("2018150")));
}

TEST_F(OnlineUpdateEndToEnd, DrawsThatDoNotReadAreLeftOutAndTheNextDrawFollowsTheLastStoredOne)
{
    m_pageLimit[2018] = 10;
    m_rowOverride[2018] = [](int n, const DrawLine& d) -> QString {
        if (n == 5) { // the draw is not out yet
            return QStringLiteral("<tr><td>%1</td><td>2018-005</td><td>--</td><td>-</td></tr>\n").arg(d.date);
        }
        if (n == 7) { // no date cell
            return QStringLiteral("<tr><td></td><td>2018-007</td><td>%1</td><td>1</td></tr>\n").arg(d.digits);
        }
        return {};
    };
    const HistoryUpdateOutcome out = runUpdate(2018, 0);
    ASSERT_EQ(out.status, HistoryUpdateOutcome::Status::Stored) << out.error.toStdString();
    EXPECT_EQ(out.added, 8);
    EXPECT_EQ(out.rejected, (QStringList{"2018-005", "2018-007"}));
    expectHistory(drawsBetween(QStringLiteral("2018001"), QStringLiteral("2018010"), {"2018005", "2018007"}));
    // 2018006 720 follows 2018004 393 (not the skipped 828): nothing in common.
    EXPECT_EQ(stored(QStringLiteral("2018006"), Param::LX), 0);
    EXPECT_EQ(stored(QStringLiteral("2018006"), Param::LY), 0);
    EXPECT_TRUE(onlineupdate::outcomeText(out).contains(QStringLiteral("2018-005")));
}

TEST_F(OnlineUpdateEndToEnd, FailedDownloadsLeaveTheHistoryAsItWas)
{
    // Old draws that the years window would replace: they must survive every failure.
    storeTyped(QStringLiteral("2012001"), QStringLiteral("2012010"));
    const std::vector<DrawLine> before = drawsBetween(QStringLiteral("2012001"), QStringLiteral("2012010"));

    struct Case {
        const char* name;
        Behaviour behaviour;
        int status;
    };
    const Case cases[] = {
        {"server closes the connection without answering", Behaviour::CloseWithoutAnswer, 200},
        {"server closes the connection halfway through the page", Behaviour::CloseMidBody, 200},
        {"server answers with an error page", Behaviour::Normal, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_behaviour = {{2017, c.behaviour}};
        m_status = {{2017, c.status}};
        const HistoryUpdateOutcome out = runUpdate(2018, 3);
        EXPECT_EQ(out.status, HistoryUpdateOutcome::Status::DownloadFailed);
        EXPECT_EQ(out.failedYear, 2017);
        EXPECT_FALSE(out.error.isEmpty());
        EXPECT_EQ(out.added, 0);
        EXPECT_FALSE(out.historyChanged());
        EXPECT_TRUE(onlineupdate::outcomeText(out).contains(QStringLiteral("历史号码没有改变")));
        expectHistory(before);
    }
    // Pages after the failed one are not asked for.
    EXPECT_EQ(requestedYears().mid(0, 3), (QStringList{"2015", "2016", "2017"}));

    // With the server well again the window rule replaces the old draws, in the same step as storing.
    m_behaviour.clear();
    m_status.clear();
    const HistoryUpdateOutcome out = runUpdate(2018, 3);
    ASSERT_EQ(out.status, HistoryUpdateOutcome::Status::Stored) << out.error.toStdString();
    EXPECT_EQ(out.deleted, 10);
    expectHistory(drawsBetween(QStringLiteral("2015001"), QStringLiteral("2018358")));
}

TEST_F(OnlineUpdateEndToEnd, ReplacementWaitsForDrawsToArrive)
{
    storeTyped(QStringLiteral("2012001"), QStringLiteral("2012010"));
    // Pages that load but carry no draw: the old history is not deleted for nothing.
    for (int y = 2015; y <= 2018; ++y) {
        m_pageLimit[y] = 0;
    }
    const HistoryUpdateOutcome out = runUpdate(2018, 3);
    EXPECT_EQ(out.status, HistoryUpdateOutcome::Status::NothingNew);
    EXPECT_EQ(out.pagesRead, 4);
    expectHistory(drawsBetween(QStringLiteral("2012001"), QStringLiteral("2012010")));
}

TEST_F(OnlineUpdateEndToEnd, CancelledOrStalledDownloadStoresNothing)
{
    storeTyped(QStringLiteral("2016001"), QStringLiteral("2016200"));
    const std::vector<DrawLine> before = drawsBetween(QStringLiteral("2016001"), QStringLiteral("2016200"));
    m_behaviour[2017] = Behaviour::NeverAnswer;

    // The user cancels while the second page (2017) is loading; the first one had already arrived.
    int pagesStarted = 0;
    HistoryUpdateOutcome out = runUpdate(2018, 3, [&](OnlineHistoryUpdate& update) {
        QObject::connect(&update, &OnlineHistoryUpdate::pageStarted, &update, [&, u = &update](int index, int, int) {
            ++pagesStarted;
            if (index == 1) {
                QTimer::singleShot(100, u, [u] { u->cancel(); });
            }
        });
    });
    EXPECT_EQ(out.status, HistoryUpdateOutcome::Status::Cancelled);
    EXPECT_EQ(pagesStarted, 2);
    EXPECT_EQ(out.pagesRead, 1);
    EXPECT_TRUE(onlineupdate::outcomeText(out).contains(QStringLiteral("已取消")));
    expectHistory(before);

    // A server that never answers runs into the stall timeout.
    const HistoryUpdatePlan plan = planHistoryUpdate(*m_store->snapshot(), 2018, 3);
    OnlineHistoryUpdate update(m_db, *m_store, plan, m_server->baseUrl(), 53);
    update.setTimeouts(std::chrono::milliseconds(300), std::chrono::milliseconds(20000));
    out = update.run();
    EXPECT_EQ(out.status, HistoryUpdateOutcome::Status::DownloadFailed);
    EXPECT_EQ(out.failedYear, 2017);
    EXPECT_TRUE(out.error.contains(QStringLiteral("超时"))) << out.error.toStdString();
    expectHistory(before);
}

TEST(OnlineUpdateCommand, ChartHostIsAskedUntilItIsAnAddress)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("3VER.ini")));
    EXPECT_TRUE(onlineupdate::chartHost(settings).isEmpty());
    test::FakeDialogs dialogs;
    dialogs.answerInput(QStringLiteral("ftp://chart.example.com"));
    dialogs.answerInput(QStringLiteral("  https://chart.example.com/  "));
    EXPECT_EQ(onlineupdate::askChartHost(dialogs, settings), QStringLiteral("https://chart.example.com/"));
    EXPECT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, QStringLiteral("输入有误"));
    EXPECT_EQ(settings.value(QStringLiteral("IniSetting"), QStringLiteral("ChartHost")),
              QStringLiteral("https://chart.example.com/"));
    // Cancel keeps what was stored.
    dialogs.cancelInput();
    EXPECT_TRUE(onlineupdate::askChartHost(dialogs, settings).isEmpty());
    EXPECT_EQ(onlineupdate::chartHost(settings), QStringLiteral("https://chart.example.com/"));
}

} // namespace
} // namespace korvel
