#pragma once

#include "formula/Formula.h"
#include "formula/FormulaKind.h"
#include "history/SnapshotPtr.h"
#include "tally/SortSettings.h"
#include "tally/TallyChoice.h"
#include "tally/TallySet.h"
#include "verify/HitRule.h"

#include <QHash>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace korvel {

class FormulaList;
class FormulaStore;

// The formulas of one sense of a table, in `idx` order, with their stored figures.
using TallyFormulaSource = std::function<std::vector<Formula>(const FormulaKind& kind, bool kill)>;
// Whether the formula `idx` of a table takes part ("计算选中公式", and the best method's skip).
using TallySelection = std::function<bool(const FormulaKind& kind, int idx)>;

TallyFormulaSource formulaSourceOf(const FormulaStore& store);
// The selection of the main window's formula list for its own table and sense. The flags only exist for
// the list shown, so the formulas of the other tables of a per-position tally all take part, as they
// would after choosing their kind.
TallySelection selectionOf(const FormulaList& list);

// One formula the run looked at, with the value it took on the reference draw.
struct TallyFormulaValue {
    int idx = 0;
    bool selected = false;
    std::optional<int> value; // the value read as an integer, MOD 10 (negative stays negative); empty when
                              // it cannot be computed or the formula was skipped unselected
    int digit = kNoDigit;     // the digit counted (namedDigit), kNoDigit when none
};

// The walk over one table for one slot.
struct TallySlotRun {
    int slot = 0;
    FormulaKind kind;
    std::vector<TallyFormulaValue> walk; // in walk order (the best method's sort order, else idx order)
    int covered = 0;                     // distinct digits counted
    int limit = 0;                       // best method: the walk stops when `covered` reaches it

    // idx -> value text of every selected formula the walk computed (the list's "计算值" form).
    QHash<int, QString> valueTexts() const;
};

struct TallyOutcome {
    enum class Status {
        Done,               // the slots are tallied; the view opens
        SortNotConfirmed,   // best method without confirmed sort settings: nothing tallied, no view
        VerifyIssueMissing, // verify issue not in the history: nothing tallied, no view
        VerifyIssueFirst,   // verify issue is the first draw (nothing before it): nothing tallied, no view
    };
    Status status = Status::Done;
    QString messageTitle; // the message to show for the verify problems
    QString messageText;
    int referenceRow = -1; // snapshot row the values were taken on (-1 with an empty history)
    std::vector<TallySlotRun> runs;
    bool scrollListToLast = false; // the best walk of the last position visited 30 rows or more

    bool done() const { return status == Status::Done; }
};

// The draw the values are taken on: the newest in next mode (-1 with an empty history), the one before
// the verify issue in verify mode. A verify issue that is not stored, or is the first draw, gives the
// status and the message to show instead.
struct ReferenceDraw {
    int row = -1;
    TallyOutcome::Status status = TallyOutcome::Status::Done;
    QString messageTitle;
    QString messageText;
};
ReferenceDraw referenceDraw(TallyMode mode, const QString& verifyIssue, const HistorySnapshot& snapshot);

// `ComputeTally`: the tally of the choice (scope, method, mode) into `tally`, clearing exactly the slots it
// computes (slot 0 for 通选, 1..p per position). The reference draw is the newest draw in next mode and
// the draw before the verify issue in verify mode; every formula that takes part names the digit of its
// value on that draw MOD 10, and the digit is counted for the slot.
//   Selected method: every selected formula of the table, in `idx` order.
//   Best method: the formulas in the order of the sort settings (each key descending or ascending, ties in
//   `idx` order), counted until kill: 10 - keepLimit, keep: keepLimit distinct digits are covered; a limit
//   of 0 or less counts nothing. Unconfirmed settings stop the run.
// When the run does not take place the tally set is left untouched.
TallyOutcome ComputeTally(const TallyChoice& choice, const QString& verifyIssue, const HistorySnapshot& snapshot,
                          const TallyFormulaSource& formulas, const TallySelection& selected,
                          const std::optional<SortSettings>& sort, TallySet& tally);

// The best method's order of a table's formulas (stable on the given `idx` order).
std::vector<Formula> bestOrder(std::vector<Formula> formulas, const SortSettings& sort);

} // namespace korvel
