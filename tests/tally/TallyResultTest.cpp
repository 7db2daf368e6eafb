#include "tally/TallyResult.h"

#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "support/FakeDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/XlsReadBack.h"
#include "tally/TallyTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

TallySet slot(int s, std::array<int, 10> counts, bool kill)
{
    TallySet t;
    for (int d = 0; d < 10; ++d) {
        for (int k = 0; k < counts[std::size_t(d)]; ++k) {
            t.count(s, d, kill);
        }
    }
    return t;
}

TallyResult::Setup groupSetup(bool kill)
{
    TallyResult::Setup s;
    s.view = ResultView::Group;
    s.kill = kill;
    s.caption = QStringLiteral("计算2007100期结果排序");
    return s;
}

std::vector<int> nums(const ResultPage& p)
{
    std::vector<int> n;
    for (const ResultRow& r : p.rows) {
        n.push_back(r.num);
    }
    return n;
}

TEST(TallyResult, KillRunWithNoKillsKeepsAllTenInDigitOrder)
{
    TallyResult result;
    result.load(TallySet{}, groupSetup(true));
    ASSERT_EQ(result.pageCount(), 1);
    const ResultPage& p = result.page(0);
    EXPECT_EQ(nums(p), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    for (const ResultRow& r : p.rows) {
        EXPECT_EQ(r.markText(), "保留");
        EXPECT_EQ(r.textColour(), kBlack);
    }
    EXPECT_EQ(p.rows[3].rank, 4);
    ASSERT_EQ(p.summary.size(), 1u);
    EXPECT_EQ(p.summary[0].value, 0);
    EXPECT_EQ(p.summary[0].count, 10);
    EXPECT_EQ(p.summary[0].numbers, "0 1 2 3 4 5 6 7 8 9 ");
    EXPECT_EQ(result.caption(), "计算2007100期结果排序");
    EXPECT_FALSE(result.hasFirstChoiceSum());
}

TEST(TallyResult, KillRunRanksLeastKilledFirstAndFiltersEveryKilledDigit)
{
    TallyResult result;
    result.load(slot(0, {2, 0, 1, 0, 3, 1, 1, 2, 0, 1}, true), groupSetup(true));
    const ResultPage& p = result.page(0);
    EXPECT_EQ(nums(p), (std::vector<int>{1, 3, 8, 2, 5, 6, 9, 0, 7, 4}));
    EXPECT_EQ(p.rows[0].markText(), "保留");
    EXPECT_EQ(p.rows[2].markText(), "保留");
    EXPECT_EQ(p.rows[3].markText(), "滤杀");
    EXPECT_EQ(p.rows[3].textColour(), kGreenText);
    EXPECT_EQ(p.rows[9].senseCount, 3);
    EXPECT_EQ(p.rows[9].err, 3);
    EXPECT_EQ(p.rows[9].trr, 0);
    // Summary from the smallest value up; the numbers in list order.
    ASSERT_EQ(p.summary.size(), 4u);
    EXPECT_EQ(p.summary[0].numbers, "1 3 8 ");
    EXPECT_EQ(p.summary[1].value, 1);
    EXPECT_EQ(p.summary[1].count, 4);
    EXPECT_EQ(p.summary[1].numbers, "2 5 6 9 ");
    EXPECT_EQ(p.summary[2].numbers, "0 7 ");
    EXPECT_EQ(p.summary[3].value, 3);
    EXPECT_EQ(p.smallest, 0);
    EXPECT_EQ(p.largest, 3);
}

TEST(TallyResult, KeepRunRanksMostKeptFirstAndFiltersTheUnnamed)
{
    TallyResult result;
    result.load(slot(0, {0, 2, 0, 1, 0, 0, 0, 2, 0, 0}, false), groupSetup(false));
    const ResultPage& p = result.page(0);
    EXPECT_EQ(nums(p), (std::vector<int>{1, 7, 3, 0, 2, 4, 5, 6, 8, 9}));
    EXPECT_EQ(p.rows[0].markText(), "保留");
    EXPECT_EQ(p.rows[2].markText(), "保留");
    EXPECT_EQ(p.rows[3].markText(), "滤杀");
    EXPECT_EQ(p.rows[3].textColour(), kGreenText);
    EXPECT_EQ(p.rows[0].trr, 2);
    EXPECT_EQ(p.rows[0].err, 0);
    // Keep: from the largest value down.
    ASSERT_EQ(p.summary.size(), 3u);
    EXPECT_EQ(p.summary[0].value, 2);
    EXPECT_EQ(p.summary[0].numbers, "1 7 ");
    EXPECT_EQ(p.summary[2].value, 0);
    EXPECT_EQ(p.summary[2].count, 7);
}

TEST(TallyResult, DoubleClickReversesKillListsTwiceAndLeavesKeepListsDescending)
{
    TallyResult kill;
    kill.load(slot(0, {2, 0, 1, 0, 3, 1, 1, 2, 0, 1}, true), groupSetup(true));
    const std::vector<int> ascending = nums(kill.page(0));
    EXPECT_EQ(kill.listHeaders(0)[2], "杀留Err值");
    kill.resort(0, 2);
    EXPECT_TRUE(kill.page(0).reverse);
    EXPECT_EQ(nums(kill.page(0)), (std::vector<int>{4, 0, 7, 2, 5, 6, 9, 1, 3, 8}));
    EXPECT_EQ(kill.listHeaders(0)[2], "杀留Err值（结果统计值）");
    EXPECT_EQ(kill.listHeaders(0)[5], "保留/滤杀");
    kill.resort(0, 2);
    EXPECT_FALSE(kill.page(0).reverse);
    EXPECT_EQ(nums(kill.page(0)), ascending);
    // The summary is not recomputed.
    EXPECT_EQ(kill.page(0).summary[0].numbers, "1 3 8 ");

    // "排序序号" and "保留/滤杀" keep the order, though the flag toggles.
    kill.resort(0, 0);
    EXPECT_TRUE(kill.page(0).reverse);
    EXPECT_EQ(nums(kill.page(0)), ascending);
    kill.resort(0, 5);
    EXPECT_FALSE(kill.page(0).reverse);
    EXPECT_EQ(nums(kill.page(0)), ascending);
    // "号码" with the flag set: digits descending.
    kill.resort(0, 1);
    EXPECT_EQ(nums(kill.page(0)), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));

    TallyResult keep;
    keep.load(slot(0, {0, 2, 0, 1, 0, 0, 0, 2, 0, 0}, false), groupSetup(false));
    const std::vector<int> descending = nums(keep.page(0));
    keep.resort(0, 2);
    EXPECT_EQ(nums(keep.page(0)), descending);
    keep.resort(0, 2);
    EXPECT_EQ(nums(keep.page(0)), descending);
}

