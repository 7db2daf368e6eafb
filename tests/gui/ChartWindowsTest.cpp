#include "gui/tally/TallyWindowFixture.h"

#include "gui/ChartCommands.h"
#include "gui/history/TrendModel.h"
#include "gui/history/TrendView.h"
#include "gui/history/TrendWindow.h"
#include "gui/tally/RankChartView.h"
#include "gui/tally/RankingListWindow.h"
#include "gui/verify/HitChartView.h"
#include "gui/verify/HitChartWindow.h"
#include "gui/widgets/ExportNotice.h"
#include "history/Param.h"
#include "tally/RankHistogram.h"

#include <QBarSet>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QLineSeries>
#include <QSignalSpy>

namespace korvel::test {
namespace {

// The pictures as a user reaches them: "走势图(&Z)" beside the reference button, "命中走势图" in the formula
// menu, the rank chart under "历史开奖列表"; each renders, exports a PNG that loads back, and says why when
// it has nothing to draw or cannot write.
class ChartWindowsTest : public TallyWindowFixture {
protected:
    void openCharts(int draws)
    {
        openTallyWindow(draws);
        m_charts = &m_assembly->charts();
    }

    TrendWindow* openTrend()
    {
        QPushButton* button = child<QPushButton>(QStringLiteral("trendButton"));
        EXPECT_TRUE(button && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
        TrendWindow* w = m_charts->trendWindow();
        EXPECT_NE(w, nullptr);
        if (w && !m_watched.contains(w->model())) {
            m_watched << w->model();
            watch(w->model());
        }
        return w;
    }

    // A PNG written through "导出图片", loaded back.
    QImage exported(const std::function<QString()>& exportIt, const QString& name)
    {
        const QString path = m_dir.filePath(name);
        m_dialogs.answerFile(path);
        EXPECT_EQ(exportIt(), path);
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), "png");
        return reader.read();
    }

    // The chart window and the main window's status line both name the picture last written.
    void expectToldWritten(const QLabel* label, const QString& path)
    {
        const QString where = QDir::toNativeSeparators(path);
        EXPECT_TRUE(label->text().contains(where)) << label->text().toStdString();
        auto* notice = m_window->findChild<ExportNotice*>(QStringLiteral("exportNotice"));
        ASSERT_NE(notice, nullptr);
        EXPECT_TRUE(notice->text().contains(where)) << notice->text().toStdString();
    }

    static bool nonBlank(const QImage& image)
    {
        if (image.isNull()) {
            return false;
        }
        const QRgb first = image.pixel(0, 0);
        for (int y = 0; y < image.height(); y += 7) {
            for (int x = 0; x < image.width(); x += 7) {
                if (image.pixel(x, y) != first) {
                    return true;
                }
            }
        }
        return false;
    }

