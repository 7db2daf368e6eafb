#include "gui/tally/TallyWindowFixture.h"

#include "gui/tally/RankingListWindow.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "tally/TallyTables.h"

#include <QDir>
#include <QProgressDialog>
#include <QSignalSpy>

namespace korvel::test {
namespace {

// Five real draws (百位 十位 个位): 070, 557, 986, 791, 941. The selected kill formulas 百位码 and 十位码 name,
// on each draw, its 百位 and 十位 digits; the ranking of draw n (least killed first, ties in digit order)
// is judged against draw n + 1:
//   on 070: kills 0, 7  -> 1 2 3 4 5 6 8 9 | 0 7   (Err 0 x8, 1 x2)
//   on 557: kills 5, 5  -> 0 1 2 3 4 6 7 8 9 | 5   (Err 0 x9, 2)
//   on 986: kills 9, 8  -> 0 1 2 3 4 5 6 7 | 8 9   (Err 0 x8, 1 x2)
//   on 791: kills 7, 9  -> 0 1 2 3 4 5 6 8 | 7 9   (Err 0 x8, 1 x2)
class RankingWindowTest : public TallyWindowFixture {
protected:
    void SetUp() override
    {
        TallyWindowFixture::SetUp();
        openTallyWindow();
        storeFormulas(
            FormulaKind{3, Play::Single},
            {{"L1A", "百位码=下期杀 百位单选"}, {"L2A", "十位码=下期杀 百位单选"}, {"L3A", "个位码=下期杀 百位单选"}});
        clickCell(2, FormulaList::ColFormula); // 个位码 left out
    }

    // Presses the button, confirms, and waits for the run.
    RankingListWindow* runRanking()
    {
        QSignalSpy finished(m_commands, &TallyCommands::rankingFinished);
        m_dialogs.answerMessage(Dialogs::Answer::Ok);
        QTest::mouseClick(child<QPushButton>(QStringLiteral("positionValuesButton")), Qt::LeftButton);
        EXPECT_TRUE(finished.wait(10000));
        EXPECT_EQ(finished.size(), 1);
        RankingListWindow* w = m_commands->rankingWindow();
        if (w && !m_watched.contains(w->model())) {
            m_watched << w->model();
            watch(w->model());
        }
        return w;
    }

    QStringList row(RankingListWindow* w, int r, int first, int count)
    {
        QStringList out;
        for (int c = first; c < first + count; ++c) {
            out << w->model()->index(r, c).data().toString();
        }
        return out;
    }
};

TEST_F(RankingWindowTest, TheListJudgesEachDrawAgainstTheRankingOfTheDrawBefore)
{
    RankingListWindow* w = runRanking();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "查询等待确认");
    EXPECT_EQ(m_dialogs.messages()[0].buttons, Dialogs::Buttons::OkCancel);
    EXPECT_EQ(m_dialogs.messages()[0].icon, Dialogs::Icon::Question);
    EXPECT_EQ(w->objectName(), "frmLslb");
    EXPECT_EQ(w->windowTitle(), "历史开奖列表");
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->positionOption(3)->isChecked());
    EXPECT_TRUE(w->playOption(Play::Single)->isChecked());

    // 27 fixed columns, then one per Err value 0..2.
    QStringList headers = gridHeaders(w->grid());
    ASSERT_EQ(headers.size(), 30);
    EXPECT_EQ(headers.mid(0, 9),
              (QStringList{"期号", "开奖结果", "排位名次", "Err值", "总位次", "位次", "位码数", "1排列", "2排列"}));
    EXPECT_EQ(headers[16], "10排列");
    EXPECT_EQ(headers[17], "1Err值");
    EXPECT_EQ(headers[26], "10Err值");
    EXPECT_EQ(headers.mid(27), (QStringList{"0次", "1次", "2次"}));

    // Four rows for five draws; 百位 judged.
    ASSERT_EQ(w->model()->rowCount(), 4);
    EXPECT_EQ(row(w, 0, 0, 7), (QStringList{"2004002", "5", "5", "0", "2", "1", "8"}));
    EXPECT_EQ(row(w, 1, 0, 7), (QStringList{"2004003", "9", "9", "0", "2", "1", "9"}));
    EXPECT_EQ(row(w, 2, 0, 7), (QStringList{"2004004", "7", "8", "0", "2", "1", "8"}));
    EXPECT_EQ(row(w, 3, 0, 7), (QStringList{"2004005", "9", "10", "1", "2", "2", "2"}));
    EXPECT_EQ(row(w, 0, 7, 10), (QStringList{"1", "2", "3", "4", "5", "6", "8", "9", "0", "7"}));
    EXPECT_EQ(row(w, 1, 17, 10), (QStringList{"0", "0", "0", "0", "0", "0", "0", "0", "0", "2"}));
    EXPECT_EQ(row(w, 0, 27, 3), (QStringList{"01 02 03 04 05 06 08 09 ", "00 07 ", ""}));
    EXPECT_EQ(row(w, 1, 27, 3), (QStringList{"00 01 02 03 04 06 07 08 09 ", "", "05 "}));
    // The drawn digit's rank cell is blue, the others plain.
    const QModelIndex drawn = w->model()->index(0, 7 + 4);
    EXPECT_EQ(drawn.data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 0, 255));
    EXPECT_FALSE(w->model()->index(0, 7 + 3).data(Qt::BackgroundRole).isValid());

    // The work table holds the newest draw's counts (on 941: 9 and 4 killed once).
    Database db;
    ASSERT_NE(db.open(QDir(m_dir.path()).filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
              Database::OpenResult::Failed);
    const std::vector<TallyTableRow> tallyTables = tallyTables::readRankingTable(db);
    ASSERT_EQ(tallyTables.size(), 10u);
    EXPECT_EQ(tallyTables[4].senseCount, 1);
    EXPECT_EQ(tallyTables[9].err, 1);
    EXPECT_EQ(tallyTables[0].senseCount, 0);
}

