#pragma once

#include "formula/FormulaKind.h"
#include "search/SearchRecord.h"

#include <QString>

#include <optional>
#include <vector>

namespace korvel {

class Database;
class FormulaStore;

// The four ways the search's results go into the formula tables: "公式追加到数据库(&A)" and
// "公式更新到数据库(&N)", each in its manual form and in the automatic form run at the end of a scheme.
enum class SavePath { ManualAppend, AutomaticAppend, ManualReplace, AutomaticReplace };

inline bool isAppend(SavePath p)
{
    return p == SavePath::ManualAppend || p == SavePath::AutomaticAppend;
}
inline bool isAutomatic(SavePath p)
{
    return p == SavePath::AutomaticAppend || p == SavePath::AutomaticReplace;
}

// A change of the main window's selection flags (by idx), to be applied in order.
struct FlagChange {
    std::vector<int> idxs;
    bool selected = true;
};

struct SaveOutcome {
    bool ok = false;
    QString error;                       // why nothing was saved (the tables are as they were)
    int written = 0;                     // rows added
    int added = 0;                       // of these, rows left after de-duplication: new formulas
    int notStored = 0;                   // entries left out: their table was full (FormulaStore::kMaxFormulas)
    std::vector<FormulaKind> tables;     // tables touched, in order, each once
    std::vector<FlagChange> flags;       // selection flags the save sets or clears
    std::optional<FormulaKind> lastKind; // kind of the last entry saved
};

// Saves the entries in order with sense `kill` (the window's sense at the time of saving).
//
// Consecutive entries of one table form a group; after each group the table is de-duplicated and
// renumbered by the formula store (rows equal in sense, expression and Chinese text collapse into the first
// stored one, every statistic is reset, idx runs 1..n). Append keeps a table's formulas; replace empties a
// table the first time this save reaches it (a later group of the same table adds to it, so no found
// formula is lost), and leaves every other table alone.
//
// Selection flags: the manual append selects the formulas a table held before its group; the other paths
// select, per entry, the idx the entry had when it was added, and the automatic replace first clears the
// flags of the rows it deletes. The automatic paths count as if the table were de-duplicated after every
// entry, as saving them one statement at a time would.
//
// The whole save is one transaction: on any failure nothing is written and the reason is returned.
SaveOutcome saveFoundFormulas(Database& db, FormulaStore& store, const std::vector<FoundFormula>& entries, bool kill,
                              SavePath path);

// The completion message and its title: "公式追加完毕！" / "追加公式", "公式更新完毕！" / "更新公式".
QString saveMessage(SavePath path);
// The same, with the count of new formulas and of those already stored (append) or repeated (replace), and
// the number a full table did not take.
QString saveMessage(SavePath path, const SaveOutcome& outcome);
QString saveTitle(SavePath path);

} // namespace korvel
