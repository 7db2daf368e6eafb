#pragma once

#include "search/ThresholdTable.h"

#include <QString>

#include <array>
#include <cstdint>

namespace korvel {

class SettingsStore;

// "公式末尾偏移常数": 指定 (the value field's number) or 随机 (a digit 0-9 per candidate).
enum class ConstantMode { Specified, Random };
// "公式形式": "[Xxx类]A+B" or "A+B=下期杀xx".
enum class DisplayForm { Bracket, Equation };
// Meaning of the scheme quotas: "公式保有数量" (the table should end with at least the quota) or
// "公式新增数量" (the quota is the number of new formulas).
enum class QuotaMode { Hold, Add };

inline constexpr int kMinOperands = 2;
inline constexpr int kMaxOperands = 24;
inline constexpr int kDefaultOperands = 8;

// How candidates are built (read when a search starts).
struct CandidateSettings {
    int operandCount = kDefaultOperands; // 2..24
    ConstantMode constantMode = ConstantMode::Specified;
    QString constantText = QStringLiteral("0");
    DisplayForm form = DisplayForm::Bracket;
};

// Per-kind operand count under (kind number, "text2"); default 8, a stored value outside 2..24 is brought
// into range.
int storedOperandCount(const SettingsStore& store, int kindNumber);
void storeOperandCount(SettingsStore& store, int kindNumber, int count);

// "留出最近 K 期检验": the number of newest draws a search leaves out of its verification and judges its
// found formulas on instead, under ("SSSZ", "LCQS"); default 0 (no hold-out), negative stored values read 0.
int storedHoldout(const SettingsStore& store);
void storeHoldout(SettingsStore& store, int draws);

// "穷举上限": a search whose space holds at most this many candidates tries every one of them, in order;
// under ("SSSZ", "QJSX"), default 50 million.
std::uint64_t storedExhaustiveLimit(const SettingsStore& store);
void storeExhaustiveLimit(SettingsStore& store, std::uint64_t limit);

// "允许引用前N期": operands may name the parameters of the N earlier draws (上期, 上上期, 前N期); under
// ("SSSZ", "QNQS"), 0 (off, the default) to 9.
int storedMaxLag(const SettingsStore& store);
void storeMaxLag(SettingsStore& store, int draws);

// "保存当前种类参数设置": the ten threshold fields into the table and the store, then the operand count.
void saveKindSettings(SettingsStore& store, ThresholdTable& table, int kindNumber, bool kill,
                      const std::array<QString, kThresholdSlots>& fields, int operandCount);

// The scheme settings of "公式自动搜索方案设置". Quota texts are indexed by kind number - 1; they are empty
// when the window opens, and the 通选个位 quota (kind 4) is not offered to the user.
struct SchemeSettings {
    std::array<QString, 6> quotas;
    QuotaMode mode = QuotaMode::Hold;
    bool autoAppend = true;   // "搜索完毕公式自动追加到数据库"
    bool autoReplace = false; // "搜索完毕公式自动更新到数据库"

    QString& quota(int kindNumber) { return quotas[static_cast<std::size_t>(kindNumber - 1)]; }
    const QString& quota(int kindNumber) const { return quotas[static_cast<std::size_t>(kindNumber - 1)]; }

    // Choosing 保有 checks append and clears replace; 新增 checks replace and clears append.
    void setMode(QuotaMode m);
    // At most one of the two boxes is checked: checking one clears the other.
    void setAutoAppend(bool checked);
    void setAutoReplace(bool checked);
};

// "保存设置": the six quota fields under "SSSZ", keys kind number (+ 10 for 生), each as the decimal text of
// its number. "调用设置": the six quotas read back (default "100"), the 通选个位 quota set to "0".
void saveQuotas(SettingsStore& store, bool kill, const std::array<QString, 6>& quotas);
std::array<QString, 6> loadQuotas(const SettingsStore& store, bool kill);
QString quotaKey(int kindNumber, bool kill);
inline const QString kQuotaSection = QStringLiteral("SSSZ");

// Existing formula counts indexed by kind number - 1 (kind 4 is 0).
using KindCounts = std::array<int, 6>;

// The needed total: per kind (kind 4's quota counted as 0), in 保有 mode quota - existing when the quota
// exceeds the existing count, in 新增 mode the quota; and the "公式总保有量" label figure: needed + existing
// total when the append box is checked, else needed.
double neededTotal(const SchemeSettings& scheme, const KindCounts& existing);
double totalHeld(const SchemeSettings& scheme, const KindCounts& existing);
int existingTotal(const KindCounts& existing);

} // namespace korvel
