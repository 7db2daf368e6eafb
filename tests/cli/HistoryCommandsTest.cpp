#include "CliTestSupport.h"

#include "history/DrawTableSchema.h"
#include "platform/Database.h"

#include <QFile>
#include <QJsonArray>

namespace korvel::test {
namespace {

using HistoryCommandsTest = CliTest;

QJsonArray draws(const CliRun& run)
{
    return run.json().value(QStringLiteral("draws")).toArray();
}

TEST_F(HistoryCommandsTest, ImportedAndTypedDrawsAreListedWithTheirParameters)
{
    importDraws(handDraws());
    CliRun list =
        cli({QStringLiteral("history"), QStringLiteral("list"), QStringLiteral("--last"), QStringLiteral("2")});
    ASSERT_EQ(list.code, 0) << list.err.toStdString();
    EXPECT_EQ(list.lines(), (QStringList{QStringLiteral("draws: 5"), QStringLiteral("期号\t百位\t十位\t个位"),
                                         QStringLiteral("2020004\t7\t0\t1"), QStringLiteral("2020005\t7\t4\t5")}));

    // The entry line's rules: the date is normalised, the next issue follows.
    const CliRun add = cliJson({QStringLiteral("history"), QStringLiteral("add"), QStringLiteral("2020006"),
                                QStringLiteral("2020/1/6"), QStringLiteral("358")});
    ASSERT_EQ(add.code, 0) << add.err.toStdString();
    const QJsonObject added = add.json();
    EXPECT_EQ(added.value(QStringLiteral("date")).toString(), QStringLiteral("2020-01-06"));
    EXPECT_EQ(added.value(QStringLiteral("nextIssue")).toString(), QStringLiteral("2020007"));
    EXPECT_EQ(added.value(QStringLiteral("count")).toInt(), 6);

    const QJsonArray all = draws(cliJson({QStringLiteral("history"), QStringLiteral("list")}));
    ASSERT_EQ(all.size(), 6);
    const QJsonObject last = all.last().toObject();
    EXPECT_EQ(last.value(QStringLiteral("strQQH")).toString(), QStringLiteral("2020006"));
    EXPECT_EQ(last.value(QStringLiteral("L1A")).toInt(), 3);
    EXPECT_EQ(last.value(QStringLiteral("L2A")).toInt(), 5);
    EXPECT_EQ(last.value(QStringLiteral("L3A")).toInt(), 8);

    // 358 after 745 on 2020-01-06: sum 16, units of the sum 6, no digit in the same place as before, one
    // digit (5) of the draw before, sequence number 6, the date.
    const CliRun params = cliJson({QStringLiteral("params"), QStringLiteral("2020006")});
    ASSERT_EQ(params.code, 0) << params.err.toStdString();
    const QJsonObject p = params.json();
    EXPECT_EQ(p.size(), 78); // strQQH and the 77 codes
    const std::pair<const char*, int> expected[] = {{"LH", 16}, {"LI", 6}, {"LX", 0}, {"LY", 1},
                                                    {"SQH", 6}, {"YF", 1}, {"RQ", 6}, {"NF", 2020}};
    for (const auto& [code, value] : expected) {
        EXPECT_EQ(p.value(QLatin1String(code)).toInt(-1), value) << code;
    }
    // The text form runs in vocabulary order: number, code and name before the value.
    const QStringList text = cli({QStringLiteral("params"), QStringLiteral("2020006")}).lines();
    ASSERT_EQ(text.size(), 78);
    EXPECT_EQ(text[1], QStringLiteral("1 L1A 百位码: 3"));
    EXPECT_TRUE(text[77].startsWith(QStringLiteral("77 NFW "))) << text[77].toStdString();
}

TEST_F(HistoryCommandsTest, RefusedEntriesStoreNothingAndSayWhyOnOneLine)
{
    importDraws(handDraws());
    const struct {
        QStringList args;
        const char* why;
    } cases[] = {
        {{QStringLiteral("add"), QStringLiteral("2020005"), QStringLiteral("2020-01-06"), QStringLiteral("111")},
         "an issue already stored"},
        {{QStringLiteral("add"), QStringLiteral("2020006"), QStringLiteral("2020-01-06"), QStringLiteral("11")},
         "two digits"},
        {{QStringLiteral("add"), QStringLiteral("2020006"), QStringLiteral("2020-01-06"), QStringLiteral("1a1")},
         "a letter among the digits"},
        {{QStringLiteral("add"), QStringLiteral("2020006"), QStringLiteral("tomorrow"), QStringLiteral("111")},
         "a date that is none"},
        {{QStringLiteral("add"), QStringLiteral("2020006"), QStringLiteral("2020-01-06")}, "no digits"},
        {{QStringLiteral("import"), path(QStringLiteral("missing.txt"))}, "a missing file"},
        {{QStringLiteral("list"), QStringLiteral("--last"), QStringLiteral("x")}, "a count that is no number"},
        {{QStringLiteral("list"), QStringLiteral("--first"), QStringLiteral("2")}, "an unknown option"},
        {{QStringLiteral("delete")}, "no deletion chosen"},
        {{QStringLiteral("delete"), QStringLiteral("--all"), QStringLiteral("--last"), QStringLiteral("1")},
         "two deletions"},
        {{QStringLiteral("delete"), QStringLiteral("--last"), QStringLiteral("0")}, "nothing to delete"},
        {{QStringLiteral("delete"), QStringLiteral("--to"), QStringLiteral("2019001")}, "an issue not stored"},
    };
    for (const auto& c : cases) {
        const CliRun run = cli(QStringList{QStringLiteral("history")} + c.args);
        EXPECT_EQ(run.code, 2) << c.why;
        EXPECT_TRUE(run.out.isEmpty()) << c.why;
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << c.why << ": " << run.err.toStdString();
    }
    EXPECT_EQ(cli({QStringLiteral("params"), QStringLiteral("2019001")}).code, 2);
    EXPECT_EQ(draws(cliJson({QStringLiteral("history"), QStringLiteral("list")})).size(), 5);
}

TEST_F(HistoryCommandsTest, ImportReportsSkippedAndRejectedLines)
{
    importDraws(handDraws());
    const QString file = writeFile(QStringLiteral("more.txt"), "2020005 745\n"              // stored: skipped
                                                               "2020006,2020-01-06,12x\n"   // rejected, line 2
                                                               "2020007,2020-01-07,246\n"); // added
    const CliRun run = cliJson({QStringLiteral("history"), QStringLiteral("import"), file});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject r = run.json();
    EXPECT_EQ(r.value(QStringLiteral("added")).toInt(), 1);
    EXPECT_EQ(r.value(QStringLiteral("skipped")).toInt(), 1);
    const QJsonArray rejected = r.value(QStringLiteral("rejected")).toArray();
    ASSERT_EQ(rejected.size(), 1);
    EXPECT_EQ(rejected[0].toObject().value(QStringLiteral("line")).toInt(), 2);
    EXPECT_EQ(r.value(QStringLiteral("lastIssue")).toString(), QStringLiteral("2020007"));
    // The window's closing message goes to stderr.
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("导入历史号码: "))) << run.err.toStdString();
}

