#include "history/DrawFileImport.h"
#include "history/DrawBatch.h"
#include "history/DrawTableSchema.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "platform/TextCodec.h"
#include "support/FakeDialogs.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

namespace korvel {
namespace {

struct Expected {
    QString issue;
    Digits digits;
    QDate date;
};

class DrawFileImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        m_store.reload();
    }

    // The history draw by draw: issue, digits, and every parameter from the digits, the previous stored
    // draw's digits, the sequence number and the date.
    void expectHistory(const std::vector<Expected>& expected)
    {
        const SnapshotPtr snap = m_store.snapshot();
        ASSERT_EQ(snap->size(), static_cast<int>(expected.size()));
        Digits previous;
        for (int i = 0; i < snap->size(); ++i) {
            const Expected& e = expected[static_cast<std::size_t>(i)];
            ASSERT_EQ(snap->issue(i), e.issue) << "row " << i;
            const DrawParams want = computeDrawParameters(
                e.digits, previous, issueDateFromText(e.issue, e.date.toString(QStringLiteral("yyyy-MM-dd"))));
            EXPECT_EQ(snap->row(i), want) << e.issue.toStdString();
            previous = e.digits;
        }
    }

    QTemporaryDir m_dir;
    Database m_db;
    HistoryStore m_store{m_db};
};

TEST_F(DrawFileImportTest, GoodDuplicateAndMalformedLines)
{
    const QString text = QStringLiteral("期号,日期,开奖号码\r\n"     // 1 header
                                        "2007003 583\r\n"            // 2 export form, no date
                                        "2007001,2007-01-01,120\r\n" // 3
                                        "\r\n"                       // 4 blank
                                        "2007002\t2007/1/2\t999\r\n" // 5 TAB, other date form
                                        "2007004,2007-01-05,40\r\n"  // 6 two digits
                                        "2007004;2007-01-05;407\r\n" // 7
                                        "2007004 407\r\n"            // 8 same draw again
                                        "2007004 408\r\n"            // 9 same issue, other digits
                                        "2007005,2007-02-30,111\r\n" // 10 no such day
                                        "2007005,2008-01-06,111\r\n" // 11 year does not match the issue
                                        "20070x6 123\r\n"            // 12 issue not a number
                                        "2007006 12 3\r\n"           // 13 digits split by a blank
                                        "2007006 123\r\n"            // 14 no date: the day after 01-05
                                        "2007400 123\r\n");          // 15 sequence beyond the year
    const DrawFileReport r = importDrawText(m_db, m_store, text);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.added, 5);
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(r.estimatedDates, 2);
    std::vector<int> rejectedLines;
    for (const RejectedDrawLine& line : r.rejected) {
        rejectedLines.push_back(line.number);
    }
    EXPECT_EQ(rejectedLines, (std::vector<int>{6, 9, 10, 11, 12, 13, 15}));
    EXPECT_EQ(r.rejected[0].reason, QStringLiteral("开奖号码不是三位数字"));
    EXPECT_EQ(r.rejected[1].reason, QStringLiteral("与第 7 行期号相同而号码或日期不同"));
    EXPECT_EQ(r.firstIssue, QStringLiteral("2007001"));
    EXPECT_EQ(r.lastIssue, QStringLiteral("2007006"));
    // 2007003 has no date: the day after 2007-01-02. 2007006: the day after 2007-01-05.
    expectHistory({{"2007001", {1, 2, 0}, QDate(2007, 1, 1)},
                   {"2007002", {9, 9, 9}, QDate(2007, 1, 2)},
                   {"2007003", {5, 8, 3}, QDate(2007, 1, 3)},
                   {"2007004", {4, 0, 7}, QDate(2007, 1, 5)},
                   {"2007006", {1, 2, 3}, QDate(2007, 1, 6)}});
    const QString message = drawFileReportText(r);
    EXPECT_TRUE(message.contains(QStringLiteral("新增 5 期")));
    EXPECT_TRUE(message.contains(QStringLiteral("第 6 行（开奖号码不是三位数字）")));
    EXPECT_TRUE(message.contains(QStringLiteral("第 15 行")));

    // The same file again plus later draws: stored issues are skipped, a gap before the newest is refused,
    // the new draws follow the stored newest one.
    const DrawFileReport again = importDrawText(
        m_db, m_store, text + QStringLiteral("2007005 555\r\n2007008 808\r\n2007007,2007-01-09,777\r\n"));
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.added, 2);
    EXPECT_EQ(again.skipped, 7); // every line of a stored issue, line 9 included
    ASSERT_EQ(again.rejected.size(), 7u);
    EXPECT_EQ(again.rejected[6].number, 16);
    EXPECT_TRUE(again.rejected[6].reason.startsWith(QStringLiteral("早于已有的最新一期")));
    expectHistory({{"2007001", {1, 2, 0}, QDate(2007, 1, 1)},
                   {"2007002", {9, 9, 9}, QDate(2007, 1, 2)},
                   {"2007003", {5, 8, 3}, QDate(2007, 1, 3)},
                   {"2007004", {4, 0, 7}, QDate(2007, 1, 5)},
                   {"2007006", {1, 2, 3}, QDate(2007, 1, 6)},
                   {"2007007", {7, 7, 7}, QDate(2007, 1, 9)},
                   {"2007008", {8, 0, 8}, QDate(2007, 1, 10)}});
    // By hand: 2007007 777 after 2007006 123 shares nothing; 2007008 808 after 777 neither.
    const SnapshotPtr snap = m_store.snapshot();
    EXPECT_EQ(snap->value(5, Param::LY), 0);
    EXPECT_EQ(snap->value(5, Param::RQ), 9);
    EXPECT_EQ(snap->value(4, Param::RQW), 6);
}

