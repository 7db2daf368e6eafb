#include "gui/tally/TallyWindowFixture.h"

#include "gui/widgets/WindowSize.h"

#include <QScreen>

#include "gui/tally/DetailedResultDialog.h"

#include <QDir>
#include <QLabel>
#include <QTabWidget>

#include <cmath>

namespace korvel::test {
namespace {

// The first five real draws: 2004001 070, 2004002 557, 2004003 986, 2004004 791, 2004005 941 (百位 十位
// 个位); the next issue is 2004006. Each test stores its own formulas and presses "计算公式(&C)" for one of
// the eight combinations of play, method and mode.
using TallyResultWindowTest = TallyWindowFixture;

const FormulaKind kTensGroup{2, Play::Group};

TEST_F(TallyResultWindowTest, GroupTallyOfTheSelectedFormulasRanksMarksSummarisesAndReSorts)
{
    openTallyWindow();
    choose(QStringLiteral("positionTens"));
    choose(QStringLiteral("playGroup"));
    choose(QStringLiteral("methodSelected"));
    ASSERT_EQ(m_session->currentTable(), "Gongshi2G");
    // On the newest draw 941 the four name 9, 10 -> 0, 4, 9; the third is then left out of the selection.
    storeFormulas(kTensGroup, {{"L1A", "[十位通选]百位码"},
                               {"L1A+1", "[十位通选]百位码+1"},
                               {"L2A", "[十位通选]十位码"},
                               {"L2A+5", "[十位通选]十位码+5"}});
    clickCell(2, FormulaList::ColFormula);
    ASSERT_EQ(list().selectedCount(), 3);

    pressCompute(); // selector 0 + 2: 通选, selected formulas, next draw
    TallyResultWindow* view = resultWindow(ResultView::Group);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->objectName(), "frmErrarr");
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->windowTitle(), "计算2004006期结果排序");
    EXPECT_EQ(view->tabs(), nullptr);
    ASSERT_EQ(view->pageCount(), 1);
    EXPECT_TRUE(view->detailButton()->isVisible());
    EXPECT_EQ(view->firstChoiceBox(), nullptr);

