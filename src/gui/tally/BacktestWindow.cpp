#include "gui/tally/BacktestWindow.h"

#include "gui/tally/BacktestChartWindow.h"
#include "gui/tally/BacktestJob.h"
#include "gui/widgets/WindowSize.h"
#include "platform/Dialogs.h"
#include "session/BacktestCommand.h"
#include "session/ReportingLauncher.h"
#include "session/Session.h"
#include "session/TallyCommand.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

namespace korvel {

namespace {

const QString kTitle = QStringLiteral("方法回测");

QString percent(double share)
{
    return QString::number(share * 100.0, 'f', 1) + QLatin1Char('%');
}

QTableWidget* table(const QString& name, const QStringList& headers, QWidget* parent)
{
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(headers);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void setRow(QTableWidget* t, int row, const QStringList& cells)
{
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        t->setItem(row, c, item);
    }
}

QString choiceText(const TallyChoice& c)
{
    const QString position = c.position == 1   ? QStringLiteral("个位")
                             : c.position == 2 ? QStringLiteral("十位")
                                               : QStringLiteral("百位");
    return QStringLiteral("%1 %2 %3 %4")
        .arg(position, c.groupPlay ? QStringLiteral("通选") : QStringLiteral("单选"),
             c.kill ? QStringLiteral("杀") : QStringLiteral("生"),
             c.method == TallyMethod::Best ? QStringLiteral("最优公式法") : QStringLiteral("计算选中公式"));
}

} // namespace

BacktestWindow::BacktestWindow(Session& session, std::function<void()> askSortSettings, QWidget* parent)
    : QDialog(parent), m_session(session), m_askSort(std::move(askSortSettings)), m_poll(new QTimer(this))
{
    setObjectName(QStringLiteral("backtestWindow"));
    setWindowTitle(kTitle);
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    auto* layout = new QVBoxLayout(this);
    auto* settings = new QHBoxLayout;
    settings->addLayout(buildRangeForm());
    settings->addLayout(buildWalkForm());
    settings->addLayout(buildCommandColumn());
    settings->addStretch(1);
    layout->addLayout(settings);

    m_choiceLabel = new QLabel(this);
    m_choiceLabel->setObjectName(QStringLiteral("choiceLabel"));
    layout->addWidget(m_choiceLabel);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("backtestProgress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("noteLabel"));
    m_note->setWordWrap(true);
    layout->addWidget(m_note);

    layout->addWidget(buildTables(), 1);

    m_choiceLabel->setText(QStringLiteral("当前选择：") + choiceText(tallyChoiceOf(m_session)));
    connectSignals();
    updateButtons();
    resize(900, 640);
}

QFormLayout* BacktestWindow::buildRangeForm()
{
    auto* form = new QFormLayout;
    m_drawsSpin = new QSpinBox(this);
    m_drawsSpin->setObjectName(QStringLiteral("drawsSpin"));
    m_drawsSpin->setRange(0, 100000);
    m_drawsSpin->setValue(100);
    m_drawsSpin->setToolTip(QStringLiteral("回测最近多少期：每一期都只用它之前的开奖计算。"));
    form->addRow(QStringLiteral("回测期数"), m_drawsSpin);
    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("modeCombo"));
    m_mode->addItem(backtestModeName(BacktestMode::Fixed));
    m_mode->addItem(backtestModeName(BacktestMode::WalkForward));
    m_mode->setToolTip(QStringLiteral("固定公式：公式库现有的公式（它们是在知道这些开奖之后选出的，属于样本内结果）。\n"
                                      "滚动搜索：每一期用之前的开奖按已保存的搜索设置重新搜索公式（不保存），"
                                      "即这个方法当时真实会给出的结果。"));
    form->addRow(QStringLiteral("回测方式"), m_mode);
    return form;
}

QFormLayout* BacktestWindow::buildWalkForm()
{
    auto* walk = new QFormLayout;
    m_formulasSpin = new QSpinBox(this);
    m_formulasSpin->setObjectName(QStringLiteral("formulasSpin"));
    m_formulasSpin->setRange(1, 32767);
    m_formulasSpin->setValue(100);
    walk->addRow(QStringLiteral("每期搜索公式数"), m_formulasSpin);
    m_candidatesSpin = new QSpinBox(this);
    m_candidatesSpin->setObjectName(QStringLiteral("candidatesSpin"));
    m_candidatesSpin->setRange(1, INT_MAX);
    m_candidatesSpin->setValue(2'000'000);
    m_candidatesSpin->setGroupSeparatorShown(true);
    walk->addRow(QStringLiteral("每期候选上限"), m_candidatesSpin);
    m_seed = new QLineEdit(QStringLiteral("1"), this);
    m_seed->setObjectName(QStringLiteral("seedField"));
    walk->addRow(QStringLiteral("随机种子"), m_seed);
    return walk;
}

QVBoxLayout* BacktestWindow::buildCommandColumn()
{
    auto* commands = new QVBoxLayout;
    m_start = new QPushButton(QStringLiteral("开始回测"), this);
    m_start->setObjectName(QStringLiteral("startBacktestButton"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("cancelBacktestButton"));
    commands->addWidget(m_start);
    commands->addWidget(m_cancel);
    m_chartButton = new QPushButton(QStringLiteral("回测图"), this);
    m_chartButton->setObjectName(QStringLiteral("backtestChartButton"));
    commands->addWidget(m_chartButton);
    commands->addStretch(1);
    return commands;
}

QSplitter* BacktestWindow::buildTables()
{
    auto* split = new QSplitter(Qt::Vertical, this);
    m_summary = table(QStringLiteral("summaryTable"),
                      {QStringLiteral("位"), QStringLiteral("杀最弱n个"), QStringLiteral("开奖号保留"),
                       QStringLiteral("保留率"), QStringLiteral("随机基准"), QStringLiteral("95%区间")},
                      split);
    m_draws = table(QStringLiteral("drawTable"),
                    {QStringLiteral("期号"), QStringLiteral("开奖"), QStringLiteral("位"), QStringLiteral("开奖号被杀"),
                     QStringLiteral("开奖号名次"), QStringLiteral("公式数"), QStringLiteral("排序（杀=滤杀 保=保留）")},
                    split);
    split->addWidget(m_summary);
    split->addWidget(m_draws);
    return split;
}

void BacktestWindow::connectSignals()
{
    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (m_job) {
            m_progress->setMaximum(std::max(1, m_job->total()));
            m_progress->setValue(m_job->done());
        }
    });
    connect(m_start, &QPushButton::clicked, this, &BacktestWindow::start);
    connect(m_cancel, &QPushButton::clicked, this, &BacktestWindow::cancel);
    connect(m_chartButton, &QPushButton::clicked, this, &BacktestWindow::openChart);
}

