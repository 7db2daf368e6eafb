#include "search/CandidateChance.h"

#include "formula/Expression.h"
#include "search/SearchKind.h"
#include "support/TestData.h"
#include "verify/Evaluation.h"

#include <gtest/gtest.h>

#include <random>

namespace korvel {
namespace {

// The figures of an accepted candidate must be those the formula list shows for its saved expression over
// the same draws (the search counts its window with "SyBq" off).
TEST(CandidateChance, AgreesWithTheListsChanceFiguresForTheSavedExpression)
{
    const HistorySnapshot draws1500 = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 1500));
    const HistorySnapshot draws250 = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), 250));
    std::mt19937_64 rnd(77);
    int withNoDigit = 0;
    for (const HistorySnapshot* s : {&draws1500, &draws250}) {
        for (const int window : {0, 300}) {
            for (const bool weighted : {true, false}) {
                const KernelData data(*s, window, weighted);
                const int start = evaluationWindowStart(s->size(), window, false);
                for (const int kindNumber : kSearchedKindNumbers) {
                    for (const bool kill : {true, false}) {
                        const FormulaKind kind = *formulaKindOf(kindNumber);
                        for (int i = 0; i < 6; ++i) {
                            Candidate c;
                            c.operandCount = static_cast<std::uint8_t>(1 + rnd() % 4);
                            for (int k = 0; k < c.operandCount; ++k) {
                                c.operands[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(1 + rnd() % 77);
                            }
                            c.constant = static_cast<std::int16_t>(static_cast<int>(rnd() % 40) - 30);
                            const QString text = candidateExpression(c);
                            SCOPED_TRACE(text.toStdString() + " kind " + std::to_string(kindNumber));
                            const Expression e = Expression::compile(text);
                            ASSERT_TRUE(e.ok());
                            const FormulaEvaluation eval = EvaluateFormula(*s, e, kind, kill, start);
                            const ChanceFigures want = chanceFigures(eval, start, kind, kill, weighted);
                            const ChanceFigures got = candidateChance(data, c, kind, kill);
                            ASSERT_EQ(got.draws, want.draws);
                            ASSERT_EQ(got.hits, want.hits);
                            ASSERT_EQ(got.named, want.named);
                            ASSERT_EQ(got.noDigit, want.noDigit);
                            ASSERT_NEAR(got.baseline, want.baseline, 1e-9);
                            withNoDigit += got.noDigit > 0;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(withNoDigit, 20); // negative constants made values that name no digit
}

} // namespace
} // namespace korvel
