#include "FormulaWindowFixture.h"

#include "gui/history/EntryLine.h"
#include "gui/history/HistoryGridModel.h"
#include "gui/history/HistoryGridView.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>

namespace korvel::test {
namespace {

// The first five real draws: 2004001 070, 2004002 557, 2004003 986, 2004004 791, 2004005 941.
// 百位 0 5 9 7 9, 十位 7 5 8 9 4. The default window (前300期) holds all five; the first draw has no
// prediction and is a miss. Weights 1 4 9 16 25, total 55.
using FormulaListWindowTest = FormulaWindowFixture;

const FormulaKind kHundreds{3, Play::Single};

TEST_F(FormulaListWindowTest, ATypedFormulaIsStoredSelectedWithItsFiguresAndTheWindowSwitchesToItsKind)
{
    seed(5);
    openWindow();
    ASSERT_EQ(m_session->currentTable(), "Gongshi3D");

    // 百位码+2 on the draws: 2 7 11 9 11, predictions 2 7 1 9 for draws 2..5 against 十位 5 8 9 4: all
    // four kills hit. Weighted 4+9+16+25 = 54 of 55.
    typeFormula(QStringLiteral("百位码+2=下期杀 十位单选"));
    EXPECT_TRUE(m_dialogs.messages().empty());
    EXPECT_EQ(input()->text(), "");
    EXPECT_EQ(m_session->currentTable(), "Gongshi2D");
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("positionTens"))->isChecked());
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("playSingle"))->isChecked());
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("senseKill"))->isChecked());

    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(cell(0, FormulaList::ColNumber), "1");
    EXPECT_EQ(background(0, FormulaList::ColNumber), blue());
    EXPECT_EQ(cell(0, FormulaList::ColFormula), "百位码+2=下期杀 十位单选");
    EXPECT_EQ(cell(0, FormulaList::ColKind), "十位单选");
    EXPECT_EQ(cell(0, FormulaList::ColSense), "杀");
    EXPECT_EQ(cell(0, FormulaList::ColNextValue), "1");
    EXPECT_EQ(cell(0, FormulaList::ColRate), "98.1818% (54/55)");
    EXPECT_EQ(cell(0, FormulaList::ColErrCon), "1");
    EXPECT_EQ(cell(0, FormulaList::ColTrueCon), "4");
    EXPECT_EQ(cell(0, FormulaList::ColErrLst), "0");
    EXPECT_EQ(cell(0, FormulaList::ColTrueLst), "4");

    // A keep formula of another kind in the bracket form takes the current sense (杀) and switches the kind.
    typeFormula(QStringLiteral("[百位通选]百位码+2"));
    EXPECT_EQ(m_session->currentTable(), "Gongshi3G");
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("playGroup"))->isChecked());
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(cell(0, FormulaList::ColKind), "百位通选");
    // The equation form's sense switches the window's sense too.
    typeFormula(QStringLiteral("百位码+2=下期生 百位单选"));
    EXPECT_TRUE(child<QRadioButton>(QStringLiteral("senseKeep"))->isChecked());
    EXPECT_EQ(m_session->currentTable(), "Gongshi3D");
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(cell(0, FormulaList::ColSense), "生");
}

TEST_F(FormulaListWindowTest, ARefusedFormulaLeavesItsTextInTheBoxAndStoresNothing)
{
    seed(5);
    openWindow();

    QTest::mouseClick(child<QPushButton>(QStringLiteral("addFormulaButton")), Qt::LeftButton);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "添加公式失败");
    EXPECT_EQ(m_dialogs.messages()[0].text, "请在左边文本框输入需要添加的公式");
    EXPECT_EQ(QApplication::focusWidget(), input());

    typeFormula(QStringLiteral("abc"));
    ASSERT_EQ(m_dialogs.messages().size(), 2u);
    EXPECT_EQ(m_dialogs.messages()[1].title, "无法识别公式");
    EXPECT_EQ(m_dialogs.messages()[1].text, "公式文本文件中含有无法识别公式，无法添加到软件");
    EXPECT_EQ(input()->text(), "abc");

    // An expression the engine cannot compute is not stored; the message names the part not understood.
    typeFormula(QStringLiteral("百位码+天气=下期杀 十位单选"));
    ASSERT_EQ(m_dialogs.messages().size(), 3u);
    EXPECT_EQ(m_dialogs.messages()[2].title, "添加公式失败");
    EXPECT_TRUE(m_dialogs.messages()[2].text.contains(QStringLiteral("天气")))
        << m_dialogs.messages()[2].text.toStdString();
    EXPECT_EQ(input()->text(), "百位码+天气=下期杀 十位单选");
    EXPECT_EQ(QApplication::focusWidget(), input());
    EXPECT_EQ(m_session->currentTable(), "Gongshi3D");
    for (const FormulaKind& kind : kAllKinds) {
        EXPECT_TRUE(m_session->formulaStore().list(kind, true).empty()) << kind.tableName().toStdString();
    }
    EXPECT_EQ(model()->rowCount(), 0);
}

