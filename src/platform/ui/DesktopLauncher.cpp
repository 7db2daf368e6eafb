#include "platform/ui/DesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace korvel {

bool DesktopLauncher::openTextFile(const QString& path)
{
    return open(path);
}

bool DesktopLauncher::showSpreadsheet(const QString& path)
{
    return open(path);
}

bool DesktopLauncher::openFolder(const QString& path)
{
    if (!QFileInfo(path).isDir()) {
        return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

bool DesktopLauncher::open(const QString& path)
{
    // A missing file would open an editor on nothing, or an error page of the file manager.
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

} // namespace korvel
