#pragma once

#include <QString>

#include <array>

namespace korvel {

class SettingsStore;

// The ten threshold slots of a kind and sense: five rows of a lower and an upper bound.
//   0, 1 正确率 (rate, percent)   2, 3 最大连错   4, 5 最大连对   6, 7 最后连错   8, 9 最后连对
// 32768 in an upper slot stands for "no upper bound".
inline constexpr int kThresholdSlots = 10;

// The numbers a search compares against, read from the ten threshold field texts when the search starts
// (the threshold snapshot): each text's leading number, 0 when it has none.
struct Thresholds {
    std::array<double, kThresholdSlots> value{};

    static Thresholds fromTexts(const std::array<QString, kThresholdSlots>& texts);
};

// The threshold table of the search: a single-precision value per (kind number 1..6, slot, sense), filled
// from the settings store (sections "0".."5" = kind number - 1, keys "0".."9" for 杀 and "10".."19" for 生)
// with the built-in defaults where the store has no value. Kind 4 is never searched and stays 0.
class ThresholdTable {
public:
    // A table holding the defaults.
    ThresholdTable();

    float value(int kindNumber, int slot, bool kill) const;
    void setValue(int kindNumber, int slot, bool kill, float value);
    std::array<float, kThresholdSlots> row(int kindNumber, bool kill) const;
    // The ten field texts of a kind and sense as the window shows them ("94.6", "32768").
    std::array<QString, kThresholdSlots> texts(int kindNumber, bool kill) const;

    // The built-in value of a slot (0 for kind 4 and out-of-range arguments).
    static float defaultValue(int kindNumber, int slot, bool kill);

    // Reads kinds 1, 2, 3, 5, 6, both senses, from the store (defaults where a key is missing).
    void load(const SettingsStore& store);

    // "保存当前种类参数设置", thresholds part: each field's number into the table (as single) and into the
    // store as the decimal text of that number. The operand count is saved by SearchSettings.
    void save(SettingsStore& store, int kindNumber, bool kill, const std::array<QString, kThresholdSlots>& fields);

    static QString section(int kindNumber);  // "0".."5"
    static QString key(int slot, bool kill); // "0".."9" / "10".."19"

private:
    static int index(int kindNumber, int slot, bool kill);
    std::array<float, 10 * kThresholdSlots * 2> m_values{};
};

} // namespace korvel
