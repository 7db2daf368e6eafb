#include "formula/Expression.h"

#include "history/Param.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <QThread>

#include <cmath>
#include <thread>

namespace korvel {
namespace {

// Operator tables in the vectorised style: each row is an operand pair and the expected result (or
// empty). LH and LT carry the operands; LS and LU are 1, or 0 to make an operand empty (x / 0).
struct Row {
    int a;
    int b;
    bool aEmpty;
    bool bEmpty;
    std::optional<double> expected;
};

HistorySnapshot operandSnapshot(const std::vector<Row>& rows)
{
    HistorySnapshot s;
    int n = 0;
    for (const Row& r : rows) {
        DrawParams p{};
        p[paramIndex(Param::LH)] = static_cast<std::int16_t>(r.a);
        p[paramIndex(Param::LT)] = static_cast<std::int16_t>(r.b);
        p[paramIndex(Param::LS)] = r.aEmpty ? 0 : 1;
        p[paramIndex(Param::LU)] = r.bEmpty ? 0 : 1;
        s.append(QStringLiteral("2020%1").arg(++n, 3, 10, QLatin1Char('0')), p);
    }
    return s;
}

void checkTable(const char* op, const std::vector<Row>& rows)
{
    const HistorySnapshot s = operandSnapshot(rows);
    const Expression e = Expression::compile(QStringLiteral("(LH/LS) %1 (LT/LU)").arg(QLatin1String(op)));
    ASSERT_TRUE(e.ok()) << e.error().toStdString();
    ValueColumn out;
    e.evaluate(s, 0, s.size(), out);
    ASSERT_EQ(out.size(), s.size());
    bool anyEmpty = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(testing::Message() << r.a << ' ' << op << ' ' << r.b << " (row " << i << ")");
        ASSERT_EQ(out.valid[i] != 0, r.expected.has_value());
        if (r.expected) {
            EXPECT_EQ(out.value[i], *r.expected);
        } else {
            anyEmpty = true;
        }
        // The same with constants, which the compiler folds.
        if (!r.aEmpty && !r.bEmpty) {
            const Expression c =
                Expression::compile(QStringLiteral("(%1) %2 (%3)").arg(r.a).arg(QLatin1String(op)).arg(r.b));
            ASSERT_TRUE(c.ok());
            EXPECT_EQ(c.nodeCount(), 1);
            const auto v = c.evaluateRow(s, static_cast<int>(i));
            ASSERT_EQ(v.has_value(), r.expected.has_value());
            if (v) {
                EXPECT_EQ(*v, *r.expected);
            }
        }
    }
    EXPECT_EQ(out.allValid, !anyEmpty);
}

TEST(ExpressionOperators, Add)
{
    checkTable("+", {{2, 3, false, false, 5},
                     {-7, 3, false, false, -4},
                     {0, 0, false, false, 0},
                     {32767, 32767, false, false, 65534},
                     {1, 1, true, false, {}},
                     {1, 1, false, true, {}}});
}

TEST(ExpressionOperators, Subtract)
{
    checkTable("-", {{2, 3, false, false, -1},
                     {-7, -3, false, false, -4},
                     {-32768, 1, false, false, -32769},
                     {5, 5, true, true, {}}});
}

TEST(ExpressionOperators, Multiply)
{
    checkTable("*", {{6, 7, false, false, 42},
                     {-6, 7, false, false, -42},
                     {32767, 32767, false, false, 1073676289.0},
                     {0, -5, false, false, 0},
                     {3, 3, false, true, {}}});
}

TEST(ExpressionOperators, DivideIsRealDivision)
{
    checkTable("/", {{7, 2, false, false, 3.5},
                     {-7, 2, false, false, -3.5},
                     {1, 4, false, false, 0.25},
                     {5, 0, false, false, {}},
                     {0, 0, false, false, {}},
                     {6, 3, true, false, {}}});
}

TEST(ExpressionOperators, IntegerDivideTruncates)
{
    checkTable("\\", {{7, 2, false, false, 3},
                      {-7, 2, false, false, -3},
                      {7, -2, false, false, -3},
                      {-7, -2, false, false, 3},
                      {1, 3, false, false, 0},
                      {5, 0, false, false, {}},
                      {5, 2, false, true, {}}});
}

TEST(ExpressionOperators, ModKeepsDividendSign)
{
    checkTable("MOD", {{7, 3, false, false, 1},
                       {-7, 3, false, false, -1},
                       {7, -3, false, false, 1},
                       {-7, -3, false, false, -1},
                       {0, 5, false, false, 0},
                       {27, 10, false, false, 7},
                       {-13, 10, false, false, -3},
                       {5, 0, false, false, {}},
                       {5, 3, true, false, {}}});
}

TEST(ExpressionOperators, ModAndIntegerDivideRoundOperandsHalfToEven)
{
    HistorySnapshot s = operandSnapshot({{0, 0, false, false, 0}});
    const struct {
        const char* text;
        std::optional<double> expected;
    } cases[] = {
        {"2.5 MOD 2", 0},   {"3.5 MOD 3", 1},  {"7 MOD 2.5", 1},    {"7 MOD 3.5", 3},      {"-2.5 MOD 3", -2},
        {"-3.5 MOD 3", -1}, {"5 MOD 0.4", {}}, {"5 MOD 0.5", {}},   {"5 MOD 0.6", 0},      {"5 MOD 1.5", 1},
        {"7.5 \\ 2", 4},    {"6.5 \\ 2", 3},   {"9 \\ 2.5", 4},     {"9 \\ 0.5", {}},      {"-6.5 \\ 4", -1},
        {"1 / 0", {}},      {"0 / 0.5", 0},    {"1 + 2 MOD 0", {}}, {"-(1 \\ 0) + 3", {}},
    };
    for (const auto& c : cases) {
        const Expression e = Expression::compile(QString::fromUtf8(c.text));
        ASSERT_TRUE(e.ok()) << c.text;
        EXPECT_EQ(e.evaluateRow(s, 0), c.expected) << c.text;
    }
    // The same through the per-row path: 2.5 and 3.5 from columns.
    s = operandSnapshot({{5, 2, false, false, {}}, {7, 3, false, false, {}}, {-5, 3, false, false, {}}});
    const Expression e = Expression::compile(QStringLiteral("LH / 2 MOD LT"));
    ValueColumn out;
    e.evaluate(s, 0, 3, out);
    EXPECT_EQ(out.value[0], 0);  // 2.5 -> 2, 2 MOD 2
    EXPECT_EQ(out.value[1], 1);  // 3.5 -> 4, 4 MOD 3
    EXPECT_EQ(out.value[2], -2); // -2.5 -> -2, -2 MOD 3
}

TEST(ExpressionOperators, RoundingHelpers)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(4503599627370497.0), 4503599627370497.0);
    EXPECT_EQ(roundHalfEven(2251799813685248.5), 2251799813685248.0);
    EXPECT_EQ(toInt32HalfEven(12.5), 12);
    EXPECT_EQ(toInt32HalfEven(-2147483648.0), -2147483647 - 1);
    EXPECT_EQ(toInt32HalfEven(2147483647.4), 2147483647);
    EXPECT_EQ(toInt32HalfEven(2147483647.5), std::nullopt);
    EXPECT_EQ(toInt32HalfEven(std::nan("")), std::nullopt);
}