TEST_F(FormulaListWindowTest, ClicksOnTheFormulaTextToggleItsSelectionAndTheButtonsSelectAllOrInvert)
{
    seed(5);
    openWindow();
    storeFormulas(kHundreds, {{"1", "1=下期杀 百位单选"}, {"2", "2=下期杀 百位单选"}, {"3", "3=下期杀 百位单选"}});
    ASSERT_EQ(model()->rowCount(), 3);
    const auto numbers = [this] {
        QString s;
        for (int r = 0; r < model()->rowCount(); ++r) {
            const QColor c = background(r, FormulaList::ColNumber);
            s += c == blue() ? 'B' : c == buttonFace() ? '-' : '?';
        }
        return s;
    };
    EXPECT_EQ(numbers(), "BBB");

    clickCell(1, FormulaList::ColFormula);
    EXPECT_EQ(numbers(), "B-B");
    EXPECT_FALSE(list().isSelected(2));
    clickCell(1, FormulaList::ColNumber); // only the formula's text toggles
    clickCell(1, FormulaList::ColRate);
    EXPECT_EQ(numbers(), "B-B");
    clickCell(2, FormulaList::ColFormula);
    EXPECT_EQ(numbers(), "B--");
    clickCell(2, FormulaList::ColFormula);
    EXPECT_EQ(numbers(), "B-B");

    auto* invert = child<QPushButton>(QStringLiteral("invertSelectionButton"));
    EXPECT_EQ(invert->toolTip(), "执行公式列表中序号为蓝色的公式");
    QTest::mouseClick(invert, Qt::LeftButton);
    EXPECT_EQ(numbers(), "-B-");
    QTest::mouseClick(child<QPushButton>(QStringLiteral("selectAllFormulasButton")), Qt::LeftButton);
    EXPECT_EQ(numbers(), "BBB");
    EXPECT_EQ(list().selectedCount(), 3);
}

