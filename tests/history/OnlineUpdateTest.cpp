#include "history/OnlineUpdate.h"
#include "history/ChartPages.h"
#include "history/DrawFileImport.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "support/CoreApplication.h"
#include "support/SourceSamples.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>

#include <functional>
#include <memory>
#include <set>

namespace korvel {
namespace {

using test::DrawLine;
using test::SourceServer;
using test::TestHttpServer;
using Behaviour = TestHttpServer::Response::Behaviour;
using Status = HistoryUpdateOutcome::Status;

constexpr int kFc3d = 53;
constexpr int kPl3 = 3;

FetchLimits fastLimits()
{
    FetchLimits l;
    l.connect = std::chrono::milliseconds(3000);
    l.stall = std::chrono::milliseconds(3000);
    l.total = std::chrono::milliseconds(8000);
    l.retryPause = std::chrono::milliseconds(10);
    l.pagePause = std::chrono::milliseconds(0);
    return l;
}

QString linesText(const std::vector<DrawLine>& draws)
{
    QStringList lines;
    for (const DrawLine& d : draws) {
        lines << d.issue + QLatin1Char('\t') + d.date + QLatin1Char('\t') + d.digits;
    }
    return lines.join(QLatin1Char('\n'));
}

class OnlineUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApplication();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(dbPath(), drawTableSchema()), Database::OpenResult::Failed);
        m_store = std::make_unique<HistoryStore>(m_db);
        m_store->reload();
        ASSERT_TRUE(m_server.listen());
    }

    QString dbPath() const { return m_dir.filePath(QStringLiteral("formula.mdb")); }

    QByteArray dbBytes() const
    {
        QFile f(dbPath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    // The bundled history of the game without its newest `drop` draws (and from `from` on).
    std::vector<DrawLine> bundled(int game, int drop = 0, const QString& from = {}) const
    {
        std::vector<DrawLine> all =
            test::loadDraws(game == kPl3 ? QStringLiteral("pl3_draws.tsv") : QStringLiteral("fc3d_draws.tsv"));
        all.resize(all.size() - static_cast<std::size_t>(drop));
        std::vector<DrawLine> out;
        for (const DrawLine& d : all) {
            if (from.isEmpty() || d.issue >= from) {
                out.push_back(d);
            }
        }
        return out;
    }

    void importLines(const std::vector<DrawLine>& draws, int game)
    {
        const DrawFileReport r = importDrawText(m_db, *m_store, linesText(draws), game);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        ASSERT_EQ(r.added, static_cast<int>(draws.size()));
    }

    DrawSource source(SourceReader reader, const QString& path, RequestHeaders headers = {}) const
    {
        DrawSource s;
        s.reader = reader;
        s.address = m_server.url(path);
        s.headers = std::move(headers);
        return s;
    }

    HistoryUpdateOutcome update(std::vector<DrawSource> sources, int game, int window = 3, int currentYear = 2026,
                                FetchLimits limits = fastLimits())
    {
        UpdateRequest request;
        request.game = game;
        request.sources = std::move(sources);
        request.currentYear = currentYear;
        request.yearsWindow = window;
        request.limits = limits;
        OnlineHistoryUpdate run(m_db, *m_store, request);
        return run.run();
    }

    // The stored history is the real draws given, every parameter as an import of them computes it.
    void expectHistory(const std::vector<DrawLine>& expected)
    {
        const HistorySnapshot want = test::snapshotOf(expected);
        const SnapshotPtr have = m_store->snapshot();
        ASSERT_EQ(have->size(), want.size());
        for (int i = 0; i < want.size(); ++i) {
            ASSERT_EQ(have->issue(i), want.issue(i)) << "row " << i;
            ASSERT_EQ(have->row(i), want.row(i)) << "draw " << want.issue(i).toStdString();
        }
    }

    QTemporaryDir m_dir;
    Database m_db;
    std::unique_ptr<HistoryStore> m_store;
    SourceServer m_server;
};

// ---- Done when: each sample adds exactly its six draws -------------------------------------------------

TEST_F(OnlineUpdateTest, EachSampleAddsExactlyTheSixDrawsTheHistoryLacks)
{
    struct Case {
        const char* name;
        int game;
        SourceReader reader;
        const char* sample;
    };
    const Case cases[] = {
        {"福彩3D draw notices", kFc3d, SourceReader::Official, "fc3d-notice.json"},
        {"福彩3D chart page in GBK", kFc3d, SourceReader::Chart, "fc3d-chart-gbk.html"},
        {"福彩3D plain-text history", kFc3d, SourceReader::Text, "fc3d-plain.txt"},
        {"排列3 history JSON", kPl3, SourceReader::Official, "pl3-history.json"},
        {"排列3 spreadsheet without dates", kPl3, SourceReader::Text, "pl3-issue-digits.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The bundled history without its newest six draws, the sample's.
        ASSERT_GE(m_store->Delrec(), 0);
        importLines(bundled(c.game, 6), c.game);

        const HistoryUpdateOutcome out =
            update({source(c.reader, QStringLiteral("/samples/") + QString::fromLatin1(c.sample))}, c.game);
        ASSERT_EQ(out.status, Status::Stored) << onlineupdate::outcomeText(out).toStdString();
        EXPECT_EQ(out.added, 6);
        EXPECT_TRUE(out.errors.empty()) << onlineupdate::outcomeText(out).toStdString();
        expectHistory(bundled(c.game)); // exactly those six, and nothing else
        const SnapshotPtr snap = m_store->snapshot();
        const int last = snap->size() - 1;
        if (c.game == kFc3d) {
            EXPECT_EQ(out.firstIssue, QStringLiteral("2026248"));
            EXPECT_EQ(out.lastIssue, QStringLiteral("2026253"));
            EXPECT_EQ(
                (Digits{snap->value(last, Param::L1A), snap->value(last, Param::L2A), snap->value(last, Param::L3A)}),
                (Digits{0, 3, 4}));
        } else {
            // The stored two-digit years go on.
            EXPECT_EQ(out.firstIssue, QStringLiteral("26241"));
            EXPECT_EQ(out.lastIssue, QStringLiteral("26246"));
            EXPECT_EQ(
                (Digits{snap->value(last, Param::L1A), snap->value(last, Param::L2A), snap->value(last, Param::L3A)}),
                (Digits{2, 8, 6}));
        }
        EXPECT_EQ(snap->value(last, Param::NF), 2026);
    }
}

// ---- the data-loss case: an update only adds ----------------------------------------------------------

TEST_F(OnlineUpdateTest, TheBundledHistorySurvivesAnUpdateWithAnyYearsWindow)
{
    // The whole shipped history back to 2004 but its newest 30 draws; five updates with windows from 0 to
    // 10 years (each far shorter than the 22 years the history covers) bring six draws each.
    importLines(bundled(kFc3d, 30), kFc3d);
    const int windows[] = {2, 3, 5, 10, 0};
    const QString newest[] = {"2026229", "2026235", "2026241", "2026247", "2026253"};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(windows[i]);
        m_server.fc3dNewest = newest[i];
        const HistoryUpdateOutcome out =
            update({source(SourceReader::Official, QStringLiteral("/fc3d?issueCount=30"))}, kFc3d, windows[i]);
        ASSERT_EQ(out.status, Status::Stored) << onlineupdate::outcomeText(out).toStdString();
        EXPECT_EQ(out.added, 6);
        EXPECT_FALSE(onlineupdate::outcomeText(out).contains(QStringLiteral("删除")));
        // Every old draw is still there, with every parameter as the import stored it.
        expectHistory(bundled(kFc3d, 30 - 6 * (i + 1)));
    }
    EXPECT_EQ(m_store->size(), 7760);
    EXPECT_EQ(m_store->snapshot()->issue(0), QStringLiteral("2004001"));
}

TEST_F(OnlineUpdateTest, AnEmptyHistoryStartsTheYearsWindowBackAndPagesUntilThere)
{
    // One year back from 2026: 2025 and 2026, 351 + 253 draws, paged 100 a page newest first.
    const HistoryUpdateOutcome out =
        update({source(SourceReader::Official, QStringLiteral("/fc3d?pageSize=100&pageNo=1"))}, kFc3d, 1);
    ASSERT_EQ(out.status, Status::Stored) << onlineupdate::outcomeText(out).toStdString();
    EXPECT_EQ(out.added, 351 + 253);
    EXPECT_EQ(out.firstIssue, QStringLiteral("2025001"));
    EXPECT_EQ(out.lastIssue, QStringLiteral("2026253"));
    expectHistory(bundled(kFc3d, 0, QStringLiteral("2025001")));
    // Page 7 (draws 601-700) reaches 2024: paging stops there.
    EXPECT_EQ(m_server.asked(), (QStringList{"fc3d 1", "fc3d 2", "fc3d 3", "fc3d 4", "fc3d 5", "fc3d 6", "fc3d 7"}));
}

TEST_F(OnlineUpdateTest, OfficialSourcesPageBackUntilTheNewestStoredIssue)
{
    importLines(bundled(kFc3d, 73, QStringLiteral("2026001")), kFc3d); // up to 2026180
    HistoryUpdateOutcome out =
        update({source(SourceReader::Official, QStringLiteral("/fc3d?name=3d&issueCount=30"))}, kFc3d);
    ASSERT_EQ(out.status, Status::Stored) << onlineupdate::outcomeText(out).toStdString();
    EXPECT_EQ(out.added, 73);
    expectHistory(bundled(kFc3d, 0, QStringLiteral("2026001")));
    EXPECT_EQ(m_server.asked(), (QStringList{"fc3d 1", "fc3d 2", "fc3d 3"}));
    // Page 2 on: issueCount becomes the page size.
    const QUrlQuery second(m_server.http().requests()[1].url());
    EXPECT_FALSE(second.hasQueryItem(QStringLiteral("issueCount")));
    EXPECT_EQ(second.queryItemValue(QStringLiteral("pageSize")), QStringLiteral("30"));
    EXPECT_EQ(second.queryItemValue(QStringLiteral("name")), QStringLiteral("3d"));

    // 排列3 pages with pageNo.
    ASSERT_GE(m_store->Delrec(), 0);
    importLines(bundled(kPl3, 45, QStringLiteral("26001")), kPl3);
    out = update({source(SourceReader::Official, QStringLiteral("/pl3?gameNo=35&pageSize=30&pageNo=1"))}, kPl3);
    ASSERT_EQ(out.status, Status::Stored) << onlineupdate::outcomeText(out).toStdString();
    EXPECT_EQ(out.added, 45);
    EXPECT_EQ(out.firstIssue.size(), 5);
    expectHistory(bundled(kPl3, 0, QStringLiteral("26001")));
}

// ---- failure is failure ------------------------------------------------------------------------------

TEST_F(OnlineUpdateTest, ABusyPageIsAFailureThatLeavesTheHistoryByteForByte)
{
    std::vector<DrawLine> before = bundled(kFc3d, 6);
    before.erase(before.begin(), before.end() - 40);
    importLines(before, kFc3d);
    const QByteArray bytes = dbBytes();

    for (SourceReader reader : {SourceReader::Chart, SourceReader::Official, SourceReader::Text}) {
        SCOPED_TRACE(drawsources::readerName(reader).toStdString());
        const HistoryUpdateOutcome out = update({source(reader, QStringLiteral("/samples/busy-page.html"))}, kFc3d);
        EXPECT_EQ(out.status, Status::Failed);
        EXPECT_TRUE(out.failed());
        ASSERT_EQ(out.errors.size(), 1u);
        EXPECT_TRUE(out.errors[0].source.contains(QStringLiteral("busy-page.html")));
        const QString text = onlineupdate::outcomeText(out);
        EXPECT_FALSE(text.contains(QStringLiteral("没有新的开奖号码"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("访问过于频繁"))) << text.toStdString();
        EXPECT_EQ(dbBytes(), bytes);
    }
    // An HTTP error and a body cut short name their problem too.
    m_server.override = [](const TestHttpServer::Request& r) -> std::optional<TestHttpServer::Response> {
        TestHttpServer::Response resp;
        if (r.target.startsWith(QStringLiteral("/error"))) {
            resp.status = 503;
            resp.body = "busy";
            return resp;
        }
        if (r.target.startsWith(QStringLiteral("/cut"))) {
            resp.body = test::sourceSample(QStringLiteral("fc3d-notice.json"));
            resp.behaviour = Behaviour::CloseMidBody;
            return resp;
        }
        return std::nullopt;
    };
    HistoryUpdateOutcome out = update({source(SourceReader::Official, QStringLiteral("/error")),
                                       source(SourceReader::Official, QStringLiteral("/cut"))},
                                      kFc3d);
    EXPECT_EQ(out.status, Status::Failed);
    ASSERT_EQ(out.errors.size(), 2u);
    EXPECT_TRUE(out.errors[0].problem.contains(QStringLiteral("503"))) << out.errors[0].problem.toStdString();
    EXPECT_FALSE(out.errors[1].problem.isEmpty());
    EXPECT_EQ(dbBytes(), bytes);

    // The next source is tried after a failed one.
    out = update({source(SourceReader::Chart, QStringLiteral("/samples/busy-page.html")),
                  source(SourceReader::Official, QStringLiteral("/samples/fc3d-notice.json"))},
                 kFc3d);
    ASSERT_EQ(out.status, Status::Stored);
    EXPECT_EQ(out.added, 6);
    EXPECT_EQ(out.errors.size(), 1u);
    EXPECT_TRUE(out.source.contains(QStringLiteral("fc3d-notice.json")));
}

TEST_F(OnlineUpdateTest, JsonThatSaysItFailedIsAFailure)
{
    importLines(bundled(kFc3d, 6, QStringLiteral("2026200")), kFc3d);
    m_server.override = [](const TestHttpServer::Request& r) -> std::optional<TestHttpServer::Response> {
        TestHttpServer::Response resp;
        resp.contentType = "application/json";
        if (r.target.startsWith(QStringLiteral("/state"))) {
            resp.body = R"J({"state":1,"message":"系统繁忙","result":[]})J";
        } else if (r.target.startsWith(QStringLiteral("/success"))) {
            resp.body = R"J({"success":false,"errorCode":"9","errorMessage":"请求过于频繁","value":null})J";
        } else if (r.target.startsWith(QStringLiteral("/empty"))) {
            resp.body = R"J({"state":0,"message":"查询成功","total":0,"result":[]})J";
        } else {
            return std::nullopt;
        }
        return resp;
    };
    const HistoryUpdateOutcome out =
        update({source(SourceReader::Official, QStringLiteral("/state")),
                source(SourceReader::Official, QStringLiteral("/empty")),
                source(SourceReader::Official, QStringLiteral("/samples/pl3-history.json"))},
               kFc3d);
    EXPECT_EQ(out.status, Status::Failed);
    ASSERT_EQ(out.errors.size(), 3u);
    EXPECT_TRUE(out.errors[0].problem.contains(QStringLiteral("state 1"))) << out.errors[0].problem.toStdString();
    EXPECT_TRUE(out.errors[0].problem.contains(QStringLiteral("系统繁忙")));
    EXPECT_TRUE(out.errors[1].problem.contains(QStringLiteral("没有开奖号码")));
    EXPECT_TRUE(out.errors[2].problem.contains(QStringLiteral("不是福彩3D"))) << out.errors[2].problem.toStdString();

    const HistoryUpdateOutcome pl3 = update({source(SourceReader::Official, QStringLiteral("/success"))}, kPl3);
    ASSERT_EQ(pl3.errors.size(), 1u);
    EXPECT_TRUE(pl3.errors[0].problem.contains(QStringLiteral("请求过于频繁"))) << pl3.errors[0].problem.toStdString();
}

TEST_F(OnlineUpdateTest, ASlowAnswerTimesOutAfterOneRetryAndAHugeOneIsRefused)
{
    importLines(bundled(kFc3d, 6, QStringLiteral("2026200")), kFc3d);
    const QByteArray bytes = dbBytes();
    int slowAsked = 0;
    int hugeAsked = 0;
    m_server.override = [&](const TestHttpServer::Request& r) -> std::optional<TestHttpServer::Response> {
        TestHttpServer::Response resp;
        resp.contentType = "application/json";
        if (r.target.startsWith(QStringLiteral("/slow"))) {
            ++slowAsked;
            resp.body = test::sourceSample(QStringLiteral("fc3d-notice.json"));
            resp.delayMs = 2000;
            return resp;
        }
        if (r.target.startsWith(QStringLiteral("/huge"))) {
            ++hugeAsked;
            resp.body = QByteArray(3 * 1024 * 1024, ' ') + test::sourceSample(QStringLiteral("fc3d-notice.json"));
            return resp;
        }
        return std::nullopt;
    };
    FetchLimits limits = fastLimits();
    limits.connect = std::chrono::milliseconds(200);
    limits.maxBytes = 1024 * 1024;
    QElapsedTimer clock;
    clock.start();
    const HistoryUpdateOutcome out = update({source(SourceReader::Official, QStringLiteral("/slow")),
                                             source(SourceReader::Official, QStringLiteral("/huge"))},
                                            kFc3d, 3, 2026, limits);
    EXPECT_LT(clock.elapsed(), 1800); // neither waits for the slow answer
    EXPECT_EQ(out.status, Status::Failed);
    ASSERT_EQ(out.errors.size(), 2u);
    EXPECT_TRUE(out.errors[0].problem.contains(QStringLiteral("连接超时"))) << out.errors[0].problem.toStdString();
    EXPECT_TRUE(out.errors[1].problem.contains(QStringLiteral("过大"))) << out.errors[1].problem.toStdString();
    EXPECT_EQ(slowAsked, 2); // one retry
    EXPECT_EQ(hugeAsked, 1); // a body over the cap is not asked for again
    EXPECT_EQ(dbBytes(), bytes);

    // Within the limits the same slow answer is taken.
    limits.connect = std::chrono::milliseconds(5000);
    const HistoryUpdateOutcome patient =
        update({source(SourceReader::Official, QStringLiteral("/slow"))}, kFc3d, 3, 2026, limits);
    EXPECT_EQ(patient.status, Status::Stored);
    EXPECT_EQ(patient.added, 6);
}

TEST_F(OnlineUpdateTest, NothingNewOnlyWhenASourceAnsweredWithDrawsThatAreAllStored)
{
    importLines(bundled(kFc3d, 0, QStringLiteral("2026200")), kFc3d);
    const QByteArray bytes = dbBytes();
    const HistoryUpdateOutcome out =
        update({source(SourceReader::Chart, QStringLiteral("/samples/busy-page.html")),
                source(SourceReader::Chart, QStringLiteral("/samples/fc3d-chart-gbk.html"))},
               kFc3d);
    EXPECT_EQ(out.status, Status::NothingNew);
    EXPECT_FALSE(out.failed());
    EXPECT_TRUE(onlineupdate::outcomeText(out).contains(QStringLiteral("没有新的开奖号码")));
    EXPECT_EQ(out.errors.size(), 1u); // the busy page is still named
    EXPECT_EQ(dbBytes(), bytes);
}

// ---- check before storing ------------------------------------------------------------------------------

TEST_F(OnlineUpdateTest, AConflictStoresNothingAndNamesTheIssueAndBothValues)
{
    // Up to 2026252 092 (2026-09-19): the conflict sample says 1,2,3 for it.
    importLines(bundled(kFc3d, 1, QStringLiteral("2026150")), kFc3d);
    const QByteArray bytes = dbBytes();
    const HistoryUpdateOutcome out =
        update({source(SourceReader::Official, QStringLiteral("/samples/fc3d-notice-conflict.json")),
                source(SourceReader::Official, QStringLiteral("/samples/fc3d-notice.json"))},
               kFc3d);
    ASSERT_EQ(out.status, Status::Conflict);
    EXPECT_TRUE(out.failed());
    EXPECT_EQ(out.added, 0);
    ASSERT_EQ(out.conflicts.size(), 1u);
    EXPECT_EQ(out.conflicts[0].issue, QStringLiteral("2026252"));
    EXPECT_EQ(out.conflicts[0].stored, QStringLiteral("092（2026-09-19）"));
    EXPECT_EQ(out.conflicts[0].downloaded, QStringLiteral("123（2026-09-19）"));
    const QString text = onlineupdate::outcomeText(out);
    EXPECT_TRUE(text.contains(QStringLiteral("2026252"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("092"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("123"))) << text.toStdString();
    EXPECT_EQ(dbBytes(), bytes);
    // The update stopped: the good source after it was not asked (and 2026253 not stored from it).
    EXPECT_EQ(m_server.asked(), QStringList{"samples fc3d-notice-conflict.json"});

    // A source whose date differs is a conflict too; so is a new draw dated on a stored draw's day.
    m_server.override = [](const TestHttpServer::Request& r) -> std::optional<TestHttpServer::Response> {
        if (!r.target.startsWith(QStringLiteral("/moved"))) {
            return std::nullopt;
        }
        TestHttpServer::Response resp;
        resp.contentType = "application/json";
        resp.body = QByteArray(R"J({"state":0,"total":2,"pageSize":30,"result":[)J"
                               R"J({"name":"3d","code":"2026253","date":"2026-09-19(六)","red":"0,3,4"},)J"
                               R"J({"name":"3d","code":"2026252","date":"2026-09-19(六)","red":"0,9,2"}]})J");
        return resp;
    };
    const HistoryUpdateOutcome sameDay = update({source(SourceReader::Official, QStringLiteral("/moved"))}, kFc3d);
    ASSERT_EQ(sameDay.status, Status::Conflict);
    ASSERT_EQ(sameDay.conflicts.size(), 1u);
    EXPECT_EQ(sameDay.conflicts[0].issue, QStringLiteral("2026253"));
    EXPECT_EQ(sameDay.conflicts[0].otherIssue, QStringLiteral("2026252"));
    EXPECT_EQ(dbBytes(), bytes);
}

TEST_F(OnlineUpdateTest, AMissingIssueIsFetchedFromTheNextSourceOrReported)
{
    importLines(bundled(kFc3d, 6, QStringLiteral("2026150")), kFc3d); // up to 2026247
    const auto without = [](const QString& issue) {
        return [issue](const TestHttpServer::Request& r) -> std::optional<TestHttpServer::Response> {
            if (!r.target.startsWith(QStringLiteral("/holey"))) {
                return std::nullopt;
            }
            std::vector<DrawLine> draws;
            const std::vector<DrawLine> all = test::loadDraws(QStringLiteral("fc3d_draws.tsv"));
            for (auto it = all.rbegin(); it != all.rbegin() + 30; ++it) {
                if (it->issue != issue) {
                    draws.push_back(*it);
                }
            }
            TestHttpServer::Response resp;
            resp.contentType = "application/json";
            resp.body = test::fc3dNoticeJson(draws, 1, 30);
            return resp;
        };
    };
    m_server.override = without(QStringLiteral("2026250"));

    // The next source has it: all six, and the hole is named for the first source.
    HistoryUpdateOutcome out = update({source(SourceReader::Official, QStringLiteral("/holey")),
                                       source(SourceReader::Chart, QStringLiteral("/samples/fc3d-chart-gbk.html"))},
                                      kFc3d);
    ASSERT_EQ(out.status, Status::Stored) << onlineupdate::outcomeText(out).toStdString();
    EXPECT_EQ(out.added, 6);
    EXPECT_TRUE(out.missing.isEmpty());
    ASSERT_EQ(out.errors.size(), 1u);
    EXPECT_TRUE(out.errors[0].problem.contains(QStringLiteral("缺少 2026250 期")));
    expectHistory(bundled(kFc3d, 0, QStringLiteral("2026150")));

    // No source has it: the draws before the hole are stored, the hole is reported, nothing after it.
    ASSERT_EQ(m_store->deleteLastCount(6), 6);
    out = update({source(SourceReader::Official, QStringLiteral("/holey"))}, kFc3d);
    ASSERT_EQ(out.status, Status::Stored);
    EXPECT_EQ(out.added, 2);
    EXPECT_EQ(out.lastIssue, QStringLiteral("2026249"));
    EXPECT_EQ(out.missing, QStringLiteral("2026250"));
    EXPECT_TRUE(onlineupdate::outcomeText(out).contains(QStringLiteral("2026250")));
    expectHistory(bundled(kFc3d, 4, QStringLiteral("2026150")));

    // The hole right after the newest stored draw: nothing can be stored, and that is a failure.
    ASSERT_EQ(m_store->deleteLastCount(2), 2);
    m_server.override = without(QStringLiteral("2026248"));
    const QByteArray before = dbBytes();
    out = update({source(SourceReader::Official, QStringLiteral("/holey"))}, kFc3d);
    EXPECT_EQ(out.status, Status::Failed);
    EXPECT_EQ(out.missing, QStringLiteral("2026248"));
    EXPECT_EQ(dbBytes(), before);
}

// ---- requests ---------------------------------------------------------------------------------------------

TEST_F(OnlineUpdateTest, RequestsLookLikeABrowsersAndCarryTheFirstVisitsCookie)
{
    importLines(bundled(kFc3d, 6, QStringLiteral("2026200")), kFc3d);
    const DrawSource s =
        source(SourceReader::Official, QStringLiteral("/samples/fc3d-notice.json"),
               {{"Referer", m_server.url(QStringLiteral("/home")).toUtf8()}, {"X-Requested-With", "XMLHttpRequest"}});
    const HistoryUpdateOutcome out = update({s}, kFc3d);
    ASSERT_EQ(out.status, Status::Stored);
    const QList<TestHttpServer::Request>& requests = m_server.http().requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].target, QStringLiteral("/home")); // the first visit
    const TestHttpServer::Request& page = requests[1];
    EXPECT_TRUE(page.header("User-Agent").startsWith("Mozilla/5.0 (X11; Linux x86_64)"))
        << page.header("User-Agent").toStdString();
    EXPECT_EQ(page.header("Referer"), m_server.url(QStringLiteral("/home")).toUtf8());
    EXPECT_EQ(page.header("X-Requested-With"), "XMLHttpRequest");
    EXPECT_EQ(page.header("Cookie"), "visit=1");

    // A source's own User-Agent replaces the browser's; a Referer on another host is not visited.
    DrawSource own = source(SourceReader::Official, QStringLiteral("/samples/fc3d-notice.json"),
                            {{"User-Agent", "Korvel-Test"}, {"Referer", "http://elsewhere.invalid/"}});
    update({own}, kFc3d);
    ASSERT_EQ(m_server.http().requests().size(), 3);
    EXPECT_EQ(m_server.http().requests()[2].header("User-Agent"), "Korvel-Test");
}

TEST_F(OnlineUpdateTest, ACancelledUpdateStoresNothing)
{
    importLines(bundled(kFc3d, 6, QStringLiteral("2026200")), kFc3d);
    const QByteArray bytes = dbBytes();
    m_server.override = [](const TestHttpServer::Request&) -> std::optional<TestHttpServer::Response> {
        TestHttpServer::Response resp;
        resp.behaviour = Behaviour::NeverAnswer;
        return resp;
    };
    UpdateRequest request;
    request.game = kFc3d;
    request.sources = {source(SourceReader::Official, QStringLiteral("/never"))};
    request.currentYear = 2026;
    request.limits = fastLimits();
    OnlineHistoryUpdate run(m_db, *m_store, request);
    QObject::connect(&run, &OnlineHistoryUpdate::pageStarted, &run,
                     [&run] { QTimer::singleShot(100, &run, [&run] { run.cancel(); }); });
    const HistoryUpdateOutcome out = run.run();
    EXPECT_EQ(out.status, Status::Cancelled);
    EXPECT_TRUE(onlineupdate::outcomeText(out).contains(QStringLiteral("已取消")));
    EXPECT_EQ(dbBytes(), bytes);
}

// ---- a chart site's year pages --------------------------------------------------------------------------------

// The real draws of one year as a chart site's year page: date, issue "YYYY-kkk", the digits.
QByteArray yearChartPage(int year, const std::vector<DrawLine>& draws)
{
    QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>福彩3D走势图</title>"
                                  "<script>var span='%1001_%1365';</script></head><body>\n<table id=\"chartsTable\">\n"
                                  "<tr><th>开奖日期</th><th>期号</th><th>开奖号码</th><th>和值</th></tr>\n")
                       .arg(year);
    for (const DrawLine& d : draws) {
        if (d.issue.left(4).toInt() != year) {
            continue;
        }
        const QString marker = d.issue.left(4) + QLatin1Char('-') + d.issue.right(3);
        html += QStringLiteral("<tr><td> %1 </td><td>%2</td><td><span>%3</span><span>%4</span><span>%5</span></td>"
                               "<td>%6</td></tr>\n")
                    .arg(d.date, marker, d.digits.mid(0, 1), d.digits.mid(1, 1), d.digits.mid(2, 1))
                    .arg(d.digits[0].digitValue() + d.digits[1].digitValue() + d.digits[2].digitValue());
    }
    html += QStringLiteral("</table></body></html>");
    return html.toUtf8();
}

TEST_F(OnlineUpdateTest, AChartSitesYearPagesAreStillReadAYearAPage)
{
    const std::vector<DrawLine> all = test::loadDraws(QStringLiteral("fc3d_draws.tsv"));
    importLines({all.begin() + 7000, all.begin() + 7200}, kFc3d);
    m_server.override = [&all](const TestHttpServer::Request& r) -> std::optional<TestHttpServer::Response> {
        static const QRegularExpression span(QStringLiteral("span=(\\d{4})001_(\\d{4})365"));
        const auto m = span.match(r.target);
        if (!r.target.startsWith(QStringLiteral("/zst/sd/?lotId=210053")) || !m.hasMatch()) {
            return std::nullopt;
        }
        TestHttpServer::Response resp;
        resp.body = yearChartPage(m.captured(1).toInt(), all);
        return resp;
    };
    DrawSource host;
    host.reader = SourceReader::Chart;
    host.address = m_server.url(QString()); // a bare host: its year pages
    ASSERT_TRUE(SourceFetch::perYear(host));
    const HistoryUpdateOutcome out = update({host}, kFc3d);
    ASSERT_EQ(out.status, Status::Stored) << onlineupdate::outcomeText(out).toStdString();
    const QString newestBefore = all[7199].issue;
    EXPECT_EQ(out.firstIssue.toInt(), newestBefore.toInt() + 1);
    EXPECT_EQ(out.lastIssue, QStringLiteral("2026253"));
    std::vector<DrawLine> expected(all.begin() + 7000, all.end());
    expectHistory(expected);
    // One page per year from the newest stored draw's year to the current one.
    QStringList years;
    for (const QString& t : m_server.http().targets()) {
        years << t.section(QStringLiteral("span="), 1).left(4);
    }
    const int firstYear = newestBefore.left(4).toInt();
    QStringList want;
    for (int y = firstYear; y <= 2026; ++y) {
        want << QString::number(y);
    }
    EXPECT_EQ(years, want);
}

TEST(ChartPages, AddressPerGameOnTheConfiguredHost)
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

TEST(ChartPages, MarkerOffsetsSkipsAndStops)
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
    EXPECT_EQ(page.draws[1].digits, (Digits{4, 5, 6}));
    EXPECT_EQ(page.draws[2].sequence, 6);
    EXPECT_EQ(page.rejected, (QStringList{"2018-003", "2018-004", "2018-005"}));
    page = parseResultsPage(text, 2018, 1, QStringLiteral("2018002"));
    EXPECT_EQ(page.skippedStored, 2);
    ASSERT_EQ(page.draws.size(), 1u);
    EXPECT_TRUE(parseResultsPage(text, 2018, 9, QString()).draws.empty());
    EXPECT_TRUE(parseResultsPage(text, 2017, 1, QString()).draws.empty());
    EXPECT_EQ(parseResultsPage(QStringLiteral("2018-0011234"), 2018, 1, QString()).rejected.size(), 1);
    // A page that starts later in the year is read from its first marker.
    EXPECT_EQ(markerYears(QStringLiteral("2018-05-012018-1201232018-05-022018-121456")),
              (std::vector<std::pair<int, int>>{{2018, 120}}));
}

