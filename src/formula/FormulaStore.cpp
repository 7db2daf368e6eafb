#include "formula/FormulaStore.h"

#include "platform/Database.h"
#include "platform/WriteTransaction.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

namespace korvel {

namespace {

// Columns in the order every read selects them; the entry issue last, NULL in a file without it.
std::string columnsOf(const Database& db)
{
    return std::string("idx, gongshi, gongshiCN, bolKill, sglGsRate, intGsErrCon, intGsTrueCon, intGsErrLst, "
                       "intGsTrueLst, ") +
           (db.hasEntryIssue() ? schema::kEntryIssueColumn : "NULL");
}

// The reads of a row go to SQLite directly: a list of tens of thousands of rows is read at every start.
QString textAt(sqlite3_stmt* q, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(q, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(q, column)) : QString();
}

std::int16_t shortAt(sqlite3_stmt* q, int column)
{
    return static_cast<std::int16_t>(sqlite3_column_int(q, column)); // NULL reads as 0
}

// Reads one row; `lastIssue` is the entry issue of the row before, shared when equal (most rows came in
// together), so that a list holds one copy of it.
Formula formulaOf(sqlite3_stmt* q, std::optional<QString>& lastIssue, std::string& lastIssueBytes)
{
    Formula f;
    f.idx = sqlite3_column_int(q, 0);
    f.expressionText = textAt(q, 1);
    f.displayText = textAt(q, 2);
    f.kill = sqlite3_column_int(q, 3) != 0;
    f.stats.rate = static_cast<float>(sqlite3_column_double(q, 4));
    f.stats.errCon = shortAt(q, 5);
    f.stats.trueCon = shortAt(q, 6);
    f.stats.errLst = shortAt(q, 7);
    f.stats.trueLst = shortAt(q, 8);
    if (sqlite3_column_type(q, 9) != SQLITE_NULL) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(q, 9));
        const int bytes = sqlite3_column_bytes(q, 9);
        const std::string_view issue(text ? text : "", static_cast<std::size_t>(bytes));
        if (!lastIssue || lastIssueBytes != issue) {
            lastIssue = QString::fromUtf8(text, bytes);
            lastIssueBytes.assign(issue);
        }
        f.entryIssue = lastIssue;
    }
    return f;
}

using RawStatement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

// A statement on the bare interface, for the loops over every row of a table.
RawStatement prepareRaw(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* raw = nullptr;
    if (const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr); rc != SQLITE_OK) {
        sqlite3_finalize(raw);
        throw SQLite::Exception(db, rc);
    }
    return RawStatement(raw, sqlite3_finalize);
}

void check(sqlite3* db, int rc, int expected = SQLITE_OK)
{
    if (rc != expected) {
        throw SQLite::Exception(db, rc);
    }
}

} // namespace

FormulaStore::FormulaStore(Database& db) : m_db(db) {}

bool FormulaStore::isOpen() const
{
    return m_db.isOpen();
}

std::string FormulaStore::tableOf(const FormulaKind& kind)
{
    const QString name = kind.tableName();
    if (!kind.valid() || !Database::formulaTables().contains(name)) {
        throw std::invalid_argument("no formula table for kind " + name.toStdString());
    }
    return name.toStdString();
}

// Rows are read in stored order and put in idx order here: a table is nearly always stored in idx order
// already, and then nothing is sorted (SQLite would first sort every row's record, having no index on idx).
std::vector<Formula> FormulaStore::query(const std::string& sql, const bool* kill) const
{
    sqlite3* db = m_db.sql().getHandle();
    const RawStatement q = prepareRaw(db, sql);
    if (kill) {
        sqlite3_bind_int(q.get(), 1, *kill ? 1 : 0);
    }
    std::vector<Formula> out;
    // The sort key of each row as SQLite orders idx: NULL before every number.
    std::vector<std::pair<bool, int>> keys;
    bool ordered = true;
    std::optional<QString> lastIssue;
    std::string lastIssueBytes;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(q.get())) == SQLITE_ROW) {
        keys.emplace_back(sqlite3_column_type(q.get(), 0) != SQLITE_NULL, sqlite3_column_int(q.get(), 0));
        ordered = ordered && (keys.size() == 1 || !(keys.back() < keys[keys.size() - 2]));
        out.push_back(formulaOf(q.get(), lastIssue, lastIssueBytes));
    }
    if (rc != SQLITE_DONE) {
        throw SQLite::Exception(db, rc);
    }
    if (!ordered) {
        std::vector<std::size_t> order(out.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
        std::vector<Formula> sorted;
        sorted.reserve(out.size());
        for (const std::size_t i : order) {
            sorted.push_back(std::move(out[i]));
        }
        out = std::move(sorted);
    }
    return out;
}