TEST_F(DrawFileImportTest, DatesOfTheExportFormAndTheYearForm)
{
    // No draw before the first line: day k of the issue's year. Across a year end the count starts again.
    const DrawFileReport r = importDrawText(m_db, m_store, QStringLiteral("2009032 111\n2009358 222\n2010001 333\n"));
    ASSERT_TRUE(r.ok);
    expectHistory({{"2009032", {1, 1, 1}, QDate(2009, 2, 1)},
                   {"2009358", {2, 2, 2}, QDate(2009, 2, 2)},
                   {"2010001", {3, 3, 3}, QDate(2010, 1, 1)}});

    // A history numbered with two-digit years keeps that form, whatever the file writes.
    QTemporaryDir dir;
    Database db;
    ASSERT_EQ(db.open(dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()), Database::OpenResult::Created);
    HistoryStore store(db);
    store.reload();
    ASSERT_TRUE(importDrawText(db, store, QStringLiteral("26245,2026-09-12,125\n")).ok);
    const DrawFileReport more = importDrawText(db, store, QStringLiteral("2026246,2026-09-13,286\n26245 125\n"));
    EXPECT_EQ(more.added, 1);
    EXPECT_EQ(more.skipped, 1);
    ASSERT_EQ(store.size(), 2);
    EXPECT_EQ(store.snapshot()->issue(1), QStringLiteral("26246"));
}

