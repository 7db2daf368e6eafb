#include "search/VerificationKernel.h"

#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "verify/Evaluation.h"
#include "verify/HitRule.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvel {

// The loops (KernelLoops.inc) run over whole blocks of kBlock rows: the buffers are padded to them.
namespace {
constexpr int kBlock = KernelData::kBlock;

std::size_t roundUp(std::size_t n, std::size_t to)
{
    return (n + to - 1) / to * to;
}
} // namespace

KernelData::KernelData(const HistorySnapshot& snapshot, int windowDraws, bool weighted, int maxLag)
    : m_weighted(weighted), m_maxLag(std::clamp(maxLag, 0, kMaxLag))
{
    m_drawCount = snapshot.size();
    m_windowStart = evaluationWindowStart(m_drawCount, windowDraws, false);
    m_counted = std::max(0, m_drawCount - m_windowStart);
    const int lead = (m_windowStart == 0 && m_counted > 0) ? 1 : 0;
    m_predicted = m_counted - lead;
    const int valueFirst = m_windowStart == 0 ? 0 : m_windowStart - 1;
    m_valueFirst = valueFirst;

    const int codes = operandAlphabet(m_maxLag);
    m_stride = roundUp(static_cast<std::size_t>(std::max(m_predicted, 1)), kBlock);
    m_columns.assign(m_stride * static_cast<std::size_t>(codes), 0);
    m_mod10.assign(m_stride * static_cast<std::size_t>(codes), 0);
    m_min.assign(static_cast<std::size_t>(codes), 0);
    m_max.assign(static_cast<std::size_t>(codes), 0);
    for (int code = 1; code <= codes; ++code) {
        // An earlier draw's column is the same column shifted; rows before the oldest draw stay 0 (they are
        // masked as misses by unevaluableRows()).
        const int lag = operandLag(code);
        const int skip = std::min(std::max(0, lag - valueFirst), m_predicted);
        const auto src = snapshot.column(vocabularyParam(operandNumber(code)))
                             .subspan(static_cast<std::size_t>(valueFirst + skip - lag),
                                      static_cast<std::size_t>(m_predicted - skip));
        std::int16_t* dst = m_columns.data() + static_cast<std::size_t>(code - 1) * m_stride + skip;
        std::copy(src.begin(), src.end(), dst);
        std::int32_t lo = 0;
        std::int32_t hi = 0;
        if (!src.empty()) {
            lo = std::min<std::int32_t>(*std::min_element(src.begin(), src.end()), skip > 0 ? 0 : 32767);
            hi = std::max<std::int32_t>(*std::max_element(src.begin(), src.end()), skip > 0 ? 0 : -32768);
        }
        m_min[static_cast<std::size_t>(code - 1)] = lo;
        m_max[static_cast<std::size_t>(code - 1)] = hi;
        std::uint8_t* mod = m_mod10.data() + static_cast<std::size_t>(code - 1) * m_stride + skip;
        for (std::size_t i = 0; i < src.size(); ++i) {
            mod[i] = static_cast<std::uint8_t>(lo >= 0 ? src[i] % 10 : 0);
        }
    }
    const Param digitParams[3] = {Param::L1A, Param::L2A, Param::L3A};
    for (int d = 0; d < 3; ++d) {
        const auto src = snapshot.column(digitParams[d])
                             .subspan(static_cast<std::size_t>(valueFirst + 1), static_cast<std::size_t>(m_predicted));
        m_digits[static_cast<std::size_t>(d)].assign(src.begin(), src.end());
        m_digits[static_cast<std::size_t>(d)].resize(m_stride, 0);
        m_digits8[static_cast<std::size_t>(d)].assign(m_digits[static_cast<std::size_t>(d)].begin(),
                                                      m_digits[static_cast<std::size_t>(d)].end());
    }

    m_verdictCapacity = static_cast<int>(roundUp(static_cast<std::size_t>(lead) + m_stride, 64) + kBlock);
    m_weights.assign(static_cast<std::size_t>(m_verdictCapacity), 0);
    for (int j = 0; j < m_counted; ++j) {
        const std::int64_t k = j + 1;
        m_weights[static_cast<std::size_t>(j)] = weighted ? k * k : 1;
        m_weightTotal += m_weights[static_cast<std::size_t>(j)];
    }
}

VerificationKernel::VerificationKernel(KernelDataPtr data, const FormulaKind& kind, bool kill, KernelIsa isa)
    : m_data(std::move(data)), m_kind(kind), m_kill(kill), m_loops(&kernelLoops(isa))
{
    // The judged digits of the shared hit rule; unused slots repeat the first, so that every slot names a
    // real column.
    const JudgedDigits judged = judgedDigits(kind);
    m_judged = judged.count;
    m_digitNumbers = judged.numbers;
}

void VerificationKernel::verdicts(const Candidate& c, KernelScratch& scratch) const
{
    const KernelData& data = *m_data;
    scratch.bits.resize(static_cast<std::size_t>(hitWords(data.paddedRows())));
    m_loops->hitBits(data, c, m_judged, m_digitNumbers.data(), m_kill, scratch.bits.data());
    scratch.hits.resize(static_cast<std::size_t>(data.counted()));
    for (std::size_t j = 0; j < scratch.hits.size(); ++j) {
        scratch.hits[j] = static_cast<std::uint8_t>((scratch.bits[j / 64] >> (j % 64)) & 1u);
    }
}

FormulaFigures VerificationKernel::figures(const Candidate& c, KernelScratch& scratch) const
{
    const KernelData& data = *m_data;
    FormulaFigures f;
    if (data.counted() <= 0) {
        f.windowEmpty = true;
        return f;
    }
    scratch.bits.resize(static_cast<std::size_t>(hitWords(data.paddedRows())));
    scratch.positions.resize(static_cast<std::size_t>(runPositions(data.paddedRows())));
    m_loops->hitBits(data, c, m_judged, m_digitNumbers.data(), m_kill, scratch.bits.data());
    m_loops->runFigures(data, scratch.bits.data(), scratch.positions.data(), f.stats);
    f.stats.total = data.weightTotal();
    f.stats.rate = static_cast<float>(static_cast<double>(f.stats.hitSum) / static_cast<double>(f.stats.total) * 100.0);
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

QualifyBounds::QualifyBounds(const Thresholds& t)
{
    const auto& v = t.value;
    m_rateLow = static_cast<float>(v[0] - 0.0001);
    m_rateHigh = static_cast<float>(v[1] + 0.0001);
    // Runs lie within the 16-bit range: bounds beyond it are clamped to just past it (a NaN bound, which
    // no run meets, to the far side).
    constexpr double kOutside = 40000;
    for (std::size_t i = 0; i < 4; ++i) {
        const double low = std::ceil(v[2 + 2 * i] - 0.0001);
        const double high = std::floor(v[3 + 2 * i] + 0.0001);
        m_low[i] = static_cast<std::int32_t>(std::isnan(low) ? kOutside : std::clamp(low, -kOutside, kOutside));
        m_high[i] = static_cast<std::int32_t>(std::isnan(high) ? -kOutside : std::clamp(high, -kOutside, kOutside));
    }
}

} // namespace korvel
