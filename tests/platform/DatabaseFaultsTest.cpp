#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "support/HistoryRows.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace korvel {
namespace {

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

class DatabaseFaultsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path() const { return m_dir.filePath(QStringLiteral("formula.mdb")); }

    void seed(int draws)
    {
        Database db;
        ASSERT_EQ(db.open(path(), drawTableSchema()), Database::OpenResult::Created);
        HistoryStore store(db);
        ASSERT_EQ(store.appendRows(test::newDraws(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), draws))),
                  HistoryStore::AppendResult::Stored);
    }

    // Overwrites `bytes` bytes at the end of the draw table's root page (its cells' child page numbers).
    void overwriteDrawTableRoot(int bytes)
    {
        int page = 0;
        int pageSize = 0;
        {
            SQLite::Database db(path().toStdString(), SQLite::OPEN_READONLY);
            page = db.execAndGet("SELECT rootpage FROM sqlite_master WHERE name = 'Lishi'").getInt();
            pageSize = db.execAndGet("PRAGMA page_size").getInt();
        }
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(qint64(page) * pageSize - bytes));
        ASSERT_EQ(f.write(QByteArray(bytes, '\xFF')), bytes);
    }

    QTemporaryDir m_dir;
};

TEST_F(DatabaseFaultsTest, AFileWithOverwrittenPageDataIsRefusedAsDamagedAndLeftUntouched)
{
    seed(2000);
    overwriteDrawTableRoot(64);
    const QByteArray before = fileHash(path());
    Database db;
    EXPECT_EQ(db.open(path(), drawTableSchema()), Database::OpenResult::Damaged);
    EXPECT_FALSE(db.isOpen());
    EXPECT_TRUE(db.lastError().contains(QStringLiteral("已损坏"))) << db.lastError().toStdString();
    EXPECT_TRUE(db.lastError().contains(path()));
    EXPECT_EQ(fileHash(path()), before);
}

TEST_F(DatabaseFaultsTest, AWriteWaitsForAnotherProgramsLockInsteadOfFailingAtOnce)
{
    seed(10);
    Database db;
    ASSERT_EQ(db.open(path(), drawTableSchema()), Database::OpenResult::Opened);
    HistoryStore store(db);
    ASSERT_TRUE(store.reload());

    // Another program (the window, a search saving) holds the write lock for 400 ms.
    std::atomic<bool> locked{false};
    std::thread other([&] {
        SQLite::Database second(path().toStdString(), SQLite::OPEN_READWRITE);
        second.exec("BEGIN EXCLUSIVE");
        second.exec("UPDATE Lishi SET L1A = L1A WHERE strQQH = '2004001'");
        locked = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        second.exec("COMMIT");
    });
    while (!locked) {
        std::this_thread::yield();
    }
    QElapsedTimer clock;
    clock.start();
    const auto r = store.appendDraw(QStringLiteral("2004011"), {1, 2, 3}, QStringLiteral("2004-10-28"));
    const qint64 waited = clock.elapsed();
    other.join();
    EXPECT_EQ(r, HistoryStore::AppendResult::Stored) << store.lastError().toStdString();
    EXPECT_GE(waited, 200);
    EXPECT_EQ(store.size(), 11);

    // A lock held past the wait still fails, and says why.
    db.setBusyTimeout(100);
    SQLite::Database second(path().toStdString(), SQLite::OPEN_READWRITE);
    second.exec("BEGIN EXCLUSIVE");
    EXPECT_EQ(store.appendDraw(QStringLiteral("2004012"), {4, 5, 6}, QStringLiteral("2004-10-29")),
              HistoryStore::AppendResult::Failed);
    EXPECT_TRUE(store.lastError().contains(QStringLiteral("locked"))) << store.lastError().toStdString();
    second.exec("ROLLBACK");
}

} // namespace
} // namespace korvel
