#include "verify/FormulaFigures.h"

#include "formula/Expression.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

std::vector<std::uint8_t> pattern(const char* hm) // 'h' hit, 'm' miss, oldest first
{
    std::vector<std::uint8_t> v;
    for (const char* c = hm; *c; ++c) {
        v.push_back(*c == 'h');
    }
    return v;
}

TEST(FormulaFigures, RateTextIsThePrintfFormOfEveryRate)
{
    const auto reference = [](const FormulaStats& s) {
        return QString::asprintf("%07.4f%% (%lld/%lld)", static_cast<double>(s.rate), static_cast<long long>(s.hitSum),
                                 static_cast<long long>(s.total));
    };
    FormulaStats s;
    for (std::int64_t total : {1LL, 7LL, 91LL, 300LL, 45150LL, 9045050LL, 155772147060LL}) {
        for (std::int64_t k = 0; k <= 60; ++k) {
            s.total = total;
            s.hitSum = total * k / 60;
            s.rate = static_cast<float>(static_cast<double>(s.hitSum) / static_cast<double>(total) * 100.0);
            ASSERT_EQ(rateText(s), reference(s)) << s.hitSum << "/" << total;
        }
    }
    s.hitSum = 91;
    s.total = 91;
    s.rate = 100.0f;
    EXPECT_EQ(rateText(s), QStringLiteral("100.0000% (91/91)"));
    s.rate = 0.00004f; // rounds down to zero, padded to seven characters
    EXPECT_EQ(rateText(s), QStringLiteral("00.0000% (91/91)"));
    // Exact halves round up, as Qt writes them.
    s.hitSum = 7826795;
    s.total = 9045050;
    s.rate = static_cast<float>(7826795.0 / 9045050.0 * 100.0); // 86.53125 exactly
    EXPECT_EQ(rateText(s), QStringLiteral("86.5313% (7826795/9045050)"));
    s.hitSum = 1;
    s.total = 3200;
    s.rate = 0.03125f;
    EXPECT_EQ(rateText(s), QStringLiteral("00.0313% (1/3200)"));
    s.rate = 99.99995f; // not a half: the float lies below it
    EXPECT_EQ(rateText(s), reference(s));
    s.hitSum = 91;
    s.total = 91;
    s.rate = -1.5f; // a rate stored from outside
    EXPECT_EQ(rateText(s), QStringLiteral("-1.5000% (91/91)"));
}

TEST(FormulaFigures, WeightedAndPlainRates)
{
    FormulaFigures f = formulaFigures(pattern("mhhm"), true);
    EXPECT_EQ(f.stats.total, 30);
    EXPECT_EQ(f.stats.hitSum, 13);
    EXPECT_EQ(rateText(f.stats), QStringLiteral("43.3333% (13/30)"));
    EXPECT_EQ(f.stats.trueLst, 0);
    EXPECT_EQ(f.stats.errLst, 1);
    f = formulaFigures(pattern("mhhm"), false);
    EXPECT_EQ(rateText(f.stats), QStringLiteral("50.0000% (2/4)"));

    f = formulaFigures(pattern("hhmhhh"), false);
    EXPECT_EQ(f.stats.trueCon, 3);
    EXPECT_EQ(f.stats.errCon, 1);
    EXPECT_EQ(f.stats.trueLst, 3);
    EXPECT_EQ(f.stats.errLst, 0);
    EXPECT_EQ(rateText(f.stats), QStringLiteral("83.3333% (5/6)"));
    f = formulaFigures(pattern("hhmhhh"), true);
    EXPECT_EQ(rateText(f.stats), QStringLiteral("90.1099% (82/91)"));
    EXPECT_FLOAT_EQ(f.stats.rate, static_cast<float>(8200.0 / 91.0));

    f = formulaFigures(pattern("hmmmmmmmmmmmmmmmmmmm"), false);
    EXPECT_EQ(rateText(f.stats), QStringLiteral("05.0000% (1/20)"));
    EXPECT_EQ(f.stats.errCon, 19);
    EXPECT_EQ(f.stats.errLst, 19);
    EXPECT_EQ(f.stats.trueCon, 1);

    std::vector<std::uint8_t> twoThirds;
    for (int i = 0; i < 300; ++i) {
        twoThirds.push_back(i % 3 != 0);
    }
    f = formulaFigures(twoThirds, false);
    EXPECT_EQ(rateText(f.stats), QStringLiteral("66.6667% (200/300)"));
    EXPECT_EQ(rateText(formulaFigures(pattern("hh"), false).stats), QStringLiteral("100.0000% (2/2)"));
    EXPECT_EQ(rateText(formulaFigures(pattern("mm"), false).stats), QStringLiteral("00.0000% (0/2)"));
}

