#include "session/TallyCommand.h"

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "session/Session.h"
#include "settings/Options.h"
#include "support/FakeDialogs.h"
#include "support/HistoryRows.h"
#include "support/RecordingLauncher.h"
#include "verify/FormulaList.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

// Draws 123, 456, 789 (newest: 百位 7, 十位 8, 个位 9).
class TallyCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        {
            Database db;
            ASSERT_EQ(db.open(m_dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Created);
            HistoryStore store(db);
            ASSERT_EQ(store.appendRows(test::newDraws(test::threeDraws())), HistoryStore::AppendResult::Stored);
            FormulaStore formulas(db);
            formulas.appendFormula({3, Play::Group}, "L1A", "[百位通选]百位码", true);             // 7 | 4
            formulas.appendFormula({3, Play::Group}, "L3A+8", "[百位通选]个位码+8", true);         // 17 -> 7 | 14 -> 4
            formulas.appendFormula({3, Play::Group}, "L2A", "[百位通选]十位码", true);             // 8 | 5
            formulas.appendFormula({1, Play::Single}, "L3A", "[个位单选]个位码", true);            // 9 | 6
            formulas.appendFormula({2, Play::Single}, "L2A+1", "[十位单选]十位码+1", true);        // 9 | 6
            formulas.appendFormula({3, Play::Single}, "L1A+L2A", "[百位单选]百位码+十位码", true); // 15 -> 5 | 9
        }
        m_session.start(m_dir.path());
        m_session.choices().setKill(true);
        m_dialogs.clear();
    }

    static std::array<int, 10> counts(const TallySet& t, int slot)
    {
        std::array<int, 10> r{};
        for (int d = 0; d < 10; ++d) {
            r[std::size_t(d)] = t.senseCount[std::size_t(slot)][std::size_t(d)];
        }
        return r;
    }

    QTemporaryDir m_dir;
    SettingsStore m_settings{m_dir.filePath("3VER.ini")};
    test::FakeDialogs m_dialogs;
    test::RecordingLauncher m_launcher;
    Session m_session{m_settings, m_dialogs, m_launcher};
};

TEST_F(TallyCommandTest, GroupSelectedNextRunTalliesTheListsSelectionIntoTheGroupView)
{
    m_session.choices().setPosition(3);
    m_session.choices().setPlayChoice(Session::PlayChoice::Group);
    m_session.options().setComputeSelected(true);
    ASSERT_EQ(m_session.formulas().rowCount(), 3);
    TallyCommand command(m_session);
    TallyCommand::Run run = command.compute();
    ASSERT_TRUE(run.outcome.done());
    EXPECT_EQ(tallyChoiceOf(m_session).selector(), 2);
    EXPECT_EQ(run.view.view, ResultView::Group);
    EXPECT_EQ(run.view.caption, "计算" + m_session.nextIssue() + "期结果排序");
    EXPECT_EQ(m_session.nextIssue(), "2024004");
    EXPECT_TRUE(run.view.detailListVisible);
    EXPECT_EQ(counts(command.tally(), 0), (std::array<int, 10>{0, 0, 0, 0, 0, 0, 0, 2, 1, 0}));

    TallyResult view(&m_session.database());
    view.load(command.tally(), run.view);
    EXPECT_EQ(view.page(0).rows.front().num, 0);
    EXPECT_EQ(view.page(0).rows.back().num, 7);
    const std::vector<TallyTableRow> stored = tallyTables::readResultTable(m_session.database());
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored[7], (TallyTableRow{7, 2, 2, 0}));

    // A formula clicked off in the list no longer counts.
    m_session.formulas().toggleRow(2);
    run = command.compute();
    EXPECT_EQ(counts(command.tally(), 0), (std::array<int, 10>{0, 0, 0, 0, 0, 0, 0, 2, 0, 0}));
}

