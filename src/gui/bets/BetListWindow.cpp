#include "gui/bets/BetListWindow.h"

#include "bets/BetExport.h"
#include "gui/bets/BetBacktestWindow.h"
#include "gui/bets/BetListModel.h"
#include "gui/bets/FilterPanel.h"
#include "history/HistorySnapshot.h"
#include "platform/Dialogs.h"
#include "session/BetCommand.h"
#include "session/Session.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

#include <cmath>

namespace korvel {

namespace {

const QString kTitle = QStringLiteral("投注单");

const char16_t* const kPositionNames[3] = {u"百位", u"十位", u"个位"};

QPushButton* button(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

BetListWindow::BetListWindow(Session& session, TallySource lastTally, std::function<void()> askSortSettings,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_lastTally(std::move(lastTally)),
      m_askSort(std::move(askSortSettings))
{
    setObjectName(QStringLiteral("betListWindow"));
    setWindowTitle(kTitle);
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    left->addWidget(buildDigitBox());
    m_filters = new FilterPanel(m_session.settings(), m_session.dialogs(), this);
    left->addWidget(m_filters);
    connect(m_filters, &FilterPanel::changed, this, &BetListWindow::recount);
    left->addStretch();
    layout->addLayout(left);
    layout->addLayout(buildResultColumn(), 1);
    connect(&m_session, &Session::historyChanged, this, &BetListWindow::recount);
    recount();
    resize(960, 620);
}

QGroupBox* BetListWindow::buildDigitBox()
{
    auto* digits = new QGroupBox(QStringLiteral("选号（保留的号码）"), this);
    auto* grid = new QGridLayout(digits);
    grid->setHorizontalSpacing(2);
    for (int p = 0; p < 3; ++p) {
        grid->addWidget(new QLabel(QString::fromUtf16(kPositionNames[p]), digits), p, 0);
        for (int d = 0; d < 10; ++d) {
            QPushButton* b = button(QString::number(d), QStringLiteral("digitButton%1_%2").arg(p).arg(d), digits);
            b->setCheckable(true);
            b->setChecked(true);
            b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("88")) + 14);
            grid->addWidget(b, p, d + 1);
            connect(b, &QPushButton::toggled, this, &BetListWindow::recount);
            m_digits[static_cast<std::size_t>(p)][static_cast<std::size_t>(d)] = b;
        }
        QPushButton* all = button(QStringLiteral("全"), QStringLiteral("allDigitsButton%1").arg(p), digits);
        QPushButton* none = button(QStringLiteral("清"), QStringLiteral("noDigitsButton%1").arg(p), digits);
        for (QPushButton* b : {all, none}) {
            b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("全全")) + 8);
            const bool on = b == all;
            connect(b, &QPushButton::clicked, this, [this, p, on] {
                KeptDigits kept = keptDigits();
                on ? kept[static_cast<std::size_t>(p)].set() : kept[static_cast<std::size_t>(p)].reset();
                setKeptDigits(kept);
            });
        }
        grid->addWidget(all, p, 11);
        grid->addWidget(none, p, 12);
    }
    auto* playRow = new QHBoxLayout;
    m_direct = new QRadioButton(QStringLiteral("直选"), digits);
    m_direct->setObjectName(QStringLiteral("directPlay"));
    m_direct->setChecked(true);
    m_group = new QRadioButton(QStringLiteral("组选"), digits);
    m_group->setObjectName(QStringLiteral("groupPlay"));
    QPushButton* fromTally = button(QStringLiteral("取计算结果"), QStringLiteral("takeTallyButton"), digits);
    fromTally->setToolTip(QStringLiteral("用最近一次“计算公式(&C)”的保留号码（未计算的位不变）"));
    playRow->addWidget(m_direct);
    playRow->addWidget(m_group);
    playRow->addStretch();
    playRow->addWidget(fromTally);
    grid->addLayout(playRow, 3, 0, 1, 13);
    connect(m_direct, &QRadioButton::toggled, this, &BetListWindow::recount);
    connect(fromTally, &QPushButton::clicked, this, [this] {
        if (!takeTallyDigits()) {
            m_session.dialogs().message(kTitle, QStringLiteral("还没有计算结果：请先在主窗口按“计算公式(&C)”。"),
                                        Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        }
    });
    return digits;
}

QVBoxLayout* BetListWindow::buildResultColumn()
{
    auto* right = new QVBoxLayout;
    auto* figures = new QGridLayout;
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("countLabel"));
    m_cost = new QLabel(this);
    m_cost->setObjectName(QStringLiteral("costLabel"));
    m_return = new QLabel(this);
    m_return->setObjectName(QStringLiteral("returnLabel"));
    m_return->setWordWrap(true);
    QFont big = m_count->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    m_count->setFont(big);
    m_cost->setFont(big);
    figures->addWidget(m_count, 0, 0);
    figures->addWidget(m_cost, 0, 1);
    figures->addWidget(m_return, 1, 0, 1, 2);
    right->addLayout(figures);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("problemLabel"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #B03020;"));
    right->addWidget(m_problem);

    m_model = new BetListModel(this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("betListView"));
    m_view->setModel(m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    right->addWidget(m_view, 1);
    right->addLayout(buildCommandRow());
    return right;
}

QHBoxLayout* BetListWindow::buildCommandRow()
{
    auto* commands = new QHBoxLayout;
    const std::pair<const char16_t*, void (BetListWindow::*)()> actions[] = {
        {u"复制", &BetListWindow::copyToClipboard},  {u"导出文本", &BetListWindow::exportText},
        {u"导出Excel", &BetListWindow::exportSheet}, {u"打印预览", &BetListWindow::printPreview},
        {u"投注回测", &BetListWindow::openBacktest},
    };
    const char* const names[] = {"copyButton", "exportTextButton", "exportSheetButton", "printPreviewButton",
                                 "betBacktestButton"};
    for (std::size_t i = 0; i < std::size(actions); ++i) {
        QPushButton* b = button(QString::fromUtf16(actions[i].first), QString::fromLatin1(names[i]), this);
        connect(b, &QPushButton::clicked, this, actions[i].second);
        commands->addWidget(b);
    }
    return commands;
}

BetListWindow::~BetListWindow() = default;

BetBacktestWindow* BetListWindow::backtestWindow() const
{
    return m_backtest;
}

KeptDigits BetListWindow::keptDigits() const
{
    KeptDigits kept;
    for (std::size_t p = 0; p < 3; ++p) {
        for (std::size_t d = 0; d < 10; ++d) {
            kept[p].set(d, m_digits[p][d]->isChecked());
        }
    }
    return kept;
}

void BetListWindow::setKeptDigits(const KeptDigits& kept)
{
    for (std::size_t p = 0; p < 3; ++p) {
        for (std::size_t d = 0; d < 10; ++d) {
            const QSignalBlocker quiet(m_digits[p][d]);
            m_digits[p][d]->setChecked(kept[p].test(d));
        }
    }
    recount();
}

bool BetListWindow::takeTallyDigits()
{
    const std::optional<TallyKeptDigits> tally = m_lastTally ? m_lastTally() : std::nullopt;
    if (!tally) {
        return false;
    }
    KeptDigits kept = keptDigits();
    for (std::size_t p = 0; p < 3; ++p) {
        if ((*tally)[p]) {
            kept[p] = *(*tally)[p];
        }
    }
    setKeptDigits(kept);
    return true;
}

BetPlay BetListWindow::play() const
{
    return m_group->isChecked() ? BetPlay::Group : BetPlay::Direct;
}

const BetList& BetListWindow::list() const
{
    return m_model->list();
}

void BetListWindow::recount()
{
    QString filterError;
    const BetFilters filters = m_filters->filters(&filterError);
    std::bitset<1000> recent;
    if (filters.recent.on) {
        const SnapshotPtr history = m_session.snapshot();
        recent = recentNumbers(*history, history->size(), filters.recent.draws);
    }
    m_model->setList(BetList::build(keptDigits(), play(), filters, recent));
    const BetList& list = m_model->list();
    const PrizeTable prizes = PrizeTable::load(m_session.settings());
    const QString prizeProblem = prizes.problem();
    m_count->setText(QStringLiteral("注数：%1").arg(list.size()));
    if (prizeProblem.isEmpty()) {
        const BetWorth w = list.worth(prizes);
        m_cost->setText(QStringLiteral("金额：%1 元").arg(moneyText(w.cost)));
        QString worth = QStringLiteral("中奖概率 %1，期望返还 %2 元（投入的 %3）")
                            .arg(percentText(w.winChance), moneyText(std::round(w.expected * 100) / 100),
                                 percentText(w.returnRate));
        if (list.play() == BetPlay::Group) {
            worth += QStringLiteral("；组三 %1 注，组六 %2 注")
                         .arg(list.setsOf(GroupForm::Pair))
                         .arg(list.setsOf(GroupForm::Distinct));
        }
        m_return->setText(worth + QStringLiteral("。随机开奖下任何缩水方式的期望返还都一样，缩水只改变投入。"));
    } else {
        m_cost->setText(QStringLiteral("金额：—"));
        m_return->clear();
    }
    QStringList problems;
    for (const QString& p : {filterError, list.problemText(), prizeProblem}) {
        if (!p.isEmpty()) {
            problems << p;
        }
    }
    m_problem->setText(problems.join(QLatin1Char('\n')));
    m_problem->setVisible(!problems.isEmpty());
}

void BetListWindow::copyToClipboard()
{
    if (list().empty()) {
        m_session.dialogs().message(kTitle, list().problemText(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    QApplication::clipboard()->setText(betListText(list(), PrizeTable::load(m_session.settings())));
}

void BetListWindow::exportText()
{
    QString error;
    const QString path = exportBetText(list(), m_session.dataFolder(), m_session.launcher(), &error);
    if (!error.isEmpty()) {
        m_session.dialogs().message(kTitle, error, Dialogs::Buttons::Ok,
                                    path.isEmpty() ? Dialogs::Icon::Warning : Dialogs::Icon::Information);
    }
}

void BetListWindow::exportSheet()
{
    if (list().empty()) {
        m_session.dialogs().message(kTitle, list().problemText(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    exportBetSheet(list(), PrizeTable::load(m_session.settings()), m_session.dataFolder(), m_session.dialogs(),
                   m_session.launcher());
}

void BetListWindow::printPreview()
{
    if (list().empty()) {
        m_session.dialogs().message(kTitle, list().problemText(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    // Ten bets a line, so that a day's list fits a page or two.
    const QStringList lines = list().lines();
    QString html = QStringLiteral("<h3>%1（%2）</h3><p style='font-family: monospace; font-size: 12pt;'>")
                       .arg(kTitle, betPlayName(list().play()));
    for (int i = 0; i < lines.size(); ++i) {
        html += lines[i].toHtmlEscaped() + (i % 10 == 9 ? QStringLiteral("<br>") : QStringLiteral("&nbsp;&nbsp; "));
    }
    const BetWorth w = list().worth(PrizeTable::load(m_session.settings()));
    html += QStringLiteral("</p><p>共 %1 注，%2 元</p>").arg(w.bets).arg(moneyText(w.cost));
    auto* preview = new QPrintPreviewDialog(this);
    preview->setObjectName(QStringLiteral("betPrintPreview"));
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setWindowTitle(QStringLiteral("打印预览 - 投注单"));
    connect(preview, &QPrintPreviewDialog::paintRequested, preview, [html](QPrinter* printer) {
        QTextDocument doc;
        doc.setHtml(html);
        doc.print(printer);
    });
    preview->open();
}

void BetListWindow::openBacktest()
{
    if (!m_backtest) {
        const auto settings = [this] {
            BetBacktestSettings s;
            s.play = play();
            s.filters = m_filters->filters();
            s.prizes = PrizeTable::load(m_session.settings());
            const KeptDigits kept = keptDigits();
            for (std::size_t p = 0; p < 3; ++p) {
                s.keep[p] = kept[p];
            }
            return s;
        };
        m_backtest = new BetBacktestWindow(m_session, settings, m_askSort, this);
    }
    m_backtest->show();
    m_backtest->raise();
    m_backtest->activateWindow();
}

} // namespace korvel
