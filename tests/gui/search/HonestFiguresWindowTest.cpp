#include "SearchWindowFixture.h"

#include "gui/tally/BacktestChartWindow.h"
#include "gui/tally/BacktestWindow.h"
#include "gui/tally/TallyCommands.h"
#include "search/SearchSession.h"
#include "search/SearchSettings.h"
#include "support/gui/Shots.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QTableWidget>

namespace korvel::test {
namespace {

// The honesty figures in the windows: the hold-out and the random control of the search window, and the
// method backtest opened from the main window. With KORVEL_SHOTS_DIR set, pictures of each.
class HonestFiguresWindowTest : public SearchWindowTest {};

TEST_F(HonestFiguresWindowTest, HoldOutSearchShowsHeldOutFiguresAndTheControlCountsBothHistories)
{
    seed(1200);
    open();
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    w->resize(1400, 720);
    auto* holdout = in<QSpinBox>(w, QStringLiteral("holdoutSpin"));
    EXPECT_EQ(holdout->value(), 0); // today's behaviour until the user asks
    EXPECT_TRUE(holdout->toolTip().contains(QStringLiteral("90%")));
    holdout->setValue(300);
    EXPECT_EQ(storedHoldout(*m_settings), 300);
    type(in<QLineEdit>(w, QStringLiteral("holdoutMinField")), QStringLiteral("91"));

    typeThresholds(w, {"93", "100", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
    w->search().setSeed(5);
    click(in<QPushButton>(w, QStringLiteral("startSearchButton")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return foundShown(w) >= 20; }, 60000));
    click(in<QPushButton>(w, QStringLiteral("pauseSearchButton")));
    w->refresh();

    QListWidget* results = w->resultList();
    ASSERT_GE(results->count(), 20);
    for (int i = 0; i < results->count(); ++i) {
        EXPECT_TRUE(results->item(i)->text().contains(QStringLiteral("检验 "))) << i;
        EXPECT_TRUE(results->item(i)->text().contains(QStringLiteral("基准90.0000%"))) << i;
    }
    const int rejected = w->search().poll().rejected;
    EXPECT_EQ(in<QListWidget>(w, QStringLiteral("rejectedList"))->count(), rejected);
    EXPECT_EQ(in<QLabel>(w, QStringLiteral("rejectedLabel"))->text(),
              QStringLiteral("检验未通过: %1 条（不保存）").arg(rejected));
    // The export writes the formulas as before, without the held-out figures.
    EXPECT_FALSE(w->search().resultLines().first().contains(QStringLiteral("检验")));

    click(in<QPushButton>(w, QStringLiteral("controlButton")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->polling(); }, 60000));
    w->refresh();
    const QString control = in<QLabel>(w, QStringLiteral("controlLabel"))->text();
    EXPECT_TRUE(control.startsWith(QStringLiteral("真实开奖: "))) << control.toStdString();
    EXPECT_TRUE(control.contains(QStringLiteral(", 随机开奖: "))) << control.toStdString();
    saveShot(w, QStringLiteral("search-window-holdout-control"));
}

TEST_F(HonestFiguresWindowTest, BacktestWindowRunsOffTheGuiThreadAndRefusesWhatCannotBeComputed)
{
    seed(420);
    openProgram();
    TallyCommands* commands = &m_assembly->tally();
    auto* button = child<QPushButton>(QStringLiteral("backtestButton"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("方法回测(&H)"));
    ASSERT_TRUE(button->isEnabled());
    saveShot(m_window, QStringLiteral("main-window-backtest-button"));
    click(button);
    BacktestWindow* w = commands->backtestWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));

    // More draws than the history holds: told, nothing runs.
    const auto told = m_dialogs.messages().size();
    w->findChild<QSpinBox*>(QStringLiteral("drawsSpin"))->setValue(420);
    click(w->findChild<QPushButton*>(QStringLiteral("startBacktestButton")));
    ASSERT_EQ(m_dialogs.messages().size(), told + 1);
    EXPECT_TRUE(m_dialogs.messages().back().text.contains(QStringLiteral("只有 420 期")));
    EXPECT_FALSE(w->running());
    w->findChild<QSpinBox*>(QStringLiteral("drawsSpin"))->setValue(0);
    click(w->findChild<QPushButton*>(QStringLiteral("startBacktestButton")));
    EXPECT_EQ(m_dialogs.messages().size(), told + 2);

    // A walk-forward of 30 draws (the panel's 计算选中公式 at 百位 tallies three positions; only 百位 is
    // judged and shown, the two below are no bet of this choice).
    m_session->options().setComputeSelected(true);
    w->findChild<QSpinBox*>(QStringLiteral("drawsSpin"))->setValue(30);
    w->findChild<QComboBox*>(QStringLiteral("modeCombo"))->setCurrentIndex(1);
    w->findChild<QSpinBox*>(QStringLiteral("formulasSpin"))->setValue(20);
    click(w->findChild<QPushButton*>(QStringLiteral("startBacktestButton")));
    EXPECT_TRUE(w->running());
    EXPECT_TRUE(w->findChild<QPushButton*>(QStringLiteral("cancelBacktestButton"))->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->running(); }, 120000));
    ASSERT_TRUE(w->result().done());
    const int positions = static_cast<int>(w->result().summary.size());
    ASSERT_EQ(positions, 1);
    EXPECT_EQ(w->result().summary[0].slot, m_session->choices().kind().position);
    for (const BacktestDraw& d : w->result().draws) {
        ASSERT_EQ(d.slotResults.size(), 1u);
        EXPECT_EQ(d.slotResults[0].slot, m_session->choices().kind().position);
    }
    EXPECT_EQ(w->summaryTable()->rowCount(), 9 * positions);
    EXPECT_EQ(w->drawTable()->rowCount(), 30 * positions);
    EXPECT_EQ(w->summaryTable()->item(0, 4)->text(), QStringLiteral("90.0%"));
    EXPECT_FALSE(w->result().inSample);
    w->resize(980, 700);
    saveShot(w, QStringLiteral("backtest-window-walk-forward"));
    auto* chartButton = w->findChild<QPushButton*>(QStringLiteral("backtestChartButton"));
    ASSERT_TRUE(chartButton->isEnabled());
    click(chartButton);
    ASSERT_NE(w->chartWindow(), nullptr);
    EXPECT_TRUE(w->chartWindow()->isVisible());
    saveShot(w->chartWindow(), QStringLiteral("backtest-chart-from-window"));

    // Cancel: nothing shown from the cancelled run, and the rows left are marked as the run before.
    w->findChild<QSpinBox*>(QStringLiteral("drawsSpin"))->setValue(300);
    w->findChild<QSpinBox*>(QStringLiteral("formulasSpin"))->setValue(2000);
    click(w->findChild<QPushButton*>(QStringLiteral("startBacktestButton")));
    click(w->findChild<QPushButton*>(QStringLiteral("cancelBacktestButton")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->running(); }, 60000));
    EXPECT_EQ(
        w->findChild<QLabel*>(QStringLiteral("noteLabel"))->text(),
        QStringLiteral("回测已取消。下面的表格是上一次回测（百位 单选 杀 计算选中公式，滚动搜索，30期）的结果。"));
    EXPECT_EQ(w->drawTable()->rowCount(), 30 * positions); // the finished run's rows stay
}

} // namespace
} // namespace korvel::test
