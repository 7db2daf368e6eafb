#include "gui/tally/TallyCommands.h"

#include "gui/history/HistoryGridModel.h"
#include "gui/history/HistoryGridView.h"
#include "gui/tally/BacktestWindow.h"
#include "gui/tally/DetailedResultDialog.h"
#include "gui/tally/FormulaStepsWindow.h"
#include "gui/tally/RankingJob.h"
#include "gui/tally/RankingListWindow.h"
#include "gui/tally/SortSettingsDialog.h"
#include "gui/tally/TallyGrids.h"
#include "gui/tally/TallyResultWindow.h"
#include "gui/verify/FormulaDrawColumns.h"
#include "gui/verify/FormulaListModel.h"
#include "gui/verify/FormulaListView.h"
#include "gui/widgets/RequiredControls.h"
#include "gui/widgets/WindowSize.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "session/Session.h"
#include "tally/FormulaDetail.h"
#include "tally/FormulaSteps.h"
#include "tally/ListExports.h"
#include "verify/FormulaList.h"

#include <QAction>
#include <QHeaderView>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace korvel {

namespace {

// The formula columns of the history grid after a spreadsheet export with the per-draw display on: each
// headed by its formula's Chinese text, the cells as before. Read from the list as it stands, so a header
// always names the formula whose values its column shows.
class TitledDrawColumns final : public HistoryGridExtraColumns {
public:
    explicit TitledDrawColumns(const FormulaList& list) : m_list(list), m_cells(list) {}

    int columnCount() const override { return m_cells.columnCount(); }
    QString title(int i) const override
    {
        return i < m_list.rowCount() ? m_list.row(i).formula.displayText : m_cells.title(i);
    }
    QString text(int row, int i) const override { return m_cells.text(row, i); }
    QVariant roleData(int row, int i, int role) const override { return m_cells.roleData(row, i, role); }

private:
    const FormulaList& m_list;
    FormulaDrawColumns m_cells;
};

int indexOf(ResultView view)
{
    return static_cast<int>(view);
}

} // namespace

TallyCommands::TallyCommands(Session& session, const Controls& controls, QWidget* window)
    : QObject(window), m_session(session), m_window(window), m_controls(controls), m_command(session)
{
    requireControls("TallyCommands",
                    {{controls.compute, "compute"},
                     {controls.backtest, "backtest"},
                     {controls.positionValues, "positionValues"},
                     {controls.exportList, "exportList"},
                     {controls.historyGrid, "historyGrid"},
                     {controls.historyModel, "historyModel"},
                     {controls.formulaGrid, "formulaGrid"},
                     {controls.formulaModel, "formulaModel"},
                     {controls.askSortSettings ? &controls.askSortSettings : nullptr, "askSortSettings"},
                     {window, "window"}});
    setObjectName(QStringLiteral("tallyCommands"));
    const std::pair<QPushButton*, void (TallyCommands::*)()> commands[] = {
        {controls.compute, &TallyCommands::compute},
        {controls.backtest, &TallyCommands::openBacktest},
        {controls.positionValues, &TallyCommands::rankHistory},
        {controls.exportList, &TallyCommands::exportHistoryList},
    };
    for (const auto& [button, command] : commands) {
        button->setEnabled(true);
        connect(button, &QPushButton::clicked, this, command);
    }

    HistoryGridView* history = controls.historyGrid;
    history->exportListAction()->setEnabled(true);
    connect(history->exportListAction(), &QAction::triggered, this, &TallyCommands::exportHistoryList);
    FormulaListView* grid = controls.formulaGrid;
    grid->exportAction()->setEnabled(true);
    grid->historyQueryAction()->setEnabled(true);
    connect(grid->exportAction(), &QAction::triggered, this, &TallyCommands::exportFormulaList);
    connect(grid->historyQueryAction(), &QAction::triggered, this, &TallyCommands::showFormulaSteps);
    connect(grid, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { resortFormulaList(index.row(), index.column()); });
    connect(grid->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int column) { resortFormulaList(-1, column); });
}

