#pragma once

#include "history/HistoryStore.h"
#include "history/Param.h"
#include "support/TestData.h"

#include <vector>

namespace korvel::test {

// The rows the store would write for these draws, parameters computed in order from the first one.
inline std::vector<HistoryStore::NewDraw> newDraws(const std::vector<DrawLine>& draws)
{
    const HistorySnapshot snap = snapshotOf(draws);
    std::vector<HistoryStore::NewDraw> rows;
    rows.reserve(draws.size());
    for (int r = 0; r < snap.size(); ++r) {
        rows.push_back({snap.issue(r), snap.row(r)});
    }
    return rows;
}

// Draws given as "issue date digits" triples in code, for small hand-made histories.
inline std::vector<DrawLine> draws(std::initializer_list<DrawLine> lines)
{
    return std::vector<DrawLine>(lines);
}

// The smallest hand history with a newest draw to predict from: 123, 456, 789 as 2024001 .. 2024003
// (newest: 百位 7, 十位 8, 个位 9).
inline std::vector<DrawLine> threeDraws()
{
    return draws(
        {{"2024001", "2024-01-01", "123"}, {"2024002", "2024-01-02", "456"}, {"2024003", "2024-01-03", "789"}});
}

} // namespace korvel::test
