#include "gui/history/HistoryTransferCommands.h"

#include "gui/history/OnlineUpdateDialog.h"
#include "gui/settings/SourceSettingsDialog.h"
#include "gui/widgets/DownloadProgress.h"
#include "gui/widgets/RequiredControls.h"
#include "history/DrawFileImport.h"
#include "history/DrawSchedule.h"
#include "history/HistoryStore.h"
#include "history/HistoryVerify.h"
#include "history/OnlineUpdate.h"
#include "platform/Dialogs.h"
#include "session/Session.h"
#include "settings/Options.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDate>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

namespace korvel {

namespace {

// The box layout below `layout` that holds `widget`, and its index there.
std::pair<QBoxLayout*, int> boxHolding(QLayout* layout, QWidget* widget)
{
    if (!layout) {
        return {nullptr, -1};
    }
    if (auto* box = qobject_cast<QBoxLayout*>(layout); box && box->indexOf(widget) >= 0) {
        return {box, box->indexOf(widget)};
    }
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout* inner = layout->itemAt(i)->layout()) {
            if (auto found = boxHolding(inner, widget); found.first) {
                return found;
            }
        }
    }
    return {nullptr, -1};
}

void refresh(Session& session)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    session.refreshAll();
    QApplication::restoreOverrideCursor();
}

} // namespace

HistoryTransferCommands::HistoryTransferCommands(Session& session, SettingsStore& settings, const Controls& controls,
                                                 QWidget* window)
    : QObject(window), m_session(session), m_settings(settings), m_window(window)
{
    requireControls("HistoryTransferCommands", {{controls.onlineUpdate, "onlineUpdate"},
                                                {controls.exportText, "exportText"},
                                                {controls.settingsMenu, "settingsMenu"},
                                                {controls.statusBar, "statusBar"},
                                                {window, "window"}});
    setObjectName(QStringLiteral("historyTransferCommands"));
    controls.onlineUpdate->setEnabled(true);
    connect(controls.onlineUpdate, &QPushButton::clicked, this, &HistoryTransferCommands::onlineUpdate);

    QPushButton* exportText = controls.exportText;
    auto* import = new QPushButton(QStringLiteral("历史号码导入文本文件"), exportText->parentWidget());
    import->setObjectName(QStringLiteral("importDrawFileButton"));
    import->setToolTip(
        QStringLiteral("从文本文件读入开奖号码（“期号 号码”、“期号,日期,号码”、“期号 日期 百位 十位 个位 …”，"
                       "或带表头“期号,百位,十位,个位”的表格；UTF-8 或 GBK）"));
    const auto [box, index] = boxHolding(exportText->parentWidget()->layout(), exportText);
    if (box) {
        box->insertWidget(index + 1, import);
    }
    import->show(); // also when the window is on screen already
    connect(import, &QPushButton::clicked, this, &HistoryTransferCommands::importDrawFile);

    QMenu* menu = controls.settingsMenu;
    auto* sources = new QAction(QStringLiteral("在线更新设置"), menu);
    sources->setObjectName(QStringLiteral("actionSourceSettings"));
    sources->setToolTip(QStringLiteral("在线更新的来源（地址、启用、顺序、测试）与启动时自动更新"));
    auto* verify = new QAction(QStringLiteral("校验历史号码"), menu);
    verify->setObjectName(QStringLiteral("actionVerifyHistory"));
    verify->setToolTip(QStringLiteral("把已有的历史号码与在线来源逐期比对"));
    menu->addSeparator();
    menu->addAction(sources);
    menu->addAction(verify);
    connect(sources, &QAction::triggered, this, &HistoryTransferCommands::openSourceSettings);
    connect(verify, &QAction::triggered, this, &HistoryTransferCommands::verifyHistory);

    m_notice = new QLabel;
    m_notice->setObjectName(QStringLiteral("autoUpdateNotice"));
    m_notice->hide();
    controls.statusBar->addPermanentWidget(m_notice);

    // The first showing of the history after the start, once the event loop runs: the update at start.
    connect(&m_session, &Session::historyChanged, this, [this] {
        if (!m_autoChecked) {
            m_autoChecked = true;
            QTimer::singleShot(0, this, [this] { startAutoUpdate(); });
        }
    });
}

HistoryTransferCommands::~HistoryTransferCommands() = default;

