#pragma once

#include "formula/FormulaKind.h"
#include "history/SnapshotPtr.h"
#include "verify/ChanceFigures.h"
#include "verify/FormulaFigures.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace korvel {

struct IntegerSum;

// The integer path of the statistics pass: a formula whose expression is an IntegerSum (plain sums of
// columns, differences, multiples and a constant: everything the search saves) is summed in 32-bit
// integers, judged by the hit rule and kept as bits, from which the figures come by walking words instead of
// draws. The results are exactly those of the general evaluation of the same expression (EvaluateFormula,
// formulaFigures, chanceFigures): the sum is the value the doubles give, read as an integer it is itself,
// and the figures count the same draws with the same weights. A test holds the two paths to that.
//
// Rows are snapshot rows (0-based, oldest first); the judged rows are [first, end). Row 0 carries no value:
// a miss, counted as an empty draw by the chance figures.
struct SumEvaluation {
    int first = 0;
    int end = 0;
    std::vector<std::uint64_t> hits;    // bit (row - first): the verdict, 1 = hit
    std::vector<std::uint64_t> noDigit; // bit (row - first): the carried value names no digit
    std::optional<int> next;            // the newest row's value MOD 10 (the prediction for the coming draw)
};

// Judges rows [first, size) of the snapshot for `sum` of `kind` and sense `kill`, reusing out's buffers.
// Thread-safe for a shared snapshot and sum.
void evaluateSum(const HistorySnapshot& snapshot, const IntegerSum& sum, const FormulaKind& kind, bool kill, int first,
                 SumEvaluation& out);

// formulaFigures of the verdicts of rows [start, end) (start clamped to the judged rows).
FormulaFigures sumFigures(const SumEvaluation& eval, int start, bool weighted, float previousRate = 0.0f);
// chanceFigures over rows [start, end) (start clamped likewise).
ChanceFigures sumChanceFigures(const SumEvaluation& eval, int start, const FormulaKind& kind, bool kill, bool weighted);

// What a walk over the bits [from, to) of a bit set (bit i in word i / 64, bit i % 64) finds: the set bits'
// count and weight (position j = 1, 2, ... from `from`, weight j*j or 1), the longest and the trailing run
// of set bits and of clear bits, saturated at the 16-bit maximum. It visits only the rarer of the two.
struct BitRuns {
    std::int64_t count = 0;
    std::int64_t weight = 0;
    std::int16_t longestSet = 0;
    std::int16_t longestClear = 0;
    std::int16_t trailingSet = 0;
    std::int16_t trailingClear = 0;
};
BitRuns bitRuns(const std::uint64_t* bits, int from, int to, bool weighted);

// Packs n bytes (each 0 or 1) into bits, byte k into bit k; `bytes` holds whole groups of 64 (n rounded up,
// the extra bytes 0) and `bits` (n + 63) / 64 words.
void packBits(const std::uint8_t* bytes, int n, std::uint64_t* bits);

} // namespace korvel
