#include "gui/tally/TallyWindowFixture.h"

#include "gui/history/HistoryGridView.h"
#include "gui/tally/FormulaStepsWindow.h"
#include "gui/widgets/ExportNotice.h"
#include "platform/SheetGrid.h"

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>

namespace korvel::test {
namespace {

// Five real draws, 百位 0 5 9 7 9. Three kill formulas of 百位单选 over all five draws (weights 1 4 9 16 25,
// total 55; the first draw is a miss):
//   1  never meets 百位 -> 54/55, longest miss run 1
//   5  meets it on 2004002 -> 50/55, longest miss run 2 (2004001, 2004002)
//   9  meets it on 2004003 and 2004005 -> 20/55, longest miss run 1
class FormulaDetailWindowTest : public TallyWindowFixture {
protected:
    void SetUp() override
    {
        TallyWindowFixture::SetUp();
        openTallyWindow();
        storeFormulas(FormulaKind{3, Play::Single},
                      {{"1", "1=下期杀 百位单选"}, {"5", "5=下期杀 百位单选"}, {"9", "9=下期杀 百位单选"}});
        ASSERT_EQ(column(FormulaList::ColRate),
                  (QStringList{"98.1818% (54/55)", "90.9091% (50/55)", "36.3636% (20/55)"}));
    }

