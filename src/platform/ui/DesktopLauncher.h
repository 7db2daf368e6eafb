#pragma once

#include "platform/Launcher.h"

namespace korvel {

// Opens written files with the desktop's default application for their type (the text editor for .txt, the
// spreadsheet program for .xls), as the user's desktop is configured.
class DesktopLauncher final : public Launcher {
public:
    bool openTextFile(const QString& path) override;
    bool showSpreadsheet(const QString& path) override;
    bool openFolder(const QString& path) override;

private:
    static bool open(const QString& path);
};

} // namespace korvel
