#pragma once

#include "search/SearchHost.h"

namespace korvel {

class Session;

// The formula search over the application's session: its store, history and options of the moment, and
// the main window's formula list (selection flags, and the refresh after a save). The session must outlive
// the host. GUI thread only.
class SessionSearchHost final : public SearchHost {
public:
    explicit SessionSearchHost(Session& session) : m_session(session) {}

    SettingsStore& settings() override;
    Dialogs& dialogs() override;
    Launcher& launcher() override;
    Database& database() override;
    FormulaStore& formulaStore() override;
    SnapshotPtr snapshot() const override;
    FigureSettings figureSettings() const override;
    QString dataFolder() const override;
    QString nextIssue() const override;
    void setSelected(const std::vector<int>& idxs, bool selected) override;
    void refreshAfterSave() override;

private:
    Session& m_session;
};

} // namespace korvel