TEST(ExpressionGrammar, PrecedenceAndAssociativity)
{
    const HistorySnapshot s = operandSnapshot({{0, 0, false, false, 0}});
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"2+3*4", 14},       {"(2+3)*4", 20},     {"20-5-3", 12},
        {"64/4/2", 8},       {"100\\7\\2", 7},    {"17 MOD 7 MOD 2", 1},
        {"10 MOD 3 * 2", 4}, {"7 \\ 2 * 3", 1},   {"2 * 7 \\ 4", 3},
        {"1 + 7 MOD 4", 4},  {"7 MOD 4 \\ 2", 1}, {"9 \\ 2 MOD 3", 1},
        {"-2 MOD 3", -2},    {"-(2+3)*2", -10},   {"2--3", 5},
        {"2 - -3", 5},       {"--3", 3},          {"+3", 3},
        {"2*-3", -6},        {"-2*-3", 6},        {"0.5*4", 2},
        {".5*4", 2},         {"1.25+1.75", 3},    {"((((1))))", 1},
        {"3 mod 2", 1},      {"3 Mod 2", 1},      {"8 - 2 MOD 4 * 1", 6},
        {"12/4*3", 9},
    };
    for (const auto& c : cases) {
        const Expression e = Expression::compile(QString::fromUtf8(c.text));
        ASSERT_TRUE(e.ok()) << c.text << ": " << e.error().toStdString();
        EXPECT_EQ(e.evaluateRow(s, 0), c.expected) << c.text;
    }
}

