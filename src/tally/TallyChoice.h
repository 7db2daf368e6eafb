#pragma once

#include "formula/FormulaKind.h"

#include <QString>

#include <cstdint>

namespace korvel {

// Scope of a tally: the position-free group play (通选, one tally from the current table) or one tally per
// position 1..p from the single-play tables (单选, 单双, 大小).
enum class TallyScope : std::uint8_t { Group, PerPosition };
// "最优公式法" or "计算选中公式".
enum class TallyMethod : std::uint8_t { Best, Selected };
// "计算下期结果" (on the newest draw) or "验证历史结果" (on the draw before the verify issue).
enum class TallyMode : std::uint8_t { Next, Verify };
// The category plays that fold the digits in the per-position view.
enum class CategoryPlay : std::uint8_t { None, OddEven, BigSmall };
// The three result windows.
enum class ResultView : std::uint8_t { Group, PerPosition, PerPositionCategory };

// The choice panel as "计算公式(&C)" reads it, and what it dispatches to.
struct TallyChoice {
    int position = 3;                           // "位数选择": 个位 1, 十位 2, 百位 3
    bool groupPlay = false;                     // "玩法选择" is "通选"
    CategoryPlay category = CategoryPlay::None; // "单双" / "大小" (then groupPlay is false)
    bool kill = true;                           // sense 杀 / 生
    TallyMethod method = TallyMethod::Best;
    TallyMode mode = TallyMode::Next;

    TallyScope scope() const { return groupPlay ? TallyScope::Group : TallyScope::PerPosition; }
    // 0 for 通选 else 1, + 2 for "计算选中公式", + 4 for "验证历史结果".
    int selector() const;
    ResultView view() const;
    // "详细结果列表(&D)" is shown only after a group tally of the selected formulas.
    bool detailListVisible() const { return groupPlay && method == TallyMethod::Selected; }
    // "计算" + issue + "期结果排序", or "验证" + issue + "期结果排序" for a per-position verify run. The
    // issue is the next issue in next mode and the verify issue in verify mode.
    QString caption(const QString& nextIssue, const QString& verifyIssue) const;
    // The table of a group tally ("Gongshi" + p + "G").
    FormulaKind groupKind() const { return FormulaKind{position, Play::Group}; }
    // Slots a run computes: slot 0 for the group scope, 1..p per position.
    int firstSlot() const { return groupPlay ? 0 : 1; }
    int lastSlot() const { return groupPlay ? 0 : position; }
};

} // namespace korvel
