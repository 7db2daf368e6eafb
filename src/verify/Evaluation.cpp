#include "verify/Evaluation.h"

#include "formula/SimdClones.h"

#include <algorithm>

namespace korvel {

int evaluationWindowStart(int drawCount, int windowDraws, bool syBq)
{
    if (windowDraws <= 0) {
        return std::min(1, std::max(drawCount, 0));
    }
    const int skip = syBq ? drawCount - windowDraws : drawCount - windowDraws - 1;
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

std::optional<std::int32_t> FormulaEvaluation::canshuAt(int row) const
{
    if (row < valueFirst || row >= end) {
        return std::nullopt;
    }
    const auto i = static_cast<std::size_t>(row - valueFirst);
    if (!canshuValid[i]) {
        return std::nullopt;
    }
    return canshu[i];
}

std::optional<std::int32_t> FormulaEvaluation::preCanshu(int row) const
{
    if (row < 1 || row < hitFirst) {
        return std::nullopt;
    }
    return canshuAt(row - 1);
}

std::optional<int> FormulaEvaluation::remainder(int row) const
{
    const auto p = preCanshu(row);
    if (!p) {
        return std::nullopt;
    }
    return *p % 10;
}

std::span<const std::uint8_t> FormulaEvaluation::hitsFrom(int from) const
{
    const int start = std::clamp(from, hitFirst, end);
    return std::span<const std::uint8_t>(hits).subspan(static_cast<std::size_t>(start - hitFirst));
}

std::optional<int> FormulaEvaluation::displayValue(int row, DisplayColumn column) const
{
    const auto v = column == DisplayColumn::Canshu ? canshuAt(row) : preCanshu(row);
    if (!v) {
        return std::nullopt;
    }
    return *v % 10;
}

void FormulaEvaluation::displayValues(DisplayColumn column, std::span<std::int8_t> out) const
{
    const int n = std::min(end, static_cast<int>(out.size()));
    // Row r shows the digit of value row r (current-issue display) or of r - 1 (next-issue display).
    const int shift = column == DisplayColumn::Canshu ? 0 : 1;
    const int from = column == DisplayColumn::Canshu ? valueFirst : std::max(hitFirst, 1);
    std::fill(out.begin(), out.begin() + std::clamp(from, 0, n), kNoDisplay);
    if (from >= n) {
        return;
    }
    const std::int16_t* __restrict dg = digits.data() + (from - shift - valueFirst);
    const std::uint8_t* __restrict ok = canshuValid.data() + (from - shift - valueFirst);
    std::int8_t* __restrict o = out.data() + from;
    for (int k = 0; k < n - from; ++k) {
        o[k] = ok[k] ? static_cast<std::int8_t>(dg[k]) : kNoDisplay;
    }
}

std::optional<int> FormulaEvaluation::nextValue() const
{
    const auto v = canshuAt(end - 1);
    if (!v) {
        return std::nullopt;
    }
    return *v % 10;
}

FormulaEvaluation EvaluateFormula(const HistorySnapshot& snapshot, const Expression& expression,
                                  const FormulaKind& kind, bool bolKill, int hitFirst)
{
    FormulaEvaluation out;
    EvaluateFormula(snapshot, expression, kind, bolKill, hitFirst, out);
    return out;
}

namespace {

// Verdicts for one judged-digit layout: `present` tells whether the predicted digit shows at the judged
// positions; the loop is branch-free and of one integer width so that it vectorises.
template <class Present>
void judge(const std::int16_t* __restrict digit, const std::uint8_t* __restrict valid, std::uint8_t* __restrict hit,
           int n, bool kill, Present present)
{
    const std::uint8_t flip = kill ? 1 : 0;
    for (int k = 0; k < n; ++k) {
        const std::uint8_t p = present(k, digit[k]) ? 1 : 0;
        hit[k] = static_cast<std::uint8_t>(valid[k] & (p ^ flip));
    }
}

} // namespace

KORVEL_SIMD_CLONES
void EvaluateFormula(const HistorySnapshot& snapshot, const Expression& expression, const FormulaKind& kind,
                     bool bolKill, int hitFirst, FormulaEvaluation& out)
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
    out.canshu.resize(static_cast<std::size_t>(values));
    out.canshuValid.resize(static_cast<std::size_t>(values));
    out.digits.resize(static_cast<std::size_t>(values));
    {
        // Two passes that vectorise: the integer value and its remainder by 10 (with the dividend's sign),
        // then the validity. A value outside the 32-bit range gets the digit 10, which no remainder has, and
        // is empty.
        constexpr std::int16_t outside = 10;
        const double* __restrict v = out.values.value.data();
        std::int32_t* __restrict c = out.canshu.data();
        std::int16_t* __restrict dg = out.digits.data();
        for (int k = 0; k < values; ++k) {
            const double r = roundHalfEven(v[k]);
            const bool inRange = r >= -2147483648.0 && r <= 2147483647.0; // false for NaN as well
            const double rc = inRange ? r : 0.0;
            // rc * 0.1 truncates to the same integer as rc / 10 for every integer of the 32-bit range.
            const double tens = static_cast<double>(static_cast<std::int32_t>(rc * 0.1));
            c[k] = static_cast<std::int32_t>(rc);
            const double digit = inRange ? rc - 10.0 * tens : double(outside);
            dg[k] = static_cast<std::int16_t>(static_cast<std::int32_t>(digit));
        }
        const std::uint8_t* __restrict ok = out.values.valid.data();
        std::uint8_t* __restrict cv = out.canshuValid.data();
        for (int k = 0; k < values; ++k) {
            cv[k] = static_cast<std::uint8_t>(ok[k] & (dg[k] != outside));
        }
    }

    // Row r's verdict reads the value of row r - 1; row 0 has no prediction and stays a miss.
    const int hits = n - hitFirst;
    out.hits.assign(static_cast<std::size_t>(hits), std::uint8_t{0});
    const int firstJudged = std::max(hitFirst, 1);
    const int judged = n - firstJudged;
    if (judged <= 0) {
        return;
    }
    const std::int16_t* digit = out.digits.data() + (firstJudged - 1 - out.valueFirst);
    const std::uint8_t* valid = out.canshuValid.data() + (firstJudged - 1 - out.valueFirst);
    std::uint8_t* hit = out.hits.data() + (firstJudged - hitFirst);
    const std::int16_t* d1 = snapshot.column(Param::L1A).data() + firstJudged;
    const std::int16_t* d2 = snapshot.column(Param::L2A).data() + firstJudged;
    const std::int16_t* d3 = snapshot.column(Param::L3A).data() + firstJudged;
    if (kind.play == Play::Single) {
        const std::int16_t* own = kind.position == 3 ? d1 : kind.position == 2 ? d2 : d3;
        judge(digit, valid, hit, judged, bolKill, [own](int k, std::int16_t r) { return r == own[k]; });
    } else if (kind.position == 2) {
        judge(digit, valid, hit, judged, bolKill,
              [d2, d3](int k, std::int16_t r) { return (r == d2[k]) | (r == d3[k]); });
    } else {
        judge(digit, valid, hit, judged, bolKill,
              [d1, d2, d3](int k, std::int16_t r) { return (r == d1[k]) | (r == d2[k]) | (r == d3[k]); });
    }
}

std::optional<int> NextValue(const HistorySnapshot& snapshot, const Expression& expression)
{
    if (snapshot.empty()) {
        return std::nullopt;
    }
    const auto v = expression.evaluateRow(snapshot, snapshot.size() - 1);
    if (!v) {
        return std::nullopt;
    }
    const auto c = toInt32HalfEven(*v);
    if (!c) {
        return std::nullopt;
    }
    return *c % 10;
}

} // namespace korvel
