#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace korvel {

class Session;

// "关于": the version, the data folder and database, the number of draws and formulas, the Qt and SQLite
// versions, and a button that opens the data folder in the file manager (through the session's Launcher).
// The figures are read when the box is made.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(Session& session, QWidget* parent = nullptr);

    QLabel* factsLabel() const { return m_facts; }
    QPushButton* openFolderButton() const { return m_openFolder; }

private:
    void openDataFolder();

    Session& m_session;
    QLabel* m_facts;
    QPushButton* m_openFolder;
};

} // namespace korvel
