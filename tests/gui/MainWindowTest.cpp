#include "WindowFixture.h"

#include "gui/history/EntryLine.h"
#include "gui/history/HistoryGridModel.h"
#include "gui/history/HistoryGridView.h"
#include "gui/history/ParameterReferenceView.h"
#include "gui/widgets/GridWheelScroller.h"
#include "history/HistoryDeletion.h"
#include "history/Param.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QWheelEvent>

namespace korvel::test {
namespace {

using MainWindowTest = WindowFixture;

QString lastIssue(const HistoryGridModel* model)
{
    return model->index(model->rowCount() - 1, 0).data().toString();
}

QString lastDigits(const HistoryGridModel* model)
{
    const int r = model->rowCount() - 1;
    return model->index(r, 1).data().toString() + model->index(r, 2).data().toString() +
           model->index(r, 3).data().toString();
}

void wheel(QWidget* over, int delta)
{
    const QPointF at(over->width() / 2.0, over->height() / 2.0);
    QWheelEvent event(at, over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &event);
}

// A click where the user clicks: on the indicator (a stretched radio button takes clicks only on its
// indicator and caption).
void click(QRadioButton* radio)
{
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(radio->height() / 2, radio->height() / 2));
}

bool newestRowVisible(const HistoryGridView* grid)
{
    const QModelIndex last = grid->model()->index(grid->model()->rowCount() - 1, 0);
    return grid->viewport()->rect().contains(grid->visualRect(last));
}

TEST_F(MainWindowTest, TypingThreeDigitsStoresTheDrawAndOffersTheNextIssueAndDay)
{
    seed(40); // up to 2004040
    open(QDate(2012, 5, 31));
    QAbstractItemModelTester tester(m_window->historyModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
    EntryLine* entry = m_window->entryLine();
    EXPECT_EQ(entry->issueEdit()->text(), "2004041");
    EXPECT_EQ(entry->dateEdit()->text(), "2012-05-31");

    entry->digitBox(0)->setFocus();
    QTest::keyClick(entry->digitBox(0), Qt::Key_3, Qt::NoModifier);
    EXPECT_EQ(entry->digitBox(0)->text(), "3");
    EXPECT_EQ(QApplication::focusWidget(), entry->digitBox(1));
    QTest::keyClick(entry->digitBox(1), Qt::Key_5, Qt::NoModifier);
    EXPECT_EQ(entry->digitBox(1)->text(), "5");
    EXPECT_EQ(QApplication::focusWidget(), entry->digitBox(2));
    QTest::keyClick(entry->digitBox(2), Qt::Key_8, Qt::NoModifier);

    const HistoryGridModel* model = m_window->historyModel();
    ASSERT_EQ(model->rowCount(), 41);
    EXPECT_EQ(lastIssue(model), "2004041");
    EXPECT_EQ(lastDigits(model), "358");
    const SnapshotPtr stored = m_session->snapshot();
    EXPECT_EQ(stored->value(40, Param::NF), 2012);
    EXPECT_EQ(stored->value(40, Param::YF), 5);
    EXPECT_EQ(stored->value(40, Param::RQ), 31);
    EXPECT_EQ(stored->value(40, Param::SQH), 41);

    EXPECT_EQ(entry->issueEdit()->text(), "2004042");
    EXPECT_EQ(entry->dateEdit()->text(), "2012-06-01");
    EXPECT_EQ(QApplication::focusWidget(), entry->digitBox(0));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(entry->digitBox(i)->text(), "") << "box " << i + 1;
    }
    EXPECT_TRUE(newestRowVisible(m_window->historyGrid()));
    EXPECT_TRUE(m_dialogs.messages().empty());

    // The next draw goes straight in behind it.
    QTest::keyClicks(entry->digitBox(0), QStringLiteral("0"));
    QTest::keyClicks(entry->digitBox(1), QStringLiteral("0"));
    QTest::keyClicks(entry->digitBox(2), QStringLiteral("9"));
    ASSERT_EQ(model->rowCount(), 42);
    EXPECT_EQ(lastIssue(model), "2004042");
    EXPECT_EQ(lastDigits(model), "009");
    EXPECT_EQ(m_session->snapshot()->value(41, Param::RQ), 1);
    EXPECT_EQ(entry->dateEdit()->text(), "2012-06-02");
}

TEST_F(MainWindowTest, LettersInTheDigitBoxesStoreNothing)
{
    seed(5);
    open();
    EntryLine* entry = m_window->entryLine();
    entry->digitBox(0)->setFocus();
    QTest::keyClick(entry->digitBox(0), Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(QApplication::focusWidget(), entry->digitBox(0));

    QTest::keyClick(entry->digitBox(0), Qt::Key_Backspace);
    QTest::keyClick(entry->digitBox(0), Qt::Key_1, Qt::NoModifier);
    QTest::keyClick(entry->digitBox(1), Qt::Key_2, Qt::NoModifier);
    ASSERT_EQ(QApplication::focusWidget(), entry->digitBox(2));
    QTest::keyClick(entry->digitBox(2), Qt::Key_X, Qt::NoModifier);
    EXPECT_EQ(m_window->historyModel()->rowCount(), 5);
    EXPECT_EQ(QApplication::focusWidget(), entry->digitBox(2));
    EXPECT_EQ(entry->issueEdit()->text(), "2004006");

    // Focus back into box 1 empties the boxes.
    entry->digitBox(1)->setFocus();
    entry->digitBox(0)->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(entry->digitBox(0)->text(), "");
    EXPECT_EQ(entry->digitBox(1)->text(), "");
    EXPECT_EQ(entry->digitBox(2)->text(), "");
}

TEST_F(MainWindowTest, TheIssueAndDateFieldsAreTheSessionsAndTheDateIsNormalisedOnLeaving)
{
    seed(3);
    open();
    EntryLine* entry = m_window->entryLine();
    entry->issueEdit()->setFocus();
    entry->issueEdit()->selectAll();
    QTest::keyClicks(entry->issueEdit(), QStringLiteral("2004010"));
    EXPECT_EQ(m_session->nextIssue(), "2004010");

    entry->dateEdit()->setFocus();
    entry->dateEdit()->selectAll();
    QTest::keyClicks(entry->dateEdit(), QStringLiteral("2012/5/20"));
    entry->digitBox(0)->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(entry->dateEdit()->text(), "2012-05-20");

    QTest::keyClicks(entry->digitBox(0), QStringLiteral("1"));
    QTest::keyClicks(entry->digitBox(1), QStringLiteral("2"));
    QTest::keyClicks(entry->digitBox(2), QStringLiteral("3"));
    EXPECT_EQ(lastIssue(m_window->historyModel()), "2004010");
    EXPECT_EQ(entry->issueEdit()->text(), "2004011");
    EXPECT_EQ(entry->dateEdit()->text(), "2012-05-21");
}

TEST_F(MainWindowTest, AGridOfThirtyRowsOrMoreShowsItsNewestRows)
{
    seed(29);
    open();
    HistoryGridView* grid = m_window->historyGrid();
    ASSERT_GT(grid->verticalScrollBar()->maximum(), 0) << "the grid must be too short for 29 rows";
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);

    // The 30th draw, typed in: now the newest row is scrolled into view.
    EntryLine* entry = m_window->entryLine();
    QTest::keyClicks(entry->digitBox(0), QStringLiteral("1"));
    QTest::keyClicks(entry->digitBox(1), QStringLiteral("2"));
    QTest::keyClicks(entry->digitBox(2), QStringLiteral("3"));
    ASSERT_EQ(m_window->historyModel()->rowCount(), 30);
    EXPECT_EQ(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());
    EXPECT_TRUE(newestRowVisible(grid));

    // At start-up too, once the window has its size.
    reopen();
    grid = m_window->historyGrid();
    EXPECT_GT(grid->verticalScrollBar()->value(), 0);
    EXPECT_EQ(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());
}

TEST_F(MainWindowTest, TheWheelMovesTheFocusedGridOneRowPerEvent)
{
    seed(40);
    open();
    HistoryGridView* grid = m_window->historyGrid();
    QScrollBar* bar = grid->verticalScrollBar();
    const int bottom = bar->maximum();
    ASSERT_GT(bottom, 3);
    ASSERT_EQ(bar->value(), bottom);
    QWidget* elsewhere = child<QWidget>(QStringLiteral("choicePanel"));

    // No grid has the focus: the wheel is the window's as usual, and the grid stays.
    m_window->entryLine()->issueEdit()->setFocus();
    QCoreApplication::processEvents();
    wheel(elsewhere, 120);
    EXPECT_EQ(bar->value(), bottom);

    grid->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(m_window->wheelScroller()->target(), grid);
    wheel(grid->viewport(), -120); // down at the bottom: nowhere to go
    EXPECT_EQ(bar->value(), bottom);
    wheel(grid->viewport(), 120);
    EXPECT_EQ(bar->value(), bottom - 1);
    wheel(elsewhere, 360); // anywhere over the window, whatever the distance: one row
    EXPECT_EQ(bar->value(), bottom - 2);
    wheel(elsewhere, 0); // a zero delta counts as down
    EXPECT_EQ(bar->value(), bottom - 1);

    bar->setValue(0);
    wheel(grid->viewport(), 120); // up at the top: nothing
    EXPECT_EQ(bar->value(), 0);
    wheel(grid->viewport(), -120);
    EXPECT_EQ(bar->value(), 1);
}

TEST_F(MainWindowTest, DeletionCommandsOfTheHistoryMenuAskAndRefreshTheGrid)
{
    seed(40);
    open();
    QAbstractItemModelTester tester(m_window->historyModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
    HistoryGridView* grid = m_window->historyGrid();
    const HistoryGridModel* model = m_window->historyModel();

    QMenu* menu = grid->contextMenu();
    EXPECT_EQ(menu->title(), "历史管理");
    QStringList captions;
    for (QAction* a : menu->actions()) {
        captions << a->text();
    }
    EXPECT_EQ(captions,
              (QStringList{"导出历史号码(&O)", "删除所有历史(&A）", "删除到选定期(&D)", "删除最后指定数量期历史(&E)"}));
    EXPECT_FALSE(grid->exportListAction()->isEnabled());

    // A click on a row remembers its issue; the question proposes the issue before it.
    const QModelIndex row35 = model->index(35, 0);
    grid->scrollTo(row35);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(row35).center());
    EXPECT_EQ(m_session->selectedIssue(), "2004036");

    m_dialogs.answerInput(QStringLiteral("2004033"));
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    triggerAction(QStringLiteral("actionDeleteToChosenIssue"));
    ASSERT_EQ(m_dialogs.inputs().size(), 1u);
    EXPECT_EQ(m_dialogs.messages().back().text, "确实要删除最后 7 期历史号码（2004034 至 2004040 期）吗？");
    EXPECT_EQ(m_dialogs.inputs()[0].title, deletion::title());
    EXPECT_EQ(m_dialogs.inputs()[0].text, deletion::chosenIssuePrompt());
    EXPECT_EQ(m_dialogs.inputs()[0].defaultText, "2004035");
    EXPECT_EQ(model->rowCount(), 33);
    EXPECT_EQ(lastIssue(model), "2004033");
    EXPECT_EQ(m_window->entryLine()->issueEdit()->text(), "2004034");

    m_dialogs.cancelInput();
    triggerAction(QStringLiteral("actionDeleteToChosenIssue"));
    EXPECT_EQ(model->rowCount(), 33);

    m_dialogs.answerInput(QStringLiteral("0"));
    triggerAction(QStringLiteral("actionDeleteLastCount"));
    EXPECT_EQ(model->rowCount(), 33);
    m_dialogs.answerInput(QStringLiteral("3"));
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    triggerAction(QStringLiteral("actionDeleteLastCount"));
    EXPECT_EQ(m_dialogs.messages().back().text, "确实要删除最后 3 期历史号码（2004031 至 2004033 期）吗？");
    EXPECT_EQ(m_dialogs.inputs().back().text, deletion::lastCountPrompt());
    EXPECT_EQ(m_dialogs.inputs().back().defaultText, "1");
    EXPECT_EQ(model->rowCount(), 30);
    EXPECT_EQ(lastIssue(model), "2004030");

    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("deleteLastButton")), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.messages().back().text, "确实要删除最后 1 期历史号码（2004030 期）吗？");
    EXPECT_EQ(model->rowCount(), 29);
    EXPECT_EQ(m_window->entryLine()->issueEdit()->text(), "2004030");
    EXPECT_EQ(QApplication::focusWidget(), m_window->entryLine()->digitBox(0));

    // Deleting every draw asks first, naming the count, with 取消 the default; 取消 keeps them.
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    triggerAction(QStringLiteral("actionDeleteAllHistory"));
    EXPECT_EQ(model->rowCount(), 29);
    EXPECT_EQ(m_dialogs.messages().back().text, "确实要删除全部 29 期历史号码吗？");
    EXPECT_EQ(m_dialogs.messages().back().buttons, Dialogs::Buttons::CancelOk);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    triggerAction(QStringLiteral("actionDeleteAllHistory"));
    EXPECT_EQ(model->rowCount(), 0);
    for (const auto& m : m_dialogs.messages()) {
        EXPECT_EQ(m.icon, Dialogs::Icon::Question) << m.text.toStdString(); // no failure was told
    }
    EXPECT_TRUE(m_dialogs.allAnswered());

    // What the grid showed is what the file holds.
    reopen();
    EXPECT_EQ(m_window->historyModel()->rowCount(), 0);
}

