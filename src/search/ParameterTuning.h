#pragma once

#include "formula/Formula.h"
#include "search/ThresholdTable.h"

#include <QString>

#include <array>
#include <optional>

namespace korvel {

// Best values of a tuning over random samples: the first sample sets them; afterwards each figure that is
// better than its best value (a higher rate, shorter miss runs, longer hit runs) moves the best value half
// way towards it. Single precision, as the fields hold them.
class TuningBest {
public:
    void add(const FormulaStats& sample);
    int samples() const { return m_samples; }

    float rate() const { return m_rate; }
    float maxMissRun() const { return m_maxMiss; }
    float maxHitRun() const { return m_maxHit; }
    float lastMissRun() const { return m_lastMiss; }
    float lastHitRun() const { return m_lastHit; }

    // The five threshold fields a tuning writes, as field texts; the other five stay as they are:
    //   slot 0 the best rate, slot 3 / 4 / 7 the best max-miss / max-hit / last-miss run rounded (floor of
    //   value + 0.5), slot 8 the best last-hit run rounded, or 1 when its floor is 0.
    // Empty texts when there was no sample.
    std::array<std::optional<QString>, kThresholdSlots> fields() const;
    // `current` with the five fields replaced.
    std::array<QString, kThresholdSlots> applyTo(std::array<QString, kThresholdSlots> current) const;

private:
    int m_samples = 0;
    float m_rate = 0;
    float m_maxMiss = 0;
    float m_maxHit = 0;
    float m_lastMiss = 0;
    float m_lastHit = 0;
};

// Sample counts of the slider "公式参数智能设置": 20..1000, default 20.
inline constexpr int kMinTuningSamples = 20;
inline constexpr int kMaxTuningSamples = 1000;

} // namespace korvel
