#pragma once

#include "formula/Formula.h"
#include "formula/FormulaKind.h"
#include "history/SnapshotPtr.h"

#include <QString>

#include <cstdint>
#include <span>

namespace korvel {

class Expression;

// How the figures of a formula are counted (settings JSQS, SyBq, ZqlJq).
struct FigureSettings {
    int windowDraws = 300;      // newest draws counted; 0 = all draws
    bool excludeCurrent = true; // the window excludes the draw before the newest W
    bool weighted = true;       // the j-th draw of the window weighs j*j
};

struct FormulaFigures {
    FormulaStats stats;
    bool windowEmpty = false; // no draw in the window: totals 0 and the rate left as it was
};

// Figures from the verdicts of the window's draws, oldest first: weights j*j (j = 1, 2, ... from the
// oldest) or 1, 64-bit totals, longest and current runs (saturated at the 16-bit maximum),
// rate = hitSum / total * 100 as a float. An empty window keeps `previousRate`.
FormulaFigures formulaFigures(std::span<const std::uint8_t> windowHits, bool weighted, float previousRate = 0.0f);

// Evaluates the formula over the rows its window needs and returns its figures. An expression that does
// not compile counts every draw as a miss and has stats.evaluable == false.
FormulaFigures formulaFigures(const HistorySnapshot& snapshot, const Expression& expression, const FormulaKind& kind,
                              bool kill, const FigureSettings& settings, float previousRate = 0.0f);

// The rate cell text: rate formatted "00.0000", then "% (", hit sum, "/", total, ")", for example
// "43.3333% (13/30)" or "05.0000% (1/20)".
QString rateText(const FormulaStats& stats);

} // namespace korvel
