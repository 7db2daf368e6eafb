#include "search/KernelLoops.h"

#include "search/VerificationKernel.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KORVEL_KERNEL_HAS_AVX2 1
#else
#define KORVEL_KERNEL_HAS_AVX2 0
#endif

namespace korvel {

// 32-byte vectors pass between the loops' internal helpers only (all in this file, inlined): the ABI note
// about passing them without AVX concerns calls across files. GCC reports it at the end of the file, so
// it stays off for the whole file.
#pragma GCC diagnostic ignored "-Wpsabi"

} // namespace korvel

// The shared hit rule on lanes; its templates are instantiated with the vectors below, under the same note.
#include "verify/HitRuleLanes.h"

namespace korvel {

#define KORVEL_KERNEL_NAMESPACE kernel_baseline
#define KORVEL_KERNEL_AVX2 0
#include "search/KernelLoops.inc"
#undef KORVEL_KERNEL_NAMESPACE
#undef KORVEL_KERNEL_AVX2

#if KORVEL_KERNEL_HAS_AVX2
// Processors with AVX2 all have BMI1, BMI2, POPCNT and LZCNT; the bit walk uses them.
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,popcnt,lzcnt")
#define KORVEL_KERNEL_NAMESPACE kernel_avx2
#define KORVEL_KERNEL_AVX2 1
#include "search/KernelLoops.inc"
#undef KORVEL_KERNEL_NAMESPACE
#undef KORVEL_KERNEL_AVX2
#pragma GCC pop_options
#endif

bool kernelIsaAvailable(KernelIsa isa)
{
    switch (isa) {
    case KernelIsa::Baseline:
        return true;
    case KernelIsa::Avx2:
#if KORVEL_KERNEL_HAS_AVX2
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
               __builtin_cpu_supports("popcnt");
#else
        return false;
#endif
    }
    return false;
}

KernelIsa bestKernelIsa()
{
    static const KernelIsa best = kernelIsaAvailable(KernelIsa::Avx2) ? KernelIsa::Avx2 : KernelIsa::Baseline;
    return best;
}

const KernelLoops& kernelLoops(KernelIsa isa)
{
    static const KernelLoops baseline{&kernel_baseline::hitBits, &kernel_baseline::runFigures};
#if KORVEL_KERNEL_HAS_AVX2
    static const KernelLoops avx2{&kernel_avx2::hitBits, &kernel_avx2::runFigures};
    if (isa == KernelIsa::Avx2 && kernelIsaAvailable(KernelIsa::Avx2)) {
        return avx2;
    }
#endif
    (void)isa;
    return baseline;
}

} // namespace korvel
