#include "gui/bets/BetBacktestWindow.h"

#include "gui/bets/NetChartView.h"
#include "gui/tally/BacktestJob.h"
#include "platform/Dialogs.h"
#include "session/BetCommand.h"
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

namespace korvel {

namespace {

const QString kTitle = QStringLiteral("投注回测");

QString choiceText(const TallyChoice& c, const BetBacktestSettings& s)
{
    const QString position = c.position == 1   ? QStringLiteral("个位")
                             : c.position == 2 ? QStringLiteral("十位")
                                               : QStringLiteral("百位");
    return QStringLiteral("当前选择：%1 %2 %3 %4，%5")
        .arg(position, c.groupPlay ? QStringLiteral("通选") : QStringLiteral("单选"),
             c.kill ? QStringLiteral("杀") : QStringLiteral("生"),
             c.method == TallyMethod::Best ? QStringLiteral("最优公式法") : QStringLiteral("计算选中公式"),
             betPlayName(s.play));
}

} // namespace

BetBacktestWindow::BetBacktestWindow(Session& session, std::function<BetBacktestSettings()> settings,
                                     std::function<void()> askSortSettings, QWidget* parent)
    : QDialog(parent), m_session(session), m_settings(std::move(settings)), m_askSort(std::move(askSortSettings)),
      m_poll(new QTimer(this))
{
    setObjectName(QStringLiteral("betBacktestWindow"));
    setWindowTitle(kTitle);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buildSettingsRow());
    m_choice = new QLabel(this);
    m_choice->setObjectName(QStringLiteral("betChoiceLabel"));
    layout->addWidget(m_choice);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("betBacktestProgress"));
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    m_totals = new QLabel(this);
    m_totals->setObjectName(QStringLiteral("totalsLabel"));
    m_totals->setWordWrap(true);
    layout->addWidget(m_totals);
    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("verdictLabel"));
    m_verdict->setWordWrap(true);
    QFont bold = m_verdict->font();
    bold.setBold(true);
    m_verdict->setFont(bold);
    layout->addWidget(m_verdict);
    layout->addWidget(buildTables(), 1);

    connectSignals();
    m_choice->setText(choiceText(tallyChoiceOf(m_session), m_settings()));
    m_totals->setText(QStringLiteral("每一期只用它之前的开奖计算保留号码，按投注单的玩法和缩水条件组成投注，"
                                     "与开奖号对照计算投入、奖金和盈亏。"));
    updateButtons();
    resize(860, 680);
}

QHBoxLayout* BetBacktestWindow::buildSettingsRow()
{
    auto* top = new QHBoxLayout;
    auto* form = new QFormLayout;
    m_drawsSpin = new QSpinBox(this);
    m_drawsSpin->setObjectName(QStringLiteral("betDrawsSpin"));
    m_drawsSpin->setRange(0, 100000);
    m_drawsSpin->setValue(100);
    form->addRow(QStringLiteral("回测期数"), m_drawsSpin);
    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("betModeCombo"));
    m_mode->addItem(backtestModeName(BacktestMode::Fixed));
    m_mode->addItem(backtestModeName(BacktestMode::WalkForward));
    m_mode->setToolTip(
        QStringLiteral("固定公式：公式库现有的公式（样本内）。滚动搜索：每一期只用之前的开奖重新搜索公式。"));
    form->addRow(QStringLiteral("回测方式"), m_mode);
    top->addLayout(form);
    auto* walk = new QFormLayout;
    m_formulasSpin = new QSpinBox(this);
    m_formulasSpin->setObjectName(QStringLiteral("betFormulasSpin"));
    m_formulasSpin->setRange(1, 32767);
    m_formulasSpin->setValue(100);
    walk->addRow(QStringLiteral("每期搜索公式数"), m_formulasSpin);
    m_seed = new QLineEdit(QStringLiteral("1"), this);
    m_seed->setObjectName(QStringLiteral("betSeedField"));
    walk->addRow(QStringLiteral("随机种子"), m_seed);
    top->addLayout(walk);
    auto* commands = new QVBoxLayout;
    m_start = new QPushButton(QStringLiteral("开始回测"), this);
    m_start->setObjectName(QStringLiteral("startBetBacktestButton"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("cancelBetBacktestButton"));
    commands->addWidget(m_start);
    commands->addWidget(m_cancel);
    commands->addStretch();
    top->addLayout(commands);
    top->addStretch();
    return top;
}

QSplitter* BetBacktestWindow::buildTables()
{
    auto* split = new QSplitter(Qt::Vertical, this);
    m_chart = new NetChartView(split);
    m_draws = new QTableWidget(0, 6, split);
    m_draws->setObjectName(QStringLiteral("betDrawTable"));
    m_draws->setHorizontalHeaderLabels({QStringLiteral("期号"), QStringLiteral("开奖"), QStringLiteral("注数"),
                                        QStringLiteral("投注（元）"), QStringLiteral("中奖（元）"),
                                        QStringLiteral("累计盈亏（元）")});
    m_draws->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_draws->verticalHeader()->setVisible(false);
    m_draws->horizontalHeader()->setStretchLastSection(true);
    split->addWidget(m_chart);
    split->addWidget(m_draws);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    return split;
}