TEST_F(TallyCommandTest, PerPositionVerifyRunUsesTheDrawBeforeTheIssue)
{
    m_session.choices().setPosition(2);
    m_session.choices().setPlayChoice(Session::PlayChoice::Single);
    m_session.options().setComputeSelected(true);
    m_session.choices().setVerifyMode(true);
    m_session.choices().setVerifyIssue("2024003");
    TallyCommand command(m_session);
    const TallyCommand::Run run = command.compute();
    ASSERT_TRUE(run.outcome.done());
    EXPECT_EQ(tallyChoiceOf(m_session).selector(), 7);
    EXPECT_EQ(run.outcome.referenceRow, 1);
    EXPECT_EQ(run.view.view, ResultView::PerPosition);
    EXPECT_EQ(run.view.caption, "验证2024003期结果排序");
    EXPECT_EQ(counts(command.tally(), 1), (std::array<int, 10>{0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(counts(command.tally(), 2), (std::array<int, 10>{0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_TRUE(command.tally().slotEmpty(3));
    EXPECT_TRUE(m_dialogs.messages().empty());

    // The first draw cannot be verified: a message, no tally, no view.
    m_session.choices().setVerifyIssue("2024001");
    const TallySet before = command.tally();
    const TallyCommand::Run refused = command.compute();
    EXPECT_FALSE(refused.outcome.done());
    EXPECT_EQ(command.tally(), before);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "验证历史结果");
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains("2024001"));
}

TEST_F(TallyCommandTest, BestMethodAsksForTheSortSettingsAndStopsWithoutThem)
{
    m_session.choices().setPosition(3);
    m_session.choices().setPlayChoice(Session::PlayChoice::BigSmall);
    m_session.options().setComputeSelected(false);
    TallyCommand command(m_session);
    int asked = 0;
    TallyCommand::Run run = command.compute([&] { ++asked; }); // closed without "确定(&O)"
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(run.outcome.status, TallyOutcome::Status::SortNotConfirmed);
    EXPECT_TRUE(command.tally().slotEmpty(1));

    run = command.compute([&] {
        ++asked;
        m_session.sortSettings() = m_session.sortDialogState().confirm();
    });
    ASSERT_TRUE(run.outcome.done());
    EXPECT_EQ(tallyChoiceOf(m_session).selector(), 1);
    EXPECT_EQ(run.view.view, ResultView::PerPositionCategory);
    EXPECT_EQ(run.view.category, CategoryPlay::BigSmall);
    // One formula per single table: 个位 9, 十位 9, 百位 5.
    EXPECT_EQ(counts(command.tally(), 1), (std::array<int, 10>{0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(counts(command.tally(), 3), (std::array<int, 10>{0, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
    TallyResult view;
    view.load(command.tally(), run.view);
    ASSERT_EQ(view.pageCount(), 3);
    EXPECT_EQ(view.page(2).rows[0].label, "小");
    EXPECT_EQ(view.page(2).rows[1].label, "大");
    EXPECT_EQ(view.page(2).rows[1].senseCount, 1);
}

TEST_F(TallyCommandTest, HistoryRankingAsksFirstAndLeavesTheNewestCountsInTheRankingTable)
{
    m_session.choices().setPosition(3);
    m_session.choices().setPlayChoice(Session::PlayChoice::Group);
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    EXPECT_FALSE(runHistoryRanking(m_session).has_value());
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "查询等待确认");
    EXPECT_EQ(m_dialogs.messages()[0].icon, Dialogs::Icon::Question);

    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    const auto store = runHistoryRanking(m_session);
    ASSERT_TRUE(store.has_value());
    ASSERT_EQ(store->size(), 3);
    // Newest draw 789: L1A 7, L3A + 8 = 17 and L2A 8.
    const std::vector<TallyTableRow> rows = tallyTables::readRankingTable(m_session.database());
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[7], (TallyTableRow{7, 2, 2, 0}));
    EXPECT_EQ(rows[8], (TallyTableRow{8, 1, 1, 0}));
    EXPECT_EQ(rows[0], (TallyTableRow{0, 0, 0, 0}));
    const RankingList list(*store, m_session.choices().kind().position, m_session.choices().kind().play);
    EXPECT_EQ(list.rowCount(), 2);
    // Draw 456 against the ranking of 123 (L1A 1, L3A + 8 = 11 -> 1, L2A 2): 4, 5, 6 rank 3, 4, 5.
    EXPECT_EQ(list.cellText(0, 2), "3 4 5 ");
}

} // namespace
} // namespace korvel
