#pragma once

#include <QString>

#include <SQLiteCpp/Database.h>

#include <memory>

namespace korvel {

// The session on `formula.mdb`: an SQLite database holding the draw table, the five formula tables and the
// tally work tables. Opening creates the file with the whole schema when it is missing, and refuses a file
// that exists but is not one of ours (an old Access file, say), which is then left untouched.
//
// Single-threaded: the connection belongs to the thread that opened it (the GUI thread), and is opened
// without SQLite's per-connection mutex; worker threads get snapshots, never the connection.
class Database {
public:
    enum class OpenResult { Opened, Created, NotKorvel, Failed };

    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    OpenResult open(const QString& path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    const QString& path() const { return m_path; }
    // Why the last open failed or was refused, for the message to the user.
    const QString& lastError() const { return m_error; }

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
};

namespace schema {
// Creates every table (when missing) inside one transaction.
void create(SQLite::Database& db);
// True when the open file carries our tables.
bool isKorvel(SQLite::Database& db);
} // namespace schema

} // namespace korvel