TEST_F(FormulaListWindowTest, TheContextMenuDeletesWithFlagsFollowingTheirFormulasAndAsksBeforeBulkDeletes)
{
    seed(5);
    openWindow();
    storeFormulas(kHundreds, {{"1", "1=下期杀 百位单选"},
                              {"2", "2=下期杀 百位单选"},
                              {"3", "3=下期杀 百位单选"},
                              {"4", "4=下期杀 百位单选"},
                              {"5", "5=下期杀 百位单选"}});
    clickCell(3, FormulaList::ColFormula); // formula 4 unselected

    QMenu* menu = rightClick(1);
    EXPECT_EQ(menu->title(), "管理");
    QStringList captions;
    for (QAction* a : menu->actions()) {
        captions << a->text();
    }
    EXPECT_EQ(captions, (QStringList{"导出到EXCEL表格(&E)", "查询该公式历史计算式(&U)", "删除该公式(&D)",
                                     "删除选中所有公式(&C)", "删除最后公式(&L)", "删除未选中公式(&X)"}));
    EXPECT_FALSE(grid()->exportAction()->isEnabled());
    EXPECT_FALSE(grid()->historyQueryAction()->isEnabled());
    EXPECT_EQ(grid()->menuRow(), 1);

    // "删除该公式(&D)" on formula 2: 1 3 4 5 remain as 1..4 and formula 4 (now 3) is still unselected.
    chooseMenuItem(QStringLiteral("actionDeleteFormula"));
    EXPECT_EQ(column(FormulaList::ColFormula),
              (QStringList{"1=下期杀 百位单选", "3=下期杀 百位单选", "4=下期杀 百位单选", "5=下期杀 百位单选"}));
    EXPECT_EQ(column(FormulaList::ColIdx), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(background(2, FormulaList::ColNumber), buttonFace());
    EXPECT_EQ(list().selectedCount(), 3);
    EXPECT_TRUE(m_dialogs.messages().empty());

    // "删除最后公式(&E)" on row 1 (formula 3): the flags stay by position, so formula 4 moves up onto the
    // selected flag of row 1 and formula 5 onto the clear flag of row 2.
    rightClick(1);
    chooseMenuItem(QStringLiteral("actionDeleteLastFormula"));
    EXPECT_EQ(column(FormulaList::ColFormula),
              (QStringList{"1=下期杀 百位单选", "4=下期杀 百位单选", "5=下期杀 百位单选"}));
    EXPECT_EQ(background(1, FormulaList::ColNumber), blue());
    EXPECT_EQ(background(2, FormulaList::ColNumber), buttonFace());

    // Bulk deletes ask first; Cancel changes nothing.
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    rightClick(0);
    chooseMenuItem(QStringLiteral("actionDeleteSelectedFormulas"));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "删除公式");
    EXPECT_EQ(m_dialogs.messages()[0].text, "确实要删除选中的所有公式(公式列表序号蓝色表示)吗?");
    EXPECT_EQ(m_dialogs.messages()[0].buttons, Dialogs::Buttons::OkCancel);
    EXPECT_EQ(model()->rowCount(), 3);

    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    rightClick(0);
    chooseMenuItem(QStringLiteral("actionDeleteSelectedFormulas"));
    EXPECT_EQ(column(FormulaList::ColFormula), (QStringList{"5=下期杀 百位单选"}));
    EXPECT_EQ(background(0, FormulaList::ColNumber), blue()) << "what remains is selected";

    clickCell(0, FormulaList::ColFormula);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    rightClick(0);
    chooseMenuItem(QStringLiteral("actionDeleteUnselectedFormulas"));
    EXPECT_EQ(m_dialogs.messages().back().text, "确实要删除选未中的所有公式(公式列表序号灰色表示)吗?");
    EXPECT_EQ(model()->rowCount(), 0);

    // What the list showed is what the table holds.
    EXPECT_TRUE(m_session->formulaStore().list(kHundreds, true).empty());
}

TEST_F(FormulaListWindowTest, ClearingAllFormulasAsksAndEmptiesEveryKind)
{
    seed(5);
    openWindow();
    storeFormulas(FormulaKind{2, Play::Single}, {{"1", "1=下期杀 十位单选"}});
    storeFormulas(kHundreds, {{"1", "1=下期杀 百位单选"}, {"2", "2=下期杀 百位单选"}});
    auto* clear = child<QPushButton>(QStringLiteral("clearFormulasButton"));

    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    QTest::mouseClick(clear, Qt::LeftButton);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "清空所有公式");
    EXPECT_EQ(m_dialogs.messages()[0].text, "清空所有公式后将无法恢复，是否清空所有类别的公式？");
    EXPECT_EQ(model()->rowCount(), 2);

    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_TRUE(m_session->formulaStore().list(FormulaKind{2, Play::Single}, true).empty());
}

TEST_F(FormulaListWindowTest, TheNextValueClickMarksTheRowsOfTheSameValueAndOnlySelectedFormulasGetOne)
{
    seed(5);
    openWindow();
    // Constants predict themselves; 百位码+2 predicts 11 MOD 10 = 1 after the newest draw.
    storeFormulas(kHundreds, {{"3", "3=下期杀 百位单选"},
                              {"13", "13=下期杀 百位单选"},
                              {"4", "4=下期杀 百位单选"},
                              {"L1A+2", "百位码+2=下期杀 百位单选"}});
    EXPECT_EQ(column(FormulaList::ColNextValue), (QStringList{"3", "3", "4", "1"}));
    for (int r = 0; r < 4; ++r) {
        EXPECT_FALSE(model()->index(r, FormulaList::ColNextValue).data(Qt::BackgroundRole).isValid());
    }

    clickCell(1, FormulaList::ColNextValue);
    EXPECT_EQ(background(0, FormulaList::ColNextValue), green());
    EXPECT_EQ(background(1, FormulaList::ColNextValue), green());
    EXPECT_EQ(background(2, FormulaList::ColNextValue), white());
    EXPECT_EQ(background(3, FormulaList::ColNextValue), white());
    EXPECT_EQ(list().selectedCount(), 4) << "a click on 计算值 selects nothing";
    clickCell(2, FormulaList::ColNextValue);
    EXPECT_EQ(background(0, FormulaList::ColNextValue), white());
    EXPECT_EQ(background(2, FormulaList::ColNextValue), green());

    // 百位码+2 against 百位 5 9 7 9: predictions 2 7 1 9 hit, hit, hit, miss: 4+9+16 = 29 of 55.
    EXPECT_EQ(cell(3, FormulaList::ColRate), "52.7273% (29/55)");

    // An unselected formula gets no 计算值 at the next pass.
    clickCell(0, FormulaList::ColFormula);
    m_session->chooseWindow(m_session->options().windowIndex());
    EXPECT_EQ(column(FormulaList::ColNextValue), (QStringList{"", "3", "4", "1"}));
}

