#include "verify/SumEvaluation.h"

#include "formula/Expression.h"
#include "formula/SimdClones.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "verify/HitRule.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

// The bit walks count bits: a copy with the processor's population count instruction where it has one.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define KORVEL_BIT_CLONES __attribute__((target_clones("popcnt", "default")))
#else
#define KORVEL_BIT_CLONES
#endif

namespace korvel {

namespace {

std::int64_t squares(std::int64_t m)
{
    return m * (m + 1) * (2 * m + 1) / 6;
}

std::int16_t saturate16(std::int64_t v)
{
    return static_cast<std::int16_t>(std::min<std::int64_t>(v, std::numeric_limits<std::int16_t>::max()));
}

// Verdict and no-digit bytes of n rows from the values carried to them. `a`, `b`, `c` are the judged digit
// columns (the first `Judged` of them read). Branch-free and of 32-bit lanes so that it vectorises.
template <int Judged>
inline void judgeSums(const std::int32_t* __restrict carried, const std::int16_t* __restrict a,
                      const std::int16_t* __restrict b, const std::int16_t* __restrict c, int n, bool kill,
                      std::uint8_t* __restrict hit, std::uint8_t* __restrict noDigit)
{
    const std::int32_t flip = kill ? 1 : 0;
    for (int k = 0; k < n; ++k) {
        const std::int32_t r = carried[k] % 10; // predictedRemainder
        std::int32_t present = r == a[k];
        if constexpr (Judged > 1) {
            present |= r == b[k];
        }
        if constexpr (Judged > 2) {
            present |= r == c[k];
        }
        hit[k] = static_cast<std::uint8_t>(present ^ flip);
        noDigit[k] = static_cast<std::uint8_t>(r < 0);
    }
}

} // namespace

void packBits(const std::uint8_t* bytes, int n, std::uint64_t* bits)
{
    const int words = (n + 63) / 64;
    for (int w = 0; w < words; ++w) {
        std::uint64_t m = 0;
        for (int g = 0; g < 8; ++g) {
            std::uint64_t x;
            std::memcpy(&x, bytes + w * 64 + g * 8, sizeof x);
            // Byte i (0 or 1, at bit 8i) lands on bit 56 + i of the product and nothing else reaches those bits.
            m |= ((x * 0x0102040810204080ULL) >> 56) << (8 * g);
        }
        bits[w] = m;
    }
}

KORVEL_BIT_CLONES
BitRuns bitRuns(const std::uint64_t* bits, int from, int to, bool weighted)
{
    BitRuns r;
    const int n = to - from;
    if (n <= 0) {
        return r;
    }
    const int firstWord = from / 64;
    const int lastWord = (to - 1) / 64;
    const auto word = [&](int w) {
        std::uint64_t x = bits[w];
        if (w == firstWord) {
            x &= ~std::uint64_t{0} << (from % 64);
        }
        if (w == lastWord && to % 64 != 0) {
            x &= (std::uint64_t{1} << (to % 64)) - 1;
        }
        return x;
    };
    const auto inRange = [&](int w) {
        std::uint64_t m = ~std::uint64_t{0};
        if (w == firstWord) {
            m &= ~std::uint64_t{0} << (from % 64);
        }
        if (w == lastWord && to % 64 != 0) {
            m &= (std::uint64_t{1} << (to % 64)) - 1;
        }
        return m;
    };
    std::int64_t count = 0;
    for (int w = firstWord; w <= lastWord; ++w) {
        count += std::popcount(word(w));
    }
    // One walk over the rarer kind of bit: its positions give its weight and runs, the gaps between them the
    // other kind's runs.
    const bool walkSet = count <= n - count;
    std::int64_t sum = 0;
    int prev = -1;
    int run = 0;
    int longestRun = 0;
    int longestGap = 0;
    for (int w = firstWord; w <= lastWord; ++w) {
        std::uint64_t x = walkSet ? word(w) : (~bits[w] & inRange(w));
        while (x != 0) {
            const int p = w * 64 + std::countr_zero(x) - from;
            x &= x - 1;
            const int gap = p - prev - 1;
            longestGap = std::max(longestGap, gap);
            run = gap == 0 ? run + 1 : 1;
            longestRun = std::max(longestRun, run);
            const std::int64_t j = p + 1;
            sum += weighted ? j * j : 1;
            prev = p;
        }
    }
    const int trailing = n - 1 - prev;
    longestGap = std::max(longestGap, trailing);
    const int lastRun = trailing == 0 ? run : 0;
    const std::int64_t total = weighted ? squares(n) : n;
    r.count = count;
    if (walkSet) {
        r.weight = sum;
        r.longestSet = saturate16(longestRun);
        r.longestClear = saturate16(longestGap);
        r.trailingSet = saturate16(lastRun);
        r.trailingClear = saturate16(trailing);
    } else {
        r.weight = total - sum;
        r.longestClear = saturate16(longestRun);
        r.longestSet = saturate16(longestGap);
        r.trailingClear = saturate16(lastRun);
        r.trailingSet = saturate16(trailing);
    }
    return r;
}

KORVEL_SIMD_CLONES
void evaluateSum(const HistorySnapshot& snapshot, const IntegerSum& sum, const FormulaKind& kind, bool kill, int first,
                 SumEvaluation& out)
{
    const int n = snapshot.size();
    first = std::clamp(first, 0, n);
    out.first = first;
    out.end = n;
    out.next.reset();
    if (n > 0) {
        std::int32_t newest = sum.constant;
        for (const IntegerSum::Term& t : sum.terms) {
            newest += t.coefficient * snapshot.value(n - 1, t.param);
        }
        out.next = predictedRemainder(newest);
    }
    const int judgedRows = n - first;
    const std::size_t words = static_cast<std::size_t>((judgedRows + 63) / 64);
    out.hits.assign(words, 0);
    out.noDigit.assign(words, 0);

    // Blocks of kBlock bits (rows first + b0 ...): the carried sums, the verdict bytes and their bits stay in
    // the first-level cache. Row r's verdict reads the value of row r - 1; row 0 has none and stays a miss
    // of no class. Every partial sum stays within 32 bits (IntegerSum's bound), whatever the order of terms.
    constexpr int kBlock = 512;
    alignas(64) std::int32_t acc[kBlock];
    alignas(64) std::uint8_t hitBytes[kBlock];
    alignas(64) std::uint8_t noDigitBytes[kBlock];
    const int firstJudged = std::max(first, 1);
    const JudgedDigits judged = judgedDigits(kind);
    const std::array<const std::int16_t*, 3> drawn = {
        snapshot.column(Param::L1A).data(), snapshot.column(Param::L2A).data(), snapshot.column(Param::L3A).data()};
    const std::int16_t* da = drawn[static_cast<std::size_t>(judged.numbers[0] - 1)];
    const std::int16_t* db = drawn[static_cast<std::size_t>(judged.numbers[1] - 1)];
    const std::int16_t* dc = drawn[static_cast<std::size_t>(judged.numbers[2] - 1)];
    for (int b0 = 0; b0 < judgedRows; b0 += kBlock) {
        const int rowBase = first + b0;
        const int rowStart = std::max(rowBase, firstJudged);
        const int rowEnd = std::min(rowBase + kBlock, n);
        const int count = rowEnd - rowStart;
        const int offset = rowStart - rowBase;
        // The bytes packBits reads (whole words) and judgeSums does not write are zero.
        const int blockBits = std::min(kBlock, judgedRows - b0);
        const int padded = (blockBits + 63) / 64 * 64;
        const int judgedFrom = count > 0 ? offset : padded;
        const int judgedTo = count > 0 ? offset + count : padded;
        std::memset(hitBytes, 0, static_cast<std::size_t>(judgedFrom));
        std::memset(noDigitBytes, 0, static_cast<std::size_t>(judgedFrom));
        std::memset(hitBytes + judgedTo, 0, static_cast<std::size_t>(padded - judgedTo));
        std::memset(noDigitBytes + judgedTo, 0, static_cast<std::size_t>(padded - judgedTo));
        if (count > 0) {
            // Nearly every coefficient is 1: those terms are added two at a time without a multiply (the
            // first two with the constant), so that the sums pass through the first-level cache half as often.
            const auto columnOf = [&](const IntegerSum::Term& t) {
                return snapshot.column(t.param).data() + (rowStart - 1);
            };
            const auto unit = [&](std::size_t t) { return t < sum.terms.size() && sum.terms[t].coefficient == 1; };
            const std::size_t terms = sum.terms.size();
            std::size_t t = 0;
            if (unit(0) && unit(1)) {
                const std::int16_t* __restrict a = columnOf(sum.terms[0]);
                const std::int16_t* __restrict b = columnOf(sum.terms[1]);
                for (int i = 0; i < count; ++i) {
                    acc[i] = sum.constant + static_cast<std::int32_t>(a[i]) + static_cast<std::int32_t>(b[i]);
                }
                t = 2;
            } else {
                for (int i = 0; i < count; ++i) {
                    acc[i] = sum.constant;
                }
            }
            while (t < terms) {
                const IntegerSum::Term& term = sum.terms[t];
                const std::int16_t* __restrict a = columnOf(term);
                if (unit(t) && unit(t + 1)) {
                    const std::int16_t* __restrict b = columnOf(sum.terms[t + 1]);
                    for (int i = 0; i < count; ++i) {
                        acc[i] += static_cast<std::int32_t>(a[i]) + static_cast<std::int32_t>(b[i]);
                    }
                    t += 2;
                    continue;
                }
                const std::int32_t k = term.coefficient;
                if (k == 1) {
                    for (int i = 0; i < count; ++i) {
                        acc[i] += a[i];
                    }
                } else {
                    for (int i = 0; i < count; ++i) {
                        acc[i] += k * a[i];
                    }
                }
                ++t;
            }
            std::uint8_t* hit = hitBytes + offset;
            std::uint8_t* none = noDigitBytes + offset;
            if (judged.count == 1) {
                judgeSums<1>(acc, da + rowStart, db + rowStart, dc + rowStart, count, kill, hit, none);
            } else if (judged.count == 2) {
                judgeSums<2>(acc, da + rowStart, db + rowStart, dc + rowStart, count, kill, hit, none);
            } else {
                judgeSums<3>(acc, da + rowStart, db + rowStart, dc + rowStart, count, kill, hit, none);
            }
        }
        packBits(hitBytes, blockBits, out.hits.data() + b0 / 64);
        // A sum that never goes below zero names a digit on every row: its no-digit words stay zero.
        std::uint8_t anyNoDigit = 0;
        for (int i = judgedFrom; i < judgedTo; ++i) {
            anyNoDigit |= noDigitBytes[i];
        }
        if (anyNoDigit != 0) {
            packBits(noDigitBytes, blockBits, out.noDigit.data() + b0 / 64);
        }
    }
}

FormulaFigures sumFigures(const SumEvaluation& eval, int start, bool weighted, float previousRate)
{
    start = std::clamp(start, eval.first, eval.end);
    const int n = eval.end - start;
    const BitRuns b = bitRuns(eval.hits.data(), start - eval.first, eval.end - eval.first, weighted);
    FormulaFigures f;
    f.stats.total = weighted ? squares(n) : n;
    f.stats.hitSum = b.weight;
    f.stats.trueCon = b.longestSet;
    f.stats.errCon = b.longestClear;
    f.stats.trueLst = b.trailingSet;
    f.stats.errLst = b.trailingClear;
    f.windowEmpty = f.stats.total == 0;
    f.stats.rate =
        f.windowEmpty
            ? previousRate
            : static_cast<float>(static_cast<double>(f.stats.hitSum) / static_cast<double>(f.stats.total) * 100.0);
    return f;
}

KORVEL_BIT_CLONES
ChanceFigures sumChanceFigures(const SumEvaluation& eval, int start, const FormulaKind& kind, bool kill, bool weighted)
{
    start = std::clamp(start, eval.first, eval.end);
    const std::int64_t draws = eval.end - start;
    const int from = start - eval.first;
    const int to = eval.end - eval.first;
    std::int64_t hits = 0;
    if (draws > 0) {
        for (int w = from / 64; w <= (to - 1) / 64; ++w) {
            std::uint64_t x = eval.hits[static_cast<std::size_t>(w)];
            if (w == from / 64) {
                x &= ~std::uint64_t{0} << (from % 64);
            }
            if (w == (to - 1) / 64 && to % 64 != 0) {
                x &= (std::uint64_t{1} << (to % 64)) - 1;
            }
            hits += std::popcount(x);
        }
    }
    const BitRuns none = bitRuns(eval.noDigit.data(), from, to, weighted);
    // The bits hold the no-digit draws; the rest are named but row 0, which carries no value: an empty
    // draw of weight 1.
    const std::int64_t empty = start == 0 && draws > 0 ? 1 : 0;
    ChanceCounts counts;
    counts.draws = draws;
    counts.hits = hits;
    counts.noDigit = none.count;
    counts.weightNoDigit = none.weight;
    counts.weightTotal = ChanceCounts::totalWeight(draws, weighted);
    counts.named = draws - none.count - empty;
    counts.weightNamed = counts.weightTotal - none.weight - empty;
    return chanceFiguresFromCounts(kind, kill, counts);
}

} // namespace korvel
