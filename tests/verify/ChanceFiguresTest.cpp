#include "verify/ChanceFigures.h"

#include "formula/Expression.h"
#include "support/HistoryRows.h"
#include "support/TestData.h"
#include "verify/FormulaFigures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvel {
namespace {

const FormulaKind k1D{1, Play::Single}; // 个位 single: judged on the third digit
const FormulaKind k2G{2, Play::Group};  // 十位通选: judged on 十位 and 个位
const FormulaKind k3G{3, Play::Group};  // 百位通选: judged on all three

// Five draws; "L1A-5" carries -4, 2, -1, -5 to draws 2..5 (百位 1, 7, 4, 0, 9): three values name no
// digit and one names 2, which is absent from 个位 6 and from 456 of the third draw.
HistorySnapshot fiveDraws()
{
    return test::snapshotOf(
        test::draws({{QStringLiteral("2024001"), QStringLiteral("2024-01-01"), QStringLiteral("123")},
                     {QStringLiteral("2024002"), QStringLiteral("2024-01-02"), QStringLiteral("789")},
                     {QStringLiteral("2024003"), QStringLiteral("2024-01-03"), QStringLiteral("456")},
                     {QStringLiteral("2024004"), QStringLiteral("2024-01-04"), QStringLiteral("012")},
                     {QStringLiteral("2024005"), QStringLiteral("2024-01-05"), QStringLiteral("999")}}));
}

ChanceFigures onFiveDraws(const FormulaKind& kind, bool kill, int window, bool weighted)
{
    static const HistorySnapshot s = fiveDraws();
    const Expression e = Expression::compile(QStringLiteral("L1A-5"));
    const int start = evaluationWindowStart(s.size(), window, true);
    const FormulaEvaluation eval = EvaluateFormula(s, e, kind, kill, start);
    return chanceFigures(eval, start, kind, kill, weighted);
}

TEST(ChanceFigures, BaselinePerHitRuleWithNegativeValues)
{
    // All draws: draws 2..5 carry no-digit, digit, no-digit, no-digit. Chances for a named digit are
    // 0.9 / 0.81 / 0.729 (kill) and 0.1 / 0.19 / 0.271 (keep); no digit is 1 for kill, 0 for keep.
    struct Case {
        FormulaKind kind;
        bool kill;
        double plain;    // (3 * noDigit + named) / 4
        double weighted; // weights 1, 4, 9, 16
    };
    const Case cases[] = {
        {k1D, true, 3.9 / 4 * 100, (1 + 4 * 0.9 + 9 + 16) / 30.0 * 100},
        {k2G, true, 3.81 / 4 * 100, (1 + 4 * 0.81 + 9 + 16) / 30.0 * 100},
        {k3G, true, 3.729 / 4 * 100, (1 + 4 * 0.729 + 9 + 16) / 30.0 * 100},
        {k1D, false, 0.1 / 4 * 100, 4 * 0.1 / 30.0 * 100},
        {k2G, false, 0.19 / 4 * 100, 4 * 0.19 / 30.0 * 100},
        {k3G, false, 0.271 / 4 * 100, 4 * 0.271 / 30.0 * 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "position " << c.kind.position << " kill " << c.kill);
        const ChanceFigures plain = onFiveDraws(c.kind, c.kill, 0, false);
        EXPECT_EQ(plain.draws, 4);
        EXPECT_EQ(plain.named, 1);
        EXPECT_EQ(plain.noDigit, 3);
        EXPECT_FALSE(plain.windowEmpty);
        EXPECT_NEAR(plain.baseline, c.plain, 1e-9);
        EXPECT_NEAR(onFiveDraws(c.kind, c.kill, 0, true).baseline, c.weighted, 1e-9);
    }
    EXPECT_EQ(baselineText(onFiveDraws(k1D, true, 0, false)), QStringLiteral("97.5000%"));
    EXPECT_EQ(baselineText(onFiveDraws(k1D, false, 0, false)), QStringLiteral("02.5000%"));
}

TEST(ChanceFigures, EmptyFirstDrawAndWeightedWindow)
{
    // Window 300 over five draws counts the first draw too: it has no carried value (chance 0).
    const ChanceFigures plain = onFiveDraws(k1D, true, 300, false);
    EXPECT_EQ(plain.draws, 5);
    EXPECT_EQ(plain.named + plain.noDigit, 4);
    EXPECT_NEAR(plain.baseline, 3.9 / 5 * 100, 1e-9);
    // Weights 1, 4, 9, 16, 25 for draws 1..5.
    EXPECT_NEAR(onFiveDraws(k1D, true, 300, true).baseline, (4 + 9 * 0.9 + 16 + 25) / 55.0 * 100, 1e-9);
    // Window 2: the last two draws, both no digit.
    const ChanceFigures two = onFiveDraws(k1D, true, 2, true);
    EXPECT_EQ(two.draws, 2);
    EXPECT_NEAR(two.baseline, 100.0, 1e-9);

    // Empty values fed one by one: chance 0 whatever the rule, with weights 1, 4, 9.
    ChanceCounter c(k3G, true, true);
    c.add(std::nullopt, false);
    c.add(std::int32_t{17}, true); // names 7
    c.add(std::nullopt, false);
    const ChanceFigures f = c.figures();
    EXPECT_EQ(f.draws, 3);
    EXPECT_EQ(f.hits, 1);
    EXPECT_EQ(f.named, 1);
    EXPECT_NEAR(f.baseline, 4 * 0.729 / 14 * 100, 1e-9);
    EXPECT_EQ(excessText(f, 4.0 / 14 * 100), QString::asprintf("%+.4f", (4.0 - 4 * 0.729) / 14 * 100));
}

TEST(ChanceFigures, CountsClassEachDrawAndWeighItsPlace)
{
    // The class of a carried value: none is empty, a negative remainder names no digit; -10 leaves
    // remainder 0 and so names the digit 0.
    EXPECT_EQ(chanceClassOf(std::nullopt), ChanceClass::Empty);
    EXPECT_EQ(chanceClassOf(std::int32_t{-3}), ChanceClass::NoDigit);
    EXPECT_EQ(chanceClassOf(std::int32_t{-10}), ChanceClass::Named);
    EXPECT_EQ(chanceClassOf(std::int32_t{0}), ChanceClass::Named);
    EXPECT_EQ(chanceClassOf(std::int32_t{27}), ChanceClass::Named);

    // Four draws fed oldest first: named (hit), empty, no digit (hit), named. Weights 1, 4, 9, 16.
    for (const bool weighted : {false, true}) {
        SCOPED_TRACE(testing::Message() << "weighted " << weighted);
        ChanceCounts c;
        c.addNext(ChanceClass::Named, true, weighted);
        c.addNext(ChanceClass::Empty, false, weighted);
        c.addNext(ChanceClass::NoDigit, true, weighted);
        c.addNext(ChanceClass::Named, false, weighted);
        EXPECT_EQ(c.draws, 4);
        EXPECT_EQ(c.hits, 2);
        EXPECT_EQ(c.named, 2);
        EXPECT_EQ(c.noDigit, 1);
        EXPECT_EQ(c.weightTotal, weighted ? 30 : 4);
        EXPECT_EQ(c.weightNamed, weighted ? 17 : 2);
        EXPECT_EQ(c.weightNoDigit, weighted ? 9 : 1);
        EXPECT_EQ(ChanceCounts::totalWeight(4, weighted), c.weightTotal);
        // Kill 个位: (0.9 * named weight + 1 * no-digit weight) / total.
        const ChanceFigures f = chanceFiguresFromCounts(k1D, true, c);
        EXPECT_NEAR(f.baseline, weighted ? (17 * 0.9 + 9) / 30 * 100 : (2 * 0.9 + 1) / 4 * 100, 1e-9);
        EXPECT_EQ(f.sureHits(), 1);
        // Keep 百位通选: a value naming no digit never hits, so only the named weight counts.
        EXPECT_NEAR(chanceFiguresFromCounts(k3G, false, c).baseline,
                    weighted ? 17 * 0.271 / 30 * 100 : 2 * 0.271 / 4 * 100, 1e-9);
        EXPECT_EQ(chanceFiguresFromCounts(k3G, false, c).sureHits(), 0);
    }

    // The counter feeds the same counts, whether told the value or its class.
    ChanceCounter byValue(k2G, true, true);
    ChanceCounter byClass(k2G, true, true);
    const std::optional<std::int32_t> values[] = {5, std::nullopt, -4, 13, -20, 0};
    for (const auto& v : values) {
        byValue.add(v, v.has_value());
        byClass.add(chanceClassOf(v), v.has_value());
    }
    EXPECT_EQ(byValue.counts().weightNamed, 1 + 16 + 25 + 36);
    EXPECT_EQ(byValue.counts().weightNoDigit, 9);
    EXPECT_EQ(byClass.counts().weightNamed, byValue.counts().weightNamed);
    EXPECT_EQ(byClass.counts().weightTotal, 91);
    EXPECT_DOUBLE_EQ(byClass.figures().baseline, byValue.figures().baseline);
}

TEST(ChanceFigures, HitsAndSignificanceOnHandMadeDraws)
{
    // Kill 个位, all draws: -4, 2, -1, -5 all hit (2 is absent from 个位 6). Three sure hits; the one named
    // draw hits with 0.9, so P(X >= 4) = 0.9. Keep: no hit, P(X >= 0) = 1.
    const ChanceFigures kill = onFiveDraws(k1D, true, 0, false);
    EXPECT_EQ(kill.hits, 4);
    EXPECT_EQ(kill.sureHits(), 3);
    EXPECT_NEAR(significance(kill).p, 0.9, 1e-12);
    EXPECT_TRUE(significance(kill).exact);
    EXPECT_EQ(significanceText(kill), QStringLiteral("0.9000"));
    EXPECT_NE(significanceToolTip(kill).indexOf(QStringLiteral("精确")), -1);
    const ChanceFigures keep = onFiveDraws(k1D, false, 0, false);
    EXPECT_EQ(keep.hits, 0);
    EXPECT_DOUBLE_EQ(significance(keep).p, 1.0);
}

TEST(ChanceFigures, EmptyWindowShowsDashes)
{
    const ChanceFigures f = ChanceCounter(k1D, true, true).figures();
    EXPECT_TRUE(f.windowEmpty);
    EXPECT_EQ(f.baseline, 0.0);
    EXPECT_EQ(significance(f).p, 1.0);
    EXPECT_EQ(baselineText(f), QStringLiteral("—"));
    EXPECT_EQ(excessText(f, 50.0), QStringLiteral("—"));
    EXPECT_EQ(significanceText(f), QStringLiteral("—"));
}

TEST(ChanceFigures, ExactBinomialTails)
{
    EXPECT_NEAR(binomialTail(3, 0.9, 3), 0.729, 1e-12);
    EXPECT_NEAR(binomialTail(3, 0.9, 2), 0.729 + 3 * 0.081, 1e-12);
    EXPECT_NEAR(binomialTail(3, 0.1, 1), 1 - 0.729, 1e-12);
    EXPECT_NEAR(binomialTail(10, 0.5, 8), 56.0 / 1024, 1e-12);
    EXPECT_NEAR(binomialTail(4, 0.19, 4), std::pow(0.19, 4), 1e-15);
    EXPECT_EQ(binomialTail(5, 0.3, 0), 1.0);
    EXPECT_EQ(binomialTail(5, 0.3, -2), 1.0);
    EXPECT_EQ(binomialTail(5, 0.3, 6), 0.0);
    // Symmetry: P(Bin(1000, 1/2) >= 500) = (1 + C(1000, 500) / 2^1000) / 2, C(1000,500)/2^1000 = 0.02522502.
    EXPECT_NEAR(binomialTail(1000, 0.5, 500), (1 + 0.0252250181) / 2, 1e-9);
    // Far tails do not turn into noise: 1000 kill hits out of 1000 at 0.9 is 0.9^1000.
    EXPECT_NEAR(binomialTail(1000, 0.9, 1000) / std::pow(0.9, 1000), 1.0, 1e-9);
    EXPECT_NEAR(binomialTail(1000, 0.1, 1), 1 - std::pow(0.9, 1000), 1e-12);
}

// Independent reference: the Poisson-binomial law by the textbook dynamic programme over per-draw chances.
double poissonBinomialTail(const std::vector<double>& chances, int k)
{
    std::vector<double> dist{1.0};
    for (const double p : chances) {
        std::vector<double> next(dist.size() + 1, 0.0);
        for (std::size_t i = 0; i < dist.size(); ++i) {
            next[i] += dist[i] * (1 - p);
            next[i + 1] += dist[i] * p;
        }
        dist = std::move(next);
    }
    double tail = 0;
    for (std::size_t i = static_cast<std::size_t>(std::max(k, 0)); i < dist.size(); ++i) {
        tail += dist[i];
    }
    return tail;
}

TEST(ChanceFigures, SignificanceIsThePoissonBinomialOfTheDraws)
{
    // Mixed classes for kill and keep 十位通选: named, no digit and empty draws.
    for (const bool kill : {true, false}) {
        const std::optional<std::int32_t> values[] = {3, -2, std::nullopt, 41, 5, -7, 8, std::nullopt, 12, 6, 0, -10};
        std::vector<double> chances;
        for (const auto& v : values) {
            chances.push_back(chanceOfHit(k2G, kill, v));
        }
        for (int hits = 0; hits <= 12; ++hits) {
            SCOPED_TRACE(testing::Message() << "kill " << kill << " hits " << hits);
            ChanceCounter c(k2G, kill, true);
            int i = 0;
            for (const auto& v : values) {
                c.add(v, i++ < hits);
            }
            EXPECT_NEAR(significance(c.figures()).p, poissonBinomialTail(chances, hits), 1e-12);
        }
    }
}

TEST(ChanceFigures, NormalApproximationAboveAThousandDraws)
{
    // Near n = 1000 the continuity-corrected normal tail stays close to the exact one.
    for (const auto& [p, k] : {std::pair{0.9, 910}, std::pair{0.9, 890}, std::pair{0.729, 750}, std::pair{0.1, 110}}) {
        SCOPED_TRACE(testing::Message() << "p " << p << " k " << k);
        EXPECT_NEAR(binomialTailNormal(1001, p, k), binomialTail(1001, p, k), 0.01);
    }
    const auto fed = [](int n) {
        ChanceCounter c(k1D, true, false);
        for (int i = 0; i < n; ++i) {
            c.add(std::int32_t{i % 10}, i % 10 != 0);
        }
        return c.figures();
    };
    const ChanceFigures at1000 = fed(1000);
    const ChanceFigures at1001 = fed(1001);
    EXPECT_TRUE(significance(at1000).exact);
    EXPECT_FALSE(significance(at1001).exact);
    EXPECT_NE(significanceToolTip(at1001).indexOf(QStringLiteral("正态近似")), -1);
    EXPECT_NEAR(significance(at1000).p, binomialTail(1000, 0.9, 900), 1e-12);
    EXPECT_NEAR(significance(at1001).p, binomialTailNormal(1001, 0.9, at1001.hits), 1e-12);
}

// The continuity correction, a second case, by hand: n = 100, p = 1/2 (mean 50, standard deviation 5). At
// least 60 hits is the normal tail from 59.5, z = (59.5 - 50) / 5 = 1.9, 1 - Φ(1.9) = 0.0287166; without the
// correction it would be 1 - Φ(2) = 0.0227501, with it the wrong way 1 - Φ(2.1) = 0.0178644. At least 50:
// z = -0.1, 0.5398278.
TEST(ChanceFigures, TheNormalTailStartsHalfAHitBelowTheCount)
{
    EXPECT_NEAR(binomialTailNormal(100, 0.5, 60), 0.0287166, 1e-7);
    EXPECT_NEAR(binomialTailNormal(100, 0.5, 50), 0.5398278, 1e-7);
    // The exact tail is close: 0.0284439 and 0.5397946.
    EXPECT_NEAR(binomialTail(100, 0.5, 60), 0.0284439, 1e-7);
    EXPECT_NEAR(binomialTail(100, 0.5, 50), 0.5397946, 1e-7);
}

TEST(ChanceFigures, AgreesWithTheRateOverRealDraws)
{
    const HistorySnapshot s = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 1500));
    const Expression e = Expression::compile(QStringLiteral("L1A+L2A-9"));
    for (const int window : {0, 300, 2000}) {
        for (const bool weighted : {false, true}) {
            SCOPED_TRACE(testing::Message() << "window " << window << " weighted " << weighted);
            const int start = evaluationWindowStart(s.size(), window, true);
            const FormulaEvaluation eval = EvaluateFormula(s, e, k3G, true, start);
            const ChanceFigures f = chanceFigures(eval, start, k3G, true, weighted);
            ChanceCounter c(k3G, true, weighted);
            for (int r = start; r < s.size(); ++r) {
                c.add(eval.carriedValue(r), eval.hit(r));
            }
            const ChanceFigures ref = c.figures();
            EXPECT_EQ(f.draws, ref.draws);
            EXPECT_EQ(f.hits, ref.hits);
            EXPECT_EQ(f.named, ref.named);
            EXPECT_EQ(f.noDigit, ref.noDigit);
            EXPECT_NEAR(f.baseline, ref.baseline, 1e-9);
            EXPECT_GT(f.noDigit, 0);
            const FormulaFigures plain = formulaFigures(eval.hitsFrom(start), false);
            EXPECT_EQ(f.hits, plain.stats.hitSum);
            EXPECT_EQ(f.draws, plain.stats.total);
        }
    }
    // A kill that "hits" because its value is always negative: the baseline equals its rate.
    const int start = evaluationWindowStart(s.size(), 300, true);
    const FormulaEvaluation always = EvaluateFormula(s, Expression::compile(QStringLiteral("-1")), k1D, true, start);
    const ChanceFigures f = chanceFigures(always, start, k1D, true, true);
    const float rate = formulaFigures(always.hitsFrom(start), true).stats.rate;
    EXPECT_NEAR(f.baseline, 100.0, 1e-9);
    EXPECT_NEAR(f.excess(rate), 0.0, 1e-4);
    EXPECT_DOUBLE_EQ(significance(f).p, 1.0);
}

} // namespace
} // namespace korvel