TEST_F(HistoryCommandsTest, ExportWritesTheWindowsFileAndACopy)
{
    importDraws(handDraws());
    const QString copy = path(QStringLiteral("copy.txt"));
    const CliRun run = cliJson({QStringLiteral("history"), QStringLiteral("export"), copy});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QString written = dataDir() + QStringLiteral("/更新至2020005期历史号码.txt");
    EXPECT_EQ(run.json().value(QStringLiteral("files")).toArray().first().toString(), written);
    QFile a(written);
    QFile b(copy);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    const QByteArray bytes = a.readAll();
    EXPECT_EQ(bytes, QByteArray("2020001 123\r\n2020002 156\r\n2020003 789\r\n2020004 701\r\n2020005 745\r\n"));
    EXPECT_EQ(b.readAll(), bytes);

    EXPECT_EQ(
        cli({QStringLiteral("history"), QStringLiteral("export"), path(QStringLiteral("no/such/dir/x.txt"))}).code, 2);
}

TEST_F(HistoryCommandsTest, DeletionsTakeDrawsFromTheNewestBack)
{
    importDraws(handDraws());
    CliRun run =
        cliJson({QStringLiteral("history"), QStringLiteral("delete"), QStringLiteral("--last"), QStringLiteral("2")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json().value(QStringLiteral("deleted")).toInt(), 2);
    EXPECT_EQ(run.json().value(QStringLiteral("newestIssue")).toString(), QStringLiteral("2020003"));

    run = cliJson(
        {QStringLiteral("history"), QStringLiteral("delete"), QStringLiteral("--to"), QStringLiteral("2020001")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json().value(QStringLiteral("deleted")).toInt(), 2);
    EXPECT_EQ(run.json().value(QStringLiteral("count")).toInt(), 1);

    // More than stored deletes what there is.
    run = cliJson({QStringLiteral("history"), QStringLiteral("delete"), QStringLiteral("--last"), QStringLiteral("9")});
    EXPECT_EQ(run.json().value(QStringLiteral("deleted")).toInt(), 1);

    importDraws(handDraws());
    run = cliJson({QStringLiteral("history"), QStringLiteral("delete"), QStringLiteral("--all")});
    EXPECT_EQ(run.json().value(QStringLiteral("deleted")).toInt(), 5);
    EXPECT_EQ(draws(cliJson({QStringLiteral("history"), QStringLiteral("list")})).size(), 0);
}

TEST_F(HistoryCommandsTest, RepairPutsTheIssueValuesOfA359thDrawRightAndSaysHowManyRowsChanged)
{
    importRealDraws(QStringLiteral("fc3d_draws.tsv"), 1510); // up to 2009004, with 2008359
    auto params = [this] { return cliJson({QStringLiteral("params"), QStringLiteral("2008359")}).json(); };
    EXPECT_EQ(params().value(QStringLiteral("QH")).toInt(), 360);
    {
        // What an earlier import stored: the online update's modulo-358 values.
        Database db;
        ASSERT_EQ(db.open(dataDir() + QStringLiteral("/formula.mdb"), drawTableSchema()), Database::OpenResult::Opened);
        db.sql().exec("UPDATE Lishi SET QH = 2, QHW = 2, SQH = 1, SQHW = 1 WHERE strQQH = '2008359'");
    }
    EXPECT_EQ(params().value(QStringLiteral("SQH")).toInt(), 1);

    CliRun run = cliJson({QStringLiteral("history"), QStringLiteral("repair")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json().value(QStringLiteral("changed")).toInt(), 1);
    const QJsonObject p = params();
    EXPECT_EQ(p.value(QStringLiteral("QH")).toInt(), 360);
    EXPECT_EQ(p.value(QStringLiteral("QHW")).toInt(), 9);
    EXPECT_EQ(p.value(QStringLiteral("SQH")).toInt(), 359);
    EXPECT_EQ(p.value(QStringLiteral("SQHW")).toInt(), 17);

    run = cli({QStringLiteral("history"), QStringLiteral("repair")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("changed: 0"))) << run.out.toStdString();
}

} // namespace
} // namespace korvel::test
