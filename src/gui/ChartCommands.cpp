#include "gui/ChartCommands.h"

#include "gui/history/TrendWindow.h"
#include "gui/verify/FormulaListView.h"
#include "gui/verify/HitChartWindow.h"
#include "gui/widgets/RequiredControls.h"
#include "gui/widgets/WindowSize.h"
#include "history/HistorySnapshot.h"
#include "session/ReportingLauncher.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "verify/Evaluation.h"
#include "verify/FormulaList.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace korvel {

ChartCommands::ChartCommands(Session& session, const Controls& controls, QWidget* window)
    : QObject(window), m_session(session), m_window(window), m_formulaGrid(controls.formulaGrid)
{
    requireControls("ChartCommands",
                    {{controls.trend, "trend"}, {controls.formulaGrid, "formulaGrid"}, {window, "window"}});
    setObjectName(QStringLiteral("chartCommands"));
    controls.trend->setEnabled(true);
    connect(controls.trend, &QPushButton::clicked, this, &ChartCommands::openTrendWindow);
    m_hitAction = m_formulaGrid->contextMenu()->addAction(QStringLiteral("命中走势图(&Z)"));
    m_hitAction->setObjectName(QStringLiteral("actionHitChart"));
    connect(m_hitAction, &QAction::triggered, this, &ChartCommands::showHitChart);
    connect(&m_session, &Session::historyChanged, this, [this] {
        if (m_trend) {
            m_trend->setSnapshot(m_session.snapshot());
        }
    });
}

TrendWindow* ChartCommands::trendWindow() const
{
    return m_trend;
}

HitChartWindow* ChartCommands::hitChartWindow() const
{
    return m_hitChart;
}

void ChartCommands::openTrendWindow()
{
    if (!m_trend) {
        m_trend = new TrendWindow(m_session.dialogs(), m_session.launcher(), m_session.dataFolder(), m_window);
        m_trend->setAttribute(Qt::WA_DeleteOnClose);
        WindowSize::keep(m_trend, m_session.settings());
        connect(m_trend, &TrendWindow::pictureWritten, &m_session.reportingLauncher(),
                &ReportingLauncher::reportWritten);
        m_trend->setSnapshot(m_session.snapshot());
    }
    m_trend->show();
    m_trend->raise();
    m_trend->activateWindow();
}

void ChartCommands::showHitChart()
{
    const FormulaList& list = m_session.formulas();
    const int row = m_formulaGrid->menuRow();
    if (row < 0 || row >= list.rowCount()) {
        return;
    }
    const SnapshotPtr history = m_session.snapshot();
    const Options& options = m_session.options();
    const int start = evaluationWindowStart(history->size(), options.windowSize(), options.excludeCurrent());
    if (!m_hitChart) {
        m_hitChart = new HitChartWindow(m_session.dialogs(), m_session.dataFolder(), m_window);
        m_hitChart->setAttribute(Qt::WA_DeleteOnClose);
        WindowSize::keep(m_hitChart, m_session.settings());
        connect(m_hitChart, &HitChartWindow::pictureWritten, &m_session.reportingLauncher(),
                &ReportingLauncher::reportWritten);
    }
    m_hitChart->setFormula(*history, list.row(row).formula, list.kind(), start);
    m_hitChart->show();
    m_hitChart->raise();
    m_hitChart->activateWindow();
}

} // namespace korvel
