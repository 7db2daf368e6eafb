#include "tally/FormulaDetail.h"
#include "tally/ListExports.h"

#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "support/FakeDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/XlsReadBack.h"
#include "tally/TallyTestSupport.h"
#include "verify/FormulaList.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

// 百位通选 kill formulas over 583, 129, 470, 066 (all draws counted, no weighting):
//   row 0 L1A: predicts 5, 1, 4 for draws 2..4 - three hits, 100 %; next value 0
//   row 1 L3A: predicts 3, 9, 0 - the last misses (066 holds 0), 66.6667 %, 最大连错 1; next value 6
//   row 2 L2A: predicts 8, 2, 7 - three hits, 100 %; next value 6 (not selected)
class FormulaDetailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_NE(db.open(dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Failed);
        store = std::make_unique<FormulaStore>(db);
        list = std::make_unique<FormulaList>(*store, dialogs);
        const FormulaKind kind{3, Play::Group};
        store->appendFormula(kind, "L1A", "[百位通选]百位码", true);
        store->appendFormula(kind, "L3A", "[百位通选]个位码", true);
        store->appendFormula(kind, "L2A", "[百位通选]十位码", true);
        list->loadFormulas(kind, true);
        list->toggleRow(2);
        PassSettings settings;
        settings.figures = {0, true, false};
        settings.perDrawDisplay = true;
        settings.displayColumn = DisplayColumn::NextIssue;
        list->statisticsPass(snapshot, settings);
    }

    QTemporaryDir dir;
    Database db;
    test::FakeDialogs dialogs;
    test::RecordingLauncher launcher;
    std::unique_ptr<FormulaStore> store;
    std::unique_ptr<FormulaList> list;
    const HistorySnapshot snapshot = test::history({"583", "129", "470", "066"});
};

