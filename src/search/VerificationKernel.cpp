#include "search/VerificationKernel.h"

#include "verify/Evaluation.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel {

// The loops below run over whole blocks of kBlock rows (the buffers are padded to them): a loop with a
// fixed trip count is vectorised by the compiler at every optimisation level, an open-ended one only
// with the aggressive cost model.
namespace {
constexpr int kBlock = KernelData::kBlock;

std::size_t roundUp(std::size_t n, std::size_t to)
{
    return (n + to - 1) / to * to;
}
} // namespace

KernelData::KernelData(const HistorySnapshot& snapshot, int windowDraws, bool weighted) : m_weighted(weighted)
{
    m_drawCount = snapshot.size();
    m_windowStart = evaluationWindowStart(m_drawCount, windowDraws, false);
    m_counted = std::max(0, m_drawCount - m_windowStart);
    const int lead = (m_windowStart == 0 && m_counted > 0) ? 1 : 0;
    m_predicted = m_counted - lead;
    const int valueFirst = m_windowStart == 0 ? 0 : m_windowStart - 1;

    m_stride = roundUp(static_cast<std::size_t>(std::max(m_predicted, 1)), kBlock);
    m_columns.assign(m_stride * kVocabularySize, 0);
    m_mod10.assign(m_stride * kVocabularySize, 0);
    for (int n = 1; n <= kVocabularySize; ++n) {
        const auto src = snapshot.column(vocabularyParam(n))
                             .subspan(static_cast<std::size_t>(valueFirst), static_cast<std::size_t>(m_predicted));
        std::int16_t* dst = m_columns.data() + static_cast<std::size_t>(n - 1) * m_stride;
        std::copy(src.begin(), src.end(), dst);
        std::int32_t lo = 0;
        std::int32_t hi = 0;
        if (!src.empty()) {
            lo = *std::min_element(src.begin(), src.end());
            hi = *std::max_element(src.begin(), src.end());
        }
        m_min[static_cast<std::size_t>(n - 1)] = lo;
        m_max[static_cast<std::size_t>(n - 1)] = hi;
        std::uint8_t* mod = m_mod10.data() + static_cast<std::size_t>(n - 1) * m_stride;
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
    // A block of kBlock weights sums within 32 bits while every weight is below 2^31 / kBlock.
    const std::int64_t maxWeight = m_counted > 0 ? m_weights[static_cast<std::size_t>(m_counted - 1)] : 0;
    if (maxWeight < std::numeric_limits<std::int32_t>::max() / kBlock) {
        m_weights32.assign(m_weights.begin(), m_weights.end());
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
template <typename T> void sumColumns(const KernelData& data, const Candidate& c, int rows, T* __restrict out)
{
    const T constant = static_cast<T>(c.constant);
    const std::int16_t* __restrict first = data.column(c.operands[0]);
    for (int b = 0; b < rows; b += kBlock) {
        for (int i = 0; i < kBlock; ++i) {
            out[b + i] = static_cast<T>(first[b + i] + constant);
        }
    }
    for (int k = 1; k < c.operandCount; ++k) {
        const std::int16_t* __restrict col = data.column(c.operands[static_cast<std::size_t>(k)]);
        for (int b = 0; b < rows; b += kBlock) {
            for (int i = 0; i < kBlock; ++i) {
                out[b + i] = static_cast<T>(out[b + i] + col[b + i]);
            }
        }
    }
}

// The predicted digit is the value's remainder with the dividend's sign (C++ % truncates): a negative
// remainder equals no digit. `Judged` digits are compared (1, 2 or 3 of them).
template <typename T, typename D, bool Kill, int Judged>
void judge(const T* __restrict v, const D* __restrict da, const D* __restrict db, const D* __restrict dc,
           std::uint8_t* __restrict hit, int rows)
{
    for (int b = 0; b < rows; b += kBlock) {
        for (int i = 0; i < kBlock; ++i) {
            // Reduced sums (uint8) already are the remainder.
            const T r = std::is_same_v<T, std::uint8_t> ? v[b + i] : static_cast<T>(v[b + i] % 10);
            bool present = r == da[b + i];
            if constexpr (Judged >= 2) {
                present = present | (r == db[b + i]);
            }
            if constexpr (Judged >= 3) {
                present = present | (r == dc[b + i]);
            }
            hit[b + i] = static_cast<std::uint8_t>(Kill ? !present : present);
        }
    }
}

template <typename T, typename D>
void judgeAll(bool kill, int rule, const D* own, const D* d1, const D* d2, const D* d3, const T* v, std::uint8_t* hit,
              int rows)
{
    if (rule == 0) {
        kill ? judge<T, D, true, 1>(v, own, own, own, hit, rows) : judge<T, D, false, 1>(v, own, own, own, hit, rows);
    } else if (rule == 1) {
        kill ? judge<T, D, true, 2>(v, d2, d3, d3, hit, rows) : judge<T, D, false, 2>(v, d2, d3, d3, hit, rows);
    } else {
        kill ? judge<T, D, true, 3>(v, d1, d2, d3, hit, rows) : judge<T, D, false, 3>(v, d1, d2, d3, hit, rows);
    }
}

template <typename T>
void judgeAll(const KernelData& data, bool kill, int rule, int own, const T* v, std::uint8_t* hit, int rows)
{
    judgeAll<T, std::int16_t>(kill, rule, data.digits(own), data.digits(1), data.digits(2), data.digits(3), v, hit,
                              rows);
}

// Non-negative columns and constant: the sum is non-negative and its remainder is the remainder of the
// columns' remainders, so the sum runs on bytes (at most 24 * 9 + 9 = 225) and is reduced below 10 by
// subtracting 160, 80, 40, 20 and 10 where they fit: min(s, s - k) in byte arithmetic picks s - k exactly
// when s >= k, since s - k wraps above s otherwise.
void sumReduced(const KernelData& data, const Candidate& c, int rows, std::uint8_t* __restrict out)
{
    const auto constant = static_cast<std::uint8_t>(c.constant % 10);
    const std::uint8_t* __restrict first = data.columnMod10(c.operands[0]);
    for (int b = 0; b < rows; b += kBlock) {
        for (int i = 0; i < kBlock; ++i) {
            out[b + i] = static_cast<std::uint8_t>(first[b + i] + constant);
        }
    }
    for (int k = 1; k < c.operandCount; ++k) {
        const std::uint8_t* __restrict col = data.columnMod10(c.operands[static_cast<std::size_t>(k)]);
        for (int b = 0; b < rows; b += kBlock) {
            for (int i = 0; i < kBlock; ++i) {
                out[b + i] = static_cast<std::uint8_t>(out[b + i] + col[b + i]);
            }
        }
    }
    for (int b = 0; b < rows; b += kBlock) {
        for (int i = 0; i < kBlock; ++i) {
            std::uint8_t s = out[b + i];
            s = std::min(s, static_cast<std::uint8_t>(s - 160));
            s = std::min(s, static_cast<std::uint8_t>(s - 80));
            s = std::min(s, static_cast<std::uint8_t>(s - 40));
            s = std::min(s, static_cast<std::uint8_t>(s - 20));
            s = std::min(s, static_cast<std::uint8_t>(s - 10));
            out[b + i] = s;
        }
    }
}

// Eight verdict bytes (each 0 or 1) to eight bits, the first byte in the lowest bit: the multiplication
// moves byte i's bit to bit 56 + i without carries.
inline std::uint64_t packByte(const std::uint8_t* p)
{
    std::uint64_t x = 0;
    std::memcpy(&x, p, 8);
    if constexpr (std::endian::native == std::endian::big) {
        x = __builtin_bswap64(x);
    }
    return (x * 0x0102040810204080ull) >> 56;
}

// Sixty-four verdict bytes to one word.
inline std::uint64_t packWord(const std::uint8_t* p)
{
#if defined(__SSE2__)
    std::uint64_t w = 0;
    for (int q = 0; q < 4; ++q) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + q * 16));
        // Each byte is 0 or 1: shifting it to the byte's top bit lets movemask collect it.
        const auto mask = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_slli_epi16(bytes, 7)));
        w |= static_cast<std::uint64_t>(mask) << (q * 16);
    }
    return w;
