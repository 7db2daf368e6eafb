#pragma once

#include <QString>

#include <optional>

namespace korvel {
class SettingsStore;
}

namespace korvel::cli {

// The options of section "IniSetting" as the command line reads and writes them: through Options, so that
// a value is stored in the form the window stores it and only values the window's menus can choose are
// accepted.
struct SettingKey {
    QString section;
    QString key;
};

// "SECTION/KEY"; a usage error for any other form.
SettingKey parseSettingKey(const QString& text);

// The value of a key of IniSetting that the store does not hold: the default the window starts with.
// nullopt for keys the window does not know.
std::optional<QString> defaultSetting(SettingsStore& store, const SettingKey& key);

// Writes a value. A known key of IniSetting is checked and written by its option; any other key is stored
// as given. A usage error for a value the option does not take. Returns the text stored.
QString writeSetting(SettingsStore& store, const SettingKey& key, const QString& value);

// The keys of IniSetting, in the order the window reads them.
const QStringList& optionKeys();

} // namespace korvel::cli
