#pragma once

#include "gui/MainAssembly.h"
#include "gui/MainWindow.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "support/FakeDialogs.h"
#include "support/HistoryRows.h"
#include "support/RecordingLauncher.h"
#include "support/TestData.h"
#include "support/gui/Shots.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace korvel::test {

// The real main window on a session over a temporary data folder and settings file, with scripted dialogs
// and a recording launcher. seed() writes draws into formula.mdb before the window opens. open() shows the
// window alone, with only the commands it drives itself; openProgram() shows it as the program assembles
// it (MainAssembly), every command object attached.
class WindowFixture : public ::testing::Test {
protected:
    enum class Wiring { WindowOnly, Program };

    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    void TearDown() override { close(); }

    // The first n real draws of the game's file, stored in one transaction (a commit and a reload per draw
    // cost minutes for thousands).
    void seed(int n, const QString& file = QStringLiteral("fc3d_draws.tsv"))
    {
        Database db;
        ASSERT_NE(db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        HistoryStore store(db);
        ASSERT_EQ(store.appendRows(newDraws(loadDraws(file, n))), HistoryStore::AppendResult::Stored);
    }

    void open(QDate today = QDate(2012, 5, 31), QSize size = QSize(1180, 420))
    {
        m_settings = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("3VER.ini")));
        m_session = std::make_unique<Session>(*m_settings, m_dialogs, m_launcher);
        m_session->setBundledFolders(m_bundledFolders);
        if (m_wiring == Wiring::Program) {
            m_assembly = std::make_unique<MainAssembly>(*m_session, *m_settings);
            m_window = &m_assembly->window();
        } else {
            m_bareWindow = std::make_unique<MainWindow>(*m_session);
            m_window = m_bareWindow.get();
        }
        m_session->start(m_dir.path(), today);
        // An invalid size keeps the size the window chose itself (restored, or its opening size).
        if (size.isValid()) {
            m_window->resize(size);
        }
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
        QCoreApplication::processEvents();
    }

    void openProgram(QDate today = QDate(2012, 5, 31), QSize size = QSize(1180, 420))
    {
        m_wiring = Wiring::Program;
        open(today, size);
    }

    void close()
    {
        m_window = nullptr;
        m_assembly.reset();
        m_bareWindow.reset();
        m_session.reset();
        m_settings.reset();
    }

    // Closes and starts again on the same folder, settings and wiring: what a restart sees.
    void reopen()
    {
        close();
        open();
    }

    template <typename T> T* child(const QString& name) const
    {
        T* w = m_window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << "no child named " << name.toStdString();
        return w;
    }

    // Triggers an action of the window by objectName; a missing or disabled action fails the test.
    void triggerAction(const QString& name)
    {
        QAction* action = m_window->findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << "no action named " << name.toStdString();
        ASSERT_TRUE(action->isEnabled()) << name.toStdString() << " is disabled";
        action->trigger();
    }

    QTemporaryDir m_dir;
    FakeDialogs m_dialogs;
    RecordingLauncher m_launcher;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<Session> m_session;
    Wiring m_wiring = Wiring::WindowOnly;
    std::unique_ptr<MainAssembly> m_assembly; // with openProgram()
    std::unique_ptr<MainWindow> m_bareWindow; // with open()
    MainWindow* m_window = nullptr;           // the one shown
    QStringList m_bundledFolders;             // none: no bundled history is offered
};

} // namespace korvel::test
