#include "tally/RankHistogram.h"

#include "tally/HistoryRanking.h"
#include "tally/TallyTestSupport.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::formula;
using test::history;

TEST(RankHistogram, CountsTheRanksOfTheDrawnDigitsByHand)
{
    // Rankings (kill L1A and L3A+1) of 583, 129, 470 as in the ranking tests:
    //   {0 1 2 3 6 7 8 9 4 5}, {2 3 4 5 6 7 8 9 0 1}, {0 2 3 5 6 7 8 9 1 4}.
    const HistorySnapshot four = history({"583", "129", "470", "066"});
    const std::vector<Formula> f = {formula(1, "L1A"), formula(2, "L3A+1")};
    const RankingRun run = computeHistoryRanking(four, f, true);
    ASSERT_TRUE(run.complete);

    // 百位单选: 1 at rank 2, 4 at rank 3, 0 at rank 1.
    const RankHistogram single = rankHistogram(RankingList(run.store, 3, Play::Single));
    EXPECT_EQ(single.rows, 3);
    EXPECT_EQ(single.counts, (std::array<int, 10>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(single.judgedPositions, 1);
    EXPECT_DOUBLE_EQ(single.chancePerRank, 0.3);

    // 百位通选: 129 at ranks 2, 3, 8; 470 at 3, 6, 9; 066 at 1 and 5 (6 twice, one rank).
    const RankHistogram group = rankHistogram(RankingList(run.store, 3, Play::Group));
    EXPECT_EQ(group.counts, (std::array<int, 10>{1, 1, 2, 0, 1, 1, 0, 1, 1, 0}));
    EXPECT_EQ(group.total(), 8);
    EXPECT_EQ(group.judgedPositions, 3);
    EXPECT_NEAR(group.chancePerRank, 3 * 0.271, 1e-12);

    // 十位通选 judges 十位 and 个位: 2 and 9, 7 and 0, 6 (twice).
    const RankHistogram tens = rankHistogram(RankingList(run.store, 2, Play::Group));
    EXPECT_EQ(tens.total(), 5);
    EXPECT_NEAR(tens.chancePerRank, 3 * 0.19, 1e-12);

    // One draw: the list has no rows, nothing is counted.
    const RankingRun one = computeHistoryRanking(history({"583"}), f, true);
    const RankHistogram empty = rankHistogram(RankingList(one.store, 3, Play::Single));
    EXPECT_EQ(empty.rows, 0);
    EXPECT_EQ(empty.total(), 0);
    EXPECT_EQ(empty.chancePerRank, 0.0);
}

TEST(RankHistogram, EqualsTheRanksTheListShowsOnRealDraws)
{
    const HistorySnapshot snap = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 400));
    const std::vector<Formula> f = {formula(1, "L1A+L2A"), formula(2, "L3A*3+1"), formula(3, "LH"), formula(4, "L1A+7"),
                                    formula(5, "L2A*L3A")};
    const RankingRun run = computeHistoryRanking(snap, f, true);
    ASSERT_TRUE(run.complete);
    for (const auto& [position, play] : {std::pair{1, Play::Single}, std::pair{3, Play::Single},
                                         std::pair{2, Play::Group}, std::pair{3, Play::Group}}) {
        const RankingList list(run.store, position, play);
        const RankHistogram h = rankHistogram(list);
        // The ranks as the view writes them in "排位名次" (column 2), one or more per row.
        std::array<int, 10> fromText{};
        for (int r = 0; r < list.rowCount(); ++r) {
            for (const QString& rank : list.cellText(r, 2).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                ++fromText[static_cast<std::size_t>(rank.toInt() - 1)];
            }
        }
        EXPECT_EQ(h.counts, fromText) << position;
        EXPECT_EQ(h.rows, 399);
        if (play == Play::Single) {
            EXPECT_EQ(h.total(), 399); // exactly one rank per row
        }
    }
}

} // namespace
} // namespace korvel