TallyCommands::~TallyCommands() = default;

QString TallyCommands::folder() const
{
    return m_session.dataFolder();
}

TallyResultWindow* TallyCommands::resultWindow(ResultView view) const
{
    return m_views[static_cast<std::size_t>(indexOf(view))];
}

RankingListWindow* TallyCommands::rankingWindow() const
{
    return m_ranking;
}

FormulaStepsWindow* TallyCommands::stepsWindow() const
{
    return m_steps;
}

bool TallyCommands::rankingRunning() const
{
    return !m_job.isNull();
}

QProgressDialog* TallyCommands::rankingProgress() const
{
    return m_progress;
}

TallyResultWindow* TallyCommands::resultWindowFor(ResultView view)
{
    QPointer<TallyResultWindow>& slot = m_views[static_cast<std::size_t>(indexOf(view))];
    if (!slot) {
        Database* db = m_session.databaseOpen() ? &m_session.database() : nullptr;
        slot = new TallyResultWindow(view, db, m_session.dialogs(), m_session.launcher(), folder(), m_window);
        connect(slot, &TallyResultWindow::detailListRequested, this, &TallyCommands::openDetailList);
        WindowSize::keep(slot, m_session.settings());
    }
    return slot;
}

void TallyCommands::compute()
{
    // The list is read again in its own order before the run, as the tally walks it.
    m_controls.formulaModel->setDisplayOrder({});
    const TallyCommand::Run run = m_command.compute(m_controls.askSortSettings);
    if (!run.outcome.done()) {
        return;
    }
    if (run.outcome.scrollListToLast) {
        FormulaListView* grid = m_controls.formulaGrid;
        const int rows = grid->model()->rowCount();
        if (rows > 0) {
            grid->scrollTo(grid->model()->index(rows - 1, FormulaList::ColNumber), QAbstractItemView::PositionAtTop);
        }
    }
    m_lastValues.clear();
    if (!run.outcome.runs.empty()) {
        const TallySlotRun& last = run.outcome.runs.back();
        m_lastValues = last.valueTexts();
        m_lastKind = last.kind;
        m_lastKill = run.view.kill;
    }
    TallyResultWindow* view = resultWindowFor(run.view.view);
    view->load(m_command.tally(), run.view);
    view->show();
    view->raise();
    view->activateWindow();
}

BacktestWindow* TallyCommands::backtestWindow() const
{
    return m_backtest;
}

void TallyCommands::openBacktest()
{
    if (!m_backtest) {
        m_backtest = new BacktestWindow(m_session, m_controls.askSortSettings, m_window);
        WindowSize::keep(m_backtest, m_session.settings());
    }
    m_backtest->show();
    m_backtest->raise();
    m_backtest->activateWindow();
}

void TallyCommands::openDetailList()
{
    const FormulaList& list = m_session.formulas();
    FormulaListModel* model = m_controls.formulaModel;
    // The values are the run's only while the list still shows the table and sense the run tallied.
    const bool sameList = list.kind() == m_lastKind && list.kill() == m_lastKill;
    DetailedResultList rows =
        detailedResultList(list, model->displayOrder(), model->chineseText(), sameList ? &m_lastValues : nullptr);
    auto* parent = qobject_cast<QWidget*>(sender());
    DetailedResultDialog dialog(std::move(rows), m_session.dialogs(), m_session.launcher(), folder(),
                                parent ? parent : m_window);
    dialog.exec();
}

