#pragma once

// The engine's hot loops are compiled twice on x86-64 with GCC: for the baseline instruction set and for
// AVX2, chosen once at load time by the processor. Both give identical results (no contraction into FMA,
// same rounding), so this is a speed choice only; a -march=native build simply makes the baseline wider.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define KORVEL_SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KORVEL_SIMD_CLONES
#endif