TEST(FormulaFigures, EmptyWindowKeepsTheRate)
{
    const FormulaFigures f = formulaFigures({}, true, 42.5f);
    EXPECT_TRUE(f.windowEmpty);
    EXPECT_EQ(f.stats.total, 0);
    EXPECT_EQ(f.stats.rate, 42.5f);
    EXPECT_EQ(f.stats.trueLst, 0);
    EXPECT_EQ(f.stats.errLst, 0);
    EXPECT_FALSE(formulaFigures(pattern("m"), true).windowEmpty);
}

TEST(FormulaFigures, LongWindowsDoNotOverflow)
{
    // 40 000 hits: the weighted total is far beyond 32 bits and the run beyond 16 bits.
    const std::vector<std::uint8_t> hits(40000, 1);
    const FormulaFigures f = formulaFigures(hits, true);
    const std::int64_t n = 40000;
    EXPECT_EQ(f.stats.total, n * (n + 1) * (2 * n + 1) / 6);
    EXPECT_EQ(f.stats.hitSum, f.stats.total);
    EXPECT_EQ(f.stats.rate, 100.0f);
    EXPECT_EQ(f.stats.trueCon, 32767);
    EXPECT_EQ(f.stats.trueLst, 32767);
}

TEST(FormulaFigures, WindowsOverRealDraws)
{
    const auto draws = test::loadDraws(QStringLiteral("fc3d_draws.tsv"));
    const HistorySnapshot all = test::snapshotOf(draws);
    const HistorySnapshot first150 = test::snapshotOf({draws.begin(), draws.begin() + 150});
    const HistorySnapshot first1000 = test::snapshotOf({draws.begin(), draws.begin() + 1000});
    // -1 predicts a negative remainder: a kill hits on every draw that has a prediction, a keep never.
    const Expression always = Expression::compile(QStringLiteral("-1"));
    const FormulaKind k3D{3, Play::Single};
    auto figures = [&](const HistorySnapshot& s, int window, bool excludeCurrent, bool weighted, bool kill = true) {
        return formulaFigures(s, always, k3D, kill, FigureSettings{window, excludeCurrent, weighted}).stats;
    };
    // 150 draws, window 300: the first draw is counted, as a miss.
    EXPECT_EQ(rateText(figures(first150, 300, true, false)), QStringLiteral("99.3333% (149/150)"));
    EXPECT_EQ(figures(first150, 300, false, false).total, 150);
    // 1000 draws, window 300: 300 counted with SyBq, 301 without.
    EXPECT_EQ(rateText(figures(first1000, 300, true, false)), QStringLiteral("100.0000% (300/300)"));
    EXPECT_EQ(rateText(figures(first1000, 300, false, false)), QStringLiteral("100.0000% (301/301)"));
    EXPECT_EQ(rateText(figures(first1000, 300, true, false, false)), QStringLiteral("00.0000% (0/300)"));
    // All draws weighted: sum of j*j for j = 1..7759, beyond 32 bits.
    const FormulaStats s = figures(all, 0, true, true);
    EXPECT_EQ(s.total, 155732751160LL);
    EXPECT_EQ(s.hitSum, 155732751160LL);
    EXPECT_EQ(s.trueCon, 7759);
    EXPECT_TRUE(s.evaluable);

    // A formula that cannot be computed: every draw a miss, and flagged.
    const FormulaFigures bad =
        formulaFigures(all, Expression::compile(QStringLiteral("LTW+1")), k3D, true, FigureSettings{300, true, false});
    EXPECT_FALSE(bad.stats.evaluable);
    EXPECT_EQ(rateText(bad.stats), QStringLiteral("00.0000% (0/300)"));
    EXPECT_EQ(bad.stats.errLst, 300);
}

} // namespace
} // namespace korvel