    ChartCommands* m_charts = nullptr;
};

TEST_F(ChartWindowsTest, TrendWindowShowsTheNewestDrawsWithTheirOmissionsAndExports)
{
    openCharts(120);
    TrendWindow* w = openTrend();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QCoreApplication::processEvents();
    TrendModel* m = w->model();
    // 最近100期 by default, then 最近30期: the newest draws and the four summary rows.
    EXPECT_EQ(w->rangeBox()->currentText(), "最近100期");
    EXPECT_EQ(m->rowCount(), 104);
    w->rangeBox()->setCurrentIndex(0);
    ASSERT_EQ(m->rowCount(), 34);
    const SnapshotPtr history = m_session->snapshot();
    EXPECT_EQ(m->index(29, TrendModel::ColIssue).data().toString(), history->issue(119));
    EXPECT_EQ(m->index(30, TrendModel::ColIssue).data().toString(), "出现次数");
    EXPECT_EQ(m->index(33, TrendModel::ColIssue).data().toString(), "当前遗漏");
    // The drawn 百位 digit of the newest row is its own ball; the cell beside it counts draws since.
    const int d = history->value(119, Param::L1A);
    const QModelIndex drawn = m->index(29, TrendModel::columnOf(0, d));
    EXPECT_EQ(drawn.data().toString(), QString::number(d));
    EXPECT_EQ(drawn.data(TrendModel::CellRole).toInt(), static_cast<int>(TrendModel::Cell::Drawn));
    const int other = (d + 1) % 10;
    int since = 0;
    for (int r = 119; r >= 0 && history->value(r, Param::L1A) != other; --r) {
        ++since;
    }
    EXPECT_EQ(m->index(29, TrendModel::columnOf(0, other)).data().toString(), QString::number(since));

    // Scrolled so that the newest row and the summaries are in view.
    QCoreApplication::processEvents();
    TrendView* grid = w->grid();
    EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(m->index(33, 0))));
    EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(m->index(29, 0))));

    const QImage shown = w->grab().toImage();
    EXPECT_EQ(shown.size(), w->size());
    EXPECT_TRUE(nonBlank(shown));

    // The PNG holds every row and the header: as wide as the columns, as tall as the grid would be.
    const QImage png = exported([w] { return w->exportPicture(); }, QStringLiteral("trend.png"));
    int width = 2 * grid->frameWidth();
    for (int c = 0; c < TrendModel::ColumnCount; ++c) {
        width += grid->columnWidth(c);
    }
    EXPECT_EQ(png.width(), width);
    EXPECT_EQ(png.height(), grid->fullHeight());
    EXPECT_TRUE(nonBlank(png));
    expectToldWritten(w->writtenLabel(), m_dir.filePath(QStringLiteral("trend.png")));

    // A folder that cannot be written: the user is told where and why, nothing is claimed written.
    m_dialogs.answerFile(QStringLiteral("/proc/korvel-no/trend.png"));
    const auto before = m_dialogs.messages().size();
    EXPECT_TRUE(w->exportPicture().isEmpty());
    ASSERT_EQ(m_dialogs.messages().size(), before + 1);
    EXPECT_EQ(m_dialogs.messages().back().title, "导出图片");
    EXPECT_TRUE(m_dialogs.messages().back().text.contains(QStringLiteral("/proc/korvel-no/trend.png")));
    expectToldWritten(w->writtenLabel(), m_dir.filePath(QStringLiteral("trend.png")));

    // The clipboard: a header line and one line per row.
    w->copyToClipboard();
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 35);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("期号\t开奖号\t百位0")));
    EXPECT_TRUE(lines[30].startsWith(history->issue(119) + QLatin1Char('\t')));

    // The sheet: numbers under the digit columns, shown in the spreadsheet application.
    w->exportSheet();
    ASSERT_EQ(m_launcher.spreadsheets.size(), 1);
    const auto cells = sheetCells(m_launcher.spreadsheets.back());
    EXPECT_EQ(cells.value({0, TrendModel::columnOf(1, 0)}), "十位");
    EXPECT_EQ(cells.value({2, TrendModel::ColIssue}), history->issue(90));
    EXPECT_EQ(cells.value({31, TrendModel::columnOf(0, d)}), QString::number(d));
    EXPECT_EQ(cells.value({32, TrendModel::ColIssue}), "出现次数");

    // All draws: every row, still the newest at the bottom.
    w->chooseRange(4);
    EXPECT_EQ(m->rowCount(), 124);
}

TEST_F(ChartWindowsTest, TrendWindowFollowsTheHistoryAndSaysWhenThereIsNone)
{
    openCharts(0);
    TrendWindow* w = openTrend();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->model()->rowCount(), 0);
    EXPECT_TRUE(w->emptyLabel()->isVisible());
    EXPECT_FALSE(w->grid()->isVisible());
    EXPECT_FALSE(w->findChild<QPushButton*>(QStringLiteral("trendPictureButton"))->isEnabled());
    EXPECT_TRUE(nonBlank(w->grab().toImage()));

    // One draw typed in: the window shows it and its summaries.
    m_session->setNextIssue(QStringLiteral("2012001"));
    ASSERT_EQ(m_session->enterDraw(QStringLiteral("4"), QStringLiteral("0"), QStringLiteral("7")), EntryResult::Stored);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->model()->rowCount(), 5);
    EXPECT_FALSE(w->emptyLabel()->isVisible());
    EXPECT_EQ(w->model()->index(0, TrendModel::ColDrawn).data().toString(), "407");
    EXPECT_EQ(w->model()->index(0, TrendModel::columnOf(2, 6)).data().toString(), "1");
}