    // Counts 9: 2, 0: 1; a kill run lists the unkilled digits first (in digit order) and keeps only them.
    QTableView* list = view->listGrid(0);
    EXPECT_EQ(gridHeaders(list), (QStringList{"排序序号", "号码", "杀留Err值", "杀码Err值", "留码Err值", "保留/滤杀"}));
    EXPECT_EQ(gridRows(list),
              (QStringList{"1|1|0|0|0|保留", "2|2|0|0|0|保留", "3|3|0|0|0|保留", "4|4|0|0|0|保留", "5|5|0|0|0|保留",
                           "6|6|0|0|0|保留", "7|7|0|0|0|保留", "8|8|0|0|0|保留", "9|0|1|1|0|滤杀", "10|9|2|2|0|滤杀"}));
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(textColour(list, 0, c), black());
        EXPECT_EQ(textColour(list, 9, c), filteredText());
    }
    // The same hue as the green mark, and readable on white: luminance contrast at least 4.5 : 1.
    EXPECT_EQ(filteredText().hue(), green().hue());
    const auto luminance = [](const QColor& c) {
        const auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    EXPECT_GE(1.05 / (luminance(textColour(list, 9, 0)) + 0.05), 4.5);
    EXPECT_EQ(gridHeaders(view->summaryGrid(0)), (QStringList{"杀留次数", "个数", "号码"}));
    EXPECT_EQ(gridRows(view->summaryGrid(0)), (QStringList{"0|8|1 2 3 4 5 6 7 8 ", "1|1|0 ", "2|1|9 "}));

    // Double-click on 杀留Err值: descending (ties keep digit order), then ascending again; the summary stays.
    doubleClick(list, 3, 2);
    EXPECT_EQ(gridColumn(list, 1), (QStringList{"9", "0", "1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(gridColumn(list, 5).first(), "滤杀");
    EXPECT_EQ(gridHeaders(list), (QStringList{"排序序号", "号码", "杀留Err值（结果统计值）", "杀码Err值（结果统计值）",
                                              "留码Err值（结果统计值）", "保留/滤杀"}));
    doubleClick(list, 0, 2);
    EXPECT_EQ(gridColumn(list, 1), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "0", "9"}));
    // On 排序序号 the order stays (the flag still turns), so 号码 then sorts ascending.
    doubleClick(list, 0, 0);
    EXPECT_EQ(gridColumn(list, 1), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "0", "9"}));
    doubleClick(list, 0, 1);
    EXPECT_EQ(gridColumn(list, 1), (QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(gridColumn(list, 0), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    EXPECT_EQ(gridRows(view->summaryGrid(0)).size(), 3);

    // "详细结果列表(&D)": the three selected formulas with the digits they named.
    QStringList detailRows;
    whenDialogOpens(QStringLiteral("frmXxlb"), [&](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "详细结果列表");
        auto* grid = dialog->findChild<QTableView*>(QStringLiteral("detailGrid"));
        watch(grid->model());
        EXPECT_EQ(gridHeaders(grid),
                  (QStringList{"序号", "公式", "类型", "生杀", "结果", "号码", "随机基准", "超出基准", "显著性"}));
        EXPECT_EQ(gridColumn(grid, 6).first(), cell(0, FormulaList::ColBaseline));
        detailRows = gridColumn(grid, 0) + gridColumn(grid, 1) + gridColumn(grid, 4) + gridColumn(grid, 2);
        EXPECT_EQ(gridColumn(grid, 5).first(), cell(0, FormulaList::ColRate));
        m_testers.pop_back();
        dialog->accept();
    });
    QTest::mouseClick(view->detailButton(), Qt::LeftButton);
    EXPECT_EQ(detailRows, (QStringList{"1", "2", "3", "[十位通选]百位码", "[十位通选]百位码+1", "[十位通选]十位码+5",
                                       "9", "0", "9", "十位通选", "十位通选", "十位通选"}));
}

TEST_F(TallyResultWindowTest, ExportListWritesTheWorkTableByKillCountAndTellsWhatWentWrong)
{
    openTallyWindow();
    choose(QStringLiteral("positionTens"));
    choose(QStringLiteral("playGroup"));
    choose(QStringLiteral("methodSelected"));
    storeFormulas(kTensGroup, {{"L1A", "[十位通选]百位码"}, {"L1A+1", "[十位通选]百位码+1"}, {"L2A+5", "十位码+5"}});
    pressCompute();
    TallyResultWindow* view = resultWindow(ResultView::Group);
    ASSERT_NE(view, nullptr);
    doubleClick(view->listGrid(0), 0, 2); // the export does not follow the list's order

    QTest::mouseClick(view->exportButton(), Qt::LeftButton);
    const QString path = QDir(m_dir.path()).filePath(QStringLiteral("ErrarrLei.xls"));
    ASSERT_EQ(m_launcher.spreadsheets, QStringList{path});
    EXPECT_TRUE(m_dialogs.messages().empty());
    const auto cells = sheetCells(path);
    EXPECT_EQ(cells.value({0, 0}), "排序序号");
    EXPECT_EQ(cells.value({0, 1}), "号码");
    EXPECT_EQ(cells.value({0, 2}), "杀留Err值（结果统计值）");
    // By 杀码Err值 ascending, equal counts in digit order: 1..8, then 0 (1), then 9 (2).
    const int nums[] = {1, 2, 3, 4, 5, 6, 7, 8, 0, 9};
    const int counts[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2};
    for (int r = 1; r <= 10; ++r) {
        EXPECT_EQ(cells.value({r, 0}), QString::number(r));
        EXPECT_EQ(cells.value({r, 1}), QString::number(nums[r - 1])) << r;
        EXPECT_EQ(cells.value({r, 2}), QString::number(counts[r - 1])) << r;
    }
    EXPECT_EQ(cells.size(), 33);

    // Written but nothing to show it with: the missing-application message.
    m_launcher.result = false;
    QTest::mouseClick(view->exportButton(), Qt::LeftButton);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "列表显示错误");
    EXPECT_EQ(m_dialogs.messages()[0].text, "您的电脑没有安装Microsoft Excel表格软件，多参数列表无法显示");

    // Not written (a folder is in the file's way): said so, and nothing is handed to the desktop.
    m_launcher.result = true;
    m_launcher.spreadsheets.clear();
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("ErrarrLei.xls")));
    QTest::mouseClick(view->exportButton(), Qt::LeftButton);
    ASSERT_EQ(m_dialogs.messages().size(), 2u);
    EXPECT_EQ(m_dialogs.messages()[1].title, "列表导出错误");
    EXPECT_NE(m_dialogs.messages()[1].text, noSpreadsheetApplicationText());
    EXPECT_TRUE(m_launcher.spreadsheets.isEmpty());
}

