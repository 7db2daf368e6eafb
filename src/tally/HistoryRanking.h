#pragma once

#include "formula/Formula.h"
#include "history/SnapshotPtr.h"
#include "tally/TallyTables.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace korvel {

// The ranking store of "公式往期位置值结果列表": for every draw n of the history (0-based, oldest first) its
// issue and digits, and the ten digits ranked by the tally of the selected formulas computed on that draw
// (which predicts draw n + 1). A kill run ranks the least-killed digit first, a keep run the most-kept
// digit first; equal counts keep digit order. Plain data: it can be built on a worker thread and handed
// to the GUI, and the list re-queries other positions and plays from it without recomputing.
struct RankingStore {
    bool kill = true;
    int formulaCount = 0; // formulas counted
    std::vector<QString> issues;
    std::vector<std::array<std::int8_t, 3>> digits;     // L1A 百位, L2A 十位, L3A 个位
    std::vector<std::array<std::int8_t, 10>> rankDigit; // rankDigit[n][r - 1]: the digit at rank r
    std::vector<std::array<std::int16_t, 10>> rankErr;  // its ETrrcount

    int size() const { return static_cast<int>(issues.size()); }
    bool empty() const { return issues.empty(); }
    // The counts of draw n as the work table `Errarr` holds them (rows num 0..9).
    std::array<TallyTableRow, 10> rankingTableRows(int n) const;
};

// Progress of a run: called with (done, total) as it goes; returning false stops the run.
using RankingProgress = std::function<bool(int done, int total)>;

struct RankingRun {
    bool complete = false; // false: stopped by the progress callback; the store is then empty
    RankingStore store;
};

// Computes the ranking of every draw from `formulas` (the selected formulas of the current table and sense,
// each of sense `kill`). Each formula is evaluated once over the whole history; on every draw its value,
// read as an integer MOD 10, names one digit (a value that cannot be computed, or a negative remainder,
// names none), and the tally counts for each digit the formulas that named it, as the kill/keep tally
// does. Cost: one column evaluation per formula plus N small sorts. Thread-safe for a shared snapshot.
RankingRun computeHistoryRanking(const HistorySnapshot& snapshot, std::span<const Formula> formulas, bool kill,
                                 const RankingProgress& progress = {});

// The confirmation asked before a run ("查询等待确认").
QString rankingConfirmTitle();
QString rankingConfirmText();

} // namespace korvel
