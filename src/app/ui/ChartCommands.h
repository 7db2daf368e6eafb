#pragma once

#include <QObject>
#include <QPointer>

class QAction;

namespace korvel {

class HitChartWindow;
class MainWindow;
class Session;
class TrendWindow;

// The main window's pictures, attached by object name as main.cpp attaches the other commands:
//   "走势图(&Z)" (beside "公式参数对照说明(&I)"): the trend chart of the stored history, one window kept up to
//     date with every change of the history;
//   the formula menu's "命中走势图" for the row under the cursor: its hit chart over the statistics' window.
// Lives as a child of the window; the session must outlive it. GUI thread only.
class ChartCommands : public QObject {
    Q_OBJECT
public:
    ChartCommands(Session& session, MainWindow& window);

    void openTrendWindow();
    void showHitChart();

    TrendWindow* trendWindow() const;
    HitChartWindow* hitChartWindow() const;
    QAction* hitChartAction() const { return m_hitAction; }

private:
    Session& m_session;
    MainWindow& m_window;
    QAction* m_hitAction = nullptr;
    QPointer<TrendWindow> m_trend;
    QPointer<HitChartWindow> m_hitChart;
};

} // namespace korvel
