#pragma once

#include "tally/RankingList.h"

#include <array>

namespace korvel {

// The tally rank chart: how often a drawn digit stood at rank 1 .. 10 of the ranking computed on the draw
// before, over the rows of "历史开奖列表" for one position and play (the ranks the list colours blue). A
// group play counts every rank whose digit was drawn at a judged position, so a row can count at up to three
// ranks. `chancePerRank` is the count a ranking without skill would give each rank: rows x the chance that a
// given digit shows at the judged positions of uniformly random digits (1/10 for single play; 0.19 for
// 十位通选, 0.271 for 百位通选).
struct RankHistogram {
    std::array<int, 10> counts{}; // counts[r - 1]: rows whose drawn digit had rank r
    int rows = 0;
    int judgedPositions = 1;
    double chancePerRank = 0.0;

    int total() const;
};

RankHistogram rankHistogram(const RankingList& list);

} // namespace korvel
