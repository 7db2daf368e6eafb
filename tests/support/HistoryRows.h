#pragma once

#include "history/HistoryStore.h"
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

} // namespace korvel::test
