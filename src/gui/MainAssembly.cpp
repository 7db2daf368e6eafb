#include "gui/MainAssembly.h"

#include "gui/ChartCommands.h"
#include "gui/MainWindow.h"
#include "gui/bets/BetCommands.h"
#include "gui/formula/FormulaTextCommands.h"
#include "gui/history/HistoryTransferCommands.h"
#include "gui/settings/SettingsMenu.h"
#include "gui/tally/SortSettingsDialog.h"
#include "gui/tally/TallyCommands.h"

namespace korvel {

MainAssembly::MainAssembly(Session& session, SettingsStore& settings) : m_window(std::make_unique<MainWindow>(session))
{
    MainWindow& window = *m_window;
    const MainWindow::Buttons& buttons = window.buttons();
    // Draws and formulas in and out: the online updates, the file imports and the text exports.
    new HistoryTransferCommands(session, settings,
                                {.onlineUpdate = buttons.onlineUpdate,
                                 .exportText = buttons.exportText,
                                 .settingsMenu = window.settingsMenu(),
                                 .statusBar = window.statusBar()},
                                &window);
    new FormulaTextCommands(session, settings,
                            {.importText = buttons.importFormulaText,
                             .updateOnline = buttons.onlineFormula,
                             .exportAllKinds = buttons.exportAllKinds,
                             .exportKind = buttons.exportKind,
                             .settingsMenu = window.settingsMenu(),
                             .formulaTabs = window.formulaTabs()},
                            &window);
    // The tally, its result windows, the history ranking and the spreadsheet exports.
    m_tally = new TallyCommands(session,
                                {.compute = buttons.compute,
                                 .backtest = buttons.backtest,
                                 .positionValues = buttons.positionValues,
                                 .exportList = buttons.exportList,
                                 .historyGrid = window.historyGrid(),
                                 .historyModel = window.historyModel(),
                                 .formulaGrid = window.formulaGrid(),
                                 .formulaModel = window.formulaModel(),
                                 .askSortSettings = [&window] { window.sortSettingsDialog()->exec(); }},
                                &window);
    // The bet list from the tally's kept digits, and its backtest.
    new BetCommands(session,
                    {.betList = buttons.betList,
                     .prizeTable = window.settingsMenu()->prizeTableAction(),
                     .tally = m_tally,
                     .askSortSettings = [&window] { window.sortSettingsDialog()->exec(); }},
                    &window);
    // The pictures: the trend chart and the formula hit chart.
    m_charts = new ChartCommands(session, {.trend = buttons.trend, .formulaGrid = window.formulaGrid()}, &window);
}

MainAssembly::~MainAssembly() = default;

} // namespace korvel