TEST(ExpressionGrammar, ColumnsAnyCaseAndInBrackets)
{
    const auto draws = test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 3); // 070, 557, 986
    const HistorySnapshot s = test::snapshotOf(draws);
    const Expression e = Expression::compile(QStringLiteral("[L1A]*100 + l2a*10 + [l3A] mod 10"));
    ASSERT_TRUE(e.ok()) << e.error().toStdString();
    ValueColumn out;
    e.evaluate(s, 0, 3, out);
    EXPECT_EQ(out.value, (std::vector<double>{70, 557, 986}));
    EXPECT_TRUE(out.allValid);
    ASSERT_EQ(e.columns().size(), 3u);
    EXPECT_EQ(e.columns()[0], Param::L1A);
    EXPECT_EQ(e.columns()[2], Param::L3A);
    // A sub-range gives the same rows.
    e.evaluate(s, 1, 3, out);
    EXPECT_EQ(out.value, (std::vector<double>{557, 986}));
}

TEST(ExpressionGrammar, CompileErrorsNameThePart)
{
    const struct {
        const char* text;
        const char* part;
    } cases[] = {
        {"LTW+3", "LTW"},     {"L1A+[LTW]", "LTW"},     {"L1A+跨度X", "跨度X"}, {"L1A^2", "^"},
        {"L1A L2A", "L2A"},   {"L1A+*3", "*"},          {"(L1A+3", "("},        {"L1A+3)", ")"},
        {"[L1A+3", "[L1A+3"}, {"3L1A", "3L1A"},         {"L1A+", "L1A+"},       {"MOD 3", "MOD"},
        {"()", ")"},          {"L1A MOD MOD 2", "MOD"},
    };
    const HistorySnapshot s = operandSnapshot({{1, 1, false, false, 0}, {2, 2, false, false, 0}});
    for (const auto& c : cases) {
        const Expression e = Expression::compile(QString::fromUtf8(c.text));
        EXPECT_FALSE(e.ok()) << c.text;
        EXPECT_EQ(e.errorPart(), QString::fromUtf8(c.part)) << c.text;
        EXPECT_TRUE(e.error().contains(QString::fromUtf8(c.part))) << c.text;
        // A formula that does not compile has no value on any row.
        ValueColumn out;
        e.evaluate(s, 0, 2, out);
        EXPECT_EQ(out.valid, (std::vector<std::uint8_t>{0, 0})) << c.text;
        EXPECT_FALSE(out.allValid);
    }
    for (const char* empty : {"", "   "}) {
        const Expression e = Expression::compile(QString::fromUtf8(empty));
        EXPECT_FALSE(e.ok());
        EXPECT_FALSE(e.error().isEmpty());
    }
    EXPECT_FALSE(Expression().ok());
}

QString times(const QString& piece, int n)
{
    return piece.repeated(n);
}

