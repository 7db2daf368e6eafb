#include "history/HistoryStore.h"

#include "history/DrawTableSchema.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "support/HistoryRows.h"

#include <QTemporaryDir>

#include <SQLiteCpp/Statement.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvel {
namespace {

using Result = HistoryStore::AppendResult;

class HistoryStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_EQ(m_db.open(m_dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
        m_store.reload();
    }

    QStringList issues() const
    {
        QStringList out;
        for (const QString& i : m_store.snapshot()->issues()) {
            out << i;
        }
        return out;
    }

    int rowsInFile() { return m_db.sql().execAndGet("SELECT count(*) FROM Lishi").getInt(); }

    // Makes every delete or insert of the given issue fail inside the statement.
    void failOn(const char* when, const char* issue)
    {
        m_db.sql().exec(std::string("CREATE TRIGGER fail_") + when + " BEFORE " + when + " ON Lishi WHEN " +
                        (std::string(when) == "DELETE" ? "old" : "new") + ".strQQH = '" + issue +
                        "' BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }

    void seed(std::initializer_list<test::DrawLine> lines)
    {
        const auto rows = test::newDraws(test::draws(lines));
        ASSERT_EQ(m_store.appendRows(rows), Result::Stored);
    }

    QTemporaryDir m_dir;
    Database m_db;
    HistoryStore m_store{m_db};
};

TEST_F(HistoryStoreTest, SnapshotHoldsTheDrawsInIssueOrderWhateverTheOrderOfWriting)
{
    EXPECT_TRUE(m_store.snapshot()->empty());
    ASSERT_EQ(m_store.appendDraw("2007003", {5, 8, 3}, "2007-01-03"), Result::Stored);
    ASSERT_EQ(m_store.appendDraw("2007001", {1, 2, 3}, "2007-01-01"), Result::Stored);
    ASSERT_EQ(m_store.appendDraw("2007002", {0, 0, 0}, "2007-01-02"), Result::Stored);
    EXPECT_EQ(issues(), QStringList({"2007001", "2007002", "2007003"}));
    const SnapshotPtr s = m_store.snapshot();
    EXPECT_EQ(s->value(0, Param::L2A), 2);
    EXPECT_EQ(s->value(2, Param::L1A), 5);
    EXPECT_EQ(s->value(2, Param::SQH), 3);
    EXPECT_EQ(s->value(2, Param::RQ), 3);
}

TEST_F(HistoryStoreTest, NewDrawIsComparedWithTheNewestStoredDraw)
{
    ASSERT_EQ(m_store.appendDraw("2007001", {1, 1, 2}, "2007-01-01"), Result::Stored);
    ASSERT_EQ(m_store.appendDraw("2007002", {1, 3, 1}, "2007-01-02"), Result::Stored);
    const SnapshotPtr s = m_store.snapshot();
    // 1 1 2 then 1 3 1: one position repeats, two digits occur in the previous draw.
    EXPECT_EQ(s->value(1, Param::LX), 1);
    EXPECT_EQ(s->value(1, Param::LY), 2);
    // The first draw has no previous draw: 0 0 0 shares nothing with 1 1 2.
    EXPECT_EQ(s->value(0, Param::LX), 0);
    EXPECT_EQ(s->value(0, Param::LY), 0);
}

TEST_F(HistoryStoreTest, StoredParametersMatchTheComputation)
{
    const auto lines = test::loadDraws("fc3d_draws.tsv", 50);
    ASSERT_EQ(lines.size(), 50u);
    ASSERT_EQ(m_store.appendRows(test::newDraws(lines)), Result::Stored);
    const HistorySnapshot expected = test::snapshotOf(lines);
    const SnapshotPtr s = m_store.snapshot();
    ASSERT_EQ(s->size(), 50);
    for (int r = 0; r < 50; ++r) {
        EXPECT_EQ(s->issue(r), expected.issue(r));
        EXPECT_EQ(s->row(r), expected.row(r)) << "row " << r;
    }
}

TEST_F(HistoryStoreTest, DuplicateIssueIsRefusedAndNothingIsWritten)
{
    seed({{"2007001", "2007-01-01", "583"}});
    EXPECT_EQ(m_store.appendDraw("2007001", {9, 9, 9}, "2007-01-02"), Result::Duplicate);
    EXPECT_EQ(rowsInFile(), 1);
    EXPECT_EQ(m_store.snapshot()->value(0, Param::L1A), 5);

    // A batch with one stored issue writes none of its rows.
    const auto rows = test::newDraws(test::draws({{"2007002", "2007-01-02", "111"}, {"2007001", "2007-01-01", "222"}}));
    EXPECT_EQ(m_store.appendRows(rows), Result::Duplicate);
    EXPECT_EQ(rowsInFile(), 1);
}

TEST_F(HistoryStoreTest, FailedWritesLeaveTheTableAsItWas)
{
    seed({{"2007001", "2007-01-01", "583"}, {"2007002", "2007-01-02", "012"}, {"2007003", "2007-01-03", "999"}});
    failOn("DELETE", "2007002");
    // The newest row is deleted before the refused one: the whole deletion must be undone.
    EXPECT_EQ(m_store.deleteLastCount(2), -1);
    EXPECT_EQ(m_store.deleteAfter("2007001"), -1);
    EXPECT_EQ(m_store.Delrec(), -1);
    EXPECT_EQ(rowsInFile(), 3);
    EXPECT_EQ(m_store.size(), 3);
    EXPECT_FALSE(m_store.lastError().isEmpty());

    failOn("INSERT", "2007005");
    const auto rows = test::newDraws(test::draws({{"2007004", "2007-01-04", "111"}, {"2007005", "2007-01-05", "222"}}));
    EXPECT_EQ(m_store.appendRows(rows), Result::Failed);
    EXPECT_EQ(rowsInFile(), 3);
}

TEST_F(HistoryStoreTest, DeletionsRemoveTheNewestRows)
{
    EXPECT_EQ(m_store.deleteLast(), 0);
    seed({{"2016001", "2016-01-01", "111"},
          {"2016002", "2016-01-02", "222"},
          {"2016003", "2016-01-03", "333"},
          {"2016004", "2016-01-04", "444"},
          {"2016005", "2016-01-05", "555"}});
    EXPECT_EQ(m_store.deleteLast(), 1);
    EXPECT_EQ(issues(), QStringList({"2016001", "2016002", "2016003", "2016004"}));
    EXPECT_EQ(m_store.deleteLastCount(2), 2);
    EXPECT_EQ(issues(), QStringList({"2016001", "2016002"}));
    EXPECT_EQ(m_store.deleteAfter("2016001"), 1);
    EXPECT_EQ(issues(), QStringList({"2016001"}));
    EXPECT_EQ(m_store.deleteLastCount(10), 1);
    EXPECT_TRUE(issues().isEmpty());
    seed({{"2016001", "2016-01-01", "111"}, {"2016002", "2016-01-02", "222"}});
    EXPECT_EQ(m_store.Delrec(), 2);
    EXPECT_EQ(rowsInFile(), 0);
}

TEST_F(HistoryStoreTest, CompactionKeepsTheDataAndShrinksTheFile)
{
    const auto lines = test::loadDraws("fc3d_draws.tsv", 2000);
    ASSERT_EQ(m_store.appendRows(test::newDraws(lines)), Result::Stored);
    ASSERT_EQ(m_store.deleteLastCount(1990), 1990);
    const qint64 before = QFileInfo(m_db.path()).size();
    ASSERT_TRUE(m_store.compact());
    EXPECT_LT(QFileInfo(m_db.path()).size(), before);
    EXPECT_EQ(m_store.size(), 10);
    EXPECT_EQ(m_store.snapshot()->issue(9), lines[9].issue);
}

TEST(HistoryStoreClosed, ReadsEmptyAndRefusesWrites)
{
    Database db;
    HistoryStore store(db);
    EXPECT_FALSE(store.reload());
    EXPECT_TRUE(store.snapshot()->empty());
    EXPECT_EQ(store.appendDraw("2007001", {1, 2, 3}, "2007-01-01"), Result::Failed);
    EXPECT_EQ(store.deleteLast(), -1);
    EXPECT_FALSE(store.compact());
}

TEST(HistoryStoreOpen, ReadsAFileWrittenBefore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("formula.mdb");
    {
        Database db;
        ASSERT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::Created);
        HistoryStore store(db);
        ASSERT_EQ(store.appendRows(test::newDraws(test::loadDraws("pl3_draws.tsv", 30))), Result::Stored);
    }
    Database db;
    ASSERT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::Opened);
    HistoryStore store(db);
    ASSERT_TRUE(store.reload());
    ASSERT_EQ(store.size(), 30);
    EXPECT_EQ(store.snapshot()->issue(0), "04001");
    // 04001 was drawn 192 on 2004-11-14.
    EXPECT_EQ(store.snapshot()->value(0, Param::L1A), 1);
    EXPECT_EQ(store.snapshot()->value(0, Param::L3A), 2);
    EXPECT_EQ(store.snapshot()->value(0, Param::RQ), 14);
}

// The draw table as files of ours have always laid it out: the draw number, the parameter columns in parameter
// order, then the tally's work columns.
TEST(DrawTableSchema, NewFileHasTheIssueTheParameterColumnsInOrderAndTheWorkColumns)
{
    QTemporaryDir dir;
    Database db;
    ASSERT_EQ(db.open(dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
    SQLite::Statement q(db.sql(), "SELECT name, type, pk FROM pragma_table_info('Lishi') ORDER BY cid");
    std::vector<std::string> names;
    while (q.executeStep()) {
        names.push_back(q.getColumn(0).getString());
        if (names.size() == 1) {
            EXPECT_EQ(q.getColumn(2).getInt(), 1) << "strQQH is the key";
        } else if (names.size() <= 1u + kParamCount) {
            EXPECT_EQ(q.getColumn(1).getString(), "INTEGER") << names.back();
        }
    }
    ASSERT_EQ(names.size(), std::size_t{1 + kParamCount + 5});
    EXPECT_EQ(names.front(), "strQQH");
    for (int i = 0; i < kParamCount; ++i) {
        EXPECT_EQ(names[1 + i], paramCode(paramAt(i)));
    }
    EXPECT_EQ(std::vector<std::string>(names.end() - 5, names.end()),
              (std::vector<std::string>{"canshu", "PreCanshu", "GSCS", "GSGL", "GSZCS"}));
}

} // namespace
} // namespace korvel