TEST(TallyResult, ReverseFlagsSurviveANewLoad)
{
    TallyResult result;
    result.load(slot(0, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true), groupSetup(true));
    result.resort(0, 2);
    result.load(slot(0, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true), groupSetup(true));
    EXPECT_TRUE(result.page(0).reverse);
    EXPECT_EQ(result.page(0).rows[0].num, 0); // descending: the killed digit first
}

TEST(TallyResult, PerPositionPagesTabsAndFirstChoiceSum)
{
    TallySet t;
    for (int d : {0, 1, 2, 4, 5, 6, 7, 8, 9}) {
        t.count(1, d, true); // 个位: only 3 has no kill
    }
    for (int d : {0, 1, 2, 3, 4, 5, 6, 8, 9}) {
        t.count(2, d, true); // 十位: only 7
    }
    t.count(3, 0, true); // 百位 is not shown for p = 2
    TallyResult::Setup s;
    s.view = ResultView::PerPosition;
    s.position = 2;
    s.kill = true;
    TallyResult result;
    result.load(t, s);
    ASSERT_EQ(result.pageCount(), 2);
    EXPECT_EQ(result.page(0).tabCaption, "个位");
    EXPECT_EQ(result.page(1).tabCaption, "十位");
    EXPECT_EQ(result.page(0).rows[0].num, 3);
    EXPECT_EQ(result.page(1).rows[0].num, 7);
    ASSERT_TRUE(result.hasFirstChoiceSum());
    EXPECT_EQ(result.firstChoiceSum(), 10);
    EXPECT_EQ(result.firstChoiceLabel(), "十位首选和值：");
    // The work table holds the last position loaded.
    EXPECT_EQ(result.resultTable().size(), 10u);
    EXPECT_EQ(result.resultTable()[7].senseCount, 0);
    EXPECT_EQ(result.resultTable()[3].senseCount, 1);
}

