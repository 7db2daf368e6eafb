#pragma once

#include "tally/HistoryRanking.h"
#include "tally/RankingList.h"
#include "tally/TallyChoice.h"
#include "tally/TallyResult.h"
#include "tally/TallyRun.h"
#include "tally/TallySet.h"

#include <functional>
#include <optional>
#include <vector>

namespace korvel {

class Database;
class Dialogs;
class FormulaList;
class Session;

// The choice panel of the session as "计算公式(&C)" reads it.
TallyChoice tallyChoiceOf(const Session& session);

// "计算公式(&C)" over a session: holds the program's tally set (for the run's lifetime) and dispatches each
// press to `ComputeTally` for the panel's scope, method and mode.
//
// The formula list is the one the session keeps current; its selection decides for its own table (see
// selectionOf). Before a best-formula run the window shows "公式排序设置" modally through `askSortSettings`
// (which stores the settings in the session on "确定(&O)"); a verify issue that cannot be verified is told
// before that, through the session's dialogs, and nothing is tallied. GUI thread only.
class TallyCommand {
public:
    explicit TallyCommand(Session& session);

    struct Run {
        TallyOutcome outcome;
        TallyResult::Setup view; // what to load into the result window when outcome.done()
    };
    // `askSortSettings` shows the sort dialog modally; without one the session's settings are used as they
    // stand (the command line, tests).
    Run compute(const std::function<void()>& askSortSettings = {});

    const TallySet& tally() const { return m_tally; }
    // The view of the last run that tallied (what its slots of tally() mean), or nullopt before one.
    const std::optional<TallyResult::Setup>& lastView() const { return m_lastView; }

private:
    Session& m_session;
    TallySet m_tally;
    std::optional<TallyResult::Setup> m_lastView;
};

// The selected formulas of the list, in list order (the history ranking counts these).
std::vector<Formula> selectedFormulas(const FormulaList& list);

// "公式往期位置值结果列表": asks "查询等待确认" (OK / Cancel); true to go on.
bool confirmHistoryRanking(Dialogs& dialogs);
// After a complete run: the work table `Errarr` gets the counts of the newest draw, as the per-draw
// computation leaves it. False (with the reason) when the write failed; the store is still valid.
bool storeRankingWorkTable(Database& db, const RankingStore& store, QString* error = nullptr);

// The whole command on the GUI thread (the command line, tests; the window runs the computation on a
// worker with the same pieces): confirmation, computation with progress and stop, the work table. Empty
// when cancelled or stopped.
std::optional<RankingStore> runHistoryRanking(Session& session, const RankingProgress& progress = {});

} // namespace korvel
