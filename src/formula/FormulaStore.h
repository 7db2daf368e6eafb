#pragma once

#include "formula/Formula.h"
#include "formula/FormulaKind.h"

#include <QString>

#include <string>
#include <vector>

namespace korvel {

class Database;

// Figures of one formula to be stored, addressed by the formula's own `idx`.
struct StoredFigures {
    int idx = 0;
    FormulaStats stats;
};

// What a renumbering did: the old and the new `idx` of every row left, in stored order.
struct Renumbering {
    struct Move {
        int from = 0;
        int to = 0;
    };
    std::vector<Move> moves;
    int deleted = 0;
};

// The five formula tables of `formula.mdb` (one per kind) and the commands that change them.
//
// A table has no key of its own: `idx` numbers its rows 1..n and every list is in `idx` order. Renumbering
// walks the rows in their stored order (SQLite's rowid order), which is the order in which they were added.
// The table name of every statement comes from the fixed list of the schema, never from outside; every
// value is a bound parameter. Each command that writes more than one row runs in one transaction: it either
// completes or leaves the tables as they were, and a failure is thrown (SQLite::Exception).
//
// Statistics columns that were never written (a new or rebuilt row) read as 0.
//
// Every row added records the newest stored issue at that moment (Formula::entryIssue); renumbering,
// de-duplicating and figure write-backs keep it. A file opened read-only without the column reads none.
//
// Not thread-safe; works on the connection of the Database it was given, which must stay open.
// "N 条公式没有保存：每类公式最多 32767 条。", for the messages of every command that adds formulas.
QString formulaLimitText(int notStored);

class FormulaStore {
public:
    explicit FormulaStore(Database& db);

    // The formulas of one sense of a table, in `idx` order (ties in stored order).
    std::vector<Formula> list(const FormulaKind& kind, bool kill) const;
    // Every formula of a table, both senses, in `idx` order.
    std::vector<Formula> listAll(const FormulaKind& kind) const;
    int count(const FormulaKind& kind) const;
    int count(const FormulaKind& kind, bool kill) const;

    // The most formulas one table holds: `idx`, the selection flags and the tally counts are 16-bit.
    static constexpr int kMaxFormulas = 32767;

    // Adds one row and returns its `idx`: 1 when the table is empty or its last stored row carries an `idx`
    // below 1, else the number of rows plus one. The statistics stay empty until the next write-back.
    // A table that already holds kMaxFormulas rows takes none: 0 is returned.
    int appendFormula(const FormulaKind& kind, const QString& expressionText, const QString& displayText, bool kill);
    // Adds several rows in one transaction (one prepared statement), each numbered by the same rule;
    // returns their `idx`. Only the formulas that fit under kMaxFormulas are stored: the result is then
    // shorter than `formulas` (those left out are the last ones).
    std::vector<int> appendFormulas(const FormulaKind& kind, const std::vector<Formula>& formulas);

    // Deletes the formulas with these `idx` and renumbers the table 1..n in stored order, in one
    // transaction. Missing `idx` values are ignored. The result says how many rows went and where every
    // remaining row's number moved, so that whatever is kept by `idx` can follow its formula.
    Renumbering deleteFormulas(const FormulaKind& kind, const std::vector<int>& idxs);
    Renumbering deleteFormula(const FormulaKind& kind, int idx) { return deleteFormulas(kind, {idx}); }

    // Sets `idx` to 1, 2, 3, ... in stored order.
    Renumbering renumber(const FormulaKind& kind);

    // Empties all five tables in one transaction.
    void clearAll();

    // De-duplicates and renumbers a table: of the rows equal in sense, expression and Chinese text only the
    // first stored one is kept, every statistic is reset, and `idx` runs 1..n in stored order. One
    // transaction. Returns the number of rows left.
    int rebuild(const FormulaKind& kind);

    // Writes the figures of one sense's formulas, each to the row with its `idx` (never by position, so
    // that a table holding both senses keeps every figure with its own formula). One transaction.
    void writeFigures(const FormulaKind& kind, bool kill, const std::vector<StoredFigures>& figures);

    // The table name of a kind, checked against the schema's list; throws std::invalid_argument for a kind
    // that has no table (个位通选).
    static std::string tableOf(const FormulaKind& kind);

    bool isOpen() const;

private:
    std::vector<Formula> query(const std::string& sql, const bool* kill) const;
    Renumbering renumberInTransaction(const std::string& table);

    Database& m_db;
};

} // namespace korvel
