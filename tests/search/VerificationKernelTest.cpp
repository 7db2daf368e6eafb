#include "search/VerificationKernel.h"

#include "formula/Expression.h"
#include "search/SearchKind.h"
#include "search/SearchTestSupport.h"
#include "support/TestData.h"
#include "verify/Evaluation.h"

#include <gtest/gtest.h>

#include <random>

namespace korvel {
namespace {

using test::HandDraw;
using test::handSnapshot;

Candidate candidateOf(std::initializer_list<int> numbers, int constant)
{
    Candidate c;
    for (int n : numbers) {
        c.operands[c.operandCount++] = static_cast<std::uint8_t>(n);
    }
    c.constant = static_cast<std::int16_t>(constant);
    return c;
}

std::vector<int> verdictsOf(const HistorySnapshot& s, const Candidate& c, FormulaKind kind, bool kill, int window = 0)
{
    const auto data = std::make_shared<KernelData>(s, window, true);
    VerificationKernel k(data, kind, kill);
    KernelScratch scratch;
    k.verdicts(c, scratch);
    return {scratch.hits.begin(), scratch.hits.end()};
}

const FormulaKind kUnits{1, Play::Single};
const FormulaKind kHundreds{3, Play::Single};
const FormulaKind kTensGroup{2, Play::Group};
const FormulaKind kHundredsGroup{3, Play::Group};

TEST(VerificationKernelTest, AValueOf27KillsSevenAtTheNextDraw)
{
    // 百位码 + 十位码 + 20: 27 on the first draw, 20 on the second.
    const auto s = handSnapshot({{3, 4, 1}, {0, 0, 7}, {9, 9, 5}});
    const Candidate c = candidateOf({1, 2}, 20);
    // Window "all": draws 2 and 3 are counted. Draw 2 shows 7 at 个位: the kill misses; draw 3 shows 5
    // where 0 was killed: a hit.
    EXPECT_EQ(verdictsOf(s, c, kUnits, true), (std::vector<int>{0, 1}));
    EXPECT_EQ(verdictsOf(s, c, kUnits, false), (std::vector<int>{1, 0}));
    // The same draws judged at 十位 (digits 0 and 9): 7 is absent, 0 is absent.
    EXPECT_EQ(verdictsOf(s, c, FormulaKind{2, Play::Single}, true), (std::vector<int>{1, 1}));
}

TEST(VerificationKernelTest, GroupPlaysJudgeSeveralPositions)
{
    // 百位码 + 0 predicts this draw's hundreds digit for the next draw: 6, 1, 0, 5.
    const auto s = handSnapshot({{6, 0, 0}, {1, 2, 6}, {0, 1, 9}, {5, 5, 5}, {5, 0, 0}});
    const Candidate c = candidateOf({1}, 0);
    // 百位通选 生: any of the three digits. 6 at 个位, 1 at 十位, no 0, 5 at 百位.
    EXPECT_EQ(verdictsOf(s, c, kHundredsGroup, false), (std::vector<int>{1, 1, 0, 1}));
    EXPECT_EQ(verdictsOf(s, c, kHundredsGroup, true), (std::vector<int>{0, 0, 1, 0}));
    // 十位通选 looks at 十位 and 个位 only: the 5 at 百位 of the last draw does not count.
    EXPECT_EQ(verdictsOf(s, c, kTensGroup, false), (std::vector<int>{1, 1, 0, 0}));
    EXPECT_EQ(verdictsOf(s, c, kTensGroup, true), (std::vector<int>{0, 0, 1, 1}));
}

TEST(VerificationKernelTest, NegativeValuesKeepTheDividendsSign)
{
    // 百位码 - 13: -10 (remainder 0, which is the digit 0), then -12 (remainder -2: no digit).
    const auto s = handSnapshot({{3, 0, 0}, {1, 0, 0}, {0, 0, 2}});
    const Candidate c = candidateOf({1}, -13);
    EXPECT_EQ(verdictsOf(s, c, kUnits, false), (std::vector<int>{1, 0}));
    EXPECT_EQ(verdictsOf(s, c, kUnits, true), (std::vector<int>{0, 1}));
}

TEST(VerificationKernelTest, FiguresOfAKnownPattern)
{
    // 百位码 at 百位单选 杀 hits whenever the hundreds digit changes: hit, hit, miss, hit, hit, hit.
    const auto s = handSnapshot({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}, {6, 0, 0}});
    const Candidate c = candidateOf({1}, 0);
    KernelScratch scratch;
    const VerificationKernel weighted(std::make_shared<KernelData>(s, 0, true), kHundreds, true);
    const FormulaFigures w = weighted.figures(c, scratch);
    EXPECT_EQ(w.stats.trueCon, 3);
    EXPECT_EQ(w.stats.errCon, 1);
    EXPECT_EQ(w.stats.trueLst, 3);
    EXPECT_EQ(w.stats.errLst, 0);
    EXPECT_EQ(w.stats.hitSum, 1 + 4 + 16 + 25 + 36);
    EXPECT_EQ(w.stats.total, 91);
    EXPECT_NEAR(w.stats.rate, 90.1099, 1e-4);
    const VerificationKernel plain(std::make_shared<KernelData>(s, 0, false), kHundreds, true);
    const FormulaFigures p = plain.figures(c, scratch);
    EXPECT_EQ(p.stats.hitSum, 5);
    EXPECT_EQ(p.stats.total, 6);
    EXPECT_NEAR(p.stats.rate, 83.3333, 1e-4);
}

TEST(VerificationKernelTest, CountedWindowIgnoresExcludeCurrentAndCountsShortHistoriesWhole)
{
    const HistorySnapshot real = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 1000));
    ASSERT_EQ(real.size(), 1000);
    // 1000 draws, window 300: the newest 301 draws are counted.
    const KernelData w300(real, 300, true);
    EXPECT_EQ(w300.windowStart(), 699);
    EXPECT_EQ(w300.counted(), 301);
    EXPECT_FALSE(w300.leadingMiss());
    // Window "all": every draw but the oldest.
    const KernelData all(real, 0, false);
    EXPECT_EQ(all.counted(), 999);
    EXPECT_EQ(all.weightTotal(), 999);

    // 250 draws, window 300: nothing skipped, all 250 counted, and the oldest (no prediction) is a miss.
    const HistorySnapshot short250 = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 250));
    const auto data = std::make_shared<KernelData>(short250, 300, true);
    EXPECT_EQ(data->counted(), 250);
    EXPECT_TRUE(data->leadingMiss());
    EXPECT_EQ(data->weightTotal(), 250LL * 251 * 501 / 6);
    VerificationKernel k(data, kUnits, true);
    KernelScratch scratch;
    k.verdicts(candidateOf({50, 51}, 0), scratch);
    ASSERT_EQ(scratch.hits.size(), 250u);
    EXPECT_EQ(scratch.hits[0], 0);

    // No draws at all: an empty window that never qualifies.
    const VerificationKernel none(std::make_shared<KernelData>(HistorySnapshot{}, 300, true), kUnits, true);
    const FormulaFigures f = none.figures(candidateOf({1}, 0), scratch);
    EXPECT_TRUE(f.windowEmpty);
    EXPECT_FALSE(qualifies(f, Thresholds{}));
}