    void doubleClickList(int row, int column) { doubleClick(grid(), row, column); }
};

TEST_F(FormulaDetailWindowTest, DoubleClickReSortsTheListByTheStatisticAndKeepsTheOrderOnOtherColumns)
{
    // 正确率 ascending: the best formula ends at the bottom; numbers follow the display order.
    doubleClickList(0, FormulaList::ColRate);
    EXPECT_EQ(column(FormulaList::ColFormula),
              (QStringList{"9=下期杀 百位单选", "5=下期杀 百位单选", "1=下期杀 百位单选"}));
    EXPECT_EQ(column(FormulaList::ColNumber), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(column(FormulaList::ColIdx), (QStringList{"3", "2", "1"}));

    // On 公式 the order stays, and the double-click (two clicks) leaves the selection as it was.
    doubleClickList(1, FormulaList::ColFormula);
    EXPECT_EQ(column(FormulaList::ColIdx), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(list().selectedCount(), 3);
    EXPECT_EQ(background(1, FormulaList::ColNumber), blue());

    // A click acts on the formula shown in the row, not on the row of the idx order.
    clickCell(0, FormulaList::ColFormula);
    EXPECT_FALSE(list().isSelected(3));
    EXPECT_TRUE(list().isSelected(1));
    EXPECT_EQ(background(0, FormulaList::ColNumber), buttonFace());
    EXPECT_EQ(background(2, FormulaList::ColNumber), blue());

    // 最大连错 ascending, ties in idx order; a double-click on the header sorts as well.
    QTest::mouseDClick(grid()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                       QPoint(grid()->horizontalHeader()->sectionViewportPosition(FormulaList::ColErrCon) + 5, 5));
    EXPECT_EQ(column(FormulaList::ColIdx), (QStringList{"1", "3", "2"}));
    EXPECT_EQ(background(1, FormulaList::ColNumber), buttonFace()); // formula 9 is still unselected

    // "计算公式(&C)" reads the list again in its own order.
    choose(QStringLiteral("methodSelected"));
    pressCompute();
    EXPECT_EQ(column(FormulaList::ColIdx), (QStringList{"1", "2", "3"}));
    // The same happens after a rebuild of the list.
    doubleClickList(0, FormulaList::ColRate);
    m_session->refreshAll();
    EXPECT_EQ(column(FormulaList::ColIdx), (QStringList{"1", "2", "3"}));
}

TEST_F(FormulaDetailWindowTest, TheFormulaListExportsInItsDisplayOrder)
{
    doubleClickList(0, FormulaList::ColRate);
    rightClick(0);
    chooseMenuItem(QStringLiteral("actionExportFormulaList"));
    const QString path = QDir(m_dir.path()).filePath(QStringLiteral("gongshi.xls"));
    ASSERT_EQ(m_launcher.spreadsheets, QStringList{path});
    const auto cells = sheetCells(path);
    EXPECT_EQ(cells.value({0, 1}), "公式");
    EXPECT_EQ(cells.value({1, 0}), "1");
    EXPECT_EQ(cells.value({1, 1}), "9=下期杀 百位单选");
    EXPECT_EQ(cells.value({3, 1}), "1=下期杀 百位单选");
    EXPECT_EQ(cells.value({3, 5}), "98.1818% (54/55)");
}

TEST_F(FormulaDetailWindowTest, TheHistoryListExportsAndItsFormulaColumnsTakeTheFormulasTexts)
{
    HistoryGridModel* history = m_window->historyModel();
    QTest::mouseClick(child<QPushButton>(QStringLiteral("exportListButton")), Qt::LeftButton);
    const QString path = QDir(m_dir.path()).filePath(QStringLiteral("lishi.xls"));
    ASSERT_EQ(m_launcher.spreadsheets, QStringList{path});
    EXPECT_TRUE(m_dialogs.messages().empty()); // no per-draw display, no question, no red box
    EXPECT_EQ(sheetCells(path).value({5, 0}), "2004005");
    // A program took the file: the status line says where it is.
    auto* notice = m_window->findChild<ExportNotice*>(QStringLiteral("exportNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(), QStringLiteral("文件已写入：%1").arg(QDir::toNativeSeparators(path)));

    // No program opens it: only then the box that no spreadsheet program is there, and the file is still named.
    m_launcher.result = false;
    QTest::mouseClick(child<QPushButton>(QStringLiteral("exportListButton")), Qt::LeftButton);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, noSpreadsheetApplicationTitle());
    EXPECT_EQ(m_dialogs.messages()[0].text, noSpreadsheetApplicationText());
    EXPECT_TRUE(notice->text().contains(QDir::toNativeSeparators(path)));
    m_launcher.result = true;
    m_launcher.spreadsheets.clear();
    m_dialogs.clear();

    // With the per-draw display the question comes first; Cancel writes nothing.
    child<QCheckBox>(QStringLiteral("formulaColumnsCheck"))->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(history->columnCount(), 7);
    EXPECT_EQ(history->headerData(4, Qt::Horizontal).toString(), "公式1");
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    triggerAction(QStringLiteral("actionExportHistoryList"));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "查询等待确认");
    EXPECT_EQ(m_launcher.spreadsheets.size(), 0);

    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    triggerAction(QStringLiteral("actionExportHistoryList"));
    ASSERT_EQ(m_launcher.spreadsheets.size(), 1);
    EXPECT_EQ(sheetCells(path).value({0, 4}), "1=下期杀 百位单选");
    watch(history);
    EXPECT_EQ(history->headerData(4, Qt::Horizontal).toString(), "1=下期杀 百位单选");
    EXPECT_EQ(history->headerData(6, Qt::Horizontal).toString(), "9=下期杀 百位单选");
    // The cells are those of the per-draw display: 9 meets 百位 on 2004003, a miss (green).
    EXPECT_EQ(history->index(2, 6).data().toString(), "9");
    EXPECT_EQ(history->index(2, 6).data(Qt::BackgroundRole).value<QBrush>().color(), green());
}

TEST_F(FormulaDetailWindowTest, HistoryQueryShowsTheComputationStepsOfTheClickedFormula)
{
    storeFormulas(FormulaKind{3, Play::Single}, {{"L1A+(L2A MOD 3)+5", "百位码+(十位码 MOD 3)+5=下期杀 百位单选"},
                                                 {"L1A*2-L3A", "百位码*2-个位码=下期杀 百位单选"}});
    rightClick(3);
    chooseMenuItem(QStringLiteral("actionFormulaHistoryQuery"));
    FormulaStepsWindow* steps = m_commands->stepsWindow();
    ASSERT_NE(steps, nullptr);
    watch(steps->model());
    EXPECT_EQ(steps->objectName(), "frmGsbz");
    EXPECT_EQ(steps->windowTitle(), "公式计算步骤");
    EXPECT_TRUE(steps->isVisible());
    EXPECT_EQ(gridHeaders(steps->grid()),
              (QStringList{"期号", "当期号码", "百位码+(十位码 MOD 3)+5=下期杀 百位单选", "计算值(算下期)"}));
    // 070: 0 + 7 MOD 3 + 5 = 6; 986: 9 + 8 MOD 3 + 5 = 16, not reduced.
    EXPECT_EQ(gridRows(steps->grid()).first(), "2004001|070|0+1+5|6");
    EXPECT_EQ(gridRows(steps->grid())[2], "2004003|986|9+2+5|16");
    EXPECT_EQ(steps->model()->rowCount(), 5);

    QTest::mouseClick(steps->exportButton(), Qt::LeftButton);
    const QString path = QDir(m_dir.path()).filePath(QStringLiteral("LSJS.xls"));
    ASSERT_EQ(m_launcher.spreadsheets, QStringList{path});
    const auto cells = sheetCells(path);
    EXPECT_EQ(cells.value({0, 2}), "百位码+(十位码 MOD 3)+5=下期杀 百位单选");
    EXPECT_EQ(cells.value({3, 2}), "9+2+5");

    // Another formula loads the same window again. Not a plain sum: the values stand in the expression and
    // the value is the engine's (986: 9*2-6 = 12).
    rightClick(4);
    chooseMenuItem(QStringLiteral("actionFormulaHistoryQuery"));
    EXPECT_EQ(m_commands->stepsWindow(), steps);
    EXPECT_EQ(gridHeaders(steps->grid())[2], "百位码*2-个位码=下期杀 百位单选");
    EXPECT_EQ(steps->model()->index(2, 3).data().toString(), "12");
    EXPECT_TRUE(steps->model()->index(2, 2).data().toString().contains(QStringLiteral("9")));
}

} // namespace
} // namespace korvel::test
