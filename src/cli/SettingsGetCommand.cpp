#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "cli/SettingKeys.h"
#include "platform/SettingsStore.h"
#include "settings/Options.h"

namespace korvel::cli {

namespace {

class SettingsGetCommand : public Command {
public:
    QString name() const override { return QStringLiteral("settings get"); }
    QString summary() const override { return QStringLiteral("print stored settings"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli settings get [SECTION/KEY]\n"
            "\n"
            "Without a key: every option of IniSetting (its default where none is stored) and every other\n"
            "stored key. With a key: its value, e.g. IniSetting/JSQS (the window item, 0 前所有期 ... 9\n"
            "前3000期), 0/5 (a threshold of the search), SSSZ/1 (a scheme quota).\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{{}, {opt::optionalPositional(QStringLiteral("KEY"))}};
        const std::optional<QString> keyText = optionTable.read(name(), argv).positional(QStringLiteral("KEY"));
        SettingsStore& store = context.settings();
        Document& doc = context.document();

        if (keyText) {
            const SettingKey key = parseSettingKey(*keyText);
            const bool stored = store.contains(key.section, key.key);
            const std::optional<QString> fallback = defaultSetting(store, key);
            if (!stored && !fallback) {
                usageError(QStringLiteral("%1: %2 is not set").arg(name(), *keyText));
            }
            doc.set(QStringLiteral("key"), *keyText);
            doc.set(QStringLiteral("value"), stored ? store.value(key.section, key.key) : *fallback);
            doc.set(QStringLiteral("stored"), stored);
            return 0;
        }

        Table& t = doc.addTable(QStringLiteral("settings"), {{QStringLiteral("section"), QStringLiteral("section")},
                                                             {QStringLiteral("key"), QStringLiteral("key")},
                                                             {QStringLiteral("value"), QStringLiteral("value")},
                                                             {QStringLiteral("stored"), QStringLiteral("stored")}});
        for (const QString& k : optionKeys()) {
            const SettingKey key{Options::section(), k};
            const bool stored = store.contains(key.section, key.key);
            t.addRow({key.section, key.key, stored ? store.value(key.section, key.key) : *defaultSetting(store, key),
                      stored});
        }
        for (const QString& section : store.sections()) {
            for (const QString& k : store.keys(section)) {
                if (section == Options::section() && optionKeys().contains(k)) {
                    continue;
                }
                t.addRow({section, k, store.value(section, k), true});
            }
        }
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeSettingsGetCommand()
{
    return std::make_unique<SettingsGetCommand>();
}

} // namespace korvel::cli