TEST(QualifyTest, BoundsCarryTheirSlack)
{
    FormulaFigures f;
    f.stats.rate = 50.0f;
    f.stats.errCon = 2;
    f.stats.trueCon = 48;
    f.stats.errLst = 0;
    f.stats.trueLst = 32;
    Thresholds t = Thresholds::fromTexts({"50", "100", "0", "2", "48", "32768", "0", "0", "32", "32768"});
    EXPECT_TRUE(qualifies(f, t)); // every figure equal to a bound

    f.stats.rate = 49.9998f; // 0.0002 below the lower bound
    EXPECT_FALSE(qualifies(f, t));
    f.stats.rate = 49.99995f; // within the 0.0001 slack
    EXPECT_TRUE(qualifies(f, t));
    f.stats.rate = 100.0f;
    EXPECT_TRUE(qualifies(f, t));

    f.stats.errCon = 3;
    EXPECT_FALSE(qualifies(f, t));
    f.stats.errCon = 2;
    f.stats.trueCon = 47;
    EXPECT_FALSE(qualifies(f, t));
    f.stats.trueCon = 48;
    f.stats.errLst = 1; // slot 7 = 0: the newest draw must be a hit
    EXPECT_FALSE(qualifies(f, t));
    f.stats.errLst = 0;
    f.stats.trueLst = 31;
    EXPECT_FALSE(qualifies(f, t));

    // A threshold text that is not a number counts as 0: an upper bound "x" rejects any positive run.
    f.stats.trueLst = 32;
    t = Thresholds::fromTexts({"50", "100", "0", "x", "48", "32768", "0", "0", "32", "32768"});
    EXPECT_FALSE(qualifies(f, t));
    f.stats.errCon = 0;
    EXPECT_TRUE(qualifies(f, t));
}