TEST_F(DrawFileImportTest, AFailedWriteStoresNothingAndDeletesNothing)
{
    ASSERT_TRUE(importDrawText(m_db, m_store, QStringLiteral("2007001,2007-01-01,120\n2007002,2007-01-02,999\n")).ok);
    // The database refuses one row of the batch.
    m_db.sql().exec("CREATE TRIGGER refuse BEFORE INSERT ON Lishi WHEN NEW.strQQH = '2007005' "
                    "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const DrawFileReport r =
        importDrawText(m_db, m_store, QStringLiteral("2007003 111\n2007004 222\n2007005 333\n2007006 444\n"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("refused")));
    EXPECT_TRUE(drawFileReportText(r).contains(QStringLiteral("历史号码没有改变")));
    ASSERT_EQ(m_store.size(), 2);

    // A batch of which one row is refused stores none of them.
    std::vector<HistoryStore::NewDraw> rows(2);
    rows[0].issue = QStringLiteral("2007004");
    rows[1].issue = QStringLiteral("2007005");
    const BatchResult refused = storeDraws(m_db, m_store, rows);
    EXPECT_FALSE(refused.ok);
    ASSERT_EQ(m_store.size(), 2);
    EXPECT_EQ(m_store.snapshot()->issue(0), QStringLiteral("2007001"));
    // The connection carries no open transaction afterwards.
    EXPECT_EQ(m_store.deleteLast(), 1);
}

TEST_F(DrawFileImportTest, CommandReadsGbkOrUtf8AndRefusesOtherFiles)
{
    test::FakeDialogs dialogs;
    const QString path = m_dir.filePath(QStringLiteral("draws.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(*textcodec::gbkLines(
            {QStringLiteral("期号 开奖号码"), QStringLiteral("2007001 583"), QStringLiteral("2007002 58")}));
    }
    dialogs.answerFile(path);
    DrawFileReport r = importDrawFile(m_db, m_store, dialogs, m_dir.path());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.added, 1);
    ASSERT_EQ(dialogs.calls().size(), 2u);
    EXPECT_EQ(dialogs.calls()[0].defaultText, QStringLiteral("Text(*.txt *.csv)"));
    EXPECT_EQ(dialogs.calls()[1].title, QStringLiteral("导入历史号码"));
    EXPECT_TRUE(dialogs.calls()[1].text.contains(QStringLiteral("第 3 行")));

    const QString binary = m_dir.filePath(QStringLiteral("draws.bin"));
    {
        QFile f(binary);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("2007002 111\0\xFF", 13));
    }
    dialogs.clear();
    dialogs.answerFile(binary);
    r = importDrawFile(m_db, m_store, dialogs, m_dir.path());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(m_store.size(), 1);
    dialogs.answerFile(QString());
    EXPECT_FALSE(importDrawFile(m_db, m_store, dialogs, m_dir.path()).ok);
}

} // namespace
} // namespace korvel

