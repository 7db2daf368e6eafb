#pragma once

#include "formula/Formula.h"
#include "formula/FormulaImport.h"
#include "formula/FormulaKind.h"

#include <QHashFunctions>
#include <QString>

#include <array>
#include <optional>
#include <unordered_set>
#include <vector>

namespace korvel {

class FormulaStore;

// Where the recognised lines of an import go: decided line by line in memory, stored afterwards as one
// batch per table. Each table's row count is read once, when its first line comes, and then held here, so
// a line for a full table is refused without asking the store.
//
// File mode keeps the rule that a line whose table differs from the listed one finds that table rebuilt
// (duplicates removed, numbered 1..n) before it is appended. The first such line of a table gets the
// store's full rebuild; after it the table only grows by this import's own rows, so a later rebuild can
// only drop the one row appended since, when that row repeats an earlier one. That row is still in the
// batch and is simply taken out again. The tables come out as the line-by-line rule leaves them, in the
// order of the lines.
//
// Works inside the caller's transaction; the store must outlive the plan. Not thread-safe.
class FormulaImportPlan {
public:
    FormulaImportPlan(FormulaStore& store, const FormulaKind& listedKind, FormulaImportMode mode);

    // Takes a recognised line. True when it will be stored, false when its table is full
    // (FormulaStore::kMaxFormulas).
    bool take(const FormulaTextLine& line);
    // True when a table this import has opened takes no more lines (take() would refuse the next one).
    // A table no line has reached yet is never full here: opening it may rebuild it, which only a line
    // that is taken should cause.
    bool full(const FormulaKind& kind) const;
    // Appends every table's batch, one store call per table, then renumbers the table of the last line
    // taken. Throws what the store throws.
    void store();

private:
    // A formula's identity for the repeats: its sense and both texts (shared copies, not concatenated).
    struct Key {
        bool kill = true;
        QString expressionText;
        QString displayText;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const
        {
            return qHash(k.expressionText, qHash(k.displayText, k.kill ? 1u : 0u));
        }
    };
    struct Table {
        bool seen = false;
        bool rebuilt = false;          // rebuilt before its first line: later lines drop a trailing repeat
        int rows = 0;                  // stored rows plus the batch
        bool pendingDuplicate = false; // the batch's last row repeats an earlier row of the table
        std::unordered_set<Key, KeyHash> keys;
        std::vector<Formula> batch;
    };

    Table& open(const FormulaKind& kind);

    FormulaStore& m_store;
    FormulaKind m_listedKind;
    FormulaImportMode m_mode;
    std::array<Table, 5> m_tables; // in the order of kAllKinds
    std::optional<FormulaKind> m_lastTaken;
};

} // namespace korvel
