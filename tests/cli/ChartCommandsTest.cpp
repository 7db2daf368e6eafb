#include "CliTestSupport.h"

#include <QJsonArray>

namespace korvel::test {
namespace {

// The hand history 123, 156, 789, 701, 745 (百位 1 1 7 7 7).
class ChartCommandsTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        importDraws(handDraws());
    }

    static QJsonObject rowOf(const QJsonObject& doc, const QString& table, int i)
    {
        return doc.value(table).toArray().at(i).toObject();
    }
};

TEST_F(ChartCommandsTest, TrendPrintsTheRowsOmissionsAndSummaries)
{
    const CliRun run = cliJson(
        {QStringLiteral("trend"), QStringLiteral("--last"), QStringLiteral("3"), QStringLiteral("--positions")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject doc = run.json();
    EXPECT_EQ(doc.value(QStringLiteral("count")).toInt(), 3);
    const QJsonObject first = rowOf(doc, QStringLiteral("rows"), 0);
    EXPECT_EQ(first.value(QStringLiteral("strQQH")).toString(), "2020003");
    EXPECT_EQ(first.value(QStringLiteral("sum")).toInt(), 24);
    EXPECT_EQ(first.value(QStringLiteral("span")).toInt(), 2);
    EXPECT_EQ(first.value(QStringLiteral("oddEven")).toString(), "2:1");
    EXPECT_EQ(first.value(QStringLiteral("bigSmall")).toString(), "3:0");
    // 百位 1 was last drawn on 2020002: the first row shown carries its count.
    EXPECT_EQ(first.value(QStringLiteral("bai1")).toInt(), 1);
    EXPECT_EQ(first.value(QStringLiteral("bai7")).toInt(), 0);
    EXPECT_EQ(rowOf(doc, QStringLiteral("rows"), 2).value(QStringLiteral("bai1")).toInt(), 3);
    EXPECT_EQ(rowOf(doc, QStringLiteral("rows"), 2).value(QStringLiteral("ge5")).toInt(), 0);

    // Summary rows: 百位 出现次数, 平均遗漏, 最大遗漏, 当前遗漏 first.
    const QJsonArray summary = doc.value(QStringLiteral("summary")).toArray();
    ASSERT_EQ(summary.size(), 12);
    const QJsonObject count = summary.at(0).toObject();
    EXPECT_EQ(count.value(QStringLiteral("figure")).toString(), "出现次数");
    EXPECT_EQ(count.value(QStringLiteral("7")).toInt(), 3);
    EXPECT_EQ(count.value(QStringLiteral("1")).toInt(), 0);
    EXPECT_DOUBLE_EQ(summary.at(1).toObject().value(QStringLiteral("1")).toDouble(), 3.0);
    EXPECT_DOUBLE_EQ(summary.at(1).toObject().value(QStringLiteral("7")).toDouble(), 0.0);
    EXPECT_EQ(summary.at(2).toObject().value(QStringLiteral("1")).toInt(), 3);
    EXPECT_EQ(summary.at(3).toObject().value(QStringLiteral("1")).toInt(), 3);
    EXPECT_EQ(summary.at(4).toObject().value(QStringLiteral("position")).toString(), "十位");

    // Without --positions only the row columns; a bad count is a usage error.
    const CliRun plain = cli({QStringLiteral("trend"), QStringLiteral("--last"), QStringLiteral("all")});
    ASSERT_EQ(plain.code, 0);
    EXPECT_TRUE(plain.out.contains(QStringLiteral("2020001\t1\t2\t3\t6\t2\t2:1\t0:3"))) << plain.out.toStdString();
    EXPECT_NE(cli({QStringLiteral("trend"), QStringLiteral("--last"), QStringLiteral("0")}).code, 0);
}

TEST_F(ChartCommandsTest, FormulaChartCountsTheRollingRateAndMissRuns)
{
    ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("[百位单选杀]百位码")}).code, 0);
    // All draws: the window starts at the second; kill 1, 1, 7, 7 on 1, 7, 7, 7: miss, hit, miss, miss.
    const CliRun run =
        cliJson({QStringLiteral("formula"), QStringLiteral("chart"), QStringLiteral("--kind"), QStringLiteral("3D"),
                 QStringLiteral("--idx"), QStringLiteral("1"), QStringLiteral("--window"), QStringLiteral("all"),
                 QStringLiteral("--rolling"), QStringLiteral("2")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject doc = run.json();
    EXPECT_EQ(doc.value(QStringLiteral("count")).toInt(), 4);
    EXPECT_EQ(doc.value(QStringLiteral("hits")).toInt(), 1);
    EXPECT_DOUBLE_EQ(doc.value(QStringLiteral("chance")).toDouble(), 0.9);
    EXPECT_EQ(doc.value(QStringLiteral("longestMissRun")).toInt(), 2);
    QStringList rates;
    for (const QJsonValue& v : run.json().value(QStringLiteral("missRuns")).toArray()) {
        rates << v.toObject().value(QStringLiteral("from")).toString() + QLatin1Char('+') +
                     QString::number(v.toObject().value(QStringLiteral("length")).toInt());
    }
    EXPECT_EQ(rates, (QStringList{"2020002+1", "2020004+2"}));

    // The draws table: the rolling rate from the second draw of the window on.
    const CliRun text =
        cli({QStringLiteral("formula"), QStringLiteral("chart"), QStringLiteral("--kind"), QStringLiteral("3D"),
             QStringLiteral("--idx"), QStringLiteral("1"), QStringLiteral("--window"), QStringLiteral("all"),
             QStringLiteral("--rolling"), QStringLiteral("2")});
    EXPECT_TRUE(text.out.contains(QStringLiteral("2020002\tno\t0.9\t\t"))) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("2020003\tyes\t0.9\t0.5\t0.9"))) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("2020005\tno\t0.9\t0\t0.9"))) << text.out.toStdString();

    // A formula that is not there is a usage error.
    EXPECT_NE(cli({QStringLiteral("formula"), QStringLiteral("chart"), QStringLiteral("--kind"), QStringLiteral("3D"),
                   QStringLiteral("--idx"), QStringLiteral("9")})
                  .code,
              0);
}

TEST_F(ChartCommandsTest, RankingHistogramCountsTheRanksOfTheDrawnDigits)
{
    for (const char* text : {"[百位单选杀]百位码", "[百位单选杀]百位码+十位码"}) {
        ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QString::fromUtf8(text)}).code, 0);
    }
    // Draw 1 (百位 1) stood at rank 9 of draw 0's ranking, draw 2 (7) at rank 6, draws 3 and 4 (7) at 10.
    const CliRun run =
        cliJson({QStringLiteral("--yes"), QStringLiteral("ranking"), QStringLiteral("--kind"), QStringLiteral("3D"),
                 QStringLiteral("--sense"), QStringLiteral("kill"), QStringLiteral("--histogram")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject doc = run.json();
    EXPECT_DOUBLE_EQ(doc.value(QStringLiteral("chancePerRank")).toDouble(), 0.4);
    QList<int> counts;
    for (const QJsonValue& v : doc.value(QStringLiteral("ranks")).toArray()) {
        counts << v.toObject().value(QStringLiteral("count")).toInt();
    }
    EXPECT_EQ(counts, (QList<int>{0, 0, 0, 0, 0, 1, 0, 0, 1, 2}));
}

} // namespace
} // namespace korvel::test
