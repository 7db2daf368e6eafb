#pragma once

#include "history/HistoryStore.h"

#include <QString>

#include <vector>

namespace korvel {

class Database;

struct BatchResult {
    bool ok = false;
    int added = 0;
    QString error; // why nothing was stored
};

// Stores many draws at once, for the online update and the draw file import: in one transaction it
// appends the rows in the order given, after the stored ones; it never deletes or rewrites a stored draw.
// Any failure (a duplicate issue, a locked file) rolls everything back, so the history is exactly as it
// was. The store's snapshot is current afterwards either way. The store must work on this database.
BatchResult storeDraws(Database& db, HistoryStore& store, const std::vector<HistoryStore::NewDraw>& draws);

} // namespace korvel
