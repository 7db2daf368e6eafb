#include "verify/FormulaFigures.h"

#include "formula/Expression.h"
#include "formula/SimdClones.h"

#include "history/HistorySnapshot.h"
#include "verify/DecimalText.h"
#include "verify/Evaluation.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace korvel {

namespace {

std::int16_t saturate16(std::int64_t v)
{
    return static_cast<std::int16_t>(std::min<std::int64_t>(v, std::numeric_limits<std::int16_t>::max()));
}

} // namespace

KORVEL_SIMD_CLONES
FormulaFigures formulaFigures(std::span<const std::uint8_t> windowHits, bool weighted, float previousRate)
{
    FormulaFigures f;
    std::int64_t trueRun = 0;
    std::int64_t errRun = 0;
    std::int64_t trueMax = 0;
    std::int64_t errMax = 0;
    std::int64_t j = 0;
    // Branch-free: hits and misses alternate unpredictably, so a branch per draw would mostly mispredict.
    for (const std::uint8_t hit : windowHits) {
        const std::int64_t h = hit ? 1 : 0;
        ++j;
        const std::int64_t w = weighted ? j * j : 1;
        f.stats.total += w;
        f.stats.hitSum += h * w;
        trueRun = (trueRun + 1) * h;
        errRun = (errRun + 1) * (1 - h);
        trueMax = std::max(trueMax, trueRun);
        errMax = std::max(errMax, errRun);
    }
    f.stats.trueCon = saturate16(trueMax);
    f.stats.errCon = saturate16(errMax);
    f.stats.trueLst = saturate16(trueRun);
    f.stats.errLst = saturate16(errRun);
    f.windowEmpty = f.stats.total == 0;
    f.stats.rate =
        f.windowEmpty
            ? previousRate
            : static_cast<float>(static_cast<double>(f.stats.hitSum) / static_cast<double>(f.stats.total) * 100.0);
    return f;
}

FormulaFigures formulaFigures(const HistorySnapshot& snapshot, const Expression& expression, const FormulaKind& kind,
                              bool kill, const FigureSettings& settings, float previousRate)
{
    const int start = evaluationWindowStart(snapshot.size(), settings.windowDraws, settings.excludeCurrent);
    FormulaEvaluation eval;
    EvaluateFormula(snapshot, expression, kind, kill, start, eval);
    FormulaFigures f = formulaFigures(eval.hitsFrom(start), settings.weighted, previousRate);
    f.stats.evaluable = expression.ok();
    return f;
}

QString rateText(const FormulaStats& stats)
{
    // "%07.4f%% (%lld/%lld)" as QString::asprintf writes it, several times faster (a printed list of tens of
    // thousands of rows notices).
    char counts[64];
    char* out = std::copy_n("% (", 3, counts);
    out = std::to_chars(out, counts + sizeof counts - 2, static_cast<long long>(stats.hitSum)).ptr;
    *out++ = '/';
    out = std::to_chars(out, counts + sizeof counts - 2, static_cast<long long>(stats.total)).ptr;
    *out++ = ')';
    *out = '\0';
    if (std::optional<QString> text = fixedText(static_cast<double>(stats.rate), 4, 7, "", counts)) {
        return *std::move(text);
    }
    return QString::asprintf("%07.4f%% (%lld/%lld)", static_cast<double>(stats.rate),
                             static_cast<long long>(stats.hitSum), static_cast<long long>(stats.total));
}

} // namespace korvel
