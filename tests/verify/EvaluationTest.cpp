#include "verify/Evaluation.h"

#include "formula/Expression.h"
#include "history/Param.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

const FormulaKind k1D{1, Play::Single};
const FormulaKind k2D{2, Play::Single};
const FormulaKind k3D{3, Play::Single};
const FormulaKind k2G{2, Play::Group};
const FormulaKind k3G{3, Play::Group};

// A draw of a hand-made history: its digits, and the formula value "LH / LU" it yields (LU = 0 gives an
// empty value).
struct Draw {
    int d1;
    int d2;
    int d3;
    int lh = 0;
    int lu = 1;
};

HistorySnapshot history(const std::vector<Draw>& draws)
{
    HistorySnapshot s;
    int n = 0;
    for (const Draw& d : draws) {
        DrawParams p{};
        p[paramIndex(Param::L1A)] = static_cast<std::int16_t>(d.d1);
        p[paramIndex(Param::L2A)] = static_cast<std::int16_t>(d.d2);
        p[paramIndex(Param::L3A)] = static_cast<std::int16_t>(d.d3);
        p[paramIndex(Param::LH)] = static_cast<std::int16_t>(d.lh);
        p[paramIndex(Param::LU)] = static_cast<std::int16_t>(d.lu);
        s.append(QStringLiteral("2021%1").arg(++n, 3, 10, QLatin1Char('0')), p);
    }
    return s;
}

const Expression& lhOverLu()
{
    static const Expression e = Expression::compile(QStringLiteral("LH / LU"));
    return e;
}

TEST(Evaluation, HitRules)
{
    const struct {
        FormulaKind kind;
        bool kill;
        int lh;
        int lu; // the prediction is lh / lu, read as an integer; lu = 0: empty
        int d1, d2, d3;
        bool hit;
    } cases[] = {
        // single play: only the own position counts
        {k3D, true, 5, 1, 5, 0, 0, false},
        {k3D, true, 5, 1, 4, 5, 5, true},
        {k3D, false, 5, 1, 5, 1, 1, true},
        {k3D, false, 25, 1, 4, 5, 5, false},
        {k2D, true, 7, 1, 1, 7, 1, false},
        {k2D, true, 7, 1, 7, 1, 7, true},
        {k2D, false, 17, 1, 0, 7, 0, true},
        {k1D, true, 3, 1, 0, 0, 3, false},
        {k1D, true, 3, 1, 3, 3, 4, true},
        {k1D, false, 13, 1, 9, 9, 3, true},
        // 十位通选: 十位 or 个位, never 百位
        {k2G, false, 7, 1, 1, 7, 0, true},
        {k2G, false, 7, 1, 0, 0, 7, true},
        {k2G, false, 7, 1, 7, 0, 0, false},
        {k2G, true, 7, 1, 7, 0, 0, true},
        {k2G, true, 7, 1, 0, 7, 0, false},
        // 百位通选: any of the three
        {k3G, true, 2, 1, 2, 0, 0, false},
        {k3G, true, 2, 1, 0, 0, 2, false},
        {k3G, true, 2, 1, 1, 3, 4, true},
        {k3G, false, 2, 1, 0, 2, 0, true},
        {k3G, false, 2, 1, 1, 3, 4, false},
        // a negative value leaves a negative remainder, which equals no digit
        {k3D, true, -3, 1, 3, 3, 3, true},
        {k3D, false, -3, 1, 3, 3, 3, false},
        {k3G, true, -13, 1, 3, 3, 3, true},
        {k2G, false, -13, 1, 3, 3, 3, false},
        // empty: a miss for either sense
        {k3D, true, 5, 0, 1, 1, 1, false},
        {k3D, false, 5, 0, 5, 5, 5, false},
        {k3G, true, 5, 0, 1, 1, 1, false},
        // values are read as integers half to even: 2.5 -> 2, 3.5 -> 4, -2.5 -> -2
        {k3D, false, 5, 2, 2, 0, 0, true},
        {k3D, false, 7, 2, 4, 0, 0, true},
        {k3D, true, -5, 2, 2, 2, 2, true},
        {k1D, false, 25, 2, 0, 0, 2, true}, // 12.5 -> 12
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind.label().toStdString() << (c.kill ? " kill " : " keep ") << c.lh << "/"
                                        << c.lu << " on " << c.d1 << c.d2 << c.d3);
        const HistorySnapshot s = history({{9, 9, 9, c.lh, c.lu}, {c.d1, c.d2, c.d3}});
        const FormulaEvaluation e = EvaluateFormula(s, lhOverLu(), c.kind, c.kill);
        EXPECT_FALSE(e.hit(0)); // the first draw has no prediction
        EXPECT_EQ(e.hit(1), c.hit);
        EXPECT_EQ(isHit(c.kind, c.kill, e.carriedValue(1), c.d1, c.d2, c.d3), c.hit);
    }
}

