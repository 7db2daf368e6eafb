#include "platform/Database.h"

#include <QFileInfo>
#include <QStringList>

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace korvel {

namespace {

// SQLite writes this magic at the start of every database file; anything else is not ours.
bool looksLikeSqlite(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray head = f.read(16);
    return head.size() == 0 || head == QByteArray("SQLite format 3\0", 16);
}

// The first problem SQLite's quick integrity check finds, or empty when the file is sound. Reads every page
// of the file once (a few milliseconds for the bundled history), writes nothing.
QString integrityProblem(SQLite::Database& db)
{
    try {
        const std::string verdict = db.execAndGet("PRAGMA quick_check(1)").getString();
        if (verdict == "ok") {
            return {};
        }
        // SQLite heads its finding with the schema's name ("*** in database main ***"): the finding alone.
        QStringList lines = QString::fromUtf8(verdict).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        lines.removeIf([](const QString& line) { return line.startsWith(QLatin1String("***")); });
        return lines.isEmpty() ? QString::fromUtf8(verdict) : lines.join(QStringLiteral("；"));
    } catch (const SQLite::Exception& e) {
        // A file another program holds past the wait is not damaged: that open fails as such.
        if (e.getErrorCode() == SQLITE_BUSY || e.getErrorCode() == SQLITE_LOCKED) {
            throw;
        }
        return QString::fromUtf8(e.what());
    }
}

} // namespace

Database::~Database() = default;

void Database::setBusyTimeout(int milliseconds)
{
    sql().setBusyTimeout(milliseconds);
}

const QStringList& Database::formulaTables()
{
    static const QStringList tables = {QStringLiteral("Gongshi1D"), QStringLiteral("Gongshi2D"),
                                       QStringLiteral("Gongshi3D"), QStringLiteral("Gongshi2G"),
                                       QStringLiteral("Gongshi3G")};
    return tables;
}

Database::OpenResult Database::open(const QString& path, const std::vector<std::string>& upperTables)
{
    close();
    m_error.clear();
    const QFileInfo info(path);
    const bool existed = info.exists() && info.size() > 0;
    if (existed && !looksLikeSqlite(path)) {
        m_error = QStringLiteral("文件 %1 不是本软件的数据库文件，未作任何改动。").arg(path);
        return OpenResult::NotKorvel;
    }
    try {
        // One thread uses the connection (see the header): SQLite's own per-connection mutex, taken on
        // every call down to each column read, would only cost time.
        auto db = std::make_unique<SQLite::Database>(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE |
                                                                             SQLite::OPEN_NOMUTEX);
        db->setBusyTimeout(kBusyTimeoutMs);
        if (existed) {
            // A damaged file read as far as it goes would pass for a short or empty history, and every
            // write would build on that: it is refused before anything touches it.
            const QString problem = integrityProblem(*db);
            if (!problem.isEmpty()) {
                m_error = QStringLiteral("数据库文件 %1 已损坏（%2），未作任何改动。请用备份替换它，或将它移走后"
                                         "重新启动以新建数据库。")
                              .arg(path, problem);
                return OpenResult::Damaged;
            }
        }
        db->exec("PRAGMA foreign_keys = OFF");
        db->exec("PRAGMA journal_mode = DELETE");
        db->exec("PRAGMA synchronous = FULL");
        if (existed && !schema::isKorvel(*db)) {
            // An SQLite file of somebody else's: keep it as it is.
            const bool hasTables = db->execAndGet("SELECT count(*) FROM sqlite_master").getInt() > 0;
            if (hasTables) {
                m_error = QStringLiteral("文件 %1 不是本软件的数据库文件，未作任何改动。").arg(path);
                return OpenResult::NotKorvel;
            }
        }
        try {
            schema::create(*db, upperTables);
            schema::upgrade(*db);
        } catch (const SQLite::Exception& e) {
            if (!existed) {
                throw;
            }
            // Nothing was changed (one transaction); keep the file as it is and read it only.
            const QString why = QString::fromUtf8(e.what());
            db.reset();
            db = std::make_unique<SQLite::Database>(path.toStdString(), SQLite::OPEN_READONLY);
            db->setBusyTimeout(kBusyTimeoutMs);
            if (!schema::isKorvel(*db)) {
                throw;
            }
            m_entryIssue = schema::hasEntryIssue(*db);
            m_readOnly = true;
            m_error = QStringLiteral("数据库文件 %1 无法升级（%2），已以只读方式打开：改动无法保存，"
                                     "“入库后”一栏显示“—”。")
                          .arg(path, why);
            m_db = std::move(db);
            m_path = path;
            return OpenResult::ReadOnly;
        }
        m_entryIssue = true;
        m_db = std::move(db);
        m_path = path;
        return existed ? OpenResult::Opened : OpenResult::Created;
    } catch (const std::exception& e) {
        m_error = QString::fromUtf8(e.what());
        return OpenResult::Failed;
    }
}

void Database::close()
{
    m_db.reset();
    m_readOnly = false;
    m_entryIssue = false;
}

SQLite::Database& Database::sql()
{
    if (!m_db) {
        throw std::logic_error("database is not open");
    }
    return *m_db;
}

bool Database::compact()
{
    if (!m_db) {
        m_error = QStringLiteral("数据库未打开");
        return false;
    }
    try {
        m_db->exec("VACUUM");
        return true;
    } catch (const std::exception& e) {
        m_error = QString::fromUtf8(e.what());
        return false;
    }
}

namespace schema {

void create(SQLite::Database& db, const std::vector<std::string>& upperTables)
{
    SQLite::Transaction tx(db);
    for (const std::string& statement : upperTables) {
        db.exec(statement);
    }
    for (const QString& t : Database::formulaTables()) {
        db.exec("CREATE TABLE IF NOT EXISTS " + t.toStdString() +
                " (idx INTEGER, gongshi TEXT, gongshiCN TEXT, bolKill INTEGER, sglGsRate REAL,"
                " intGsErrCon INTEGER, intGsTrueCon INTEGER, intGsErrLst INTEGER, intGsTrueLst INTEGER, " +
                kEntryIssueColumn + " TEXT)");
    }
    db.exec(
        "CREATE TABLE IF NOT EXISTS ErrarrLei (num INTEGER, ETrrcount INTEGER, Errcount INTEGER, Trrcount INTEGER)");
    db.exec("CREATE TABLE IF NOT EXISTS Errarr (num INTEGER, ETrrcount INTEGER, Errcount INTEGER, Trrcount INTEGER)");
    if (db.execAndGet("SELECT count(*) FROM Errarr").getInt() == 0) {
        SQLite::Statement ins(db, "INSERT INTO Errarr (num, ETrrcount, Errcount, Trrcount) VALUES (?, 0, 0, 0)");
        for (int n = 0; n < 10; ++n) {
            ins.bind(1, n);
            ins.exec();
            ins.reset();
        }
    }
    tx.commit();
}

bool isKorvel(SQLite::Database& db)
{
    SQLite::Statement q(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                            "('Lishi', 'Gongshi1D', 'Gongshi2D', 'Gongshi3D', 'Gongshi2G', 'Gongshi3G')");
    return q.executeStep() && q.getColumn(0).getInt() == 6;
}

namespace {

bool hasColumn(SQLite::Database& db, const std::string& table, const char* column)
{
    SQLite::Statement q(db, "SELECT count(*) FROM pragma_table_info(?) WHERE name = ?");
    q.bind(1, table);
    q.bind(2, column);
    return q.executeStep() && q.getColumn(0).getInt() > 0;
}

} // namespace

void upgrade(SQLite::Database& db)
{
    std::vector<std::string> missing;
    for (const QString& t : Database::formulaTables()) {
        if (!hasColumn(db, t.toStdString(), kEntryIssueColumn)) {
            missing.push_back(t.toStdString());
        }
    }
    if (missing.empty()) {
        return;
    }
    SQLite::Transaction tx(db);
    const std::string newest = db.execAndGet("SELECT coalesce(max(strQQH), '') FROM Lishi").getString();
    for (const std::string& t : missing) {
        db.exec("ALTER TABLE " + t + " ADD COLUMN " + kEntryIssueColumn + " TEXT");
        SQLite::Statement stamp(db, "UPDATE " + t + " SET " + kEntryIssueColumn + " = ?");
        stamp.bind(1, newest);
        stamp.exec();
    }
    tx.commit();
}

bool hasEntryIssue(SQLite::Database& db)
{
    for (const QString& t : Database::formulaTables()) {
        if (!hasColumn(db, t.toStdString(), kEntryIssueColumn)) {
            return false;
        }
    }
    return true;
}

} // namespace schema

} // namespace korvel
