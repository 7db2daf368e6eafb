#include "history/HistoryStore.h"

#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "platform/WriteTransaction.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <numeric>
#include <string>

namespace korvel {

namespace {

const std::string& selectAllSql()
{
    static const std::string sql = [] {
        std::string s = "SELECT strQQH";
        for (int i = 0; i < kParamCount; ++i) {
            s += ", ";
            s += paramCode(paramAt(i));
        }
        // Storage order: a plain scan of the table. The rows are put in issue order afterwards (they are
        // stored in it already unless some other tool wrote the file), which spares a lookup per row
        // through the issue index.
        s += " FROM Lishi";
        return s;
    }();
    return sql;
}

const std::string& insertSql()
{
    static const std::string sql = [] {
        std::string cols = "strQQH";
        std::string marks = "?";
        for (int i = 0; i < kParamCount; ++i) {
            cols += ", ";
            cols += paramCode(paramAt(i));
            marks += ", ?";
        }
        return "INSERT INTO Lishi (" + cols + ") VALUES (" + marks + ")";
    }();
    return sql;
}

const SnapshotPtr& emptySnapshot()
{
    static const SnapshotPtr empty = std::make_shared<const HistorySnapshot>();
    return empty;
}

QString notOpen()
{
    return QStringLiteral("数据库未打开");
}

} // namespace

HistoryStore::HistoryStore(Database& db) : m_db(db), m_snapshot(emptySnapshot()) {}

bool HistoryStore::reload()
{
    if (!m_db.isOpen()) {
        m_snapshot = emptySnapshot();
        m_error = notOpen();
        return false;
    }
    // Read through the C interface: one pass over the rows, without a column object per value.
    sqlite3* handle = m_db.sql().getHandle();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(handle, selectAllSql().c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(raw);
        m_snapshot = emptySnapshot();
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> q(raw, sqlite3_finalize);
    std::vector<std::string> issues;
    std::vector<DrawParams> rows;
    issues.reserve(static_cast<std::size_t>(m_snapshot->size() + 1));
    rows.reserve(static_cast<std::size_t>(m_snapshot->size() + 1));
    bool ordered = true;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(q.get())) == SQLITE_ROW) {
        DrawParams& params = rows.emplace_back();
        for (int i = 0; i < kParamCount; ++i) {
            // A NULL (a row written by some other tool) reads as 0, as an unset number always did.
            params[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(sqlite3_column_int(q.get(), i + 1));
        }
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0));
        issues.emplace_back(text != nullptr ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(q.get(), 0)));
        // Issue order is the text's byte order (SQLite's BINARY collation).
        ordered = ordered && (issues.size() < 2 || issues[issues.size() - 2] < issues.back());
    }
    if (rc != SQLITE_DONE) {
        m_error = QString::fromUtf8(sqlite3_errmsg(handle));
        m_snapshot = emptySnapshot();
        return false;
    }
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (!ordered) {
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return issues[a] < issues[b]; });
    }
    auto snap = std::make_shared<HistorySnapshot>();
    snap->reserve(static_cast<int>(rows.size()));
    for (const std::size_t r : order) {
        snap->append(QString::fromUtf8(issues[r].data(), static_cast<qsizetype>(issues[r].size())), rows[r]);
    }
    m_snapshot = std::move(snap);
    return true;
}

HistoryStore::AppendResult HistoryStore::appendDraw(const QString& issue, Digits digits, const QString& date)
{
    Digits previous;
    if (!m_snapshot->empty()) {
        const int last = m_snapshot->size() - 1;
        previous = {m_snapshot->value(last, Param::L1A), m_snapshot->value(last, Param::L2A),
                    m_snapshot->value(last, Param::L3A)};
    }
    return appendRow(issue, computeDrawParameters(digits, previous, issueDateFromText(issue, date)));
}

HistoryStore::AppendResult HistoryStore::appendRow(const QString& issue, const DrawParams& params)
{
    const NewDraw row{issue, params};
    return appendRows(std::span<const NewDraw>(&row, 1));
}

HistoryStore::AppendResult HistoryStore::appendRows(std::span<const NewDraw> rows)
{
    if (!m_db.isOpen()) {
        m_error = notOpen();
        return AppendResult::Failed;
    }
    try {
        SQLite::Database& sql = m_db.sql();
        WriteTransaction tx(sql); // joins the transaction of a larger command (the online update)
        SQLite::Statement exists(sql, "SELECT 1 FROM Lishi WHERE strQQH = ?");
        SQLite::Statement ins(sql, insertSql());
        for (const NewDraw& row : rows) {
            const std::string key = row.issue.toStdString();
            exists.bind(1, key);
            const bool duplicate = exists.executeStep();
            exists.reset();
            if (duplicate) {
                m_error = QStringLiteral("期号 %1 已经存在").arg(row.issue);
                return AppendResult::Duplicate; // the transaction rolls back
            }
            ins.bind(1, key);
            for (int i = 0; i < kParamCount; ++i) {
                ins.bind(i + 2, row.params[static_cast<std::size_t>(i)]);
            }
            ins.exec();
            ins.reset();
        }
        tx.commit();
    } catch (const std::exception& e) {
        m_error = QString::fromUtf8(e.what());
        return AppendResult::Failed;
    }
    reload();
    return AppendResult::Stored;
}

int HistoryStore::deleteWhere(const char* sqlText, const QString* bound, int limit)
{
    if (!m_db.isOpen()) {
        m_error = notOpen();
        return -1;
    }
    int deleted = 0;
    try {
        SQLite::Database& sql = m_db.sql();
        WriteTransaction tx(sql); // joins the transaction of a larger command (the online update)
        SQLite::Statement del(sql, sqlText);
        if (bound) {
            del.bind(1, bound->toStdString());
        } else if (limit >= 0) {
            del.bind(1, limit);
        }
        deleted = del.exec();
        tx.commit();
    } catch (const std::exception& e) {
        m_error = QString::fromUtf8(e.what());
        return -1;
    }
    reload();
    return deleted;
}

int HistoryStore::deleteLast()
{
    return deleteWhere("DELETE FROM Lishi WHERE strQQH = (SELECT max(strQQH) FROM Lishi)", nullptr, -1);
}

int HistoryStore::deleteAfter(const QString& issue)
{
    return deleteWhere("DELETE FROM Lishi WHERE strQQH > ?", &issue, -1);
}

int HistoryStore::deleteLastCount(int count)
{
    if (count <= 0) {
        return 0;
    }
    return deleteWhere("DELETE FROM Lishi WHERE strQQH IN (SELECT strQQH FROM Lishi ORDER BY strQQH DESC LIMIT ?)",
                       nullptr, count);
}

int HistoryStore::Delrec()
{
    return deleteWhere("DELETE FROM Lishi", nullptr, -1);
}

bool HistoryStore::compact()
{
    const bool ok = m_db.compact();
    if (!ok) {
        m_error = m_db.lastError();
    }
    reload();
    return ok;
}

} // namespace korvel
