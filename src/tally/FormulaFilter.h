#pragma once

#include "formula/Formula.h"

#include <QString>

#include <array>

namespace korvel {

class Dialogs;
class FormulaList;

// The filter of "公式过滤设置窗口": five ranges, one per statistic, that remove from the selection of the
// formula list every formula whose figure falls outside them. It only ever clears flags; a formula that was
// not selected stays unselected.
//
// The ten boxes hold the texts as typed: box 2i is the lower and box 2i + 1 the upper bound of statistic i
// (0 "正确率", 1 "最大连错", 2 "最大连对", 3 "最后连错", 4 "最后连对"). A bound reads as the leading number
// of its text, 0 when there is none.
class FormulaFilter {
public:
    static constexpr int kStatCount = 5;
    static constexpr int kBoxCount = 2 * kStatCount;
    using Boxes = std::array<QString, kBoxCount>;

    // Caption of statistic i ("正确率", "最大连错", ...).
    static QString statisticName(int i);
    // The statistic's value of a formula (the rate in percent).
    static double statisticValue(const FormulaStats& stats, int i);

    // The ranges spanned by the selected formulas of the list: minimum in the lower, maximum in the upper
    // box. With none selected: rate 100 到 0, the runs 32767 到 0.
    static Boxes prefill(const FormulaList& list);

    // Clears the flag of every formula outside a range (with a tolerance of 0.0001; for the rate the bounds
    // are rounded to single precision first, as the rate itself is) and returns the number of formulas
    // still selected.
    static int apply(FormulaList& list, const Boxes& boxes);
    // "确定(&K)": apply(), then the message "过滤后公式剩余" + count + "条" titled "公式过滤结果".
    static int confirm(FormulaList& list, const Boxes& boxes, Dialogs& dialogs);
};

} // namespace korvel
