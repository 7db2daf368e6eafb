#pragma once

// A minimal hand-written int16 kernel for one case only (个位单选 杀, non-negative columns, a constant
// 0..9, sums below 32768), the yardstick for the search kernel: AVX2 intrinsics, sixteen rows per register, the operand
// columns summed in registers, the remainder by multiply-high, the misses as a bit mask walked once for
// the weighted sum and the runs. It reads the search kernel's own copied columns so that both do the same
// work.
#include "search/VerificationKernel.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

namespace korvel::bench {

__attribute__((target("avx2,bmi,bmi2,popcnt"))) inline FormulaStats handKernel(const KernelData& d, const Candidate& c,
                                                                               std::uint64_t* misses)
{
    const int n = d.predicted();
    const int lead = d.counted() - n;
    const std::int16_t* cols[kMaxOperands];
    for (int k = 0; k < c.operandCount; ++k) {
        cols[k] = d.column(c.operands[static_cast<std::size_t>(k)]);
    }
    const std::int16_t* digit = d.digits(3);
    const __m256i constant = _mm256_set1_epi16(c.constant);
    const __m256i magic = _mm256_set1_epi16(static_cast<std::int16_t>(52429)); // ceil(2^19 / 10)
    const __m256i ten = _mm256_set1_epi16(10);
    const int words = (n + 63) / 64;
    for (int w = 0; w < words; ++w) {
        std::uint64_t word = 0;
        for (int half = 0; half < 2; ++half) {
            const int i = w * 64 + half * 32;
            __m256i a = constant;
            __m256i b = constant;
            for (int k = 0; k < c.operandCount; ++k) {
                a = _mm256_add_epi16(a, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cols[k] + i)));
                b = _mm256_add_epi16(b, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cols[k] + i + 16)));
            }
            const __m256i qa = _mm256_srli_epi16(_mm256_mulhi_epu16(a, magic), 3);
            const __m256i qb = _mm256_srli_epi16(_mm256_mulhi_epu16(b, magic), 3);
            const __m256i ra = _mm256_sub_epi16(a, _mm256_mullo_epi16(qa, ten));
            const __m256i rb = _mm256_sub_epi16(b, _mm256_mullo_epi16(qb, ten));
            const __m256i ea = _mm256_cmpeq_epi16(ra, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(digit + i)));
            const __m256i eb =
                _mm256_cmpeq_epi16(rb, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(digit + i + 16)));
            const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi16(ea, eb), 0xD8);
            word |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(packed))) << (half * 32);
        }
        misses[w] = word; // a kill misses where the digit is present
    }
    if (n % 64 != 0) {
        misses[words - 1] &= (std::uint64_t{1} << (n % 64)) - 1;
    }
    // Counted draw j = row j - lead; with a lead the oldest counted draw is a miss of its own.
    const std::int64_t* weight = d.weights().data() + lead;
    std::int64_t missSum = lead > 0 ? d.weights()[0] : 0;
    int prev = -1; // row of the previous miss; a lead miss sits at row -1
    int run = lead;
    int longestMiss = lead;
    int longestHit = 0;
    for (int w = 0; w < words; ++w) {
        std::uint64_t x = misses[w];
        while (x != 0) {
            const int p = w * 64 + std::countr_zero(x);
            x &= x - 1;
            const int gap = p - prev - 1;
            longestHit = std::max(longestHit, gap);
            run = gap == 0 ? run + 1 : 1;
            longestMiss = std::max(longestMiss, run);
            missSum += weight[p];
            prev = p;
        }
    }
    const int trailing = n - 1 - prev;
    FormulaStats s;
    s.hitSum = d.weightTotal() - missSum;
    s.total = d.weightTotal();
    s.errCon = static_cast<std::int16_t>(longestMiss);
    s.trueCon = static_cast<std::int16_t>(std::max(longestHit, trailing));
    s.errLst = static_cast<std::int16_t>(trailing == 0 ? run : 0);
    s.trueLst = static_cast<std::int16_t>(trailing);
    s.rate = static_cast<float>(static_cast<double>(s.hitSum) / static_cast<double>(s.total) * 100.0);
    return s;
}

} // namespace korvel::bench
#define KORVEL_HAVE_HAND_KERNEL 1
#endif