TEST_F(RankingWindowTest, TheWindowReQueriesOtherPositionsAndPlaysFromTheSameStore)
{
    RankingListWindow* w = runRanking();
    ASSERT_NE(w, nullptr);

    // 百位通选: every digit of the next draw is judged; 557 matches ranks 5 (the 5s) and 10 (the 7).
    w->playOption(Play::Group)->click();
    QTest::mouseClick(w->queryButton(), Qt::LeftButton);
    EXPECT_EQ(row(w, 0, 0, 7), (QStringList{"2004002", "5 5 7 ", "5 10 ", "0 1 ", "2", "1", "8"}));
    EXPECT_EQ(w->model()->index(0, 7 + 9).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 0, 255));

    // 个位: the group play is not offered; 2004002's 个位 7 stands at rank 10, tier 2 of 2 digits.
    w->positionOption(1)->click();
    EXPECT_FALSE(w->playOption(Play::Group)->isEnabled());
    EXPECT_TRUE(w->playOption(Play::Single)->isChecked());
    QTest::mouseClick(w->queryButton(), Qt::LeftButton);
    EXPECT_EQ(row(w, 0, 0, 7), (QStringList{"2004002", "7", "10", "1", "2", "2", "2"}));

    // Exports: the button writes Print.xls, a double-click on the list Jieguo.xls.
    QTest::mouseClick(w->exportButton(), Qt::LeftButton);
    doubleClick(w->grid(), 1, 3);
    const QString print = QDir(m_dir.path()).filePath(QStringLiteral("Print.xls"));
    const QString doubleClickExport = QDir(m_dir.path()).filePath(QStringLiteral("Jieguo.xls"));
    ASSERT_EQ(m_launcher.spreadsheets, (QStringList{print, doubleClickExport}));
    const auto cells = sheetCells(print);
    EXPECT_EQ(cells.value({0, 0}), "期号");
    EXPECT_EQ(cells.value({1, 0}), "2004002");
    EXPECT_EQ(cells.value({1, 2}), "10");
    EXPECT_EQ(cells.value({0, 29}), "2次");

    // Without a spreadsheet application the export says so.
    m_launcher.result = false;
    QTest::mouseClick(w->exportButton(), Qt::LeftButton);
    ASSERT_EQ(m_dialogs.messages().size(), 2u);
    EXPECT_EQ(m_dialogs.messages()[1].title, "列表显示错误");
    EXPECT_EQ(m_dialogs.messages()[1].text, "您的电脑没有安装Microsoft Excel表格软件，多参数列表无法显示");
}

TEST_F(RankingWindowTest, GroupPlayCellsWithSeveralTwoDigitValuesAreShownWhole)
{
    // A hundred more kill formulas 百位码+k, k = 0..99, kill every digit ten times on every draw: each digit's
    // Err value has two digits, and the group play lists three of them in one cell.
    std::vector<Stored> more;
    for (int k = 0; k < 100; ++k) {
        more.push_back({QStringLiteral("L1A+%1").arg(k), QStringLiteral("百位码+%1=下期杀 百位单选").arg(k), true});
    }
    storeFormulas(FormulaKind{3, Play::Single}, more);
    RankingListWindow* w = runRanking();
    ASSERT_NE(w, nullptr);
    w->playOption(Play::Group)->click();
    QTest::mouseClick(w->queryButton(), Qt::LeftButton);
    // 2004003 986: three different digits, three ranks and their Err values in one cell each.
    const QString err = w->model()->index(1, 3).data().toString();
    ASSERT_EQ(err.split(u' ', Qt::SkipEmptyParts).size(), 3) << err.toStdString();
    ASSERT_GE(err.size(), 9) << err.toStdString();

    const QFontMetrics cells(w->grid()->font());
    for (int c = 0; c < w->model()->columnCount(); ++c) {
        for (int r = 0; r < w->model()->rowCount(); ++r) {
            const QString text = w->model()->index(r, c).data().toString();
            ASSERT_GT(w->grid()->columnWidth(c), cells.horizontalAdvance(text) + 4)
                << "column " << c << " cuts \"" << text.toStdString() << "\"";
        }
    }
    saveShot(w, QStringLiteral("ranking_group_play.png"));
}

TEST_F(RankingWindowTest, CancelOnTheQuestionOrOnTheProgressShowsNothing)
{
    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("positionValuesButton")), Qt::LeftButton);
    EXPECT_FALSE(m_commands->rankingRunning());
    EXPECT_EQ(m_commands->rankingWindow(), nullptr);

    QSignalSpy finished(m_commands, &TallyCommands::rankingFinished);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("positionValuesButton")), Qt::LeftButton);
    ASSERT_TRUE(m_commands->rankingRunning());
    ASSERT_NE(m_commands->rankingProgress(), nullptr);
    auto* cancel = m_commands->rankingProgress()->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "取消");
    cancel->click();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(finished.first().first().toBool());
    EXPECT_FALSE(m_commands->rankingRunning());
    EXPECT_EQ(m_commands->rankingWindow(), nullptr);

    // A later run goes through.
    EXPECT_NE(runRanking(), nullptr);

    // Closing the program while a run is on stops the worker and waits for it.
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("positionValuesButton")), Qt::LeftButton);
    ASSERT_TRUE(m_commands->rankingRunning());
    m_testers.clear();
    close();
}

} // namespace
} // namespace korvel::test
