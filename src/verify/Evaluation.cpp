#include "verify/Evaluation.h"

#include "formula/Expression.h"
#include "formula/SimdClones.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"

#include <algorithm>
#include <array>

namespace korvel {

int evaluationWindowStart(int drawCount, int windowDraws, bool excludeCurrent)
{
    if (windowDraws <= 0) {
        return std::min(1, std::max(drawCount, 0));
    }
    const int skip = excludeCurrent ? drawCount - windowDraws : drawCount - windowDraws - 1;
    return skip < 1 ? 0 : skip;
}

std::optional<double> FormulaEvaluation::value(int row) const
{
    if (row < valueFirst || row >= end) {
        return std::nullopt;
    }
    const auto i = static_cast<std::size_t>(row - valueFirst);
    if (!values.valid[i]) {
        return std::nullopt;
    }
    return values.value[i];
}

std::optional<std::int32_t> FormulaEvaluation::intValueAt(int row) const
{
    if (row < valueFirst || row >= end) {
        return std::nullopt;
    }
    const auto i = static_cast<std::size_t>(row - valueFirst);
    if (!intValueValid[i]) {
        return std::nullopt;
    }
    return intValues[i];
}

std::optional<std::int32_t> FormulaEvaluation::carriedValue(int row) const
{
    if (row < 1 || row < hitFirst) {
        return std::nullopt;
    }
    return intValueAt(row - 1);
}

std::optional<int> FormulaEvaluation::remainder(int row) const
{
    const auto p = carriedValue(row);
    if (!p) {
        return std::nullopt;
    }
    return predictedRemainder(*p);
}

std::span<const std::uint8_t> FormulaEvaluation::hitsFrom(int from) const
{
    const int start = std::clamp(from, hitFirst, end);
    return std::span<const std::uint8_t>(hits).subspan(static_cast<std::size_t>(start - hitFirst));
}

std::optional<int> FormulaEvaluation::displayValue(int row, DisplayColumn column) const
{
    const auto v = column == DisplayColumn::CurrentIssue ? intValueAt(row) : carriedValue(row);
    if (!v) {
        return std::nullopt;
    }
    return predictedRemainder(*v);
}

void FormulaEvaluation::displayValues(DisplayColumn column, std::span<std::int8_t> out) const
{
    const int n = std::min(end, static_cast<int>(out.size()));
    // Row r shows the digit of value row r (current-issue display) or of r - 1 (next-issue display).
    const int shift = column == DisplayColumn::CurrentIssue ? 0 : 1;
    const int from = column == DisplayColumn::CurrentIssue ? valueFirst : std::max(hitFirst, 1);
    std::fill(out.begin(), out.begin() + std::clamp(from, 0, n), kNoDisplay);
    if (from >= n) {
        return;
    }
    const std::int16_t* __restrict dg = digits.data() + (from - shift - valueFirst);
    const std::uint8_t* __restrict ok = intValueValid.data() + (from - shift - valueFirst);
    std::int8_t* __restrict o = out.data() + from;
    for (int k = 0; k < n - from; ++k) {
        o[k] = ok[k] ? static_cast<std::int8_t>(dg[k]) : kNoDisplay;
    }
}

std::optional<int> FormulaEvaluation::nextValue() const
{
    const auto v = intValueAt(end - 1);
    if (!v) {
        return std::nullopt;
    }
    return predictedRemainder(*v);
}

FormulaEvaluation EvaluateFormula(const HistorySnapshot& snapshot, const Expression& expression,
                                  const FormulaKind& kind, bool kill, int hitFirst)
{
    FormulaEvaluation out;
    EvaluateFormula(snapshot, expression, kind, kill, hitFirst, out);
    return out;
}

KORVEL_SIMD_CLONES
void EvaluateFormula(const HistorySnapshot& snapshot, const Expression& expression, const FormulaKind& kind, bool kill,
                     int hitFirst, FormulaEvaluation& out)
{
    const int n = snapshot.size();
    hitFirst = std::clamp(hitFirst, 0, n);
    out.hitFirst = hitFirst;
    out.valueFirst = std::max(0, hitFirst - 1);
    out.end = n;
    out.evaluable = expression.ok();
    out.error = expression.error();

    expression.evaluate(snapshot, out.valueFirst, n, out.values);
    const int values = n - out.valueFirst;
    out.intValues.resize(static_cast<std::size_t>(values));
    out.intValueValid.resize(static_cast<std::size_t>(values));
    out.digits.resize(static_cast<std::size_t>(values));
    // A value outside the 32-bit range is empty.
    readValues(out.values.value.data(), out.values.valid.data(), values, out.intValues.data(), out.digits.data(),
               out.intValueValid.data());

    // Row r's verdict reads the value of row r - 1; row 0 has no prediction and stays a miss.
    const int hits = n - hitFirst;
    out.hits.assign(static_cast<std::size_t>(hits), std::uint8_t{0});
    const int firstJudged = std::max(hitFirst, 1);
    const int judged = n - firstJudged;
    if (judged <= 0) {
        return;
    }
    const std::int16_t* digit = out.digits.data() + (firstJudged - 1 - out.valueFirst);
    const std::uint8_t* valid = out.intValueValid.data() + (firstJudged - 1 - out.valueFirst);
    std::uint8_t* hit = out.hits.data() + (firstJudged - hitFirst);
    const std::array<const std::int16_t*, 3> drawn = {snapshot.column(Param::L1A).data() + firstJudged,
                                                      snapshot.column(Param::L2A).data() + firstJudged,
                                                      snapshot.column(Param::L3A).data() + firstJudged};
    judgeRows(kind, kill, digit, valid, drawn, judged, hit);
}

std::optional<int> NextValue(const HistorySnapshot& snapshot, const Expression& expression)
{
    if (snapshot.empty()) {
        return std::nullopt;
    }
    return valueRemainder(expression.evaluateRow(snapshot, snapshot.size() - 1));
}

} // namespace korvel