TEST_F(TallyResultWindowTest, BestMethodPerPositionShowsTheSortDialogAndWalksToTheLimit)
{
    openTallyWindow();
    choose(QStringLiteral("positionTens"));
    choose(QStringLiteral("methodBest"));
    ASSERT_EQ(m_session->currentTable(), "Gongshi2D");
    // Constants that 十位 (5 8 9 4 on draws 2..5) never meets all have the same figures, so the best order is
    // the idx order. A limit of 8 keeps 8 digits: the walk stops once 2 digits are killed.
    storeFormulas(FormulaKind{1, Play::Single}, {{"0", "0=下期杀 个位单选"}});
    storeFormulas(FormulaKind{2, Play::Single}, {{"0", "0=下期杀 十位单选"},
                                                 {"0", "0=下期杀 十位单选"},
                                                 {"2", "2=下期杀 十位单选"},
                                                 {"3", "3=下期杀 十位单选"}});

    answerSortDialog(QStringLiteral("8"));
    pressCompute(); // selector 1: per position, best method, next draw
    EXPECT_EQ(m_session->sortSettings().keepLimit, 8);
    TallyResultWindow* view = resultWindow(ResultView::PerPosition);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->objectName(), "frmErrarrLei");
    EXPECT_EQ(view->windowTitle(), "计算2004006期结果排序");
    EXPECT_FALSE(view->detailButton()->isVisible());
    ASSERT_NE(view->tabs(), nullptr);
    ASSERT_EQ(view->tabs()->count(), 2);
    EXPECT_EQ(view->tabs()->tabText(0), "个位");
    EXPECT_EQ(view->tabs()->tabText(1), "十位");
    // It opens on the position chosen (十位), not on 个位; and it fits the screen it opens on.
    EXPECT_EQ(view->tabs()->currentIndex(), 1);
    EXPECT_EQ(view->tabs()->currentWidget(), view->listGrid(1)->parentWidget());
    const QRect available = view->screen()->availableGeometry();
    EXPECT_LE(view->height() + WindowSize::frameAllowance().height(), available.height());
    EXPECT_LE(view->width() + WindowSize::frameAllowance().width(), available.width());

    // 个位: the one formula kills 0. 十位: 0, 0, 2, and the walk stops before 3.
    EXPECT_EQ(gridColumn(view->listGrid(0), 1), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"}));
    EXPECT_EQ(gridRows(view->summaryGrid(0)), (QStringList{"0|9|1 2 3 4 5 6 7 8 9 ", "1|1|0 "}));
    EXPECT_EQ(gridRows(view->listGrid(1)).mid(7), (QStringList{"8|9|0|0|0|保留", "9|2|1|1|0|滤杀", "10|0|2|2|0|滤杀"}));
    EXPECT_EQ(gridColumn(view->listGrid(1), 1).first(), "1");
    EXPECT_EQ(gridRows(view->summaryGrid(1)), (QStringList{"0|8|1 3 4 5 6 7 8 9 ", "1|1|2 ", "2|1|0 "}));
    // 首选和值: the top digits 1 and 1.
    EXPECT_EQ(view->firstChoiceLabel()->text(), "十位首选和值：");
    EXPECT_EQ(view->firstChoiceBox()->text(), "2");

    // Pressed again with the window open: the same window is loaded again, its reverse flags kept.
    doubleClick(view->listGrid(1), 0, 2);
    EXPECT_EQ(gridColumn(view->listGrid(1), 1).first(), "0");
    answerSortDialog(QStringLiteral("8"));
    pressCompute();
    EXPECT_EQ(resultWindow(ResultView::PerPosition), view);
    EXPECT_EQ(gridColumn(view->listGrid(1), 1).first(), "0");
    EXPECT_EQ(gridColumn(view->listGrid(0), 1).first(), "1");
}

TEST_F(TallyResultWindowTest, BestMethodWithoutConfirmedSortSettingsOpensNothing)
{
    openTallyWindow();
    choose(QStringLiteral("methodBest"));
    storeFormulas(FormulaKind{3, Play::Single}, {{"1", "1=下期杀 百位单选"}});
    whenDialogOpens(QStringLiteral("sortSettingsDialog"), [](QDialog* dialog) { dialog->reject(); });
    pressCompute();
    EXPECT_EQ(resultWindow(ResultView::PerPosition), nullptr);
    EXPECT_TRUE(m_dialogs.messages().empty());
}