TEST(Evaluation, CarriedValuesRemaindersAndDisplay)
{
    // values 27, -13, empty, 15
    const HistorySnapshot s =
        history({{0, 0, 0, 27, 1}, {7, 7, 7, -13, 1}, {3, 3, 3, 4, 0}, {1, 2, 3, 15, 1}, {5, 5, 5, 31, 2}});
    const FormulaEvaluation e = EvaluateFormula(s, lhOverLu(), k3D, true);
    ASSERT_TRUE(e.evaluable);
    EXPECT_EQ(e.intValueAt(0), 27);
    EXPECT_EQ(e.intValueAt(1), -13);
    EXPECT_EQ(e.intValueAt(2), std::nullopt);
    EXPECT_EQ(e.intValueAt(4), 16); // 15.5 -> 16
    EXPECT_EQ(e.value(4), 15.5);
    EXPECT_EQ(e.carriedValue(0), std::nullopt);
    EXPECT_EQ(e.carriedValue(1), 27);
    EXPECT_EQ(e.carriedValue(2), -13);
    EXPECT_EQ(e.carriedValue(3), std::nullopt);
    EXPECT_EQ(e.remainder(1), 7);
    EXPECT_EQ(e.remainder(2), -3);
    EXPECT_EQ(e.remainder(3), std::nullopt);
    EXPECT_EQ(e.remainder(4), 5);
    // kill at 百位: 7 on 7 misses, -3 hits, empty misses, 15 -> 5 on 5 misses
    EXPECT_EQ(std::vector<std::uint8_t>(e.hits.begin(), e.hits.end()), (std::vector<std::uint8_t>{0, 0, 1, 0, 0}));
    EXPECT_EQ(e.displayValue(0, DisplayColumn::CurrentIssue), 7);
    EXPECT_EQ(e.displayValue(1, DisplayColumn::CurrentIssue), -3);
    EXPECT_EQ(e.displayValue(2, DisplayColumn::CurrentIssue), std::nullopt);
    EXPECT_EQ(e.displayValue(0, DisplayColumn::NextIssue), std::nullopt);
    EXPECT_EQ(e.displayValue(1, DisplayColumn::NextIssue), 7);
    EXPECT_EQ(e.displayValue(2, DisplayColumn::NextIssue), -3);
    EXPECT_EQ(e.nextValue(), 6);
    EXPECT_EQ(NextValue(s, lhOverLu()), 6);
    std::vector<std::int8_t> grid(5, 0);
    e.displayValues(DisplayColumn::CurrentIssue, grid);
    EXPECT_EQ(grid, (std::vector<std::int8_t>{7, -3, FormulaEvaluation::kNoDisplay, 5, 6}));
    e.displayValues(DisplayColumn::NextIssue, grid);
    EXPECT_EQ(grid, (std::vector<std::int8_t>{FormulaEvaluation::kNoDisplay, 7, -3, FormulaEvaluation::kNoDisplay, 5}));

    // Only the rows from 3 on: values from row 2, nothing before.
    const FormulaEvaluation part = EvaluateFormula(s, lhOverLu(), k3D, true, 3);
    EXPECT_EQ(part.valueFirst, 2);
    EXPECT_EQ(part.hits.size(), 2u);
    EXPECT_EQ(part.intValueAt(1), std::nullopt);
    EXPECT_EQ(part.carriedValue(4), 15);
    EXPECT_FALSE(part.hit(3));
    EXPECT_EQ(part.hitsFrom(3).size(), 2u);
    EXPECT_EQ(part.nextValue(), 6);
    part.displayValues(DisplayColumn::CurrentIssue, grid);
    EXPECT_EQ(grid, (std::vector<std::int8_t>{FormulaEvaluation::kNoDisplay, FormulaEvaluation::kNoDisplay,
                                              FormulaEvaluation::kNoDisplay, 5, 6}));
    part.displayValues(DisplayColumn::NextIssue, grid);
    EXPECT_EQ(grid, (std::vector<std::int8_t>{FormulaEvaluation::kNoDisplay, FormulaEvaluation::kNoDisplay,
                                              FormulaEvaluation::kNoDisplay, FormulaEvaluation::kNoDisplay, 5}));

    // The newest value empty: no next value.
    const HistorySnapshot t = history({{0, 0, 0, 27, 1}, {1, 1, 1, 3, 0}});
    EXPECT_EQ(EvaluateFormula(t, lhOverLu(), k3D, true).nextValue(), std::nullopt);
    EXPECT_EQ(NextValue(t, lhOverLu()), std::nullopt);
    EXPECT_EQ(NextValue(HistorySnapshot(), lhOverLu()), std::nullopt);
}

