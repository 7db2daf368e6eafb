#pragma once

#include "search/SearchJobs.h"
#include "search/SearchSettings.h"
#include "tally/MethodBacktest.h"

#include <cstdint>
#include <map>

namespace korvel {

class SettingsStore;

// What the search of every step of a walk-forward backtest ("滚动搜索") runs with: the stored thresholds and
// operand count of each kind for the sense, the tail constant rule, how many formulas a step looks for
// (like "自动中止") and a cap on the candidates a step may verify.
struct WalkForwardPlan {
    std::map<int, KindPlan> kinds; // by kind number
    int formulasPerStep = 100;
    std::int64_t candidatesPerStep = 2'000'000;
    std::uint64_t seed = 1;
    int threads = 0; // 0: one per core
    int windowDraws = 300;
    bool weighted = true;
    // Every step first tries the small spaces whole (one and two operands, every constant 0-9) before the
    // kind's own rule, so that a pattern of one or two parameters is found whatever the operand count.
    bool smallSpacesFirst = true;
    std::uint64_t exhaustiveLimit = kDefaultExhaustiveLimit;
    // Formulas far beyond chance among all the step tried (one-sided p below 1 % shared over the candidates
    // verified) are evidence of a pattern: when a step finds any, it tallies those alone, since the ones
    // chance selects only dilute them. A step without any tallies every formula found.
    bool preferSignificant = true;
};

// The stages a step's search of `rule` runs, in order.
std::vector<SearchStage> walkForwardStages(const CandidateRule& rule, const WalkForwardPlan& plan);

// The plan from the stored settings: thresholds of kinds 1, 2, 3, 5, 6 for the sense, their operand counts,
// the evaluation window and weighting of the options as the search reads them.
WalkForwardPlan storedWalkForwardPlan(const SettingsStore& store, bool kill, const CandidateRule& base,
                                      const FigureSettings& figures);

// The seed of step `step`: a different, reproducible sequence per step.
std::uint64_t stepSeed(std::uint64_t seed, int step);

// A formula source that searches, for every step, the history the step sees (nothing else exists for the
// search: its columns are built from that history alone) and hands over the formulas found. Nothing is
// saved. The search runs on `threads` workers and is stopped when the backtest is cancelled.
BacktestFormulaSource walkForwardSource(const WalkForwardPlan& plan);

} // namespace korvel
