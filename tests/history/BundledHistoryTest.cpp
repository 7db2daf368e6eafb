#include "history/BundledHistory.h"

#include "history/DrawTableSchema.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "settings/Options.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace korvel {
namespace {

const QString kData = QStringLiteral(KORVEL_TEST_DATA);

QByteArray readAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

class BundledHistoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // A bundled folder holding the given bytes under the 福彩3D file name.
    QString folderWith(const QByteArray& bytes, const QString& name = QStringLiteral("bundled"))
    {
        const QString folder = m_dir.filePath(name);
        EXPECT_TRUE(QDir().mkpath(folder));
        QFile f(QDir(folder).filePath(QStringLiteral("fc3d_draws.tsv")));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return folder;
    }

    // A fresh database in its own subfolder.
    struct Db {
        Database db;
        std::unique_ptr<HistoryStore> store;
    };
    std::unique_ptr<Db> openDb(const QString& name)
    {
        auto d = std::make_unique<Db>();
        EXPECT_TRUE(QDir().mkpath(m_dir.filePath(name)));
        EXPECT_NE(d->db.open(QDir(m_dir.filePath(name)).filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        d->store = std::make_unique<HistoryStore>(d->db);
        d->store->reload();
        return d;
    }

    QTemporaryDir m_dir;
};

TEST_F(BundledHistoryTest, TheShippedFilesAreFoundPerGameAndCounted)
{
    // The first folder that holds the file wins; a folder without it is passed over.
    const QStringList folders{m_dir.filePath(QStringLiteral("nowhere")), kData};
    const BundledHistory fc3d = loadBundledHistory(Options::kGameFc3d, folders);
    ASSERT_TRUE(fc3d.usable()) << fc3d.error.toStdString();
    EXPECT_EQ(fc3d.path, QDir(kData).filePath(QStringLiteral("fc3d_draws.tsv")));
    // tests/data/fc3d_draws.tsv: 7760 lines, 2004001 to 2026253.
    EXPECT_EQ(fc3d.draws, 7760);
    EXPECT_EQ(fc3d.lastIssue, QStringLiteral("2026253"));
    EXPECT_EQ(bundledOfferText(fc3d),
              QStringLiteral("历史号码为空，是否导入随程序提供的 7760 期历史号码（至 2026253 期）？"));

    // 排列3 is written with two-digit years (04001 ... 26246); the question names the year in full.
    const BundledHistory pl3 = loadBundledHistory(Options::kGamePl3, folders);
    ASSERT_TRUE(pl3.usable()) << pl3.error.toStdString();
    EXPECT_TRUE(pl3.path.endsWith(QStringLiteral("/pl3_draws.tsv")));
    EXPECT_EQ(pl3.draws, 7721);
    EXPECT_EQ(pl3.lastIssue, QStringLiteral("2026246"));
}

TEST_F(BundledHistoryTest, MissingOrDamagedFilesAreRefusedWithTheReasonAndStoreNothing)
{
    const BundledHistory missing = loadBundledHistory(Options::kGameFc3d, {m_dir.path()});
    EXPECT_FALSE(missing.usable());
    EXPECT_TRUE(missing.error.contains(QStringLiteral("fc3d_draws.tsv"))) << missing.error.toStdString();
    EXPECT_TRUE(missing.error.contains(QDir::toNativeSeparators(m_dir.path()))) << missing.error.toStdString();

    const QByteArray good = readAll(QDir(kData).filePath(QStringLiteral("fc3d_draws.tsv")));
    QList<QByteArray> lines = good.split('\n');
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* says;
    };
    QList<QByteArray> garbled = lines;
    garbled[4999] = "2017xx9\t2017-03-01\t12"; // line 5000
    QList<QByteArray> swapped = lines;
    std::swap(swapped[99], swapped[100]); // lines 100 and 101 out of order
    QList<QByteArray> repeated = lines;
    repeated.insert(201, lines[200]);                             // line 201 twice: line 202 repeats it
    const QByteArray cut = good.left(good.size() / 2) + "\n2015"; // a download cut off mid-line
    QByteArray binary = good.left(300);
    binary[10] = '\0';
    const Case cases[] = {
        {"a garbled line", garbled.join('\n'), "第 5000 行"},
        {"issues out of order", swapped.join('\n'), "第 101 行"},
        {"a repeated line", repeated.join('\n'), "第 202 行：期号 2005126 与上一行重复"},
        {"a cut-off last line", cut, "行"},
        {"not text", binary, "不是文本文件"},
        {"an empty file", QByteArray(), "没有任何号码"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BundledHistory b = loadBundledHistory(Options::kGameFc3d, {folderWith(c.bytes, QString::number(n++))});
        EXPECT_FALSE(b.usable());
        EXPECT_TRUE(b.error.contains(QStringLiteral("已损坏"))) << b.error.toStdString();
        EXPECT_TRUE(b.error.contains(QString::fromUtf8(c.says))) << b.error.toStdString();
        auto d = openDb(QStringLiteral("db%1").arg(n));
        const DrawFileReport r = importBundledDraws(d->db, *d->store, b);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.added, 0);
        d->store->reload();
        EXPECT_EQ(d->store->size(), 0);
    }
}

TEST_F(BundledHistoryTest, OntoAStoredHistoryOnlyTheNewerDrawsAreAddedWithTheParametersOfOneWholeImport)
{
    const BundledHistory bundled = loadBundledHistory(Options::kGameFc3d, {kData});
    ASSERT_TRUE(bundled.usable());

    // The reference: the whole file through the draw file import into an empty database.
    auto whole = openDb(QStringLiteral("whole"));
    ASSERT_EQ(importDrawText(whole->db, *whole->store, bundled.text).added, 7760);

    // The user typed or imported the first 3000 draws; the bundled import adds the other 4760.
    auto partial = openDb(QStringLiteral("partial"));
    const QStringList lines = bundled.text.split(QLatin1Char('\n'));
    ASSERT_EQ(importDrawText(partial->db, *partial->store, lines.mid(0, 3000).join(QLatin1Char('\n'))).added, 3000);
    const DrawFileReport r = importBundledDraws(partial->db, *partial->store, bundled);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.added, 4760);
    EXPECT_TRUE(r.rejected.empty()); // the older lines are not offered to the import at all
    EXPECT_EQ(r.skipped, 0);         // nor is the newest stored one
    EXPECT_EQ(r.firstIssue, lines[3000].left(7));
    EXPECT_TRUE(drawFileReportText(r).contains(
        QStringLiteral("新增 4760 期（%1 至 2026253），跳过 0 期已有或重复的号码，拒绝 0 行").arg(lines[3000].left(7))))
        << drawFileReportText(r).toStdString();

    const SnapshotPtr a = whole->store->snapshot();
    const SnapshotPtr b = partial->store->snapshot();
    ASSERT_EQ(a->size(), b->size());
    for (int i = 0; i < a->size(); ++i) {
        ASSERT_EQ(a->issue(i), b->issue(i));
        ASSERT_EQ(a->row(i), b->row(i)) << a->issue(i).toStdString();
    }

    // Nothing newer left: nothing added, nothing rejected.
    const DrawFileReport again = importBundledDraws(partial->db, *partial->store, bundled);
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.skipped, 0);
    EXPECT_TRUE(again.rejected.empty());
}

} // namespace
} // namespace korvel