TEST_F(FormulaListWindowTest, AFormulaThatCannotBeComputedSaysSoAndCountsOnlyMisses)
{
    seed(5);
    openWindow();
    storeFormulas(kHundreds, {{"L1A+2", "百位码+2=下期杀 百位单选"}, {"L1A+ZZ", "百位码+怪=下期杀 百位单选"}});
    ASSERT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(cell(0, FormulaList::ColNextValue), "1");
    EXPECT_EQ(cell(1, FormulaList::ColNextValue), "无法计算");
    const QString tip = model()->index(1, FormulaList::ColNextValue).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains(QStringLiteral("ZZ"))) << tip.toStdString();
    EXPECT_EQ(cell(1, FormulaList::ColRate), "00.0000% (0/55)");
    EXPECT_EQ(cell(1, FormulaList::ColErrCon), "5");
    EXPECT_EQ(cell(1, FormulaList::ColErrLst), "5");
    EXPECT_EQ(cell(1, FormulaList::ColTrueCon), "0");
    // Its row is marked: 公式 and 计算值 on light red, the reason on the formula's text too.
    EXPECT_EQ(background(1, FormulaList::ColFormula), FormulaListModel::unevaluableColor());
    EXPECT_EQ(background(1, FormulaList::ColNextValue), FormulaListModel::unevaluableColor());
    EXPECT_NE(background(0, FormulaList::ColFormula), FormulaListModel::unevaluableColor());
    EXPECT_NE(background(0, FormulaList::ColNextValue), FormulaListModel::unevaluableColor());
    EXPECT_EQ(model()->index(1, FormulaList::ColFormula).data(Qt::ToolTipRole).toString(), tip);
    // A computable formula carries the list's help instead.
    EXPECT_EQ(model()->index(0, FormulaList::ColNextValue).data(Qt::ToolTipRole).toString(),
              FormulaListModel::listToolTip());
}

TEST_F(FormulaListWindowTest, TheListHasItsHeadersWidthsTooltipAndTheRateHeaderFollowsTheWeighting)
{
    seed(5);
    openWindow();
    typeFormula(QStringLiteral("百位码+2=下期杀 十位单选"));
    const QStringList headers = {"序号",     "公式",     "种类",     "生杀",     "计算值", "正确率（加权算法）",
                                 "最大连错", "最大连对", "最后连错", "最后连对", "idx",    "随机基准",
                                 "超出基准", "显著性",   "入库后"};
    ASSERT_EQ(headers.size(), FormulaList::ColumnCount);
    for (int c = 0; c < FormulaList::ColumnCount; ++c) {
        EXPECT_EQ(model()->headerData(c, Qt::Horizontal).toString(), headers[c]) << c;
    }
    // The columns fit their cells and half their (two-line) headers; the formula text takes what is left.
    for (int c = 0; c < FormulaList::ColIdx; ++c) {
        // The formula text gives way first in a narrow window (its least width is checked with the window).
        if (c != FormulaList::ColFormula) {
            EXPECT_GT(grid()->columnWidth(c), grid()->fontMetrics().horizontalAdvance(cell(0, c).left(12))) << c;
        }
        EXPECT_GT(grid()->columnWidth(c),
                  grid()->horizontalHeader()->fontMetrics().horizontalAdvance(headers[c].left(2)))
            << c;
    }
    EXPECT_TRUE(grid()->isColumnHidden(FormulaList::ColIdx));
    EXPECT_EQ(grid()->toolTip(), "双击参数列可以以该参数次序排序，单击鼠标右键可以打开此表功能扩展菜单");
    // The chance columns are shown; the significance says how it was computed.
    EXPECT_FALSE(grid()->isColumnHidden(FormulaList::ColSignificance));
    EXPECT_TRUE(model()
                    ->index(0, FormulaList::ColSignificance)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("精确")));

    // Weighting off takes effect at the next pass, header and figures together: 4 of 5 draws.
    triggerAction(QStringLiteral("actionWeightedRate"));
    m_session->chooseWindow(m_session->options().windowIndex());
    EXPECT_EQ(model()->headerData(FormulaList::ColRate, Qt::Horizontal).toString(), "正确率");
    EXPECT_EQ(cell(0, FormulaList::ColRate), "80.0000% (4/5)");
}