std::vector<Formula> FormulaStore::list(const FormulaKind& kind, bool kill) const
{
    const std::string sql =
        "SELECT " + columnsOf(m_db) + " FROM " + tableOf(kind) + " WHERE (bolKill <> 0) = ? ORDER BY rowid";
    return query(sql, &kill);
}

std::vector<Formula> FormulaStore::listAll(const FormulaKind& kind) const
{
    const std::string sql = "SELECT " + columnsOf(m_db) + " FROM " + tableOf(kind) + " ORDER BY rowid";
    return query(sql, nullptr);
}

int FormulaStore::count(const FormulaKind& kind) const
{
    return m_db.sql().execAndGet("SELECT count(*) FROM " + tableOf(kind)).getInt();
}

int FormulaStore::count(const FormulaKind& kind, bool kill) const
{
    SQLite::Statement q(m_db.sql(), "SELECT count(*) FROM " + tableOf(kind) + " WHERE (bolKill <> 0) = ?");
    q.bind(1, kill ? 1 : 0);
    q.executeStep();
    return q.getColumn(0).getInt();
}

int FormulaStore::appendFormula(const FormulaKind& kind, const QString& expressionText, const QString& displayText,
                                bool kill)
{
    Formula f;
    f.expressionText = expressionText;
    f.displayText = displayText;
    f.kill = kill;
    const std::vector<int> idxs = appendFormulas(kind, {f});
    return idxs.empty() ? 0 : idxs.front();
}

QString formulaLimitText(int notStored)
{
    return QStringLiteral("%1 条公式没有保存：每类公式最多 %2 条。").arg(notStored).arg(FormulaStore::kMaxFormulas);
}

std::vector<int> FormulaStore::appendFormulas(const FormulaKind& kind, const std::vector<Formula>& formulas)
{
    const std::string table = tableOf(kind);
    SQLite::Database& db = m_db.sql();
    WriteTransaction tx(db);
    // A row's idx is the row count plus one, or 1 after a last row without a number; read once, since
    // every row added here is numbered (a count per row made large saves quadratic).
    SQLite::Statement last(db, "SELECT idx FROM " + table + " ORDER BY rowid DESC LIMIT 1");
    bool numbered = last.executeStep() && !last.getColumn(0).isNull() && last.getColumn(0).getInt() >= 1;
    int rows = db.execAndGet("SELECT count(*) FROM " + table).getInt();
    // Each formula remembers the newest issue stored when it came in: its forward figures count from there.
    const bool stamp = m_db.hasEntryIssue();
    const std::string entryIssue =
        stamp ? db.execAndGet("SELECT coalesce(max(strQQH), '') FROM Lishi").getString() : std::string();
    sqlite3* handle = db.getHandle();
    const RawStatement ins =
        prepareRaw(handle, "INSERT INTO " + table + " (idx, gongshi, gongshiCN, bolKill" +
                               (stamp ? std::string(", ") + schema::kEntryIssueColumn + ") VALUES (?, ?, ?, ?, ?)"
                                      : std::string(") VALUES (?, ?, ?, ?)")));
    if (stamp) {
        // The same for every row; bindings stay across resets.
        check(handle,
              sqlite3_bind_text(ins.get(), 5, entryIssue.data(), static_cast<int>(entryIssue.size()), SQLITE_STATIC));
    }
    std::vector<int> idxs;
    idxs.reserve(formulas.size());
    for (const Formula& f : formulas) {
        if (rows >= kMaxFormulas) {
            break;
        }
        const int idx = numbered ? rows + 1 : 1;
        ++rows;
        numbered = true;
        // Encoded once and bound in place: the bytes outlive the row's step.
        const QByteArray expression = f.expressionText.toUtf8();
        const QByteArray display = f.displayText.toUtf8();
        check(handle, sqlite3_bind_int(ins.get(), 1, idx));
        check(handle, sqlite3_bind_text(ins.get(), 2, expression.constData(), static_cast<int>(expression.size()),
                                        SQLITE_STATIC));
        check(handle,
              sqlite3_bind_text(ins.get(), 3, display.constData(), static_cast<int>(display.size()), SQLITE_STATIC));
        check(handle, sqlite3_bind_int(ins.get(), 4, f.kill ? 1 : 0));
        check(handle, sqlite3_step(ins.get()), SQLITE_DONE);
        sqlite3_reset(ins.get());
        idxs.push_back(idx);
    }
    tx.commit();
    return idxs;
}

