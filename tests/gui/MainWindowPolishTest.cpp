#include "gui/verify/FormulaWindowFixture.h"

#include "gui/history/HistoryGridView.h"
#include "gui/widgets/ExportNotice.h"
#include "history/DrawTableSchema.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>

namespace korvel::test {
namespace {

class MainWindowPolishTest : public FormulaWindowFixture {
protected:
    // Every visible column of the list up to `lastInView` lies inside its viewport (the chance columns after
    // idx may be scrolled to on a small screen), and every cell's text fits its column.
    void expectEveryColumnShownWhole(int lastInView = FormulaList::ColumnCount - 1)
    {
        QCoreApplication::processEvents();
        const QFontMetrics cells(grid()->fontMetrics());
        int right = 0;
        for (int c = 0; c < model()->columnCount(); ++c) {
            if (grid()->isColumnHidden(c)) {
                continue;
            }
            right = grid()->columnViewportPosition(c) + grid()->columnWidth(c);
            if (c <= lastInView) {
                EXPECT_LE(right, grid()->viewport()->width()) << "column " << c << " is not in view";
            }
            if (c == FormulaList::ColFormula) {
                continue;
            }
            for (int r = 0; r < model()->rowCount(); ++r) {
                const QString text = cell(r, c);
                ASSERT_GE(grid()->columnWidth(c), cells.horizontalAdvance(text) + 6)
                    << "column " << c << " cuts \"" << text.toStdString() << "\"";
            }
        }
        if (lastInView == FormulaList::ColumnCount - 1) {
            EXPECT_EQ(grid()->horizontalScrollBar()->maximum(), 0);
        }
    }
};

TEST_F(MainWindowPolishTest, ChoosingTheSenseShowsThatSensesFormulasWithTheirFiguresAtOnce)
{
    seed(5);
    openWindow();
    const FormulaKind hundreds{3, Play::Single};
    storeFormulas(hundreds, {{QStringLiteral("L1A+2"), QStringLiteral("[百位单选杀]百位码+2"), true},
                             {QStringLiteral("L1A+1"), QStringLiteral("[百位单选生]百位码+1"), false},
                             {QStringLiteral("L1A+3"), QStringLiteral("[百位单选生]百位码+3"), false}});
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(cell(0, FormulaList::ColSense), "杀");

    // No position or play click needed: the keep formulas are listed, selected and counted.
    QTest::mouseClick(child<QRadioButton>(QStringLiteral("senseKeep")), Qt::LeftButton, {}, QPoint(6, 6));
    ASSERT_TRUE(child<QRadioButton>(QStringLiteral("senseKeep"))->isChecked());
    ASSERT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(column(FormulaList::ColFormula), (QStringList{"百位码+1  [百位单选生]", "百位码+3  [百位单选生]"}));
    EXPECT_EQ(column(FormulaList::ColSense), (QStringList{"生", "生"}));
    // Five draws, weighted: every rate is counted out of 1 + 4 + 9 + 16 + 25 = 55.
    for (const QString& rate : column(FormulaList::ColRate)) {
        EXPECT_TRUE(rate.endsWith(QStringLiteral("/55)"))) << rate.toStdString();
    }
    EXPECT_EQ(background(1, FormulaList::ColNumber), blue());

    QTest::mouseClick(child<QRadioButton>(QStringLiteral("senseKill")), Qt::LeftButton, {}, QPoint(6, 6));
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(cell(0, FormulaList::ColFormula), "百位码+2  [百位单选杀]");
}

TEST_F(MainWindowPolishTest, RestoringTheDefaultsRecountsTheListOverTheDefaultWindowAtOnce)
{
    seed(150);
    openWindow();
    storeFormulas(FormulaKind{3, Play::Single},
                  {{QStringLiteral("L1A+2"), QStringLiteral("[百位单选杀]百位码+2"), true}});
    // Unweighted over the newest 100 draws: whole draw counts out of 100.
    triggerAction(QStringLiteral("actionWeightedRate"));
    triggerAction(QStringLiteral("actionWindow1"));
    ASSERT_TRUE(cell(0, FormulaList::ColRate).endsWith(QStringLiteral("/100)"))) << cell(0, 5).toStdString();

    // The defaults: weighted over the newest 300 draws, that is all 150 of them: 150·151·301/6 = 1136275.
    triggerAction(QStringLiteral("actionRestoreDefaults"));
    EXPECT_EQ(model()->headerData(FormulaList::ColRate, Qt::Horizontal).toString(), "正确率（加权算法）");
    EXPECT_TRUE(cell(0, FormulaList::ColRate).endsWith(QStringLiteral("/1136275)"))) << cell(0, 5).toStdString();
}

TEST_F(MainWindowPolishTest, OnA1366By768ScreenEveryColumnShowsWholeWithLongTotalsAndFourDigitNumbers)
{
    // Every real draw, weighted over all of them: totals of twelve digits, "xx.xxxx% (hits/total)".
    seed(7759);
    openWindow();
    triggerAction(QStringLiteral("actionWindow0"));
    std::vector<Formula> formulas(1005);
    for (int k = 0; k < 1005; ++k) {
        formulas[static_cast<std::size_t>(k)].expressionText = QStringLiteral("L1A+L2A+%1").arg(k);
        formulas[static_cast<std::size_t>(k)].displayText = QStringLiteral("百位码+十位码+%1").arg(k);
    }
    m_session->formulaStore().appendFormulas(FormulaKind{3, Play::Single}, formulas);
    m_session->refreshAll();
    ASSERT_EQ(model()->rowCount(), 1005);
    EXPECT_EQ(cell(1004, FormulaList::ColNumber), "1005");
    // Weighted totals near Σ j² for j up to 7759, about 1.6·10^11: twelve digits on each side of the slash.
    ASSERT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d{4}% \\(\\d{12}/\\d{12}\\)$"))
                    .match(cell(0, FormulaList::ColRate))
                    .hasMatch())
        << cell(0, FormulaList::ColRate).toStdString();

