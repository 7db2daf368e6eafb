#include "gui/search/SearchWindow.h"

#include "session/Session.h"
#include "session/SessionSearchHost.h"
#include "gui/widgets/ExportNotice.h"
#include "platform/Dialogs.h"
#include "gui/widgets/GridWheelScroller.h"
#include "search/SearchSession.h"
#include "gui/search/SchemePanel.h"
#include "gui/search/SearchSettingsPanel.h"
#include "gui/search/TuningPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace korvel {

namespace {
QLineEdit* readOnlyField(const QString& name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    return field;
}

void setFieldText(QLineEdit* field, const QString& text)
{
    if (field->text() != text) {
        field->setText(text);
    }
}
} // namespace

SearchWindow::SearchWindow(Session& session, QWidget* parent, int threads)
    : QDialog(parent), m_session(session), m_host(std::make_unique<SessionSearchHost>(session)),
      m_search(std::make_unique<SearchSession>(*m_host, threads)), m_wheel(new GridWheelScroller(this)),
      m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("searchWindow"));
    setWindowTitle(QStringLiteral("公式搜索设置以及搜索结果"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    m_search->open();
    m_settings = new SearchSettingsPanel(*m_search, this);
    m_scheme = new SchemePanel(*m_search, this);
    m_tuning = new TuningPanel(*m_search, this);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_settings);
    auto* middle = new QVBoxLayout;
    middle->addWidget(m_scheme);
    middle->addWidget(m_tuning);
    middle->addStretch(1);
    layout->addLayout(middle);
    layout->addWidget(buildSearchColumn(), 1);

    m_wheel->watch(m_results);
    // A run that stops by itself shows its final counters before the message saying why.
    m_search->setRunEndedListener([this](const SearchProgress& p) { showProgress(p); });
    m_timer->setInterval(kPollIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &SearchWindow::refresh);

    connect(m_start, &QPushButton::clicked, this, [this] { started(m_search->startManual()); });
    connect(m_pause, &QPushButton::clicked, this, [this] {
        m_search->pauseManual();
        refresh();
    });
    connect(m_scheme->startButton(), &QPushButton::clicked, this, [this] { started(m_search->startScheme()); });
    connect(m_scheme->pauseButton(), &QPushButton::clicked, this, [this] {
        m_search->pauseScheme();
        refresh();
    });
    connect(m_scheme->continueButton(), &QPushButton::clicked, this, [this] { started(m_search->continueScheme()); });
    connect(m_tuning->currentKindButton(), &QPushButton::clicked, this,
            [this] { started(m_search->tuneCurrentKind()); });
    connect(m_tuning->allKindsButton(), &QPushButton::clicked, this, [this] { started(m_search->tuneAllKinds()); });
    connect(m_tuning->cancelButton(), &QPushButton::clicked, this, [this] {
        m_search->cancelTuning();
        refresh();
    });

    refresh();
    resize(1240, 700);
}

SearchWindow::~SearchWindow() = default;

QWidget* SearchWindow::buildSearchColumn()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* commands = new QHBoxLayout;
    m_start = new QPushButton(QStringLiteral("开始搜索(&F)"), column);
    m_start->setObjectName(QStringLiteral("startSearchButton"));
    m_pause = new QPushButton(QStringLiteral("暂停搜索(&E)"), column);
    m_pause->setObjectName(QStringLiteral("pauseSearchButton"));
    commands->addWidget(m_start);
    commands->addWidget(m_pause);
    layout->addLayout(commands);

    m_candidate = readOnlyField(QStringLiteral("candidateField"), column);
    layout->addWidget(m_candidate);

    auto* counters = new QGridLayout;
    m_verified = readOnlyField(QStringLiteral("verifiedField"), column);
    m_found = readOnlyField(QStringLiteral("foundField"), column);
    counters->addWidget(new QLabel(QStringLiteral("当前验证公式数"), column), 0, 0);
    counters->addWidget(m_verified, 0, 1);
    counters->addWidget(new QLabel(QStringLiteral("条"), column), 0, 2);
    counters->addWidget(new QLabel(QStringLiteral("检索合格公式数"), column), 1, 0);
    counters->addWidget(m_found, 1, 1);
    counters->addWidget(new QLabel(QStringLiteral("合格"), column), 1, 2);
    layout->addLayout(counters);
    layout->addLayout(buildHonestyRow(column));

    m_results = new QListWidget(column);
    m_results->setObjectName(QStringLiteral("resultList"));
    m_results->setUniformItemSizes(true);
    layout->addWidget(m_results, 1);
    m_rejected = new QListWidget(column);
    m_rejected->setObjectName(QStringLiteral("rejectedList"));
    m_rejected->setMaximumHeight(90);
    m_rejected->setToolTip(QStringLiteral("在留出的开奖上未达到“检验正确率 ≥”的公式：只显示，不保存。"));
    layout->addWidget(m_rejected);

    auto* saves = new QHBoxLayout;
    auto* append = new QPushButton(QStringLiteral("公式追加到数据库(&A)"), column);
    append->setObjectName(QStringLiteral("appendButton"));
    append->setToolTip(QStringLiteral("保留软件现有公式然后将所有合格公式追加到软件数据库。"));
    auto* update = new QPushButton(QStringLiteral("公式更新到数据库(&N)"), column);
    update->setObjectName(QStringLiteral("updateButton"));
    update->setToolTip(QStringLiteral("删除软件现有公式然后将所有合格公式添加到软件数据库。"));
    auto* exportText = new QPushButton(QStringLiteral("公式中文导出"), column);
    exportText->setObjectName(QStringLiteral("exportButton"));
    saves->addWidget(append);
    saves->addWidget(update);
    saves->addWidget(exportText);
    layout->addLayout(saves);
    // The window is modal over the main window's status line: the export says here where it wrote.
    layout->addWidget(new ExportNotice(m_session, column));

    connect(append, &QPushButton::clicked, this, [this] { save(true); });
    connect(update, &QPushButton::clicked, this, [this] { save(false); });
    connect(exportText, &QPushButton::clicked, this, [this] { m_search->exportText(); });
    return column;
}

