#include "history/TrendFigures.h"

#include "support/TestData.h"
#include "tally/TallyTestSupport.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::history;

// 百位 5 1 5 0 2 5 (5 on the first and the last row, 9 never), 十位 8 2 7 6 2 1, 个位 3 9 0 6 0 3.
const HistorySnapshot kSix = history({"583", "129", "570", "066", "220", "513"});

std::vector<int> omissions(const TrendFigures& t, int position, int digit)
{
    std::vector<int> out;
    for (int r = 0; r < t.rowCount(); ++r) {
        out.push_back(t.omission(r, position, digit));
    }
    return out;
}

TEST(TrendFigures, OmissionCountsAndSummariesOverTheWholeHistory)
{
    const TrendFigures t(kSix, 0);
    ASSERT_EQ(t.rowCount(), 6);
    EXPECT_EQ(t.firstDraw(), 0);
    EXPECT_EQ(t.issue(5), "2007006");
    EXPECT_EQ(t.digit(3, 0), 0);
    EXPECT_EQ(t.digit(3, 2), 6);

    // 百位 5: drawn on rows 0, 2, 5.
    EXPECT_EQ(omissions(t, 0, 5), (std::vector<int>{0, 1, 0, 1, 2, 0}));
    // 百位 9 never shows: it counts from the oldest draw.
    EXPECT_EQ(omissions(t, 0, 9), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(omissions(t, 0, 1), (std::vector<int>{1, 0, 1, 2, 3, 4}));
    // 个位 0 on rows 2 and 4.
    EXPECT_EQ(omissions(t, 2, 0), (std::vector<int>{1, 2, 0, 1, 0, 1}));

    const TrendFigures::Summary& hundreds = t.summary(0);
    EXPECT_EQ(hundreds.count[5], 3);
    EXPECT_EQ(hundreds.maxOmission[5], 2);
    EXPECT_EQ(hundreds.currentOmission[5], 0);
    EXPECT_DOUBLE_EQ(hundreds.meanOmission[5], 3.0 / 4.0); // 3 rows without it in 4 stretches
    EXPECT_EQ(hundreds.count[9], 0);
    EXPECT_EQ(hundreds.maxOmission[9], 6);
    EXPECT_EQ(hundreds.currentOmission[9], 6);
    EXPECT_DOUBLE_EQ(hundreds.meanOmission[9], 6.0);
    EXPECT_EQ(hundreds.count[1], 1);
    EXPECT_EQ(hundreds.maxOmission[1], 4);
    EXPECT_DOUBLE_EQ(hundreds.meanOmission[1], 2.5);

    const TrendFigures::Summary& units = t.summary(2);
    EXPECT_EQ(units.count[0], 2);
    EXPECT_EQ(units.maxOmission[0], 2);
    EXPECT_EQ(units.currentOmission[0], 1);
    EXPECT_DOUBLE_EQ(units.meanOmission[0], 4.0 / 3.0);
    EXPECT_EQ(units.count[3], 2); // first and last row
    EXPECT_EQ(units.currentOmission[3], 0);
    EXPECT_EQ(units.maxOmission[3], 4); // rows 1..4 between

    // Every row has exactly one digit drawn per position.
    for (int p = 0; p < 3; ++p) {
        int appearances = 0;
        for (int d = 0; d < 10; ++d) {
            appearances += t.summary(p).count[static_cast<std::size_t>(d)];
        }
        EXPECT_EQ(appearances, 6) << p;
    }
}

TEST(TrendFigures, TheNewestRowsCarryTheirCountsInAndSummariseOnlyThemselves)
{
    const TrendFigures t(kSix, 3); // rows 066, 220, 513
    ASSERT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.firstDraw(), 3);
    EXPECT_EQ(t.issue(0), "2007004");
    // 百位 1 was drawn on the second draw of the history: the first row shown carries 2.
    EXPECT_EQ(omissions(t, 0, 1), (std::vector<int>{2, 3, 4}));
    const TrendFigures::Summary& hundreds = t.summary(0);
    EXPECT_EQ(hundreds.count[1], 0);
    EXPECT_EQ(hundreds.maxOmission[1], 4);
    EXPECT_EQ(hundreds.currentOmission[1], 4);
    EXPECT_DOUBLE_EQ(hundreds.meanOmission[1], 3.0);
    EXPECT_EQ(hundreds.count[5], 1);
    EXPECT_EQ(hundreds.maxOmission[5], 2);
    EXPECT_DOUBLE_EQ(hundreds.meanOmission[5], 1.0);
    EXPECT_EQ(hundreds.maxOmission[9], 6);

    // More rows asked for than there are: all of them.
    EXPECT_EQ(TrendFigures(kSix, 300).rowCount(), 6);
}