Renumbering FormulaStore::deleteFormulas(const FormulaKind& kind, const std::vector<int>& idxs)
{
    const std::string table = tableOf(kind);
    SQLite::Database& db = m_db.sql();
    WriteTransaction tx(db);
    SQLite::Statement del(db, "DELETE FROM " + table + " WHERE idx = ?");
    int deleted = 0;
    for (int idx : idxs) {
        del.bind(1, idx);
        deleted += del.exec();
        del.reset();
    }
    Renumbering result = renumberInTransaction(table);
    tx.commit();
    result.deleted = deleted;
    return result;
}

Renumbering FormulaStore::renumber(const FormulaKind& kind)
{
    const std::string table = tableOf(kind);
    WriteTransaction tx(m_db.sql());
    Renumbering result = renumberInTransaction(table);
    tx.commit();
    return result;
}

Renumbering FormulaStore::renumberInTransaction(const std::string& table)
{
    SQLite::Database& db = m_db.sql();
    std::vector<std::int64_t> rowids;
    Renumbering result;
    {
        SQLite::Statement q(db, "SELECT rowid, idx FROM " + table + " ORDER BY rowid");
        while (q.executeStep()) {
            rowids.push_back(q.getColumn(0).getInt64());
            const int old = q.getColumn(1).isNull() ? 0 : q.getColumn(1).getInt();
            result.moves.push_back({old, static_cast<int>(rowids.size())});
        }
    }
    SQLite::Statement update(db, "UPDATE " + table + " SET idx = ? WHERE rowid = ?");
    for (std::size_t i = 0; i < rowids.size(); ++i) {
        if (result.moves[i].from == result.moves[i].to) {
            continue;
        }
        update.bind(1, result.moves[i].to);
        update.bind(2, rowids[i]);
        update.exec();
        update.reset();
    }
    return result;
}

void FormulaStore::clearAll()
{
    SQLite::Database& db = m_db.sql();
    WriteTransaction tx(db);
    for (const QString& t : Database::formulaTables()) {
        db.exec("DELETE FROM " + t.toStdString());
    }
    tx.commit();
}

int FormulaStore::rebuild(const FormulaKind& kind)
{
    const std::string table = tableOf(kind);
    SQLite::Database& db = m_db.sql();
    WriteTransaction tx(db);
    // GROUP BY puts empty (NULL) values together, as DISTINCT does; the first stored row of each group stays.
    db.exec("DELETE FROM " + table + " WHERE rowid NOT IN (SELECT min(rowid) FROM " + table +
            " GROUP BY (bolKill <> 0), gongshi, gongshiCN)");
    db.exec("UPDATE " + table +
            " SET sglGsRate = NULL, intGsErrCon = NULL, intGsTrueCon = NULL, intGsErrLst = NULL, intGsTrueLst = NULL");
    renumberInTransaction(table);
    const int rows = db.execAndGet("SELECT count(*) FROM " + table).getInt();
    tx.commit();
    return rows;
}