QLayout* SearchWindow::buildHonestyRow(QWidget* column)
{
    auto* row = new QGridLayout;
    m_holdout = new QSpinBox(column);
    m_holdout->setObjectName(QStringLiteral("holdoutSpin"));
    m_holdout->setRange(0, 100000);
    m_holdout->setValue(m_search->holdout());
    m_holdout->setToolTip(
        QStringLiteral("留出最近 K 期检验：搜索只用最近 K 期之前的开奖验证公式，最近 K 期完全不参与挑选；\n"
                       "找到的每条公式再显示它在这 K 期上的正确率和随机基准（随机开奖下的命中概率）。\n"
                       "杀一个位置的号码随机也有 90% 的正确率：公式在留出的开奖上只比基准高一点或更低，说明它是运气。\n"
                       "0 = 不留出（原来的做法）。"));
    auto* holdoutLabel = new QLabel(QStringLiteral("留出最近 K 期检验"), column);
    holdoutLabel->setToolTip(m_holdout->toolTip());
    m_holdoutMin = new QLineEdit(m_search->holdoutMinText(), column);
    m_holdoutMin->setObjectName(QStringLiteral("holdoutMinField"));
    m_holdoutMin->setPlaceholderText(QStringLiteral("随机基准"));
    m_holdoutMin->setToolTip(QStringLiteral(
        "检验正确率 ≥：公式在留出的 K 期上的正确率（%）至少要达到这个值，否则记为“检验未通过”，不保存。\n"
        "留空 = 不低于该公式自己的随机基准。"));
    auto* control = new QPushButton(QStringLiteral("随机对照"), column);
    control->setObjectName(QStringLiteral("controlButton"));
    control->setToolTip(
        QStringLiteral("以上一次“开始搜索”的设置、种子和候选公式数，在把所有开奖号码换成随机号码的历史上再搜索一次，\n"
                       "比较两边找到的公式数。两边差不多，说明这些门槛挑出的是运气。"));
    m_controlLabel = new QLabel(column);
    m_controlLabel->setObjectName(QStringLiteral("controlLabel"));
    m_rejectedLabel = new QLabel(column);
    m_rejectedLabel->setObjectName(QStringLiteral("rejectedLabel"));
    row->addWidget(holdoutLabel, 0, 0);
    row->addWidget(m_holdout, 0, 1);
    row->addWidget(new QLabel(QStringLiteral("检验正确率 ≥"), column), 0, 2);
    row->addWidget(m_holdoutMin, 0, 3);
    row->addWidget(control, 1, 0);
    row->addWidget(m_controlLabel, 1, 1, 1, 3);
    row->addWidget(m_rejectedLabel, 2, 0, 1, 4);

    connect(m_holdout, &QSpinBox::valueChanged, this, [this](int k) { m_search->setHoldout(k); });
    connect(m_holdoutMin, &QLineEdit::textEdited, this, [this](const QString& t) { m_search->setHoldoutMinText(t); });
    connect(control, &QPushButton::clicked, this, [this] { started(m_search->startControl()); });
    m_control = control;
    return row;
}

