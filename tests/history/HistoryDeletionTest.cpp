#include "history/HistoryDeletion.h"

#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "support/FakeDialogs.h"
#include "support/HistoryRows.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::FakeDialogs;

class HistoryDeletionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_EQ(m_db.open(m_dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
        m_store.reload();
    }

    // Five draws 2016001..2016005 behind two of 2015.
    void seed()
    {
        const auto rows = test::newDraws(test::draws({{"2015357", "2015-12-30", "101"},
                                                      {"2015358", "2015-12-31", "202"},
                                                      {"2016001", "2016-01-01", "111"},
                                                      {"2016002", "2016-01-02", "222"},
                                                      {"2016003", "2016-01-03", "333"},
                                                      {"2016004", "2016-01-04", "444"},
                                                      {"2016005", "2016-01-05", "555"}}));
        ASSERT_EQ(m_store.appendRows(rows), HistoryStore::AppendResult::Stored);
    }

    QString newest() const { return m_store.snapshot()->empty() ? QString() : m_store.snapshot()->issues().back(); }

    QTemporaryDir m_dir;
    Database m_db;
    HistoryStore m_store{m_db};
    FakeDialogs m_dialogs;
};

TEST_F(HistoryDeletionTest, DeleteLastNamesTheDrawItWillDeleteBeforeItDoes)
{
    // Nothing stored: nothing to ask.
    EXPECT_FALSE(deleteLastDraw(m_store, m_dialogs).changed);
    EXPECT_TRUE(m_dialogs.calls().empty());
    seed();
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    EXPECT_FALSE(deleteLastDraw(m_store, m_dialogs).changed);
    EXPECT_EQ(newest(), "2016005");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    const DeletionResult r = deleteLastDraw(m_store, m_dialogs);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(newest(), "2016004");
    ASSERT_EQ(m_dialogs.messages().size(), 2u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "删除期数");
    EXPECT_EQ(m_dialogs.messages()[0].text, "确实要删除最后 1 期历史号码（2016005 期）吗？");
    EXPECT_EQ(m_dialogs.messages()[1].text, "确实要删除最后 1 期历史号码（2016005 期）吗？");
}

TEST_F(HistoryDeletionTest, DeleteAllAsksNamingTheCountWithCancelTheDefault)
{
    seed();
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    EXPECT_FALSE(deleteAllDraws(m_store, m_dialogs).changed);
    EXPECT_EQ(m_store.size(), 7);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    EXPECT_EQ(deleteAllDraws(m_store, m_dialogs).deleted, 7);
    EXPECT_EQ(m_store.size(), 0);
    ASSERT_EQ(m_dialogs.messages().size(), 2u);
    const auto& question = m_dialogs.messages()[0];
    EXPECT_EQ(question.title, "删除所有历史");
    EXPECT_EQ(question.text, "确实要删除全部 7 期历史号码吗？");
    EXPECT_EQ(question.buttons, Dialogs::Buttons::CancelOk);
    EXPECT_EQ(question.icon, Dialogs::Icon::Question);
    // An empty table asks nothing.
    EXPECT_FALSE(deleteAllDraws(m_store, m_dialogs).changed);
    EXPECT_EQ(m_dialogs.messages().size(), 2u);
}

TEST_F(HistoryDeletionTest, DeleteToChosenIssueKeepsTheAnswerAndEverythingBefore)
{
    seed();
    m_dialogs.answerInput("2016001");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    const DeletionResult r = deleteToChosenIssue(m_store, m_dialogs, "2016003");
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].text, "确实要删除最后 4 期历史号码（2016002 至 2016005 期）吗？");
    ASSERT_EQ(m_dialogs.inputs().size(), 1u);
    const auto& box = m_dialogs.inputs()[0];
    EXPECT_EQ(box.title, "删除期数");
    EXPECT_EQ(box.text, "请输入需要删除到的期数(保留到该期），例如‘2016001’");
    // The default is the selected issue minus one.
    EXPECT_EQ(box.defaultText, "2016002");
    EXPECT_EQ(r.deleted, 4);
    EXPECT_EQ(newest(), "2016001");
    EXPECT_EQ(m_store.size(), 3);
}

TEST_F(HistoryDeletionTest, DeleteToChosenIssueRefusesAnswersWithoutANonZeroSequence)
{
    seed();
    for (const char* refused : {"2016000", "2016abc", "", "000"}) {
        m_dialogs.answerInput(refused);
        EXPECT_FALSE(deleteToChosenIssue(m_store, m_dialogs, "2016003").changed) << refused;
    }
    m_dialogs.cancelInput();
    EXPECT_FALSE(deleteToChosenIssue(m_store, m_dialogs, {}).changed);
    // Without a selected issue the box starts empty.
    EXPECT_EQ(m_dialogs.inputs().back().defaultText, "");
    EXPECT_EQ(m_store.size(), 7);
    EXPECT_TRUE(m_dialogs.messages().empty());
}

