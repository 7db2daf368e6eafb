#include "cli/SettingKeys.h"

#include "cli/Choices.h"
#include "cli/CliError.h"
#include "platform/SettingsStore.h"
#include "settings/Options.h"

#include <QStringList>

namespace korvel::cli {

namespace {

bool parseBool(const SettingKey& key, const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on") ||
        t == QLatin1String("1")) {
        return true;
    }
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off") ||
        t == QLatin1String("0")) {
        return false;
    }
    usageError(QStringLiteral("%1/%2: \"%3\" is not True or False").arg(key.section, key.key, text));
}

QString boolText(bool b)
{
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

const QStringList& optionKeys()
{
    static const QStringList keys = {QStringLiteral("GsZl"), QStringLiteral("IniSerchDay"), QStringLiteral("JSFF"),
                                     QStringLiteral("LsXs"), QStringLiteral("SyBq"),        QStringLiteral("ZqlJq"),
                                     QStringLiteral("JSQS")};
    return keys;
}

SettingKey parseSettingKey(const QString& text)
{
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash <= 0 || slash == text.size() - 1 || text.indexOf(QLatin1Char('/'), slash + 1) >= 0) {
        usageError(QStringLiteral("\"%1\" is not SECTION/KEY (for example IniSetting/JSQS)").arg(text));
    }
    return {text.left(slash), text.mid(slash + 1)};
}

std::optional<QString> defaultSetting(SettingsStore& store, const SettingKey& key)
{
    if (key.section != Options::section() || !optionKeys().contains(key.key)) {
        return std::nullopt;
    }
    const Options defaults(store); // not loaded: every option at its default
    const QString& k = key.key;
    if (k == QLatin1String("GsZl")) {
        return QString::number(defaults.game());
    }
    if (k == QLatin1String("IniSerchDay")) {
        return QString::number(defaults.searchYears());
    }
    if (k == QLatin1String("JSFF")) {
        return boolText(defaults.computeSelected());
    }
    if (k == QLatin1String("LsXs")) {
        return boolText(defaults.resultsAtCurrentIssue());
    }
    if (k == QLatin1String("SyBq")) {
        return boolText(defaults.excludeCurrent());
    }
    if (k == QLatin1String("ZqlJq")) {
        return boolText(defaults.weightedRate());
    }
    return QString::number(defaults.windowIndex());
}

QString writeSetting(SettingsStore& store, const SettingKey& key, const QString& value)
{
    if (key.section != Options::section() || !optionKeys().contains(key.key)) {
        store.setValue(key.section, key.key, value);
        return store.value(key.section, key.key);
    }
    Options options(store);
    const QString& k = key.key;
    const QString option = key.section + QLatin1Char('/') + k;
    if (k == QLatin1String("GsZl")) {
        const QString t = value.trimmed();
        if (t == QLatin1String("53") || t == Options::gameCaption(Options::kGameFc3d)) {
            options.setGame(Options::kGameFc3d);
        } else if (t == QLatin1String("3") || t == Options::gameCaption(Options::kGamePl3)) {
            options.setGame(Options::kGamePl3);
        } else {
            usageError(QStringLiteral("%1: \"%2\" is not a game (53 福彩3D or 3 体彩排列3)").arg(option, value));
        }
    } else if (k == QLatin1String("IniSerchDay")) {
        options.setSearchYears(parseInteger(option, value, 2, 10));
    } else if (k == QLatin1String("JSFF")) {
        options.setComputeSelected(parseBool(key, value));
    } else if (k == QLatin1String("LsXs")) {
        options.setResultsAtCurrentIssue(parseBool(key, value));
    } else if (k == QLatin1String("SyBq")) {
        options.setExcludeCurrent(parseBool(key, value));
    } else if (k == QLatin1String("ZqlJq")) {
        options.setWeightedRate(parseBool(key, value));
    } else {
        // The stored value is the item's index; the item's caption is taken too.
        bool isIndex = false;
        const int index = value.trimmed().toInt(&isIndex);
        if (isIndex && index >= 0 && index < Options::kWindowCount) {
            options.setWindowIndex(index);
        } else {
            int captioned = -1;
            for (int i = 0; i < Options::kWindowCount; ++i) {
                if (value.trimmed() == Options::windowCaption(i)) {
                    captioned = i;
                }
            }
            if (captioned < 0) {
                usageError(
                    QStringLiteral("%1: \"%2\" is not a window item (0 前所有期 ... 9 前3000期)").arg(option, value));
            }
            options.setWindowIndex(captioned);
        }
    }
    return store.value(key.section, key.key);
}

} // namespace korvel::cli
