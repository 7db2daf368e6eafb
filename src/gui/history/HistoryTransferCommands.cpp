#include "gui/history/HistoryTransferCommands.h"

#include "session/Session.h"
#include "history/DrawFileImport.h"
#include "history/HistoryStore.h"
#include "history/OnlineUpdate.h"
#include "gui/history/OnlineUpdateDialog.h"
#include "platform/Dialogs.h"
#include "gui/widgets/RequiredControls.h"
#include "settings/Options.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDate>
#include <QMenu>
#include <QPushButton>
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

} // namespace

HistoryTransferCommands::HistoryTransferCommands(Session& session, SettingsStore& settings, const Controls& controls,
                                                 QWidget* window)
    : QObject(window), m_session(session), m_settings(settings), m_window(window)
{
    requireControls("HistoryTransferCommands", {{controls.onlineUpdate, "onlineUpdate"},
                                                {controls.exportText, "exportText"},
                                                {controls.settingsMenu, "settingsMenu"},
                                                {window, "window"}});
    setObjectName(QStringLiteral("historyTransferCommands"));
    controls.onlineUpdate->setEnabled(true);
    connect(controls.onlineUpdate, &QPushButton::clicked, this, &HistoryTransferCommands::onlineUpdate);

    QPushButton* exportText = controls.exportText;
    auto* import = new QPushButton(QStringLiteral("历史号码导入文本文件"), exportText->parentWidget());
    import->setObjectName(QStringLiteral("importDrawFileButton"));
    import->setToolTip(QStringLiteral("从文本文件读入开奖号码（每行“期号 号码”，或“期号,日期,号码”）"));
    const auto [box, index] = boxHolding(exportText->parentWidget()->layout(), exportText);
    if (box) {
        box->insertWidget(index + 1, import);
    }
    import->show(); // also when the window is on screen already
    connect(import, &QPushButton::clicked, this, &HistoryTransferCommands::importDrawFile);

    QMenu* menu = controls.settingsMenu;
    auto* host = new QAction(QStringLiteral("开奖走势图网站设置"), menu);
    host->setObjectName(QStringLiteral("actionChartHost"));
    menu->addSeparator();
    menu->addAction(host);
    connect(host, &QAction::triggered, this, &HistoryTransferCommands::askChartHost);
}

HistoryTransferCommands::~HistoryTransferCommands() = default;

void HistoryTransferCommands::onlineUpdate()
{
    if (m_update) {
        return; // one at a time
    }
    Dialogs& dialogs = m_session.dialogs();
    if (!dialogs.confirm(onlineupdate::confirmTitle(), onlineupdate::confirmText())) {
        return;
    }
    QString host = onlineupdate::chartHost(m_settings);
    if (!resultsPageUrl(host, m_session.options().game(), 2000).isValid()) {
        host = onlineupdate::askChartHost(dialogs, m_settings);
        if (host.isEmpty()) {
            return;
        }
    }
    const HistoryUpdatePlan plan =
        planHistoryUpdate(*m_session.snapshot(), QDate::currentDate().year(), m_session.options().searchYears());
    m_update = std::make_unique<OnlineHistoryUpdate>(m_session.database(), m_session.history(), plan, host,
                                                     m_session.options().game());
    OnlineUpdateDialog progress(*m_update, m_window);
    m_update->start();
    progress.exec(); // closes itself when the update finished
    const HistoryUpdateOutcome outcome = m_update->outcome();
    m_update.reset();

    if (outcome.historyChanged()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_session.refreshAll();
        QApplication::restoreOverrideCursor();
    }
    const bool failed = outcome.status == HistoryUpdateOutcome::Status::DownloadFailed ||
                        outcome.status == HistoryUpdateOutcome::Status::StoreFailed;
    dialogs.message(onlineupdate::confirmTitle(), onlineupdate::outcomeText(outcome), Dialogs::Buttons::Ok,
                    failed ? Dialogs::Icon::Warning : Dialogs::Icon::Information);
}

void HistoryTransferCommands::importDrawFile()
{
    const DrawFileReport report =
        korvel::importDrawFile(m_session.database(), m_session.history(), m_session.dialogs(), m_session.dataFolder());
    if (report.ok && report.added > 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_session.refreshAll();
        QApplication::restoreOverrideCursor();
    }
}

void HistoryTransferCommands::askChartHost()
{
    onlineupdate::askChartHost(m_session.dialogs(), m_settings);
}

} // namespace korvel
