#pragma once

#include "history/SnapshotPtr.h"
#include "search/WalkForwardSearch.h"
#include "tally/MethodBacktest.h"

#include <QJsonObject>

namespace korvel {

class Session;

// Everything a backtest run reads, taken from the session on the GUI thread so that the run itself can go
// on a worker: the snapshot (shared, immutable), the request, the formulas of the tables as they stand now
// ("固定公式") or the walk-forward search, and a copy of the list's selection.
struct BacktestInput {
    SnapshotPtr snapshot;
    BacktestRequest request;
    BacktestFormulaSource formulas;
    TallySelection selection;
};

// The choice is the panel's (tallyChoiceOf) or the command line's; the sort settings, the figure settings
// and, for the walk-forward, the stored search settings come from the session. `plan` fills in the
// per-step options of the walk-forward (formulas and candidates per step, seed, threads); its kinds and
// window are replaced by the stored ones.
BacktestInput prepareBacktest(Session& session, const TallyChoice& choice, BacktestMode mode, int draws,
                              const WalkForwardPlan& plan = {});

// The result as a JSON document (the command line's --json, the tests): mode, in-sample flag, the summary
// per slot and every draw.
QJsonObject backtestJson(const BacktestResult& result);

// The digits of a slot in rank order, each followed by its mark: "3保 1保 ... 9杀".
QString rankedDigitsText(const BacktestSlot& slot);
// Name of a slot: "通选", "个位", "十位", "百位".
QString backtestSlotName(int slot);

} // namespace korvel