// ---- the sources of a run --------------------------------------------------------------------------------------

TEST(ChooseSources, EnabledInOrderByReaderAndWithAnAddressForTheRun)
{
    DrawSource a;
    a.reader = SourceReader::Chart;
    a.address = QStringLiteral("http://a.example/");
    DrawSource b;
    b.reader = SourceReader::Official;
    b.address = QStringLiteral("http://b.example/x");
    b.headers = {{"Referer", "http://b.example/"}};
    DrawSource off = a;
    off.enabled = false;
    off.address = QStringLiteral("http://off.example/");
    const std::vector<DrawSource> list{off, a, b};
    QString error;
    EXPECT_EQ(chooseSources(list, 53, std::nullopt, {}, &error), (std::vector<DrawSource>{a, b}));
    EXPECT_EQ(chooseSources(list, 53, SourceReader::Official, {}, &error), std::vector<DrawSource>{b});
    // --url: the first chosen source at that address, alone, with its headers.
    const std::vector<DrawSource> url =
        chooseSources(list, 53, SourceReader::Official, QStringLiteral("http://127.0.0.1:1/n"), &error);
    ASSERT_EQ(url.size(), 1u);
    EXPECT_EQ(url[0].address, QStringLiteral("http://127.0.0.1:1/n"));
    EXPECT_EQ(url[0].headers, b.headers);
    // No text source configured: one at the address given, none without it.
    const std::vector<DrawSource> text =
        chooseSources(list, 53, SourceReader::Text, QStringLiteral("http://t.example/h.txt"), &error);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].reader, SourceReader::Text);
    EXPECT_TRUE(chooseSources(list, 53, SourceReader::Text, {}, &error).empty());
    EXPECT_TRUE(error.contains(QStringLiteral("text")));
    // --source official with none configured: the game's default.
    EXPECT_EQ(chooseSources({a}, 3, SourceReader::Official, {}, &error), drawsources::defaults(3));
}

} // namespace
} // namespace korvel
