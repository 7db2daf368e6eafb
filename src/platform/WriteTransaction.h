#pragma once

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Transaction.h>

#include <sqlite3.h>

#include <optional>

namespace korvel {

// The transaction of one write command that may also run as a step of a larger command: it opens its own
// transaction when the connection has none, and otherwise joins the one already open, so that a command
// grouping several such writes (a formula import, say) commits or rolls back all of them together. A
// failure inside a joined write propagates as an exception and the outer transaction rolls it back.
class WriteTransaction {
public:
    explicit WriteTransaction(SQLite::Database& db)
    {
        if (sqlite3_get_autocommit(db.getHandle()) != 0) {
            m_own.emplace(db);
        }
    }

    // Commits an own transaction; a joined one is committed by its owner.
    void commit()
    {
        if (m_own) {
            m_own->commit();
        }
    }

    bool joined() const { return !m_own.has_value(); }

private:
    std::optional<SQLite::Transaction> m_own;
};

} // namespace korvel
