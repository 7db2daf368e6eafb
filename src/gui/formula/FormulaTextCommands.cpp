#include "gui/formula/FormulaTextCommands.h"

#include "formula/FormulaImport.h"
#include "formula/FormulaTextExport.h"
#include "gui/widgets/DownloadProgress.h"
#include "gui/widgets/RequiredControls.h"
#include "platform/Dialogs.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "verify/FormulaList.h"
#include "verify/FormulaListExport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabBar>
#include <QWidget>

namespace korvel {

namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

FigureSettings figureSettings(const Options& options)
{
    FigureSettings s;
    s.windowDraws = options.windowSize();
    s.excludeCurrent = options.excludeCurrent();
    s.weighted = options.weightedRate();
    return s;
}

} // namespace

FormulaTextCommands::FormulaTextCommands(Session& session, SettingsStore& settings, const Controls& controls,
                                         QWidget* window)
    : QObject(window), m_session(session), m_settings(settings), m_window(window), m_formulaTabs(controls.formulaTabs)
{
    requireControls("FormulaTextCommands", {{controls.importText, "importText"},
                                            {controls.updateOnline, "updateOnline"},
                                            {controls.exportAllKinds, "exportAllKinds"},
                                            {controls.exportKind, "exportKind"},
                                            {controls.settingsMenu, "settingsMenu"},
                                            {controls.formulaTabs, "formulaTabs"},
                                            {window, "window"}});
    setObjectName(QStringLiteral("formulaTextCommands"));
    const std::pair<QPushButton*, void (FormulaTextCommands::*)()> commands[] = {
        {controls.importText, &FormulaTextCommands::importFile},
        {controls.updateOnline, &FormulaTextCommands::updateOnline},
        {controls.exportAllKinds, &FormulaTextCommands::exportAllKinds},
        {controls.exportKind, &FormulaTextCommands::exportKind},
    };
    for (const auto& [button, command] : commands) {
        button->setEnabled(true);
        connect(button, &QPushButton::clicked, this, command);
    }
    auto* server = new QAction(QStringLiteral("公式下载服务器设置"), controls.settingsMenu);
    server->setObjectName(QStringLiteral("actionFormulaServer"));
    controls.settingsMenu->addAction(server);
    connect(server, &QAction::triggered, this, &FormulaTextCommands::askServer);
}

void FormulaTextCommands::refreshAfterImport(bool kill)
{
    // Back on the kind shown before (the import never left it), with the sense the file's equation lines
    // chose; every formula of the list selected, figures recomputed.
    const WaitCursor wait;
    if (kill != m_session.choices().kill()) {
        m_session.choices().setKill(kill);
    }
    m_session.refreshAll();
}

void FormulaTextCommands::importFile()
{
    ImportFormulaFile(m_session.database(), m_session.formulaStore(), m_session.dialogs(), m_session.launcher(),
                      m_session.dataFolder(), m_session.choices().kind(), m_session.choices().kill(),
                      [this](const FormulaImportResult& result) { refreshAfterImport(result.finalKill); });
}

void FormulaTextCommands::updateOnline()
{
    if (m_updating) {
        return;
    }
    const QUrl url = formulaupdate::confirmAndAddress(m_session.dialogs(), m_settings);
    if (url.isEmpty()) {
        return;
    }
    m_updating = true;
    OnlineFormulaUpdate update(m_session.database(), m_session.formulaStore(), url, m_session.dataFolder(),
                               m_session.choices().kind(), m_session.choices().kill());
    QProgressDialog progress(m_window);
    setUpDownloadProgress(progress, QStringLiteral("onlineFormulaDialog"), QStringLiteral("公式在线更新"),
                          QStringLiteral("正在下载公式列表……"));
    connect(&update, &OnlineFormulaUpdate::progress, &progress, [&progress](qint64 received, qint64 total) {
        if (total > 0) {
            progress.setRange(0, 1000);
            progress.setValue(static_cast<int>(received * 1000 / total));
        }
    });
    connect(&progress, &QProgressDialog::canceled, &update, &OnlineFormulaUpdate::cancel);
    connect(&update, &OnlineFormulaUpdate::finished, &progress, &QProgressDialog::accept);
    update.start();
    progress.exec();
    const FormulaImportResult result = update.result();
    m_updating = false;

    if (result.changedFormulas()) {
        refreshAfterImport(result.finalKill);
    }
    m_session.dialogs().message(QStringLiteral("公式在线更新"), OnlineFormulaUpdate::resultText(result),
                                Dialogs::Buttons::Ok,
                                result.changedFormulas() ? Dialogs::Icon::Information : Dialogs::Icon::Warning);
}

void FormulaTextCommands::exportAllKinds()
{
    // The file carries the Chinese texts; the list shows them too while it is written.
    m_formulaTabs->setCurrentIndex(0);
    // The export walks the kinds on a list of its own: the player's choice (and the list the next 计算公式
    // runs on) stays as it was.
    const WaitCursor wait;
    ExportAllKindsText(m_session.formulaStore(), m_session.dialogs(), m_session.launcher(), *m_session.snapshot(),
                       figureSettings(m_session.options()), m_session.choices().kill(), m_session.nextIssue(),
                       m_session.dataFolder());
}

void FormulaTextCommands::exportKind()
{
    const WaitCursor wait;
    ExportKindText(m_session.formulas(), m_session.dialogs(), m_session.launcher(), m_session.nextIssue(),
                   m_session.dataFolder());
}

void FormulaTextCommands::askServer()
{
    formulaupdate::askServer(m_session.dialogs(), m_settings);
}

} // namespace korvel
