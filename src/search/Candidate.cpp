#include "search/Candidate.h"

#include "formula/Expression.h"
#include "history/Param.h"
#include "search/CandidateSpace.h"
#include "search/SearchText.h"

#include <algorithm>
#include <chrono>

namespace korvel {

std::optional<std::int16_t> specifiedConstant(const QString& fieldText)
{
    const std::optional<double> v = numericValue(fieldText);
    if (!v) {
        return std::int16_t{0};
    }
    const double r = roundHalfEven(*v);
    if (r < -32768.0 || r > 32767.0) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(r);
}

namespace {
std::uint64_t splitmix64(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

constexpr std::uint64_t rotl(std::uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}
} // namespace

CandidateGenerator::CandidateGenerator(std::uint64_t seed) : m_seed(seed)
{
    std::uint64_t x = seed;
    for (std::uint64_t& s : m_state) {
        s = splitmix64(x); // never all zero: splitmix64 is a bijection of distinct inputs
    }
}

inline std::uint64_t CandidateGenerator::step(std::array<std::uint64_t, 4>& s)
{
    const std::uint64_t result = rotl(s[1] * 5, 7) * 9;
    const std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return result;
}

std::uint64_t CandidateGenerator::next64()
{
    return step(m_state);
}

std::uint64_t CandidateGenerator::clockSeed()
{
    // Mixed, so that seeds taken close together still start far apart.
    auto now = static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    return splitmix64(now);
}

double CandidateGenerator::uniform()
{
    return static_cast<double>(next64() >> 11) * 0x1.0p-53;
}

int CandidateGenerator::vocabularyNumber()
{
    return std::min(static_cast<int>(uniform() * kVocabularySize), kVocabularySize - 1) + 1;
}

int CandidateGenerator::symbol(int n)
{
    return std::min(static_cast<int>(uniform() * n), n - 1) + 1;
}

int CandidateGenerator::digit()
{
    return std::min(static_cast<int>(uniform() * 10), 9);
}

Candidate CandidateGenerator::next(const CandidateRule& rule)
{
    Candidate c;
    const int n = std::clamp(rule.operandCount, 1, kMaxOperands);
    c.operandCount = static_cast<std::uint8_t>(n);
    const int alphabet = operandAlphabet(std::clamp(rule.maxLag, 0, kMaxLag));
    for (int i = 0; i < n; ++i) {
        // With the draw's own parameters only this is vocabularyNumber(): a seed's search is unchanged.
        c.operands[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(symbol(alphabet));
    }
    c.constant = rule.constantMode == ConstantMode::Random ? static_cast<std::int16_t>(digit()) : rule.specifiedValue;
    return c;
}

void CandidateGenerator::appendNext(const CandidateRule& rule, std::size_t n, std::vector<Candidate>& out,
                                    std::vector<std::uint64_t>* keys)
{
    // The arithmetic of uniform(), symbol() and digit() exactly (scaledBelow()), on a local copy of the state.
    std::array<std::uint64_t, 4> s = m_state;
    const int count = std::clamp(rule.operandCount, 1, kMaxOperands);
    const int alphabet = operandAlphabet(std::clamp(rule.maxLag, 0, kMaxLag));
    const bool randomConstant = rule.constantMode == ConstantMode::Random;
    const std::size_t first = out.size();
    out.resize(first + n);
    const auto build = [&]<bool withKeys>(std::uint64_t* key) {
        // The key's last term depends on the count and the constant only: one per digit (or the one
        // constant), so that each key takes one mix.
        std::array<std::uint64_t, 10> tails{};
        if constexpr (withKeys) {
            Candidate probe;
            probe.operandCount = static_cast<std::uint8_t>(count);
            for (std::size_t d = 0; d < tails.size(); ++d) {
                probe.constant = randomConstant ? static_cast<std::int16_t>(d) : rule.specifiedValue;
                tails[d] = CandidateSpace::keyTail(probe);
            }
        }
        for (std::size_t k = 0; k < n; ++k) {
            Candidate& c = out[first + k];
            c.operandCount = static_cast<std::uint8_t>(count);
            std::uint64_t sum = 0;
            for (int i = 0; i < count; ++i) {
                const int code = scaledBelow(step(s), alphabet) + 1;
                c.operands[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(code);
                if constexpr (withKeys) {
                    sum += spacekey::kOperandKeys[static_cast<std::size_t>(code)];
                }
            }
            const int digit = randomConstant ? scaledBelow(step(s), 10) : 0;
            c.constant = randomConstant ? static_cast<std::int16_t>(digit) : rule.specifiedValue;
            if constexpr (withKeys) {
                key[k] = spacekey::mix(sum + tails[static_cast<std::size_t>(digit)]);
            }
        }
    };
    if (keys) {
        const std::size_t firstKey = keys->size();
        keys->resize(firstKey + n);
        build.template operator()<true>(keys->data() + firstKey);
    } else {
        build.template operator()<false>(nullptr);
    }
    m_state = s;
}

QString earlierDrawWord(int lag)
{
    switch (lag) {
    case 0:
        return {};
    case 1:
        return QStringLiteral("上期");
    case 2:
        return QStringLiteral("上上期");
    default:
        return QStringLiteral("前%1期").arg(lag);
    }
}

QString candidateExpression(const Candidate& c)
{
    QString s;
    s.reserve(c.operandCount * 4 + 8);
    for (int i = 0; i < c.operandCount; ++i) {
        const int code = c.operands[static_cast<std::size_t>(i)];
        const QLatin1String column(paramCode(vocabularyParam(operandNumber(code))));
        if (operandLag(code) > 0) {
            s += QStringLiteral("Prev%1(").arg(operandLag(code)) + column + QLatin1Char(')');
        } else {
            s += column;
        }
        s += QLatin1Char('+');
    }
    s += QString::number(c.constant);
    return s;
}

QString candidateText(const Candidate& c, const FormulaKind& kind, bool kill, DisplayForm form)
{
    QString s;
    if (form == DisplayForm::Bracket) {
        s += QLatin1Char('[') + positionWord(kind.position) + playWord(kind.play) + senseWord(kill) + QLatin1Char(']');
    }
    for (int i = 0; i < c.operandCount; ++i) {
        const int code = c.operands[static_cast<std::size_t>(i)];
        s += earlierDrawWord(operandLag(code)) + vocabularyName(operandNumber(code));
        s += QLatin1Char('+');
    }
    s += QString::number(c.constant);
    if (form == DisplayForm::Equation) {
        s += QStringLiteral("=下期") + senseWord(kill) + positionWord(kind.position) + playWord(kind.play);
    }
    return s;
}

} // namespace korvel
