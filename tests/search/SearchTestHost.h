#pragma once

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "search/SearchHost.h"
#include "support/FakeDialogs.h"
#include "support/RecordingLauncher.h"

namespace korvel::test {

// A search host over a given history, with its settings and database in a folder of the test's own.
class Host : public SearchHost {
public:
    Host(const QString& folder, SnapshotPtr history)
        : m_folder(folder), m_settings(folder + QStringLiteral("/3VER.ini")), m_history(std::move(history))
    {
        m_db.open(folder + QStringLiteral("/formula.mdb"), drawTableSchema());
    }
    SettingsStore& settings() override { return m_settings; }
    Dialogs& dialogs() override { return fakeDialogs; }
    Launcher& launcher() override { return launcherRecord; }
    Database& database() override { return m_db; }
    FormulaStore& formulaStore() override { return store; }
    SnapshotPtr snapshot() const override { return m_history; }
    FigureSettings figureSettings() const override { return {300, true, false}; }
    QString dataFolder() const override { return m_folder; }
    QString nextIssue() const override { return QStringLiteral("2030001"); }
    void setSelected(const std::vector<int>&, bool) override {}
    void refreshAfterSave() override {}

    QString m_folder;
    SettingsStore m_settings;
    Database m_db;
    FormulaStore store{m_db};
    test::FakeDialogs fakeDialogs;
    test::RecordingLauncher launcherRecord;
    SnapshotPtr m_history;
};

} // namespace korvel::test