TEST(Evaluation, ValuesBeyondTheIntegerRangeAreEmpty)
{
    const HistorySnapshot s = history({{0, 0, 0, 1000, 1}, {1, 1, 1, 1000, 1}, {2, 2, 2, 1000, 1}});
    const Expression huge = Expression::compile(QStringLiteral("LH*LH*LH*LH-1"));
    const FormulaEvaluation e = EvaluateFormula(s, huge, k3D, true);
    EXPECT_EQ(e.value(0), 1e12 - 1);
    EXPECT_EQ(e.intValueAt(0), std::nullopt);
    EXPECT_FALSE(e.hit(1));
    EXPECT_FALSE(e.hit(2));
    EXPECT_EQ(e.nextValue(), std::nullopt);
}

TEST(Evaluation, UnevaluableFormulaHasNoValuesAtAll)
{
    const HistorySnapshot s = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 50));
    // A good formula first, on the same thread and with the same scratch: nothing of it may survive.
    FormulaEvaluation e;
    EvaluateFormula(s, Expression::compile(QStringLiteral("-1")), k3D, true, 0, e);
    ASSERT_EQ(e.hitsFrom(1).size(), 49u);
    EXPECT_TRUE(e.hit(10));
    EvaluateFormula(s, Expression::compile(QStringLiteral("跨度合+1")), k3D, true, 0, e);
    EXPECT_FALSE(e.evaluable);
    EXPECT_FALSE(e.error.isEmpty());
    for (int r = 0; r < s.size(); ++r) {
        EXPECT_EQ(e.value(r), std::nullopt);
        EXPECT_FALSE(e.hit(r)) << r;
    }
    EXPECT_EQ(e.nextValue(), std::nullopt);
}

TEST(Evaluation, WindowStart)
{
    const struct {
        int draws, window;
        bool excludeCurrent;
        int start;
    } cases[] = {
        {150, 300, true, 0},    {150, 300, false, 0}, // nothing skipped: the first draw is inside
        {1000, 300, true, 700}, {1000, 300, false, 699}, {1000, 0, true, 1},   {1000, 0, false, 1},
        {301, 300, true, 1},    {301, 300, false, 0},    {302, 300, false, 1}, {300, 300, true, 0},
        {1, 0, true, 1},        {0, 0, true, 0},         {0, 300, false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(evaluationWindowStart(c.draws, c.window, c.excludeCurrent), c.start)
            << c.draws << " draws, window " << c.window << (c.excludeCurrent ? " SyBq" : "");
    }
}

TEST(Evaluation, WindowedEvaluationEqualsFullHistory)
{
    const HistorySnapshot s = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv")));
    ASSERT_EQ(s.size(), 7760);
    const QString formulas[] = {QStringLiteral("L1A+L2A+3"), QStringLiteral("LH*7 MOD (L3A-4) - QH / 3"),
                                QStringLiteral("-(LT \\ 2) + SQHW")};
    for (const auto& text : formulas) {
        const Expression x = Expression::compile(text);
        ASSERT_TRUE(x.ok());
        for (const auto& kind : kAllKinds) {
            const FormulaEvaluation full = EvaluateFormula(s, x, kind, false);
            const int start = evaluationWindowStart(s.size(), 300, true);
            const FormulaEvaluation window = EvaluateFormula(s, x, kind, false, start);
            const auto a = full.hitsFrom(start);
            const auto b = window.hitsFrom(start);
            ASSERT_EQ(a.size(), 300u);
            EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << text.toStdString();
            EXPECT_EQ(full.nextValue(), window.nextValue());
        }
    }
    // Hand check on the first draws, 070 then 557: 0+7+3 = 10 predicts 0 for the second draw.
    const FormulaEvaluation e = EvaluateFormula(s, Expression::compile(QStringLiteral("L1A+L2A+3")), k2D, true);
    EXPECT_EQ(e.intValueAt(0), 10);
    EXPECT_EQ(e.remainder(1), 0);
    EXPECT_TRUE(e.hit(1));        // 十位 of 557 is 5, not 0
    EXPECT_EQ(e.remainder(2), 3); // 5+5+3 = 13, 十位 of 986 is 8
    EXPECT_TRUE(e.hit(2));
}

} // namespace
} // namespace korvel
