#pragma once

#include "formula/FormulaKind.h"
#include "session/TallyCommand.h"
#include "tally/TallyChoice.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <array>
#include <functional>

class QModelIndex;
class QProgressDialog;
class QPushButton;
class QWidget;

namespace korvel {

class BacktestWindow;
class FormulaListModel;
class FormulaListView;
class FormulaStepsWindow;
class HistoryGridModel;
class HistoryGridView;
class RankingJob;
class RankingListWindow;
class Session;
class TallyResultWindow;

// The main window's commands around the tally, attached to the controls it is handed (a missing one throws
// std::logic_error):
//   "计算公式(&C)": the list back in its own order, the sort dialog (best method) modally, the tally, and the
//     result window of the run (one window per view, loaded again while it stays open);
//   "公式往期位置值结果列表": the confirmation, the ranking on a worker thread under a progress dialog with a
//     cancel button, then "历史开奖列表";
//   "导出列表到Excel" and the history menu's "导出历史号码(&O)": the history grid to lishi.xls;
//   the formula menu's "导出到EXCEL表格(&E)" (gongshi.xls) and "查询该公式历史计算式(&U)" ("公式计算步骤");
//   a double-click on the formula list (or its header): the re-sort by that column.
// Lives as a child of the window, which is also the parent of its windows; the session must outlive it.
// GUI thread only.
class TallyCommands : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton* compute = nullptr;
        QPushButton* backtest = nullptr;
        QPushButton* positionValues = nullptr;
        QPushButton* exportList = nullptr;
        HistoryGridView* historyGrid = nullptr;
        HistoryGridModel* historyModel = nullptr;
        FormulaListView* formulaGrid = nullptr;
        FormulaListModel* formulaModel = nullptr;
        // Shows "公式排序设置" modally (the best method asks for its limit before a tally).
        std::function<void()> askSortSettings;
    };

    TallyCommands(Session& session, const Controls& controls, QWidget* window);
    ~TallyCommands() override;

    void compute();
    // "方法回测": the backtest window (one, kept while open).
    void openBacktest();
    BacktestWindow* backtestWindow() const;
    void rankHistory();
    void exportHistoryList();
    void exportFormulaList();
    void showFormulaSteps();
    // A double-click on the formula list at `row` (display row), `column`; row -1 for the header.
    void resortFormulaList(int row, int column);

    // The open result window of a view, or null.
    TallyResultWindow* resultWindow(ResultView view) const;
    RankingListWindow* rankingWindow() const;
    FormulaStepsWindow* stepsWindow() const;
    // The progress dialog of a running ranking, or null.
    QProgressDialog* rankingProgress() const;
    bool rankingRunning() const;
    const TallySet& tally() const { return m_command.tally(); }
    // The tally of the last 计算公式 run and its view, for the bet list.
    const TallyCommand& command() const { return m_command; }

signals:
    // A ranking run ended: complete, or stopped (nothing shown).
    void rankingFinished(bool complete);

private:
    TallyResultWindow* resultWindowFor(ResultView view);
    void openDetailList();
    void rankingDone(bool complete);
    QString folder() const;

    Session& m_session;
    QWidget* m_window;
    Controls m_controls;
    TallyCommand m_command;
    std::array<QPointer<TallyResultWindow>, 3> m_views;
    QPointer<RankingListWindow> m_ranking;
    QPointer<FormulaStepsWindow> m_steps;
    QPointer<BacktestWindow> m_backtest;
    QPointer<RankingJob> m_job; // a child: destroying the commands stops and waits for the worker
    QPointer<QProgressDialog> m_progress;
    // The values the last group tally took, by idx, for the "结果" column of "详细结果列表", and the table
    // and sense they belong to.
    QHash<int, QString> m_lastValues;
    FormulaKind m_lastKind;
    bool m_lastKill = true;
};

} // namespace korvel