TEST_F(MainWindowTest, TheChoicePanelSwitchesTheKindAndTheGridHighlight)
{
    seed(3);
    open();
    const HistoryGridModel* model = m_window->historyModel();
    auto highlighted = [model] {
        return QString::fromLatin1("%1%2%3")
            .arg(model->isHighlighted(1) ? 'B' : '-')
            .arg(model->isHighlighted(2) ? 'T' : '-')
            .arg(model->isHighlighted(3) ? 'U' : '-');
    };
    EXPECT_EQ(m_session->currentTable(), "Gongshi3D");
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("positionHundreds"))->isChecked());
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("playSingle"))->isChecked());
    EXPECT_EQ(highlighted(), "B--");

    click(child<QRadioButton>(QStringLiteral("positionTens")));
    EXPECT_EQ(m_session->currentTable(), "Gongshi2D");
    EXPECT_EQ(highlighted(), "-T-");
    click(child<QRadioButton>(QStringLiteral("playGroup")));
    EXPECT_EQ(m_session->currentTable(), "Gongshi2G");
    EXPECT_EQ(m_session->kindLabel(), "十位通选");
    EXPECT_EQ(highlighted(), "-TU");

    // 个位 has no group play.
    click(child<QRadioButton>(QStringLiteral("positionUnits")));
    EXPECT_EQ(m_session->currentTable(), "Gongshi1D");
    EXPECT_FALSE(child<QRadioButton>(QStringLiteral("playGroup"))->isEnabled());
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("playSingle"))->isChecked());
    EXPECT_EQ(highlighted(), "--U");

    // A category play leaves the table and marks the chosen position and those below it.
    click(child<QRadioButton>(QStringLiteral("positionHundreds")));
    click(child<QRadioButton>(QStringLiteral("playBigSmall")));
    EXPECT_TRUE(m_session->choices().categoryMode());
    EXPECT_EQ(m_session->currentTable(), "Gongshi3D");
    EXPECT_EQ(highlighted(), "BTU");
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("playGroup"))->isEnabled());

    click(child<QRadioButton>(QStringLiteral("senseKeep")));
    EXPECT_FALSE(m_session->choices().kill());
    click(child<QRadioButton>(QStringLiteral("methodSelected")));
    EXPECT_TRUE(m_session->options().computeSelected());
    EXPECT_EQ(m_settings->value(QStringLiteral("IniSetting"), QStringLiteral("JSFF")).toLower(), "true");

    // Focus into the issue to verify selects verifying.
    QLineEdit* verify = child<QLineEdit>(QStringLiteral("verifyIssueEdit"));
    EXPECT_EQ(verify->text(), "2004003");
    verify->setFocus();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_session->choices().verifyMode());
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("modeVerify"))->isChecked());
}