void TallyCommands::rankHistory()
{
    if (m_job) {
        return; // one run at a time
    }
    if (!confirmHistoryRanking(m_session.dialogs())) {
        return;
    }
    const FormulaList& list = m_session.formulas();
    m_job = new RankingJob(m_session.snapshot(), selectedFormulas(list), list.kill(), this);

    m_progress = new QProgressDialog(QStringLiteral("正在计算每一期选中公式的杀留值排序……"), QStringLiteral("取消"), 0,
                                     m_job->total(), m_window);
    m_progress->setObjectName(QStringLiteral("rankingProgress"));
    m_progress->setWindowTitle(QStringLiteral("公式往期位置值结果列表"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(200);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setValue(0);
    auto* poll = new QTimer(m_progress);
    connect(poll, &QTimer::timeout, m_progress, [this] {
        if (m_job) {
            m_progress->setMaximum(m_job->total());
            m_progress->setValue(m_job->done());
        }
    });
    poll->start(50);
    connect(m_progress, &QProgressDialog::canceled, this, [this] {
        if (m_job) {
            m_job->stop();
        }
    });
    connect(m_job, &RankingJob::finished, this, &TallyCommands::rankingDone);
    m_job->start();
}

void TallyCommands::rankingDone(bool complete)
{
    // Called from the job's own signal: it goes once control is back in the event loop.
    RankingJob* job = m_job;
    m_job = nullptr;
    job->deleteLater();
    if (m_progress) {
        m_progress->deleteLater();
        m_progress->hide();
    }
    if (!complete) {
        emit rankingFinished(false);
        return;
    }
    auto store = std::make_shared<const RankingStore>(job->takeStore());
    if (m_session.databaseOpen()) {
        QString error;
        if (!storeRankingWorkTable(m_session.database(), *store, &error)) {
            m_session.dialogs().message(QStringLiteral("公式往期位置值结果列表"),
                                        QStringLiteral("排序结果已计算，但无法写入数据库的Errarr表：%1").arg(error),
                                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        }
    }
    if (!m_ranking) {
        m_ranking = new RankingListWindow(m_session.dialogs(), m_session.launcher(), folder(), m_window);
        WindowSize::keep(m_ranking, m_session.settings());
    }
    m_ranking->setStore(std::move(store), m_session.choices().kind().position, m_session.choices().kind().play);
    m_ranking->show();
    m_ranking->raise();
    m_ranking->activateWindow();
    emit rankingFinished(true);
}

void TallyCommands::exportHistoryList()
{
    const FormulaList& list = m_session.formulas();
    const HistoryExport result =
        ExportHistoryToSpreadsheet(*m_session.snapshot(), list, folder(), m_session.dialogs(), m_session.launcher());
    if (result.formulaHeaders) {
        m_controls.historyModel->setExtraColumns(std::make_shared<TitledDrawColumns>(list));
    }
}

void TallyCommands::exportFormulaList()
{
    FormulaListModel* model = m_controls.formulaModel;
    ExportListToSpreadsheet(m_session.formulas(), model->displayOrder(), model->chineseText(), model->weightedRate(),
                            folder(), m_session.dialogs(), m_session.launcher());
}

void TallyCommands::showFormulaSteps()
{
    const FormulaList& list = m_session.formulas();
    const int row = m_controls.formulaGrid->menuRow();
    if (row < 0 || row >= list.rowCount()) {
        return;
    }
    const Formula& formula = list.row(row).formula;
    std::shared_ptr<const FormulaSteps> steps;
    {
        const BusyCursor busy;
        steps =
            std::make_shared<const FormulaSteps>(*m_session.snapshot(), formula.expressionText, formula.displayText);
    }
    if (!m_steps) {
        m_steps = new FormulaStepsWindow(m_session.dialogs(), m_session.launcher(), folder(), m_window);
        WindowSize::keep(m_steps, m_session.settings());
    }
    m_steps->setSteps(std::move(steps));
    m_steps->show();
    m_steps->raise();
    m_steps->activateWindow();
}

void TallyCommands::resortFormulaList(int row, int column)
{
    FormulaList& list = m_session.formulas();
    FormulaListModel* model = m_controls.formulaModel;
    if (row >= 0 && column == FormulaList::ColFormula && row < model->rowCount()) {
        // A double-click is two clicks: the first toggled the formula, this one toggles it back.
        list.toggleRow(model->listRow(row));
    }
    model->setDisplayOrder(formulaListOrder(list, column, model->displayOrder()));
}

} // namespace korvel
