#pragma once

#include "formula/FormulaKind.h"
#include "formula/ValueColumn.h"
#include "history/SnapshotPtr.h"
#include "verify/HitRule.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korvel {

class Expression;

// Which value the per-draw display of the history grid shows for a draw (setting LsXs): the formula's
// value on that draw ("Canshu", current-issue display) or the value carried from the previous draw
// ("PreCanshu", next-issue display).
enum class DisplayColumn : std::uint8_t { NextIssue, CurrentIssue };

// First row (0-based, oldest first) of the evaluation window over `drawCount` draws. `windowDraws` is the
// number of newest draws (0 = all draws: the window starts at the second draw, the first has no
// prediction). Otherwise S = N - W - 1 draws are skipped with `excludeCurrent` off, S = N - W with it on; when S is
// below 1 nothing is skipped. The window is [start, drawCount); it is empty when start >= drawCount.
int evaluationWindowStart(int drawCount, int windowDraws, bool excludeCurrent);

// One formula evaluated over the rows a result needs. Rows are snapshot rows (0-based, oldest first).
//   values:  rows [valueFirst, end)   - the expression's value and `canshu` (value read as an integer)
//   hits:    rows [hitFirst, end)     - `PreCanshu` (canshu of the row before) and the verdict `GSCS`
// valueFirst = max(0, hitFirst - 1). A full-history evaluation has hitFirst = 0 (row 0 has no prediction
// and is a miss). An expression that does not compile is `evaluable == false`: every row is empty and
// every verdict a miss; nothing is ever left over from another formula.
struct FormulaEvaluation {
    int valueFirst = 0;
    int hitFirst = 0;
    int end = 0;
    bool evaluable = false;
    QString error; // why the expression does not compile (empty when evaluable)

    ValueColumn values;                      // index row - valueFirst
    std::vector<std::int32_t> intValues;     // index row - valueFirst
    std::vector<std::uint8_t> intValueValid; // value set and within the 32-bit range
    std::vector<std::int16_t> digits;        // intValues % 10 with the dividend's sign, index row - valueFirst
    std::vector<std::uint8_t> hits;          // index row - hitFirst; 1 = hit

    std::optional<double> value(int row) const;
    std::optional<std::int32_t> intValueAt(int row) const;
    // The value carried to `row` from row - 1 (rows >= hitFirst); row 0 has none.
    std::optional<std::int32_t> carriedValue(int row) const;
    // PreCanshu MOD 10 with the dividend's sign (the digit predicted for `row`; negative equals no digit).
    std::optional<int> remainder(int row) const;
    bool hit(int row) const { return hits[static_cast<std::size_t>(row - hitFirst)] != 0; }
    // Verdicts of rows [from, end): the statistics read the window from here.
    std::span<const std::uint8_t> hitsFrom(int from) const;
    // GSZCS: the value shown in the history grid, the display column MOD 10. For "Canshu" the hit colour
    // of row r is hit(r + 1) (whether that value hit the following draw); for "PreCanshu" it is hit(r).
    std::optional<int> displayValue(int row, DisplayColumn column) const;
    // displayValue of every row at once, for the history grid: out[r] for rows [0, end), kNoDisplay where a
    // row has no value (empty, or before the rows evaluated). `out` must hold `end` entries.
    static constexpr std::int8_t kNoDisplay = -128;
    void displayValues(DisplayColumn column, std::span<std::int8_t> out) const;
    // The prediction for the coming draw: the newest draw's value MOD 10, or empty.
    std::optional<int> nextValue() const;
};

// Evaluates one formula of `kind` and sense `kill` over the snapshot, for the verdicts of rows
// [hitFirst, size). hitFirst = 0 gives the full history (per-draw display); the statistics pass passes the
// window start so that only the rows it needs are computed. Thread-safe for a shared expression.
FormulaEvaluation EvaluateFormula(const HistorySnapshot& snapshot, const Expression& expression,
                                  const FormulaKind& kind, bool kill, int hitFirst = 0);
// Same into an existing result, reusing its buffers (a loop over many formulas).
void EvaluateFormula(const HistorySnapshot& snapshot, const Expression& expression, const FormulaKind& kind, bool kill,
                     int hitFirst, FormulaEvaluation& out);

// The prediction for the coming draw without evaluating the rest of the history: the newest draw's value
// read as an integer, MOD 10; empty when it cannot be computed or the history is empty.
std::optional<int> NextValue(const HistorySnapshot& snapshot, const Expression& expression);

} // namespace korvel
