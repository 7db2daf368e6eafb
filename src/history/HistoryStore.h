#pragma once

#include "history/DrawParameters.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "history/SnapshotPtr.h"

#include <QString>

#include <span>

namespace korvel {

class Database;

// Owns the access to `Lishi` on an open Database: it loads the draw history into a columnar snapshot (in
// `strQQH` order, one prepared SELECT) and publishes it as a SnapshotPtr, which is replaced after every
// insertion or deletion; readers keep the snapshot they hold. Every write is one transaction: it
// completes or leaves the table as it was (a failure is reported by the return value and lastError()).
// With a closed database the snapshot is empty and every write fails. The Database must outlive the
// store. GUI thread only (the snapshots themselves may be read anywhere).
class HistoryStore {
public:
    enum class AppendResult { Stored, Duplicate, Failed };

    struct NewDraw {
        QString issue;
        DrawParams params;
    };

    explicit HistoryStore(Database& db);

    // Rereads `Lishi` into a new snapshot. False (and an empty snapshot) when it cannot be read.
    bool reload();
    // Never null.
    SnapshotPtr snapshot() const { return m_snapshot; }
    int size() const { return m_snapshot->size(); }

    // Stores a draw: every parameter is computed from the digits, the newest stored draw's digits (0, 0, 0
    // when empty), the issue text as given and the date text ("YYYY-MM-DD"). An issue already stored is
    // refused (Duplicate) and nothing is written. Reloads the snapshot on success.
    AppendResult appendDraw(const QString& issue, Digits digits, const QString& date);
    // The same with parameters already computed (the online update computes them itself).
    AppendResult appendRow(const QString& issue, const DrawParams& params);
    // Several rows in one transaction: all are stored, or none (Duplicate when one of them is stored
    // already or appears twice).
    AppendResult appendRows(std::span<const NewDraw> rows);

    // Deletions, each one transaction followed by a reload. They return the number of rows deleted, or -1
    // on failure (nothing deleted).
    int deleteLast();                      // the newest row; 0 on an empty table
    int deleteAfter(const QString& issue); // every row whose strQQH is greater than issue
    int deleteLastCount(int count);        // the newest count rows (all when count >= size)
    int Delrec();                          // every row

    // Compacts the file (VACUUM, atomic) and reloads. False when the compaction failed; the file is then
    // as it was before.
    bool compact();

    const QString& lastError() const { return m_error; }

private:
    int deleteWhere(const char* sql, const QString* bound, int limit);

    Database& m_db;
    SnapshotPtr m_snapshot;
    QString m_error;
};

} // namespace korvel