TEST_F(FormulaListWindowTest, TheTabsSwitchTheFormulaTextAndKeepTheSelection)
{
    seed(5);
    openWindow();
    storeFormulas(kHundreds, {{"L1A+2", "百位码+2=下期杀 百位单选"}, {"LH+LT", "和数+跨度=下期杀 百位单选"}});
    clickCell(0, FormulaList::ColFormula);
    auto* tabs = child<QTabBar>(QStringLiteral("formulaTabs"));
    tabs->setCurrentIndex(1);
    EXPECT_EQ(column(FormulaList::ColFormula), (QStringList{"L1A+2", "LH+LT"}));
    EXPECT_FALSE(list().isSelected(1));
    EXPECT_TRUE(list().isSelected(2));
    tabs->setCurrentIndex(0);
    EXPECT_EQ(column(FormulaList::ColFormula), (QStringList{"百位码+2=下期杀 百位单选", "和数+跨度=下期杀 百位单选"}));
    EXPECT_EQ(background(0, FormulaList::ColNumber), buttonFace());
}

TEST_F(FormulaListWindowTest, AListOfThirtyFormulasOrMoreShowsItsLastRowAtTheTop)
{
    seed(5);
    openWindow();
    std::vector<Stored> many;
    for (int i = 0; i < 29; ++i) {
        many.push_back({QString::number(i), QStringLiteral("%1=下期杀 百位单选").arg(i)});
    }
    storeFormulas(kHundreds, many);
    ASSERT_GT(grid()->verticalScrollBar()->maximum(), 0) << "the list must be too short for 29 rows";
    EXPECT_EQ(grid()->verticalScrollBar()->value(), 0);

    typeFormula(QStringLiteral("29=下期杀 百位单选"));
    ASSERT_EQ(model()->rowCount(), 30);
    EXPECT_EQ(grid()->verticalScrollBar()->value(), grid()->verticalScrollBar()->maximum());
    const QModelIndex last = model()->index(29, 0);
    EXPECT_TRUE(grid()->viewport()->rect().contains(grid()->visualRect(last)));
    EXPECT_EQ(background(29, FormulaList::ColNumber), blue());
}