TEST_F(ChartWindowsTest, HitChartOfTheFormulaUnderTheCursor)
{
    openCharts(200);
    storeFormulas(FormulaKind{3, Play::Single}, {{"L1A+L2A", "[百位单选杀]百位码+十位码"}, {"L1A+", "[百位单选杀]坏"}});
    ASSERT_EQ(list().rowCount(), 2);
    rightClick(0);
    chooseMenuItem(QStringLiteral("actionHitChart"));
    HitChartWindow* w = m_charts->hitChartWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    HitChartView* chart = w->chartView();
    // The default window of 300 draws holds the whole history but its first draw (nothing skipped).
    EXPECT_EQ(chart->series().size(), 200);
    EXPECT_TRUE(chart->emptyText().isEmpty());
    ASSERT_NE(chart->rateLine(), nullptr);
    EXPECT_EQ(chart->rateLine()->count(), 200 - 29);
    EXPECT_EQ(chart->chanceLine()->count(), 200 - 29);
    // The oldest draw has no prediction (chance 0), so the first 30 draws average 29 x 0.9 / 30.
    EXPECT_NEAR(chart->chanceLine()->at(0).y(), 87.0, 1e-9);
    EXPECT_NEAR(chart->chanceLine()->at(1).y(), 90.0, 1e-9);
    EXPECT_TRUE(w->heading()->text().contains(QStringLiteral("百位码+十位码")));
    const QImage png = exported([w] { return w->exportPicture(); }, QStringLiteral("hit.png"));
    EXPECT_EQ(png.size(), w->picture().size());
    EXPECT_TRUE(nonBlank(png));
    expectToldWritten(w->writtenLabel(), m_dir.filePath(QStringLiteral("hit.png")));

    // A formula that cannot be computed: the chart says why, no lines.
    rightClick(1);
    chooseMenuItem(QStringLiteral("actionHitChart"));
    EXPECT_EQ(m_charts->hitChartWindow(), w);
    EXPECT_TRUE(chart->emptyText().startsWith(QStringLiteral("该公式无法计算")));
    EXPECT_EQ(chart->rateLine(), nullptr);
    EXPECT_TRUE(nonBlank(w->picture()));
}

TEST_F(ChartWindowsTest, RankChartCountsTheRanksTheListShows)
{
    openCharts(150);
    storeFormulas(
        FormulaKind{3, Play::Single},
        {{"L1A+L2A", "[百位单选杀]百位码+十位码"}, {"L3A*3", "[百位单选杀]个位码*3"}, {"LH", "[百位单选杀]和数"}});
    QSignalSpy finished(m_commands, &TallyCommands::rankingFinished);
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("positionValuesButton")), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(10000));
    RankingListWindow* w = m_commands->rankingWindow();
    ASSERT_NE(w, nullptr);
    RankChartView* chart = w->rankChart();
    const RankHistogram expected = rankHistogram(w->model()->list());
    EXPECT_EQ(chart->histogram().counts, expected.counts);
    EXPECT_EQ(chart->histogram().rows, 149);
    ASSERT_NE(chart->bars(), nullptr);
    ASSERT_EQ(chart->bars()->count(), 10);
    int barTotal = 0;
    for (int r = 0; r < 10; ++r) {
        barTotal += static_cast<int>(chart->bars()->at(r));
    }
    EXPECT_EQ(barTotal, 149); // single play: one rank per row
    EXPECT_NEAR(chart->chanceLine()->at(0).y(), 14.9, 1e-9);

    // The group play re-queried: the chart follows.
    w->playOption(Play::Group)->click();
    QTest::mouseClick(w->queryButton(), Qt::LeftButton);
    EXPECT_EQ(chart->histogram().judgedPositions, 3);
    EXPECT_GT(chart->histogram().total(), 149);

    const QImage png = exported([w] { return w->exportChartPicture(); }, QStringLiteral("rank.png"));
    EXPECT_EQ(png.size(), chart->size());
    EXPECT_TRUE(nonBlank(png));
}

} // namespace
} // namespace korvel::test
