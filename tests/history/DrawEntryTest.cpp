#include "history/DrawEntry.h"

#include "history/DrawTableSchema.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "platform/TextNumber.h"
#include "support/FakeDialogs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::FakeDialogs;

TEST(EntryText, BoxesReadAsNumbersAndNonNumbersAsZero)
{
    EXPECT_EQ(entryDigit("7"), 7);
    EXPECT_EQ(entryDigit("0"), 0);
    EXPECT_EQ(entryDigit("a"), 0);
    EXPECT_EQ(entryDigit(""), 0);
    EXPECT_EQ(entryDigit("-"), 0);
    EXPECT_DOUBLE_EQ(textValue(u" 12ab"), 12.0);
    EXPECT_DOUBLE_EQ(textValue(u"-3.5x"), -3.5);
    EXPECT_DOUBLE_EQ(textValue(u"x12"), 0.0);
    EXPECT_TRUE(startsWithNumber(u"0"));
    EXPECT_FALSE(startsWithNumber(u"."));
}

TEST(EntryText, DatesAreNormalisedAndMoveOnByADay)
{
    EXPECT_EQ(normaliseDate("2012/5/20"), "2012-05-20");
    EXPECT_EQ(normaliseDate("2012-5-2"), "2012-05-02");
    EXPECT_EQ(normaliseDate("2012.05.20"), "2012-05-20");
    EXPECT_EQ(normaliseDate("2012-05-20"), "2012-05-20");
    // Not dates: kept as typed.
    EXPECT_EQ(normaliseDate("2012-02-30"), "2012-02-30");
    EXPECT_EQ(normaliseDate("2012/5-20"), "2012/5-20");
    EXPECT_EQ(normaliseDate("tomorrow"), "tomorrow");

    EXPECT_EQ(nextDay("2012-05-31"), "2012-06-01");
    EXPECT_EQ(nextDay("2012-02-28"), "2012-02-29");
    EXPECT_EQ(nextDay("2011-12-31"), "2012-01-01");
    EXPECT_EQ(nextDay("2012/5/20"), "2012-05-21");
    EXPECT_EQ(nextDay("nonsense"), "nonsense");
}

class DrawEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_db.open(m_dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
        m_store.reload();
    }

    QTemporaryDir m_dir;
    Database m_db;
    HistoryStore m_store{m_db};
    FakeDialogs m_dialogs;
};

TEST_F(DrawEntryTest, StoresTheTypedDrawWithItsIssueAndDate)
{
    EXPECT_EQ(storeTypedDraw(m_store, m_dialogs, "2012137", "3", "5", "8", "2012/5/20"), EntryResult::Stored);
    ASSERT_EQ(m_store.size(), 1);
    const SnapshotPtr s = m_store.snapshot();
    EXPECT_EQ(s->issue(0), "2012137");
    EXPECT_EQ(s->value(0, Param::L1A), 3);
    EXPECT_EQ(s->value(0, Param::L2A), 5);
    EXPECT_EQ(s->value(0, Param::L3A), 8);
    EXPECT_EQ(s->value(0, Param::SQH), 137);
    EXPECT_EQ(s->value(0, Param::QH), 138);
    // The date was read as 2012-05-20 whatever its typed form.
    EXPECT_EQ(s->value(0, Param::NF), 2012);
    EXPECT_EQ(s->value(0, Param::YF), 5);
    EXPECT_EQ(s->value(0, Param::RQ), 20);
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(DrawEntryTest, ALetterInABoxCountsAsZero)
{
    EXPECT_EQ(storeTypedDraw(m_store, m_dialogs, "2012137", "a", "5", "8", "2012-05-20"), EntryResult::Stored);
    EXPECT_EQ(m_store.snapshot()->value(0, Param::L1A), 0);
    EXPECT_EQ(m_store.snapshot()->value(0, Param::LH), 13);
}

TEST_F(DrawEntryTest, AStoredIssueIsRefusedWithAMessage)
{
    ASSERT_EQ(storeTypedDraw(m_store, m_dialogs, "2012137", "3", "5", "8", "2012-05-20"), EntryResult::Stored);
    EXPECT_EQ(storeTypedDraw(m_store, m_dialogs, "2012137", "1", "1", "1", "2012-05-21"), EntryResult::Duplicate);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, entry::duplicateTitle());
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains("2012137"));
    ASSERT_EQ(m_store.size(), 1);
    EXPECT_EQ(m_store.snapshot()->value(0, Param::L1A), 3);
}

TEST_F(DrawEntryTest, AnEmptyIssueIsRefused)
{
    EXPECT_EQ(storeTypedDraw(m_store, m_dialogs, "  ", "3", "5", "8", "2012-05-20"), EntryResult::EmptyIssue);
    EXPECT_EQ(m_store.size(), 0);
    EXPECT_EQ(m_dialogs.messages().size(), 1u);
}

} // namespace
} // namespace korvel
