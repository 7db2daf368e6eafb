#include "search/ThresholdTable.h"

#include "platform/SettingsStore.h"
#include "platform/TextNumber.h"
#include "search/SearchKind.h"
#include "search/SearchText.h"

namespace korvel {

namespace {

using Row = std::array<float, kThresholdSlots>;

// Defaults per sense for the single plays (kinds 1-3), 十位通选 (5) and 百位通选 (6).
constexpr Row kKillSingle = {94.6f, 100, 0, 2, 48, 32768, 0, 0, 32, 32768};
constexpr Row kKillGroup2 = {86, 100, 0, 2, 32, 32768, 0, 0, 6, 32768};
constexpr Row kKillGroup3 = {80, 100, 0, 3, 16, 32768, 0, 0, 8, 32768};
constexpr Row kKeepSingle = {12, 100, 0, 28, 2, 32768, 0, 0, 2, 32768};
constexpr Row kKeepGroup2 = {26, 100, 0, 16, 3, 32768, 0, 0, 2, 32768};
constexpr Row kKeepGroup3 = {34, 100, 0, 12, 4, 32768, 0, 0, 2, 32768};

bool searched(int kindNumber)
{
    return formulaKindOf(kindNumber).has_value();
}

} // namespace

Thresholds Thresholds::fromTexts(const std::array<QString, kThresholdSlots>& texts)
{
    Thresholds t;
    for (int i = 0; i < kThresholdSlots; ++i) {
        t.value[static_cast<std::size_t>(i)] = textValue(texts[static_cast<std::size_t>(i)]);
    }
    return t;
}

ThresholdTable::ThresholdTable()
{
    for (int kind : kSearchedKindNumbers) {
        for (int slot = 0; slot < kThresholdSlots; ++slot) {
            for (bool kill : {true, false}) {
                m_values[static_cast<std::size_t>(index(kind, slot, kill))] = defaultValue(kind, slot, kill);
            }
        }
    }
}

int ThresholdTable::index(int kindNumber, int slot, bool kill)
{
    return ((kindNumber - 1) * kThresholdSlots + slot) * 2 + (kill ? 0 : 1);
}

float ThresholdTable::defaultValue(int kindNumber, int slot, bool kill)
{
    if (!searched(kindNumber) || slot < 0 || slot >= kThresholdSlots) {
        return 0.0f;
    }
    const Row* row = nullptr;
    if (kindNumber <= 3) {
        row = kill ? &kKillSingle : &kKeepSingle;
    } else if (kindNumber == 5) {
        row = kill ? &kKillGroup2 : &kKeepGroup2;
    } else {
        row = kill ? &kKillGroup3 : &kKeepGroup3;
    }
    return (*row)[static_cast<std::size_t>(slot)];
}

float ThresholdTable::value(int kindNumber, int slot, bool kill) const
{
    if (kindNumber < 1 || kindNumber > 6 || slot < 0 || slot >= kThresholdSlots) {
        return 0.0f;
    }
    return m_values[static_cast<std::size_t>(index(kindNumber, slot, kill))];
}

void ThresholdTable::setValue(int kindNumber, int slot, bool kill, float value)
{
    if (!searched(kindNumber) || slot < 0 || slot >= kThresholdSlots) {
        return;
    }
    m_values[static_cast<std::size_t>(index(kindNumber, slot, kill))] = value;
}

std::array<float, kThresholdSlots> ThresholdTable::row(int kindNumber, bool kill) const
{
    Row r{};
    for (int slot = 0; slot < kThresholdSlots; ++slot) {
        r[static_cast<std::size_t>(slot)] = value(kindNumber, slot, kill);
    }
    return r;
}

std::array<QString, kThresholdSlots> ThresholdTable::texts(int kindNumber, bool kill) const
{
    std::array<QString, kThresholdSlots> t;
    for (int slot = 0; slot < kThresholdSlots; ++slot) {
        t[static_cast<std::size_t>(slot)] = floatText(value(kindNumber, slot, kill));
    }
    return t;
}

QString ThresholdTable::section(int kindNumber)
{
    return QString::number(kindNumber - 1);
}

QString ThresholdTable::key(int slot, bool kill)
{
    return QString::number(slot + (kill ? 0 : 10));
}

void ThresholdTable::load(const SettingsStore& store)
{
    for (int kind : kSearchedKindNumbers) {
        for (bool kill : {true, false}) {
            for (int slot = 0; slot < kThresholdSlots; ++slot) {
                float v = defaultValue(kind, slot, kill);
                if (store.contains(section(kind), key(slot, kill))) {
                    v = static_cast<float>(textValue(store.value(section(kind), key(slot, kill))));
                }
                setValue(kind, slot, kill, v);
            }
        }
    }
}

void ThresholdTable::save(SettingsStore& store, int kindNumber, bool kill,
                          const std::array<QString, kThresholdSlots>& fields)
{
    if (!searched(kindNumber)) {
        return;
    }
    for (int slot = 0; slot < kThresholdSlots; ++slot) {
        const double number = textValue(fields[static_cast<std::size_t>(slot)]);
        setValue(kindNumber, slot, kill, static_cast<float>(number));
        store.setValue(section(kindNumber), key(slot, kill), numberText(number));
    }
}

} // namespace korvel
