#include "history/DrawBatch.h"

#include "platform/Database.h"

#include <SQLiteCpp/Transaction.h>

#include <exception>

namespace korvel {

BatchResult storeDraws(Database& db, HistoryStore& store, const std::vector<HistoryStore::NewDraw>& draws)
{
    BatchResult result;
    if (!db.isOpen()) {
        result.error = QStringLiteral("数据库没有打开");
        return result;
    }
    try {
        // The store's own writes join this transaction.
        SQLite::Transaction tx(db.sql());
        if (store.appendRows(draws) != HistoryStore::AppendResult::Stored) {
            throw std::runtime_error(store.lastError().toStdString());
        }
        tx.commit();
        result.added = static_cast<int>(draws.size());
        result.ok = true;
    } catch (const std::exception& e) {
        result = BatchResult{};
        result.error = QString::fromUtf8(e.what());
    }
    // The store reread the table inside the transaction; after a rollback that view is gone.
    store.reload();
    return result;
}

} // namespace korvel
