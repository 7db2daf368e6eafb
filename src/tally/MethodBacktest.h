#pragma once

#include "formula/Formula.h"
#include "formula/FormulaKind.h"
#include "history/SnapshotPtr.h"
#include "tally/SortSettings.h"
#include "tally/TallyChoice.h"
#include "tally/TallyRun.h"
#include "verify/FormulaFigures.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace korvel {

// "方法回测": what the tally of the choice panel would have said before each of the newest K draws, checked
// against the draw.
//   "固定公式": the formulas of the tables as they are now. They were chosen knowing these draws, so the
//     result is in-sample.
//   "滚动搜索" (walk-forward): for every step a fresh search on the history up to the draw before; what the
//     method would really have done.
enum class BacktestMode : std::uint8_t { Fixed, WalkForward };

QString backtestModeName(BacktestMode mode); // "固定公式" / "滚动搜索"

// The formulas a step tallies for one table and sense, given the history the step may see (the draws before
// the predicted one). The stats of the returned formulas are ignored: the backtest counts them again on that
// history. `stop()` tells a long source (the walk-forward search) that the run was cancelled; it returns
// nullopt then.
using BacktestFormulaSource = std::function<std::optional<std::vector<Formula>>(
    const HistorySnapshot& seen, const FormulaKind& kind, bool kill, int step, const std::function<bool()>& stop)>;

// The formulas of the store as they are, the same for every step ("固定公式").
BacktestFormulaSource fixedFormulaSource(TallyFormulaSource formulas);

struct BacktestRequest {
    TallyChoice choice; // position, play, sense and method; the mode is ignored (every step verifies a draw)
    std::optional<SortSettings> sort; // the best method's order
    FigureSettings figures;           // how the figures of the best order are counted (JSQS, SyBq, ZqlJq)
    int draws = 100;                  // K: the newest K draws are predicted
    BacktestMode mode = BacktestMode::Fixed;
};

// One position slot of one predicted draw.
struct BacktestSlot {
    int slot = 0; // 0 通选, 1 个位, 2 十位, 3 百位
    FormulaKind kind;
    std::array<std::int16_t, 10> counts{}; // `ETrrcount` of each digit
    std::array<std::int8_t, 10> rankOf{};  // rank 1..10 of each digit, in the result view's order
    std::array<bool, 10> filtered{};       // "滤杀" (else "保留"), the result view's mark
    std::vector<int> drawn;                // the drawn digits the slot is judged on (one; two or three for 通选)
    bool killed = false;                   // a drawn digit was marked 滤杀
    int rank = 0;                          // the drawn digit's rank (通选: the worst rank of the drawn digits)
    int formulas = 0;                      // formulas the tally took for the slot
    int filteredCount = 0;                 // digits marked 滤杀
};

struct BacktestDraw {
    int row = 0; // snapshot row of the predicted draw
    QString issue;
    int d1 = 0, d2 = 0, d3 = 0;
    std::vector<BacktestSlot> slotResults;
};

// "kill the n weakest digits": the draws where every drawn digit of the slot survived (rank <= 10 - n).
struct SurvivalLine {
    int n = 0;
    int survived = 0;
    int draws = 0;
    double share = 0;  // survived / draws
    double chance = 0; // ((10 - n) / 10)^j for j judged digits: 0.9 ... 0.1 for one position
    double low = 0;    // 95 % Wilson interval of the share
    double high = 0;
};

struct BacktestSummary {
    int slot = 0;
    std::array<SurvivalLine, 9> lines{}; // n = 1..9
    int killed = 0;                      // draws where a drawn digit was marked 滤杀
    double killedChance = 0;             // what uniformly random digits give with the same marks
};

struct BacktestResult {
    enum class Status {
        Done,
        Cancelled,        // stopped by the progress callback: nothing to show
        NoDraws,          // K = 0 (or negative)
        TooFewDraws,      // K draws need K + 1 in the history
        EmptyWindow,      // the first step's history has no counted draw
        SortNotConfirmed, // best method without confirmed sort settings
        NoGroupPlay,      // 通选 at 个位
    };
    Status status = Status::Done;
    QString message; // the reason, for every status but Done and Cancelled
    BacktestMode mode = BacktestMode::Fixed;
    bool inSample = false; // fixed formulas: chosen knowing the draws
    std::vector<BacktestDraw> draws;
    std::vector<BacktestSummary> summary; // one per slot, in slot order

    bool done() const { return status == Status::Done; }
};

// Progress: (steps done, steps in all); returning false cancels.
using BacktestProgress = std::function<bool(int done, int total)>;

// The checks before anything is computed (K, history length, window, sort settings, play); Done when the
// run can go. Cheap.
BacktestResult checkBacktest(const HistorySnapshot& snapshot, const BacktestRequest& request);

// Runs the backtest. Step i predicts row r = N - K + i from the draws before it only: the formulas of the
// source, their figures counted on rows [0, r) with the request's figure settings, the best order and the
// values on row r - 1, all through `ComputeTally` on the truncated history. Thread-safe for a shared
// snapshot when the callbacks are.
BacktestResult runMethodBacktest(const HistorySnapshot& snapshot, const BacktestRequest& request,
                                 const BacktestFormulaSource& formulas, const TallySelection& selected,
                                 const BacktestProgress& progress = {});

// The newest `rows` draws dropped: the history as it stood before row `rows`.
HistorySnapshot snapshotPrefix(const HistorySnapshot& snapshot, int rows);

// The kinds a step tallies: the group table of the position, or the single tables 1..p.
std::vector<FormulaKind> backtestKinds(const TallyChoice& c);

// 95 % Wilson score interval of `hits` successes in `n` trials ({0, 1} when n = 0).
std::pair<double, double> wilsonInterval(int hits, int n);

} // namespace korvel