namespace korvel {
namespace {

struct LayoutCase {
    const char* name;
    QString text;
    int game;
    QString layout;
    QStringList issues; // stored, with their digits: "2026248 876"
};

QStringList storedDraws(const HistoryStore& store)
{
    QStringList out;
    const SnapshotPtr snap = store.snapshot();
    for (int i = 0; i < snap->size(); ++i) {
        out << snap->issue(i) + QLatin1Char(' ') +
                   QStringLiteral("%1%2%3")
                       .arg(snap->value(i, Param::L1A))
                       .arg(snap->value(i, Param::L2A))
                       .arg(snap->value(i, Param::L3A));
    }
    return out;
}

QString sampleText(const QString& name)
{
    QFile f(QStringLiteral(KORVEL_TEST_DATA "/sources/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return *decodeDrawFile(f.readAll());
}

class DrawFileLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        m_store.reload();
    }
    QTemporaryDir m_dir;
    Database m_db;
    HistoryStore m_store{m_db};
};

TEST_F(DrawFileLayoutTest, EachLayoutOfTheFilesPlayersHaveIsFoundAndNamed)
{
    const QStringList six{"2026248 876", "2026249 689", "2026250 954"};
    const LayoutCase cases[] = {
        {"the mirrored plain-text history",
         sampleText(QStringLiteral("fc3d-plain.txt")),
         53,
         QStringLiteral("期号 日期 百位 十位 个位"),
         {"2004001 070", "2004002 557", "2004003 986", "2026248 876", "2026249 689", "2026250 954", "2026251 777",
          "2026252 092", "2026253 034"}},
        {"a spreadsheet export without dates",
         sampleText(QStringLiteral("pl3-issue-digits.csv")),
         3,
         QStringLiteral("表头“期号,百位,十位,个位”"),
         {"26241 050", "26242 244", "26243 915", "26244 620", "26245 125", "26246 286"}},
        {"期号,开奖号码", QStringLiteral("期号,开奖号码\r\n2026248,876\r\n2026249,\"6 8 9\"\r\n2026250,954\r\n"), 53,
         QStringLiteral("表头“期号,开奖号码”"), six},
        {"issue,date,…",
         QStringLiteral("issue,date,digits,sum\n2026248,2026-09-15,876,21\n2026249,2026-09-16,689,23\n"
                        "2026250,2026-09-17,954,18\n"),
         53, QStringLiteral("表头“issue,date,digits,sum”"), six},
        {"issue,date,digits",
         QStringLiteral("2026248,2026-09-15(二),876\n2026249;2026-09-16;689\n2026250\t2026-09-17\t954\n"), 53,
         QStringLiteral("期号,日期,号码"), six},
        {"tab-separated columns",
         QStringLiteral("2026248\t2026-09-15\t8\t7\t6\t21\t2\n2026249\t2026-09-16\t6\t8\t9\t23\t3\n"
                        "2026250\t2026-09-17\t9\t5\t4\t18\t5\n"),
         53, QStringLiteral("期号 日期 百位 十位 个位"), six},
        {"issue ddd", QStringLiteral("2026248 876\n2026249 689\n2026250 954\n"), 53, QStringLiteral("期号 号码"), six},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GE(m_store.Delrec(), 0);
        const DrawFileReport r = importDrawText(m_db, m_store, c.text, c.game);
        ASSERT_TRUE(r.ok) << drawFileReportText(r).toStdString();
        EXPECT_TRUE(r.rejected.empty()) << drawFileReportText(r).toStdString();
        EXPECT_EQ(r.layout, c.layout);
        EXPECT_TRUE(drawFileReportText(r).contains(c.layout));
        EXPECT_EQ(storedDraws(m_store), c.issues);
    }
}

TEST_F(DrawFileLayoutTest, ThePlainHistoryIsThreeOfficialDrawsOf2004AndSixOf2026WithThreeSkipped)
{
    const DrawFileReport r = importDrawText(m_db, m_store, sampleText(QStringLiteral("fc3d-plain.txt")), 53);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.added, 9);
    EXPECT_EQ(r.skipped, 3);
    EXPECT_EQ(r.beforeNational, 3);
    ASSERT_EQ(r.renumbered.size(), 3u);
    EXPECT_EQ(r.renumbered[0], std::make_pair(QStringLiteral("2004285"), QStringLiteral("2004001")));
    EXPECT_EQ(r.renumbered[2], std::make_pair(QStringLiteral("2004287"), QStringLiteral("2004003")));
    const QString text = drawFileReportText(r);
    EXPECT_TRUE(text.contains(QStringLiteral("跳过 3 期 2004-10-18 全国统一编号之前的开奖号码"))) << text.toStdString();
    EXPECT_TRUE(
        text.contains(QStringLiteral("3 期（2004285 至 2004287）按开奖日期存为全国统一期号 2004001 至 2004003")))
        << text.toStdString();
    // The official 2004001 is 2004-10-18, with the date and digits of the bundled history.
    const SnapshotPtr snap = m_store.snapshot();
    EXPECT_EQ(snap->issue(0), QStringLiteral("2004001"));
    EXPECT_EQ(snap->value(0, Param::YF), 10);
    EXPECT_EQ(snap->value(0, Param::RQ), 18);
    EXPECT_EQ(snap->value(0, Param::SQH), 1);
    EXPECT_EQ(snap->value(0, Param::QH), 2);

    // On the bundled history the same file stores nothing twice: its 2004 draws are the stored ones.
    QTemporaryDir dir;
    Database db;
    ASSERT_EQ(db.open(dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()), Database::OpenResult::Created);
    HistoryStore store(db);
    store.reload();
    QFile bundled(QStringLiteral(KORVEL_TEST_DATA "/fc3d_draws.tsv"));
    ASSERT_TRUE(bundled.open(QIODevice::ReadOnly));
    ASSERT_EQ(importDrawText(db, store, QString::fromUtf8(bundled.readAll()), 53).added, 7760);
    const DrawFileReport again = importDrawText(db, store, sampleText(QStringLiteral("fc3d-plain.txt")), 53);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.skipped, 12);
    EXPECT_EQ(store.size(), 7760);
}

