#pragma once

#include "history/HistorySnapshot.h"
#include "history/Param.h"

#include <QString>

#include <initializer_list>
#include <vector>

namespace korvel::test {

// A hand-made draw: the three digits (百位, 十位, 个位) and any other parameters the case needs; every
// parameter not given is 0.
struct HandDraw {
    int d1 = 0;
    int d2 = 0;
    int d3 = 0;
    std::vector<std::pair<Param, int>> extra = {};
};

inline HistorySnapshot handSnapshot(const std::vector<HandDraw>& draws)
{
    HistorySnapshot s;
    int k = 0;
    for (const HandDraw& d : draws) {
        DrawParams p{};
        p[static_cast<std::size_t>(paramIndex(Param::L1A))] = static_cast<std::int16_t>(d.d1);
        p[static_cast<std::size_t>(paramIndex(Param::L2A))] = static_cast<std::int16_t>(d.d2);
        p[static_cast<std::size_t>(paramIndex(Param::L3A))] = static_cast<std::int16_t>(d.d3);
        for (const auto& [param, value] : d.extra) {
            p[static_cast<std::size_t>(paramIndex(param))] = static_cast<std::int16_t>(value);
        }
        s.append(QStringLiteral("2020%1").arg(++k, 3, 10, QLatin1Char('0')), p);
    }
    return s;
}

} // namespace korvel::test
