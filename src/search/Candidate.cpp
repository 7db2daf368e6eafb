#include "search/Candidate.h"

#include "formula/Expression.h"
#include "history/Param.h"
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

std::uint64_t CandidateGenerator::next64()
{
    const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
    const std::uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotl(m_state[3], 45);
    return result;
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
