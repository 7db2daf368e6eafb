#include "search/SearchSettings.h"

#include "platform/SettingsStore.h"
#include "platform/TextNumber.h"
#include "search/SearchKind.h"
#include "search/SearchText.h"

#include <algorithm>

namespace korvel {

namespace {
const QString kOperandKey = QStringLiteral("text2");
}

int storedOperandCount(const SettingsStore& store, int kindNumber)
{
    const QString section = QString::number(kindNumber);
    if (!store.contains(section, kOperandKey)) {
        return kDefaultOperands;
    }
    const double v = textValue(store.value(section, kOperandKey));
    return std::clamp(static_cast<int>(v), kMinOperands, kMaxOperands);
}

void storeOperandCount(SettingsStore& store, int kindNumber, int count)
{
    store.setValue(QString::number(kindNumber), kOperandKey, QString::number(count));
}

int storedHoldout(const SettingsStore& store)
{
    return std::max(0, static_cast<int>(textValue(store.value(kQuotaSection, QStringLiteral("LCQS")))));
}

void storeHoldout(SettingsStore& store, int draws)
{
    store.setValue(kQuotaSection, QStringLiteral("LCQS"), QString::number(std::max(0, draws)));
}

std::uint64_t storedExhaustiveLimit(const SettingsStore& store)
{
    const QString key = QStringLiteral("QJSX");
    if (!store.contains(kQuotaSection, key)) {
        return 50'000'000;
    }
    const double v = textValue(store.value(kQuotaSection, key));
    return v <= 0 ? 0 : static_cast<std::uint64_t>(std::min(v, 1e15));
}

void storeExhaustiveLimit(SettingsStore& store, std::uint64_t limit)
{
    store.setValue(kQuotaSection, QStringLiteral("QJSX"), QString::number(limit));
}

int storedMaxLag(const SettingsStore& store)
{
    return std::clamp(static_cast<int>(textValue(store.value(kQuotaSection, QStringLiteral("QNQS")))), 0, 9);
}

void storeMaxLag(SettingsStore& store, int draws)
{
    store.setValue(kQuotaSection, QStringLiteral("QNQS"), QString::number(std::clamp(draws, 0, 9)));
}

void saveKindSettings(SettingsStore& store, ThresholdTable& table, int kindNumber, bool kill,
                      const std::array<QString, kThresholdSlots>& fields, int operandCount)
{
    table.save(store, kindNumber, kill, fields);
    storeOperandCount(store, kindNumber, operandCount);
}

void SchemeSettings::setMode(QuotaMode m)
{
    mode = m;
    autoAppend = m == QuotaMode::Hold;
    autoReplace = m == QuotaMode::Add;
}

void SchemeSettings::setAutoAppend(bool checked)
{
    autoAppend = checked;
    if (checked) {
        autoReplace = false;
    }
}

void SchemeSettings::setAutoReplace(bool checked)
{
    autoReplace = checked;
    if (checked) {
        autoAppend = false;
    }
}

QString quotaKey(int kindNumber, bool kill)
{
    return QString::number(kindNumber + (kill ? 0 : 10));
}

void saveQuotas(SettingsStore& store, bool kill, const std::array<QString, 6>& quotas)
{
    for (int kind = 1; kind <= 6; ++kind) {
        store.setValue(kQuotaSection, quotaKey(kind, kill),
                       numberText(textValue(quotas[static_cast<std::size_t>(kind - 1)])));
    }
}

std::array<QString, 6> loadQuotas(const SettingsStore& store, bool kill)
{
    std::array<QString, 6> q;
    for (int kind = 1; kind <= 6; ++kind) {
        q[static_cast<std::size_t>(kind - 1)] = store.value(kQuotaSection, quotaKey(kind, kill), QStringLiteral("100"));
    }
    q[3] = QStringLiteral("0");
    return q;
}

double neededTotal(const SchemeSettings& scheme, const KindCounts& existing)
{
    double needed = 0;
    for (int kind = 1; kind <= 6; ++kind) {
        const double quota = kind == 4 ? 0.0 : textValue(scheme.quota(kind));
        const int have = existing[static_cast<std::size_t>(kind - 1)];
        if (scheme.mode == QuotaMode::Hold) {
            if (quota > have) {
                needed += quota - have;
            }
        } else {
            needed += quota;
        }
    }
    return needed;
}

int existingTotal(const KindCounts& existing)
{
    int total = 0;
    for (int kind : kSearchedKindNumbers) {
        total += existing[static_cast<std::size_t>(kind - 1)];
    }
    return total;
}

double totalHeld(const SchemeSettings& scheme, const KindCounts& existing)
{
    const double needed = neededTotal(scheme, existing);
    return scheme.autoAppend ? needed + existingTotal(existing) : needed;
}

} // namespace korvel
