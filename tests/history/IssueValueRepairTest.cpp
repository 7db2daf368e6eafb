#include "history/IssueValueRepair.h"
#include "history/DrawBatch.h"
#include "history/DrawFileImport.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace korvel {
namespace {

struct IssueValues {
    int qh, qhw, sqh, sqhw;
    friend bool operator==(const IssueValues&, const IssueValues&) = default;
};

IssueValues issueValuesOf(const HistorySnapshot& snap, const QString& issue)
{
    const int row = snap.rowOfIssue(issue);
    if (row < 0) {
        return {-1, -1, -1, -1};
    }
    return {snap.value(row, Param::QH), snap.value(row, Param::QHW), snap.value(row, Param::SQH),
            snap.value(row, Param::SQHW)};
}

// The real draws of 2008, 2012 and 2016 have a 359th issue.
const char* const kThe359s[] = {"2008359", "2012359", "2016359"};

class IssueValueRepairTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        m_store.reload();
        m_draws = test::loadDraws(QStringLiteral("fc3d_draws.tsv"));
        ASSERT_GT(m_draws.size(), 4400u);
    }

    QString drawFileText() const
    {
        QString text;
        for (const test::DrawLine& d : m_draws) {
            text += d.issue + QLatin1Char(',') + d.date + QLatin1Char(',') + d.digits + QLatin1Char('\n');
        }
        return text;
    }

    QTemporaryDir m_dir;
    Database m_db;
    HistoryStore m_store{m_db};
    std::vector<test::DrawLine> m_draws;
};

TEST_F(IssueValueRepairTest, ImportedDrawsCarryTheIssueValuesOfTypedDraws)
{
    const DrawFileReport r = importDrawText(m_db, m_store, drawFileText());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(r.added, static_cast<int>(m_draws.size()));
    const SnapshotPtr snap = m_store.snapshot();
    // By hand: a 359th draw predicts issue 360 (digit sum 9); its own sequence 359 sums to 17.
    for (const char* issue : kThe359s) {
        EXPECT_EQ(issueValuesOf(*snap, QString::fromLatin1(issue)), (IssueValues{360, 9, 359, 17})) << issue;
    }
    // The 358th draw before it still points to issue 1.
    EXPECT_EQ(issueValuesOf(*snap, QStringLiteral("2016358")), (IssueValues{1, 1, 358, 16}));
    EXPECT_EQ(issueValuesOf(*snap, QStringLiteral("2017001")), (IssueValues{2, 2, 1, 1}));

    // The import agrees with typing the draws one after the other, on every row.
    const HistorySnapshot typed = test::snapshotOf(m_draws);
    ASSERT_EQ(typed.size(), snap->size());
    int differing = 0;
    for (int i = 0; i < typed.size(); ++i) {
        differing += typed.row(i) != snap->row(i) ? 1 : 0;
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(IssueValueRepairTest, RepairRewritesTheFourIssueValuesOfRowsStoredByTheModuloRule)
{
    // A history imported before the fix: issue values by the modulo-358 rule of the online update.
    std::vector<HistoryStore::NewDraw> rows;
    Digits previous;
    for (const test::DrawLine& d : m_draws) {
        const Digits now{d.digits[0].digitValue(), d.digits[1].digitValue(), d.digits[2].digitValue()};
        const IssueDate when = issueDateFromSequence(d.issue.right(3).toInt(), d.date.left(4).toInt(),
                                                     d.date.mid(5, 2).toInt(), d.date.mid(8, 2).toInt());
        rows.push_back({d.issue, computeDrawParameters(now, previous, when)});
        previous = now;
    }
    ASSERT_TRUE(storeDraws(m_db, m_store, rows).ok);
    EXPECT_EQ(issueValuesOf(*m_store.snapshot(), QStringLiteral("2016359")), (IssueValues{2, 2, 1, 1}));

    const IssueRepairResult repaired = repairIssueValues(m_db, m_store);
    ASSERT_TRUE(repaired.ok) << repaired.error.toStdString();
    EXPECT_EQ(repaired.changed, 3);
    const SnapshotPtr snap = m_store.snapshot();
    for (const char* issue : kThe359s) {
        EXPECT_EQ(issueValuesOf(*snap, QString::fromLatin1(issue)), (IssueValues{360, 9, 359, 17})) << issue;
    }
    // Every other column stays as stored; the whole history now equals the typed one.
    const HistorySnapshot typed = test::snapshotOf(m_draws);
    for (int i = 0; i < typed.size(); ++i) {
        ASSERT_EQ(typed.row(i), snap->row(i)) << snap->issue(i).toStdString();
    }
    EXPECT_TRUE(repairText(repaired).contains(QStringLiteral("3 期")));

    // A second repair finds nothing to do.
    const IssueRepairResult again = repairIssueValues(m_db, m_store);
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.changed, 0);
}

TEST_F(IssueValueRepairTest, AFailedRepairChangesNothing)
{
    ASSERT_TRUE(importDrawText(m_db, m_store, QStringLiteral("2016358,2016-12-30,110\n")).ok);
    // A wrong own sequence number to repair, and a database that refuses every update.
    m_db.sql().exec("UPDATE Lishi SET SQH = 2, SQHW = 2");
    m_db.sql().exec("CREATE TRIGGER refuse BEFORE UPDATE ON Lishi BEGIN SELECT RAISE(ABORT, 'refused'); END");
    m_store.reload();
    const IssueRepairResult r = repairIssueValues(m_db, m_store);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("refused")));
    EXPECT_EQ(m_store.snapshot()->value(0, Param::SQH), 2);
    EXPECT_TRUE(repairText(r).contains(QStringLiteral("没有改变")));
}

} // namespace
} // namespace korvel