BacktestWindow::~BacktestWindow() = default;

bool BacktestWindow::running() const
{
    return !m_job.isNull();
}

void BacktestWindow::updateButtons()
{
    m_start->setEnabled(!running());
    m_cancel->setEnabled(running());
    m_chartButton->setEnabled(!running() && m_result.done() && !m_result.summary.empty());
}

BacktestChartWindow* BacktestWindow::chartWindow() const
{
    return m_chart;
}

void BacktestWindow::openChart()
{
    if (!m_result.done() || m_result.summary.empty()) {
        return;
    }
    if (!m_chart) {
        m_chart = new BacktestChartWindow(m_session.dialogs(), m_session.dataFolder(), this);
        WindowSize::keep(m_chart, m_session.settings());
        connect(m_chart, &BacktestChartWindow::pictureWritten, &m_session.reportingLauncher(),
                &ReportingLauncher::reportWritten);
    }
    m_chart->setResult(m_result);
    m_chart->show();
    m_chart->raise();
}

void BacktestWindow::start()
{
    if (running()) {
        return;
    }
    const TallyChoice choice = tallyChoiceOf(m_session);
    m_choiceLabel->setText(QStringLiteral("当前选择：") + choiceText(choice));
    const BacktestMode mode = m_mode->currentIndex() == 1 ? BacktestMode::WalkForward : BacktestMode::Fixed;
    WalkForwardPlan plan;
    plan.formulasPerStep = m_formulasSpin->value();
    plan.candidatesPerStep = m_candidatesSpin->value();
    bool ok = false;
    plan.seed = m_seed->text().trimmed().toULongLong(&ok);
    if (!ok) {
        m_session.dialogs().message(kTitle, QStringLiteral("随机种子“%1”不是非负整数。").arg(m_seed->text()),
                                    Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    BacktestInput in = prepareBacktest(m_session, choice, mode, m_drawsSpin->value(), plan);
    BacktestResult check = checkBacktest(*in.snapshot, in.request);
    // As "计算公式(&C)": the best method asks for the sort settings, once the rest can be computed.
    const bool sortOnly = check.done() || check.status == BacktestResult::Status::SortNotConfirmed;
    if (sortOnly && choice.method == TallyMethod::Best && m_askSort) {
        m_askSort();
        in.request.sort = m_session.sortSettings();
        check = checkBacktest(*in.snapshot, in.request);
    }
    if (!check.done()) {
        m_session.dialogs().message(kTitle, check.message, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    m_runChoice = choiceText(choice) + QStringLiteral("，") + m_mode->currentText() +
                  QStringLiteral("，%1期").arg(m_drawsSpin->value());
    m_job = new BacktestJob(std::move(in), this);
    connect(m_job, &BacktestJob::finished, this, &BacktestWindow::jobDone);
    m_progress->setValue(0);
    m_note->setText(QStringLiteral("正在回测……"));
    m_job->start();
    m_poll->start();
    updateButtons();
}

void BacktestWindow::cancel()
{
    if (m_job) {
        m_job->stop();
    }
}

void BacktestWindow::jobDone()
{
    BacktestJob* job = m_job;
    m_job = nullptr;
    m_poll->stop();
    BacktestResult r = job->takeResult();
    job->deleteLater();
    updateButtons();
    if (r.status == BacktestResult::Status::Cancelled) {
        // The tables still hold the run before: say so, or leave none that could pass for this one.
        if (m_result.done()) {
            m_note->setText(QStringLiteral("回测已取消。下面的表格是上一次回测（%1）的结果。").arg(m_resultChoice));
        } else {
            m_note->setText(QStringLiteral("回测已取消。"));
            m_summary->setRowCount(0);
            m_draws->setRowCount(0);
        }
        m_progress->setValue(0);
        emit finished();
        return;
    }
    if (!r.done()) {
        m_note->setText(r.message);
        emit finished();
        return;
    }
    m_progress->setValue(m_progress->maximum());
    m_result = std::move(r);
    m_resultChoice = m_runChoice;
    showResult(m_result);
    updateButtons();
    if (m_chart) {
        m_chart->setResult(m_result);
    }
    emit finished();
}

void BacktestWindow::showResult(const BacktestResult& r)
{
    QString note = r.inSample
                       ? QStringLiteral("固定公式：公式是在知道这些开奖之后选出的，结果属于样本内，不代表今后的表现。")
                       : QStringLiteral("滚动搜索：每一期只用它之前的开奖搜索和统计，是这个方法当时真实会给出的结果。");
    for (const BacktestSummary& s : r.summary) {
        note += QStringLiteral("\n%1：开奖号被滤杀 %2/%3 期（随机基准 %4）。")
                    .arg(backtestSlotName(s.slot))
                    .arg(s.killed)
                    .arg(r.draws.size())
                    .arg(percent(s.killedChance));
    }
    m_note->setText(note);

    m_summary->setRowCount(0);
    int row = 0;
    for (const BacktestSummary& s : r.summary) {
        for (const SurvivalLine& l : s.lines) {
            m_summary->insertRow(row);
            setRow(m_summary, row,
                   {backtestSlotName(s.slot), QString::number(l.n),
                    QStringLiteral("%1/%2").arg(l.survived).arg(l.draws), percent(l.share), percent(l.chance),
                    QStringLiteral("%1 – %2").arg(percent(l.low), percent(l.high))});
            ++row;
        }
    }
    m_summary->resizeColumnsToContents();

    m_draws->setRowCount(0);
    row = 0;
    for (const BacktestDraw& d : r.draws) {
        for (const BacktestSlot& s : d.slotResults) {
            m_draws->insertRow(row);
            setRow(m_draws, row,
                   {d.issue, QStringLiteral("%1%2%3").arg(d.d1).arg(d.d2).arg(d.d3), backtestSlotName(s.slot),
                    s.killed ? QStringLiteral("是") : QStringLiteral("否"), QString::number(s.rank),
                    QString::number(s.formulas), rankedDigitsText(s)});
            ++row;
        }
    }
    m_draws->resizeColumnsToContents();
    if (m_draws->rowCount() > 0) {
        m_draws->scrollToBottom();
    }
}

void BacktestWindow::done(int r)
{
    if (m_job) {
        m_job->stop();
    }
    QDialog::done(r);
}

} // namespace korvel
