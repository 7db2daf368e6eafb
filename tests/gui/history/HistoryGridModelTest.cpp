#include "gui/history/HistoryGridModel.h"

#include "support/TestData.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace korvel {
namespace {

SnapshotPtr firstDraws(int n)
{
    return std::make_shared<HistorySnapshot>(test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), n)));
}

// Formula results as the formula list would hand them over.
class FakeFormulaColumns : public HistoryGridExtraColumns {
public:
    explicit FakeFormulaColumns(int count) : m_count(count) {}
    int columnCount() const override { return m_count; }
    QString title(int i) const override { return HistoryGridModel::formulaColumnTitle(i + 1); }
    QString text(int row, int i) const override { return QStringLiteral("%1/%2").arg(row).arg(i); }

private:
    int m_count;
};

struct Highlight {
    int position;
    bool single;
    std::array<bool, 3> blue; // 百位, 十位, 个位
};

TEST(HistoryGridModel, ShowsIssueAndDigitsOfEveryDrawInIssueOrder)
{
    HistoryGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 4);

    model.setSnapshot(firstDraws(3)); // 2004001 070, 2004002 557, 2004003 986
    ASSERT_EQ(model.rowCount(), 3);
    const QStringList titles = {"期号", "百位", "十位", "个位"};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), titles[c]);
    }
    EXPECT_EQ(model.index(0, 0).data().toString(), "2004001");
    EXPECT_EQ(model.index(2, 0).data().toString(), "2004003");
    EXPECT_EQ(model.index(1, 1).data().toString(), "5");
    EXPECT_EQ(model.index(1, 2).data().toString(), "5");
    EXPECT_EQ(model.index(1, 3).data().toString(), "7");
    EXPECT_EQ(model.index(2, 1).data().toString(), "9");
    EXPECT_EQ(model.issueAt(1), "2004002");
    EXPECT_EQ(model.issueAt(3), "");
}

TEST(HistoryGridModel, HighlightsThePredictedDigitColumnsByPositionAndPlay)
{
    HistoryGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    model.setSnapshot(firstDraws(5));
    const Highlight cases[] = {
        {3, true, {true, false, false}},  // 百位单选: its own column only
        {2, true, {false, true, false}},  // 十位单选
        {1, true, {false, false, true}},  // 个位单选
        {3, false, {true, true, true}},   // 百位通选: 百位 and every lower position
        {2, false, {false, true, true}},  // 十位通选
        {1, false, {false, false, true}}, // 个位 with a category play
    };
    for (const Highlight& h : cases) {
        model.setHighlight(h.position, h.single);
        for (int row : {0, 4}) {
            for (int col = 1; col <= 3; ++col) {
                const QModelIndex index = model.index(row, col);
                const bool blue = h.blue[static_cast<std::size_t>(col - 1)];
                SCOPED_TRACE(testing::Message()
                             << "position " << h.position << " single " << h.single << " column " << col);
                EXPECT_EQ(index.data(Qt::ForegroundRole).value<QColor>(), blue ? QColor(0, 0, 255) : QColor(0, 0, 0));
                EXPECT_EQ(index.data(Qt::FontRole).value<QFont>().bold(), blue);
            }
        }
        EXPECT_FALSE(model.index(0, 0).data(Qt::FontRole).value<QFont>().bold());
    }
}

TEST(HistoryGridModel, ReportsDrawsAddedOrRemovedAtTheNewestEndAsRowChanges)
{
    HistoryGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    model.setSnapshot(firstDraws(10));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    model.setSnapshot(firstDraws(11));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 10);
    EXPECT_EQ(inserted[0][2].toInt(), 10);
    EXPECT_EQ(model.index(10, 0).data().toString(), "2004011");

    model.setSnapshot(firstDraws(7));
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 7);
    EXPECT_EQ(removed[0][2].toInt(), 10);
    EXPECT_EQ(reset.count(), 0);

    // Another history altogether (the other game's draws) is a reset.
    model.setSnapshot(
        std::make_shared<HistorySnapshot>(test::snapshotOf(test::loadDraws(QStringLiteral("pl3_draws.tsv"), 9))));
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 9);

    model.setSnapshot(std::make_shared<HistorySnapshot>());
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(HistoryGridModel, FormulaColumnsFollowTheDigitColumnsWithTheirTitles)
{
    EXPECT_EQ(HistoryGridModel::formulaColumnTitle(1), "公式1");
    EXPECT_EQ(HistoryGridModel::formulaColumnTitle(99), "公式99");
    EXPECT_EQ(HistoryGridModel::formulaColumnTitle(100), "式100");
    EXPECT_EQ(HistoryGridModel::formulaColumnTitle(150), "式150");

    HistoryGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    model.setSnapshot(firstDraws(4));
    model.setExtraColumns(std::make_shared<FakeFormulaColumns>(150));
    ASSERT_EQ(model.columnCount(), 154);
    EXPECT_EQ(model.headerData(4, Qt::Horizontal).toString(), "公式1");
    EXPECT_EQ(model.headerData(102, Qt::Horizontal).toString(), "公式99");
    EXPECT_EQ(model.headerData(103, Qt::Horizontal).toString(), "式100");
    EXPECT_EQ(model.headerData(153, Qt::Horizontal).toString(), "式150");
    EXPECT_EQ(model.index(3, 4).data().toString(), "3/0");
    EXPECT_EQ(model.index(3, 3).data().toString(), "1"); // the digit columns stay where they were (2004004 791)

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.refreshExtraColumns();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().column(), 4);
    EXPECT_EQ(changed[0][1].toModelIndex(), model.index(3, 153));

    model.setExtraColumns(nullptr);
    EXPECT_EQ(model.columnCount(), 4);
}

} // namespace
} // namespace korvel