void HistoryTransferCommands::onlineUpdate()
{
    Dialogs& dialogs = m_session.dialogs();
    if (m_update) {
        dialogs.message(onlineupdate::confirmTitle(), QStringLiteral("历史号码正在后台更新，请稍候。"),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        return; // one at a time
    }
    if (!dialogs.confirm(onlineupdate::confirmTitle(), onlineupdate::confirmText())) {
        return;
    }
    const int game = m_session.options().game();
    QString error;
    UpdateRequest request;
    request.game = game;
    request.sources = chooseSources(drawsources::load(m_settings, game), game, std::nullopt, {}, &error);
    request.currentYear = QDate::currentDate().year();
    request.yearsWindow = m_session.options().searchYears();
    if (request.sources.empty()) {
        dialogs.message(onlineupdate::confirmTitle(), error + QStringLiteral("。"), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Warning);
        return;
    }
    m_update = std::make_unique<OnlineHistoryUpdate>(m_session.database(), m_session.history(), request);
    OnlineUpdateDialog progress(*m_update, m_window);
    m_update->start();
    progress.exec(); // closes itself when the update finished
    const HistoryUpdateOutcome outcome = m_update->outcome();
    m_update.reset();

    if (outcome.historyChanged()) {
        refresh(m_session);
    }
    dialogs.message(onlineupdate::confirmTitle(), onlineupdate::outcomeText(outcome), Dialogs::Buttons::Ok,
                    outcome.failed() ? Dialogs::Icon::Warning : Dialogs::Icon::Information);
}

void HistoryTransferCommands::importDrawFile()
{
    const DrawFileReport report = korvel::importDrawFile(m_session.database(), m_session.history(), m_session.dialogs(),
                                                         m_session.dataFolder(), m_session.options().game());
    if (report.ok && report.added > 0) {
        refresh(m_session);
    }
}

void HistoryTransferCommands::openSourceSettings()
{
    SourceSettingsDialog dialog(m_settings, m_session.options().game(), m_window);
    dialog.exec();
}

void HistoryTransferCommands::verifyHistory()
{
    const int game = m_session.options().game();
    QString error;
    VerifyRequest request;
    request.game = game;
    request.sources = chooseSources(drawsources::load(m_settings, game), game, std::nullopt, {}, &error);
    request.currentYear = QDate::currentDate().year();
    Dialogs& dialogs = m_session.dialogs();
    if (request.sources.empty()) {
        dialogs.message(verifytext::title(), error + QStringLiteral("。"), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Warning);
        return;
    }
    HistoryVerify verify(m_session.history(), request);
    QProgressDialog progress(m_window);
    setUpDownloadProgress(progress, QStringLiteral("verifyProgressDialog"), verifytext::title(),
                          QStringLiteral("正在下载……"));
    connect(&verify, &HistoryVerify::sourceStarted, &progress, [&progress](int, int, const QString& label) {
        progress.setLabelText(QStringLiteral("正在下载：%1").arg(label));
    });
    connect(&progress, &QProgressDialog::canceled, &verify, &HistoryVerify::cancel);
    connect(&verify, &HistoryVerify::finished, &progress, &QProgressDialog::accept);
    verify.start();
    progress.exec();
    const HistoryVerification result = verify.result();
    const bool bad = !result.ok || !result.differ.empty();
    dialogs.message(verifytext::title(), verifytext::report(result), Dialogs::Buttons::Ok,
                    bad ? Dialogs::Icon::Warning : Dialogs::Icon::Information);
}

bool HistoryTransferCommands::startAutoUpdate(const QDateTime& now)
{
    if (m_update || !m_session.started() || !m_session.databaseOpen() || !drawsources::autoUpdateOnStart(m_settings) ||
        !drawschedule::updateDue(*m_session.snapshot(), now)) {
        return false;
    }
    const int game = m_session.options().game();
    UpdateRequest request;
    request.game = game;
    QString error;
    request.sources = chooseSources(drawsources::load(m_settings, game), game, std::nullopt, {}, &error);
    request.currentYear = now.date().year();
    request.yearsWindow = m_session.options().searchYears();
    if (request.sources.empty()) {
        m_notice->setText(QStringLiteral("没有自动更新历史号码：") + error);
        m_notice->show();
        return false;
    }
    m_update = std::make_unique<OnlineHistoryUpdate>(m_session.database(), m_session.history(), request);
    connect(m_update.get(), &OnlineHistoryUpdate::finished, this, &HistoryTransferCommands::onAutoUpdateFinished,
            Qt::QueuedConnection);
    m_notice->setText(QStringLiteral("正在后台更新历史号码……"));
    m_notice->setToolTip({});
    m_notice->show();
    m_update->start();
    return true;
}

void HistoryTransferCommands::onAutoUpdateFinished(const HistoryUpdateOutcome& outcome)
{
    const HistoryUpdateOutcome result = outcome; // the update goes now
    m_update.reset();
    if (result.historyChanged()) {
        refresh(m_session);
    }
    m_notice->setText(onlineupdate::outcomeLine(result));
    m_notice->setToolTip(onlineupdate::outcomeText(result));
    m_notice->show();
}

} // namespace korvel