bool SearchWindow::polling() const
{
    return m_timer->isActive();
}

void SearchWindow::started(bool ok)
{
    if (ok) {
        m_timer->start();
    }
    refresh();
}

void SearchWindow::refresh()
{
    // A message box shown while a run completes (the automatic save) spins an event loop of its own; the
    // timer must not re-enter meanwhile.
    if (m_inPoll) {
        return;
    }
    m_inPoll = true;
    const SearchProgress p = m_search->poll();
    if (!p.running) {
        m_timer->stop();
    }
    showProgress(p);
    m_inPoll = false;
}

void SearchWindow::showProgress(const SearchProgress& p)
{
    const bool scheme = p.mode == SearchMode::Scheme;
    if (scheme && p.running && p.schemeKind >= 1 && p.schemeKind < kSchemeFinished) {
        // The scheme's target takes the place of the automatic-stop count.
        const QString target = QString::number(p.schemeTarget, 'g', 15);
        if (m_search->autoStopText() != target) {
            m_search->setAutoStopText(target);
        }
    }
    m_settings->showSession();
    m_settings->showProgress(p);
    m_settings->setKindChoiceEnabled(!(p.running && scheme));
    m_scheme->showSession();
    m_scheme->showProgress(p);
    m_tuning->showSession();
    m_tuning->showProgress(p);

    if ((p.mode == SearchMode::Manual || scheme) && m_candidate->text() != p.candidateText) {
        m_candidate->setText(p.candidateText);
        m_candidate->setCursorPosition(0); // the kind and the first operands, not the tail
    }
    setFieldText(m_verified, QString::number(p.verified));
    m_controlLabel->setText(p.control && p.running ? QStringLiteral("随机对照进行中……") : m_search->controlText());
    m_rejectedLabel->setText(m_search->holdout() > 0 || p.rejected > 0
                                 ? QStringLiteral("检验未通过: %1 条（不保存）").arg(p.rejected)
                                 : QString());
    m_control->setEnabled(!p.running);
    m_holdout->setEnabled(!p.running);
    m_holdoutMin->setEnabled(!p.running);
    setFieldText(m_found, QString::number(p.foundShown));
    m_start->setEnabled(!p.running);
    m_pause->setEnabled(p.running && (p.mode == SearchMode::Manual || p.mode == SearchMode::Control));
    appendResultLines(p.resultLines);
    if (p.rejected > m_rejected->count()) {
        m_rejected->addItems(m_search->rejectedLines().mid(m_rejected->count()));
        m_rejected->scrollToBottom();
    }
}

void SearchWindow::appendResultLines(int lines)
{
    const int shown = m_results->count();
    if (lines <= shown) {
        return;
    }
    // The newest results stay in view unless the user scrolled back to read older ones.
    QScrollBar* bar = m_results->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    const QStringList all = m_search->resultLines();
    const QStringList notes = m_search->resultNotes();
    const std::vector<ResultFigures> figures = m_search->resultFigures();
    for (qsizetype i = shown; i < all.size(); ++i) {
        // With a hold-out each line starts with the formula's figures on the held-out draws; after the text
        // as exported comes its rate beside the rate chance alone would score.
        const QString note = i < notes.size() ? notes[i] : QString();
        QString text = note.isEmpty() ? all[i] : QStringLiteral("【%1】 %2").arg(note, all[i]);
        auto* item = new QListWidgetItem(m_results);
        if (i < static_cast<qsizetype>(figures.size())) {
            text += QStringLiteral("    ") + figures[static_cast<std::size_t>(i)].text;
            item->setToolTip(figures[static_cast<std::size_t>(i)].toolTip);
        }
        item->setText(text);
    }
    if (atEnd) {
        m_results->scrollToBottom();
    }
}

void SearchWindow::save(bool append)
{
    if (append) {
        m_search->appendToDatabase();
    } else {
        m_search->updateToDatabase();
    }
    refresh();
}

void SearchWindow::done(int result)
{
    // The found formulas not yet saved go with the window: only on the user's word.
    refresh();
    if (!m_search->foundFormulas().empty() &&
        m_host->dialogs().message(windowTitle(), QStringLiteral("搜索结果尚未保存，是否关闭？"),
                                  Dialogs::Buttons::YesNo, Dialogs::Icon::Question) != Dialogs::Answer::Yes) {
        return;
    }
    m_timer->stop();
    m_search->pauseManual();
    m_search->pauseScheme();
    m_search->cancelTuning();
    QDialog::done(result);
}

} // namespace korvel
