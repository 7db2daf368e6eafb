#pragma once

#include "formula/FormulaKind.h"
#include "search/SearchSettings.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace korvel {

inline constexpr int kVocabularySize = 77;
// Earlier draws a search operand may name ("允许引用前N期"): 上期 is 1, 上上期 2, 前N期 N.
inline constexpr int kMaxLag = 9;

// An operand of a candidate: a vocabulary number (1..77) of the draw `lag` draws before the one the
// formula is evaluated on, coded as number + 77 * lag, so that lag 0 is the vocabulary number itself.
inline constexpr int operandCode(int number, int lag)
{
    return number + lag * kVocabularySize;
}
inline constexpr int operandNumber(int code)
{
    return (code - 1) % kVocabularySize + 1;
}
inline constexpr int operandLag(int code)
{
    return (code - 1) / kVocabularySize;
}
// Operand codes 1..operandAlphabet(maxLag) name every parameter of the draw and of the maxLag before it.
inline constexpr int operandAlphabet(int maxLag)
{
    return kVocabularySize * (maxLag + 1);
}

// A candidate formula as the search builds it: operands drawn from the parameter vocabulary (numbers
// 1..77, repetition allowed, optionally of earlier draws) summed, plus a tail constant. Its texts are
// built only when needed (an accepted formula, the candidate field), since most candidates are thrown away.
struct Candidate {
    std::array<std::uint16_t, kMaxOperands> operands{}; // operand codes, the first `operandCount` used
    std::uint8_t operandCount = 0;
    std::int16_t constant = 0;

    friend bool operator==(const Candidate& a, const Candidate& b)
    {
        if (a.operandCount != b.operandCount || a.constant != b.constant) {
            return false;
        }
        for (int i = 0; i < a.operandCount; ++i) {
            if (a.operands[static_cast<std::size_t>(i)] != b.operands[static_cast<std::size_t>(i)]) {
                return false;
            }
        }
        return true;
    }
};

// The tail constant of mode 指定: the field's number rounded half-to-even (4.5 -> 4, 5.5 -> 6), 0 when the
// field does not hold a number. nullopt when the rounded number lies outside the 16-bit range.
std::optional<std::int16_t> specifiedConstant(const QString& fieldText);

// What a search needs to build its candidates: the count, and the tail constant rule.
struct CandidateRule {
    int operandCount = kDefaultOperands;
    ConstantMode constantMode = ConstantMode::Specified;
    std::int16_t specifiedValue = 0;
    int maxLag = 0; // operands may name the parameters of this many earlier draws (0: the draw's own only)
};

// floor(u * k) for the uniform u = (x >> 11) * 2^-53 that a raw 64-bit number x gives, with u * k rounded
// to a double first as uniform() * k is, but worked out in integers (1 <= k <= 1024).
inline int scaledBelow(std::uint64_t x, int k)
{
    // uniform() * k is the product m * k (m = x >> 11, below 2^53) rounded once to a double, times 2^-53;
    // its floor is (m * k) >> 53 unless the rounding reaches the next multiple of 2^53. That needs the
    // product within half a unit of its last place (at most 2^9, the product being below 2^63) of that
    // multiple: only then is the double product taken, so the number drawn is the same.
    const std::uint64_t product = (x >> 11) * static_cast<std::uint64_t>(k);
    constexpr std::uint64_t kLow = (std::uint64_t{1} << 53) - 1;
    if ((product & kLow) < kLow - 1024) [[likely]] {
        return static_cast<int>(product >> 53);
    }
    return std::min(static_cast<int>(static_cast<double>(x >> 11) * 0x1.0p-53 * k), k - 1);
}

// The one random generator of a search, seeded once: every operand and every random constant comes from
// the running sequence, so a search started from a given seed builds the same candidates every time, on
// any platform. The engine is xoshiro256** (state expanded from the seed by splitmix64): a fast generator
// with a 32-byte state, so that a copy (a saved position in the sequence) costs nothing.
class CandidateGenerator {
public:
    explicit CandidateGenerator(std::uint64_t seed);
    // A seed from the clock, for a search the user did not ask to reproduce.
    static std::uint64_t clockSeed();

    std::uint64_t seed() const { return m_seed; }

    // Uniform in [0, 1) with 53 random bits.
    double uniform();
    // floor(r * 77) + 1: a vocabulary number, uniform over 1..77.
    int vocabularyNumber();
    // floor(r * n) + 1: uniform over 1..n (an operand code of an alphabet of n).
    int symbol(int n);
    // floor(r * 10): a digit 0..9.
    int digit();

    Candidate next(const CandidateRule& rule);
    // The next n candidates appended to `out`: the same candidates as n calls of next(), built in one loop
    // (the search builds its batches so, under its lock). With `keys`, each one's CandidateSpace::key() is
    // appended there too: worked out beside the generator's chain of steps, it costs next to nothing.
    void appendNext(const CandidateRule& rule, std::size_t n, std::vector<Candidate>& out,
                    std::vector<std::uint64_t>* keys = nullptr);

    // The next raw 64-bit number.
    std::uint64_t next64();

private:
    // The step, uniform() and symbol() with the state in registers (appendNext()).
    static std::uint64_t step(std::array<std::uint64_t, 4>& s);

    std::array<std::uint64_t, 4> m_state{};
    std::uint64_t m_seed = 0;
};

// The expression saved as `gongshi`: operand codes joined by "+", then "+" and the constant ("L1A+LH+5");
// an operand of an earlier draw is written Prev2(L1A).
QString candidateExpression(const Candidate& c);
// The Chinese text saved as `gongshiCN`, in one of the two display forms:
//   "[个位单选杀]百位码+和数+5"   or   "百位码+和数+5=下期杀个位单选"
// with 上期 / 上上期 / 前N期 in front of the name of an earlier draw's operand.
QString candidateText(const Candidate& c, const FormulaKind& kind, bool kill, DisplayForm form);
// The word in front of a parameter word of `lag` draws earlier: "" (0), "上期", "上上期", "前3期" ...
QString earlierDrawWord(int lag);

} // namespace korvel
