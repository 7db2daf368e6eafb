#pragma once

#include "platform/Launcher.h"

#include <QString>
#include <QStringList>

namespace korvel::test {

// Launcher for tests: records every file handed to the desktop, starts nothing.
class RecordingLauncher : public Launcher {
public:
    bool openTextFile(const QString& path) override
    {
        textFiles << path;
        return result;
    }
    bool showSpreadsheet(const QString& path) override
    {
        spreadsheets << path;
        return result;
    }
    bool openFolder(const QString& path) override
    {
        folders << path;
        return result;
    }

    QStringList textFiles;
    QStringList spreadsheets;
    QStringList folders;
    bool result = true; // what the calls answer
};

} // namespace korvel::test
