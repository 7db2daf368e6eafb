#include "search/VerificationKernel.h"

#include "verify/Evaluation.h"

#include <algorithm>
#include <limits>

namespace korvel {

KernelData::KernelData(const HistorySnapshot& snapshot, int windowDraws, bool weighted) : m_weighted(weighted)
{
    m_drawCount = snapshot.size();
    m_windowStart = evaluationWindowStart(m_drawCount, windowDraws, false);
    m_counted = std::max(0, m_drawCount - m_windowStart);
    const int lead = (m_windowStart == 0 && m_counted > 0) ? 1 : 0;
    m_predicted = m_counted - lead;
    const int valueFirst = m_windowStart == 0 ? 0 : m_windowStart - 1;

    // Rows padded to whole 64-byte lines so that every column starts aligned like the first.
    m_stride = (static_cast<std::size_t>(std::max(m_predicted, 1)) + 31) / 32 * 32;
    m_columns.assign(m_stride * kVocabularySize, 0);
    for (int n = 1; n <= kVocabularySize; ++n) {
        const auto src = snapshot.column(vocabularyParam(n))
                             .subspan(static_cast<std::size_t>(valueFirst), static_cast<std::size_t>(m_predicted));
        std::int16_t* dst = m_columns.data() + static_cast<std::size_t>(n - 1) * m_stride;
        std::copy(src.begin(), src.end(), dst);
        const auto [lo, hi] = src.empty() ? std::pair<std::int16_t, std::int16_t>{0, 0}
                                          : std::pair{*std::min_element(src.begin(), src.end()),
                                                      *std::max_element(src.begin(), src.end())};
        m_min[static_cast<std::size_t>(n - 1)] = lo;
        m_max[static_cast<std::size_t>(n - 1)] = hi;
    }
    const Param digitParams[3] = {Param::L1A, Param::L2A, Param::L3A};
    for (int d = 0; d < 3; ++d) {
        const auto src = snapshot.column(digitParams[d])
                             .subspan(static_cast<std::size_t>(valueFirst + 1), static_cast<std::size_t>(m_predicted));
        m_digits[static_cast<std::size_t>(d)].assign(src.begin(), src.end());
        m_digits[static_cast<std::size_t>(d)].resize(m_stride, 0);
    }
    m_weights.resize(static_cast<std::size_t>(m_counted));
    for (int j = 0; j < m_counted; ++j) {
        const std::int64_t k = j + 1;
        m_weights[static_cast<std::size_t>(j)] = weighted ? k * k : 1;
        m_weightTotal += m_weights[static_cast<std::size_t>(j)];
    }
}

VerificationKernel::VerificationKernel(KernelDataPtr data, const FormulaKind& kind, bool kill)
    : m_data(std::move(data)), m_kind(kind), m_kill(kill)
{
    if (kind.play == Play::Single) {
        m_rule = Rule::Single;
        m_ownDigit = kind.position == 3 ? 1 : kind.position == 2 ? 2 : 3;
    } else {
        m_rule = kind.position == 2 ? Rule::Group2 : Rule::Group3;
    }
}

namespace {

// Sum of the operand columns plus the constant, row by row. T is wide enough for every partial sum.
template <typename T> void sumColumns(const KernelData& data, const Candidate& c, int n, T* __restrict out)
{
    const std::int16_t* __restrict first = data.column(c.operands[0]);
    const T constant = static_cast<T>(c.constant);
    for (int i = 0; i < n; ++i) {
        out[i] = static_cast<T>(first[i] + constant);
    }
    for (int k = 1; k < c.operandCount; ++k) {
        const std::int16_t* __restrict col = data.column(c.operands[static_cast<std::size_t>(k)]);
        for (int i = 0; i < n; ++i) {
            out[i] = static_cast<T>(out[i] + col[i]);
        }
    }
}

// The predicted digit is the value's remainder with the dividend's sign: a negative one equals no digit.
template <typename T, bool Kill>
void judgeOne(const T* __restrict v, const std::int16_t* __restrict d, std::uint8_t* __restrict hit, int n)
{
    for (int i = 0; i < n; ++i) {
        const T r = static_cast<T>(v[i] % 10);
        const bool present = r == d[i];
        hit[i] = static_cast<std::uint8_t>(Kill ? !present : present);
    }
}

template <typename T, bool Kill>
void judgeTwo(const T* __restrict v, const std::int16_t* __restrict da, const std::int16_t* __restrict db,
              std::uint8_t* __restrict hit, int n)
{
    for (int i = 0; i < n; ++i) {
        const T r = static_cast<T>(v[i] % 10);
        const bool present = (r == da[i]) | (r == db[i]);
        hit[i] = static_cast<std::uint8_t>(Kill ? !present : present);
    }
}

template <typename T, bool Kill>
void judgeThree(const T* __restrict v, const std::int16_t* __restrict da, const std::int16_t* __restrict db,
                const std::int16_t* __restrict dc, std::uint8_t* __restrict hit, int n)
{
    for (int i = 0; i < n; ++i) {
        const T r = static_cast<T>(v[i] % 10);
        const bool present = (r == da[i]) | (r == db[i]) | (r == dc[i]);
        hit[i] = static_cast<std::uint8_t>(Kill ? !present : present);
    }
}

template <typename T, bool Kill>
void judge(const KernelData& data, int rule, int own, const T* v, std::uint8_t* hit, int n)
{
    if (rule == 0) {
        judgeOne<T, Kill>(v, data.digits(own), hit, n);
    } else if (rule == 1) {
        judgeTwo<T, Kill>(v, data.digits(2), data.digits(3), hit, n);
    } else {
        judgeThree<T, Kill>(v, data.digits(1), data.digits(2), data.digits(3), hit, n);
    }
}

std::int16_t saturate16(std::int32_t v)
{
    return static_cast<std::int16_t>(std::min<std::int32_t>(v, std::numeric_limits<std::int16_t>::max()));
}

} // namespace

void VerificationKernel::computeHits(const Candidate& c, KernelScratch& scratch) const
{
    const KernelData& data = *m_data;
    const int counted = data.counted();
    const int n = data.predicted();
    const int lead = counted - n;
    scratch.hits.resize(static_cast<std::size_t>(std::max(counted, 1)));
    if (lead > 0) {
        scratch.hits[0] = 0; // the oldest draw has no prediction
    }
    if (n <= 0 || c.operandCount == 0) {
        std::fill(scratch.hits.begin() + lead, scratch.hits.end(), std::uint8_t{0});
        return;
    }
    // Every partial sum must fit the accumulator: bound each prefix by the columns' ranges.
    std::int64_t lo = c.constant;
    std::int64_t hi = c.constant;
    bool fits16 = true;
    for (int k = 0; k < c.operandCount; ++k) {
        lo += data.columnMin(c.operands[static_cast<std::size_t>(k)]);
        hi += data.columnMax(c.operands[static_cast<std::size_t>(k)]);
        fits16 =
            fits16 && lo >= std::numeric_limits<std::int16_t>::min() && hi <= std::numeric_limits<std::int16_t>::max();
    }
    std::uint8_t* hit = scratch.hits.data() + lead;
    const int rule = static_cast<int>(m_rule);
    if (fits16) {
        scratch.sum16.resize(static_cast<std::size_t>(n));
        sumColumns<std::int16_t>(data, c, n, scratch.sum16.data());
        if (m_kill) {
            judge<std::int16_t, true>(data, rule, m_ownDigit, scratch.sum16.data(), hit, n);
        } else {
            judge<std::int16_t, false>(data, rule, m_ownDigit, scratch.sum16.data(), hit, n);
        }
    } else {
        // 24 columns of at most 32767 each plus the constant stay far inside 32 bits.
        scratch.sum32.resize(static_cast<std::size_t>(n));
        sumColumns<std::int32_t>(data, c, n, scratch.sum32.data());
        if (m_kill) {
            judge<std::int32_t, true>(data, rule, m_ownDigit, scratch.sum32.data(), hit, n);
        } else {
            judge<std::int32_t, false>(data, rule, m_ownDigit, scratch.sum32.data(), hit, n);
        }
    }
}

void VerificationKernel::verdicts(const Candidate& c, KernelScratch& scratch) const
{
    computeHits(c, scratch);
    scratch.hits.resize(static_cast<std::size_t>(m_data->counted()));
}

FormulaFigures VerificationKernel::figures(const Candidate& c, KernelScratch& scratch) const
{
    const KernelData& data = *m_data;
    FormulaFigures f;
    const int n = data.counted();
    if (n <= 0) {
        f.windowEmpty = true;
        return f;
    }
    computeHits(c, scratch);
    const std::uint8_t* __restrict h = scratch.hits.data();

    std::int64_t hitSum = 0;
    if (data.weighted()) {
        const std::int64_t* __restrict w = data.weights().data();
        for (int j = 0; j < n; ++j) {
            hitSum += w[j] & -static_cast<std::int64_t>(h[j]);
        }
    } else {
        std::int32_t count = 0;
        for (int j = 0; j < n; ++j) {
            count += h[j];
        }
        hitSum = count;
    }

    std::int32_t trueRun = 0;
    std::int32_t errRun = 0;
    std::int32_t trueMax = 0;
    std::int32_t errMax = 0;
    for (int j = 0; j < n; ++j) {
        const bool hitNow = h[j] != 0;
        trueRun = hitNow ? trueRun + 1 : 0;
        errRun = hitNow ? 0 : errRun + 1;
        trueMax = std::max(trueMax, trueRun);
        errMax = std::max(errMax, errRun);
    }

    f.stats.hitSum = hitSum;
    f.stats.total = data.weightTotal();
    f.stats.trueCon = saturate16(trueMax);
    f.stats.errCon = saturate16(errMax);
    f.stats.trueLst = saturate16(trueRun);
    f.stats.errLst = saturate16(errRun);
    f.stats.rate = static_cast<float>(static_cast<double>(hitSum) / static_cast<double>(f.stats.total) * 100.0);
    return f;
}

bool qualifies(const FormulaFigures& f, const Thresholds& t)
{
    if (f.windowEmpty) {
        return false;
    }
    const auto& v = t.value;
    bool ok = true;
    const float rateLow = static_cast<float>(v[0] - 0.0001);
    const float rateHigh = static_cast<float>(v[1] + 0.0001);
    ok &= rateLow <= f.stats.rate && f.stats.rate <= rateHigh;
    const auto within = [&](double value, int slot) {
        return v[static_cast<std::size_t>(slot)] - 0.0001 <= value &&
               value <= v[static_cast<std::size_t>(slot) + 1] + 0.0001;
    };
    ok &= within(f.stats.errCon, 2);
    ok &= within(f.stats.trueCon, 4);
    ok &= within(f.stats.errLst, 6);
    ok &= within(f.stats.trueLst, 8);
    return ok;
}

} // namespace korvel
