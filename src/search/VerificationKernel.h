#pragma once

#include "formula/FormulaKind.h"
#include "history/SnapshotPtr.h"
#include "search/Candidate.h"
#include "search/KernelLoops.h"
#include "search/ThresholdTable.h"
#include "verify/FormulaFigures.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace korvel {

// The draws a search candidate is judged on, copied out of a snapshot once per search so that every
// candidate reads short contiguous int16 columns.
//
// The counted draws are the evaluation window with "SyBq" off: all draws but the oldest for window 0,
// else the newest W + 1 draws (everything when the history is shorter). A counted draw's verdict reads the
// value of the draw before it, so the columns hold the window's rows shifted back by one; when the window
// starts at the oldest draw, that draw has no prediction and is a miss.
//
// With `maxLag` > 0 the columns of the parameters of the maxLag earlier draws are held too (operand codes
// of Candidate.h): the same columns shifted. Rows whose earlier draw lies before the oldest draw have no
// value there (they count as misses, see unevaluableRows()).
//
// Immutable once built; shared by the kernels of every kind and by any number of worker threads.
class KernelData {
public:
    KernelData(const HistorySnapshot& snapshot, int windowDraws, bool weighted, int maxLag = 0);

    int drawCount() const { return m_drawCount; }
    int windowStart() const { return m_windowStart; }
    // Draws counted by the statistics.
    int counted() const { return m_counted; }
    // Counted draws that carry a prediction (counted - 1 when the oldest draw is counted).
    int predicted() const { return m_predicted; }
    bool leadingMiss() const { return m_counted > m_predicted; }
    bool weighted() const { return m_weighted; }

    int maxLag() const { return m_maxLag; }
    // Leading rows on which a candidate has no value: those whose earliest named draw precedes the history.
    int unevaluableRows(const Candidate& c) const
    {
        int lag = 0;
        for (int k = 0; k < c.operandCount; ++k) {
            lag = std::max(lag, operandLag(c.operands[static_cast<std::size_t>(k)]));
        }
        return std::min(std::max(0, lag - m_valueFirst), m_predicted);
    }

    // Values of operand code n (a vocabulary number 1..77, or of an earlier draw, up to maxLag) on the rows
    // whose value predicts a counted draw, oldest first.
    const std::int16_t* column(int vocabularyNumber) const
    {
        return m_columns.data() + static_cast<std::size_t>(vocabularyNumber - 1) * m_stride;
    }
    // The same values modulo 10, for columns without negative values (nonNegative()).
    const std::uint8_t* columnMod10(int vocabularyNumber) const
    {
        return m_mod10.data() + static_cast<std::size_t>(vocabularyNumber - 1) * m_stride;
    }
    bool nonNegative(int vocabularyNumber) const { return columnMin(vocabularyNumber) >= 0; }
    std::int32_t columnMin(int vocabularyNumber) const { return m_min[static_cast<std::size_t>(vocabularyNumber - 1)]; }
    std::int32_t columnMax(int vocabularyNumber) const { return m_max[static_cast<std::size_t>(vocabularyNumber - 1)]; }
    // Digits of the predicted draws: d1 百位, d2 十位, d3 个位.
    const std::int16_t* digits(int d) const { return m_digits[static_cast<std::size_t>(d - 1)].data(); }
    const std::uint8_t* digits8(int d) const { return m_digits8[static_cast<std::size_t>(d - 1)].data(); }
    // Rows of the columns and digits, padded with zeros to whole blocks of kBlock.
    int paddedRows() const { return static_cast<int>(m_stride); }
    // Weight of counted draw j (0-based): (j + 1)^2 when weighted, else 1, zero beyond the counted draws
    // (as many entries as the verdict buffer: the counted draws padded to whole 64-bit words plus one
    // block); and their sum.
    const std::vector<std::int64_t>& weights() const { return m_weights; }
    std::int64_t weightTotal() const { return m_weightTotal; }

