#include "gui/WindowFixture.h"

#include "gui/ChartCommands.h"
#include "gui/formula/FormulaTextCommands.h"
#include "gui/history/HistoryGridView.h"
#include "gui/history/HistoryTransferCommands.h"
#include "gui/settings/SettingsMenu.h"
#include "gui/tally/TallyCommands.h"
#include "gui/verify/FormulaListView.h"

#include <QMenu>
#include <QPushButton>

#include <gmock/gmock.h>

#include <stdexcept>

namespace korvel::test {
namespace {

using ::testing::HasSubstr;

class MainAssemblyTest : public WindowFixture {
protected:
    // Builds the commands with `controls` short of `member`: the build must refuse, naming the control.
    template <typename Controls, typename Member, typename Build>
    static void expectRefusedWithout(Controls controls, Member member, const char* name, Build build)
    {
        controls.*member = nullptr;
        try {
            build(controls);
            ADD_FAILURE() << "built without " << name;
        } catch (const std::logic_error& e) {
            EXPECT_THAT(e.what(), HasSubstr(name));
        }
    }
};

// The window as the program runs it: no command button is left disabled, and the menu items the command
// objects add are there and enabled (the window alone leaves them disabled, MainWindowTest).
TEST_F(MainAssemblyTest, TheProgramsWindowHasEveryCommandAttached)
{
    seed(3);
    openProgram();
    const MainWindow::Buttons& b = m_window->buttons();
    for (QPushButton* button :
         {b.deleteLast, b.onlineUpdate,  b.exportText,        b.reference,       b.trend,          b.addFormula,
          b.compute,    b.backtest,      b.importFormulaText, b.onlineFormula,   b.exportAllKinds, b.exportKind,
          b.exportList, b.clearFormulas, b.selectAllFormulas, b.invertSelection, b.positionValues, b.filterSettings,
          b.search,     b.settings}) {
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    }
    auto* import = child<QPushButton>(QStringLiteral("importDrawFileButton"));
    ASSERT_NE(import, nullptr);
    EXPECT_TRUE(import->isEnabled());

    for (const char* name : {"actionSourceSettings", "actionVerifyHistory", "actionFormulaServer"}) {
        auto* action = m_window->settingsMenu()->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_TRUE(m_window->settingsMenu()->actions().contains(action)) << name;
    }
    const QList<QAction*> formulaMenu = m_window->formulaGrid()->contextMenu()->actions();
    for (QAction* action : {m_window->formulaGrid()->exportAction(), m_window->formulaGrid()->historyQueryAction(),
                            m_assembly->charts().hitChartAction()}) {
        EXPECT_TRUE(formulaMenu.contains(action)) << action->objectName().toStdString();
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    }
    EXPECT_TRUE(m_window->historyGrid()->exportListAction()->isEnabled());
}

// A command object handed a missing control refuses to be built and names the control, instead of leaving a
// button that does nothing.
TEST_F(MainAssemblyTest, ACommandObjectShortOfAControlRefusesToBeBuilt)
{
    open();
    MainWindow& w = *m_window;
    const MainWindow::Buttons& b = w.buttons();

    using Transfer = HistoryTransferCommands::Controls;
    const Transfer transfer{b.onlineUpdate, b.exportText, w.settingsMenu(), w.statusBar()};
    const auto buildTransfer = [&](const Transfer& c) { new HistoryTransferCommands(*m_session, *m_settings, c, &w); };
    expectRefusedWithout(transfer, &Transfer::onlineUpdate, "onlineUpdate", buildTransfer);
    expectRefusedWithout(transfer, &Transfer::exportText, "exportText", buildTransfer);
    expectRefusedWithout(transfer, &Transfer::settingsMenu, "settingsMenu", buildTransfer);
    expectRefusedWithout(transfer, &Transfer::statusBar, "statusBar", buildTransfer);

    using Text = FormulaTextCommands::Controls;
    const Text text{b.importFormulaText, b.onlineFormula,  b.exportAllKinds,
                    b.exportKind,        w.settingsMenu(), w.formulaTabs()};
    const auto buildText = [&](const Text& c) { new FormulaTextCommands(*m_session, *m_settings, c, &w); };
    expectRefusedWithout(text, &Text::importText, "importText", buildText);
    expectRefusedWithout(text, &Text::updateOnline, "updateOnline", buildText);
    expectRefusedWithout(text, &Text::exportAllKinds, "exportAllKinds", buildText);
    expectRefusedWithout(text, &Text::exportKind, "exportKind", buildText);
    expectRefusedWithout(text, &Text::settingsMenu, "settingsMenu", buildText);
    expectRefusedWithout(text, &Text::formulaTabs, "formulaTabs", buildText);

    using Tally = TallyCommands::Controls;
    const Tally tally{b.compute,        b.backtest,      b.positionValues, b.exportList, w.historyGrid(),
                      w.historyModel(), w.formulaGrid(), w.formulaModel(), [] {}};
    const auto buildTally = [&](const Tally& c) { new TallyCommands(*m_session, c, &w); };
    expectRefusedWithout(tally, &Tally::compute, "compute", buildTally);
    expectRefusedWithout(tally, &Tally::backtest, "backtest", buildTally);
    expectRefusedWithout(tally, &Tally::positionValues, "positionValues", buildTally);
    expectRefusedWithout(tally, &Tally::exportList, "exportList", buildTally);
    expectRefusedWithout(tally, &Tally::historyGrid, "historyGrid", buildTally);
    expectRefusedWithout(tally, &Tally::historyModel, "historyModel", buildTally);
    expectRefusedWithout(tally, &Tally::formulaGrid, "formulaGrid", buildTally);
    expectRefusedWithout(tally, &Tally::formulaModel, "formulaModel", buildTally);
    expectRefusedWithout(tally, &Tally::askSortSettings, "askSortSettings", buildTally);

    using Charts = ChartCommands::Controls;
    const Charts charts{b.trend, w.formulaGrid()};
    const auto buildCharts = [&](const Charts& c) { new ChartCommands(*m_session, c, &w); };
    expectRefusedWithout(charts, &Charts::trend, "trend", buildCharts);
    expectRefusedWithout(charts, &Charts::formulaGrid, "formulaGrid", buildCharts);

    // Nothing was attached on the way: the window's buttons still wait for their commands.
    for (QPushButton* button : {b.onlineUpdate, b.importFormulaText, b.compute, b.trend}) {
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    }
    EXPECT_EQ(m_window->findChild<QPushButton*>(QStringLiteral("importDrawFileButton")), nullptr);
}

} // namespace
} // namespace korvel::test
