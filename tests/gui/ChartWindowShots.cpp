#include "gui/tally/TallyWindowFixture.h"

#include "gui/ChartCommands.h"
#include "gui/history/TrendWindow.h"
#include "gui/tally/RankChartView.h"
#include "gui/tally/RankingListWindow.h"
#include "gui/verify/HitChartWindow.h"
#include "history/DrawTableSchema.h"
#include "support/HistoryRows.h"
#include "support/gui/Shots.h"

#include <QDir>
#include <QSignalSpy>

namespace korvel::test {
namespace {

// Pictures of the charts over the whole real 福彩3D history, for a person to look at. Runs only when
// KORVEL_SHOTS_DIR names the folder for the PNG files.
class ChartWindowShots : public ShotsFixture<TallyWindowFixture> {};

TEST_F(ChartWindowShots, EveryChart)
{
    seed(-1); // the whole history
    m_wiring = Wiring::Program;
    openWindow(QSize(1280, 720));
    m_commands = &m_assembly->tally();
    ChartCommands* charts = &m_assembly->charts();
    storeFormulas(FormulaKind{3, Play::Single}, {{"L1A+L2A+3", "[百位单选杀]百位码+十位码+3"},
                                                 {"L3A*3+1", "[百位单选杀]个位码*3+1"},
                                                 {"LH+7", "[百位单选杀]和数+7"},
                                                 {"L1A", "[百位单选杀]百位码"}});
    shoot(m_window, QStringLiteral("main-window"));

    QTest::mouseClick(child<QPushButton>(QStringLiteral("trendButton")), Qt::LeftButton);
    TrendWindow* trend = charts->trendWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(trend));
    QTest::qWait(50);
    shoot(trend, QStringLiteral("trend-100"));
    trend->chooseRange(0);
    QTest::qWait(50);
    shoot(trend, QStringLiteral("trend-30"));
    trend->chooseRange(4);
    QTest::qWait(50);
    shoot(trend, QStringLiteral("trend-all"));
    trend->chooseRange(1);
    m_dialogs.answerFile(QDir(m_shots).filePath(QStringLiteral("trend-50-export.png")));
    trend->exportPicture();

    rightClick(0);
    chooseMenuItem(QStringLiteral("actionHitChart"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(charts->hitChartWindow()));
    shoot(charts->hitChartWindow(), QStringLiteral("hit-chart"));
    m_session->options().setWindowIndex(0); // all draws
    rightClick(3);
    chooseMenuItem(QStringLiteral("actionHitChart"));
    shoot(charts->hitChartWindow(), QStringLiteral("hit-chart-all"));

    QSignalSpy finished(m_commands, &TallyCommands::rankingFinished);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("positionValuesButton")), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(30000));
    shoot(m_commands->rankingWindow(), QStringLiteral("ranking-with-chart"));
    m_commands->rankingWindow()->playOption(Play::Group)->click();
    QTest::mouseClick(m_commands->rankingWindow()->queryButton(), Qt::LeftButton);
    shoot(m_commands->rankingWindow()->rankChart(), QStringLiteral("rank-chart-group"));
}

} // namespace
} // namespace korvel::test
