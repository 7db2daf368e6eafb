#pragma once

#include <QObject>

class QMenu;
class QPushButton;
class QTabBar;
class QWidget;

namespace korvel {

class Session;
class SettingsStore;

// The main window's formula file commands: "读取公式文本(&N)", "公式在线更新（&W)" (with a progress dialog
// and a cancel button), "所有类公式中文导出" and "所选类公式中文导出", and a "设置" menu item for the
// formula download server. Attaches to the controls it is handed; a missing one throws std::logic_error.
// Lives as a child of the window, which is also the parent of its dialogs.
class FormulaTextCommands : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton* importText = nullptr;
        QPushButton* updateOnline = nullptr;
        QPushButton* exportAllKinds = nullptr;
        QPushButton* exportKind = nullptr;
        // "公式下载服务器设置" is added to this menu.
        QMenu* settingsMenu = nullptr;
        // The list's Chinese/English tabs: the export of every kind shows the Chinese texts.
        QTabBar* formulaTabs = nullptr;
    };

    FormulaTextCommands(Session& session, SettingsStore& settings, const Controls& controls, QWidget* window);

    void importFile();
    void updateOnline();
    void exportAllKinds();
    void exportKind();
    void askServer();

private:
    void refreshAfterImport(bool kill);

    Session& m_session;
    SettingsStore& m_settings;
    QWidget* m_window;
    QTabBar* m_formulaTabs;
    bool m_updating = false;
};

} // namespace korvel
