#include "verify/HitRule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace korvel {
namespace {

const FormulaKind k1D{1, Play::Single};
const FormulaKind k2D{2, Play::Single};
const FormulaKind k3D{3, Play::Single};
const FormulaKind k2G{2, Play::Group};
const FormulaKind k3G{3, Play::Group};

TEST(HitRule, JudgedDigitsOfEachKind)
{
    // Digit numbers: 1 百位, 2 十位, 3 个位; a single play is judged on its own position only.
    const struct {
        FormulaKind kind;
        int count;
        std::array<int, 3> numbers;
    } cases[] = {
        {k1D, 1, {3, 3, 3}}, {k2D, 1, {2, 2, 2}}, {k3D, 1, {1, 1, 1}}, {k2G, 2, {2, 3, 2}}, {k3G, 3, {1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind.shortName().toStdString());
        const JudgedDigits j = judgedDigits(c.kind);
        EXPECT_EQ(j.count, c.count);
        EXPECT_EQ(j.numbers, c.numbers);
        EXPECT_EQ(judgedPositions(c.kind), c.count);
    }
}

// The rule as the statements of the formula tables state it, one condition per kind and sense, checked on
// every remainder -9..9 against every draw.
TEST(HitRule, ScalarRuleMatchesTheStatementOfEachKindOnEveryDraw)
{
    for (int v = -19; v <= 19; ++v) {
        const int r = v % 10;
        for (int d = 0; d < 1000; ++d) {
            const int d1 = d / 100;
            const int d2 = d / 10 % 10;
            const int d3 = d % 10;
            const bool in3D = r == d1;
            const bool in2D = r == d2;
            const bool in1D = r == d3;
            const bool in2G = r == d2 || r == d3;
            const bool in3G = r == d1 || r == d2 || r == d3;
            EXPECT_EQ(isHit(k1D, true, v, d1, d2, d3), !in1D);
            EXPECT_EQ(isHit(k1D, false, v, d1, d2, d3), in1D);
            EXPECT_EQ(isHit(k2D, true, v, d1, d2, d3), !in2D);
            EXPECT_EQ(isHit(k2D, false, v, d1, d2, d3), in2D);
            EXPECT_EQ(isHit(k3D, true, v, d1, d2, d3), !in3D);
            EXPECT_EQ(isHit(k3D, false, v, d1, d2, d3), in3D);
            EXPECT_EQ(isHit(k2G, true, v, d1, d2, d3), !in2G);
            EXPECT_EQ(isHit(k2G, false, v, d1, d2, d3), in2G);
            EXPECT_EQ(isHit(k3G, true, v, d1, d2, d3), !in3G);
            EXPECT_EQ(isHit(k3G, false, v, d1, d2, d3), in3G);
            if (HasFailure()) {
                FAIL() << "value " << v << " on " << d1 << d2 << d3;
            }
        }
    }
    for (const FormulaKind& kind : kAllKinds) {
        EXPECT_FALSE(isHit(kind, true, std::nullopt, 1, 2, 3)); // an empty prediction misses either sense
        EXPECT_FALSE(isHit(kind, false, std::nullopt, 1, 2, 3));
    }
}

TEST(HitRule, ValueToRemainderAndNamedDigit)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        std::optional<double> value;
        std::optional<int> remainder;
        int digit;
    } cases[] = {
        {27.0, 7, 7},
        {-13.0, -3, kNoDigit}, // a negative remainder names no digit
        {-10.0, 0, 0},
        {2.5, 2, 2}, // half to even
        {3.5, 4, 4},
        {-2.5, -2, kNoDigit},
        {15.5, 6, 6},
        {12.5, 2, 2},
        {-0.4, 0, 0},
        {0.5, 0, 0},
        {9.5, 0, 0},
        {2147483647.0, 7, 7},
        {2147483647.4, 7, 7},
        {2147483647.5, std::nullopt, kNoDigit}, // rounds to 2^31: outside the 32-bit range
        {-2147483648.5, -8, kNoDigit},          // rounds to -2^31 (even): inside
        {-2147483649.0, std::nullopt, kNoDigit},
        {1e300, std::nullopt, kNoDigit},
        {nan, std::nullopt, kNoDigit},
        {-inf, std::nullopt, kNoDigit},
        {std::nullopt, std::nullopt, kNoDigit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? std::to_string(*c.value) : std::string("empty"));
        EXPECT_EQ(valueRemainder(c.value), c.remainder);
        EXPECT_EQ(namedDigit(c.value), c.digit);
    }
}

