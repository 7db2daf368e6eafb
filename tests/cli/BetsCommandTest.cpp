#include "CliTestSupport.h"
#include "support/TestData.h"

#include <QJsonArray>

namespace korvel::test {
namespace {

class BetsCommandTest : public CliTest {};

QStringList smallKeep()
{
    return {QStringLiteral("--keep"),   QStringLiteral("百位=1,2,3"), QStringLiteral("--keep"),
            QStringLiteral("十位=4,5"), QStringLiteral("--keep"),     QStringLiteral("个位=6")};
}

TEST_F(BetsCommandTest, KeptDigitsGiveTheHandCountedListAndItsCost)
{
    const CliRun run = cli(QStringList{QStringLiteral("bets")} + smallKeep());
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.lines(), (QStringList{"146", "156", "246", "256", "346", "356"}));
    EXPECT_TRUE(run.err.contains(QStringLiteral("6注，共 12 元"))) << run.err.toStdString();

    // 和值 12-13 and 跨度 4 leave 246 and 256.
    const CliRun cut = cliJson(
        QStringList{QStringLiteral("bets")} + smallKeep() +
        QStringList{QStringLiteral("--sum"), QStringLiteral("12-13"), QStringLiteral("--span"), QStringLiteral("4")});
    ASSERT_EQ(cut.code, 0) << cut.err.toStdString();
    const QJsonObject doc = cut.json();
    EXPECT_EQ(doc.value(QStringLiteral("bets")).toArray(), (QJsonArray{"246", "256"}));
    EXPECT_EQ(doc.value(QStringLiteral("count")).toInt(), 2);
    EXPECT_EQ(doc.value(QStringLiteral("cost")).toDouble(), 4.0);
    EXPECT_DOUBLE_EQ(doc.value(QStringLiteral("returnRate")).toDouble(), 0.52);

    const CliRun odd = cli(
        QStringList{QStringLiteral("bets")} + smallKeep() +
        QStringList{QStringLiteral("--odd-even"), QStringLiteral("2:1"), QStringLiteral("--dan"), QStringLiteral("1")});
    EXPECT_EQ(odd.lines(), QStringList{"156"});

    const CliRun all = cliJson({QStringLiteral("bets")});
    ASSERT_EQ(all.code, 0) << all.err.toStdString();
    EXPECT_EQ(all.json().value(QStringLiteral("count")).toInt(), 1000);
    EXPECT_EQ(all.json().value(QStringLiteral("cost")).toDouble(), 2000.0);
}

TEST_F(BetsCommandTest, GroupSetsAreWrittenWithTheirForm)
{
    const CliRun run = cli({QStringLiteral("bets"), QStringLiteral("--bet"), QStringLiteral("组选"),
                            QStringLiteral("--keep"), QStringLiteral("百位=1,2"), QStringLiteral("--keep"),
                            QStringLiteral("十位=1,2"), QStringLiteral("--keep"), QStringLiteral("个位=3")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.lines(), (QStringList{"组三 1 1 3", "组六 1 2 3", "组三 2 2 3"}));
    EXPECT_TRUE(run.err.contains(QStringLiteral("3注，共 6 元"))) << run.err.toStdString();
}

TEST_F(BetsCommandTest, BadInputIsRefusedWithAClearMessage)
{
    const CliRun empty = cli({QStringLiteral("bets"), QStringLiteral("--keep"), QStringLiteral("十位=")});
    EXPECT_NE(empty.code, 0);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("十位没有保留的号码"))) << empty.err.toStdString();
    EXPECT_TRUE(empty.out.isEmpty());

    const CliRun emptied = cli(QStringList{QStringLiteral("bets")} + smallKeep() +
                               QStringList{QStringLiteral("--form"), QStringLiteral("组三")});
    EXPECT_NE(emptied.code, 0);
    EXPECT_TRUE(emptied.err.contains(QStringLiteral("滤掉"))) << emptied.err.toStdString();

    EXPECT_NE(cli({QStringLiteral("bets"), QStringLiteral("--sum"), QStringLiteral("30")}).code, 0);
    EXPECT_NE(cli({QStringLiteral("bets"), QStringLiteral("--keep"), QStringLiteral("千位=1")}).code, 0);
    EXPECT_NE(cli({QStringLiteral("bets"), QStringLiteral("--odd-even"), QStringLiteral("2:2")}).code, 0);

    ASSERT_EQ(
        cli({QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("IniSetting/ZxJj"), QStringLiteral("0")})
            .code,
        0);
    const CliRun zero = cli({QStringLiteral("bets")});
    EXPECT_NE(zero.code, 0);
    EXPECT_TRUE(zero.err.contains(QStringLiteral("直选奖金"))) << zero.err.toStdString();
}

TEST_F(BetsCommandTest, FilterSetsAreSavedAndReused)
{
    ASSERT_EQ(cli(QStringList{QStringLiteral("bets")} + smallKeep() +
                  QStringList{QStringLiteral("--span"), QStringLiteral("3"), QStringLiteral("--save-filter-set"),
                              QStringLiteral("小跨度")})
                  .code,
              0);
    const CliRun reuse = cli(QStringList{QStringLiteral("bets")} + smallKeep() +
                             QStringList{QStringLiteral("--filter-set"), QStringLiteral("小跨度")});
    ASSERT_EQ(reuse.code, 0) << reuse.err.toStdString();
    EXPECT_EQ(reuse.lines(), (QStringList{"346", "356"}));
    EXPECT_NE(cli({QStringLiteral("bets"), QStringLiteral("--filter-set"), QStringLiteral("没有")}).code, 0);
}