TEST_F(FormulaDetailTest, DoubleClickSortsAscendingByTheStatisticOrKeepsTheOrder)
{
    ASSERT_EQ(list->rowCount(), 3);
    const std::vector<int> byRate = formulaListOrder(*list, FormulaList::ColRate);
    EXPECT_EQ(byRate, (std::vector<int>{1, 0, 2})); // 66.67 first; the two 100 % in idx order
    EXPECT_EQ(formulaListOrder(*list, FormulaList::ColErrCon), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(formulaListOrder(*list, FormulaList::ColTrueLst), (std::vector<int>{1, 0, 2}));
    // "公式", "计算值" and the other columns below 5 keep the previous order.
    EXPECT_EQ(formulaListOrder(*list, FormulaList::ColFormula, byRate), byRate);
    EXPECT_EQ(formulaListOrder(*list, FormulaList::ColNextValue, byRate), byRate);
    EXPECT_EQ(formulaListOrder(*list, FormulaList::ColFormula), (std::vector<int>{0, 1, 2}));
    // The number column counts the display rows.
    EXPECT_EQ(formulaListCell(*list, byRate, 0, FormulaList::ColNumber, true), "1");
    EXPECT_EQ(formulaListCell(*list, byRate, 0, FormulaList::ColFormula, true), "[百位通选]个位码");
    EXPECT_EQ(formulaListCell(*list, byRate, 0, FormulaList::ColFormula, false), "L3A");
}

TEST_F(FormulaDetailTest, DetailedResultListHoldsTheSelectedFormulasInDisplayOrder)
{
    const std::vector<int> byRate = formulaListOrder(*list, FormulaList::ColRate);
    const DetailedResultList detail = detailedResultList(*list, byRate, true);
    EXPECT_EQ(DetailedResultList::headers(),
              (QStringList{"序号", "公式", "类型", "生杀", "结果", "号码", "随机基准", "超出基准", "显著性"}));
    ASSERT_EQ(detail.rows.size(), 2u);
    // L3A names a digit on all three draws: chance 0.729 each; P(X >= 2) = 0.729^3 + 3 * 0.729^2 * 0.271.
    EXPECT_EQ(detail.rows[0], (std::array<QString, 9>{"1", "[百位通选]个位码", "百位通选", "杀", "6", "66.6667% (2/3)",
                                                      "72.9000%", "-6.2333", "0.8195"}));
    EXPECT_EQ(detail.rows[1][0], "2");
    EXPECT_EQ(detail.rows[1][1], "[百位通选]百位码");
    EXPECT_EQ(detail.rows[1][4], "0");

    // The values of the tally the list belongs to replace the next-draw values (a verify run).
    const QHash<int, QString> verifyValues = {{1, "4"}, {2, "0"}};
    const DetailedResultList verified = detailedResultList(*list, byRate, true, &verifyValues);
    EXPECT_EQ(verified.rows[0][4], "0");
    EXPECT_EQ(verified.rows[1][4], "4");

    // No selected formula: only the header.
    list->toggleRow(0);
    list->toggleRow(1);
    EXPECT_TRUE(detailedResultList(*list, byRate, true).rows.empty());
}

TEST_F(FormulaDetailTest, DetailedResultListAndFormulaListExportToTheFormulaSheet)
{
    KORVEL_SKIP_WITHOUT_XLS_READBACK();
    const std::vector<int> byRate = formulaListOrder(*list, FormulaList::ColRate);

    ASSERT_EQ(detailedResultList(*list, byRate, true).exportList(dir.path(), dialogs, launcher), SheetShown::Shown);
    ASSERT_EQ(launcher.spreadsheets, QStringList{dir.filePath("gongshi.xls")});
    test::ReadBook book = test::readBackBook(launcher.spreadsheets[0]);
    EXPECT_EQ(book.sheets, QStringList{"Sheet1"});
    EXPECT_EQ(book.rows, 3);
    EXPECT_EQ(book.columns, 9);
    EXPECT_EQ(book.text(0, 5), "号码");
    EXPECT_EQ(book.text(0, 6), "随机基准");
    EXPECT_EQ(book.text(1, 6), "72.9000%");
    EXPECT_EQ(book.text(1, 8), "0.8195");
    EXPECT_EQ(book.number(1, 0), 1);
    EXPECT_EQ(book.text(1, 1), "[百位通选]个位码");
    EXPECT_EQ(book.text(1, 2), "百位通选");
    EXPECT_EQ(book.text(1, 3), "杀");
    EXPECT_EQ(book.number(1, 4), 6);
    EXPECT_EQ(book.text(1, 5), "66.6667% (2/3)");
    EXPECT_EQ(book.number(2, 4), 0);

    ASSERT_EQ(ExportListToSpreadsheet(*list, byRate, true, false, dir.path(), dialogs, launcher), SheetShown::Shown);
    book = test::readBackBook(dir.filePath("gongshi.xls"));
    EXPECT_EQ(book.rows, 4);
    // The eleven columns of the list, then the chance figures at the right end.
    EXPECT_EQ(book.columns, 15);
    for (int c = 0; c < 15; ++c) {
        EXPECT_EQ(book.text(0, c), FormulaList::columnHeader(c, false)) << c;
    }
    EXPECT_EQ(book.text(0, 5), "正确率");
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(book.number(r + 1, 0), r + 1);
        for (int c = 1; c < 6; ++c) {
            const QString cell = formulaListCell(*list, byRate, r, c, true);
            if (c == FormulaList::ColNextValue && !cell.isEmpty()) {
                // 计算值 is a number cell, as a spreadsheet reads it.
                EXPECT_EQ(book.types.at({r + 1, c}), 2) << r;
                EXPECT_EQ(book.number(r + 1, c), cell.toDouble()) << r;
            } else {
                EXPECT_EQ(book.text(r + 1, c), cell) << r << " " << c;
            }
        }
    }
    EXPECT_EQ(book.types.count({1, 4}), 1u); // the selected formulas have a 计算值
    EXPECT_EQ(book.text(3, 4), "");          // the unselected formula has none
    EXPECT_EQ(book.number(1, 6), 1);         // 最大连错 of L3A
    EXPECT_EQ(book.number(1, 10), 2);        // its idx
    EXPECT_EQ(book.text(0, 11), "随机基准");
    EXPECT_EQ(book.text(1, 11), "72.9000%");
    EXPECT_EQ(book.text(1, 12), "-6.2333");
    EXPECT_EQ(book.text(1, 13), "0.8195");
    // Formulas added to a database without draws count every draw after the first as forward.
    EXPECT_EQ(book.text(0, 14), "入库后");
    EXPECT_EQ(book.text(1, 14), "66.7% (2/3) 基准72.9%");
    EXPECT_EQ(book.text(2, 14), "100.0% (3/3) 基准72.9%");
}

