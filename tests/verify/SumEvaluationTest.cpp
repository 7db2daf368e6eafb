#include "verify/SumEvaluation.h"

#include "formula/Expression.h"
#include "history/Param.h"
#include "support/TestData.h"
#include "verify/ChanceFigures.h"
#include "verify/Evaluation.h"
#include "verify/FormulaFigures.h"

#include <gtest/gtest.h>

#include <random>

using namespace korvel;

namespace {

std::string describe(const IntegerSum& s)
{
    std::string out = std::to_string(s.constant);
    for (const IntegerSum::Term& t : s.terms) {
        out += ' ' + std::to_string(t.coefficient) + '*' + paramCode(t.param);
    }
    return out;
}

std::string sumOf(const char* text)
{
    const Expression e = Expression::compile(QString::fromUtf8(text));
    return e.integerSum() ? describe(*e.integerSum()) : std::string("none");
}

const HistorySnapshot& realHistory()
{
    static const HistorySnapshot snap = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv")));
    return snap;
}

// A random integer combination of columns: coefficients -3..3, repeated columns, constants that make some
// values negative (negative remainders) and some large.
QString randomSum(std::mt19937_64& rng)
{
    std::uniform_int_distribution<int> column(0, kParamCount - 1);
    std::uniform_int_distribution<int> terms(1, 8);
    std::uniform_int_distribution<int> coefficient(-3, 3);
    std::uniform_int_distribution<int> constant(-60, 60);
    QString text;
    const int count = terms(rng);
    for (int i = 0; i < count; ++i) {
        const int k = coefficient(rng);
        const QString code = QString::fromLatin1(paramCode(paramAt(column(rng))));
        text += (i == 0 ? QString() : QStringLiteral("+")) + (k == 1 ? code : QStringLiteral("%1*%2").arg(k).arg(code));
    }
    return text + QStringLiteral("+(%1)").arg(constant(rng));
}

std::string statsText(const FormulaStats& s)
{
    return std::to_string(s.hitSum) + '/' + std::to_string(s.total) + " rate " + std::to_string(s.rate) + " runs " +
           std::to_string(s.errCon) + ' ' + std::to_string(s.trueCon) + ' ' + std::to_string(s.errLst) + ' ' +
           std::to_string(s.trueLst);
}

std::string chanceText(const ChanceFigures& c)
{
    return std::to_string(c.draws) + ' ' + std::to_string(c.hits) + ' ' + std::to_string(c.named) + ' ' +
           std::to_string(c.noDigit) + ' ' + std::to_string(c.baseline) + ' ' + std::to_string(c.windowEmpty);
}

} // namespace

// Which expressions are integer sums, and their coefficients (worked by hand).
TEST(IntegerSumTest, RecognisesIntegerCombinationsOfColumnsOnly)
{
    EXPECT_EQ(sumOf("L1A+L2B+5"), "5 1*L1A 1*L2B");
    EXPECT_EQ(sumOf("L1A-L3C*2"), "0 1*L1A -2*L3C");
    EXPECT_EQ(sumOf("(L2A+LH)*3-7"), "-7 3*L2A 3*LH");
    EXPECT_EQ(sumOf("-(L1A-[l2a])+L1A*2"), "0 1*L1A 1*L2A");
    EXPECT_EQ(sumOf("L1A-L1A+4"), "4");
    EXPECT_EQ(sumOf("L1A*65535"), "0 65535*L1A"); // 65535 * 32768 still fits 32 bits
    // Not sums, or not safely 32-bit: the general evaluation takes them.
    EXPECT_EQ(sumOf("L1A*65536"), "none");
    EXPECT_EQ(sumOf("L1A*L2B"), "none");
    EXPECT_EQ(sumOf("L1A/2"), "none");
    EXPECT_EQ(sumOf("L1A\\2"), "none");
    EXPECT_EQ(sumOf("L1A MOD 3"), "none");
    EXPECT_EQ(sumOf("L1A+0.5"), "none");
    EXPECT_EQ(sumOf("L1A/0+1"), "none");
    EXPECT_EQ(sumOf("L1A+2147483647"), "none");
    EXPECT_EQ(sumOf("L1A+LTW"), "none");
    EXPECT_EQ(sumOf(""), "none");
}

// The integer path and the general evaluation agree on every figure for random sums over the real history:
// all kinds, both senses, windows of 300 and of all draws, with and without SyBq, and forward figures from
// rows before and inside the window.
TEST(SumEvaluationTest, AgreesWithTheGeneralEvaluationOnRandomSumsOverRealDraws)
{
    const HistorySnapshot& snap = realHistory();
    ASSERT_GT(snap.size(), 7000);
    std::mt19937_64 rng(20261208);
    FormulaEvaluation eval;
    SumEvaluation sums;
    int negativeSeen = 0;
    for (int i = 0; i < 300; ++i) {
        const Expression expr = Expression::compile(randomSum(rng));
        ASSERT_TRUE(expr.integerSum()) << expr.text().toStdString();
        const FormulaKind kind = kAllKinds[static_cast<std::size_t>(i % 5)];
        const bool kill = (i / 5) % 2 == 0;
        const FigureSettings settings{i % 3 == 0 ? 0 : 300, i % 4 != 0, i % 7 != 0};
        const int start = evaluationWindowStart(snap.size(), settings.windowDraws, settings.excludeCurrent);
        const int forward = i % 2 == 0 ? 1 + i * 20 : snap.size() - i;
        const int from = std::min(start, forward);
        EvaluateFormula(snap, expr, kind, kill, from, eval);
        evaluateSum(snap, *expr.integerSum(), kind, kill, from, sums);
        const std::string what = expr.text().toStdString() + " kind " + std::to_string(i % 5);
        EXPECT_EQ(statsText(sumFigures(sums, start, settings.weighted, 1.5f).stats),
                  statsText(formulaFigures(eval.hitsFrom(start), settings.weighted, 1.5f).stats))
            << what;
        EXPECT_EQ(chanceText(sumChanceFigures(sums, start, kind, kill, settings.weighted)),
                  chanceText(chanceFigures(eval, start, kind, kill, settings.weighted)))
            << what;
        EXPECT_EQ(chanceText(sumChanceFigures(sums, forward, kind, kill, false)),
                  chanceText(chanceFigures(eval, forward, kind, kill, false)))
            << what;
        EXPECT_EQ(sums.next, eval.nextValue()) << what;
        negativeSeen += chanceFigures(eval, start, kind, kill, false).noDigit > 0 ? 1 : 0;
    }
    EXPECT_GT(negativeSeen, 30); // negative remainders were exercised
}