#else
    std::uint64_t w = 0;
    for (int byte = 0; byte < 8; ++byte) {
        w |= packByte(p + byte * 8) << (byte * 8);
    }
    return w;
#endif
}

// Length of the longest run of set bits in w, in a fixed number of steps: f_s marks the bits that start
// a run of at least s, and the run length is assembled from the largest step down.
// `atLeast`: a run shorter than 32 is of no interest (the caller already knows a longer one); 0 then.
inline int longestRun(std::uint64_t w, bool atLeast32 = false)
{
    if (w == ~0ull) {
        return 64;
    }
    const std::uint64_t f1 = w;
    const std::uint64_t f2 = f1 & (f1 >> 1);
    const std::uint64_t f4 = f2 & (f2 >> 2);
    const std::uint64_t f8 = f4 & (f4 >> 4);
    const std::uint64_t f16 = f8 & (f8 >> 8);
    const std::uint64_t f32 = f16 & (f16 >> 16);
    if (atLeast32 && f32 == 0) {
        return 0;
    }
    int len = 0;
    std::uint64_t starts = ~0ull; // bits that start a run of at least len
    const auto step = [&](std::uint64_t f, int s) {
        const std::uint64_t c = starts & (f >> len);
        const bool longer = c != 0;
        starts = longer ? c : starts;
        len += longer ? s : 0;
    };
    step(f32, 32);
    step(f16, 16);
    step(f8, 8);
    step(f4, 4);
    step(f2, 2);
    step(f1, 1);
    return len;
}

