#include "search/CandidateSpace.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvel {

namespace {

constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max();

// Multisets of k elements of an alphabet of n: C(n + k - 1, k), saturating.
std::uint64_t multisets(int n, int k)
{
    unsigned __int128 r = 1;
    for (int i = 1; i <= k; ++i) {
        // r * (n + i - 1) / i stays an integer at every step (it is C(n + i - 1, i)).
        r = r * static_cast<unsigned>(n + i - 1) / static_cast<unsigned>(i);
        if (r > kSaturated) {
            return kSaturated;
        }
    }
    return static_cast<std::uint64_t>(r);
}

double multisetsApprox(int n, int k)
{
    return std::exp(std::lgamma(n + k) - std::lgamma(k + 1) - std::lgamma(n));
}

std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

CandidateSpace::CandidateSpace(const CandidateRule& rule)
    : m_operands(std::clamp(rule.operandCount, 1, kMaxOperands)),
      m_alphabet(operandAlphabet(std::clamp(rule.maxLag, 0, kMaxLag)))
{
    if (rule.constantMode == ConstantMode::Random) {
        for (std::int16_t d = 0; d < 10; ++d) {
            m_constants.push_back(d);
        }
    } else {
        m_constants.push_back(rule.specifiedValue);
    }
    const std::uint64_t sets = multisets(m_alphabet, m_operands);
    const auto constants = static_cast<std::uint64_t>(m_constants.size());
    m_size = sets > kSaturated / constants ? kSaturated : sets * constants;
    m_approximate = m_size < kSaturated ? static_cast<double>(m_size)
                                        : multisetsApprox(m_alphabet, m_operands) * static_cast<double>(constants);
}

CandidateSpace::Cursor CandidateSpace::begin() const
{
    Cursor c;
    c.next.operandCount = static_cast<std::uint8_t>(m_operands);
    for (int i = 0; i < m_operands; ++i) {
        c.next.operands[static_cast<std::size_t>(i)] = 1;
    }
    c.done = m_constants.empty();
    if (!c.done) {
        c.next.constant = m_constants.front();
    }
    return c;
}

void CandidateSpace::advance(Cursor& cursor) const
{
    if (cursor.done) {
        return;
    }
    ++cursor.position;
    if (cursor.constantIndex + 1 < static_cast<int>(m_constants.size())) {
        ++cursor.constantIndex;
        cursor.next.constant = m_constants[static_cast<std::size_t>(cursor.constantIndex)];
        return;
    }
    cursor.constantIndex = 0;
    cursor.next.constant = m_constants.front();
    // The next non-decreasing sequence: raise the last operand that can rise, and every later one with it.
    auto& ops = cursor.next.operands;
    int i = m_operands - 1;
    while (i >= 0 && ops[static_cast<std::size_t>(i)] >= m_alphabet) {
        --i;
    }
    if (i < 0) {
        cursor.done = true;
        return;
    }
    const std::uint16_t v = ops[static_cast<std::size_t>(i)] + 1;
    for (int j = i; j < m_operands; ++j) {
        ops[static_cast<std::size_t>(j)] = v;
    }
}

std::uint64_t CandidateSpace::key(const Candidate& c)
{
    std::array<std::uint16_t, kMaxOperands> sorted = c.operands;
    std::sort(sorted.begin(), sorted.begin() + c.operandCount);
    std::uint64_t h = mix(0x9E3779B97F4A7C15ull ^ (static_cast<std::uint64_t>(c.operandCount) << 32) ^
                          static_cast<std::uint16_t>(c.constant));
    for (int i = 0; i < c.operandCount; ++i) {
        h = mix(h + 0x9E3779B97F4A7C15ull + sorted[static_cast<std::size_t>(i)]);
    }
    return h;
}

bool TriedSet::insert(std::uint64_t key)
{
    key = key == 0 ? 1 : key;
    if (!full() && (m_slots.empty() || (m_size + 1) * 2 > m_slots.size())) {
        grow();
    }
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = key & mask;; i = (i + 1) & mask) {
        if (m_slots[i] == key) {
            return false;
        }
        if (m_slots[i] == 0) {
            if (full()) {
                return true; // no longer recorded: a key not found is taken as new
            }
            m_slots[i] = key;
            ++m_size;
            return true;
        }
    }
}

void TriedSet::grow()
{
    std::vector<std::uint64_t> old = std::move(m_slots);
    m_slots.assign(old.empty() ? 1024 : old.size() * 2, 0);
    const std::size_t mask = m_slots.size() - 1;
    for (std::uint64_t k : old) {
        if (k == 0) {
            continue;
        }
        std::size_t i = k & mask;
        while (m_slots[i] != 0) {
            i = (i + 1) & mask;
        }
        m_slots[i] = k;
    }
}

double SpaceProgress::share() const
{
    const double total = space.approximateSize();
    return total > 0 ? std::min(1.0, static_cast<double>(covered) / total) : 0.0;
}

QString spaceSizeText(const CandidateSpace& s)
{
    if (s.size() < 1'000'000'000'000'000ull) {
        return QString::number(s.size());
    }
    return QStringLiteral("约 %1").arg(s.approximateSize(), 0, 'g', 3);
}

QString spaceProgressText(const SpaceProgress& p)
{
    const double percent = p.share() * 100.0;
    const QString share =
        percent >= 0.01 || percent == 0.0 ? QString::number(percent, 'f', 2) : QString::number(percent, 'g', 2);
    QString text = QStringLiteral("%1 %2% (%3 / %4)")
                       .arg(p.exhaustive ? QStringLiteral("已检索") : QStringLiteral("已抽样"), share)
                       .arg(p.covered)
                       .arg(spaceSizeText(p.space));
    if (!p.exhaustive && p.tried.full()) {
        const std::uint64_t draws = p.covered + p.repeats;
        const double rate = draws > 0 ? 100.0 * static_cast<double>(p.repeats) / static_cast<double>(draws) : 0.0;
        text += QStringLiteral("，重复率 %1%").arg(rate, 0, 'f', 4);
    }
    return text;
}

} // namespace korvel
