#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace korvel {

class Session;

// A line that says where the last exported file was written, with "打开所在文件夹" to show its folder in the
// file manager. It follows every file the session's launcher hands over (the exports of every window), and
// says so when no application opened the file. Hidden until the first export. The session must outlive it.
class ExportNotice : public QWidget {
    Q_OBJECT
public:
    explicit ExportNotice(Session& session, QWidget* parent = nullptr);

    QString text() const;
    QPushButton* openFolderButton() const { return m_openFolder; }

private:
    void show(const QString& path, bool opened);
    void openFolder();

    Session& m_session;
    QLabel* m_text;
    QPushButton* m_openFolder;
    QString m_folder;
};

} // namespace korvel
