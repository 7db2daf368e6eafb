#pragma once

#include "formula/FormulaKind.h"
#include "search/Candidate.h"
#include "search/VerificationKernel.h"
#include "verify/ChanceFigures.h"

namespace korvel {

// The chance figures of a search candidate over the kernel's counted draws (the rate's draws and weights),
// from the candidate's carried values and the shared hit rule. For accepted formulas only: it sums the
// columns once more, at the general evaluator's cost, so it is not for the candidate loop.
ChanceFigures candidateChance(const KernelData& data, const Candidate& c, const FormulaKind& kind, bool kill);

} // namespace korvel
