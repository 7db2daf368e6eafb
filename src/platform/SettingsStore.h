#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace korvel {

// The per-user settings store of application "3VER": text values addressed by section and key, kept in an
// INI file. Values are written at once (each change is synced), so nothing needs saving at exit.
class SettingsStore {
public:
    // Default: the per-user "3VER" INI file. Tests and the command line pass a file of their own.
    SettingsStore();
    explicit SettingsStore(const QString& iniFile);

    bool contains(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    void remove(const QString& section, const QString& key);
    QStringList sections() const;
    QStringList keys(const QString& section) const;
    QString fileName() const;
    // False when the last write could not be saved to the file (the value is then held in memory only).
    bool lastWriteSaved() const { return m_lastWriteSaved; }

    // Typed reads with the conversion rules of the store: a value that does not convert gives 0 / false.
    int intValue(const QString& section, const QString& key, int defaultValue) const;
    bool boolValue(const QString& section, const QString& key, bool defaultValue) const;
    void setInt(const QString& section, const QString& key, int value);
    void setBool(const QString& section, const QString& key, bool value);

private:
    std::unique_ptr<QSettings> m_settings;
    bool m_lastWriteSaved = true;
};

} // namespace korvel