// Values that exercise every branch of the reading: integers near and beyond the 32-bit limits, halves (ties
// round to even), negatives (negative remainders), NaN and infinities.
std::vector<double> randomValues(std::mt19937& rng, int n)
{
    std::uniform_int_distribution<int> pick(0, 7);
    std::uniform_int_distribution<int> small(-60, 60);
    std::uniform_real_distribution<double> wide(-3e9, 3e9);
    std::uniform_int_distribution<int> nearLimit(-3, 3);
    std::vector<double> out(static_cast<std::size_t>(n));
    for (double& v : out) {
        switch (pick(rng)) {
        case 0:
            v = small(rng);
            break;
        case 1:
            v = small(rng) + 0.5;
            break;
        case 2:
            v = small(rng) * 0.37;
            break;
        case 3:
            v = std::round(wide(rng));
            break;
        case 4:
            v = wide(rng);
            break;
        case 5:
            v = 2147483647.0 + nearLimit(rng) + (nearLimit(rng) > 0 ? 0.5 : 0.0);
            break;
        case 6:
            v = -2147483648.0 + nearLimit(rng) - (nearLimit(rng) > 0 ? 0.5 : 0.0);
            break;
        default: {
            const double odd[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(), -0.0, 1e19};
            v = odd[static_cast<std::size_t>(small(rng) + 60) % 5];
        }
        }
    }
    return out;
}

TEST(HitRule, ColumnReadingEqualsTheScalarReading)
{
    std::mt19937 rng(20240515);
    std::bernoulli_distribution set(0.85);
    const int n = 4099; // not a multiple of any vector width
    const std::vector<double> values = randomValues(rng, n);
    std::vector<std::uint8_t> valid(static_cast<std::size_t>(n));
    for (auto& v : valid) {
        v = set(rng) ? 1 : 0;
    }
    std::vector<std::int32_t> intValues(static_cast<std::size_t>(n), -7);
    std::vector<std::int16_t> remainder(static_cast<std::size_t>(n), -7);
    std::vector<std::uint8_t> readable(static_cast<std::size_t>(n), 7);
    readValues(values.data(), valid.data(), n, intValues.data(), remainder.data(), readable.data());
    int negative = 0;
    int outside = 0;
    for (std::size_t k = 0; k < values.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "row " << k << " value " << values[k] << " valid " << int(valid[k]));
        const std::optional<double> value = valid[k] ? std::optional<double>(values[k]) : std::nullopt;
        const std::optional<int> r = valueRemainder(value);
        ASSERT_EQ(readable[k] != 0, r.has_value());
        ASSERT_LE(readable[k], 1);
        if (r) {
            EXPECT_EQ(intValues[k], toInt32HalfEven(values[k]));
            EXPECT_EQ(remainder[k], *r);
            negative += *r < 0;
        }
        if (!toInt32HalfEven(values[k])) {
            EXPECT_EQ(remainder[k], kOutsideRemainder);
            ++outside;
        }
    }
    // The draw of values reached both kinds of value that name no digit.
    EXPECT_GT(negative, 100);
    EXPECT_GT(outside, 100);
}

TEST(HitRule, ColumnVerdictsEqualTheScalarRuleForEveryKindAndSense)
{
    std::mt19937 rng(7760);
    std::uniform_int_distribution<int> digit(0, 9);
    std::bernoulli_distribution set(0.9);
    const int n = 2051;
    const std::vector<double> values = randomValues(rng, n);
    std::vector<std::uint8_t> valid(static_cast<std::size_t>(n));
    for (auto& v : valid) {
        v = set(rng) ? 1 : 0;
    }
    std::vector<std::int32_t> intValues(static_cast<std::size_t>(n));
    std::vector<std::int16_t> remainder(static_cast<std::size_t>(n));
    std::vector<std::uint8_t> readable(static_cast<std::size_t>(n));
    readValues(values.data(), valid.data(), n, intValues.data(), remainder.data(), readable.data());
    // Small values keep every remainder -9..9 frequent, so that each one meets matching draw digits.
    std::vector<std::int16_t> drawn[3];
    for (auto& column : drawn) {
        column.resize(static_cast<std::size_t>(n));
        for (auto& d : column) {
            d = static_cast<std::int16_t>(digit(rng));
        }
    }
    const std::array<const std::int16_t*, 3> columns = {drawn[0].data(), drawn[1].data(), drawn[2].data()};
    for (const FormulaKind& kind : kAllKinds) {
        for (const bool kill : {true, false}) {
            SCOPED_TRACE(kind.shortName().toStdString() + (kill ? " kill" : " keep"));
            // Rows from an odd offset as well, as the evaluator judges from the window's first row.
            for (const int from : {0, 3}) {
                std::vector<std::uint8_t> hit(static_cast<std::size_t>(n), 7);
                const std::array<const std::int16_t*, 3> at = {columns[0] + from, columns[1] + from, columns[2] + from};
                judgeRows(kind, kill, remainder.data() + from, readable.data() + from, at, n - from, hit.data());
                int hits = 0;
                for (int k = 0; k < n - from; ++k) {
                    const auto i = static_cast<std::size_t>(k + from);
                    const std::optional<std::int32_t> carried =
                        readable[i] ? std::optional<std::int32_t>(intValues[i]) : std::nullopt;
                    const bool expected = isHit(kind, kill, carried, drawn[0][i], drawn[1][i], drawn[2][i]);
                    ASSERT_EQ(hit[static_cast<std::size_t>(k)], expected ? 1 : 0)
                        << "row " << i << " value " << values[i] << " on " << drawn[0][i] << drawn[1][i] << drawn[2][i];
                    hits += expected;
                }
                EXPECT_GT(hits, 0);
                EXPECT_LT(hits, n - from);
            }
        }
    }
}

} // namespace
} // namespace korvel