    m_window->resize(m_window->openingSize(QRect(0, 0, 1366, 768)));
    EXPECT_LE(m_window->width(), 1366);
    EXPECT_LE(m_window->height(), 768 - 30);
    expectEveryColumnShownWhole(FormulaList::ColIdx);
    saveShot(m_window, QStringLiteral("main_1366x768.png"));

    // Maximised (a wider screen): the formula text takes the extra width, the figures keep theirs.
    const int rateWidth = grid()->columnWidth(FormulaList::ColRate);
    const int formulaWidth = grid()->columnWidth(FormulaList::ColFormula);
    m_window->resize(1900, 1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid()->columnWidth(FormulaList::ColRate), rateWidth);
    EXPECT_FALSE(grid()->isColumnHidden(FormulaList::ColForward));
    EXPECT_GT(grid()->columnWidth(FormulaList::ColForward), 0);
    // What the chance columns needed beyond the small screen comes first; the rest goes to the formulas.
    EXPECT_GE(grid()->columnWidth(FormulaList::ColFormula), formulaWidth + 300);
    expectEveryColumnShownWhole();
}

TEST_F(MainWindowPolishTest, SizePlaceAndTheDivisionOfTheWidthComeBackAtTheNextStart)
{
    seed(5);
    openWindow(QSize());
    storeFormulas(FormulaKind{3, Play::Single},
                  {{QStringLiteral("L1A+2"), QStringLiteral("[百位单选杀]百位码+2"), true}});
    // A first start opens at the opening size for the screen (a small screen: no smaller than the window can be).
    const QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_EQ(m_window->size(),
              m_window->openingSize(screen->availableGeometry()).expandedTo(m_window->minimumSizeHint()));

    const QSize chosen = QSize(1250, 650).expandedTo(m_window->minimumSizeHint());
    m_window->resize(chosen);
    child<QCheckBox>(QStringLiteral("formulaColumnsCheck"))->setChecked(true);
    auto* splitter = child<QSplitter>(QStringLiteral("mainSplitter"));
    splitter->setSizes({500, splitter->width() - 500});
    QCoreApplication::processEvents();
    const int historyWidth = splitter->sizes().value(0);
    m_window->close();

    close();
    openWindow(QSize());
    EXPECT_EQ(m_window->size(), chosen);
    splitter = child<QSplitter>(QStringLiteral("mainSplitter"));
    child<QCheckBox>(QStringLiteral("formulaColumnsCheck"))->setChecked(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(splitter->sizes().value(0), historyWidth);
}

TEST_F(MainWindowPolishTest, EveryExportSaysWhereItsFileWentOffersItsFolderAndSaysWhenNothingOpenedIt)
{
    seed(5);
    openWindow();
    auto* notice = child<ExportNotice>(QStringLiteral("exportNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isVisible());

    QTest::mouseClick(child<QPushButton>(QStringLiteral("exportTextButton")), Qt::LeftButton);
    ASSERT_EQ(m_launcher.textFiles.size(), 1);
    const QString written = QDir::toNativeSeparators(m_launcher.textFiles[0]);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QStringLiteral("文件已写入：") + written);
    EXPECT_TRUE(m_dialogs.messages().empty());
    QTest::mouseClick(notice->openFolderButton(), Qt::LeftButton);
    EXPECT_EQ(m_launcher.folders, QStringList{QFileInfo(m_launcher.textFiles[0]).absolutePath()});
    saveShot(m_window, QStringLiteral("main_export_notice.png"));

    // No application for the file: the message box says so, and so does the line.
    m_launcher.result = false;
    QTest::mouseClick(child<QPushButton>(QStringLiteral("exportTextButton")), Qt::LeftButton);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains(written)) << m_dialogs.messages()[0].text.toStdString();
    EXPECT_TRUE(m_dialogs.messages()[0].text.contains(QStringLiteral("无法打开")))
        << m_dialogs.messages()[0].text.toStdString();
    EXPECT_EQ(notice->text(), QStringLiteral("文件已写入：%1（没有可以打开它的应用程序）").arg(written));
    // Nor for the folder.
    QTest::mouseClick(notice->openFolderButton(), Qt::LeftButton);
    ASSERT_EQ(m_dialogs.messages().size(), 2u);
    EXPECT_EQ(m_dialogs.messages()[1].title, QStringLiteral("打开所在文件夹"));
}

TEST_F(MainWindowPolishTest, TheFormulaColumnShowsTheExpressionFirstAndAFirstStartUsesALargeScreen)
{
    seed(5);
    openWindow();
    storeFormulas(FormulaKind{3, Play::Single},
                  {{QStringLiteral("L1A+L2A+3"), QStringLiteral("[百位单选杀]百位码+十位码+3"), true},
                   {QStringLiteral("L1A+1"), QStringLiteral("百位码+1=下期杀 百位单选"), true}});
    // The kind and sense have their own columns: the bracket goes after the expression; the equation form
    // starts with its expression already.
    EXPECT_EQ(column(FormulaList::ColFormula),
              (QStringList{"百位码+十位码+3  [百位单选杀]", "百位码+1=下期杀 百位单选"}));
    EXPECT_EQ(FormulaListModel::expressionFirst(QStringLiteral("[十位通选杀]")), "[十位通选杀]");
    EXPECT_EQ(FormulaListModel::expressionFirst(QStringLiteral("[十位通选杀 和数")), "[十位通选杀 和数");
    // The English tab shows the expression alone.
    child<QTabBar>(QStringLiteral("formulaTabs"))->setCurrentIndex(1);
    EXPECT_EQ(cell(0, FormulaList::ColFormula), "L1A+L2A+3");

    // A 1920×1080 screen (1040 available under its panel) is used, not a 1372×700 corner of it; a small
    // screen is never exceeded.
    const QSize large = m_window->openingSize(QRect(0, 0, 1920, 1040));
    EXPECT_GE(large.width(), (1920 - 16) * 9 / 10);
    EXPECT_GE(large.height(), (1040 - 40) * 9 / 10);
    EXPECT_LE(large.width(), 1920 - 16);
    EXPECT_LE(large.height(), 1040 - 40);
    const QSize small = m_window->openingSize(QRect(0, 0, 1366, 728));
    EXPECT_LE(small.width(), 1366 - 16);
    EXPECT_LE(small.height(), 728 - 40);
}

TEST_F(MainWindowPolishTest, AFigureColumnIsAsWideAsItsWidestValueAsDrawnNotItsLongest)
{
    seed(5);
    openWindow();
    const QFontMetrics cells(grid()->fontMetrics());
    // "+" is wider than "-" in the list's font: of two texts of one length the one with "+" decides.
    const QString minus = QStringLiteral("-2.1500");
    const QString plus = QStringLiteral("+2.1500");
    ASSERT_GT(cells.horizontalAdvance(plus), cells.horizontalAdvance(minus));
    EXPECT_GE(FormulaListView::widestWidth(cells, {minus, plus}), cells.horizontalAdvance(plus));
    EXPECT_GE(FormulaListView::widestWidth(cells, {QStringLiteral("1.1111"), QStringLiteral("0.0000")}),
              cells.horizontalAdvance(QStringLiteral("0.0000")));
    EXPECT_GE(FormulaListView::widestWidth(cells, {QStringLiteral("—"), QStringLiteral("5.0e-05")}),
              cells.horizontalAdvance(QStringLiteral("5.0e-05")));
    EXPECT_EQ(FormulaListView::widestWidth(cells, {}), 0);
}

TEST_F(MainWindowPolishTest, ThePerDrawColumnsKeepTheNewestDrawInViewAndGiveTheirWidthBackWhenUnticked)
{
    seed(60);
    openWindow(QSize(1180, 520));
    storeFormulas(FormulaKind{3, Play::Single},
                  {{QStringLiteral("L1A+2"), QStringLiteral("[百位单选杀]百位码+2"), true},
                   {QStringLiteral("L2A+2"), QStringLiteral("[百位单选杀]十位码+2"), true},
                   {QStringLiteral("L3A+2"), QStringLiteral("[百位单选杀]个位码+2"), true}});
    auto* splitter = child<QSplitter>(QStringLiteral("mainSplitter"));
    HistoryGridView* history = m_window->historyGrid();
    const int narrow = splitter->sizes().value(0);
    const auto newestInView = [history, this] {
        const QRect newest = history->visualRect(m_window->historyModel()->index(59, 0));
        return newest.isValid() && newest.top() >= 0 && newest.bottom() < history->viewport()->height();
    };
    ASSERT_TRUE(newestInView());

    // Ticked: three formula columns and their horizontal scroll bar; the newest draw stays wholly above it.
    auto* check = child<QCheckBox>(QStringLiteral("formulaColumnsCheck"));
    check->setChecked(true);
    QTest::qWait(20);
    ASSERT_EQ(m_window->historyModel()->columnCount(), 7);
    EXPECT_TRUE(newestInView());

    // Unticked: the pane is as narrow as before, the formula list has the width back.
    check->setChecked(false);
    QTest::qWait(20);
    ASSERT_EQ(m_window->historyModel()->columnCount(), 4);
    EXPECT_LE(splitter->sizes().value(0), narrow + 2);
    EXPECT_TRUE(newestInView());
}

} // namespace
} // namespace korvel::test
