#include "gui/bets/BetListWindow.h"
#include "gui/WindowFixture.h"
#include "gui/bets/BetBacktestWindow.h"
#include "gui/bets/BetCommands.h"
#include "gui/bets/BetListModel.h"
#include "gui/bets/FilterPanel.h"
#include "gui/bets/NetChartView.h"
#include "gui/history/TrendModel.h"
#include "gui/history/TrendWindow.h"
#include "history/Param.h"
#include "platform/TextCodec.h"
#include "verify/FormulaList.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>

namespace korvel::test {
namespace {

class BetListWindowTest : public WindowFixture {
protected:
    BetListWindow* openBetList()
    {
        QPushButton* button = child<QPushButton>(QStringLiteral("betListButton"));
        EXPECT_TRUE(button && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        auto* w = m_window->findChild<BetListWindow*>(QStringLiteral("betListWindow"));
        EXPECT_NE(w, nullptr);
        if (w) {
            m_tester = std::make_unique<QAbstractItemModelTester>(
                w->model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        }
        return w;
    }

    // Keeps exactly `digits` at `position` by clicking: "清", then the digits.
    static void keep(BetListWindow* w, int position, std::initializer_list<int> digits)
    {
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("noDigitsButton%1").arg(position)), Qt::LeftButton);
        for (int d : digits) {
            QTest::mouseClick(w->digitButton(position, d), Qt::LeftButton);
        }
    }

    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

TEST_F(BetListWindowTest, ClickedDigitsAndFiltersRecountTheListAtOnce)
{
    openProgram();
    BetListWindow* w = openBetList();
    ASSERT_NE(w, nullptr);
    // Every digit kept, every filter off: the whole space.
    EXPECT_EQ(w->countLabel()->text(), QStringLiteral("注数：1000"));
    EXPECT_EQ(w->costLabel()->text(), QStringLiteral("金额：2000 元"));

    keep(w, 0, {1, 2, 3});
    keep(w, 1, {4, 5});
    keep(w, 2, {6});
    EXPECT_EQ(w->countLabel()->text(), QStringLiteral("注数：6"));
    EXPECT_EQ(w->costLabel()->text(), QStringLiteral("金额：12 元"));
    EXPECT_TRUE(w->returnLabel()->text().contains(QStringLiteral("52.0%"))) << w->returnLabel()->text().toStdString();
    ASSERT_EQ(w->model()->rowCount(), 6);
    EXPECT_EQ(w->model()->index(0, BetListModel::ColNumber).data().toString(), QStringLiteral("146"));
    EXPECT_EQ(w->model()->index(5, BetListModel::ColSum).data().toInt(), 14);

    FilterPanel* f = w->filterPanel();
    QTest::keyClicks(f->sumEdit(), QStringLiteral("12-13"));
    EXPECT_EQ(w->countLabel()->text(), QStringLiteral("注数：6")); // typed, not yet on
    f->sumCheck()->click();
    EXPECT_EQ(w->countLabel()->text(), QStringLiteral("注数：4"));
    f->sumEdit()->setText(QStringLiteral("30"));
    EXPECT_EQ(w->countLabel()->text(), QStringLiteral("注数：6"));
    EXPECT_TRUE(w->problemLabel()->text().startsWith(QStringLiteral("和值：")))
        << w->problemLabel()->text().toStdString();
    f->sumCheck()->click();

    f->formCheck()->click(); // 组三 and 组六 ticked
    EXPECT_EQ(w->countLabel()->text(), QStringLiteral("注数：6"));
    f->formBox(2)->click(); // 组六 off: nothing is left
    EXPECT_EQ(w->countLabel()->text(), QStringLiteral("注数：0"));
    EXPECT_TRUE(w->problemLabel()->text().contains(QStringLiteral("滤掉")));
    f->formCheck()->click();

    keep(w, 1, {});
    EXPECT_TRUE(w->problemLabel()->text().startsWith(QStringLiteral("十位没有保留的号码")));
    keep(w, 1, {1, 2});
    keep(w, 0, {1, 2});
    keep(w, 2, {3});
    w->findChild<QRadioButton*>(QStringLiteral("groupPlay"))->click();
    ASSERT_EQ(w->model()->rowCount(), 3);
    EXPECT_EQ(w->model()->index(0, BetListModel::ColNumber).data().toString(), QStringLiteral("1 1 3"));
    EXPECT_EQ(w->model()->index(1, BetListModel::ColForm).data().toString(), QStringLiteral("组六"));
    saveShot(w, QStringLiteral("bet_list_window"));
}

TEST_F(BetListWindowTest, TheListGoesOutAsTextClipboardAndSheet)
{
    openProgram();
    BetListWindow* w = openBetList();
    ASSERT_NE(w, nullptr);
    keep(w, 0, {1, 2, 3});
    keep(w, 1, {4, 5});
    keep(w, 2, {6});
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("exportTextButton")), Qt::LeftButton);
    ASSERT_EQ(m_launcher.textFiles.size(), 1);
    QFile file(m_launcher.textFiles[0]);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("146\r\n156\r\n246\r\n256\r\n346\r\n356\r\n"));
    EXPECT_TRUE(m_launcher.textFiles[0].endsWith(QStringLiteral("投注单.txt")));

    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("copyButton")), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("146\n156\n246\n256\n346\n356\n共6注 12元\n"));

    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("exportSheetButton")), Qt::LeftButton);
    ASSERT_EQ(m_launcher.spreadsheets.size(), 1);
    EXPECT_TRUE(QFile::exists(QDir(m_dir.path()).filePath(QStringLiteral("投注单.xls"))));

    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("printPreviewButton")), Qt::LeftButton);
    QWidget* preview = w->findChild<QWidget*>(QStringLiteral("betPrintPreview"));
    ASSERT_NE(preview, nullptr);
    preview->close();
}

