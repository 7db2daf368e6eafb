#pragma once

// The SQL-per-formula evaluation of a formula, on SQLite: set-based UPDATE statements over `Lishi` and a
// walk in issue order that carries each value to the following draw. Tests use it as the semantic reference
// for the engine, the benchmarks as the SQL-per-formula baseline. Jet's MOD and \ become the user functions jmod and
// jidiv, whose rounding is written here independently of the engine.

#include "formula/FormulaKind.h"
#include "history/DrawTableSchema.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "platform/Database.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvel::test {

// Half-to-even by cases, not by the engine's technique.
inline double bankersRound(double x)
{
    const double f = std::floor(x);
    const double d = x - f;
    if (d > 0.5) {
        return f + 1.0;
    }
    if (d < 0.5) {
        return f;
    }
    return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

namespace sql_reference_detail {

inline bool roundedArgs(sqlite3_context* ctx, sqlite3_value** argv, long long& a, long long& b)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return false;
    }
    const double x = bankersRound(sqlite3_value_double(argv[0]));
    const double y = bankersRound(sqlite3_value_double(argv[1]));
    if (y == 0.0 || std::fabs(x) > 9.0e15 || std::fabs(y) > 9.0e15) {
        sqlite3_result_null(ctx); // zero divisor; out-of-range operands never occur in the generated formulas
        return false;
    }
    a = static_cast<long long>(x);
    b = static_cast<long long>(y);
    return true;
}

inline void jmod(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    long long a = 0;
    long long b = 0;
    if (roundedArgs(ctx, argv, a, b)) {
        sqlite3_result_int64(ctx, a % b); // C++ % keeps the dividend's sign, as Jet's MOD does
    }
}

inline void jidiv(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    long long a = 0;
    long long b = 0;
    if (roundedArgs(ctx, argv, a, b)) {
        sqlite3_result_int64(ctx, a / b);
    }
}

// CLng: a value read as a 32-bit integer, null when it does not fit.
inline void jlong(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const double r = bankersRound(sqlite3_value_double(argv[0]));
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int64(ctx, static_cast<long long>(r));
}

} // namespace sql_reference_detail

inline void registerJetFunctions(SQLite::Database& db)
{
    sqlite3_create_function(db.getHandle(), "jlong", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            sql_reference_detail::jlong, nullptr, nullptr);
    sqlite3_create_function(db.getHandle(), "jmod", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            sql_reference_detail::jmod, nullptr, nullptr);
    sqlite3_create_function(db.getHandle(), "jidiv", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            sql_reference_detail::jidiv, nullptr, nullptr);
}

// Creates the schema and fills `Lishi` with the first `rows` draws of the snapshot (all when negative).
inline void loadDrawTable(SQLite::Database& db, const HistorySnapshot& snap, int rows = -1)
{
    schema::create(db, drawTableSchema());
    registerJetFunctions(db);
    if (rows < 0 || rows > snap.size()) {
        rows = snap.size();
    }
    std::string sql = "INSERT INTO Lishi (strQQH";
    for (int p = 0; p < kParamCount; ++p) {
        sql += std::string(", ") + paramCode(paramAt(p));
    }
    sql += ") VALUES (?";
    for (int p = 0; p < kParamCount; ++p) {
        sql += ", ?";
    }
    sql += ")";
    SQLite::Transaction tx(db);
    db.exec("DELETE FROM Lishi");
    SQLite::Statement insert(db, sql);
    for (int r = 0; r < rows; ++r) {
        insert.bind(1, snap.issue(r).toStdString());
        for (int p = 0; p < kParamCount; ++p) {
            insert.bind(p + 2, static_cast<int>(snap.value(r, paramAt(p))));
        }
        insert.exec();
        insert.reset();
    }
    tx.commit();
}

