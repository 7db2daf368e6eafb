#include "gui/AboutDialog.h"

#include "session/AboutFacts.h"
#include "session/Session.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {

AboutDialog::AboutDialog(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_facts(new QLabel(this)),
      m_openFolder(new QPushButton(QStringLiteral("打开数据文件夹(&O)"), this))
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("关于"));

    auto* layout = new QVBoxLayout(this);
    m_facts->setObjectName(QStringLiteral("aboutFacts"));
    m_facts->setText(AboutFacts::of(session).text());
    m_facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_facts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    m_openFolder->setObjectName(QStringLiteral("openDataFolderButton"));
    buttons->addButton(m_openFolder, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_openFolder, &QPushButton::clicked, this, &AboutDialog::openDataFolder);
}

void AboutDialog::openDataFolder()
{
    const QString folder = m_session.dataFolder();
    if (!m_session.launcher().openFolder(folder)) {
        m_session.dialogs().message(
            QStringLiteral("关于"),
            QStringLiteral("没有可以打开文件夹“%1”的程序。").arg(QDir::toNativeSeparators(folder)),
            Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
}

} // namespace korvel