TEST_F(BetListWindowTest, ThePrizeTableOfTheSettingsMenuPricesTheOpenList)
{
    openProgram();
    BetListWindow* w = openBetList();
    ASSERT_NE(w, nullptr);
    keep(w, 0, {1});
    keep(w, 1, {2});
    EXPECT_EQ(w->costLabel()->text(), QStringLiteral("金额：20 元"));
    for (const char* answer : {"1000", "300", "150", "1"}) {
        m_dialogs.answerInput(QString::fromLatin1(answer));
    }
    triggerAction(QStringLiteral("actionPrizeTable"));
    QCoreApplication::processEvents();
    EXPECT_EQ(w->costLabel()->text(), QStringLiteral("金额：10 元"));
    // 10 bets of 1 元 paying 1 000 with 1/1 000 each: 100 %.
    EXPECT_TRUE(w->returnLabel()->text().contains(QStringLiteral("100.0%"))) << w->returnLabel()->text().toStdString();
}

TEST_F(BetListWindowTest, TheLastComputationsKeptDigitsFillTheTalliedPosition)
{
    seed(40);
    openProgram();
    ASSERT_TRUE(m_session->addTypedFormula(QStringLiteral("个位码+0=下期杀 个位单选")));
    m_session->formulas().selectAll();
    m_session->options().setComputeSelected(true);
    m_session->choices().setPosition(1);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("computeButton")), Qt::LeftButton);
    const int units = m_session->snapshot()->value(m_session->snapshot()->size() - 1, Param::L3A);
    BetListWindow* w = openBetList();
    ASSERT_NE(w, nullptr);
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(w->digitButton(2, d)->isChecked(), d != units) << d;
        EXPECT_TRUE(w->digitButton(0, d)->isChecked()); // 百位 was not tallied
    }
    EXPECT_EQ(w->countLabel()->text(), QStringLiteral("注数：900"));
}

TEST_F(BetListWindowTest, TheBacktestShowsTotalsVerdictAndTheNetChart)
{
    seed(60);
    openProgram();
    m_session->options().setComputeSelected(true); // the best method would ask for its sort settings first
    BetListWindow* w = openBetList();
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("betBacktestButton")), Qt::LeftButton);
    BetBacktestWindow* b = w->backtestWindow();
    ASSERT_NE(b, nullptr);
    b->drawsSpin()->setValue(20);
    QSignalSpy finished(b, &BetBacktestWindow::finished);
    QTest::mouseClick(b->findChild<QPushButton*>(QStringLiteral("startBetBacktestButton")), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(60000));
    // No formula in the tables: every digit kept, 1 000 bets a draw, exactly the chance share back.
    const BetBacktestResult& r = b->result();
    ASSERT_TRUE(r.done()) << r.message.toStdString();
    EXPECT_EQ(r.bets, 20'000);
    EXPECT_DOUBLE_EQ(r.returnRate, 0.52);
    EXPECT_TRUE(b->verdictLabel()->text().contains(QStringLiteral("没有胜过随机")));
    EXPECT_TRUE(b->totalsLabel()->text().contains(QStringLiteral("投入 40000 元")))
        << b->totalsLabel()->text().toStdString();
    ASSERT_EQ(b->chart()->netLine()->count(), 21);
    EXPECT_DOUBLE_EQ(b->chart()->netLine()->at(20).y(), 20 * (1040.0 - 2000.0));
    EXPECT_TRUE(b->chart()->emptyText().isEmpty());
    b->resize(900, 700);
    saveShot(b, QStringLiteral("bet_backtest_window"));
}

TEST_F(BetListWindowTest, TheTrendChartShowsTheShapeColumns)
{
    seed(60);
    openProgram();
    QTest::mouseClick(child<QPushButton>(QStringLiteral("trendButton")), Qt::LeftButton);
    auto* trend = m_window->findChild<TrendWindow*>();
    ASSERT_NE(trend, nullptr);
    auto* view = trend->findChild<QTableView*>(QStringLiteral("trendGrid"));
    ASSERT_NE(view, nullptr);
    QAbstractItemModel* model = view->model();
    EXPECT_EQ(model->headerData(TrendModel::shapeColumnOf(0, 2), Qt::Horizontal).toString(), QStringLiteral("组六"));
    EXPECT_EQ(TrendModel::blockCaption(TrendModel::shapeColumnOf(4, 0)), QStringLiteral("百位大中小"));
    // The newest draw's form cell names its form; its 百位 012路 cell its remainder.
    const SnapshotPtr h = m_session->snapshot();
    const int last = h->size() - 1;
    const int a = h->value(last, Param::L1A);
    const int b = h->value(last, Param::L2A);
    const int c = h->value(last, Param::L3A);
    const int form = a == b && b == c ? 0 : (a == b || b == c || a == c) ? 1 : 2;
    const int row = model->rowCount() - 5; // four summary rows follow the draws
    EXPECT_EQ(model->index(row, TrendModel::shapeColumnOf(0, form)).data().toString(),
              (QStringList{"豹子", "组三", "组六"})[form]);
    EXPECT_EQ(model->index(row, TrendModel::shapeColumnOf(1, a % 3)).data().toString(), QString::number(a % 3));
    EXPECT_EQ(model->index(row, TrendModel::shapeColumnOf(1, (a + 1) % 3)).data(TrendModel::CellRole).toInt(),
              static_cast<int>(TrendModel::Cell::Omission));
    trend->resize(1400, 600);
    saveShot(trend, QStringLiteral("trend_with_shapes"));
}

} // namespace
} // namespace korvel::test
