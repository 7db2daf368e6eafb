#include "session/SessionSearchHost.h"

#include "session/Session.h"
#include "settings/Options.h"
#include "verify/FormulaList.h"

namespace korvel {

SettingsStore& SessionSearchHost::settings()
{
    return m_session.settings();
}

Dialogs& SessionSearchHost::dialogs()
{
    return m_session.dialogs();
}

Launcher& SessionSearchHost::launcher()
{
    return m_session.launcher();
}

Database& SessionSearchHost::database()
{
    return m_session.database();
}

FormulaStore& SessionSearchHost::formulaStore()
{
    return m_session.formulaStore();
}

SnapshotPtr SessionSearchHost::snapshot() const
{
    return m_session.snapshot();
}

FigureSettings SessionSearchHost::figureSettings() const
{
    const Options& o = m_session.options();
    FigureSettings f;
    f.windowDraws = o.windowSize();
    f.excludeCurrent = o.excludeCurrent();
    f.weighted = o.weightedRate();
    return f;
}

QString SessionSearchHost::dataFolder() const
{
    return m_session.dataFolder();
}

QString SessionSearchHost::nextIssue() const
{
    return m_session.nextIssue();
}

void SessionSearchHost::setSelected(const std::vector<int>& idxs, bool selected)
{
    m_session.formulas().setSelected(idxs, selected);
}

void SessionSearchHost::refreshAfterSave()
{
    // `loadFormulas`, `showHistory`, `statisticsPass`, then `writeBackFigures`.
    m_session.refreshAll();
    m_session.formulas().writeBackFigures();
}

} // namespace korvel
