#include "CliTestSupport.h"

#include "history/DrawSources.h"
#include "platform/SettingsStore.h"
#include "support/SourceSamples.h"
#include "support/TestData.h"

#include <QFile>
#include <QJsonArray>

namespace korvel::test {
namespace {

// `history update` and `history verify` against a loopback server, and the import's exit status.
class HistoryUpdateCommandTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        ASSERT_TRUE(m_server.listen());
    }

    // The newest draws of a bundled file, from `count` before its end to `drop` before it.
    void importTail(const QString& file, int count, int drop)
    {
        const std::vector<DrawLine> all = loadDraws(file);
        QStringList lines;
        for (std::size_t i = all.size() - static_cast<std::size_t>(count);
             i < all.size() - static_cast<std::size_t>(drop); ++i) {
            lines << all[i].issue + QLatin1Char('\t') + all[i].date + QLatin1Char('\t') + all[i].digits;
        }
        const CliRun run = cli({QStringLiteral("history"), QStringLiteral("import"),
                                writeFile(QStringLiteral("tail.tsv"), lines.join(QLatin1Char('\n')).toUtf8())});
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
    }

    QByteArray dbBytes() const
    {
        QFile f(dataDir() + QStringLiteral("/formula.mdb"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    CliRun update(const QStringList& more) const
    {
        return cliJson(QStringList{QStringLiteral("history"), QStringLiteral("update")} + more);
    }

    QString sample(const QString& name) const { return m_server.url(QStringLiteral("/samples/") + name); }

    SourceServer m_server;
};

TEST_F(HistoryUpdateCommandTest, UpdateAddsTheNewDrawsAndSaysWhatAndFromWhere)
{
    importTail(QStringLiteral("fc3d_draws.tsv"), 40, 6);
    const CliRun run = update({QStringLiteral("--url"), sample(QStringLiteral("fc3d-notice.json"))});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject doc = run.json();
    EXPECT_EQ(doc.value(QStringLiteral("added")).toInt(), 6);
    EXPECT_EQ(doc.value(QStringLiteral("first")).toString(), QStringLiteral("2026248"));
    EXPECT_EQ(doc.value(QStringLiteral("last")).toString(), QStringLiteral("2026253"));
    EXPECT_TRUE(doc.value(QStringLiteral("source")).toString().contains(QStringLiteral("fc3d-notice.json")));
    EXPECT_EQ(doc.value(QStringLiteral("errors")).toArray().size(), 0);
    EXPECT_EQ(doc.value(QStringLiteral("count")).toInt(), 40);

    // Again: nothing new, still status 0.
    const CliRun again = update({QStringLiteral("--source"), QStringLiteral("chart"), QStringLiteral("--url"),
                                 sample(QStringLiteral("fc3d-chart-gbk.html"))});
    ASSERT_EQ(again.code, 0) << again.err.toStdString();
    EXPECT_EQ(again.json().value(QStringLiteral("added")).toInt(), 0);
    EXPECT_EQ(again.json().value(QStringLiteral("status")).toString(), QStringLiteral("nothing new"));
    EXPECT_TRUE(again.err.contains(QStringLiteral("没有新的开奖号码")));

    // The text form prints the same.
    const CliRun text =
        cli({QStringLiteral("history"), QStringLiteral("update"), QStringLiteral("--source"), QStringLiteral("text"),
             QStringLiteral("--url"), sample(QStringLiteral("fc3d-plain.txt"))});
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("added: 0"))) << text.out.toStdString();
}

TEST_F(HistoryUpdateCommandTest, ABusyPageAndAConflictLeaveTheHistoryByteForByteWithNonZeroStatus)
{
    importTail(QStringLiteral("fc3d_draws.tsv"), 40, 1); // lacks 2026253; holds 2026252 092
    const QByteArray bytes = dbBytes();

    const CliRun busy = update({QStringLiteral("--source"), QStringLiteral("chart"), QStringLiteral("--url"),
                                sample(QStringLiteral("busy-page.html"))});
    EXPECT_EQ(busy.code, 3) << busy.err.toStdString();
    const QJsonArray errors = busy.json().value(QStringLiteral("errors")).toArray();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(
        errors[0].toObject().value(QStringLiteral("source")).toString().contains(QStringLiteral("busy-page.html")));
    EXPECT_TRUE(
        errors[0].toObject().value(QStringLiteral("problem")).toString().contains(QStringLiteral("没有开奖号码")));
    EXPECT_FALSE(busy.err.contains(QStringLiteral("没有新的开奖号码")));
    EXPECT_EQ(dbBytes(), bytes);

    const CliRun conflict = update({QStringLiteral("--url"), sample(QStringLiteral("fc3d-notice-conflict.json"))});
    EXPECT_EQ(conflict.code, 4) << conflict.err.toStdString();
    const QJsonArray conflicts = conflict.json().value(QStringLiteral("conflicts")).toArray();
    ASSERT_EQ(conflicts.size(), 1);
    EXPECT_EQ(conflicts[0].toObject().value(QStringLiteral("issue")).toString(), QStringLiteral("2026252"));
    EXPECT_TRUE(conflict.err.contains(QStringLiteral("已有 092（2026-09-19），来源为 123（2026-09-19）")))
        << conflict.err.toStdString();
    EXPECT_EQ(conflict.json().value(QStringLiteral("added")).toInt(), 0);
    EXPECT_EQ(dbBytes(), bytes);

    // An unreachable address fails the same way (nothing listens on the port any more).
    const CliRun gone = update({QStringLiteral("--url"), QStringLiteral("http://127.0.0.1:9/x")});
    EXPECT_EQ(gone.code, 3);
    EXPECT_EQ(dbBytes(), bytes);
}

TEST_F(HistoryUpdateCommandTest, TheSourcesOfTheSettingsAreTriedInOrder)
{
    importTail(QStringLiteral("pl3_draws.tsv"), 30, 6);
    {
        SettingsStore settings(settingsFile());
        settings.setValue(QStringLiteral("IniSetting"), QStringLiteral("GsZl"), QStringLiteral("3"));
        DrawSource busy;
        busy.reader = SourceReader::Chart;
        busy.address = sample(QStringLiteral("busy-page.html"));
        DrawSource off = busy;
        off.enabled = false;
        off.address = sample(QStringLiteral("pl3-issue-digits.csv"));
        DrawSource good;
        good.reader = SourceReader::Official;
        good.address = sample(QStringLiteral("pl3-history.json"));
        drawsources::save(settings, 3, {off, busy, good});
    }
    const CliRun run = update({});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject doc = run.json();
    EXPECT_EQ(doc.value(QStringLiteral("added")).toInt(), 6);
    EXPECT_EQ(doc.value(QStringLiteral("first")).toString(), QStringLiteral("26241"));
    EXPECT_EQ(doc.value(QStringLiteral("errors")).toArray().size(), 1);
    EXPECT_EQ(m_server.asked(), (QStringList{"samples busy-page.html", "samples pl3-history.json"}));

    // --source picks the readers; one the list lacks is a usage error, as is an unknown one.
    EXPECT_EQ(update({QStringLiteral("--source"), QStringLiteral("text")}).code, 2);
    EXPECT_EQ(update({QStringLiteral("--source"), QStringLiteral("web")}).code, 2);
    EXPECT_EQ(update({QStringLiteral("--url"), QStringLiteral("ftp://x")}).code, 2);
}

TEST_F(HistoryUpdateCommandTest, VerifyComparesTheStoredDrawsWithASource)
{
    importTail(QStringLiteral("fc3d_draws.tsv"), 40, 1);
    const QByteArray bytes = dbBytes();
    const QStringList verify{QStringLiteral("history"), QStringLiteral("verify"), QStringLiteral("--url")};
    CliRun run = cliJson(verify + QStringList{sample(QStringLiteral("fc3d-notice.json"))});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    QJsonObject doc = run.json();
    EXPECT_EQ(doc.value(QStringLiteral("agree")).toInt(), 5);
    EXPECT_EQ(doc.value(QStringLiteral("differ")).toInt(), 0);
    EXPECT_EQ(doc.value(QStringLiteral("missingHere")).toArray(), QJsonArray{QStringLiteral("2026253")});
    EXPECT_EQ(doc.value(QStringLiteral("missingThere")).toArray().size(), 0);

    run = cliJson(verify + QStringList{sample(QStringLiteral("fc3d-notice-conflict.json"))});
    EXPECT_EQ(run.code, 4);
    doc = run.json();
    EXPECT_EQ(doc.value(QStringLiteral("differ")).toInt(), 1);
    const QJsonObject d = doc.value(QStringLiteral("differences")).toArray()[0].toObject();
    EXPECT_EQ(d.value(QStringLiteral("issue")).toString(), QStringLiteral("2026252"));
    EXPECT_EQ(d.value(QStringLiteral("stored")).toString(), QStringLiteral("092（2026-09-19）"));
    EXPECT_EQ(d.value(QStringLiteral("source")).toString(), QStringLiteral("123（2026-09-19）"));

    EXPECT_EQ(cliJson(verify + QStringList{sample(QStringLiteral("busy-page.html"))}).code, 3);
    EXPECT_EQ(dbBytes(), bytes); // verify changes nothing
}

TEST_F(HistoryUpdateCommandTest, ImportReadsThePlainHistoryAndRefusesAFileWithNothingToStore)
{
    const CliRun plain = cliJson(
        {QStringLiteral("history"), QStringLiteral("import"), sourceSamplePath(QStringLiteral("fc3d-plain.txt"))});
    ASSERT_EQ(plain.code, 0) << plain.err.toStdString();
    const QJsonObject doc = plain.json();
    EXPECT_EQ(doc.value(QStringLiteral("added")).toInt(), 9);
    EXPECT_EQ(doc.value(QStringLiteral("skipped")).toInt(), 3);
    EXPECT_EQ(doc.value(QStringLiteral("beforeNational")).toInt(), 3);
    EXPECT_EQ(doc.value(QStringLiteral("renumbered")).toInt(), 3);
    EXPECT_EQ(doc.value(QStringLiteral("layout")).toString(), QStringLiteral("期号 日期 百位 十位 个位"));
    EXPECT_EQ(doc.value(QStringLiteral("firstIssue")).toString(), QStringLiteral("2004001"));
    EXPECT_TRUE(plain.err.contains(QStringLiteral("按开奖日期存为全国统一期号 2004001 至 2004003")))
        << plain.err.toStdString();

    const QString junk = writeFile(QStringLiteral("junk.txt"), "hello\nworld 12\n2026x01 123\n");
    const CliRun refused = cli({QStringLiteral("history"), QStringLiteral("import"), junk});
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("没有可导入的开奖号码"))) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("第 2 行“world 12”"))) << refused.err.toStdString();
    EXPECT_EQ(cliJson({QStringLiteral("history"), QStringLiteral("list")})
                  .json()
                  .value(QStringLiteral("draws"))
                  .toArray()
                  .size(),
              9);
}

} // namespace
} // namespace korvel::test