void FormulaStore::writeFigures(const FormulaKind& kind, bool kill, const std::vector<StoredFigures>& figures)
{
    const std::string table = tableOf(kind);
    SQLite::Database& db = m_db.sql();
    SQLite::Transaction tx(db);
    // The table has no index on idx: find every row once, with what it holds, then write by rowid only the
    // rows whose figures changed (a pass over an unchanged history writes nothing).
    struct StoredRow {
        std::int64_t rowid = 0;
        bool present = false;
        bool known = false; // every figure column holds a value
        FormulaStats stats;
    };
    // Rows by idx: numbered 1..kMaxFormulas as a table is, in a vector; any other idx in a map.
    std::vector<StoredRow> byIdx(static_cast<std::size_t>(kMaxFormulas) + 1);
    std::unordered_map<int, StoredRow> otherIdx;
    sqlite3* handle = db.getHandle();
    {
        const RawStatement q = prepareRaw(
            handle, "SELECT rowid, idx, sglGsRate, intGsErrCon, intGsTrueCon, intGsErrLst, intGsTrueLst FROM " + table +
                        " WHERE (bolKill <> 0) = ? AND idx IS NOT NULL");
        check(handle, sqlite3_bind_int(q.get(), 1, kill ? 1 : 0));
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(q.get())) == SQLITE_ROW) {
            StoredRow row;
            row.rowid = sqlite3_column_int64(q.get(), 0);
            row.present = true;
            row.known = true;
            for (int c = 2; c <= 6; ++c) {
                row.known = row.known && sqlite3_column_type(q.get(), c) != SQLITE_NULL;
            }
            row.stats.rate = static_cast<float>(sqlite3_column_double(q.get(), 2));
            row.stats.errCon = shortAt(q.get(), 3);
            row.stats.trueCon = shortAt(q.get(), 4);
            row.stats.errLst = shortAt(q.get(), 5);
            row.stats.trueLst = shortAt(q.get(), 6);
            // The first row of an idx is the one written, as a lookup by idx finds it.
            const int idx = sqlite3_column_int(q.get(), 1);
            StoredRow* slot = idx >= 0 && idx <= kMaxFormulas ? &byIdx[static_cast<std::size_t>(idx)] : nullptr;
            if (slot && !slot->present) {
                *slot = row;
            } else if (!slot) {
                otherIdx.emplace(idx, row);
            }
        }
        check(handle, rc, SQLITE_DONE);
    }
    const auto stored = [&](int idx) -> const StoredRow* {
        if (idx >= 0 && idx <= kMaxFormulas) {
            const StoredRow& row = byIdx[static_cast<std::size_t>(idx)];
            return row.present ? &row : nullptr;
        }
        const auto it = otherIdx.find(idx);
        return it == otherIdx.end() ? nullptr : &it->second;
    };
    const auto same = [](const StoredRow& row, const FormulaStats& s) {
        return row.known && row.stats.rate == s.rate && row.stats.errCon == s.errCon &&
               row.stats.trueCon == s.trueCon && row.stats.errLst == s.errLst && row.stats.trueLst == s.trueLst;
    };
    struct Change {
        std::int64_t rowid;
        FormulaStats stats;
    };
    std::vector<Change> changes;
    for (const StoredFigures& f : figures) {
        const StoredRow* row = stored(f.idx);
        if (row && !same(*row, f.stats)) {
            changes.push_back({row->rowid, f.stats});
        }
    }
    // A new draw changes nearly every row: the rows go in statements of 128 rows each, so that a
    // statement's own work (its start and end) is paid once for many rows.
    constexpr std::size_t kRowsPerStatement = 128;
    const auto updateOf = [&](std::size_t rows) {
        std::string sql = "UPDATE " + table +
                          " SET sglGsRate = v.column2, intGsErrCon = v.column3, intGsTrueCon = v.column4,"
                          " intGsErrLst = v.column5, intGsTrueLst = v.column6 FROM (VALUES ";
        for (std::size_t i = 0; i < rows; ++i) {
            sql += i == 0 ? "(?, ?, ?, ?, ?, ?)" : ", (?, ?, ?, ?, ?, ?)";
        }
        sql += ") AS v WHERE " + table + ".rowid = v.column1";
        return prepareRaw(handle, sql);
    };
    std::optional<RawStatement> full;
    for (std::size_t first = 0; first < changes.size(); first += kRowsPerStatement) {
        const std::size_t rows = std::min(kRowsPerStatement, changes.size() - first);
        std::optional<RawStatement> partial;
        if (rows == kRowsPerStatement && !full) {
            full.emplace(updateOf(rows));
        } else if (rows < kRowsPerStatement) {
            partial.emplace(updateOf(rows));
        }
        sqlite3_stmt* q = rows == kRowsPerStatement ? full->get() : partial->get();
        for (std::size_t i = 0; i < rows; ++i) {
            const Change& c = changes[first + i];
            const int at = static_cast<int>(i) * 6;
            check(handle, sqlite3_bind_int64(q, at + 1, c.rowid));
            check(handle, sqlite3_bind_double(q, at + 2, static_cast<double>(c.stats.rate)));
            check(handle, sqlite3_bind_int(q, at + 3, c.stats.errCon));
            check(handle, sqlite3_bind_int(q, at + 4, c.stats.trueCon));
            check(handle, sqlite3_bind_int(q, at + 5, c.stats.errLst));
            check(handle, sqlite3_bind_int(q, at + 6, c.stats.trueLst));
        }
        check(handle, sqlite3_step(q), SQLITE_DONE);
        sqlite3_reset(q);
    }
    full.reset(); // finalised before the commit
    tx.commit();
}

} // namespace korvel
