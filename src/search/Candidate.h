#pragma once

#include "formula/FormulaKind.h"
#include "search/SearchSettings.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace korvel {

inline constexpr int kVocabularySize = 77;

// A candidate formula as the search builds it: operands drawn from the parameter vocabulary (numbers
// 1..77, repetition allowed) summed, plus a tail constant. Its texts are built only when needed (an
// accepted formula, the candidate field), since most candidates are thrown away.
struct Candidate {
    std::array<std::uint8_t, kMaxOperands> operands{}; // vocabulary numbers, the first `operandCount` used
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
};

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
    // floor(r * 10): a digit 0..9.
    int digit();

    Candidate next(const CandidateRule& rule);

    // The next raw 64-bit number.
    std::uint64_t next64();

private:
    std::array<std::uint64_t, 4> m_state{};
    std::uint64_t m_seed = 0;
};

// The expression saved as `gongshi`: operand codes joined by "+", then "+" and the constant ("L1A+LH+5").
QString candidateExpression(const Candidate& c);
// The Chinese text saved as `gongshiCN`, in one of the two display forms:
//   "[个位单选杀]百位码+和数+5"   or   "百位码+和数+5=下期杀个位单选"
QString candidateText(const Candidate& c, const FormulaKind& kind, bool kill, DisplayForm form);

} // namespace korvel
