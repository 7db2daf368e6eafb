#include "verify/ChanceFigures.h"

#include "formula/SimdClones.h"
#include "history/HistorySnapshot.h"
#include "verify/DecimalText.h"

#include <algorithm>
#include <cmath>

namespace korvel {

ChanceFigures chanceFiguresFromCounts(const FormulaKind& kind, bool kill, const ChanceCounts& counts)
{
    ChanceFigures f;
    f.draws = counts.draws;
    f.hits = counts.hits;
    f.named = counts.named;
    f.noDigit = counts.noDigit;
    // Any named digit has the same chance; 0 stands for one.
    f.chanceNamed = chanceOfHit(kind, kill, std::int32_t{0});
    f.chanceNoDigit = chanceOfHit(kind, kill, std::int32_t{-1});
    f.windowEmpty = counts.draws == 0 || counts.weightTotal == 0;
    if (!f.windowEmpty) {
        const double chanceSum = static_cast<double>(counts.weightNamed) * f.chanceNamed +
                                 static_cast<double>(counts.weightNoDigit) * f.chanceNoDigit;
        f.baseline = chanceSum / static_cast<double>(counts.weightTotal) * 100.0;
    }
    return f;
}

namespace {

struct ClassSums {
    std::int32_t hits = 0;
    std::int32_t named[3] = {};   // sum of x, k x, k^2 x over draws whose value names a digit
    std::int32_t noDigit[3] = {}; // the same over draws whose value names no digit
};

KORVEL_SIMD_CLONES
ClassSums classSums(const std::int16_t* __restrict digits, const std::uint8_t* __restrict ok,
                    const std::uint8_t* __restrict hit, int n)
{
    std::int32_t h = 0;
    std::int32_t n0 = 0;
    std::int32_t n1 = 0;
    std::int32_t n2 = 0;
    std::int32_t z0 = 0;
    std::int32_t z1 = 0;
    std::int32_t z2 = 0;
    for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t valid = ok[k];
        const std::int32_t namesNoDigit = valid & static_cast<std::int32_t>(digits[k] < 0);
        const std::int32_t namesDigit = valid ^ namesNoDigit;
        const std::int32_t kSquared = k * k;
        h += hit[k];
        n0 += namesDigit;
        n1 += k & -namesDigit;
        n2 += kSquared & -namesDigit;
        z0 += namesNoDigit;
        z1 += k & -namesNoDigit;
        z2 += kSquared & -namesNoDigit;
    }
    ClassSums c;
    c.hits = h;
    c.named[0] = n0;
    c.named[1] = n1;
    c.named[2] = n2;
    c.noDigit[0] = z0;
    c.noDigit[1] = z1;
    c.noDigit[2] = z2;
    return c;
}

} // namespace

ChanceFigures chanceFigures(const FormulaEvaluation& eval, int start, const FormulaKind& kind, bool kill, bool weighted)
{
    start = std::clamp(start, eval.hitFirst, eval.end);
    ChanceCounts counts;
    int first = start;
    if (first == 0 && eval.end > 0) {
        // Row 0 has no carried value: an empty draw (the rate counts it as a miss).
        counts.addNext(ChanceClass::Empty, eval.hits[0] != 0, weighted);
        first = 1;
    }
    const int n = eval.end - first;
    if (n > 0) {
        // The value carried to row r is the one of row r - 1. The weight (j0 + k)^2 of the k-th draw of a
        // block splits into j0^2 + 2 j0 k + k^2, so each block needs only the 32-bit sums of x, k x and
        // k^2 x per class: a branch-free loop of 32-bit lanes.
        const std::int64_t j = counts.draws;
        const std::int16_t* digits = eval.digits.data() + (first - 1 - eval.valueFirst);
        const std::uint8_t* ok = eval.intValueValid.data() + (first - 1 - eval.valueFirst);
        const std::uint8_t* hit = eval.hits.data() + (first - eval.hitFirst);
        constexpr int kBlock = 1024; // the sum of k^2 over a block stays below 2^31
        for (int b = 0; b < n; b += kBlock) {
            const ClassSums c = classSums(digits + b, ok + b, hit + b, std::min(kBlock, n - b));
            const std::int64_t j0 = j + 1 + b;
            counts.hits += c.hits;
            counts.named += c.named[0];
            counts.noDigit += c.noDigit[0];
            if (weighted) {
                counts.weightNamed += j0 * j0 * c.named[0] + 2 * j0 * c.named[1] + c.named[2];
                counts.weightNoDigit += j0 * j0 * c.noDigit[0] + 2 * j0 * c.noDigit[1] + c.noDigit[2];
            }
        }
        counts.draws += n;
        counts.weightTotal += ChanceCounts::totalWeight(j + n, weighted) - ChanceCounts::totalWeight(j, weighted);
        if (!weighted) {
            counts.weightNamed = counts.named;
            counts.weightNoDigit = counts.noDigit;
        }
    }
    return chanceFiguresFromCounts(kind, kill, counts);
}

ChanceCounter::ChanceCounter(const FormulaKind& kind, bool kill, bool weighted)
    : m_kind(kind), m_kill(kill), m_weighted(weighted)
{
}

ChanceFigures ChanceCounter::figures() const
{
    return chanceFiguresFromCounts(m_kind, m_kill, m_counts);
}