// Longest run of set bits by peeling one bit off every run per step: cheap when runs are short (the
// rarer verdict of a kind and sense).
inline int longestShortRun(std::uint64_t w)
{
    int len = 0;
    while (w != 0) {
        w &= w >> 1;
        ++len;
    }
    return len;
}

// Runs of one verdict over consecutive words, oldest bit first.
template <bool Rare> struct RunTracker {
    std::int64_t run = 0;
    std::int64_t longest = 0;

    // w: the word's bits of this verdict; m: valid bits (1..64); full: mask of the m valid bits.
    void add(std::uint64_t w, int m, std::uint64_t full)
    {
        if (w == full) {
            run += m;
            return;
        }
        longest = std::max(longest, run + std::countr_one(w));
        // A run inside a word that is not full is at most 63 long.
        if (longest < 63) {
            longest = std::max<std::int64_t>(longest, Rare ? longestShortRun(w) : longestRun(w, longest >= 32));
        }
        run = std::countl_one(w << (64 - m));
    }
    std::int64_t finish() const { return std::max(longest, run); }
};

template <bool HitsRare>
void trackRuns(const std::uint64_t* bits, int n, RunTracker<HitsRare>& hitRuns, RunTracker<!HitsRare>& missRuns)
{
    const int words = (n + 63) / 64;
    for (int k = 0; k < words; ++k) {
        const int m = std::min(64, n - k * 64);
        const std::uint64_t full = m == 64 ? ~0ull : (1ull << m) - 1;
        hitRuns.add(bits[k], m, full);
        missRuns.add(~bits[k] & full, m, full);
    }
}

template <bool HitsRare> void runFigures(const std::uint64_t* bits, int n, FormulaStats& stats);

std::int16_t saturate16(std::int64_t v)
{
    return static_cast<std::int16_t>(std::min<std::int64_t>(v, std::numeric_limits<std::int16_t>::max()));
}

template <bool HitsRare> void runFigures(const std::uint64_t* bits, int n, FormulaStats& stats)
{
    RunTracker<HitsRare> hitRuns;
    RunTracker<!HitsRare> missRuns;
    trackRuns<HitsRare>(bits, n, hitRuns, missRuns);
    stats.trueCon = saturate16(hitRuns.finish());
    stats.errCon = saturate16(missRuns.finish());
    stats.trueLst = saturate16(hitRuns.run);
    stats.errLst = saturate16(missRuns.run);
}

} // namespace

