#include "CliTestSupport.h"

#include <QDir>
#include <QJsonArray>

#include <SQLiteCpp/Database.h>

namespace korvel::test {
namespace {

// The hand history (百位 1, 1, 7, 7, 7; 十位 2, 5, 8, 0, 4), every draw counted, and three kill formulas of
// 百位单选 added after the last draw. Carried to draws 2..5 (百位 1, 7, 7, 7):
//   百位码        1, 1, 7, 7   - one hit; four named digits, chance 0.9 each
//   百位码+十位码  3, 6, 5, 7   - three hits
//   百位码-9      -8, -8, -2, -2 - no digit: four sure hits, baseline 100 %
class ChanceFiguresCliTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        importDraws(handDraws());
        ASSERT_EQ(cli({QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("IniSetting/JSQS"),
                       QStringLiteral("0")})
                      .code,
                  0);
        for (const char* text : {"[百位单选杀]百位码", "[百位单选杀]百位码+十位码", "[百位单选杀]百位码-9"}) {
            ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QString::fromUtf8(text)}).code, 0);
        }
    }

    QJsonArray stats(const QStringList& extra = {}) const
    {
        const CliRun run = cliJson(QStringList{QStringLiteral("stats"), QStringLiteral("--kind"), QStringLiteral("3D"),
                                               QStringLiteral("--sense"), QStringLiteral("kill")} +
                                   extra);
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        return run.json().value(QStringLiteral("formulas")).toArray();
    }
};

TEST_F(ChanceFiguresCliTest, StatsWritesTheFiguresItPrints)
{
    const auto storedRate = [&] {
        SQLite::Database db(QDir(dataDir()).filePath(QStringLiteral("formula.mdb")).toStdString(),
                            SQLite::OPEN_READONLY);
        return db.execAndGet("SELECT sglGsRate FROM Gongshi3D WHERE idx = 1").getDouble();
    };
    // 百位码 hits the third draw only: plain 1 of 4, weighted 4 of 1 + 4 + 9 + 16.
    stats({QStringLiteral("--plain")});
    EXPECT_NEAR(storedRate(), 25.0, 1e-4);
    // Without options the stored (weighted) settings apply, and what is printed is what the table holds.
    const QJsonArray rows = stats();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].toObject().value(QStringLiteral("正确率（加权算法）")).toString(),
              QStringLiteral("13.3333% (4/30)"));
    EXPECT_NEAR(storedRate(), 400.0 / 30.0, 1e-4);
}

TEST_F(ChanceFiguresCliTest, StatsJsonCarriesBaselineExcessAndSignificance)
{
    const QJsonArray rows = stats({QStringLiteral("--plain")});
    ASSERT_EQ(rows.size(), 3);
    const QJsonObject one = rows[0].toObject();
    EXPECT_EQ(one.value(QStringLiteral("正确率")).toString(), QStringLiteral("25.0000% (1/4)"));
    EXPECT_DOUBLE_EQ(one.value(QStringLiteral("baseline")).toDouble(), 90.0);
    EXPECT_NEAR(one.value(QStringLiteral("excess")).toDouble(), -65.0, 1e-4);
    EXPECT_NEAR(one.value(QStringLiteral("significance")).toDouble(), 1 - 0.0001, 1e-12); // 1 - 0.1^4
    EXPECT_EQ(one.value(QStringLiteral("significanceMethod")).toString(), QStringLiteral("exact"));
    EXPECT_EQ(one.value(QStringLiteral("hits")).toInt(), 1);
    EXPECT_EQ(one.value(QStringLiteral("drawsCounted")).toInt(), 4);
    EXPECT_EQ(one.value(QStringLiteral("entryIssue")).toString(), QStringLiteral("2020005"));

    // P(X >= 3) of four draws at 0.9: 0.9^4 + 4 * 0.9^3 * 0.1.
    const QJsonObject two = rows[1].toObject();
    EXPECT_NEAR(two.value(QStringLiteral("significance")).toDouble(), 0.6561 + 0.2916, 1e-12);
    EXPECT_NEAR(two.value(QStringLiteral("excess")).toDouble(), -15.0, 1e-4);

    // Hitting only because the value is negative: the baseline is the rate.
    const QJsonObject negative = rows[2].toObject();
    EXPECT_EQ(negative.value(QStringLiteral("正确率")).toString(), QStringLiteral("100.0000% (4/4)"));
    EXPECT_DOUBLE_EQ(negative.value(QStringLiteral("baseline")).toDouble(), 100.0);
    EXPECT_NEAR(negative.value(QStringLiteral("excess")).toDouble(), 0.0, 1e-4);
    EXPECT_DOUBLE_EQ(negative.value(QStringLiteral("significance")).toDouble(), 1.0);

    // No draw after the entry issue yet.
    EXPECT_EQ(one.value(QStringLiteral("forward")).toString(), QStringLiteral("—"));
    EXPECT_EQ(one.value(QStringLiteral("forwardDraws")).toInt(), 0);
    EXPECT_TRUE(one.value(QStringLiteral("forwardBaseline")).isNull());
}

TEST_F(ChanceFiguresCliTest, ForwardFiguresCountTheDrawsAfterTheFormulasCameIn)
{
    // 2020006 has 百位 2: 百位码 carried 7, 百位码+十位码 carried 11 (names 1), 百位码-9 carried -2: all hit.
    importDraws({QStringLiteral("2020006 2020-01-06 234")});
    const QJsonArray rows = stats();
    ASSERT_EQ(rows.size(), 3);
    const QJsonObject one = rows[0].toObject();
    EXPECT_EQ(one.value(QStringLiteral("forward")).toString(), QStringLiteral("100.0% (1/1) 基准90.0%"));
    EXPECT_EQ(one.value(QStringLiteral("forwardHits")).toInt(), 1);
    EXPECT_EQ(one.value(QStringLiteral("forwardDraws")).toInt(), 1);
    EXPECT_DOUBLE_EQ(one.value(QStringLiteral("forwardBaseline")).toDouble(), 90.0);
    EXPECT_EQ(rows[2].toObject().value(QStringLiteral("forward")).toString(),
              QStringLiteral("100.0% (1/1) 基准100.0%"));
    // Weighted over draws 2..6, all naming a digit: still 90 %.
    EXPECT_NEAR(one.value(QStringLiteral("baseline")).toDouble(), 90.0, 1e-9);
    EXPECT_EQ(one.value(QStringLiteral("drawsCounted")).toInt(), 5);

    // The text output shows the same cells under the list's headers.
    const CliRun text = cli({QStringLiteral("formula"), QStringLiteral("list"), QStringLiteral("--kind"),
                             QStringLiteral("3D"), QStringLiteral("--sense"), QStringLiteral("kill")});
    ASSERT_EQ(text.code, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("随机基准"))) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("显著性")));
    EXPECT_TRUE(text.out.contains(QStringLiteral("100.0% (1/1) 基准90.0%")));
}

} // namespace
} // namespace korvel::test
