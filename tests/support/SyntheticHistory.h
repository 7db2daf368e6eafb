#pragma once

#include "support/TestData.h"

#include <QString>

#include <random>
#include <vector>

namespace korvel::test {

// A history of `count` draws of uniformly random digits from a seeded generator, issues 2020001 on, 358 to
// a year; the years step by ten (2020, 2030, ...) so that 年份 (NF) is 0 mod 10 on every draw. With
// `planted`, the 个位 of every draw but the first is (百位 of the draw before + 3) mod 10: a signal a formula
// can really find (L1A + NF + 3 keeps it; L1A + NF kills a digit that never comes).
inline std::vector<DrawLine> syntheticDraws(int count, unsigned seed, bool planted)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> digit(0, 9);
    std::vector<DrawLine> lines;
    int previousHundreds = -1;
    for (int i = 0; i < count; ++i) {
        int d1 = digit(rng);
        int d2 = digit(rng);
        int d3 = digit(rng);
        if (planted && previousHundreds >= 0) {
            d3 = (previousHundreds + 3) % 10;
        }
        previousHundreds = d1;
        const int year = 2020 + 10 * (i / 358);
        const int seq = i % 358 + 1;
        const int month = seq / 28 % 12 + 1;
        const int day = seq % 28 + 1;
        lines.push_back(
            {QStringLiteral("%1%2").arg(year).arg(seq, 3, 10, QLatin1Char('0')),
             QStringLiteral("%1-%2-%3").arg(year).arg(month, 2, 10, QLatin1Char('0')).arg(day, 2, 10, QLatin1Char('0')),
             QStringLiteral("%1%2%3").arg(d1).arg(d2).arg(d3)});
    }
    return lines;
}

inline HistorySnapshot syntheticHistory(int count, unsigned seed, bool planted)
{
    return snapshotOf(syntheticDraws(count, seed, planted));
}

} // namespace korvel::test
