#include "platform/SettingsStore.h"

namespace korvel {

namespace {
QString path(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}
} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("3VER"),
                                             QStringLiteral("3VER")))
{
}

SettingsStore::SettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

bool SettingsStore::contains(const QString& section, const QString& key) const
{
    return m_settings->contains(path(section, key));
}

QString SettingsStore::value(const QString& section, const QString& key, const QString& defaultValue) const
{
    return m_settings->value(path(section, key), defaultValue).toString();
}

void SettingsStore::setValue(const QString& section, const QString& key, const QString& value)
{
    m_settings->setValue(path(section, key), value);
    m_settings->sync();
    m_lastWriteSaved = m_settings->status() == QSettings::NoError;
}

void SettingsStore::remove(const QString& section, const QString& key)
{
    m_settings->remove(path(section, key));
    m_settings->sync();
    m_lastWriteSaved = m_settings->status() == QSettings::NoError;
}

QStringList SettingsStore::sections() const
{
    return m_settings->childGroups();
}

QStringList SettingsStore::keys(const QString& section) const
{
    m_settings->beginGroup(section);
    const QStringList k = m_settings->childKeys();
    m_settings->endGroup();
    return k;
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}

int SettingsStore::intValue(const QString& section, const QString& key, int defaultValue) const
{
    if (!contains(section, key)) {
        return defaultValue;
    }
    bool ok = false;
    const double v = value(section, key).trimmed().toDouble(&ok);
    return ok ? static_cast<int>(qRound(v)) : 0;
}

bool SettingsStore::boolValue(const QString& section, const QString& key, bool defaultValue) const
{
    if (!contains(section, key)) {
        return defaultValue;
    }
    const QString v = value(section, key).trimmed();
    if (v.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (v.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    bool ok = false;
    const double n = v.toDouble(&ok);
    return ok && n != 0.0;
}

void SettingsStore::setInt(const QString& section, const QString& key, int value)
{
    setValue(section, key, QString::number(value));
}

void SettingsStore::setBool(const QString& section, const QString& key, bool value)
{
    setValue(section, key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

} // namespace korvel