// Issue 24 item 18: the compiler descended one level per "(" or sign without a limit, so a stored formula of
// 30 000 nested parentheses (or 10^6 signs) overflowed the stack of every program that loaded it.
TEST(ExpressionLimits, DeepNestingAndLongTextsAreRefusedInsteadOfOverflowingTheStack)
{
    const HistorySnapshot s = operandSnapshot({{4, 1, false, false, 0}});
    // The report's line: 30 000 "(", L1A, 30 000 ")" (60 003 characters).
    const Expression deep = Expression::compile(times("(", 30000) + "L1A" + times(")", 30000));
    EXPECT_FALSE(deep.ok());
    EXPECT_TRUE(deep.tooLarge());
    EXPECT_EQ(deep.error(), QStringLiteral("公式太长（60003 个字符），一条公式最多 10000 个字符"));
    EXPECT_EQ(deep.evaluateRow(s, 0), std::nullopt);
    // 10^6 unary signs.
    const Expression signs = Expression::compile(times("-", 1000000) + "LH");
    EXPECT_FALSE(signs.ok());
    EXPECT_TRUE(signs.tooLarge());
    // Within the length, beyond the depth: 4 000 levels.
    for (const QString& text : {times("(", 4000) + "LH" + times(")", 4000), times("-", 9000) + "LH",
                                times("Int(", 1500) + "LH" + times(")", 1500),
                                times("-(", 3000) + "LH" + times(")", 3000), times("+", 5000) + "LH"}) {
        SCOPED_TRACE(text.left(12).toStdString());
        const Expression e = Expression::compile(text);
        EXPECT_FALSE(e.ok());
        EXPECT_TRUE(e.tooLarge());
        EXPECT_EQ(e.error(), QStringLiteral("公式嵌套太深：括号、函数和正负号最多嵌套 100 层"));
        EXPECT_FALSE(e.errorPart().isEmpty());
    }
    // Other faults are no size fault.
    EXPECT_FALSE(Expression::compile(QStringLiteral("(L1A")).tooLarge());
    EXPECT_FALSE(Expression::compile(QStringLiteral("LTW")).tooLarge());
    EXPECT_FALSE(Expression::compile(QStringLiteral("L1A")).tooLarge());
}

TEST(ExpressionLimits, EverythingUpToTheLimitsCompilesAsBefore)
{
    const HistorySnapshot s = operandSnapshot({{4, 1, false, false, 0}});
    // 100 levels of each kind, and mixed: the limit counts parentheses, functions and signs alike.
    EXPECT_EQ(Expression::compile(times("(", 100) + "LH" + times(")", 100)).evaluateRow(s, 0), 4.0);
    EXPECT_EQ(Expression::compile(times("Abs(", 100) + "LH" + times(")", 100)).evaluateRow(s, 0), 4.0);
    EXPECT_EQ(Expression::compile(times("-", 100) + "LH").evaluateRow(s, 0), 4.0);
    EXPECT_EQ(Expression::compile(times("-(", 50) + "LH" + times(")", 50)).evaluateRow(s, 0), 4.0);
    EXPECT_TRUE(Expression::compile(times("(", 101) + "LH" + times(")", 101)).tooLarge());
    EXPECT_TRUE(Expression::compile(times("-", 101) + "LH").tooLarge());
    EXPECT_TRUE(Expression::compile(times("-(", 50) + "-LH" + times(")", 50)).tooLarge());
    // Side by side, parentheses do not add up: only nesting counts.
    EXPECT_EQ(Expression::compile(times("(LH)+", 1000) + "0").evaluateRow(s, 0), 4000.0);
    // A long flat sum up to 10 000 characters: "LH+" 3 333 times and "LH" is 10 001, one too many.
    const QString flat = times("LH+", 3332) + "LH+0"; // 10 000 characters
    ASSERT_EQ(flat.size(), 10000);
    EXPECT_EQ(Expression::compile(flat).evaluateRow(s, 0), 4.0 * 3333);
    EXPECT_TRUE(Expression::compile(flat + "0").tooLarge());
    // An empty operand at the end of a long chain folds the whole chain away.
    EXPECT_EQ(Expression::compile(times("LH+", 3000) + "1/0").evaluateRow(s, 0), std::nullopt);
    EXPECT_EQ(Expression::compile(times("LH+", 3000) + "1/0").nodeCount(), 1);
}

