#pragma once

#include <QProgressDialog>
#include <QString>

namespace korvel {

// A window-modal progress dialog for a download whose size is not known yet: shown at once, a busy bar,
// "取消", and it stays open until the caller closes it (no automatic close or reset at the maximum).
inline void setUpDownloadProgress(QProgressDialog& progress, const QString& objectName, const QString& title,
                                  const QString& label)
{
    progress.setObjectName(objectName);
    progress.setWindowTitle(title);
    progress.setLabelText(label);
    progress.setCancelButtonText(QStringLiteral("取消"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setRange(0, 0);
}

} // namespace korvel
