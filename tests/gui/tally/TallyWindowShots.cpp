#include "gui/tally/TallyWindowFixture.h"

#include "gui/tally/FormulaStepsWindow.h"
#include "gui/tally/RankingListWindow.h"
#include "support/gui/Shots.h"

#include <QDir>
#include <QProgressDialog>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>

namespace korvel::test {
namespace {

// Pictures of every tally window over 40 real draws and twenty formulas, for a person to look at. Runs only
// when KORVEL_SHOTS_DIR names the folder for the PNG files.
class TallyWindowShots : public ShotsFixture<TallyWindowFixture> {};

TEST_F(TallyWindowShots, EveryWindow)
{
    openTallyWindow(40, QSize(1280, 720));
    const char* codes[] = {"L1A", "L2A", "L3A", "L1B", "L2B", "L3B", "L1C", "L2C", "L3C", "LH"};
    std::vector<Stored> hundreds;
    for (int i = 0; i < 20; ++i) {
        const QString a = QString::fromLatin1(codes[i % 10]);
        const QString b = QString::fromLatin1(codes[(i * 3 + 1) % 10]);
        const QString expressionText = i % 4 == 0   ? QStringLiteral("%1+%2").arg(a, b)
                                       : i % 4 == 1 ? QStringLiteral("%1+(%2 MOD 3)+%3").arg(a, b).arg(i)
                                       : i % 4 == 2 ? QStringLiteral("%1*2+%2").arg(a, b)
                                                    : QStringLiteral("%1+%2+%3").arg(a, b).arg(i % 7);
        hundreds.push_back({expressionText, QStringLiteral("[百位单选]") + expressionText});
    }
    storeFormulas(FormulaKind{1, Play::Single}, {{"L1A+L3A", "[个位单选]L1A+L3A"}, {"L2A+3", "[个位单选]L2A+3"}});
    storeFormulas(FormulaKind{2, Play::Single}, {{"L1A+L2A", "[十位单选]L1A+L2A"}, {"L3A*3", "[十位单选]L3A*3"}});
    storeFormulas(FormulaKind{3, Play::Single}, hundreds);
    shoot(m_window, QStringLiteral("main-window"));
    // The chance figures at the right end of the formula list.
    if (auto* grid = m_window->findChild<QTableView*>(QStringLiteral("formulaGrid"))) {
        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
        shoot(grid, QStringLiteral("formula-list-chance-columns"));
    }

    // Best method, 单选: the sort dialog, then frmErrarrLei.
    choose(QStringLiteral("methodBest"));
    whenDialogOpens(QStringLiteral("sortSettingsDialog"), [this](QDialog* dialog) {
        shoot(dialog, QStringLiteral("sort-settings"));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("sortOkButton")), Qt::LeftButton);
    });
    pressCompute();
    TallyResultWindow* lei = resultWindow(ResultView::PerPosition);
    shoot(lei, QStringLiteral("frmErrarrLei"));
    doubleClick(lei->listGrid(0), 0, 2);
    shoot(lei, QStringLiteral("frmErrarrLei-resorted"));

    // Selected formulas, 大小: frmErrarrLeiDS.
    choose(QStringLiteral("methodSelected"));
    choose(QStringLiteral("playBigSmall"));
    pressCompute();
    TallyResultWindow* ds = resultWindow(ResultView::PerPositionCategory);
    ASSERT_NE(ds, nullptr);
    ds->tabs()->setCurrentIndex(2);
    shoot(ds, QStringLiteral("frmErrarrLeiDS"));

    // 通选 of the selected formulas: frmErrarr and 详细结果列表.
    choose(QStringLiteral("playGroup"));
    storeFormulas(FormulaKind{3, Play::Group}, {hundreds.begin(), hundreds.begin() + 12});
    pressCompute();
    TallyResultWindow* group = resultWindow(ResultView::Group);
    shoot(group, QStringLiteral("frmErrarr"));
    whenDialogOpens(QStringLiteral("frmXxlb"), [this](QDialog* dialog) {
        shoot(dialog, QStringLiteral("frmXxlb"));
        dialog->accept();
    });
    QTest::mouseClick(group->detailButton(), Qt::LeftButton);

    // 公式计算步骤 of a plain sum.
    rightClick(1);
    chooseMenuItem(QStringLiteral("actionFormulaHistoryQuery"));
    shoot(m_commands->stepsWindow(), QStringLiteral("frmGsbz"));

    // The ranking: its progress dialog, then 历史开奖列表.
    choose(QStringLiteral("playSingle"));
    QSignalSpy finished(m_commands, &TallyCommands::rankingFinished);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("positionValuesButton")), Qt::LeftButton);
    if (QProgressDialog* progress = m_commands->rankingProgress()) {
        progress->show();
        shoot(progress, QStringLiteral("ranking-progress"));
    }
    ASSERT_TRUE(finished.wait(10000));
    shoot(m_commands->rankingWindow(), QStringLiteral("frmLslb"));
    m_commands->rankingWindow()->playOption(Play::Group)->click();
    QTest::mouseClick(m_commands->rankingWindow()->queryButton(), Qt::LeftButton);
    shoot(m_commands->rankingWindow(), QStringLiteral("frmLslb-group"));
}

} // namespace
} // namespace korvel::test
