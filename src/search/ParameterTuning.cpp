#include "search/ParameterTuning.h"

#include "search/SearchText.h"

#include <cmath>

namespace korvel {

void TuningBest::add(const FormulaStats& s)
{
    const float rate = s.rate;
    const auto miss = static_cast<float>(s.errCon);
    const auto hit = static_cast<float>(s.trueCon);
    const auto lastMiss = static_cast<float>(s.errLst);
    const auto lastHit = static_cast<float>(s.trueLst);
    if (m_samples++ == 0) {
        m_rate = rate;
        m_maxMiss = miss;
        m_maxHit = hit;
        m_lastMiss = lastMiss;
        m_lastHit = lastHit;
        return;
    }
    if (rate > m_rate) {
        m_rate = (rate + m_rate) / 2;
    }
    if (miss < m_maxMiss) {
        m_maxMiss = (miss + m_maxMiss) / 2;
    }
    if (hit > m_maxHit) {
        m_maxHit = (hit + m_maxHit) / 2;
    }
    if (lastMiss < m_lastMiss) {
        m_lastMiss = (lastMiss + m_lastMiss) / 2;
    }
    if (lastHit > m_lastHit) {
        m_lastHit = (lastHit + m_lastHit) / 2;
    }
}

std::array<std::optional<QString>, kThresholdSlots> TuningBest::fields() const
{
    std::array<std::optional<QString>, kThresholdSlots> f;
    if (m_samples == 0) {
        return f;
    }
    const auto rounded = [](float v) { return QString::number(static_cast<long long>(std::floor(v + 0.5f))); };
    f[0] = floatText(m_rate);
    f[3] = rounded(m_maxMiss);
    f[4] = rounded(m_maxHit);
    f[7] = rounded(m_lastMiss);
    f[8] = std::floor(m_lastHit) > 0 ? rounded(m_lastHit) : QStringLiteral("1");
    return f;
}

std::array<QString, kThresholdSlots> TuningBest::applyTo(std::array<QString, kThresholdSlots> current) const
{
    const auto f = fields();
    for (int i = 0; i < kThresholdSlots; ++i) {
        if (f[static_cast<std::size_t>(i)]) {
            current[static_cast<std::size_t>(i)] = *f[static_cast<std::size_t>(i)];
        }
    }
    return current;
}

} // namespace korvel
