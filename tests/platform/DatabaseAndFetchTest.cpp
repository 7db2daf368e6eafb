#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "platform/WebFetch.h"
#include "support/CoreApplication.h"
#include "support/TestHttpServer.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace korvel {
namespace {

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

TEST(DatabaseOpen, RefusesAnotherProgramsSqliteFileAndLeavesItUntouched)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("formula.mdb"));
    {
        SQLite::Database other(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        other.exec("CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)");
        other.exec("INSERT INTO notes (body) VALUES ('keep me')");
        // One of our table names alone does not make it ours.
        other.exec("CREATE TABLE Lishi (x INTEGER)");
    }
    const QByteArray before = fileHash(path);

    Database db;
    EXPECT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::NotKorvel);
    EXPECT_FALSE(db.isOpen());
    EXPECT_TRUE(db.lastError().contains(QStringLiteral("不是本软件的数据库文件")));
    EXPECT_EQ(fileHash(path), before);

    SQLite::Database check(path.toStdString(), SQLite::OPEN_READONLY);
    EXPECT_EQ(check.execAndGet("SELECT count(*) FROM sqlite_master WHERE type = 'table'").getInt(), 2);
}

TEST(DatabaseOpen, EmptySqliteFileGetsTheSchemaAndOurFileReopens)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("formula.mdb"));
    {
        SQLite::Database empty(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        empty.exec("PRAGMA user_version = 1"); // a valid SQLite file without tables
    }
    {
        Database db;
        EXPECT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::Opened);
        EXPECT_TRUE(schema::isKorvel(db.sql()));
    }
    Database again;
    EXPECT_EQ(again.open(path, drawTableSchema()), Database::OpenResult::Opened);
}

// The database layer creates the tables the layers above hand it, with its own, and knows no columns of theirs.
TEST(DatabaseOpen, NewFileGetsTheGivenTablesWithTheFormulaAndWorkTables)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("formula.mdb"));
    Database db;
    ASSERT_EQ(db.open(path, {"CREATE TABLE IF NOT EXISTS Lishi (strQQH TEXT PRIMARY KEY NOT NULL, x INTEGER)",
                             "CREATE TABLE IF NOT EXISTS Extra (y TEXT)"}),
              Database::OpenResult::Created);
    SQLite::Database& sql = db.sql();
    EXPECT_EQ(sql.execAndGet("SELECT group_concat(name, ',') FROM pragma_table_info('Lishi')").getString(), "strQQH,x");
    EXPECT_EQ(sql.execAndGet("SELECT count(*) FROM sqlite_master WHERE name = 'Extra'").getInt(), 1);
    for (const QString& table : Database::formulaTables()) {
        EXPECT_EQ(
            sql.execAndGet("SELECT count(*) FROM sqlite_master WHERE name = '" + table.toStdString() + "'").getInt(), 1)
            << table.toStdString();
    }
    EXPECT_EQ(sql.execAndGet("SELECT count(*) FROM Errarr").getInt(), 10);
    EXPECT_TRUE(schema::isKorvel(sql));
    EXPECT_TRUE(db.hasEntryIssue());
}

std::optional<FetchResult> fetch(WebFetch& web, const QUrl& url)
{
    std::optional<FetchResult> result;
    QEventLoop loop;
    QObject::connect(&web, &WebFetch::finished, &loop, [&](const FetchResult& r) {
        result = r;
        loop.quit();
    });
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    web.get(url);
    loop.exec();
    return result;
}

TEST(WebFetchCap, ABodyOverTheCapFailsWithItsReasonAndNoBody)
{
    test::ensureCoreApplication();
    const QByteArray big(256 * 1024, 'x');
    test::TestHttpServer server([&](const test::TestHttpServer::Request&) {
        test::TestHttpServer::Response r;
        r.contentType = "text/plain";
        r.body = big;
        return r;
    });
    ASSERT_TRUE(server.listen());

    WebFetch capped;
    capped.setMaxBytes(16 * 1024);
    const std::optional<FetchResult> refused = fetch(capped, QUrl(server.baseUrl() + QStringLiteral("/big.txt")));
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->status, FetchResult::Status::Failed);
    EXPECT_TRUE(refused->body.isEmpty());
    EXPECT_TRUE(refused->error.contains(QStringLiteral("过大")));

    WebFetch roomy;
    roomy.setMaxBytes(big.size() * 2);
    const std::optional<FetchResult> taken = fetch(roomy, QUrl(server.baseUrl() + QStringLiteral("/big.txt")));
    ASSERT_TRUE(taken.has_value());
    EXPECT_TRUE(taken->ok());
    EXPECT_EQ(taken->body, big);
}

} // namespace
} // namespace korvel
