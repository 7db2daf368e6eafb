#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <memory>

class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QWidget;

namespace korvel {

class OnlineHistoryUpdate;
class Session;
class SettingsStore;
struct HistoryUpdateOutcome;

// The main window's commands that bring draws in: "开奖历史在线更新(&O)" (confirmation, the download from
// the game's sources under a progress dialog with a cancel button, the closing message, the refresh), the
// draw file import (a button placed under "历史号码导出文本文件(&X)"), and in the "设置" menu "在线更新设置"
// (the source lists, gui/settings/SourceSettingsDialog.h) and "校验历史号码" (the stored draws compared
// with the first source that answers). With "启动时自动更新历史号码" on, the first showing of the history
// after the start updates it in the background when a draw is due (history/DrawSchedule.h); the window
// never waits for the network, and the result goes to the status bar. Attaches to the controls it is
// handed; a missing one throws std::logic_error. Lives as a child of the window, which is also the parent of
// its dialogs.
class HistoryTransferCommands : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton* onlineUpdate = nullptr;
        // The draw file import goes in the layout right under this button.
        QPushButton* exportText = nullptr;
        // "在线更新设置" and "校验历史号码" are added to this menu.
        QMenu* settingsMenu = nullptr;
        // The background update says here what it did.
        QStatusBar* statusBar = nullptr;
    };

    HistoryTransferCommands(Session& session, SettingsStore& settings, const Controls& controls, QWidget* window);
    ~HistoryTransferCommands() override;

    void onlineUpdate();
    void importDrawFile();
    // "在线更新设置".
    void openSourceSettings();
    // "校验历史号码".
    void verifyHistory();
    // The update at start: only with the option on, a history that lacks a due draw and no update running.
    // True when one was started.
    bool startAutoUpdate(const QDateTime& now = QDateTime::currentDateTime());
    bool updateRunning() const { return m_update != nullptr; }
    // The status bar's line about the background update.
    QLabel* autoUpdateNotice() const { return m_notice; }

private:
    void onAutoUpdateFinished(const HistoryUpdateOutcome& outcome);

    Session& m_session;
    SettingsStore& m_settings;
    QWidget* m_window;
    QLabel* m_notice;
    std::unique_ptr<OnlineHistoryUpdate> m_update;
    bool m_autoChecked = false;
};

} // namespace korvel
