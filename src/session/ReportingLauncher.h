#pragma once

#include "platform/Launcher.h"

#include <QObject>

namespace korvel {

// Hands files to the desktop through another launcher and tells the windows of each file handed over, so
// that every export can say where its file was written (the data folder is not one a user knows by heart),
// and whether an application took it. Folders pass straight through. The desktop launcher must outlive it.
// GUI thread only.
class ReportingLauncher final : public QObject, public Launcher {
    Q_OBJECT
public:
    explicit ReportingLauncher(Launcher& desktop, QObject* parent = nullptr);

    bool openTextFile(const QString& path) override;
    bool showSpreadsheet(const QString& path) override;
    bool openFolder(const QString& folder) override;
    // A file written without being handed over (a picture): the windows say where it went.
    void reportWritten(const QString& path) { emit fileWritten(path); }

signals:
    // After each written file was handed over: its path, and whether an application opened it.
    void fileHandedOver(const QString& path, bool opened);
    void fileWritten(const QString& path);

private:
    Launcher& m_desktop;
};

} // namespace korvel
