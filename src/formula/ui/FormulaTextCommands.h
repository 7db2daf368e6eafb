#pragma once

#include <QObject>

class QWidget;

namespace korvel {

class Session;
class SettingsStore;

// The main window's formula file commands: "读取公式文本(N)", "公式在线更新（&W)" (with a progress dialog
// and a cancel button), "所有类公式中文导出" and "所选类公式中文导出", and a "设置" menu item for the
// formula download server. Attaches to the window's buttons by their object names. Lives as a child of
// the window.
class FormulaTextCommands : public QObject {
    Q_OBJECT
public:
    FormulaTextCommands(Session& session, SettingsStore& settings, QWidget* window);

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
    bool m_updating = false;
};

} // namespace korvel
