#include "gui/tally/TallyWindowFixture.h"

#include "gui/ChartCommands.h"
#include "gui/history/TrendWindow.h"
#include "gui/tally/BacktestChartWindow.h"
#include "gui/tally/BacktestWindow.h"
#include "gui/tally/RankingListWindow.h"
#include "gui/verify/HitChartWindow.h"
#include "support/gui/Shots.h"

#include <QCheckBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>

namespace korvel::test {
namespace {

// Pictures of a first start on whatever screen the test runs on (xvfb-run -s "-screen 0 1366x768x24" or
// 1920x1080), every window at the size it opens at. Runs only when KORVEL_SHOTS_DIR names the folder.
class WindowFitShots : public ShotsFixture<TallyWindowFixture> {
protected:
    QString sized(const QString& name) const
    {
        const QSize screen = QGuiApplication::primaryScreen()->size();
        return QStringLiteral("%1-%2x%3").arg(name).arg(screen.width()).arg(screen.height());
    }
};

TEST_F(WindowFitShots, AFirstStartAndItsWindows)
{
    seed(600);
    m_wiring = Wiring::Program;
    openWindow(QSize()); // the opening size of a first start
    m_commands = &m_assembly->tally();
    std::vector<Stored> hundreds;
    std::vector<Stored> tens;
    const char* words[] = {"百位码", "十位码", "个位码", "和数", "跨度"};
    const char* codes[] = {"L1A", "L2A", "L3A", "LH", "LT"};
    for (int i = 0; i < 60; ++i) {
        const QString a = QString::fromUtf8(words[i % 5]);
        const QString b = QString::fromUtf8(words[(i / 5) % 5]);
        const QString g = QStringLiteral("%1+%2+%3")
                              .arg(QString::fromLatin1(codes[i % 5]), QString::fromLatin1(codes[(i / 5) % 5]))
                              .arg(i % 10);
        hundreds.push_back({g, QStringLiteral("[百位单选杀]%1+%2+%3").arg(a, b).arg(i % 10)});
        tens.push_back({g, QStringLiteral("%1+%2+%3=下期杀 十位单选").arg(a, b).arg(i % 10)});
    }
    storeFormulas(FormulaKind{3, Play::Single}, hundreds);
    storeFormulas(FormulaKind{2, Play::Single}, tens);
    shoot(m_window, sized(QStringLiteral("main")));
    child<QCheckBox>(QStringLiteral("formulaColumnsCheck"))->setChecked(true);
    QTest::qWait(50);
    shoot(m_window, sized(QStringLiteral("main-per-draw")));
    child<QCheckBox>(QStringLiteral("formulaColumnsCheck"))->setChecked(false);
    QTest::qWait(50);
    shoot(m_window, sized(QStringLiteral("main-per-draw-off")));

    choose(QStringLiteral("positionTens"));
    choose(QStringLiteral("methodSelected"));
    pressCompute();
    shoot(resultWindow(ResultView::PerPosition), sized(QStringLiteral("result-tens")));

    QSignalSpy finished(m_commands, &TallyCommands::rankingFinished);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("positionValuesButton")), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(60000));
    shoot(m_commands->rankingWindow(), sized(QStringLiteral("ranking")));

    ChartCommands* charts = &m_assembly->charts();
    QTest::mouseClick(child<QPushButton>(QStringLiteral("trendButton")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(charts->trendWindow()));
    m_dialogs.answerFile(QDir(m_shots).filePath(sized(QStringLiteral("trend-export")) + QStringLiteral(".png")));
    charts->trendWindow()->exportPicture();
    shoot(charts->trendWindow(), sized(QStringLiteral("trend")));
    shoot(m_window, sized(QStringLiteral("main-after-picture")));

    QTest::mouseClick(child<QPushButton>(QStringLiteral("backtestButton")), Qt::LeftButton);
    BacktestWindow* backtest = m_commands->backtestWindow();
    ASSERT_NE(backtest, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(backtest));
    QTest::mouseClick(backtest->findChild<QPushButton*>(QStringLiteral("startBacktestButton")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backtest->running(); }, 120000));
    shoot(backtest, sized(QStringLiteral("backtest")));
    QTest::mouseClick(backtest->findChild<QPushButton*>(QStringLiteral("backtestChartButton")), Qt::LeftButton);
    ASSERT_NE(backtest->chartWindow(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(backtest->chartWindow()));
    shoot(backtest->chartWindow(), sized(QStringLiteral("backtest-chart")));
}

} // namespace
} // namespace korvel::test