TEST_F(MainWindowTest, TextExportWritesTheFileAndHandsItToTheEditor)
{
    seed(4);
    open();
    QTest::mouseClick(child<QPushButton>(QStringLiteral("exportTextButton")), Qt::LeftButton);
    ASSERT_EQ(m_launcher.textFiles.size(), 1);
    const QString path = m_launcher.textFiles[0];
    EXPECT_TRUE(path.endsWith(QStringLiteral("/更新至2004004期历史号码.txt"))) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("2004001 070\r\n2004002 557\r\n"));
}

TEST_F(MainWindowTest, TheReferenceViewOpensModelessWithTheNewestDraw)
{
    seed(2);
    open();
    QTest::mouseClick(child<QPushButton>(QStringLiteral("referenceButton")), Qt::LeftButton);
    ParameterReferenceView* view = m_window->referenceView();
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(view->isModal());
    EXPECT_EQ(view->grid()->model()->index(0, 1).data().toString(), "5"); // 2004002 557
    QTest::keyClicks(m_window->entryLine()->digitBox(0), QStringLiteral("9"));
    QTest::keyClicks(m_window->entryLine()->digitBox(1), QStringLiteral("0"));
    QTest::keyClicks(m_window->entryLine()->digitBox(2), QStringLiteral("1"));
    EXPECT_EQ(view->grid()->model()->index(0, 1).data().toString(), "9");
}

