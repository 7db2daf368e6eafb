#include "gui/widgets/ExportNotice.h"

#include "platform/Dialogs.h"
#include "session/ReportingLauncher.h"
#include "session/Session.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace korvel {

ExportNotice::ExportNotice(Session& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_text(new QLabel(this)),
      m_openFolder(new QPushButton(QStringLiteral("打开所在文件夹"), this))
{
    setObjectName(QStringLiteral("exportNotice"));
    m_text->setObjectName(QStringLiteral("exportNoticeText"));
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_openFolder->setObjectName(QStringLiteral("openExportFolderButton"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_openFolder);
    setVisible(false);

    connect(&m_session.reportingLauncher(), &ReportingLauncher::fileHandedOver, this, &ExportNotice::show);
    connect(&m_session.reportingLauncher(), &ReportingLauncher::fileWritten, this,
            [this](const QString& path) { show(path, true); });
    connect(m_openFolder, &QPushButton::clicked, this, &ExportNotice::openFolder);
}

QString ExportNotice::text() const
{
    return m_text->text();
}

void ExportNotice::show(const QString& path, bool opened)
{
    const QFileInfo file(path);
    m_folder = file.absolutePath();
    const QString where = QDir::toNativeSeparators(file.absoluteFilePath());
    m_text->setText(opened ? QStringLiteral("文件已写入：%1").arg(where)
                           : QStringLiteral("文件已写入：%1（没有可以打开它的应用程序）").arg(where));
    m_text->setToolTip(where);
    setVisible(true);
}

void ExportNotice::openFolder()
{
    if (m_folder.isEmpty() || m_session.launcher().openFolder(m_folder)) {
        return;
    }
    m_session.dialogs().message(
        QStringLiteral("打开所在文件夹"),
        QStringLiteral("没有可以打开文件夹“%1”的应用程序。").arg(QDir::toNativeSeparators(m_folder)),
        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

} // namespace korvel