TEST(TallyResult, CategoryViewFoldsDigitsIntoTwoLabelledRows)
{
    TallySet t;
    for (int d : {1, 5, 6, 6, 9}) {
        t.count(1, d, true);
    }
    TallyResult::Setup s;
    s.view = ResultView::PerPositionCategory;
    s.position = 1;
    s.kill = true;
    s.category = CategoryPlay::BigSmall;
    TallyResult result;
    result.load(t, s);
    const ResultPage& p = result.page(0);
    ASSERT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(p.rows[0].label, "小");
    EXPECT_EQ(p.rows[0].senseCount, 1);
    EXPECT_EQ(p.rows[1].label, "大");
    EXPECT_EQ(p.rows[1].senseCount, 4); // 5, 6, 6, 9
    EXPECT_EQ(p.rows[1].err, 4);
    EXPECT_EQ(p.summary[0].numbers, "小 ");
    EXPECT_FALSE(result.hasFirstChoiceSum());

    s.category = CategoryPlay::OddEven;
    result.load(t, s);
    EXPECT_EQ(result.page(0).rows[0].label, "双"); // 6, 6
    EXPECT_EQ(result.page(0).rows[0].senseCount, 2);
    EXPECT_EQ(result.page(0).rows[1].label, "单"); // 1, 5, 9
    EXPECT_EQ(result.page(0).rows[1].senseCount, 3);
}

class TallyResultFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_NE(db.open(dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Failed);
    }
    QTemporaryDir dir;
    Database db;
    test::FakeDialogs dialogs;
    test::RecordingLauncher launcher;
};

TEST_F(TallyResultFiles, WorkTableAndExportHoldThePageLastLoadedOrResorted)
{
    TallySet t;
    t.count(1, 4, true);
    t.count(1, 4, true);
    t.count(1, 2, true);
    t.count(2, 9, true);
    TallyResult::Setup s;
    s.view = ResultView::PerPosition;
    s.position = 2;
    s.kill = true;
    TallyResult result(&db);
    result.load(t, s);
    EXPECT_TRUE(result.writeError().isEmpty());
    std::vector<TallyTableRow> stored = tallyTables::readResultTable(db);
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored[9], (TallyTableRow{9, 1, 1, 0}));

    result.resort(0, 2); // page 个位 rewrites the table
    stored = tallyTables::readResultTable(db);
    EXPECT_EQ(stored[4], (TallyTableRow{4, 2, 2, 0}));
    EXPECT_EQ(stored[9], (TallyTableRow{9, 0, 0, 0}));

    ASSERT_EQ(result.exportList(dir.path(), dialogs, launcher), SheetShown::Shown);
    ASSERT_EQ(launcher.spreadsheets.size(), 1);
    EXPECT_EQ(launcher.spreadsheets[0], QDir(dir.path()).filePath("ErrarrLei.xls"));
    KORVEL_SKIP_WITHOUT_XLS_READBACK();
    const test::ReadBook book = test::readBackBook(launcher.spreadsheets[0]);
    EXPECT_EQ(book.sheets, QStringList{"Sheet1"});
    EXPECT_EQ(book.rows, 11);
    EXPECT_EQ(book.columns, 3);
    EXPECT_EQ(book.text(0, 0), "排序序号");
    EXPECT_EQ(book.text(0, 1), "号码");
    EXPECT_EQ(book.text(0, 2), "杀留Err值（结果统计值）");
    // By kill count ascending, ties in stored order: 0 1 3 5 6 7 8 9, then 2 (1 kill), then 4 (2 kills).
    const int order[] = {0, 1, 3, 5, 6, 7, 8, 9, 2, 4};
    const int counts[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2};
    for (int r = 1; r <= 10; ++r) {
        EXPECT_EQ(book.number(r, 0), r);
        EXPECT_EQ(book.number(r, 1), order[r - 1]) << r;
        EXPECT_EQ(book.number(r, 2), counts[r - 1]) << r;
    }
}

TEST_F(TallyResultFiles, ExportFailuresAreToldForWhatTheyAre)
{
    TallyResult result;
    result.load(TallySet{}, groupSetup(true));

    // No application opens the file: the file is there, and the user is told so.
    launcher.result = false;
    EXPECT_EQ(result.exportList(dir.path(), dialogs, launcher), SheetShown::NoApplication);
    EXPECT_TRUE(QFile::exists(dir.filePath("ErrarrLei.xls")));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "列表显示错误");
    EXPECT_EQ(dialogs.messages()[0].text, "您的电脑没有安装Microsoft Excel表格软件，多参数列表无法显示");

    // The file cannot be written (no such folder): a write failure, not a missing program.
    dialogs.clear();
    launcher.result = true;
    launcher.spreadsheets.clear();
    EXPECT_EQ(result.exportList(dir.filePath("missing/folder"), dialogs, launcher), SheetShown::WriteFailed);
    EXPECT_TRUE(launcher.spreadsheets.isEmpty());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "列表导出错误");
    EXPECT_NE(dialogs.messages()[0].text, "您的电脑没有安装Microsoft Excel表格软件，多参数列表无法显示");
    EXPECT_TRUE(dialogs.messages()[0].text.contains("ErrarrLei.xls"));
}

} // namespace
} // namespace korvel
