#include "cli/CliContext.h"

#include "session/Session.h"
#include "cli/CliError.h"
#include "platform/DataFolder.h"
#include "platform/SettingsStore.h"

#include <QDir>

namespace korvel::cli {

CliContext::CliContext(GlobalOptions options, QTextStream& out, QTextStream& err)
    : m_options(std::move(options)), m_out(out), m_err(err), m_dialogs(err, m_options.yes)
{
}

CliContext::~CliContext() = default;

SettingsStore& CliContext::settings()
{
    if (!m_settings) {
        m_settings = m_options.settingsFile.isEmpty() ? std::make_unique<SettingsStore>()
                                                      : std::make_unique<SettingsStore>(m_options.settingsFile);
    }
    return *m_settings;
}

Session& CliContext::session()
{
    if (m_session) {
        return *m_session;
    }
    QStringList folderArguments;
    if (!m_options.dataDir.isEmpty()) {
        folderArguments << QStringLiteral("--data-dir") << m_options.dataDir;
    }
    const DataFolder folder = DataFolder::resolve(folderArguments);
    QString error;
    if (!folder.ensureExists(&error)) {
        failure(QStringLiteral("the data folder %1 cannot be used: %2")
                    .arg(QDir::toNativeSeparators(folder.path()), error));
    }
    auto session = std::make_unique<Session>(settings(), m_dialogs, m_launcher);
    session->start(folder.path());
    if (!session->databaseOpen()) {
        failure(
            QStringLiteral("the database %1 could not be opened").arg(QDir::toNativeSeparators(folder.databasePath())));
    }
    m_session = std::move(session);
    return *m_session;
}

void CliContext::note(const QString& line)
{
    m_err << line << '\n';
    m_err.flush();
}

} // namespace korvel::cli