TEST_F(DrawFileLayoutTest, AFileWithNothingToStoreStoresNothingAndShowsItsFirstRejectedLines)
{
    ASSERT_TRUE(importDrawText(m_db, m_store, QStringLiteral("2026248 876\n"), 53).ok);
    DrawFileReport r = importDrawText(m_db, m_store, QStringLiteral("hello\nworld 12\n2026x01 123\n2026249 68\n"), 53);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.nothingToImport);
    EXPECT_EQ(r.added, 0);
    const QString text = drawFileReportText(r);
    EXPECT_TRUE(text.startsWith(QStringLiteral("没有可导入的开奖号码"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("第 2 行“world 12”（期号不对）"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("第 4 行“2026249 68”（开奖号码不是三位数字）"))) << text.toStdString();
    EXPECT_EQ(m_store.size(), 1);
    // Only draws from before the national numbering: nothing either.
    r = importDrawText(m_db, m_store, QStringLiteral("2004282 2004-10-15 7 8 9\n2003100 2003-04-10 1 2 3\n"), 53);
    EXPECT_TRUE(r.nothingToImport);
    EXPECT_EQ(r.beforeNational, 2);
    EXPECT_TRUE(drawFileReportText(r).contains(QStringLiteral("2004-10-18")));
    // An empty file too; a file whose draws are all stored is no failure.
    EXPECT_TRUE(importDrawText(m_db, m_store, QString(), 53).nothingToImport);
    r = importDrawText(m_db, m_store, QStringLiteral("2026248 876\n"), 53);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.nothingToImport);
    EXPECT_EQ(r.skipped, 1);
    // For 排列3 the 2004 rule does not apply.
    QTemporaryDir dir;
    Database db;
    ASSERT_EQ(db.open(dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()), Database::OpenResult::Created);
    HistoryStore store(db);
    store.reload();
    EXPECT_EQ(importDrawText(db, store, QStringLiteral("04001 2004-11-14 1 9 2\n"), 3).added, 1);
}

TEST_F(DrawFileLayoutTest, TwoDrawsWithOneDateAreNeverBothStored)
{
    DrawFileReport r = importDrawText(
        m_db, m_store, QStringLiteral("2026248,2026-09-15,876\n2026249,2026-09-15,689\n2026250,2026-09-17,954\n"), 53);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.added, 2);
    ASSERT_EQ(r.rejected.size(), 1u);
    EXPECT_EQ(r.rejected[0].number, 2);
    EXPECT_EQ(r.rejected[0].reason, QStringLiteral("与第 1 行开奖日期相同"));
    r = importDrawText(m_db, m_store, QStringLiteral("2026251,2026-09-17,777\n"), 53);
    EXPECT_TRUE(r.nothingToImport);
    ASSERT_EQ(r.rejected.size(), 1u);
    EXPECT_EQ(r.rejected[0].reason, QStringLiteral("与已有的 2026250 期开奖日期相同"));
    // Undated plain lines 2004076–2004365 cannot be placed.
    r = importDrawText(m_db, m_store, QStringLiteral("2004300 123\n"), 53);
    ASSERT_EQ(r.rejected.size(), 1u);
    EXPECT_TRUE(r.rejected[0].reason.contains(QStringLiteral("001–075")));
}

TEST_F(DrawFileLayoutTest, TheFileCommandNamesTheEncoding)
{
    test::FakeDialogs dialogs;
    const QString path = m_dir.filePath(QStringLiteral("draws.csv"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(
            *textcodec::gbkLines({QStringLiteral("期号,开奖日期,开奖号码"), QStringLiteral("2026248,2026-09-15,876")}));
    }
    dialogs.answerFile(path);
    const DrawFileReport r = importDrawFile(m_db, m_store, dialogs, m_dir.path(), 53);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.encoding, QStringLiteral("GBK"));
    EXPECT_TRUE(dialogs.messages().back().text.contains(QStringLiteral("编码：GBK")))
        << dialogs.messages().back().text.toStdString();
    EXPECT_TRUE(dialogs.messages().back().text.contains(QStringLiteral("表头“期号,开奖日期,开奖号码”")));
}

} // namespace
} // namespace korvel