// Short histories: no draw, one draw, windows that start at row 0 (row 0 an empty miss).
TEST(SumEvaluationTest, AgreesOnShortHistoriesAndWindowsFromTheFirstDraw)
{
    const auto lines = test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 70);
    const Expression expr = Expression::compile(QStringLiteral("L1A-L2A*2+3"));
    for (const int size : {0, 1, 2, 63, 64, 65, 70}) {
        const HistorySnapshot snap = test::snapshotOf({lines.begin(), lines.begin() + size});
        for (const int start : {0, 1, 5}) {
            for (const bool weighted : {true, false}) {
                const FormulaKind kind{1, Play::Group};
                const FormulaEvaluation eval = EvaluateFormula(snap, expr, kind, true, start);
                SumEvaluation sums;
                evaluateSum(snap, *expr.integerSum(), kind, true, start, sums);
                const std::string what = std::to_string(size) + " rows from " + std::to_string(start);
                EXPECT_EQ(statsText(sumFigures(sums, start, weighted).stats),
                          statsText(formulaFigures(eval.hitsFrom(start), weighted).stats))
                    << what;
                EXPECT_EQ(sumFigures(sums, start, weighted).windowEmpty,
                          formulaFigures(eval.hitsFrom(start), weighted).windowEmpty);
                EXPECT_EQ(chanceText(sumChanceFigures(sums, start, kind, true, weighted)),
                          chanceText(chanceFigures(eval, start, kind, true, weighted)))
                    << what;
                EXPECT_EQ(sums.next, eval.nextValue()) << what;
            }
        }
    }
}

// The bit walk against a plain count over random bit sets and ranges, and runs past the 16-bit maximum.
TEST(BitRunsTest, WalkMatchesAPlainCountAndSaturatesLongRuns)
{
    std::mt19937_64 rng(7);
    for (int trial = 0; trial < 200; ++trial) {
        const int bitsCount = 1 + static_cast<int>(rng() % 700);
        const double density = static_cast<double>(rng() % 101) / 100.0;
        std::vector<std::uint8_t> bytes((static_cast<std::size_t>(bitsCount) + 63) / 64 * 64, 0);
        std::bernoulli_distribution on(density);
        for (int k = 0; k < bitsCount; ++k) {
            bytes[static_cast<std::size_t>(k)] = on(rng) ? 1 : 0;
        }
        std::vector<std::uint64_t> bits(bytes.size() / 64);
        packBits(bytes.data(), bitsCount, bits.data());
        for (int k = 0; k < bitsCount; ++k) {
            ASSERT_EQ((bits[static_cast<std::size_t>(k) / 64] >> (k % 64)) & 1u, bytes[static_cast<std::size_t>(k)]);
        }
        const int from = static_cast<int>(rng() % static_cast<std::uint64_t>(bitsCount));
        const int to = from + static_cast<int>(rng() % static_cast<std::uint64_t>(bitsCount - from + 1));
        const bool weighted = trial % 2 == 0;
        const FormulaFigures plain =
            formulaFigures(std::span<const std::uint8_t>(bytes).subspan(static_cast<std::size_t>(from),
                                                                        static_cast<std::size_t>(to - from)),
                           weighted);
        const BitRuns r = bitRuns(bits.data(), from, to, weighted);
        std::int64_t count = 0;
        for (int k = from; k < to; ++k) {
            count += bytes[static_cast<std::size_t>(k)];
        }
        EXPECT_EQ(r.count, count);
        EXPECT_EQ(r.weight, plain.stats.hitSum);
        EXPECT_EQ(r.longestSet, plain.stats.trueCon);
        EXPECT_EQ(r.longestClear, plain.stats.errCon);
        EXPECT_EQ(r.trailingSet, plain.stats.trueLst);
        EXPECT_EQ(r.trailingClear, plain.stats.errLst);
    }
    std::vector<std::uint64_t> ones(700, ~std::uint64_t{0});
    ones[3] = 0; // one clear bit at 192..255, then 40 000 set bits
    const BitRuns r = bitRuns(ones.data(), 0, 40256, false);
    EXPECT_EQ(r.longestSet, 32767);
    EXPECT_EQ(r.trailingSet, 32767);
    EXPECT_EQ(r.longestClear, 64);
    EXPECT_EQ(r.count, 40256 - 64);
}
