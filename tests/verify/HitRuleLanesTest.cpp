// 32-byte vectors are passed between this file's own functions only: the ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "verify/HitRuleLanes.h"

#include <gtest/gtest.h>

#include <random>

using namespace korvel;

namespace {

// Every lane of the vector rule against the scalar rule: random values (negative remainders among them),
// random digits and random empty lanes, each kind and sense, for vectors of 8 and 16 lanes.
using Shorts8 = std::int16_t __attribute__((vector_size(16)));
using Shorts16 = std::int16_t __attribute__((vector_size(32)));

template <class Shorts> void checkShortLanes(std::uint64_t seed)
{
    constexpr int kLanes = static_cast<int>(sizeof(Shorts) / 2);
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::uniform_int_distribution<int> digit(0, 9);
    int negatives = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        const FormulaKind kind = kAllKinds[static_cast<std::size_t>(trial % 5)];
        const bool kill = trial % 2 == 0;
        const JudgedDigits judged = judgedDigits(kind);
        Shorts v{};
        Shorts readable{};
        Shorts drawn[3] = {};
        for (int i = 0; i < kLanes; ++i) {
            v[i] = static_cast<std::int16_t>(trial % 3 == 0 ? value(rng) % 30 : value(rng));
            readable[i] = static_cast<std::int16_t>(rng() % 5 == 0 ? 0 : -1);
            for (auto& d : drawn) {
                d[i] = static_cast<std::int16_t>(digit(rng));
            }
        }
        const Shorts a = drawn[judged.numbers[0] - 1];
        const Shorts b = drawn[judged.numbers[1] - 1];
        const Shorts c = drawn[judged.numbers[2] - 1];
        const Shorts r = lanes::remainder(v);
        Shorts present{};
        if (judged.count == 1) {
            present = lanes::present<1>(r, a, b, c);
        } else if (judged.count == 2) {
            present = lanes::present<2>(r, a, b, c);
        } else {
            present = lanes::present<3>(r, a, b, c);
        }
        const Shorts hit = lanes::hit(present, readable, kill);
        for (int i = 0; i < kLanes; ++i) {
            ASSERT_EQ(r[i], predictedRemainder(v[i])) << v[i];
            negatives += r[i] < 0 ? 1 : 0;
            const std::optional<std::int32_t> carried =
                readable[i] != 0 ? std::optional<std::int32_t>(v[i]) : std::nullopt;
            ASSERT_EQ(hit[i] != 0, isHit(kind, kill, carried, drawn[0][i], drawn[1][i], drawn[2][i]))
                << "kind " << trial % 5 << " kill " << kill << " value " << v[i] << " readable " << readable[i];
            ASSERT_TRUE(hit[i] == 0 || hit[i] == -1);
        }
    }
    EXPECT_GT(negatives, 1000);
}

} // namespace

TEST(HitRuleLanesTest, ShortLanesJudgeAsTheScalarRule)
{
    checkShortLanes<Shorts8>(1);
    checkShortLanes<Shorts16>(2);
}

// Bit words: a kill hits on the bits where no digit was present, a keep where one was, empty bits never.
TEST(HitRuleLanesTest, WordsOfBitsJudgeAsTheScalarRule)
{
    const std::uint64_t present = 0b0110;
    const std::uint64_t readable = 0b1011;
    EXPECT_EQ(lanes::hit(present, readable, true), std::uint64_t{0b1001});
    EXPECT_EQ(lanes::hit(present, readable, false), std::uint64_t{0b0010});
}

// The byte remainder of non-negative sums equals value % 10 for every byte value.
TEST(HitRuleLanesTest, ByteRemainderOfNonNegativeSums)
{
    using Bytes = std::uint8_t __attribute__((vector_size(32)));
    for (int base = 0; base < 256; base += 32) {
        Bytes v{};
        for (int i = 0; i < 32; ++i) {
            v[i] = static_cast<std::uint8_t>(base + i);
        }
        const Bytes r = lanes::remainderOfNonNegative(v);
        for (int i = 0; i < 32; ++i) {
            ASSERT_EQ(r[i], (base + i) % 10) << base + i;
        }
    }
}
