#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace korvel {

inline constexpr int kParamCount = 77;

// The 77 stored parameters of a draw. The enumerator's value is its vocabulary number minus one, so
// Param(n - 1) is vocabulary number n; the column of `Lishi` is named by the code.
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

using DrawParams = std::array<std::int16_t, kParamCount>;

constexpr int paramIndex(Param p) { return static_cast<int>(p); }
constexpr Param paramAt(int index) { return static_cast<Param>(index); }

// Column code ("L1A" ... "NFW").
const char* paramCode(Param p);
// Column codes compare as the database compares column names: without regard to case.
std::optional<Param> paramFromCode(QStringView code);

// The parameter vocabulary: numbers 1..77 with their code and Chinese name.
Param vocabularyParam(int number);
QString vocabularyName(int number);
std::optional<int> vocabularyNumberOfName(QStringView name);

} // namespace korvel