struct Control {
    const char* name;
    const char* caption;
    bool enabled;
};

TEST_F(MainWindowTest, EveryCommandIsPresentWithItsCaptionAndOnlyBuiltOnesAreEnabled)
{
    open();
    const Control buttons[] = {
        {"deleteLastButton", "删除最后历史(&D)", true},
        {"onlineUpdateButton", "开奖历史在线更新(&O)", false},
        {"exportTextButton", "历史号码导出文本文件(&X)", true},
        {"referenceButton", "公式参数对照说明(&I)", true},
        {"addFormulaButton", "添加所输公式(&A)", true},
        {"importFormulaTextButton", "读取公式文本(&N)", false},
        {"onlineFormulaButton", "公式在线更新（&W)", false},
        {"exportAllKindsButton", "所有类公式中文导出", false},
        {"exportKindButton", "所选类公式中文导出", false},
        {"exportListButton", "导出列表到Excel", false},
        {"clearFormulasButton", "清空所有公式", true},
        {"selectAllFormulasButton", "选中所有公式", true},
        {"invertSelectionButton", "反选所有公式", true},
        {"computeButton", "计算公式(&C)", false},
        {"betListButton", "投注单", false},
        {"positionValuesButton", "公式往期位置值结果列表", false},
        {"filterSettingsButton", "公式过滤设置", true},
        {"searchButton", "公式搜索(&F)", true},
        {"settingsButton", "软件设置(&T)", true},
    };
    for (const Control& c : buttons) {
        auto* button = child<QPushButton>(QString::fromLatin1(c.name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(c.caption)) << c.name;
        EXPECT_EQ(button->isEnabled(), c.enabled) << c.name;
    }
    EXPECT_EQ(child<QPushButton>(QStringLiteral("onlineUpdateButton"))->toolTip(), "从官方服务器更新历史号码");
    auto* columns = child<QCheckBox>(QStringLiteral("formulaColumnsCheck"));
    EXPECT_EQ(columns->text(), "历史列表显示公式各期验算结果(时间较长，请耐性等待...)");
    EXPECT_TRUE(columns->isEnabled());
    auto* tabs = child<QTabBar>(QStringLiteral("formulaTabs"));
    EXPECT_EQ(tabs->tabText(0), "公式中文显示");
    EXPECT_EQ(tabs->tabText(1), "公式英文显示");
    EXPECT_TRUE(child<QLineEdit>(QStringLiteral("formulaInput"))->isEnabled());
    EXPECT_NE(child<QWidget>(QStringLiteral("progressBar")), nullptr);

    const QStringList radios = {"positionUnits",  "positionTens", "positionHundreds", "playOddEven", "playBigSmall",
                                "playGroup",      "playSingle",   "senseKill",        "senseKeep",   "methodBest",
                                "methodSelected", "modeNext",     "modeVerify"};
    const QStringList radioCaptions = {"个位",         "十位",         "百位",        "单双", "大小",
                                       "通选",         "单选",         "杀",          "生",   "最优公式法",
                                       "计算选中公式", "计算下期结果", "验证历史结果"};
    for (int i = 0; i < radios.size(); ++i) {
        auto* radio = child<QRadioButton>(radios[i]);
        ASSERT_NE(radio, nullptr);
        EXPECT_EQ(radio->text(), radioCaptions[i]);
    }
}

} // namespace
} // namespace korvel::test
