#include "search/Candidate.h"
#include "search/CandidateSpace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace korvel {
namespace {

Candidate candidateOf(std::initializer_list<int> numbers, int constant)
{
    Candidate c;
    for (int n : numbers) {
        c.operands[c.operandCount++] = static_cast<std::uint8_t>(n);
    }
    c.constant = static_cast<std::int16_t>(constant);
    return c;
}

TEST(CandidateTexts, BothDisplayFormsOfTheSameCandidate)
{
    // Numbers 1 (百位码, L1A) and 50 (和数, LH), constant 5, 个位单选, 杀.
    const Candidate c = candidateOf({1, 50}, 5);
    const FormulaKind units{1, Play::Single};
    EXPECT_EQ(candidateExpression(c), QStringLiteral("L1A+LH+5"));
    EXPECT_EQ(candidateText(c, units, true, DisplayForm::Bracket), QStringLiteral("[个位单选杀]百位码+和数+5"));
    EXPECT_EQ(candidateText(c, units, true, DisplayForm::Equation), QStringLiteral("百位码+和数+5=下期杀个位单选"));
    // Group play and keep carry their own words; a negative constant is written after the "+".
    const Candidate k = candidateOf({62, 3}, -3);
    EXPECT_EQ(candidateExpression(k), QStringLiteral("LT+L3A+-3"));
    EXPECT_EQ(candidateText(k, FormulaKind{3, Play::Group}, false, DisplayForm::Bracket),
              QStringLiteral("[百位通选生]跨度+个位码+-3"));
    EXPECT_EQ(candidateText(k, FormulaKind{2, Play::Group}, false, DisplayForm::Equation),
              QStringLiteral("跨度+个位码+-3=下期生十位通选"));
}

TEST(CandidateTexts, SpecifiedConstantRules)
{
    EXPECT_EQ(specifiedConstant(QStringLiteral("abc")), std::int16_t{0});
    EXPECT_EQ(specifiedConstant(QString()), std::int16_t{0});
    EXPECT_EQ(specifiedConstant(QStringLiteral("12ab")), std::int16_t{0}); // not a number as a whole
    EXPECT_EQ(specifiedConstant(QStringLiteral("4.5")), std::int16_t{4});
    EXPECT_EQ(specifiedConstant(QStringLiteral("5.5")), std::int16_t{6});
    EXPECT_EQ(specifiedConstant(QStringLiteral("-2.5")), std::int16_t{-2});
    EXPECT_EQ(specifiedConstant(QStringLiteral(" 7 ")), std::int16_t{7});
    EXPECT_EQ(specifiedConstant(QStringLiteral("32767")), std::int16_t{32767});
    EXPECT_EQ(specifiedConstant(QStringLiteral("-32768")), std::int16_t{-32768});
    EXPECT_FALSE(specifiedConstant(QStringLiteral("32768")).has_value());
    EXPECT_FALSE(specifiedConstant(QStringLiteral("1e6")).has_value());

    // A letters field yields "+0" at the end of both texts.
    CandidateGenerator gen(1);
    const Candidate c = gen.next({2, ConstantMode::Specified, *specifiedConstant(QStringLiteral("x"))});
    EXPECT_TRUE(candidateExpression(c).endsWith(QStringLiteral("+0")));
    EXPECT_TRUE(
        candidateText(c, FormulaKind{1, Play::Single}, true, DisplayForm::Bracket).endsWith(QStringLiteral("+0")));
}

TEST(CandidateGeneratorTest, DrawsFromOneRunningSequence)
{
    CandidateGenerator a(42);
    CandidateGenerator b(42);
    std::set<Candidate, bool (*)(const Candidate&, const Candidate&)> seen(
        [](const Candidate& x, const Candidate& y) { return candidateExpression(x) < candidateExpression(y); });
    std::array<int, kVocabularySize + 1> counts{};
    std::array<int, 10> digits{};
    const CandidateRule rule{8, ConstantMode::Random, 0};
    for (int i = 0; i < 20000; ++i) {
        const Candidate ca = a.next(rule);
        ASSERT_EQ(ca, b.next(rule)); // the same seed gives the same candidates
        ASSERT_EQ(ca.operandCount, 8);
        for (int k = 0; k < 8; ++k) {
            const int n = ca.operands[static_cast<std::size_t>(k)];
            ASSERT_GE(n, 1);
            ASSERT_LE(n, kVocabularySize);
            ++counts[static_cast<std::size_t>(n)];
        }
        ASSERT_GE(ca.constant, 0);
        ASSERT_LE(ca.constant, 9);
        ++digits[static_cast<std::size_t>(ca.constant)];
        seen.insert(ca);
    }
    // Consecutive candidates do not repeat (a clock-reseeded generator would repeat within a tick).
    EXPECT_EQ(seen.size(), 20000u);
    // Uniform over 1..77: 160 000 draws give about 2078 per number.
    for (int n = 1; n <= kVocabularySize; ++n) {
        EXPECT_GT(counts[static_cast<std::size_t>(n)], 1800) << n;
        EXPECT_LT(counts[static_cast<std::size_t>(n)], 2350) << n;
    }
    for (int d = 0; d < 10; ++d) {
        EXPECT_GT(digits[static_cast<std::size_t>(d)], 1700) << d;
        EXPECT_LT(digits[static_cast<std::size_t>(d)], 2300) << d;
    }
    // A different seed gives a different sequence.
    CandidateGenerator c(43);
    CandidateGenerator d(42);
    EXPECT_FALSE(c.next(rule) == d.next(rule));
}

// The search builds its batches with appendNext(): the same candidates, and the generator left at the same
// place, as one next() after another, for every operand count, earlier-draw alphabet and constant rule.
TEST(CandidateGeneratorTest, BatchesAreTheCandidatesOneByOne)
{
    for (const CandidateRule rule :
         {CandidateRule{8, ConstantMode::Random, 0}, CandidateRule{2, ConstantMode::Specified, 5},
          CandidateRule{kMaxOperands, ConstantMode::Random, 0, kMaxLag},
          CandidateRule{1, ConstantMode::Random, -3, 2}}) {
        CandidateGenerator batched(20261209);
        CandidateGenerator single(20261209);
        std::vector<Candidate> batch;
        std::vector<std::uint64_t> keys{17}; // appended to: what was there stays
        bool withKeys = false;
        for (std::size_t n : {std::size_t{1}, std::size_t{415}, std::size_t{4}, std::size_t{20000}}) {
            batch.clear();
            keys.resize(1);
            withKeys = !withKeys;
            batched.appendNext(rule, n, batch, withKeys ? &keys : nullptr);
            ASSERT_EQ(batch.size(), n);
            ASSERT_EQ(keys.size(), withKeys ? n + 1 : 1);
            EXPECT_EQ(keys[0], 17u);
            for (std::size_t i = 0; i < n; ++i) {
                ASSERT_EQ(batch[i], single.next(rule)) << "operands " << rule.operandCount << ", candidate " << i;
                if (withKeys) {
                    ASSERT_EQ(keys[i + 1], CandidateSpace::key(batch[i])) << "candidate " << i;
                }
            }
        }
        EXPECT_EQ(batched.next64(), single.next64()); // both left at the same place
    }
}

// The integer scaling against the double product it stands for, where they can part: numbers just around
// each multiple of 2^53 / k, where rounding the product to a double can carry it up to the next integer.
TEST(CandidateGeneratorTest, ScaledDrawsRoundAsTheDoubleProductDoes)
{
    int roundedUp = 0;
    for (const int k : {10, 77, 770, 1024}) {
        for (std::uint64_t j = 1; j < static_cast<std::uint64_t>(k); ++j) {
            const std::uint64_t edge = ((j << 53) + static_cast<std::uint64_t>(k) - 1) / static_cast<std::uint64_t>(k);
            for (std::uint64_t m = edge - 3; m <= edge + 2; ++m) {
                const double product = static_cast<double>(m) * 0x1.0p-53 * k;
                const int expected = std::min(static_cast<int>(product), k - 1);
                roundedUp += expected != static_cast<int>(m * static_cast<std::uint64_t>(k) >> 53) ? 1 : 0;
                ASSERT_EQ(scaledBelow((m << 11) | 0x5A5u, k), expected) << "k " << k << ", m " << m;
            }
        }
    }
    // The top of the range: below k whatever the rounding.
    EXPECT_EQ(scaledBelow(~std::uint64_t{0}, 770), 769);
    EXPECT_EQ(scaledBelow(0, 10), 0);
    EXPECT_GT(roundedUp, 0); // the cases where plain integer division would differ were met
}

} // namespace
} // namespace korvel
