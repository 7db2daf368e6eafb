#include "settings/PrizeTable.h"

#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "settings/Options.h"

#include <array>

namespace korvel {

namespace {

const QString kDirectPrizeKey = QStringLiteral("ZxJj");
const QString kGroup3PrizeKey = QStringLiteral("Z3Jj");
const QString kGroup6PrizeKey = QStringLiteral("Z6Jj");
const QString kStakeKey = QStringLiteral("TzJe");

} // namespace

PrizeTable PrizeTable::load(const SettingsStore& store)
{
    const QString& s = Options::section();
    const PrizeTable defaults;
    PrizeTable t;
    t.direct = store.intValue(s, kDirectPrizeKey, defaults.direct);
    t.group3 = store.intValue(s, kGroup3PrizeKey, defaults.group3);
    t.group6 = store.intValue(s, kGroup6PrizeKey, defaults.group6);
    t.stake = store.intValue(s, kStakeKey, defaults.stake);
    return t;
}

void PrizeTable::store(SettingsStore& store) const
{
    const QString& s = Options::section();
    store.setInt(s, kDirectPrizeKey, direct);
    store.setInt(s, kGroup3PrizeKey, group3);
    store.setInt(s, kGroup6PrizeKey, group6);
    store.setInt(s, kStakeKey, stake);
}

QString PrizeTable::problem() const
{
    const std::array<std::pair<int, const char16_t*>, 4> amounts = {
        {{direct, u"直选奖金"}, {group3, u"组三奖金"}, {group6, u"组六奖金"}, {stake, u"每注金额"}}};
    for (const auto& [value, name] : amounts) {
        if (value <= 0) {
            return QStringLiteral("%1为 %2 元：奖金和每注金额都必须大于 0，请在“设置”菜单的“奖金设置”中改正。")
                .arg(QString::fromUtf16(name))
                .arg(value);
        }
    }
    return {};
}

bool askPrizeTable(SettingsStore& store, Dialogs& dialogs)
{
    PrizeTable table = PrizeTable::load(store);
    const QString title = QStringLiteral("奖金设置");
    const std::array<std::pair<int*, const char16_t*>, 4> fields = {{{&table.direct, u"直选每注奖金（元）"},
                                                                     {&table.group3, u"组三每注奖金（元）"},
                                                                     {&table.group6, u"组六每注奖金（元）"},
                                                                     {&table.stake, u"每注投注金额（元）"}}};
    for (const auto& [value, prompt] : fields) {
        for (;;) {
            const std::optional<QString> answer =
                dialogs.input(title, QString::fromUtf16(prompt), QString::number(*value > 0 ? *value : 1));
            if (!answer || answer->trimmed().isEmpty()) {
                return false;
            }
            bool ok = false;
            const int v = answer->trimmed().toInt(&ok);
            if (ok && v > 0 && v <= 100'000'000) {
                *value = v;
                break;
            }
            dialogs.message(QStringLiteral("输入有误"), QStringLiteral("请输入大于 0 的整数（元）。"),
                            Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        }
    }
    table.store(store);
    return true;
}

} // namespace korvel