TEST(ExpressionLimits, TheDeepestTextTakenCompilesOnASmallThreadStack)
{
    // Search workers and the window compile on threads of their own: 100 levels fit in 256 KB.
    const QString text = times("-(", 50) + "LH" + times(")", 50);
    bool ok = false;
    std::unique_ptr<QThread> thread(QThread::create([&] { ok = Expression::compile(text).ok(); }));
    thread->setStackSize(256 * 1024);
    thread->start();
    ASSERT_TRUE(thread->wait(60000));
    EXPECT_TRUE(ok);
}

TEST(ExpressionEvaluation, BatchesAndThreadsAgreeWithRowByRow)
{
    const HistorySnapshot s = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 1500));
    ASSERT_EQ(s.size(), 1500);
    const Expression e = Expression::compile(QStringLiteral("(L1A*7 - LT) MOD (L2A - 3) + LH / (L3A - 5) \\ 1"));
    ASSERT_TRUE(e.ok());
    // Hand check of one row's arithmetic against the definition.
    for (int row : {0, 1, 511, 512, 513, 1499}) {
        const double l1a = s.value(row, Param::L1A);
        const double l2a = s.value(row, Param::L2A);
        const double l3a = s.value(row, Param::L3A);
        const double lt = s.value(row, Param::LT);
        const double lh = s.value(row, Param::LH);
        const auto v = e.evaluateRow(s, row);
        if (l2a == 3 || l3a == 5) {
            EXPECT_FALSE(v.has_value()) << row;
        } else {
            const double mod = std::fmod(l1a * 7 - lt, l2a - 3);
            const double idiv = std::trunc(std::nearbyint(lh / (l3a - 5)));
            ASSERT_TRUE(v.has_value()) << row;
            EXPECT_EQ(*v, mod + idiv) << row;
        }
    }
    ValueColumn whole;
    e.evaluate(s, 0, s.size(), whole);
    EXPECT_FALSE(whole.allValid);
    auto check = [&](int first, int end, ExpressionScratch* scratch) {
        ValueColumn part;
        if (scratch) {
            e.evaluate(s, first, end, part, *scratch);
        } else {
            e.evaluate(s, first, end, part);
        }
        bool same = part.size() == end - first;
        for (int r = first; same && r < end; ++r) {
            const auto i = static_cast<std::size_t>(r - first);
            const auto w = static_cast<std::size_t>(r);
            same = part.valid[i] == whole.valid[w] && (!part.valid[i] || part.value[i] == whole.value[w]);
        }
        return same;
    };
    EXPECT_TRUE(check(511, 1025, nullptr));
    EXPECT_TRUE(check(1499, 1500, nullptr));
    EXPECT_TRUE(check(700, 700, nullptr));
    bool threadOk[2] = {false, false};
    std::thread t1([&] {
        ExpressionScratch own;
        bool ok = true;
        for (int i = 0; i < 50; ++i) {
            ok = ok && check(i * 3, 1500 - i, &own);
        }
        threadOk[0] = ok;
    });
    std::thread t2([&] {
        bool ok = true;
        for (int i = 0; i < 50; ++i) {
            ok = ok && check(i, 1400 + i, nullptr);
        }
        threadOk[1] = ok;
    });
    t1.join();
    t2.join();
    EXPECT_TRUE(threadOk[0]);
    EXPECT_TRUE(threadOk[1]);
}

} // namespace
} // namespace korvel
