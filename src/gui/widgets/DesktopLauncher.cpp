#include "gui/widgets/DesktopLauncher.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace korvel {

DesktopLauncher::DesktopLauncher() = default;

// An opener still running at exit is stopped; the application it started runs on by itself.
DesktopLauncher::~DesktopLauncher() = default;

bool DesktopLauncher::openTextFile(const QString& path)
{
    return QFileInfo(path).isFile() && open(path);
}

bool DesktopLauncher::showSpreadsheet(const QString& path)
{
    return QFileInfo(path).isFile() && open(path);
}

bool DesktopLauncher::openFolder(const QString& folder)
{
    return QFileInfo(folder).isDir() && open(folder);
}

bool DesktopLauncher::open(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty()) {
        return runOpener(xdgOpen, absolute);
    }
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(absolute));
}

bool DesktopLauncher::runOpener(const QString& program, const QString& path)
{
    std::erase_if(m_running, [](const std::unique_ptr<QProcess>& p) { return p->state() == QProcess::NotRunning; });
    auto opener = std::make_unique<QProcess>();
    // No pipes: an application the opener starts in its foreground must not die of a closed pipe later.
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    opener->start(program, {path});
    if (!opener->waitForStarted()) {
        return false;
    }
    QEventLoop wait;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &wait, &QEventLoop::quit);
    QObject::connect(opener.get(), &QProcess::finished, &wait, &QEventLoop::quit);
    timeout.start(kOpenerWaitMs);
    if (opener->state() != QProcess::NotRunning) {
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (opener->state() != QProcess::NotRunning) {
        m_running.push_back(std::move(opener));
        return true;
    }
    return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
}

} // namespace korvel