TEST_F(FormulaDetailTest, HistoryExportAsksFirstThenWritesTheGridWithHitColours)
{
    dialogs.answerMessage(Dialogs::Answer::Cancel);
    HistoryExport result = ExportHistoryToSpreadsheet(snapshot, *list, dir.path(), dialogs, launcher);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(QFile::exists(dir.filePath("lishi.xls")));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "查询等待确认");
    EXPECT_EQ(dialogs.messages()[0].text,
              "将本表导出到EXCEL，因为公式每一期验证数据较多可能需要数分钟，确认需要执行并等待吗？");

    dialogs.answerMessage(Dialogs::Answer::Ok);
    result = ExportHistoryToSpreadsheet(snapshot, *list, dir.path(), dialogs, launcher);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(result.shown, SheetShown::Shown);
    EXPECT_TRUE(result.formulaHeaders);
    ASSERT_EQ(launcher.spreadsheets, QStringList{dir.filePath("lishi.xls")});
    KORVEL_SKIP_WITHOUT_XLS_READBACK();
    const test::ReadBook book = test::readBackBook(launcher.spreadsheets[0]);
    EXPECT_EQ(book.sheets, QStringList{"Sheet1"});
    EXPECT_EQ(book.rows, 5);
    EXPECT_EQ(book.columns, 7);
    EXPECT_EQ(book.text(0, 0), "期号");
    EXPECT_EQ(book.text(0, 1), "百位");
    EXPECT_EQ(book.text(0, 3), "个位");
    EXPECT_EQ(book.text(0, 4), "[百位通选]百位码");
    EXPECT_EQ(book.text(0, 5), "[百位通选]个位码");
    EXPECT_EQ(book.text(2, 0), "2007002");
    EXPECT_EQ(book.number(2, 1), 1);
    EXPECT_EQ(book.number(2, 3), 9);
    // Next-issue display: each draw shows the value predicted for it, blue for a hit, green for a miss.
    EXPECT_EQ(book.text(1, 4), "");
    EXPECT_EQ(book.fills.at({1, 4}), "00FF00"); // the first draw has no prediction: a miss
    EXPECT_EQ(book.number(2, 4), 5);
    EXPECT_EQ(book.fills.at({2, 4}), "0000FF");
    EXPECT_EQ(book.number(4, 5), 0);
    EXPECT_EQ(book.fills.at({4, 5}), "00FF00"); // 0 was drawn in 066
    EXPECT_EQ(book.number(4, 6), 7);
    EXPECT_EQ(book.fills.at({4, 6}), "0000FF");
    EXPECT_FALSE(book.fills.count({2, 0}));
}

TEST_F(FormulaDetailTest, HistoryExportWithoutPerDrawDisplayNeedsNoConfirmation)
{
    PassSettings plain;
    plain.figures = {0, true, false};
    list->statisticsPass(snapshot, plain);
    dialogs.setStrict(true);
    const HistoryExport result = ExportHistoryToSpreadsheet(snapshot, *list, dir.path(), dialogs, launcher);
    EXPECT_EQ(result.shown, SheetShown::Shown);
    EXPECT_FALSE(result.formulaHeaders);
    EXPECT_TRUE(dialogs.calls().empty());
    const HistorySheet sheet = historySheet(snapshot, *list);
    EXPECT_EQ(sheet.grid.columnCount(), 4);
    EXPECT_EQ(sheet.grid.rowCount(), 5);
}

} // namespace
} // namespace korvel

namespace korvel {
namespace {

TEST(HistorySheet, FormulasBeyondTheFormatsColumnsAreLeftOutAndTold)
{
    QTemporaryDir dir;
    Database db;
    ASSERT_NE(db.open(dir.filePath("formula.mdb"), drawTableSchema()), Database::OpenResult::Failed);
    FormulaStore store(db);
    test::FakeDialogs dialogs;
    test::RecordingLauncher launcher;
    const FormulaKind kind{3, Play::Group};
    for (int i = 0; i < 260; ++i) {
        store.appendFormula(kind, QStringLiteral("L1A+%1").arg(i), QStringLiteral("式%1").arg(i + 1), true);
    }
    FormulaList list(store, dialogs);
    list.loadFormulas(kind, true);
    PassSettings settings;
    settings.perDrawDisplay = true;
    const HistorySnapshot snapshot = test::history({"583", "129"});
    list.statisticsPass(snapshot, settings);

    const HistorySheet sheet = historySheet(snapshot, list);
    EXPECT_EQ(sheet.formulaColumns, 252);
    EXPECT_EQ(sheet.formulasLeftOut, 8);
    EXPECT_EQ(sheet.grid.columnCount(), 256);

    dialogs.answerMessage(Dialogs::Answer::Ok);
    const HistoryExport result = ExportHistoryToSpreadsheet(snapshot, list, dir.path(), dialogs, launcher);
    EXPECT_EQ(result.shown, SheetShown::Shown);
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_TRUE(dialogs.messages()[1].text.contains("252"));
    EXPECT_TRUE(dialogs.messages()[1].text.contains("8"));
    KORVEL_SKIP_WITHOUT_XLS_READBACK();
    const test::ReadBook book = test::readBackBook(dir.filePath("lishi.xls"));
    EXPECT_EQ(book.columns, 256);
    EXPECT_EQ(book.text(0, 255), "式252");
    // 5 + 251 = 256 -> 6, predicted for 129: no 6 there, a kill hit.
    EXPECT_EQ(book.number(2, 255), 6);
    EXPECT_EQ(book.fills.at({2, 255}), "0000FF");
}

} // namespace
} // namespace korvel
