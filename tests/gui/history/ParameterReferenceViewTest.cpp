#include "gui/history/ParameterReferenceView.h"
#include "gui/history/ParameterReferenceModel.h"

#include "support/TestData.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace korvel {
namespace {

struct Expected {
    const char* label;
    const char* values[4]; // columns 1..4
};

// The newest draw is 1 3 1 of issue 2012358 on 2012-05-20, after 1 1 2. Values worked out by hand.
const Expected kExpected[ParameterReferenceModel::kRows] = {
    {"号码", {"1", "3", "1", ""}},
    {"大小", {"0", "0", "0", ""}},
    {"单双", {"1", "1", "1", ""}},
    {"除5余数", {"1", "3", "1", ""}},
    {"除3余数", {"1", "0", "1", ""}},
    {"五段段数(对应12345段)", {"1", "2", "1", ""}},
    {"平方", {"1", "9", "1", ""}},
    {"互补数", {"8", "6", "8", ""}},
    {"2指数方(2作底值作指数）", {"2", "8", "2", ""}},
    {"立方", {"1", "27", "1", ""}},
    {"除3余N(对应120)个数", {"2", "0", "1", ""}}, // remainders 1, 0, 1: two of 1, none of 2, one of 0
    {"邻号和", {"4", "2", "4", ""}},
    {"邻号差", {"2", "0", "2", ""}},
    {"除5余1", {"", "", "", "2"}},
    {"除5余2", {"", "", "", "0"}},
    {"除5余3", {"", "", "", "1"}},
    {"除5余4", {"", "", "", "0"}},
    {"除5余0", {"", "", "", "0"}},
    {"最大振幅", {"", "", "", "2"}},
    {"质数个", {"", "", "", "1"}},
    {"质数和", {"", "", "", "3"}},
    {"合数个", {"", "", "", "0"}}, // 1 is neither prime nor composite
    {"合数和", {"", "", "", "0"}},
    {"和数", {"", "", "", "5"}},
    {"和个位", {"", "", "", "5"}},
    {"大数个", {"", "", "", "0"}},
    {"大数和", {"", "", "", "0"}},
    {"小数个", {"", "", "", "3"}},
    {"小数和", {"", "", "", "5"}},
    {"奇数个", {"", "", "", "3"}},
    {"奇数和", {"", "", "", "5"}},
    {"偶数个", {"", "", "", "0"}},
    {"偶数和", {"", "", "", "0"}},
    {"数字个数", {"", "", "", "2"}},
    {"同号个数", {"", "", "", "1"}},
    {"总振幅", {"", "", "", "2"}},
    {"连同号", {"", "", "", "0"}},
    {"连顺号", {"", "", "", "0"}},
    {"逆顺号", {"", "", "", "0"}},
    {"重上期号", {"", "", "", "1"}},
    {"同上期数", {"", "", "", "2"}},
    {"期号", {"", "", "", "1"}}, // after sequence 358 the next one is 1
    {"期号合", {"", "", "", "1"}},
    {"上期号", {"", "", "", "358"}},
    {"上期合", {"", "", "", "16"}},
    {"年份", {"", "", "", "2012"}},
    {"年份合", {"", "", "", "5"}},
    {"月份", {"", "", "", "5"}},
    {"月份合", {"", "", "", "5"}},
    {"日期", {"", "", "", "20"}},
    {"日期合", {"", "", "", "2"}},
};

SnapshotPtr knownDraws()
{
    return std::make_shared<HistorySnapshot>(test::snapshotOf({
        {QStringLiteral("2012357"), QStringLiteral("2012-05-19"), QStringLiteral("112")},
        {QStringLiteral("2012358"), QStringLiteral("2012-05-20"), QStringLiteral("131")},
    }));
}

TEST(ParameterReferenceView, ShowsEveryParameterOfTheNewestDrawUnderItsLabel)
{
    ParameterReferenceView view;
    QAbstractItemModelTester tester(view.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_EQ(view.windowTitle(), "参数对照");
    view.setSnapshot(knownDraws());

    const QAbstractItemModel* model = view.grid()->model();
    ASSERT_EQ(model->rowCount(), 57); // 51 parameter rows, then the 6 words of the language
    ASSERT_EQ(model->columnCount(), 5);
    const QStringList titles = {"", "百位", "十位", "个位", "总位"};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), titles[c]);
    }
    for (int r = 0; r < 51; ++r) {
        const Expected& e = kExpected[r];
        EXPECT_EQ(model->index(r, 0).data().toString(), QString::fromUtf8(e.label)) << "row " << r + 1;
        for (int c = 1; c <= 4; ++c) {
            EXPECT_EQ(model->index(r, c).data().toString(), QString::fromUtf8(e.values[c - 1]))
                << e.label << " column " << c;
        }
    }
    // The words beyond the parameters, each with its example on the newest draw 1 3 1 (the one before: 1 1 2):
    // 上期 its digits; 上上期 and 前3期 none (no draw that far back); 取整(5 * 0.618) = 3; |1 - 1| = 0; 5 \ 3 = 1.
    const std::vector<std::pair<const char*, QStringList>> language = {
        {"上期X", {"1", "1", "2", ""}}, {"上上期X", {"", "", "", ""}},    {"前N期X", {"", "", "", ""}},
        {"取整(x)", {"", "", "", "3"}}, {"绝对值(x)", {"", "", "", "0"}}, {"x\\y", {"", "", "", "1"}},
    };
    for (int i = 0; i < 6; ++i) {
        const int r = 51 + i;
        EXPECT_TRUE(model->index(r, 0).data().toString().startsWith(QString::fromUtf8(language[i].first)))
            << model->index(r, 0).data().toString().toStdString();
        EXPECT_TRUE(model->index(r, 0).data().toString().contains(QStringLiteral("例"))); // an example each
        for (int c = 1; c <= 4; ++c) {
            EXPECT_EQ(model->index(r, c).data().toString(), language[i].second[c - 1])
                << "row " << r << " column " << c;
        }
    }
    EXPECT_GT(view.grid()->columnWidth(0), view.grid()->columnWidth(1));
}