int firstRowAfterIssue(const HistorySnapshot& snapshot, const QString& issue)
{
    const auto& issues = snapshot.issues();
    const auto it = std::upper_bound(issues.begin(), issues.end(), issue);
    return std::max(1, static_cast<int>(it - issues.begin()));
}

double binomialTail(std::int64_t n, double p, std::int64_t k)
{
    if (k <= 0) {
        return 1.0;
    }
    if (k > n) {
        return 0.0;
    }
    if (p <= 0.0) {
        return 0.0;
    }
    if (p >= 1.0) {
        return 1.0;
    }
    const double q = 1.0 - p;
    const double dn = static_cast<double>(n);
    const auto logPmf = [&](std::int64_t i) {
        const double di = static_cast<double>(i);
        return std::lgamma(dn + 1.0) - std::lgamma(di + 1.0) - std::lgamma(dn - di + 1.0) + di * std::log(p) +
               (dn - di) * std::log(q);
    };
    // Sum the side of k that does not hold the mode: its terms fall monotonically from the first one, so
    // the recurrence loses nothing and an underflowed first term means a negligible sum.
    const auto mode = static_cast<std::int64_t>(std::floor((dn + 1.0) * p));
    if (k > mode) {
        double term = std::exp(logPmf(k));
        double sum = 0.0;
        for (std::int64_t i = k; i <= n && term > 0.0; ++i) {
            sum += term;
            term *= static_cast<double>(n - i) / static_cast<double>(i + 1) * (p / q);
        }
        return std::min(sum, 1.0);
    }
    double term = std::exp(logPmf(k - 1));
    double lower = 0.0;
    for (std::int64_t i = k - 1; i >= 0 && term > 0.0; --i) {
        lower += term;
        term *= static_cast<double>(i) / static_cast<double>(n - i + 1) * (q / p);
    }
    return std::clamp(1.0 - lower, 0.0, 1.0);
}

double binomialTailNormal(std::int64_t n, double p, std::int64_t k)
{
    if (k <= 0) {
        return 1.0;
    }
    if (k > n) {
        return 0.0;
    }
    const double mean = static_cast<double>(n) * p;
    const double var = mean * (1.0 - p);
    if (var <= 0.0) {
        return static_cast<double>(k) <= mean ? 1.0 : 0.0;
    }
    const double z = (static_cast<double>(k) - 0.5 - mean) / std::sqrt(var);
    return 0.5 * std::erfc(z / std::sqrt(2.0));
}

Significance significance(const ChanceFigures& f)
{
    Significance s;
    s.exact = f.draws <= kExactSignificanceDraws;
    if (f.windowEmpty) {
        return s;
    }
    // Hits beyond the sure ones must come from the named draws.
    const std::int64_t needed = f.hits - f.sureHits();
    s.p = s.exact ? binomialTail(f.named, f.chanceNamed, needed) : binomialTailNormal(f.named, f.chanceNamed, needed);
    return s;
}

QString baselineText(const ChanceFigures& f)
{
    if (f.windowEmpty) {
        return QStringLiteral("—");
    }
    if (std::optional<QString> text = fixedText(f.baseline, 4, 7, "", "%")) {
        return *std::move(text);
    }
    return QString::asprintf("%07.4f%%", f.baseline);
}

QString excessText(const ChanceFigures& f, double rate)
{
    if (f.windowEmpty) {
        return QStringLiteral("—");
    }
    const double excess = f.excess(rate);
    // The fast form takes the signs that are plain: -0 and a negative that may round to zero keep
    // asprintf's own form.
    const std::optional<QString> text = excess >= 0.0 && !std::signbit(excess) ? fixedText(excess, 4, 0, "+")
                                        : excess <= -0.0001                    ? fixedText(-excess, 4, 0, "-")
                                                                               : std::nullopt;
    return text ? *text : QString::asprintf("%+.4f", excess);
}

QString significanceText(const ChanceFigures& f)
{
    return f.windowEmpty ? QStringLiteral("—") : significanceText(f, significance(f));
}

QString significanceText(const ChanceFigures& f, const Significance& s)
{
    if (f.windowEmpty) {
        return QStringLiteral("—");
    }
    const double p = s.p;
    if (p != 0.0 && p < 0.0001) {
        return QString::asprintf("%.1e", p);
    }
    if (std::optional<QString> text = fixedText(p, 4)) {
        return *std::move(text);
    }
    return QString::asprintf("%.4f", p);
}

QString forwardText(const ChanceFigures& f)
{
    if (f.windowEmpty) {
        return QStringLiteral("—");
    }
    const double rate = static_cast<double>(f.hits) / static_cast<double>(f.draws) * 100.0;
    return QString::asprintf("%.1f%% (%lld/%lld) ", rate, static_cast<long long>(f.hits),
                             static_cast<long long>(f.draws)) +
           QStringLiteral("基准") + QString::asprintf("%.1f%%", f.baseline);
}

QString significanceToolTip(const ChanceFigures& f)
{
    if (f.windowEmpty) {
        return QStringLiteral("窗口内没有开奖");
    }
    return significance(f).exact
               ? QStringLiteral("随机开奖下至少命中 %1 次的单侧概率（%2 期，精确计算）").arg(f.hits).arg(f.draws)
               : QStringLiteral("随机开奖下至少命中 %1 次的单侧概率（%2 期，正态近似，连续性校正）")
                     .arg(f.hits)
                     .arg(f.draws);
}

} // namespace korvel
