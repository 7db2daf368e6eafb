#include "formula/Expression.h"
#include "formula/FormulaLanguage.h"
#include "history/Param.h"
#include "search/SearchTestSupport.h"
#include "support/TestData.h"
#include "verify/Evaluation.h"
#include "verify/FormulaFigures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvel {
namespace {

TEST(EarlierDrawWords, TranslateToPrevOfTheParameterAndLeaveTheOldWordsAlone)
{
    EXPECT_EQ(TranslateWords(QStringLiteral("上上期百位码+3")), QStringLiteral("Prev2(L1A)+3"));
    EXPECT_EQ(TranslateWords(QStringLiteral("上期十位大小+前3期和数")), QStringLiteral("Prev1(L2B)+Prev3(LH)"));
    EXPECT_EQ(TranslateWords(QStringLiteral("前1期跨度")), TranslateWords(QStringLiteral("上期跨度")));
    EXPECT_EQ(TranslateWords(QStringLiteral("前9期除5余1")), QStringLiteral("Prev9(L1H)"));
    // The words that already hold 上期 keep their meaning, also next to a prefix of their own.
    EXPECT_EQ(TranslateWords(QStringLiteral("上期号+上期号合+重上期号+同上期数")), QStringLiteral("SQH+SQHW+LX+LY"));
    EXPECT_EQ(TranslateWords(QStringLiteral("上期上期号")), QStringLiteral("Prev1(SQH)"));
    // A prefix before anything that is not a parameter word, and 前10期, stay as typed (and fail to compile).
    EXPECT_EQ(TranslateWords(QStringLiteral("上期+3")), QStringLiteral("上期+3"));
    EXPECT_FALSE(Expression::compile(TranslateWords(QStringLiteral("前10期和数"))).ok());
    EXPECT_EQ(TranslateWords(QStringLiteral("取整(和数*0.618)")), QStringLiteral("Int(LH*0.618)"));
    EXPECT_EQ(TranslateWords(QStringLiteral("绝对值(百位码-个位码)")), QStringLiteral("Abs(L1A-L3A)"));

    const ParsedFormula f =
        ParseFormulaText(QStringLiteral("上上期百位码+3=下期杀 百位单选"), FormulaKind{1, Play::Single}, false);
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(f.expressionText, QStringLiteral("Prev2(L1A)+3"));
    EXPECT_EQ(f.kind, (FormulaKind{3, Play::Single}));
    EXPECT_TRUE(f.kill);
}

TEST(EarlierDrawWords, FunctionsAndIntegerDivisionFollowHandArithmetic)
{
    // Draws (百位 十位 个位): 3 4 1, 0 0 7, 9 9 5, 2 8 6.
    const HistorySnapshot s = test::handSnapshot({{3, 4, 1}, {0, 0, 7}, {9, 9, 5}, {2, 8, 6}});
    const auto at = [&](const char* text, int row) {
        const Expression e = Expression::compile(QString::fromUtf8(text));
        EXPECT_TRUE(e.ok()) << text << ": " << e.error().toStdString();
        return e.evaluateRow(s, row);
    };
    EXPECT_EQ(at("Prev2(L1A)+3", 2), 6.0);          // 3 + 3, from the first draw
    EXPECT_EQ(at("Prev2(L1A)+3", 3), 3.0);          // 0 + 3
    EXPECT_EQ(at("Prev2(L1A)+3", 1), std::nullopt); // no draw two before the second: empty
    EXPECT_EQ(at("Prev1(L3A)-L3A", 1), -6.0);       // 1 - 7
    EXPECT_EQ(at("Abs(Prev1(L3A)-L3A)", 1), 6.0);
    EXPECT_EQ(at("Int((L1A+L2A+L3A)*0.618)", 2), 14.0); // 23 * 0.618 = 14.214
    EXPECT_EQ(at("Int(0-2.5)", 0), -3.0);               // toward minus infinity
    EXPECT_EQ(at("Int(L3A/2)-L3A\\2", 1), 0.0);         // 3.5 -> 3; 7 \ 2 = 3
    EXPECT_EQ(at("(0-L3A)\\2", 1), -3.0);               // truncates toward zero
    EXPECT_EQ(at("7.5\\2", 0), 4.0);                    // operands rounded half-to-even first: 8 \ 2
    EXPECT_EQ(at("L1A\\(L2A-L2A)", 0), std::nullopt);

    const Expression lagged = Expression::compile(QStringLiteral("Prev3(L2A)+prev1(L1A)"));
    ASSERT_TRUE(lagged.ok());
    EXPECT_EQ(lagged.maxLag(), 3);
    EXPECT_FALSE(lagged.integerSum()); // an earlier draw's column is not a column of the evaluated draw
    // PrevN takes one parameter; Int and Abs need their parentheses; N runs 1..9.
    EXPECT_FALSE(Expression::compile(QStringLiteral("Prev2(L1A+L2A)")).ok());
    EXPECT_FALSE(Expression::compile(QStringLiteral("Int+3")).ok());
    EXPECT_FALSE(Expression::compile(QStringLiteral("Prev0(L1A)")).ok());
    EXPECT_FALSE(Expression::compile(QStringLiteral("Foo(L1A)")).ok());
}

// The figures of the two formulas players write, on the newest 30 real draws, against a count by hand:
// the value on draw t, its remainder, the digit at the judged position of draw t + 1.
TEST(EarlierDrawWords, PublishedFormulasGiveHandCountedFiguresOnRealDraws)
{
    const HistorySnapshot s = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv")));
    ASSERT_GT(s.size(), 100);
    struct Case {
        const char* line;
        int digitColumn; // the judged digit: L1A for 百位, L3A for 个位
    };
    for (const Case& c : {Case{"上上期百位码+3=下期杀 百位单选", 0}, Case{"取整(和数*0.618)=下期杀 个位单选", 2}}) {
        const ParsedFormula f = ParseFormulaText(QString::fromUtf8(c.line), FormulaKind{1, Play::Single}, true);
        ASSERT_TRUE(f.ok());
        const Expression e = Expression::compile(f.expressionText);
        ASSERT_TRUE(e.ok()) << f.expressionText.toStdString();
        const FigureSettings settings{30, true, false}; // the newest 30 draws, unweighted
        const FormulaFigures got = formulaFigures(s, e, f.kind, f.kill, settings);

        const Param digit = c.digitColumn == 0 ? Param::L1A : Param::L3A;
        int hits = 0;
        int run = 0;
        int longestMiss = 0;
        int miss = 0;
        for (int t = s.size() - 30; t < s.size(); ++t) {
            const int from = t - 1; // the draw whose value predicts draw t
            int value = 0;
            if (c.digitColumn == 0) {
                value = s.value(from - 2, Param::L1A) + 3;
            } else {
                value = static_cast<int>(std::floor(s.value(from, Param::LH) * 0.618));
            }
            const bool hit = value % 10 != s.value(t, digit);
            hits += hit;
            run = hit ? run + 1 : 0;
            miss = hit ? 0 : miss + 1;
            longestMiss = std::max(longestMiss, miss);
        }
        EXPECT_EQ(got.stats.hitSum, hits) << c.line;
        EXPECT_EQ(got.stats.total, 30) << c.line;
        EXPECT_EQ(got.stats.trueLst, run) << c.line;
        EXPECT_EQ(got.stats.errCon, longestMiss) << c.line;
    }
}

TEST(EarlierDrawWords, TheFirstDrawsOfTheHistoryHaveNoValue)
{
    const HistorySnapshot s = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 40));
    const Expression e = Expression::compile(QStringLiteral("Prev3(LH)+L3A"));
    ValueColumn v;
    e.evaluate(s, 0, s.size(), v);
    EXPECT_FALSE(v.allValid);
    for (int r = 0; r < s.size(); ++r) {
        if (r < 3) {
            EXPECT_FALSE(v.valid[static_cast<std::size_t>(r)]) << r;
        } else {
            ASSERT_TRUE(v.valid[static_cast<std::size_t>(r)]) << r;
            EXPECT_EQ(v.value[static_cast<std::size_t>(r)], s.value(r - 3, Param::LH) + s.value(r, Param::L3A)) << r;
        }
    }
    // A batch that starts past the first draws reads the earlier ones in place.
    e.evaluate(s, 10, 20, v);
    EXPECT_TRUE(v.allValid);
    EXPECT_EQ(v.value[0], s.value(7, Param::LH) + s.value(10, Param::L3A));
}

} // namespace
} // namespace korvel