TEST_F(BetsCommandTest, FromTallyTakesTheDigitsTheTallyKeeps)
{
    importDraws(handDraws()); // the newest draw is 745
    ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("个位码+0=下期杀 个位单选")}).code,
              0);
    // The tally at 个位 kills 5; 百位 and 十位 are typed.
    const CliRun run =
        cli({QStringLiteral("bets"), QStringLiteral("--from-tally"), QStringLiteral("--position"), QStringLiteral("1"),
             QStringLiteral("--keep"), QStringLiteral("百位=1"), QStringLiteral("--keep"), QStringLiteral("十位=2")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.lines(), (QStringList{"120", "121", "122", "123", "124", "126", "127", "128", "129"}));
}

TEST_F(BetsCommandTest, BacktestKeepingEveryDigitReturnsExactlyTheChanceShare)
{
    importDraws(handDraws());
    // No formula: every digit is kept, 1 000 bets a draw, one of them wins.
    const CliRun run =
        cliJson({QStringLiteral("bets"), QStringLiteral("backtest"), QStringLiteral("--draws"), QStringLiteral("3")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject doc = run.json();
    EXPECT_EQ(doc.value(QStringLiteral("draws")).toInt(), 3);
    EXPECT_EQ(doc.value(QStringLiteral("bets")).toInt(), 3000);
    EXPECT_EQ(doc.value(QStringLiteral("cost")).toDouble(), 6000.0);
    EXPECT_EQ(doc.value(QStringLiteral("winnings")).toDouble(), 3120.0);
    EXPECT_DOUBLE_EQ(doc.value(QStringLiteral("returnRate")).toDouble(), 0.52);
    EXPECT_DOUBLE_EQ(doc.value(QStringLiteral("chanceReturn")).toDouble(), 0.52);
    const QJsonArray interval = doc.value(QStringLiteral("interval")).toArray();
    ASSERT_EQ(interval.size(), 2);
    EXPECT_NEAR(interval[0].toDouble(), 0.52, 1e-9);
    EXPECT_NEAR(interval[1].toDouble(), 0.52, 1e-9);

    const CliRun none = cli({QStringLiteral("bets"), QStringLiteral("backtest"), QStringLiteral("--draws"),
                             QStringLiteral("3"), QStringLiteral("--play"), QStringLiteral("大小")});
    EXPECT_NE(none.code, 0);
}

TEST_F(BetsCommandTest, BacktestWithAnEmptyHistoryIsRefused)
{
    const CliRun run =
        cli({QStringLiteral("bets"), QStringLiteral("backtest"), QStringLiteral("--draws"), QStringLiteral("10")});
    EXPECT_NE(run.code, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("没有历史号码"))) << run.err.toStdString();
}

TEST_F(BetsCommandTest, BacktestOverRealDrawsHoldsChance)
{
    const QString file = QStringLiteral("fc3d_draws.tsv");
    importRealDraws(file, 400);
    // Kill the 个位 of the draw before: 900 bets a draw, winning when the 个位 does not repeat.
    ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("个位码+0=下期杀 个位单选")}).code,
              0);
    const CliRun run = cliJson({QStringLiteral("bets"), QStringLiteral("backtest"), QStringLiteral("--draws"),
                                QStringLiteral("300"), QStringLiteral("--position"), QStringLiteral("1")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const std::vector<DrawLine> draws = loadDraws(file, 400);
    int wins = 0;
    for (std::size_t r = 100; r < 400; ++r) {
        wins += draws[r].digits.at(2) != draws[r - 1].digits.at(2) ? 1 : 0;
    }
    const QJsonObject doc = run.json();
    EXPECT_EQ(doc.value(QStringLiteral("bets")).toInt(), 300 * 900);
    EXPECT_DOUBLE_EQ(doc.value(QStringLiteral("winnings")).toDouble(), wins * 1040.0);
    EXPECT_DOUBLE_EQ(doc.value(QStringLiteral("returnRate")).toDouble(), wins * 1040.0 / (300 * 1800.0));
    const QJsonArray interval = doc.value(QStringLiteral("interval")).toArray();
    EXPECT_LE(interval[0].toDouble(), 0.52);
    EXPECT_GE(interval[1].toDouble(), 0.52);
    EXPECT_TRUE(doc.value(QStringLiteral("holdsChance")).toBool());
}

TEST_F(BetsCommandTest, TrendShapesCarryTheirOmissionCounts)
{
    importDraws(handDraws()); // 123 156 789 701 745: all 组六; 百位 roads 1 1 1 1 1; 个位 中 中 大 小 中
    const CliRun run =
        cliJson({QStringLiteral("trend"), QStringLiteral("--last"), QStringLiteral("5"), QStringLiteral("--shapes")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject last = run.json().value(QStringLiteral("rows")).toArray().at(4).toObject();
    EXPECT_EQ(last.value(QStringLiteral("form")).toString(), QStringLiteral("组六"));
    EXPECT_EQ(last.value(QStringLiteral("form_1")).toInt(), 5); // no 组三 since the first draw
    EXPECT_EQ(last.value(QStringLiteral("form_2")).toInt(), 0);
    EXPECT_EQ(last.value(QStringLiteral("baiRoad")).toString(), QStringLiteral("1"));
    EXPECT_EQ(last.value(QStringLiteral("baiRoad_0")).toInt(), 5);
    EXPECT_EQ(last.value(QStringLiteral("geSize")).toString(), QStringLiteral("中"));
    EXPECT_EQ(last.value(QStringLiteral("geSize_0")).toInt(), 2); // 大 last on 789
}

} // namespace
} // namespace korvel::test
