#include "history/DrawBatch.h"

#include "history/HistoryStore.h"
#include "platform/Database.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <string>

namespace korvel {

namespace {

std::string insertSql()
{
    std::string columns = "strQQH";
    std::string values = "?";
    for (int i = 0; i < kParamCount; ++i) {
        columns += ", ";
        columns += paramCode(paramAt(i));
        values += ", ?";
    }
    return "INSERT INTO Lishi (" + columns + ") VALUES (" + values + ")";
}

} // namespace

BatchResult storeDraws(Database& db, HistoryStore& store, const std::vector<NewDraw>& draws, bool deleteAllFirst)
{
    BatchResult result;
    if (!db.isOpen()) {
        result.error = QStringLiteral("数据库没有打开");
        return result;
    }
    try {
        SQLite::Database& sql = db.sql();
        SQLite::Transaction tx(sql);
        if (deleteAllFirst) {
            result.deleted = sql.exec("DELETE FROM Lishi");
        }
        SQLite::Statement insert(sql, insertSql());
        for (const NewDraw& draw : draws) {
            insert.bind(1, draw.issue.toStdString());
            for (int i = 0; i < kParamCount; ++i) {
                insert.bind(i + 2, static_cast<int>(draw.params[static_cast<std::size_t>(i)]));
            }
            insert.exec();
            insert.reset();
            ++result.added;
        }
        tx.commit();
        result.ok = true;
    } catch (const std::exception& e) {
        result = BatchResult{};
        result.error = QString::fromUtf8(e.what());
    }
    if (result.ok) {
        store.reload();
    }
    return result;
}

} // namespace korvel
