#pragma once

#include "search/Candidate.h"
#include "verify/FormulaFigures.h"

#include <cstdint>

namespace korvel {

class KernelData;

// The search kernel's loops, built for more than one instruction set. VerificationKernel picks one set
// when it is made (the widest the processor runs, unless a test asks for another); every set gives the
// same bits and figures.
enum class KernelIsa : std::uint8_t { Baseline, Avx2 };

// Whether this build and processor can run the loops of `isa`.
bool kernelIsaAvailable(KernelIsa isa);
// The widest available set.
KernelIsa bestKernelIsa();

// Words of the hit bits of one candidate: the rows' words plus one for the shift past an oldest draw
// without prediction.
inline int hitWords(int paddedRows)
{
    return (paddedRows + 63) / 64 + 1;
}

// Working space of runFigures(): a lead of kRunPositionLead entries, the positions of one verdict, and
// room for the entries written and read past them (whole words, whole vectors).
inline constexpr int kRunPositionLead = 32;
inline int runPositions(int paddedRows)
{
    return kRunPositionLead + paddedRows + 64;
}

struct KernelLoops {
    // The verdicts of the counted draws as bits (counted draw j in bit j % 64 of word j / 64), 1 = hit;
    // bits past the counted draws are 0. `judged` digits (1..3) are compared, their numbers (1 百位,
    // 2 十位, 3 个位) in digitNumbers[0..judged-1]. `bits` holds hitWords(data.paddedRows()) words.
    void (*hitBits)(const KernelData& data, const Candidate& c, int judged, const int* digitNumbers, bool kill,
                    std::uint64_t* bits);
    // Hit sum and runs of those bits (the caller sets total and rate). `positions` holds
    // runPositions(data.paddedRows()) entries of working space.
    void (*runFigures)(const KernelData& data, const std::uint64_t* bits, std::uint16_t* positions,
                       FormulaStats& stats);
};

const KernelLoops& kernelLoops(KernelIsa isa);

} // namespace korvel
