#include "session/ReportingLauncher.h"

namespace korvel {

ReportingLauncher::ReportingLauncher(Launcher& desktop, QObject* parent) : QObject(parent), m_desktop(desktop) {}

bool ReportingLauncher::openTextFile(const QString& path)
{
    const bool opened = m_desktop.openTextFile(path);
    emit fileHandedOver(path, opened);
    return opened;
}

bool ReportingLauncher::showSpreadsheet(const QString& path)
{
    const bool opened = m_desktop.showSpreadsheet(path);
    emit fileHandedOver(path, opened);
    return opened;
}

bool ReportingLauncher::openFolder(const QString& folder)
{
    return m_desktop.openFolder(folder);
}

} // namespace korvel