void VerificationKernel::computeHits(const Candidate& c, KernelScratch& scratch) const
{
    const KernelData& data = *m_data;
    const int counted = data.counted();
    const int n = data.predicted();
    const int lead = counted - n;
    const int rows = data.paddedRows();
    scratch.hits.resize(static_cast<std::size_t>(data.verdictCapacity()));
    std::uint8_t* hits = scratch.hits.data();
    if (n > 0 && c.operandCount > 0) {
        // Every partial sum must fit the accumulator: bound each prefix by the columns' ranges.
        std::int64_t lo = c.constant;
        std::int64_t hi = c.constant;
        bool fits16 = true;
        for (int k = 0; k < c.operandCount; ++k) {
            lo += data.columnMin(c.operands[static_cast<std::size_t>(k)]);
            hi += data.columnMax(c.operands[static_cast<std::size_t>(k)]);
            fits16 = fits16 && lo >= std::numeric_limits<std::int16_t>::min() &&
                     hi <= std::numeric_limits<std::int16_t>::max();
        }
        const int rule = static_cast<int>(m_rule);
        bool reducible = c.constant >= 0 && c.operandCount <= kMaxOperands;
        for (int k = 0; k < c.operandCount; ++k) {
            reducible = reducible && data.nonNegative(c.operands[static_cast<std::size_t>(k)]);
        }
        if (reducible) {
            scratch.sum8.resize(static_cast<std::size_t>(rows));
            sumReduced(data, c, rows, scratch.sum8.data());
            judgeAll<std::uint8_t, std::uint8_t>(m_kill, rule, data.digits8(m_ownDigit), data.digits8(1),
                                                 data.digits8(2), data.digits8(3), scratch.sum8.data(), hits + lead,
                                                 rows);
        } else if (fits16) {
            scratch.sum16.resize(static_cast<std::size_t>(rows));
            sumColumns<std::int16_t>(data, c, rows, scratch.sum16.data());
            judgeAll<std::int16_t>(data, m_kill, rule, m_ownDigit, scratch.sum16.data(), hits + lead, rows);
        } else {
            // 24 columns of at most 32767 each plus the constant stay far inside 32 bits.
            scratch.sum32.resize(static_cast<std::size_t>(rows));
            sumColumns<std::int32_t>(data, c, rows, scratch.sum32.data());
            judgeAll<std::int32_t>(data, m_kill, rule, m_ownDigit, scratch.sum32.data(), hits + lead, rows);
        }
    } else {
        std::fill(hits, hits + lead + rows, std::uint8_t{0});
    }
    if (lead > 0) {
        hits[0] = 0; // the oldest draw has no prediction
    }
    // The padding rows were judged too; clear them so that whole words and blocks can be read.
    std::fill(hits + counted, hits + data.verdictCapacity(), std::uint8_t{0});
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
    const int blocks = (n + kBlock - 1) / kBlock;

    std::int64_t hitSum = 0;
    if (!data.weights32().empty()) {
        const std::int32_t* __restrict w = data.weights32().data();
        for (int b = 0; b < blocks; ++b) {
            std::int32_t s = 0;
            for (int i = 0; i < kBlock; ++i) {
                s += w[b * kBlock + i] & -static_cast<std::int32_t>(h[b * kBlock + i]);
            }
            hitSum += s;
        }
    } else {
        const std::int64_t* __restrict w = data.weights().data();
        for (int b = 0; b < blocks; ++b) {
            for (int i = 0; i < kBlock; ++i) {
                hitSum += w[b * kBlock + i] & -static_cast<std::int64_t>(h[b * kBlock + i]);
            }
        }
    }

    const int words = (n + 63) / 64;
    scratch.bits.resize(static_cast<std::size_t>(words));
    std::uint64_t* bits = scratch.bits.data();
    for (int k = 0; k < words; ++k) {
        bits[k] = packWord(h + k * 64);
    }
    // Kill verdicts are mostly hits, keep verdicts mostly misses: the rarer one has the short runs.
    if (m_kill) {
        runFigures<false>(bits, n, f.stats);
    } else {
        runFigures<true>(bits, n, f.stats);
    }

    f.stats.hitSum = hitSum;
    f.stats.total = data.weightTotal();
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
