#include "tally/TallyTables.h"

#include "platform/Database.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <exception>

namespace korvel::tallyTables {

namespace {

std::vector<TallyTableRow> readAll(Database& db, const char* sql)
{
    std::vector<TallyTableRow> rows;
    SQLite::Statement q(db.sql(), sql);
    while (q.executeStep()) {
        rows.push_back({q.getColumn(0).getInt(), static_cast<std::int16_t>(q.getColumn(1).getInt()),
                        static_cast<std::int16_t>(q.getColumn(2).getInt()),
                        static_cast<std::int16_t>(q.getColumn(3).getInt())});
    }
    return rows;
}

void bindCounts(SQLite::Statement& statement, const TallyTableRow& row)
{
    statement.bind(1, row.senseCount);
    statement.bind(2, row.err);
    statement.bind(3, row.trr);
    statement.bind(4, row.num);
}

} // namespace

bool writeResultTable(Database& db, std::span<const TallyTableRow> rows, QString* error)
{
    try {
        SQLite::Transaction tx(db.sql());
        db.sql().exec("DELETE FROM ErrarrLei");
        SQLite::Statement ins(db.sql(),
                              "INSERT INTO ErrarrLei (ETrrcount, Errcount, Trrcount, num) VALUES (?, ?, ?, ?)");
        for (const TallyTableRow& row : rows) {
            bindCounts(ins, row);
            ins.exec();
            ins.reset();
        }
        tx.commit();
        return true;
    } catch (const std::exception& e) {
        if (error) {
            *error = QString::fromUtf8(e.what());
        }
        return false;
    }
}

std::vector<TallyTableRow> readResultTable(Database& db)
{
    return readAll(db, "SELECT num, ETrrcount, Errcount, Trrcount FROM ErrarrLei ORDER BY rowid");
}

bool writeRankingTable(Database& db, const std::array<TallyTableRow, 10>& rows, QString* error)
{
    try {
        SQLite::Transaction tx(db.sql());
        SQLite::Statement upd(db.sql(), "UPDATE Errarr SET ETrrcount = ?, Errcount = ?, Trrcount = ? WHERE num = ?");
        SQLite::Statement ins(db.sql(), "INSERT INTO Errarr (ETrrcount, Errcount, Trrcount, num) VALUES (?, ?, ?, ?)");
        for (const TallyTableRow& row : rows) {
            bindCounts(upd, row);
            if (upd.exec() == 0) {
                bindCounts(ins, row);
                ins.exec();
                ins.reset();
            }
            upd.reset();
        }
        tx.commit();
        return true;
    } catch (const std::exception& e) {
        if (error) {
            *error = QString::fromUtf8(e.what());
        }
        return false;
    }
}

std::vector<TallyTableRow> readRankingTable(Database& db)
{
    return readAll(db, "SELECT num, ETrrcount, Errcount, Trrcount FROM Errarr ORDER BY num");
}

} // namespace korvel::tallyTables
