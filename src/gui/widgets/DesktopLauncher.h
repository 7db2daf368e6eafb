#pragma once

#include "platform/Launcher.h"

#include <QString>

#include <memory>
#include <vector>

class QProcess;

namespace korvel {

// Opens written files with the desktop's default application for their type (the text editor for .txt, the
// spreadsheet program for .xls), and folders with the file manager, as the user's desktop is configured.
//
// On X11 and Wayland desktops the opener is xdg-open, whose exit status is the only word on whether an
// application took the file (Qt's openUrl only tells that xdg-open started). The launcher waits for it a
// short while, repainting but taking no input meanwhile: a non-zero status (no handler, the handler failed)
// is a failure; an opener still running then has started an application in its foreground and counts as
// opened (it is left to run). Elsewhere Qt's openUrl answers. GUI thread only.
class DesktopLauncher final : public Launcher {
public:
    DesktopLauncher();
    ~DesktopLauncher() override;

    bool openTextFile(const QString& path) override;
    bool showSpreadsheet(const QString& path) override;
    bool openFolder(const QString& folder) override;

    // How long an opener is waited for before it counts as having started an application.
    static constexpr int kOpenerWaitMs = 1500;

private:
    bool open(const QString& path);
    bool runOpener(const QString& program, const QString& path);

    std::vector<std::unique_ptr<QProcess>> m_running; // openers still in the foreground of an application
};

} // namespace korvel