// The hit statement of a kind and sense in the SQL-per-formula design, with MOD as jmod.
inline std::string hitStatement(const FormulaKind& kind, bool kill)
{
    const std::string m = "(jmod([PreCanshu], 10))";
    const std::string cmp = kill ? " <> " : " = ";
    const std::string join = kill ? " AND " : " OR ";
    std::vector<std::string> digits;
    if (kind.play == Play::Single) {
        digits = {kind.position == 3 ? "[L1A]" : kind.position == 2 ? "[L2A]" : "[L3A]"};
    } else if (kind.position == 2) {
        digits = {"[L2A]", "[L3A]"};
    } else {
        digits = {"[L1A]", "[L2A]", "[L3A]"};
    }
    std::string where;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        where += (i ? join : "") + ("(" + m + cmp + digits[i] + ")");
    }
    return "UPDATE [Lishi] SET [GSCS] = TRUE WHERE " + where;
}

struct SqlReferenceRow {
    std::optional<double> intValues;
    std::optional<long long> remainder; // PreCanshu MOD 10
    bool hit = false;
};

// A value read as a 32-bit integer the way the walk reads it; empty when null or out of range.
inline std::optional<long long> readLong(SQLite::Column c)
{
    if (c.isNull()) {
        return std::nullopt;
    }
    const double r = bankersRound(c.getDouble());
    if (r < -2147483648.0 || r > 2147483647.0 || std::isnan(r)) {
        return std::nullopt;
    }
    return static_cast<long long>(r);
}

enum class Carry {
    Walk,      // a walk in issue order writing each draw's value into the next row, statement by statement
    Statement, // the same result in one statement (faster, for the tests)
};

// Runs the SQL-per-formula steps for one formula; `sqlExpr` is the generated formula in SQLite syntax (never user
// text). With `readBack` the per-draw results are returned (oldest first), otherwise only the verdicts of
// the last `window` draws are read, as the statistics pass does.
inline std::vector<SqlReferenceRow> sqlReferenceEvaluate(SQLite::Database& db, const std::string& sqlExpr,
                                                         const FormulaKind& kind, bool kill, bool readBack = true,
                                                         int window = 0, Carry carryMode = Carry::Walk)
{
    SQLite::Transaction tx(db);
    // PreCanshu is cleared with it, so that an empty value carries as empty and nothing of the previous formula
    // survives.
    db.exec("UPDATE [Lishi] SET [PreCanshu] = NULL, [canshu]=" + sqlExpr);
    if (carryMode == Carry::Statement) {
        db.exec("UPDATE Lishi SET PreCanshu = (SELECT jlong(p.canshu) FROM Lishi AS p WHERE p.strQQH < Lishi.strQQH "
                "ORDER BY p.strQQH DESC LIMIT 1)");
    } else {
        SQLite::Statement walk(db, "SELECT strQQH, canshu FROM Lishi ORDER BY strQQH");
        SQLite::Statement carry(db, "UPDATE Lishi SET PreCanshu = ? WHERE strQQH = ?");
        std::optional<long long> previous;
        bool first = true;
        while (walk.executeStep()) {
            if (!first) {
                if (previous) {
                    carry.bind(1, static_cast<int64_t>(*previous));
                } else {
                    carry.bind(1); // null: an empty value carries as empty
                }
                carry.bind(2, walk.getColumn(0).getString());
                carry.exec();
                carry.reset();
            }
            first = false;
            previous = readLong(walk.getColumn(1));
        }
    }
    db.exec("UPDATE [Lishi] SET [GSCS] = FALSE ");
    db.exec(hitStatement(kind, kill));
    std::vector<SqlReferenceRow> rows;
    if (readBack) {
        SQLite::Statement read(db, "SELECT canshu, jmod(PreCanshu, 10), GSCS FROM Lishi ORDER BY strQQH");
        while (read.executeStep()) {
            SqlReferenceRow row;
            if (!read.getColumn(0).isNull()) {
                row.intValues = read.getColumn(0).getDouble();
            }
            if (!read.getColumn(1).isNull()) {
                row.remainder = read.getColumn(1).getInt64();
            }
            row.hit = read.getColumn(2).getInt() != 0;
            rows.push_back(row);
        }
    } else {
        SQLite::Statement read(db, "SELECT GSCS FROM Lishi ORDER BY strQQH DESC LIMIT ?");
        read.bind(1, window > 0 ? window : -1);
        while (read.executeStep()) {
            SqlReferenceRow row;
            row.hit = read.getColumn(0).getInt() != 0;
            rows.push_back(row);
        }
    }
    tx.commit();
    return rows;
}

} // namespace korvel::test
