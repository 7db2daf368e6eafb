#pragma once

#include "bets/BetBacktest.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTableWidget;
class QTimer;

namespace korvel {

class BacktestJob;
class NetChartView;
class Session;

// "投注回测": the method backtest of the choice panel's choice (fixed formulas or a search per step) on a
// worker, each step's kept digits made into the bet list of the "投注单" window's play and filters, priced
// at the prize table: totals, the return rate beside the chance return with its 95 % interval and a plain
// verdict, the cumulative net as a chart, and one row a draw. `settings` reads the bet window's play,
// filters and the digits of the positions the tally does not cover, at the start of each run.
// `askSortSettings` shows "公式排序设置" for the best method. The session must outlive the window.
class BetBacktestWindow : public QDialog {
    Q_OBJECT
public:
    BetBacktestWindow(Session& session, std::function<BetBacktestSettings()> settings,
                      std::function<void()> askSortSettings, QWidget* parent = nullptr);
    ~BetBacktestWindow() override;

    void start();
    void cancel();
    bool running() const;
    const BetBacktestResult& result() const { return m_result; }
    NetChartView* chart() const { return m_chart; }
    QLabel* totalsLabel() const { return m_totals; }
    QLabel* verdictLabel() const { return m_verdict; }
    QSpinBox* drawsSpin() const { return m_drawsSpin; }

signals:
    void finished();

private:
    QHBoxLayout* buildSettingsRow();
    QSplitter* buildTables();
    void connectSignals();
    void jobDone();
    void showResult();
    void updateButtons();

    Session& m_session;
    std::function<BetBacktestSettings()> m_settings;
    std::function<void()> m_askSort;
    BetBacktestSettings m_running;
    SnapshotPtr m_snapshot; // the history the running job reads
    int m_position = 3;
    QSpinBox* m_drawsSpin;
    QComboBox* m_mode;
    QSpinBox* m_formulasSpin;
    QLineEdit* m_seed;
    QPushButton* m_start;
    QPushButton* m_cancel;
    QLabel* m_choice;
    QProgressBar* m_progress;
    QLabel* m_totals;
    QLabel* m_verdict;
    NetChartView* m_chart;
    QTableWidget* m_draws;
    QTimer* m_poll;
    QPointer<BacktestJob> m_job;
    BetBacktestResult m_result;
};

} // namespace korvel
