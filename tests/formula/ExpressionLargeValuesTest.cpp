#include "formula/Expression.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"

#include "support/TestData.h"

#include <gtest/gtest.h>

#include <optional>

namespace korvel {
namespace {

// One draw per year 2004..2020 with 年份 (NF) = the year and 和数 (LH) = 10.
HistorySnapshot yearsSnapshot()
{
    HistorySnapshot s;
    for (int year = 2004; year <= 2020; ++year) {
        DrawParams p{};
        p[paramIndex(Param::NF)] = static_cast<std::int16_t>(year);
        p[paramIndex(Param::LH)] = 10;
        s.append(QStringLiteral("%1001").arg(year), p);
    }
    return s;
}

QString repeated(const QString& factor, int times)
{
    QStringList parts;
    for (int i = 0; i < times; ++i) {
        parts << factor;
    }
    return parts.join(QLatin1Char('*'));
}

std::optional<double> valueOf(const QString& expressionText, const HistorySnapshot& s, int row = 0)
{
    const Expression e = Expression::compile(expressionText);
    EXPECT_TRUE(e.ok()) << expressionText.toStdString();
    return e.evaluateRow(s, row);
}

// Remainders of integers beyond 2^53 (where doubles skip integers) are exact; by hand:
// 34134787621641376 = 7 * 4876398231663053 + 5; 2^3 = 8 leaves 1 by 7, so 2^55 leaves 2;
// 10 leaves 3 and 3^6 = 729 leaves 1, so 10^18 leaves 1.
TEST(ExpressionLargeValues, ConstantsBeyondTwoTo53KeepTheirTrueRemainder)
{
    const HistorySnapshot s = yearsSnapshot();
    EXPECT_EQ(valueOf(QStringLiteral("34134787621641376 MOD 7"), s), 5.0);
    EXPECT_EQ(valueOf(QStringLiteral("34134787621641376 \\ 7"), s), 4876398231663053.0);
    EXPECT_EQ(valueOf(QStringLiteral("-34134787621641376 MOD 7"), s), -5.0);
    EXPECT_EQ(valueOf(QStringLiteral("36028797018963968 MOD 7"), s), 2.0);
    EXPECT_EQ(valueOf(repeated(QStringLiteral("2"), 55) + QStringLiteral(" MOD 7"), s), 2.0);
    EXPECT_EQ(valueOf(QStringLiteral("1000000000000000000 MOD 7"), s), 1.0);
    // Beside a column, so the constant is not folded away.
    EXPECT_EQ(valueOf(QStringLiteral("(34134787621641376 + LH - LH) MOD 7"), s), 5.0);
    EXPECT_EQ(valueOf(QStringLiteral("LH + 34134787621641376 MOD 7"), s), 15.0);
}

TEST(ExpressionLargeValues, ProductsOfColumnsBeyondTwoTo53KeepTheirTrueRemainder)
{
    const HistorySnapshot s = yearsSnapshot();
    const Expression fifth = Expression::compile(repeated(QStringLiteral("NF"), 5) + QStringLiteral(" MOD 7"));
    const Expression plusOne =
        Expression::compile(QStringLiteral("(%1 + 1 - %1) MOD 7").arg(repeated(QStringLiteral("NF"), 5)));
    ASSERT_TRUE(fifth.ok() && plusOne.ok());
    ValueColumn out;
    fifth.evaluate(s, 0, s.size(), out);
    ValueColumn one;
    plusOne.evaluate(s, 0, s.size(), one);
    for (int row = 0; row < s.size(); ++row) {
        const int year = 2004 + row;
        int remainder = 1; // year^5 MOD 7, one factor at a time
        for (int i = 0; i < 5; ++i) {
            remainder = remainder * (year % 7) % 7;
        }
        SCOPED_TRACE(year);
        ASSERT_TRUE(out.valid[static_cast<std::size_t>(row)]);
        EXPECT_EQ(out.value[static_cast<std::size_t>(row)], remainder);
        EXPECT_EQ(one.value[static_cast<std::size_t>(row)], 1.0);
    }
    // The report's case: 2012^5 leaves 5.
    EXPECT_EQ(out.value[8], 5.0);
    // 10^18 as a product of columns.
    EXPECT_EQ(valueOf(repeated(QStringLiteral("LH"), 18) + QStringLiteral(" MOD 7"), s), 1.0);
    EXPECT_EQ(valueOf(repeated(QStringLiteral("LH"), 18) + QStringLiteral(" \\ 7 MOD 10"), s),
              7.0); // 142857142857142857
}

TEST(ExpressionLargeValues, WhatCannotBeComputedExactlyIsEmptyNeverAWrongDigit)
{
    const HistorySnapshot s = yearsSnapshot();
    const QString fifth = repeated(QStringLiteral("NF"), 5);
    // A real quotient beyond 2^53 has no knowable remainder.
    EXPECT_EQ(valueOf(QStringLiteral("(%1 / 3) MOD 7").arg(fifth), s, 1), std::nullopt);
    // 2005^13 is beyond 128 bits.
    EXPECT_EQ(valueOf(repeated(QStringLiteral("NF"), 13) + QStringLiteral(" MOD 7"), s, 1), std::nullopt);
    EXPECT_EQ(valueOf(repeated(QStringLiteral("LH"), 40) + QStringLiteral(" MOD 7"), s), std::nullopt);
    // An exact quotient is an integer again: 2006^5 / 2006 = 2006^4; 2006 leaves 4, 4^4 = 256 leaves 4.
    EXPECT_EQ(valueOf(QStringLiteral("(%1 / NF) MOD 7").arg(fifth), s, 2), 4.0);
    // Values that stay small are computed as before, empty rows included.
    EXPECT_EQ(valueOf(QStringLiteral("NF*LH MOD 7"), s), 20040.0 - 7.0 * 2862.0);
    EXPECT_EQ(valueOf(QStringLiteral("%1 MOD (LH - 10)").arg(fifth), s), std::nullopt);
}

// Issue 24 item 25: each product stays below 2^53 while their sum goes above it, so no single product tells
// that the doubles lost the last digit; the limit per node (2^53 over the node count) must. By hand, with the
// newest real draw of the bundled history, 2026253 "034" (百位 L1A = 0, 十位 L2A = 3, 个位 L3A = 4):
//   (0*3 + 82) * 54000000000001 = 4428000000000082   (below 2^53 = 9007199254740992)
//   (4 + 82)   * 54000000000001 = 4644000000000086   (below 2^53)
//   sum + 1                     = 9072000000000169   (above 2^53: doubles hold only even integers there)
// so MOD 10 is 9; in doubles the sum rounds to ...168 and gives 8. Generally 54000000000001 leaves 1 by 10,
// so the value is (L1A*L2A + L3A + 82 + 82 + 1) MOD 10 for every draw.
TEST(ExpressionLargeValues, ASumOfProductsBelowTwoTo53ThatGoesAboveItKeepsItsTrueRemainder)
{
    const HistorySnapshot s = test::snapshotOf(test::loadDraws(QStringLiteral("fc3d_draws.tsv")));
    const int newest = s.size() - 1;
    ASSERT_EQ(s.issue(newest), QStringLiteral("2026253"));
    ASSERT_EQ(s.value(newest, Param::L1A), 0);
    ASSERT_EQ(s.value(newest, Param::L2A), 3);
    ASSERT_EQ(s.value(newest, Param::L3A), 4);
    const Expression e =
        Expression::compile(QStringLiteral("((L1A*L2A+82)*54000000000001+(L3A+82)*54000000000001+1) MOD 10"));
    ASSERT_TRUE(e.ok()) << e.error().toStdString();
    EXPECT_EQ(e.evaluateRow(s, newest), 9.0);

    ValueColumn out;
    e.evaluate(s, 0, s.size(), out);
    ASSERT_TRUE(out.allValid);
    int aboveTwo53 = 0;
    for (int row = 0; row < s.size(); ++row) {
        const int a = s.value(row, Param::L1A);
        const int b = s.value(row, Param::L2A);
        const int c = s.value(row, Param::L3A);
        ASSERT_EQ(out.value[static_cast<std::size_t>(row)], (a * b + c + 165) % 10) << s.issue(row).toStdString();
        aboveTwo53 += a * b + c + 164 > 166 ? 1 : 0; // (a*b + c + 164) * 54000000000001 + 1 > 2^53
    }
    EXPECT_GT(aboveTwo53, 7000);
}

// A real quotient beyond 2^53 has no knowable remainder, on every row of a column: 2004, 2007, ... (the years
// that 3 divides) give an exact integer quotient, the others stay empty.
TEST(ExpressionLargeValues, ARealQuotientBeyondTwoTo53StaysEmptyOnEveryRow)
{
    const HistorySnapshot s = yearsSnapshot();
    const Expression e = Expression::compile(QStringLiteral("(NF*NF*NF*NF*NF / 3) MOD 7"));
    ASSERT_TRUE(e.ok());
    ValueColumn out;
    e.evaluate(s, 0, s.size(), out);
    int exact = 0;
    for (int row = 0; row < s.size(); ++row) {
        const int year = 2004 + row;
        SCOPED_TRACE(year);
        if (year % 3 != 0) {
            EXPECT_FALSE(out.valid[static_cast<std::size_t>(row)]);
            EXPECT_EQ(e.evaluateRow(s, row), std::nullopt);
            continue;
        }
        // year^5 / 3 = 81 * (year / 3)^5 exactly; its remainder by 7, one factor at a time.
        int remainder = 81 % 7;
        for (int i = 0; i < 5; ++i) {
            remainder = remainder * (year / 3 % 7) % 7;
        }
        ASSERT_TRUE(out.valid[static_cast<std::size_t>(row)]);
        EXPECT_EQ(out.value[static_cast<std::size_t>(row)], remainder);
        ++exact;
    }
    EXPECT_EQ(exact, 6); // 2004, 2007, 2010, 2013, 2016, 2019
}

} // namespace
} // namespace korvel
