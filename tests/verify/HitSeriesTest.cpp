#include "verify/HitSeries.h"

#include "formula/Expression.h"
#include "tally/TallyTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvel {
namespace {

using test::history;

// 百位 5 1 5 5 0 2 5 5 5 3.
const HistorySnapshot kTen = history({"500", "100", "500", "500", "000", "200", "500", "500", "500", "300"});
const FormulaKind kHundreds{3, Play::Single};

TEST(HitSeries, RollingRatesAndMissRunsCountedByHand)
{
    // Kill 5 at 百位 on every draw: draws 2..10 hit, miss, miss, hit, hit, miss, miss, miss, hit.
    const HitSeries s = hitSeries(kTen, Expression::compile(QStringLiteral("5")), kHundreds, true, 1, 3);
    ASSERT_TRUE(s.evaluable);
    EXPECT_EQ(s.first, 1);
    ASSERT_EQ(s.size(), 9);
    EXPECT_EQ(s.hits, (std::vector<std::uint8_t>{1, 0, 0, 1, 1, 0, 0, 0, 1}));
    EXPECT_EQ(s.hitCount, 4);
    EXPECT_DOUBLE_EQ(s.rate(), 4.0 / 9.0);
    ASSERT_EQ(s.missRuns.size(), 2U);
    EXPECT_EQ(s.missRuns[0].first, 1);
    EXPECT_EQ(s.missRuns[0].length, 2);
    EXPECT_EQ(s.missRuns[1].first, 5);
    EXPECT_EQ(s.missRuns[1].length, 3);
    EXPECT_EQ(s.longestMissRun().first, 5);

    EXPECT_TRUE(std::isnan(s.rollingRate[0]));
    EXPECT_TRUE(std::isnan(s.rollingRate[1]));
    EXPECT_FALSE(s.hasRolling(1));
    const double expected[] = {1.0 / 3, 1.0 / 3, 2.0 / 3, 2.0 / 3, 1.0 / 3, 0.0, 1.0 / 3};
    for (int i = 2; i < 9; ++i) {
        EXPECT_NEAR(s.rollingRate[static_cast<std::size_t>(i)], expected[i - 2], 1e-12) << i;
        EXPECT_NEAR(s.rollingChance[static_cast<std::size_t>(i)], 0.9, 1e-12) << i;
    }
    EXPECT_NEAR(s.meanChance, 0.9, 1e-12);
}

TEST(HitSeries, TheFirstDrawHasNoPredictionAndEachDrawCarriesItsOwnChance)
{
    // From the oldest draw: it has no prediction, a miss whose chance is 0.
    const HitSeries all = hitSeries(kTen, Expression::compile(QStringLiteral("5")), kHundreds, true, 0, 3);
    ASSERT_EQ(all.size(), 10);
    EXPECT_EQ(all.hits[0], 0);
    EXPECT_EQ(all.chance[0], 0.0);
    ASSERT_EQ(all.missRuns.size(), 3U);
    EXPECT_EQ(all.missRuns[0].length, 1);
    EXPECT_NEAR(all.rollingChance[2], (0.0 + 0.9 + 0.9) / 3, 1e-12);
    EXPECT_NEAR(all.meanChance, 0.81, 1e-12);

    // L1A - 5: 5 names 0 (chance 0.9), any smaller digit a negative remainder that always hits a kill.
    const HitSeries neg = hitSeries(kTen, Expression::compile(QStringLiteral("L1A-5")), kHundreds, true, 1, 30);
    EXPECT_DOUBLE_EQ(neg.chance[0], 0.9);                                       // predicted from 5
    EXPECT_DOUBLE_EQ(neg.chance[1], 1.0);                                       // predicted from 1
    EXPECT_TRUE(neg.rollingRate.size() == 9 && std::isnan(neg.rollingRate[8])); // window shorter than 30

    // Keep on 十位通选: a named digit shows at 十位 or 个位 with chance 0.19.
    const HitSeries keep =
        hitSeries(kTen, Expression::compile(QStringLiteral("L2A")), FormulaKind{2, Play::Group}, false, 1, 3);
    EXPECT_NEAR(keep.meanChance, 0.19, 1e-12);
    EXPECT_EQ(keep.hitCount, 9); // every draw is x00 and L2A names 0
}

TEST(HitSeries, UnevaluableFormulaAndEmptyHistory)
{
    const HitSeries bad = hitSeries(kTen, Expression::compile(QStringLiteral("L1A+")), kHundreds, true, 1);
    EXPECT_FALSE(bad.evaluable);
    EXPECT_FALSE(bad.error.isEmpty());
    EXPECT_TRUE(bad.empty());

    const HitSeries none = hitSeries(HistorySnapshot{}, Expression::compile(QStringLiteral("L1A")), kHundreds, true, 0);
    EXPECT_TRUE(none.evaluable);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.rate(), 0.0);
    EXPECT_EQ(none.longestMissRun().length, 0);
}

} // namespace
} // namespace korvel
