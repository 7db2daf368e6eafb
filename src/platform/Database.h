#pragma once

#include <QString>

#include <SQLiteCpp/Database.h>

#include <memory>
#include <string>
#include <vector>

namespace korvel {

// The session on `formula.mdb`: an SQLite database holding the draw table, the five formula tables and the
// tally work tables. Opening creates the file with the whole schema when it is missing, and refuses a file
// that exists but is not one of ours (an old Access file, say), which is then left untouched.
//
// The tables of the layers above this one (the draw table `Lishi`, history/DrawTableSchema.h) come from whoever
// opens the file, since only those layers know their columns; the ownership check and the formula tables'
// upgrade read `Lishi` by name, so the statements given must create it.
//
// Single-threaded: the connection belongs to the thread that opened it (the GUI thread), and is opened
// without SQLite's per-connection mutex; worker threads get snapshots, never the connection.
class Database {
public:
    // ReadOnly: the file is ours but could not be upgraded to the current schema (a write-protected or
    // locked file); it is open for reading only and lastError() says so. Damaged: the file fails SQLite's
    // integrity check (overwritten pages, say); it is left closed and untouched, lastError() says what failed.
    enum class OpenResult { Opened, Created, NotKorvel, Failed, ReadOnly, Damaged };

    // How long a statement waits for another program's lock on the file (the window open while a night's
    // search saves) before it fails with "database is locked".
    static constexpr int kBusyTimeoutMs = 5000;

    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // upperTables: CREATE TABLE IF NOT EXISTS statements, run with this layer's own in one transaction.
    OpenResult open(const QString& path, const std::vector<std::string>& upperTables);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool readOnly() const { return m_readOnly; }
    // Whether the formula tables carry the entry issue (false only in a file opened read-only unupgraded).
    bool hasEntryIssue() const { return m_entryIssue; }
    const QString& path() const { return m_path; }
    // Why the last open failed or was refused, for the message to the user.
    const QString& lastError() const { return m_error; }
    // Changes the wait for another program's lock (kBusyTimeoutMs from open()); only while open.
    void setBusyTimeout(int milliseconds);

    // Only valid while open.
    SQLite::Database& sql();

    // Compacts the file in place (VACUUM): SQLite writes the compacted copy and swaps it in atomically, so a
    // failure leaves the original intact. Returns false with the reason in lastError().
    bool compact();

    // The table names of the schema.
    static const QStringList& formulaTables();

private:
    std::unique_ptr<SQLite::Database> m_db;
    QString m_path;
    QString m_error;
    bool m_readOnly = false;
    bool m_entryIssue = false;
};

namespace schema {
// Creates every table (when missing), the given ones of the layers above included, inside one transaction.
void create(SQLite::Database& db, const std::vector<std::string>& upperTables);
// True when the open file carries our tables.
bool isKorvel(SQLite::Database& db);
// The column of every formula table holding the newest stored issue when the formula entered it.
inline constexpr const char* kEntryIssueColumn = "strRkQQH";
// Adds that column to every formula table that lacks it, stamping each of its rows with the newest stored
// issue (so "入库后" counts from now on), all tables in one transaction: all or nothing. Throws on failure.
void upgrade(SQLite::Database& db);
// True when every formula table has the column.
bool hasEntryIssue(SQLite::Database& db);
} // namespace schema

} // namespace korvel
