#include "cli/CliContext.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "cli/SettingKeys.h"
#include "platform/SettingsStore.h"

#include <QDir>

namespace korvel::cli {

namespace {

class SettingsSetCommand : public Command {
public:
    QString name() const override { return QStringLiteral("settings set"); }
    QString summary() const override { return QStringLiteral("store a setting"); }
    QString help() const override
    {
        return QStringLiteral(
            "Usage: korvel-cli settings set SECTION/KEY VALUE\n"
            "\n"
            "Stores VALUE. The options of IniSetting take only what the window's menus can choose and are\n"
            "stored as the window stores them: GsZl 53 or 3 (or 福彩3D / 体彩排列3), IniSerchDay 2-10, JSQS\n"
            "0-9 or the item (前300期), JSFF, LsXs, SyBq, ZqlJq True or False. Other keys are stored as given.\n");
    }

    int run(const QStringList& argv, CliContext& context) override
    {
        static const OptionTable optionTable{
            {}, {opt::positional(QStringLiteral("SECTION/KEY")), opt::positional(QStringLiteral("VALUE"))}};
        const OptionValues args = optionTable.read(name(), argv);
        const QString keyText = *args.positional(QStringLiteral("SECTION/KEY"));
        const QString value = *args.positional(QStringLiteral("VALUE"));
        const SettingKey key = parseSettingKey(keyText);
        const QString stored = writeSetting(context.settings(), key, value);
        if (!context.settings().lastWriteSaved()) {
            failure(QStringLiteral("%1: the settings file %2 could not be written")
                        .arg(name(), QDir::toNativeSeparators(context.settings().fileName())));
        }
        context.document().set(QStringLiteral("key"), keyText);
        context.document().set(QStringLiteral("value"), stored);
        return 0;
    }
};

} // namespace

std::unique_ptr<Command> makeSettingsSetCommand()
{
    return std::make_unique<SettingsSetCommand>();
}

} // namespace korvel::cli