TEST(TrendFigures, SumSpanAndRatios)
{
    const TrendFigures t(kSix, 0);
    EXPECT_EQ(t.sum(0), 16);
    EXPECT_EQ(t.span(0), 5);
    EXPECT_EQ(t.oddEvenText(0), "2:1");
    EXPECT_EQ(t.bigSmallText(0), "2:1");
    EXPECT_EQ(t.sum(3), 12);
    EXPECT_EQ(t.span(3), 6);
    EXPECT_EQ(t.oddEvenText(3), "0:3");
    EXPECT_EQ(t.bigSmallText(3), "2:1");
    EXPECT_EQ(t.sum(4), 4);
    EXPECT_EQ(t.span(4), 2);
    EXPECT_EQ(t.bigSmallText(4), "0:3");
    EXPECT_EQ(t.oddEvenText(5), "3:0"); // 5 1 3
}

TEST(TrendFigures, EmptyHistoryAndOneDraw)
{
    const TrendFigures none(HistorySnapshot{}, 30);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.summary(1).count[0], 0);
    EXPECT_EQ(none.summary(1).meanOmission[0], 0.0);

    const TrendFigures one(history({"407"}), 30);
    ASSERT_EQ(one.rowCount(), 1);
    EXPECT_EQ(one.omission(0, 0, 4), 0);
    EXPECT_EQ(one.omission(0, 0, 3), 1);
    EXPECT_EQ(one.summary(0).count[4], 1);
    EXPECT_DOUBLE_EQ(one.summary(0).meanOmission[4], 0.0);
    EXPECT_DOUBLE_EQ(one.summary(0).meanOmission[3], 1.0);
    EXPECT_EQ(one.summary(2).currentOmission[7], 0);
}

TEST(TrendFigures, RealHistoryCountsAgreeWithTheDigits)
{
    const HistorySnapshot snap = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv")));
    const TrendFigures t(snap, 100);
    ASSERT_EQ(t.rowCount(), 100);
    for (int r = 1; r < t.rowCount(); ++r) {
        for (int p = 0; p < 3; ++p) {
            for (int d = 0; d < 10; ++d) {
                const int now = t.omission(r, p, d);
                // Zero exactly where drawn; otherwise one more than on the row before.
                if (t.digit(r, p) == d) {
                    ASSERT_EQ(now, 0);
                } else {
                    ASSERT_EQ(now, t.omission(r - 1, p, d) + 1);
                }
            }
        }
    }
}

TEST(TrendFigures, ShapeBlocksCountTheirOmissionsLikeTheDigits)
{
    // 583 129 570 组六, 066 220 组三, 513 组六.
    const TrendFigures t(kSix, 0);
    EXPECT_EQ(TrendFigures::shapeBlockName(0), QStringLiteral("组选形态"));
    EXPECT_EQ(TrendFigures::shapeBlockName(1), QStringLiteral("百位012路"));
    EXPECT_EQ(TrendFigures::shapeBlockName(6), QStringLiteral("个位大中小"));
    EXPECT_EQ(TrendFigures::shapeValueName(0, 1), QStringLiteral("组三"));
    EXPECT_EQ(TrendFigures::shapeValueName(4, 0), QStringLiteral("大"));
    const int pairOmission[6] = {1, 2, 3, 0, 0, 1};
    const int distinctOmission[6] = {0, 0, 0, 1, 2, 0};
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(t.shapeOmission(r, 0, 0), r + 1) << r; // no 豹子 at all
        EXPECT_EQ(t.shapeOmission(r, 0, 1), pairOmission[r]) << r;
        EXPECT_EQ(t.shapeOmission(r, 0, 2), distinctOmission[r]) << r;
    }
    EXPECT_EQ(t.shape(3, 0), 1);
    // 百位 5 1 5 0 2 5: roads 2 1 2 0 2 2.
    const int road0[6] = {1, 2, 3, 0, 1, 2};
    const int road1[6] = {1, 0, 1, 2, 3, 4};
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(t.shapeOmission(r, 1, 0), road0[r]) << r;
        EXPECT_EQ(t.shapeOmission(r, 1, 1), road1[r]) << r;
    }
    // 个位 3 9 0 6 0 3: 中 大 小 中 小 中; 大 shows once, on the second draw.
    EXPECT_EQ(t.shape(1, 6), 0);
    EXPECT_EQ(t.shapeOmission(5, 6, 0), 4);
    EXPECT_EQ(t.shapeOmission(5, 6, 1), 0);
    // 组三 over the six rows: twice, longest gap 3, now 1, mean (6 - 2) / 3.
    const TrendFigures::Summary& pair = t.shapeSummary(0);
    EXPECT_EQ(pair.count[1], 2);
    EXPECT_EQ(pair.maxOmission[1], 3);
    EXPECT_EQ(pair.currentOmission[1], 1);
    EXPECT_DOUBLE_EQ(pair.meanOmission[1], 4.0 / 3.0);
    EXPECT_EQ(pair.count[0], 0);
    EXPECT_DOUBLE_EQ(pair.meanOmission[0], 6.0);
}

} // namespace
} // namespace korvel