    // Rows per block: one 64-bit word of verdicts.
    static constexpr int kBlock = 64;

private:
    int m_drawCount = 0;
    int m_windowStart = 0;
    int m_counted = 0;
    int m_predicted = 0;
    bool m_weighted = true;
    std::size_t m_stride = 0;
    std::vector<std::int16_t> m_columns;
    std::vector<std::uint8_t> m_mod10;
    int m_maxLag = 0;
    int m_valueFirst = 0;
    std::vector<std::int32_t> m_min;
    std::vector<std::int32_t> m_max;
    std::array<std::vector<std::int16_t>, 3> m_digits;
    std::array<std::vector<std::uint8_t>, 3> m_digits8;
    int m_verdictCapacity = 0;
    std::vector<std::int64_t> m_weights;
    std::int64_t m_weightTotal = 0;
};

using KernelDataPtr = std::shared_ptr<const KernelData>;

// Working buffers of one thread.
struct KernelScratch {
    std::vector<std::uint64_t> bits;      // verdicts of the counted draws, 64 to a word, oldest draw in bit 0
    std::vector<std::uint8_t> hits;       // the same one per draw, 1 = hit (filled by verdicts() only)
    std::vector<std::uint16_t> positions; // the figures' working space (runPositions())
};

// Verifies search candidates (sums of vocabulary columns plus a constant) for one kind and sense: the
// value on every row the window needs, the remainder carried to the next draw, the kind's hit rule and the
// figures. It gives exactly the figures of the general evaluator (verify/Evaluation.h and
// verify/FormulaFigures.h) for the candidate's expression with the window's "SyBq" off; a test holds it to
// that. Const and thread-safe; each thread passes its own scratch.
class VerificationKernel {
public:
    // `isa`: the instruction set of the loops; tests ask for each one, everything else takes the widest.
    VerificationKernel(KernelDataPtr data, const FormulaKind& kind, bool kill, KernelIsa isa = bestKernelIsa());

    const KernelData& data() const { return *m_data; }
    const FormulaKind& kind() const { return m_kind; }
    bool kill() const { return m_kill; }

    // Figures of the candidate over the counted draws. An empty window gives zero totals and rate 0.
    FormulaFigures figures(const Candidate& c, KernelScratch& scratch) const;
    // The per-draw verdicts of the counted draws (for tests and displays): scratch.hits after the call.
    void verdicts(const Candidate& c, KernelScratch& scratch) const;

private:
    KernelDataPtr m_data;
    FormulaKind m_kind;
    bool m_kill = true;
    const KernelLoops* m_loops = nullptr;
    int m_judged = 1;                    // digits compared: 1 (single play), 2 or 3 (group plays)
    std::array<int, 3> m_digitNumbers{}; // their numbers: 1 百位, 2 十位, 3 个位
};

// The qualify test against a threshold snapshot: every one of the five figures must lie within its
// bounds. The rate bounds are (t0 - 0.0001) and (t1 + 0.0001) rounded to single precision and compared
// with the single-precision rate; the runs compare in double with the same 0.0001 slack. An empty window
// never qualifies.
bool qualifies(const FormulaFigures& f, const Thresholds& t);

// qualifies() against one threshold snapshot, its bounds worked out once for the millions of candidates
// of a search: the rate bounds as the same floats, the run bounds as whole numbers (a run being whole,
// run >= x - 0.0001 exactly when run >= ceil(x - 0.0001)). The same verdict on every figure.
class QualifyBounds {
public:
    explicit QualifyBounds(const Thresholds& t);
    bool operator()(const FormulaFigures& f) const
    {
        const FormulaStats& s = f.stats;
        bool ok = !f.windowEmpty;
        ok &= m_rateLow <= s.rate && s.rate <= m_rateHigh;
        const std::int16_t runs[4] = {s.errCon, s.trueCon, s.errLst, s.trueLst};
        for (std::size_t i = 0; i < 4; ++i) {
            ok &= m_low[i] <= runs[i] && runs[i] <= m_high[i];
        }
        return ok;
    }

private:
    float m_rateLow = 0;
    float m_rateHigh = 0;
    std::array<std::int32_t, 4> m_low{}; // errCon, trueCon, errLst, trueLst
    std::array<std::int32_t, 4> m_high{};
};

} // namespace korvel
