#pragma once

#include "platform/Launcher.h"

#include <QStringList>

namespace korvel::cli {

// The command line starts no editor and no spreadsheet application: it notes the files the window would
// have opened, and the command prints their paths.
class CliLauncher : public Launcher {
public:
    bool openTextFile(const QString& path) override
    {
        m_files << path;
        return true;
    }
    bool showSpreadsheet(const QString& path) override
    {
        m_files << path;
        return true;
    }
    bool openFolder(const QString& path) override
    {
        m_files << path;
        return true;
    }

    const QStringList& files() const { return m_files; }

private:
    QStringList m_files;
};

} // namespace korvel::cli
