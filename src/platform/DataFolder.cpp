#include "platform/DataFolder.h"

#include <QDir>
#include <QStandardPaths>

namespace korvel {

DataFolder DataFolder::resolve(const QStringList& arguments)
{
    DataFolder f;
    const QString flag = QStringLiteral("--data-dir");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == flag && i + 1 < arguments.size()) {
            f.m_path = arguments[i + 1];
        } else if (a.startsWith(flag + QLatin1Char('='))) {
            f.m_path = a.mid(flag.size() + 1);
        }
    }
    if (!f.m_path.isEmpty()) {
        f.m_source = Source::Argument;
    } else if (const QString env = qEnvironmentVariable("KORVEL_DATA_DIR"); !env.isEmpty()) {
        f.m_path = env;
        f.m_source = Source::Environment;
    } else {
        f.m_path = defaultPath();
        f.m_source = Source::Default;
    }
    f.m_path = QDir::cleanPath(QDir(f.m_path).absolutePath());
    return f;
}

QString DataFolder::defaultPath()
{
    // Not AppDataLocation: that depends on the application and organisation names set at run time, and the
    // folder must be the same for the program, the command line and their tests.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/3VER");
}

QString DataFolder::filePath(const QString& fileName) const
{
    return QDir(m_path).filePath(fileName);
}

bool DataFolder::ensureExists(QString* error) const
{
    if (QDir().mkpath(m_path)) {
        return true;
    }
    if (error) {
        *error = QStringLiteral("无法创建数据文件夹 %1").arg(m_path);
    }
    return false;
}

} // namespace korvel