TEST_F(TallyResultWindowTest, CategoryViewInVerifyModeFoldsTheDigitsOfTheDrawBeforeTheIssue)
{
    openTallyWindow();
    ASSERT_EQ(m_session->currentTable(), "Gongshi3D");
    storeFormulas(FormulaKind{3, Play::Single}, {{"L1A", "百位码=下期杀 百位单选"},
                                                 {"L2A", "十位码=下期杀 百位单选"},
                                                 {"L3A", "个位码=下期杀 百位单选"},
                                                 {"L1A+L3A", "百位码+个位码=下期杀 百位单选"}});
    clickCell(2, FormulaList::ColFormula); // 个位码 left out
    choose(QStringLiteral("playBigSmall"));
    choose(QStringLiteral("methodSelected"));
    typeVerifyIssue(QStringLiteral("2004004"));
    ASSERT_TRUE(m_session->choices().verifyMode());

    pressCompute(); // selector 1 + 2 + 4: per position, selected, verify
    TallyResultWindow* view = resultWindow(ResultView::PerPositionCategory);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->objectName(), "frmErrarrLeiDS");
    EXPECT_EQ(view->windowTitle(), "验证2004004期结果排序");
    EXPECT_EQ(view->firstChoiceBox(), nullptr);
    ASSERT_EQ(view->pageCount(), 3);
    EXPECT_EQ(view->tabs()->tabText(2), "百位");
    // On 2004003 (986) the selected three name 9, 8 and 15 -> 5: three kills of 大 (5-9), none of 小.
    EXPECT_EQ(gridRows(view->listGrid(2)), (QStringList{"1|小|0|0|0|保留", "2|大|3|3|0|滤杀"}));
    EXPECT_EQ(textColour(view->listGrid(2), 1, 1), filteredText());
    EXPECT_EQ(gridRows(view->summaryGrid(2)), (QStringList{"0|1|小 ", "3|1|大 "}));
    // The other positions have no formulas.
    EXPECT_EQ(gridRows(view->listGrid(0)), (QStringList{"1|小|0|0|0|保留", "2|大|0|0|0|保留"}));
    EXPECT_EQ(gridRows(view->summaryGrid(0)), (QStringList{"0|2|小 大 "}));
}

TEST_F(TallyResultWindowTest, KeepRunOfTheBestGroupFormulasInVerifyModeListsTheKeptDigitsFirst)
{
    openTallyWindow();
    choose(QStringLiteral("playGroup"));
    choose(QStringLiteral("senseKeep"));
    choose(QStringLiteral("methodBest"));
    ASSERT_EQ(m_session->currentTable(), "Gongshi3G");
    // 0, 2 and 3 appear in none of the draws 2..5, so the four keep formulas have the same figures.
    storeFormulas(FormulaKind{3, Play::Group}, {{"2", "[百位通选]2", false},
                                                {"0", "[百位通选]0", false},
                                                {"0", "[百位通选]0", false},
                                                {"3", "[百位通选]3", false}});
    typeVerifyIssue(QStringLiteral("2004005"));

    answerSortDialog(QStringLiteral("2"));
    pressCompute(); // selector 0 + 4: 通选, best, verify
    TallyResultWindow* view = resultWindow(ResultView::Group);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->windowTitle(), "计算2004005期结果排序");
    EXPECT_FALSE(view->detailButton()->isVisible());
    // A keep limit of 2: 2 and 0 are kept, the walk stops before the second 0.
    QTableView* list = view->listGrid(0);
    EXPECT_EQ(gridRows(list).mid(0, 3), (QStringList{"1|0|1|0|1|保留", "2|2|1|0|1|保留", "3|1|0|0|0|滤杀"}));
    EXPECT_EQ(gridColumn(list, 1), (QStringList{"0", "2", "1", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(textColour(list, 0, 0), black());
    EXPECT_EQ(textColour(list, 2, 0), filteredText());
    EXPECT_EQ(gridRows(view->summaryGrid(0)), (QStringList{"1|2|0 2 ", "0|8|1 3 4 5 6 7 8 9 "}));
    // A keep run stays descending whatever the flag.
    doubleClick(list, 0, 2);
    EXPECT_EQ(gridColumn(list, 1), (QStringList{"0", "2", "1", "3", "4", "5", "6", "7", "8", "9"}));
    doubleClick(list, 0, 2);
    EXPECT_EQ(gridColumn(list, 1), (QStringList{"0", "2", "1", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST_F(TallyResultWindowTest, AVerifyIssueThatCannotBeVerifiedIsToldAndNothingOpens)
{
    openTallyWindow();
    choose(QStringLiteral("methodSelected"));
    storeFormulas(FormulaKind{3, Play::Single}, {{"1", "1=下期杀 百位单选"}});
    const TallySet before = m_commands->tally();

    typeVerifyIssue(QStringLiteral("2009999")); // not stored
    pressCompute();
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    typeVerifyIssue(QStringLiteral("2004001")); // the first draw: nothing before it
    pressCompute();
    ASSERT_EQ(m_dialogs.messages().size(), 2u);
    EXPECT_NE(m_dialogs.messages()[0].text, m_dialogs.messages()[1].text);
    EXPECT_EQ(resultWindow(ResultView::PerPosition), nullptr);
    EXPECT_EQ(m_commands->tally(), before);

    // The second draw is verified on the first (070): the formula kills 1 on 百位.
    typeVerifyIssue(QStringLiteral("2004002"));
    pressCompute();
    TallyResultWindow* view = resultWindow(ResultView::PerPosition);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->windowTitle(), "验证2004002期结果排序");
    EXPECT_EQ(gridColumn(view->listGrid(2), 1).last(), "1");
    EXPECT_EQ(gridColumn(view->listGrid(2), 5).last(), "滤杀");
}

} // namespace
} // namespace korvel::test
