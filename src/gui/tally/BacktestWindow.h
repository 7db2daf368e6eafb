#pragma once

#include "tally/MethodBacktest.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTableWidget;
class QTimer;
class QVBoxLayout;

namespace korvel {

class BacktestChartWindow;
class BacktestJob;
class Session;

// "方法回测": the window of the method backtest. It reads the choice panel of the main window when
// "开始回测" is pressed (position, play, sense, method; the best method asks for the sort settings first),
// runs the backtest on a worker thread with a progress bar and "取消", and shows the summary (for n = 1..9
// the drawn digits' survival beside chance and its 95 % interval) and one row per predicted draw. A bad
// request (K = 0, K too large, an empty window) is told and nothing runs. The session must outlive it.
class BacktestWindow : public QDialog {
    Q_OBJECT
public:
    BacktestWindow(Session& session, std::function<void()> askSortSettings, QWidget* parent = nullptr);
    ~BacktestWindow() override;

    void start();
    void cancel();
    bool running() const;
    const BacktestResult& result() const { return m_result; }

    QTableWidget* summaryTable() const { return m_summary; }
    // "回测图" of the last result, or null before it was opened.
    BacktestChartWindow* chartWindow() const;
    void openChart();
    QTableWidget* drawTable() const { return m_draws; }

    void done(int r) override;

signals:
    void finished();

private:
    QFormLayout* buildRangeForm();
    QFormLayout* buildWalkForm();
    QVBoxLayout* buildCommandColumn();
    QSplitter* buildTables();
    void connectSignals();
    void jobDone();
    void showResult(const BacktestResult& r);
    void updateButtons();

    Session& m_session;
    std::function<void()> m_askSort;
    QSpinBox* m_drawsSpin = nullptr;
    QComboBox* m_mode = nullptr;
    QSpinBox* m_formulasSpin = nullptr;
    QSpinBox* m_candidatesSpin = nullptr;
    QLineEdit* m_seed = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_chartButton = nullptr;
    QPointer<BacktestChartWindow> m_chart;
    QProgressBar* m_progress = nullptr;
    QLabel* m_choiceLabel = nullptr;
    QLabel* m_note = nullptr;
    QTableWidget* m_summary = nullptr;
    QTableWidget* m_draws = nullptr;
    QTimer* m_poll = nullptr;
    QPointer<BacktestJob> m_job;
    BacktestResult m_result;
    QString m_resultChoice; // what the shown result was run on
    QString m_runChoice;    // and the run under way
};

} // namespace korvel