TEST_F(FormulaListWindowTest, TheWaitCursorShowsWhileAPassRuns)
{
    seed(5);
    openWindow();
    storeFormulas(kHundreds, {{"1", "1=下期杀 百位单选"}});
    std::vector<Qt::CursorShape> during;
    QObject::connect(&list(), &FormulaList::figuresChanged, m_window, [&during] {
        const QCursor* c = QApplication::overrideCursor();
        during.push_back(c ? c->shape() : Qt::ArrowCursor);
    });
    m_session->chooseWindow(0);
    ASSERT_EQ(during.size(), 1u);
    EXPECT_EQ(during[0], Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// --- the per-draw display of the history grid ---

QString cellOf(const HistoryGridModel* m, int row, int column)
{
    return m->index(row, column).data().toString();
}

// 'B' blue (hit), 'G' green (miss), '-' no colour.
QString marksOf(const HistoryGridModel* m, int column)
{
    QString s;
    for (int r = 0; r < m->rowCount(); ++r) {
        const QVariant v = m->index(r, column).data(Qt::BackgroundRole);
        const QColor c = v.value<QBrush>().color();
        s += !v.isValid() ? '-' : c == QColor(0, 0, 255) ? 'B' : c == QColor(0, 255, 0) ? 'G' : '?';
    }
    return s;
}

QString valuesOf(const HistoryGridModel* m, int column)
{
    QString s;
    for (int r = 0; r < m->rowCount(); ++r) {
        const QString t = cellOf(m, r, column);
        s += t.isEmpty() ? QStringLiteral(".") : t;
    }
    return s;
}

TEST_F(FormulaListWindowTest, TheHistoryGridShowsEachFormulasValueAndHitColourPerDraw)
{
    seed(5);
    openWindow();
    // 百位码+2: 2 7 11 9 11 on the draws. Against 百位 5 9 7 9 the kills of draws 2..5 hit, hit, hit, miss.
    storeFormulas(kHundreds, {{"L1A+2", "百位码+2=下期杀 百位单选"}, {"3", "3=下期杀 百位单选"}});
    const HistoryGridModel* history = m_window->historyModel();
    ASSERT_EQ(history->columnCount(), 4);

    const int narrow = m_window->historyGrid()->width();
    auto* check = child<QCheckBox>(QStringLiteral("formulaColumnsCheck"));
    check->click();
    EXPECT_TRUE(m_session->perDrawDisplay());
    ASSERT_EQ(history->columnCount(), 6);
    QCoreApplication::processEvents();
    EXPECT_GT(m_window->historyGrid()->width(), narrow) << "the grid makes room for the formula columns";
    EXPECT_EQ(history->headerData(4, Qt::Horizontal).toString(), "公式1");
    EXPECT_EQ(history->headerData(5, Qt::Horizontal).toString(), "公式2");
    // Next-issue display: each draw shows the value predicted for it and its own verdict; the first draw
    // has no prediction and is a miss.
    EXPECT_EQ(valuesOf(history, 4), ".2719");
    EXPECT_EQ(marksOf(history, 4), "GBBBG");
    // The constant 3 never meets 百位 0 5 9 7 9.
    EXPECT_EQ(valuesOf(history, 5), ".3333");
    EXPECT_EQ(marksOf(history, 5), "GBBBB");

    // Current-issue display: each draw shows its own value, coloured by whether it hit the next draw;
    // the newest draw has no verdict yet.
    triggerAction(QStringLiteral("actionResultsAtCurrentIssue"));
    check->click();
    EXPECT_EQ(history->columnCount(), 4);
    check->click();
    ASSERT_EQ(history->columnCount(), 6);
    EXPECT_EQ(valuesOf(history, 4), "27191");
    EXPECT_EQ(marksOf(history, 4), "BBBG-");

    // A new draw extends the columns at once: 2004006 611 after 百位码+2 = 11 -> 1: 百位 6, a hit.
    QTest::keyClicks(m_window->entryLine()->digitBox(0), QStringLiteral("6"));
    QTest::keyClicks(m_window->entryLine()->digitBox(1), QStringLiteral("1"));
    QTest::keyClicks(m_window->entryLine()->digitBox(2), QStringLiteral("1"));
    ASSERT_EQ(history->rowCount(), 6);
    EXPECT_EQ(valuesOf(history, 4), "271918");
    EXPECT_EQ(marksOf(history, 4), "BBBGB-");

    // Deleting a formula leaves one column; switching the display off leaves the draws alone.
    rightClick(1);
    chooseMenuItem(QStringLiteral("actionDeleteFormula"));
    EXPECT_EQ(history->columnCount(), 5);
    check->click();
    EXPECT_EQ(history->columnCount(), 4);
    EXPECT_FALSE(m_session->perDrawDisplay());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_window->historyGrid()->width(), narrow);
}

TEST_F(FormulaListWindowTest, EveryFormulaGetsAColumnTitledUpTo99ThenShort)
{
    seed(3);
    openWindow();
    std::vector<Stored> many;
    for (int i = 0; i < 150; ++i) {
        many.push_back({QString::number(i), QStringLiteral("%1=下期杀 百位单选").arg(i)});
    }
    storeFormulas(kHundreds, many);
    child<QCheckBox>(QStringLiteral("formulaColumnsCheck"))->click();
    const HistoryGridModel* history = m_window->historyModel();
    ASSERT_EQ(history->columnCount(), 4 + 150);
    EXPECT_EQ(history->headerData(4 + 98, Qt::Horizontal).toString(), "公式99");
    EXPECT_EQ(history->headerData(4 + 99, Qt::Horizontal).toString(), "式100");
    EXPECT_EQ(history->headerData(4 + 149, Qt::Horizontal).toString(), "式150");
    // Formula 150 is the constant 149: it predicts 9 for draws 2 and 3 (百位 5 and 9).
    EXPECT_EQ(valuesOf(history, 4 + 149), ".99");
    EXPECT_EQ(marksOf(history, 4 + 149), "GBG");
}

} // namespace
} // namespace korvel::test