void BetBacktestWindow::connectSignals()
{
    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (m_job) {
            m_progress->setMaximum(std::max(1, m_job->total()));
            m_progress->setValue(m_job->done());
        }
    });
    connect(m_start, &QPushButton::clicked, this, &BetBacktestWindow::start);
    connect(m_cancel, &QPushButton::clicked, this, &BetBacktestWindow::cancel);
}

BetBacktestWindow::~BetBacktestWindow() = default;

bool BetBacktestWindow::running() const
{
    return !m_job.isNull();
}

void BetBacktestWindow::updateButtons()
{
    m_start->setEnabled(!running());
    m_cancel->setEnabled(running());
}

void BetBacktestWindow::start()
{
    if (running()) {
        return;
    }
    TallyChoice choice = tallyChoiceOf(m_session);
    choice.category = CategoryPlay::None; // each step tallies digits; 单双/大小 read them as categories only
    m_running = m_settings();
    m_choice->setText(choiceText(choice, m_running));
    const BacktestMode mode = m_mode->currentIndex() == 1 ? BacktestMode::WalkForward : BacktestMode::Fixed;
    WalkForwardPlan plan;
    plan.formulasPerStep = m_formulasSpin->value();
    bool ok = false;
    plan.seed = m_seed->text().trimmed().toULongLong(&ok);
    if (!ok) {
        m_session.dialogs().message(kTitle, QStringLiteral("随机种子“%1”不是非负整数。").arg(m_seed->text()),
                                    Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    BetBacktestInput in =
        prepareBetBacktest(m_session, choice, mode, m_drawsSpin->value(), m_running.play, m_running.filters, plan);
    in.settings = m_running;
    BetBacktestResult check = checkBetBacktest(*in.method.snapshot, in.method.request, in.settings);
    if (check.status == BacktestResult::Status::SortNotConfirmed && m_askSort) {
        m_askSort();
        in.method.request.sort = m_session.sortSettings();
        check = checkBetBacktest(*in.method.snapshot, in.method.request, in.settings);
    }
    if (!check.done()) {
        m_session.dialogs().message(kTitle, check.message, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    m_snapshot = in.method.snapshot;
    m_position = choice.position;
    m_job = new BacktestJob(std::move(in.method), this);
    connect(m_job, &BacktestJob::finished, this, &BetBacktestWindow::jobDone);
    m_progress->setValue(0);
    m_verdict->setText(QStringLiteral("正在回测……"));
    m_job->start();
    m_poll->start();
    updateButtons();
}

void BetBacktestWindow::cancel()
{
    if (m_job) {
        m_job->stop();
    }
}

void BetBacktestWindow::jobDone()
{
    BacktestJob* job = m_job;
    m_job = nullptr;
    m_poll->stop();
    const BacktestResult method = job->takeResult();
    job->deleteLater();
    updateButtons();
    if (method.status == BacktestResult::Status::Cancelled) {
        m_verdict->setText(QStringLiteral("回测已取消。"));
        m_progress->setValue(0);
        emit finished();
        return;
    }
    m_progress->setValue(m_progress->maximum());
    m_result = priceBacktest(*m_snapshot, method, m_position, m_running);
    showResult();
    emit finished();
}

void BetBacktestWindow::showResult()
{
    const BetBacktestResult& r = m_result;
    m_chart->setResult(r);
    if (!r.done()) {
        m_verdict->setText(r.message);
        return;
    }
    QString totals = QStringLiteral("%1期，共%2注，投入 %3 元，中奖 %4 元（%5期中奖），盈亏 %6 元。")
                         .arg(r.draws.size())
                         .arg(r.bets)
                         .arg(moneyText(r.cost), moneyText(r.winnings))
                         .arg(r.wins)
                         .arg(moneyText(r.net));
    if (r.emptyDraws > 0) {
        totals += QStringLiteral("其中 %1 期没有投注（没有保留号码或被缩水条件滤尽）。").arg(r.emptyDraws);
    }
    totals += r.inSample ? QStringLiteral("\n固定公式：公式是在知道这些开奖之后选出的，属于样本内结果。")
                         : QStringLiteral("\n滚动搜索：每一期只用它之前的开奖搜索，是这个方法当时真实的结果。");
    m_totals->setText(totals);
    m_verdict->setText(r.verdict());
    m_draws->setRowCount(static_cast<int>(r.draws.size()));
    for (int i = 0; i < static_cast<int>(r.draws.size()); ++i) {
        const BetBacktestDraw& d = r.draws[static_cast<std::size_t>(i)];
        const QStringList cells = {d.issue,
                                   QStringLiteral("%1").arg(d.drawn, 3, 10, QLatin1Char('0')),
                                   QString::number(d.bets),
                                   moneyText(d.cost),
                                   moneyText(d.winnings),
                                   moneyText(d.cumulativeNet)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 4 && d.winnings > 0) {
                item->setForeground(QColor(0xC0, 0x39, 0x2B));
            }
            m_draws->setItem(i, c, item);
        }
    }
}

} // namespace korvel
