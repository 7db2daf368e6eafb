#include "session/Session.h"

#include "history/BundledHistory.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "platform/Dialogs.h"
#include "settings/Options.h"

namespace korvel {

bool Session::offerBundledHistory()
{
    if (m_bundledFolders.isEmpty() || m_bundledDeclined || !databaseOpen() || !m_history->snapshot()->empty()) {
        return false;
    }
    // Asked once per emptiness, whatever the answer or the outcome.
    m_bundledDeclined = true;
    const BundledHistory bundled = loadBundledHistory(m_options->game(), m_bundledFolders);
    if (!bundled.usable()) {
        m_dialogs.message(bundledImportTitle(), bundled.error + QStringLiteral("，没有导入任何号码。"),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return false;
    }
    if (m_dialogs.message(bundledImportTitle(), bundledOfferText(bundled), Dialogs::Buttons::YesNo,
                          Dialogs::Icon::Question) != Dialogs::Answer::Yes) {
        return false;
    }
    const DrawFileReport report = importBundledDraws(*m_database, *m_history, bundled);
    if (!report.ok) {
        m_dialogs.message(bundledImportTitle(), drawFileReportText(report), Dialogs::Buttons::Ok,
                          Dialogs::Icon::Critical);
        return false;
    }
    refreshAll();
    return report.added > 0;
}

DrawFileReport Session::importBundledHistory(int game)
{
    const BundledHistory bundled = loadBundledHistory(game, m_bundledFolders);
    if (!bundled.usable()) {
        DrawFileReport report;
        report.error = bundled.error;
        m_dialogs.message(bundledImportTitle(), bundled.error + QStringLiteral("，没有导入任何号码。"),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return report;
    }
    const DrawFileReport report = importBundledDraws(*m_database, *m_history, bundled);
    if (report.ok && report.added > 0) {
        refreshAll();
    }
    m_dialogs.message(bundledImportTitle(), drawFileReportText(report), Dialogs::Buttons::Ok,
                      report.ok ? Dialogs::Icon::Information : Dialogs::Icon::Critical);
    return report;
}

} // namespace korvel
