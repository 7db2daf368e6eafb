#pragma once

#include "history/ParamId.h"

#include <array>
#include <cstdint>

namespace korvel {

// The parameter table: the 77 stored parameters of a draw. The enumerator's value is its vocabulary number
// minus one, so Param(n - 1) is vocabulary number n; the column of `Lishi` is named by the code
// (history/Param.cpp holds the codes and the names). A file that only passes parameters around includes
// history/ParamId.h instead.
inline constexpr int kParamCount = 77;

// The enumerators in vocabulary order, grouped by family.
// clang-format off
enum class Param : std::uint8_t {
    L1A, L2A, L3A, L1B, L2B, L3B, L1C, L2C, L3C, L1D, L2D, L3D, L1E, L2E, L3E, L1F, L2F, L3F, L1G, L2G, L3G,
    L2H, L3H, L4H, L5H, L1H,
    L1I, L2I, L3I, L1J, L2J, L3J, L1K, L2K, L3K,
    L1L, L2L, L3L,
    L1P, L2P, L3P, L1Q, L2Q, L3Q,
    L1M, L2M, L3M, L4M, L5M,
    LH, LI, LJ, LK, LL, LM, LN, LO, LP, LQ, LR, LS, LT, LU, LV, LW, LX, LY,
    QH, QHW, SQH, SQHW, RQ, RQW, YF, YFW, NF, NFW,
};
// clang-format on

// The values of every parameter of one draw, indexed by paramIndex.
struct DrawParams : std::array<std::int16_t, kParamCount> {};

} // namespace korvel
