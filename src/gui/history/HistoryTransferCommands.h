#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QMenu;
class QPushButton;
class QWidget;

namespace korvel {

class OnlineHistoryUpdate;
class Session;
class SettingsStore;

// The main window's commands that bring draws in: "开奖历史在线更新(&O)" (confirmation, the chart site's
// address when none is set, the download under a progress dialog with a cancel button, the closing
// message, the refresh) and the draw file import, a button placed under "历史号码导出文本文件(&X)".
// Attaches to the controls it is handed; a missing one throws std::logic_error. Lives as a child of the
// window, which is also the parent of its dialogs.
class HistoryTransferCommands : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton* onlineUpdate = nullptr;
        // The draw file import goes in the layout right under this button.
        QPushButton* exportText = nullptr;
        // "开奖走势图网站设置" is added to this menu.
        QMenu* settingsMenu = nullptr;
    };

    HistoryTransferCommands(Session& session, SettingsStore& settings, const Controls& controls, QWidget* window);
    ~HistoryTransferCommands() override;

    void onlineUpdate();
    void importDrawFile();
    // "开奖走势图网站设置": changes the chart site's address.
    void askChartHost();

private:
    Session& m_session;
    SettingsStore& m_settings;
    QWidget* m_window;
    std::unique_ptr<OnlineHistoryUpdate> m_update;
};

} // namespace korvel
