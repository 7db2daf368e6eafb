#include "formula/Expression.h"
#include "verify/Evaluation.h"

#include "support/RandomFormula.h"
#include "support/SqlReference.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvel {
namespace {

// Thousands of random formulas, evaluated by the engine and by the SQL-per-formula reference on SQLite over the
// same real draws: the value, the remainder carried to the next draw and the verdict must agree on every
// draw.
TEST(ExpressionDifferential, EngineAgreesWithSqlOnRealDraws)
{
    constexpr int kDraws = 300;
    constexpr int kFormulas = 2000;
    const HistorySnapshot snap = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv"), kDraws));
    ASSERT_EQ(snap.size(), kDraws);
    SQLite::Database db(":memory:", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    test::loadDrawTable(db, snap);

    test::RandomFormulaGenerator gen(20240601);
    int emptyRows = 0;
    int fractionalRows = 0;
    int negativeRemainders = 0;
    int hitRows = 0;
    int compared = 0;
    for (int f = 0; f < kFormulas; ++f) {
        // A few formulas through the reference's walk as well, to keep the two carry modes honest.
        const test::Carry carry = f % 50 == 0 ? test::Carry::Walk : test::Carry::Statement;
        const test::GeneratedFormula g = gen.next(4);
        const FormulaKind kind = kAllKinds[static_cast<std::size_t>(f % 5)];
        const bool kill = (f / 5) % 2 == 0;
        const Expression x = Expression::compile(g.expressionText);
        ASSERT_TRUE(x.ok()) << g.expressionText.toStdString() << ": " << x.error().toStdString();
        const FormulaEvaluation e = EvaluateFormula(snap, x, kind, kill);
        const std::vector<test::SqlReferenceRow> ref =
            test::sqlReferenceEvaluate(db, g.sql, kind, kill, true, 0, carry);
        ASSERT_EQ(static_cast<int>(ref.size()), kDraws);
        for (int r = 0; r < kDraws; ++r) {
            const auto& want = ref[static_cast<std::size_t>(r)];
            const auto got = e.value(r);
            ASSERT_EQ(got.has_value(), want.intValues.has_value())
                << g.expressionText.toStdString() << " | " << g.sql << " at row " << r;
            if (got) {
                const double tolerance = 1e-9 * std::max(1.0, std::fabs(*want.intValues));
                ASSERT_NEAR(*got, *want.intValues, tolerance) << g.expressionText.toStdString() << " | " << g.sql;
                fractionalRows += *got != std::floor(*got);
            } else {
                ++emptyRows;
            }
            const auto rem = e.remainder(r);
            ASSERT_EQ(rem.has_value(), want.remainder.has_value()) << g.expressionText.toStdString() << " row " << r;
            if (rem) {
                ASSERT_EQ(*rem, *want.remainder) << g.expressionText.toStdString() << " row " << r;
                negativeRemainders += *rem < 0;
            }
            ASSERT_EQ(e.hit(r), want.hit) << g.expressionText.toStdString() << " " << kind.label().toStdString()
                                          << (kill ? " kill" : " keep") << " row " << r;
            hitRows += want.hit;
            ++compared;
        }
    }
    // The random formulas really exercise the interesting cases.
    EXPECT_GT(emptyRows, compared / 50);
    EXPECT_GT(fractionalRows, compared / 50);
    EXPECT_GT(negativeRemainders, compared / 50);
    EXPECT_GT(hitRows, compared / 10);
}

} // namespace
} // namespace korvel
