#include "bets/BetBacktest.h"
#include "history/Param.h"
#include "support/SyntheticHistory.h"
#include "tally/TallyTestSupport.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

BacktestFormulaSource unitsFormulas(std::vector<Formula> list)
{
    return fixedFormulaSource([list](const FormulaKind& kind, bool kill) {
        std::vector<Formula> out;
        for (const Formula& f : list) {
            if (kind == FormulaKind{1, Play::Single} && f.kill == kill) {
                out.push_back(f);
            }
        }
        return out;
    });
}

const TallySelection everyFormula = [](const FormulaKind&, int) { return true; };

BacktestRequest request(int position, bool kill, int draws)
{
    BacktestRequest r;
    r.choice.position = position;
    r.choice.kill = kill;
    r.choice.method = TallyMethod::Selected;
    r.draws = draws;
    return r;
}

TEST(BetBacktest, KeepingEveryDigitReturnsExactlyTheChanceShare)
{
    // No kill formula: every digit of every position is kept, 1 000 bets a draw, one of which wins.
    const HistorySnapshot h = test::syntheticHistory(80, 5, false);
    const BetBacktestResult r = runBetBacktest(h, request(3, true, 50), unitsFormulas({}), everyFormula, {});
    ASSERT_TRUE(r.done()) << r.message.toStdString();
    ASSERT_EQ(r.draws.size(), 50u);
    EXPECT_EQ(r.bets, 50'000);
    EXPECT_DOUBLE_EQ(r.cost, 100'000.0);
    EXPECT_DOUBLE_EQ(r.winnings, 52'000.0);
    EXPECT_DOUBLE_EQ(r.returnRate, 0.52);
    EXPECT_DOUBLE_EQ(r.chanceReturn, 0.52);
    EXPECT_NEAR(r.low, 0.52, 1e-9);
    EXPECT_NEAR(r.high, 0.52, 1e-9);
    EXPECT_TRUE(r.holdsChance);
    EXPECT_EQ(r.wins, 50);
    EXPECT_DOUBLE_EQ(r.draws.back().cumulativeNet, -48'000.0);
    EXPECT_DOUBLE_EQ(r.draws.front().net, 1040.0 - 2000.0);
}

TEST(BetBacktest, FiltersCutEveryStepsList)
{
    // 和值 10, 11, 12: 63 + 69 + 73 numbers of the 1 000.
    BetBacktestSettings s;
    s.filters.sum.on = true;
    s.filters.sum.values.set(10).set(11).set(12);
    const HistorySnapshot h = test::syntheticHistory(40, 9, false);
    const BetBacktestResult r = runBetBacktest(h, request(3, true, 20), unitsFormulas({}), everyFormula, s);
    ASSERT_TRUE(r.done());
    for (const BetBacktestDraw& d : r.draws) {
        EXPECT_EQ(d.bets, 205);
        const int sum = d.drawn / 100 + d.drawn / 10 % 10 + d.drawn % 10;
        EXPECT_EQ(d.winnings, sum >= 10 && sum <= 12 ? 1040.0 : 0.0) << d.issue.toStdString();
    }
    EXPECT_NEAR(r.chanceReturn, 0.52, 1e-12);
}

// How often the 个位 of a draw equals (百位 of the draw before + 3) mod 10 among the newest `draws` rows.
int plantedHits(const HistorySnapshot& h, int draws)
{
    int hits = 0;
    for (int r = h.size() - draws; r < h.size(); ++r) {
        hits += h.value(r, Param::L3A) == (h.value(r - 1, Param::L1A) + 3) % 10 ? 1 : 0;
    }
    return hits;
}

TEST(BetBacktest, AMethodThatKnowsThePatternBeatsChanceAndRandomDigitsDoNot)
{
    // Keep L1A + 3 at 个位; 十位 and 百位 are not tallied and keep all ten: 100 bets a draw.
    const auto formulas = unitsFormulas({test::formula(1, "L1A+3", false)});
    const HistorySnapshot planted = test::syntheticHistory(400, 3, true);
    const BetBacktestResult win = runBetBacktest(planted, request(1, false, 100), formulas, everyFormula, {});
    ASSERT_TRUE(win.done()) << win.message.toStdString();
    EXPECT_EQ(win.bets, 100 * 100);
    EXPECT_EQ(win.wins, 100);
    EXPECT_DOUBLE_EQ(win.returnRate, 1040.0 / 200.0);
    EXPECT_GT(win.low, 0.52);
    EXPECT_FALSE(win.holdsChance);
    EXPECT_TRUE(win.verdict().contains(QStringLiteral("胜过随机")));

    // On random digits the same method wins when 个位 happens to be that digit, one draw in ten: the return
    // is what those wins pay, and its interval holds the chance 52 % about 19 times in 20.
    int held = 0;
    for (unsigned seed = 1; seed <= 10; ++seed) {
        const HistorySnapshot random = test::syntheticHistory(400, seed, false);
        const BetBacktestResult chance = runBetBacktest(random, request(1, false, 100), formulas, everyFormula, {});
        ASSERT_TRUE(chance.done());
        const int hits = plantedHits(random, 100);
        EXPECT_EQ(chance.wins, hits);
        EXPECT_DOUBLE_EQ(chance.returnRate, hits * 1040.0 / 20'000.0);
        EXPECT_DOUBLE_EQ(chance.chanceReturn, 0.52);
        // Chance spreads 100 draws of 100 bets by 1.96 x sqrt(100 x 97 344) / 20 000 = 0.306 each way.
        EXPECT_NEAR(chance.high - chance.returnRate, 0.3058, 1e-3);
        EXPECT_EQ(chance.holdsChance, chance.verdict().contains(QStringLiteral("没有胜过随机")));
        held += chance.holdsChance ? 1 : 0;
    }
    EXPECT_GE(held, 8);
}

TEST(BetBacktest, BadInputIsRefusedWithAReason)
{
    const HistorySnapshot empty;
    const BetBacktestResult none = checkBetBacktest(empty, request(3, true, 10), {});
    EXPECT_FALSE(none.done());
    EXPECT_TRUE(none.message.contains(QStringLiteral("没有历史号码")));

    BetBacktestSettings zero;
    zero.prizes.group3 = 0;
    const HistorySnapshot h = test::syntheticHistory(30, 1, false);
    const BetBacktestResult prize = checkBetBacktest(h, request(3, true, 10), zero);
    EXPECT_FALSE(prize.done());
    EXPECT_TRUE(prize.message.contains(QStringLiteral("组三"))) << prize.message.toStdString();

    EXPECT_FALSE(checkBetBacktest(h, request(3, true, 30), {}).done()); // 30 draws need 31

    // A step whose tally keeps nothing bets nothing that draw and says why.
    BetBacktestSettings s;
    s.keep[0] = std::bitset<10>();
    const BetBacktestResult idle = runBetBacktest(h, request(1, true, 5), unitsFormulas({}), everyFormula, s);
    ASSERT_TRUE(idle.done());
    EXPECT_EQ(idle.emptyDraws, 5);
    EXPECT_EQ(idle.cost, 0.0);
    EXPECT_TRUE(idle.draws[0].problem.startsWith(QStringLiteral("百位")));
}

} // namespace
} // namespace korvel