// The kernel must give the general evaluator's figures for the candidate's own expression text, with the
// loops of every instruction set this processor runs.
class KernelIsaTest : public ::testing::TestWithParam<KernelIsa> {
protected:
    void SetUp() override
    {
        if (!kernelIsaAvailable(GetParam())) {
            GTEST_SKIP() << "this processor does not run these loops";
        }
    }
};

TEST_P(KernelIsaTest, AgreesWithTheGeneralEvaluator)
{
    const HistorySnapshot real = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv")));
    ASSERT_GT(real.size(), 7000);
    const HistorySnapshot short250 = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 250));
    const HistorySnapshot tiny = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 2));
    const std::vector<const HistorySnapshot*> histories = {&real, &short250, &tiny};
    const int windows[] = {0, 100, 300, 3000};

    std::mt19937_64 rnd(20240611);
    KernelScratch scratch;
    int checked = 0;
    int rated = 0;
    for (const HistorySnapshot* s : histories) {
        for (int window : windows) {
            for (bool weighted : {true, false}) {
                const auto data = std::make_shared<KernelData>(*s, window, weighted);
                for (int kindNumber : kSearchedKindNumbers) {
                    for (bool kill : {true, false}) {
                        const FormulaKind kind = *formulaKindOf(kindNumber);
                        const VerificationKernel kernel(data, kind, kill, GetParam());
                        const FigureSettings settings{window, false, weighted};
                        for (int i = 0; i < 25; ++i) {
                            Candidate c;
                            c.operandCount = static_cast<std::uint8_t>(1 + rnd() % kMaxOperands);
                            for (int k = 0; k < c.operandCount; ++k) {
                                c.operands[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(1 + rnd() % 77);
                            }
                            // Small constants, negative ones, and large ones that need the 32-bit sums.
                            const int pick = static_cast<int>(rnd() % 4);
                            c.constant =
                                static_cast<std::int16_t>(pick == 0   ? static_cast<int>(rnd() % 10)
                                                          : pick == 1 ? -static_cast<int>(rnd() % 3000)
                                                          : pick == 2 ? 32000 - static_cast<int>(rnd() % 100)
                                                                      : static_cast<int>(rnd() % 65536) - 32768);
                            const Expression e = Expression::compile(candidateExpression(c));
                            ASSERT_TRUE(e.ok()) << candidateExpression(c).toStdString();
                            const FormulaFigures want = formulaFigures(*s, e, kind, kill, settings);
                            const FormulaFigures got = kernel.figures(c, scratch);
                            const std::string what = candidateExpression(c).toStdString() + " kind " +
                                                     std::to_string(kindNumber) + (kill ? " kill" : " keep") +
                                                     " window " + std::to_string(window);
                            ASSERT_EQ(got.windowEmpty, want.windowEmpty) << what;
                            ASSERT_EQ(got.stats.hitSum, want.stats.hitSum) << what;
                            ASSERT_EQ(got.stats.total, want.stats.total) << what;
                            ASSERT_EQ(got.stats.errCon, want.stats.errCon) << what;
                            ASSERT_EQ(got.stats.trueCon, want.stats.trueCon) << what;
                            ASSERT_EQ(got.stats.errLst, want.stats.errLst) << what;
                            ASSERT_EQ(got.stats.trueLst, want.stats.trueLst) << what;
                            if (!want.windowEmpty) {
                                ASSERT_EQ(got.stats.rate, want.stats.rate) << what;
                                ++rated;
                            }
                            ++checked;
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(checked, 3 * 4 * 2 * 5 * 2 * 25);
    EXPECT_GT(rated, 3000);
}

// Operands of earlier draws are the same columns shifted: the kernel agrees with the evaluator of the
// PrevN text, also where the earlier draw lies before the history (a miss whatever the sense).
TEST_P(KernelIsaTest, AgreesWithTheGeneralEvaluatorOnEarlierDraws)
{
    const HistorySnapshot real = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 700));
    const HistorySnapshot tiny = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 5));
    std::mt19937_64 rnd(20261209);
    KernelScratch scratch;
    int checked = 0;
    for (const HistorySnapshot* s : {&real, &tiny}) {
        for (int window : {0, 300, 697, 699}) {
            const auto data = std::make_shared<KernelData>(*s, window, false, 9);
            for (int kindNumber : {1, 6}) {
                for (bool kill : {true, false}) {
                    const FormulaKind kind = *formulaKindOf(kindNumber);
                    const VerificationKernel kernel(data, kind, kill, GetParam());
                    for (int i = 0; i < 40; ++i) {
                        Candidate c;
                        c.operandCount = static_cast<std::uint8_t>(1 + rnd() % 4);
                        for (int k = 0; k < c.operandCount; ++k) {
                            c.operands[static_cast<std::size_t>(k)] =
                                static_cast<std::uint16_t>(1 + rnd() % operandAlphabet(9));
                        }
                        c.constant = static_cast<std::int16_t>(i % 3 == 0 ? -static_cast<int>(rnd() % 50) : rnd() % 10);
                        const Expression e = Expression::compile(candidateExpression(c));
                        ASSERT_TRUE(e.ok()) << candidateExpression(c).toStdString();
                        const FormulaFigures want =
                            formulaFigures(*s, e, kind, kill, FigureSettings{window, false, false});
                        const FormulaFigures got = kernel.figures(c, scratch);
                        const std::string what =
                            candidateExpression(c).toStdString() + " window " + std::to_string(window);
                        ASSERT_EQ(got.stats.hitSum, want.stats.hitSum) << what;
                        ASSERT_EQ(got.stats.errCon, want.stats.errCon) << what;
                        ASSERT_EQ(got.stats.trueCon, want.stats.trueCon) << what;
                        ASSERT_EQ(got.stats.errLst, want.stats.errLst) << what;
                        ASSERT_EQ(got.stats.trueLst, want.stats.trueLst) << what;
                        ++checked;
                    }
                }
            }
        }
    }
    EXPECT_EQ(checked, 2 * 4 * 2 * 2 * 40);
}

// The figures of hit bits, draw by draw: the reference for the loops' walks over the rarer verdict.
FormulaStats figuresDrawByDraw(const KernelData& data, const std::vector<std::uint64_t>& bits)
{
    FormulaStats s;
    int hitRun = 0;
    int missRun = 0;
    for (int j = 0; j < data.counted(); ++j) {
        if ((bits[static_cast<std::size_t>(j / 64)] >> (j % 64)) & 1u) {
            s.hitSum += data.weights()[static_cast<std::size_t>(j)];
            missRun = 0;
            s.trueCon = static_cast<std::int16_t>(std::max<int>(s.trueCon, ++hitRun));
        } else {
            hitRun = 0;
            s.errCon = static_cast<std::int16_t>(std::max<int>(s.errCon, ++missRun));
        }
    }
    s.trueLst = static_cast<std::int16_t>(hitRun);
    s.errLst = static_cast<std::int16_t>(missRun);
    return s;
}

// Hit bits of every density, and runs of either verdict longer than the loops' vectors, in windows of
// every length: the loops' figures equal the draw-by-draw ones.
TEST_P(KernelIsaTest, RunFiguresOfAnyPatternOfHits)
{
    const HistorySnapshot real = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv")));
    const KernelLoops& loops = kernelLoops(GetParam());
    std::mt19937_64 rnd(20261210);
    int checked = 0;
    for (int window : {0, 100, 300, 3000}) {
        for (bool weighted : {true, false}) {
            const KernelData data(real, window, weighted);
            std::vector<std::uint64_t> bits(static_cast<std::size_t>(hitWords(data.paddedRows())));
            std::vector<std::uint16_t> positions(static_cast<std::size_t>(runPositions(data.paddedRows())));
            for (int pattern = 0; pattern < 60; ++pattern) {
                std::fill(bits.begin(), bits.end(), 0);
                // Independent draws of a density, or alternating stretches of random lengths (up to 200).
                const double density = (pattern % 10) / 9.0 * 0.96 + 0.02;
                bool stretch = pattern % 3 == 2;
                bool on = pattern % 2 == 0;
                int left = 0;
                for (int j = 0; j < data.counted(); ++j) {
                    bool hit = false;
                    if (stretch) {
                        if (left == 0) {
                            on = !on;
                            left = 1 + static_cast<int>(rnd() % 200);
                        }
                        --left;
                        hit = on;
                    } else {
                        hit = std::uniform_real_distribution<double>(0, 1)(rnd) < density;
                    }
                    if (hit) {
                        bits[static_cast<std::size_t>(j / 64)] |= std::uint64_t{1} << (j % 64);
                    }
                }
                const FormulaStats want = figuresDrawByDraw(data, bits);
                FormulaStats got;
                loops.runFigures(data, bits.data(), positions.data(), got);
                const std::string what = "window " + std::to_string(window) + " pattern " + std::to_string(pattern);
                ASSERT_EQ(got.hitSum, want.hitSum) << what;
                ASSERT_EQ(got.errCon, want.errCon) << what;
                ASSERT_EQ(got.trueCon, want.trueCon) << what;
                ASSERT_EQ(got.errLst, want.errLst) << what;
                ASSERT_EQ(got.trueLst, want.trueLst) << what;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 4 * 2 * 60);
}

INSTANTIATE_TEST_SUITE_P(VerificationKernelTest, KernelIsaTest, ::testing::Values(KernelIsa::Baseline, KernelIsa::Avx2),
                         [](const auto& info) { return info.param == KernelIsa::Avx2 ? "Avx2" : "Baseline"; });

// The bounds a search works out once give qualifies()' verdict: bounds on and just beside whole runs
// (within and past the slack), fractions, the 16-bit edges and beyond, and rates at the float bounds.
TEST(QualifyTest, PrecomputedBoundsGiveTheSameVerdicts)
{
    const std::vector<QString> bounds = {"-40000", "-1",      "0",      "0.00005", "2",     "2.9998", "2.99995",
                                         "3",      "3.00005", "3.0002", "3.5",     "32767", "32768",  "1e300"};
    const std::vector<std::int16_t> runs = {-32768, -1, 0, 2, 3, 4, 32767};
    FormulaFigures f;
    f.stats.rate = 50.0f;
    int met = 0;
    int missed = 0;
    for (int slot = 2; slot < kThresholdSlots; slot += 2) {
        for (const QString& low : bounds) {
            for (const QString& high : bounds) {
                std::array<QString, kThresholdSlots> texts = {"50",    "50",     "-40000", "40000",  "-40000",
                                                              "40000", "-40000", "40000",  "-40000", "40000"};
                texts[static_cast<std::size_t>(slot)] = low;
                texts[static_cast<std::size_t>(slot) + 1] = high;
                const Thresholds t = Thresholds::fromTexts(texts);
                const QualifyBounds bounded(t);
                for (std::int16_t r : runs) {
                    f.stats.errCon = slot == 2 ? r : 1;
                    f.stats.trueCon = slot == 4 ? r : 1;
                    f.stats.errLst = slot == 6 ? r : 1;
                    f.stats.trueLst = slot == 8 ? r : 1;
                    const bool expected = qualifies(f, t);
                    (expected ? met : missed) += 1;
                    ASSERT_EQ(bounded(f), expected)
                        << "slot " << slot << " [" << low.toStdString() << ", " << high.toStdString() << "] run " << r;
                }
            }
        }
    }
    EXPECT_GT(met, 100);
    EXPECT_GT(missed, 100);

    const Thresholds t = Thresholds::fromTexts({"50", "60", "0", "32768", "0", "32768", "0", "32768", "0", "32768"});
    for (float rate : {49.9998f, 49.99995f, 50.0f, 60.00005f, 60.0002f}) {
        f.stats = FormulaStats{};
        f.stats.rate = rate;
        EXPECT_EQ(QualifyBounds(t)(f), qualifies(f, t)) << rate;
    }
    f.windowEmpty = true;
    f.stats.rate = 55.0f;
    EXPECT_FALSE(QualifyBounds(t)(f));
}

} // namespace
} // namespace korvel