TEST_F(HistoryDeletionTest, DeleteToChosenIssueComparesAsText)
{
    seed();
    // Every 2016 issue sorts after "2015999"; the two 2015 draws are kept.
    m_dialogs.answerInput("2015999");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    EXPECT_EQ(deleteToChosenIssue(m_store, m_dialogs, {}).deleted, 5);
    EXPECT_EQ(m_dialogs.messages().back().text, "确实要删除最后 5 期历史号码（2016001 至 2016005 期）吗？");
    EXPECT_EQ(newest(), "2015358");

    // The newest issue itself: nothing after it, nothing asked.
    m_dialogs.answerInput("2015358");
    EXPECT_FALSE(deleteToChosenIssue(m_store, m_dialogs, {}).changed);
    EXPECT_EQ(m_dialogs.messages().size(), 1u);
    // Cancelled at the count: nothing deleted.
    m_dialogs.answerInput("2015357");
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    EXPECT_FALSE(deleteToChosenIssue(m_store, m_dialogs, {}).changed);
    EXPECT_EQ(m_store.size(), 2);
}

TEST_F(HistoryDeletionTest, DeleteLastCountDeletesThatManyAndStopsWhenEmpty)
{
    seed();
    m_dialogs.answerInput("3");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    EXPECT_EQ(deleteLastCount(m_store, m_dialogs).deleted, 3);
    EXPECT_EQ(m_dialogs.messages().back().text, "确实要删除最后 3 期历史号码（2016003 至 2016005 期）吗？");
    const auto& box = m_dialogs.inputs()[0];
    EXPECT_EQ(box.title, "删除期数");
    EXPECT_EQ(box.text, "请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）");
    EXPECT_EQ(box.defaultText, "1");
    EXPECT_EQ(newest(), "2016002");

    // More than stored: the question names what is really deleted.
    m_dialogs.answerInput("100");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    EXPECT_EQ(deleteLastCount(m_store, m_dialogs).deleted, 4);
    EXPECT_EQ(m_dialogs.messages().back().text, "确实要删除最后 4 期历史号码（2015357 至 2016002 期）吗？");
    EXPECT_EQ(m_store.size(), 0);
}

TEST_F(HistoryDeletionTest, DeleteLastCountIgnoresZeroNonNumbersAndCancel)
{
    seed();
    for (const char* nothing : {"0", "abc", "-2", ""}) {
        m_dialogs.answerInput(nothing);
        EXPECT_FALSE(deleteLastCount(m_store, m_dialogs).changed) << nothing;
    }
    m_dialogs.cancelInput();
    EXPECT_FALSE(deleteLastCount(m_store, m_dialogs).changed);
    EXPECT_EQ(m_store.size(), 7);
    EXPECT_TRUE(m_dialogs.allAnswered());
}

TEST_F(HistoryDeletionTest, RangeDeletionsCompactTheFile)
{
    const auto rows = test::newDraws(test::loadDraws("fc3d_draws.tsv", 1500));
    ASSERT_EQ(m_store.appendRows(rows), HistoryStore::AppendResult::Stored);
    const qint64 before = QFileInfo(m_db.path()).size();
    m_dialogs.answerInput("1400");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    EXPECT_EQ(deleteLastCount(m_store, m_dialogs).deleted, 1400);
    EXPECT_LT(QFileInfo(m_db.path()).size(), before / 2);
    EXPECT_EQ(m_store.size(), 100);
}

TEST_F(HistoryDeletionTest, AFailedDeletionIsToldAndChangesNothing)
{
    seed();
    m_db.sql().exec("CREATE TRIGGER keep BEFORE DELETE ON Lishi WHEN old.strQQH = '2016004' "
                    "BEGIN SELECT RAISE(ABORT, 'locked'); END");
    m_dialogs.answerInput("3");
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    EXPECT_FALSE(deleteLastCount(m_store, m_dialogs).changed);
    ASSERT_EQ(m_dialogs.messages().size(), 2u);
    // A failure of the database: critical (the command line's status 1).
    EXPECT_EQ(m_dialogs.messages()[1].icon, Dialogs::Icon::Critical);
    EXPECT_TRUE(m_dialogs.messages()[1].text.contains("未作改动"));
    EXPECT_EQ(m_store.size(), 7);
    EXPECT_EQ(newest(), "2016005");
}

} // namespace
} // namespace korvel
