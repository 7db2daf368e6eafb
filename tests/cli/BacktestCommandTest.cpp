#include "CliTestSupport.h"

#include <QJsonArray>

namespace korvel::test {
namespace {

class BacktestCommandTest : public CliTest {};

TEST_F(BacktestCommandTest, FixedFormulasGiveTheHandComputedRanksAsJson)
{
    importDraws(handDraws()); // 123 156 789 701 745
    ASSERT_EQ(cli({QStringLiteral("formula"), QStringLiteral("add"), QStringLiteral("个位码+0=下期杀 个位单选")}).code,
              0);

    const CliRun run = cliJson({QStringLiteral("backtest"), QStringLiteral("--position"), QStringLiteral("1"),
                                QStringLiteral("--draws"), QStringLiteral("2")});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject doc = run.json();
    EXPECT_EQ(doc.value(QStringLiteral("mode")).toString(), QStringLiteral("固定公式"));
    const QJsonArray draws = doc.value(QStringLiteral("perDraw")).toArray();
    ASSERT_EQ(draws.size(), 2);
    // 2020004 from 789: 9 is killed, the drawn 1 ranks second (0 first); 2020005 from 701: 1 is killed,
    // the drawn 5 ranks fifth (0 2 3 4 5).
    EXPECT_EQ(draws[0].toObject().value(QStringLiteral("issue")).toString(), QStringLiteral("2020004"));
    EXPECT_EQ(draws[0].toObject().value(QStringLiteral("rank")).toInt(), 2);
    EXPECT_EQ(draws[0].toObject().value(QStringLiteral("killed")).toString(), QStringLiteral("否"));
    EXPECT_EQ(draws[0].toObject().value(QStringLiteral("ranked")).toString(),
              QStringLiteral("0保 1保 2保 3保 4保 5保 6保 7保 8保 9杀"));
    EXPECT_EQ(draws[1].toObject().value(QStringLiteral("rank")).toInt(), 5);

    const QJsonArray summary = doc.value(QStringLiteral("summary")).toArray();
    ASSERT_EQ(summary.size(), 1);
    const QJsonArray lines = summary[0].toObject().value(QStringLiteral("survival")).toArray();
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[4].toObject().value(QStringLiteral("survived")).toString(), QStringLiteral("2/2")); // n = 5
    EXPECT_EQ(lines[5].toObject().value(QStringLiteral("survived")).toString(), QStringLiteral("1/2")); // n = 6
    EXPECT_EQ(lines[8].toObject().value(QStringLiteral("chance")).toString(), QStringLiteral("10.0%"));
}

TEST_F(BacktestCommandTest, DrawsThatCannotBeBacktestedAreRefusedWithTheReason)
{
    importDraws(handDraws());
    const CliRun tooMany = cli({QStringLiteral("backtest"), QStringLiteral("--draws"), QStringLiteral("5")});
    EXPECT_NE(tooMany.code, 0);
    EXPECT_TRUE(tooMany.err.contains(QStringLiteral("只有 5 期"))) << tooMany.err.toStdString();
    EXPECT_TRUE(tooMany.out.isEmpty());
    const CliRun none = cli({QStringLiteral("backtest"), QStringLiteral("--draws"), QStringLiteral("0")});
    EXPECT_NE(none.code, 0);
    EXPECT_TRUE(none.err.contains(QStringLiteral("必须大于 0"))) << none.err.toStdString();
    EXPECT_NE(cli({QStringLiteral("backtest"), QStringLiteral("--mode"), QStringLiteral("sometimes")}).code, 0);
}

} // namespace
} // namespace korvel::test
