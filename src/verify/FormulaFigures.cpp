#include "verify/FormulaFigures.h"

#include "formula/Expression.h"
#include "formula/SimdClones.h"

#include "history/HistorySnapshot.h"
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
    const double rate = static_cast<double>(stats.rate);
    if (!(rate >= 0.0 && rate < 1e15)) {
        return QString::asprintf("%07.4f%% (%lld/%lld)", rate, static_cast<long long>(stats.hitSum),
                                 static_cast<long long>(stats.total));
    }
    // "%07.4f%% (%lld/%lld)" as QString::asprintf writes it, without the locale and several times faster,
    // which a printed list of tens of thousands of rows notices: the rate's exact decimal expansion (a float
    // has at most 24 significant binary digits) rounded half up at the fourth place, as Qt rounds.
    char exact[96];
    const auto written = std::to_chars(exact + 1, exact + sizeof exact, rate, std::chars_format::fixed, 60);
    exact[0] = '0'; // room for a carry out of the integer part
    char* const point = std::find(exact + 1, written.ptr, '.');
    char* const last = point + 4;
    if (last + 1 < written.ptr && last[1] >= '5') {
        for (char* d = last;; --d) {
            if (*d == '.') {
                continue;
            }
            if (*d != '9') {
                ++*d;
                break;
            }
            *d = '0';
        }
    }
    char* first = exact[0] == '0' ? exact + 1 : exact;
    char text[96];
    char* out = text;
    for (std::ptrdiff_t pad = 7 - (last + 1 - first); pad > 0; --pad) {
        *out++ = '0';
    }
    out = std::copy(first, last + 1, out);
    out = std::copy_n("% (", 3, out);
    out = std::to_chars(out, text + sizeof text - 2, static_cast<long long>(stats.hitSum)).ptr;
    *out++ = '/';
    out = std::to_chars(out, text + sizeof text - 1, static_cast<long long>(stats.total)).ptr;
    *out++ = ')';
    return QString::fromLatin1(text, out - text);
}

} // namespace korvel
