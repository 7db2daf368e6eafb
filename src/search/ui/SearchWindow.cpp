#include "search/ui/SearchWindow.h"

#include "app/Session.h"
#include "app/SessionSearchHost.h"
#include "platform/ui/GridWheelScroller.h"
#include "search/SearchSession.h"
#include "search/ui/SchemePanel.h"
#include "search/ui/SearchSettingsPanel.h"
#include "search/ui/TuningPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
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
    : QDialog(parent), m_host(std::make_unique<SessionSearchHost>(session)),
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

    m_results = new QListWidget(column);
    m_results->setObjectName(QStringLiteral("resultList"));
    m_results->setUniformItemSizes(true);
    layout->addWidget(m_results, 1);

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

    connect(append, &QPushButton::clicked, this, [this] { save(true); });
    connect(update, &QPushButton::clicked, this, [this] { save(false); });
    connect(exportText, &QPushButton::clicked, this, [this] { m_search->exportText(); });
    return column;
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
    setFieldText(m_found, QString::number(p.foundShown));
    m_start->setEnabled(!p.running);
    m_pause->setEnabled(p.running && p.mode == SearchMode::Manual);
    appendResultLines(p.resultLines);
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
    m_results->addItems(all.mid(shown));
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
    m_timer->stop();
    m_search->pauseManual();
    m_search->pauseScheme();
    m_search->cancelTuning();
    QDialog::done(result);
}

} // namespace korvel