TEST(ParameterReferenceView, EmptyHistoryShowsLabelsOnlyAndANewDrawUpdatesTheValues)
{
    ParameterReferenceView view;
    QAbstractItemModelTester tester(view.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    view.setSnapshot(std::make_shared<HistorySnapshot>());
    EXPECT_EQ(view.model()->index(0, 0).data().toString(), "号码");
    EXPECT_EQ(view.model()->index(0, 1).data().toString(), "");
    EXPECT_EQ(view.model()->index(23, 4).data().toString(), "");

    view.setSnapshot(knownDraws());
    EXPECT_EQ(view.model()->index(23, 4).data().toString(), "5");
}

TEST(ParameterReferenceView, ClickingACellPutsItsTextOnTheClipboard)
{
    ParameterReferenceView view;
    view.setSnapshot(knownDraws());
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTableView* grid = view.grid();

    QApplication::clipboard()->setText(QStringLiteral("old"));
    const QModelIndex cube = grid->model()->index(9, 2); // 立方 of 十位: 27
    grid->scrollTo(cube);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cube).center());
    EXPECT_EQ(QApplication::clipboard()->text(), "27");

    const QModelIndex label = grid->model()->index(5, 0);
    grid->scrollTo(label);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(label).center());
    EXPECT_EQ(QApplication::clipboard()->text(), "五段段数(对应12345段)");
}

TEST(ParameterReferenceView, TheWheelMovesItsGridOneRowPerEventWhileTheGridHasTheFocus)
{
    ParameterReferenceView view;
    view.setSnapshot(knownDraws());
    view.resize(view.width(), 300);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.grid()->setFocus();
    QCoreApplication::processEvents();
    QScrollBar* bar = view.grid()->verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);

    const QPointF at(10, 10);
    QWheelEvent down(at, view.grid()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -360), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.grid()->viewport(), &down);
    EXPECT_EQ(bar->value(), 1);
    QWheelEvent up(at, view.grid()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.grid()->viewport(), &up);
    QApplication::sendEvent(view.grid()->viewport(), &up);
    EXPECT_EQ(bar->value(), 0);
}

} // namespace
} // namespace korvel
