#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QPushButton;
class QWidget;

namespace korvel {

class FormulaListView;
class HitChartWindow;
class Session;
class TrendWindow;

// The main window's pictures, attached to the controls it is handed (a missing one throws std::logic_error):
//   "走势图(&Z)" (beside "公式参数对照说明(&I)"): the trend chart of the stored history, one window kept up to
//     date with every change of the history;
//   the formula menu's "命中走势图" for the row under the cursor: its hit chart over the statistics' window.
// Lives as a child of the window, which is also the parent of its windows; the session must outlive it.
// GUI thread only.
class ChartCommands : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton* trend = nullptr;
        // "命中走势图" goes into its menu and charts the row the menu was opened on.
        FormulaListView* formulaGrid = nullptr;
    };

    ChartCommands(Session& session, const Controls& controls, QWidget* window);

    void openTrendWindow();
    void showHitChart();

    TrendWindow* trendWindow() const;
    HitChartWindow* hitChartWindow() const;
    QAction* hitChartAction() const { return m_hitAction; }

private:
    Session& m_session;
    QWidget* m_window;
    FormulaListView* m_formulaGrid;
    QAction* m_hitAction = nullptr;
    QPointer<TrendWindow> m_trend;
    QPointer<HitChartWindow> m_hitChart;
};

} // namespace korvel
