#include "gui/bets/NetChartView.h"
#include "gui/tally/BacktestChartView.h"
#include "gui/tally/BacktestChartWindow.h"
#include "gui/tally/RankChartView.h"

#include "support/FakeDialogs.h"
#include "support/TestData.h"
#include "support/gui/Shots.h"
#include "tally/TallyTestSupport.h"

#include <QBarSet>
#include <QComboBox>
#include <QDir>
#include <QImageReader>
#include <QLineSeries>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <cmath>

namespace korvel::test {
namespace {

// 百位单选 kill formulas over 300 real draws, the newest 120 predicted with the formulas as they are.
BacktestResult realBacktest(int draws)
{
    const HistorySnapshot h = snapshotOf(loadDraws(QStringLiteral("fc3d_draws.tsv"), 300));
    const std::vector<Formula> list = {formula(1, "L1A+L2A"), formula(2, "L3A*3+1"), formula(3, "LH+7"),
                                       formula(4, "L1A"), formula(5, "L2A+L3A+2")};
    BacktestRequest req;
    req.choice.position = 3;
    req.choice.kill = true;
    req.choice.method = TallyMethod::Selected;
    req.draws = draws;
    return runMethodBacktest(h, req, fixedFormulaSource([list](const FormulaKind& kind, bool kill) {
                                 return kind == FormulaKind{3, Play::Single} && kill ? list : std::vector<Formula>{};
                             }),
                             [](const FormulaKind&, int) { return true; });
}

TEST(BacktestChart, BarsAreTheSurvivalSharesWithTheChanceLineAndExport)
{
    const BacktestResult result = realBacktest(120);
    ASSERT_TRUE(result.done()) << result.message.toStdString();
    FakeDialogs dialogs;
    QTemporaryDir dir;
    BacktestChartWindow w(dialogs, dir.path());
    w.setResult(result);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    BacktestChartView* chart = w.chartView();
    EXPECT_EQ(w.slotBox()->currentText(), "百位");
    ASSERT_TRUE(chart->emptyText().isEmpty());
    ASSERT_NE(chart->bars(), nullptr);
    ASSERT_EQ(chart->bars()->count(), 9);
    const BacktestSummary& s = chart->summary();
    for (int i = 0; i < 9; ++i) {
        const SurvivalLine& line = s.lines[static_cast<std::size_t>(i)];
        EXPECT_EQ(line.draws, 120);
        EXPECT_NEAR(chart->bars()->at(i), 100.0 * line.survived / 120, 1e-9) << i;
        // One position: killing n of ten digits leaves the drawn one with chance (10 - n) / 10.
        EXPECT_NEAR(chart->chanceLine()->at(i).y(), 10.0 * (10 - line.n), 1e-9) << i;
        EXPECT_LE(line.low, line.share);
        EXPECT_GE(line.high, line.share);
    }

    const QString path = dir.filePath(QStringLiteral("bt.png"));
    dialogs.answerFile(path);
    EXPECT_EQ(w.exportPicture(), path);
    const QImage png = QImageReader(path).read();
    EXPECT_EQ(png.size(), chart->size());

    saveShot(&w, QStringLiteral("backtest-chart"));
}

TEST(BacktestChart, EveryResultGetsAFreshChartAndAnEmptyOneANote)
{
    // A chart of the last result must go when the next one comes: series and axes would pile up otherwise.
    BacktestChartView backtest;
    backtest.setResult(realBacktest(60), 3);
    QPointer<QChart> first = backtest.chart();
    ASSERT_NE(backtest.chanceLine(), nullptr);
    BacktestResult failed;
    failed.status = BacktestResult::Status::Cancelled;
    backtest.setResult(failed, 3);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(backtest.chanceLine(), nullptr);
    EXPECT_EQ(backtest.bars(), nullptr);
    EXPECT_EQ(backtest.emptyText(), QStringLiteral("回测没有完成"));

    RankChartView rank;
    RankHistogram h;
    h.counts = {5, 4, 3, 2, 1, 1, 1, 1, 1, 1};
    h.rows = 20;
    h.chancePerRank = 2.0;
    rank.setHistogram(h, QStringLiteral("百位"));
    EXPECT_TRUE(rank.emptyText().isEmpty());
    ASSERT_NE(rank.chanceLine(), nullptr);
    EXPECT_EQ(rank.chart()->series().size(), 2);
    first = rank.chart();
    rank.setHistogram(RankHistogram{}, QStringLiteral("百位"));
    EXPECT_TRUE(first.isNull());
    EXPECT_FALSE(rank.emptyText().isEmpty());
    EXPECT_EQ(rank.chart()->series().size(), 0);

    NetChartView net;
    EXPECT_EQ(net.emptyText(), QStringLiteral("尚未回测"));
    BetBacktestResult one;
    one.draws.push_back(BetBacktestDraw{});
    first = net.chart();
    net.setResult(one);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(net.emptyText().isEmpty());
    ASSERT_NE(net.chanceLine(), nullptr);
    EXPECT_EQ(net.chanceLine()->count(), 2);
}

// The net chart labels whole yuan and whole draws: a tick step below 1 would print one rounded label twice
// ("1, 1, 0, -1, -1" on the empty chart).
TEST(BacktestChart, TheNetChartsTicksAreWholeUnitsAndNotTooMany)
{
    const auto checkAxes = [](NetChartView& net, const char* what) {
        const auto axes = net.chart()->axes();
        ASSERT_EQ(axes.size(), 2) << what;
        for (QAbstractAxis* a : axes) {
            auto* axis = qobject_cast<QValueAxis*>(a);
            ASSERT_NE(axis, nullptr) << what;
            EXPECT_EQ(axis->tickType(), QValueAxis::TicksDynamic) << what;
            const double step = axis->tickInterval();
            EXPECT_GE(step, 1.0) << what;
            EXPECT_EQ(step, std::floor(step)) << what;
            const double ticks = (axis->max() - axis->min()) / step;
            EXPECT_GE(ticks, 1.0) << what;
            EXPECT_LE(ticks, 10.0) << what;
        }
    };
    NetChartView net;
    checkAxes(net, "empty");
    BetBacktestResult losing;
    for (int i = 0; i < 730; ++i) {
        BetBacktestDraw d;
        d.cost = 200;
        d.chanceWinnings = 104;
        d.cumulativeNet = -96.0 * (i + 1);
        losing.draws.push_back(d);
    }
    net.setResult(losing);
    checkAxes(net, "730 draws");
}

TEST(BacktestChart, AResultThatIsNotDoneSaysWhy)
{
    const BacktestResult tooMany = realBacktest(400); // K draws need K + 1 in the history
    ASSERT_FALSE(tooMany.done());
    FakeDialogs dialogs;
    BacktestChartWindow w(dialogs, QDir::tempPath());
    w.setResult(tooMany);
    EXPECT_EQ(w.chartView()->bars(), nullptr);
    EXPECT_EQ(w.chartView()->emptyText(), tooMany.message);
    EXPECT_FALSE(w.findChild<QWidget*>(QStringLiteral("backtestChartPictureButton"))->isEnabled());
    EXPECT_FALSE(w.grab().isNull());
}

} // namespace
} // namespace korvel::test
