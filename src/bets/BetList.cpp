#include "bets/BetList.h"

#include "history/HistorySnapshot.h"
#include "history/Param.h"

#include <algorithm>

namespace korvel {

namespace {

// The shapes of every number 000..999, read by the filters.
struct Shape {
    std::array<std::int8_t, 3> digits{};
    std::int8_t sum = 0;
    std::int8_t span = 0;
    GroupForm form = GroupForm::Distinct;
    std::int8_t odd = 0;
    std::int8_t big = 0;
    std::int8_t prime = 0;
    std::int8_t road = 0;          // r1*9 + r2*3 + r3
    std::bitset<27> anyOrderRoads; // the road patterns of every order of the digits (组选)
    std::bitset<10> digitSet;
    std::int16_t sorted = 0; // the digits ascending, as a number
};

const std::array<Shape, 1000>& shapes()
{
    static const std::array<Shape, 1000> table = [] {
        std::array<Shape, 1000> t{};
        for (int n = 0; n < 1000; ++n) {
            Shape& s = t[static_cast<std::size_t>(n)];
            const int d[3] = {n / 100, n / 10 % 10, n % 10};
            for (int p = 0; p < 3; ++p) {
                s.digits[static_cast<std::size_t>(p)] = static_cast<std::int8_t>(d[p]);
                s.odd = static_cast<std::int8_t>(s.odd + (isOddDigit(d[p]) ? 1 : 0));
                s.big = static_cast<std::int8_t>(s.big + (isBigDigit(d[p]) ? 1 : 0));
                s.prime = static_cast<std::int8_t>(s.prime + (isPrimeDigit(d[p]) ? 1 : 0));
                s.digitSet.set(static_cast<std::size_t>(d[p]));
            }
            s.sum = static_cast<std::int8_t>(d[0] + d[1] + d[2]);
            s.span = static_cast<std::int8_t>(std::max({d[0], d[1], d[2]}) - std::min({d[0], d[1], d[2]}));
            s.form = groupFormOf(d[0], d[1], d[2]);
            s.road = static_cast<std::int8_t>(roadOf(d[0]) * 9 + roadOf(d[1]) * 3 + roadOf(d[2]));
            int sortedDigits[3] = {d[0], d[1], d[2]};
            std::sort(sortedDigits, sortedDigits + 3);
            s.sorted = static_cast<std::int16_t>(sortedDigits[0] * 100 + sortedDigits[1] * 10 + sortedDigits[2]);
            do {
                s.anyOrderRoads.set(static_cast<std::size_t>(roadOf(sortedDigits[0]) * 9 + roadOf(sortedDigits[1]) * 3 +
                                                             roadOf(sortedDigits[2])));
            } while (std::next_permutation(sortedDigits, sortedDigits + 3));
        }
        return t;
    }();
    return table;
}

bool passes(const Shape& s, const BetFilters& f, bool group)
{
    if (f.sum.on && !f.sum.values.test(static_cast<std::size_t>(s.sum))) {
        return false;
    }
    if (f.span.on && !f.span.values.test(static_cast<std::size_t>(s.span))) {
        return false;
    }
    if (f.form.on && !f.form.values.test(static_cast<std::size_t>(s.form))) {
        return false;
    }
    if (f.dan.on) {
        const std::bitset<10> common = s.digitSet & f.dan.digits;
        if (f.dan.all ? common != f.dan.digits : common.none()) {
            return false;
        }
    }
    if (f.oddCount.on && !f.oddCount.values.test(static_cast<std::size_t>(s.odd))) {
        return false;
    }
    if (f.bigCount.on && !f.bigCount.values.test(static_cast<std::size_t>(s.big))) {
        return false;
    }
    if (f.primeCount.on && !f.primeCount.values.test(static_cast<std::size_t>(s.prime))) {
        return false;
    }
    if (f.road.on) {
        if (group ? (s.anyOrderRoads & f.road.values).none() : !f.road.values.test(static_cast<std::size_t>(s.road))) {
            return false;
        }
    }
    return true;
}

bool inKept(const Shape& s, const KeptDigits& kept)
{
    return kept[0].test(static_cast<std::size_t>(s.digits[0])) && kept[1].test(static_cast<std::size_t>(s.digits[1])) &&
           kept[2].test(static_cast<std::size_t>(s.digits[2]));
}

// The one pass behind build() and count(): `take` is called with every number (直选) or set (组选) kept.
template <typename Take>
BetList::Problem walk(const KeptDigits& kept, BetPlay play, const BetFilters& filters, const std::bitset<1000>& recent,
                      int& unfiltered, Take take)
{
    unfiltered = 0;
    for (const auto& position : kept) {
        if (position.none()) {
            return BetList::Problem::NoKeptDigit;
        }
    }
    const auto& table = shapes();
    const bool excludeRecent = filters.recent.on && filters.recent.draws > 0;
    int taken = 0;
    if (play == BetPlay::Direct) {
        for (int n = 0; n < 1000; ++n) {
            const Shape& s = table[static_cast<std::size_t>(n)];
            if (!inKept(s, kept)) {
                continue;
            }
            ++unfiltered;
            if (passes(s, filters, false) && !(excludeRecent && recent.test(static_cast<std::size_t>(n)))) {
                take(n, s);
                ++taken;
            }
        }
    } else {
        // A set can be bet when some order of its digits is a number of the kept digits; 豹子 is no 组选 bet.
        std::bitset<1000> sets;
        for (int n = 0; n < 1000; ++n) {
            const Shape& s = table[static_cast<std::size_t>(n)];
            if (s.form != GroupForm::Triple && inKept(s, kept)) {
                sets.set(static_cast<std::size_t>(s.sorted));
            }
        }
        std::bitset<1000> recentSets;
        if (excludeRecent) {
            for (int n = 0; n < 1000; ++n) {
                if (recent.test(static_cast<std::size_t>(n))) {
                    recentSets.set(static_cast<std::size_t>(table[static_cast<std::size_t>(n)].sorted));
                }
            }
        }
        for (int n = 0; n < 1000; ++n) {
            if (!sets.test(static_cast<std::size_t>(n))) {
                continue;
            }
            ++unfiltered;
            const Shape& s = table[static_cast<std::size_t>(n)];
            if (passes(s, filters, true) && !recentSets.test(static_cast<std::size_t>(n))) {
                take(n, s);
                ++taken;
            }
        }
    }
    return taken == 0 ? BetList::Problem::FilterEmptied : BetList::Problem::None;
}

} // namespace

QString betPlayName(BetPlay play)
{
    return play == BetPlay::Direct ? QStringLiteral("直选") : QStringLiteral("组选");
}

KeptDigits allDigitsKept()
{
    KeptDigits k;
    for (auto& p : k) {
        p.set();
    }
    return k;
}

std::bitset<1000> recentNumbers(const HistorySnapshot& snapshot, int beforeRow, int draws)
{
    std::bitset<1000> out;
    const int end = std::clamp(beforeRow, 0, snapshot.size());
    for (int r = std::max(0, end - draws); r < end; ++r) {
        const int n =
            snapshot.value(r, Param::L1A) * 100 + snapshot.value(r, Param::L2A) * 10 + snapshot.value(r, Param::L3A);
        if (n >= 0 && n < 1000) {
            out.set(static_cast<std::size_t>(n));
        }
    }
    return out;
}

int Bet::digit(int position) const
{
    return position == 0 ? number / 100 : position == 1 ? number / 10 % 10 : number % 10;
}

int Bet::sum() const
{
    return shapes()[static_cast<std::size_t>(number)].sum;
}

int Bet::span() const
{
    return shapes()[static_cast<std::size_t>(number)].span;
}

QString Bet::numberText() const
{
    return QStringLiteral("%1%2%3").arg(digit(0)).arg(digit(1)).arg(digit(2));
}

QString Bet::text(BetPlay play) const
{
    if (play == BetPlay::Direct) {
        return numberText();
    }
    return QStringLiteral("%1 %2 %3 %4").arg(groupFormName(form)).arg(digit(0)).arg(digit(1)).arg(digit(2));
}

BetList BetList::build(const KeptDigits& kept, BetPlay play, const BetFilters& filters, const std::bitset<1000>& recent)
{
    BetList list;
    list.m_play = play;
    for (int p = 0; p < 3; ++p) {
        list.m_emptyPositions[static_cast<std::size_t>(p)] = kept[static_cast<std::size_t>(p)].none();
    }
    list.m_problem = walk(kept, play, filters, recent, list.m_unfiltered, [&list](int n, const Shape& s) {
        list.m_bets.push_back(Bet{static_cast<std::int16_t>(n), s.form});
    });
    return list;
}

int BetList::count(const KeptDigits& kept, BetPlay play, const BetFilters& filters, const std::bitset<1000>& recent)
{
    int unfiltered = 0;
    int n = 0;
    walk(kept, play, filters, recent, unfiltered, [&n](int, const Shape&) { ++n; });
    return n;
}

QString BetList::problemText() const
{
    switch (m_problem) {
    case Problem::NoKeptDigit: {
        static const char16_t* const names[3] = {u"百位", u"十位", u"个位"};
        QStringList empty;
        for (int p = 0; p < 3; ++p) {
            if (m_emptyPositions[static_cast<std::size_t>(p)]) {
                empty << QString::fromUtf16(names[p]);
            }
        }
        return QStringLiteral("%1没有保留的号码：每一位至少要保留一个数字才能组成投注。")
            .arg(empty.join(QStringLiteral("、")));
    }
    case Problem::FilterEmptied:
        if (m_unfiltered == 0) {
            return QStringLiteral("保留的号码组不成%1投注（组选不含豹子）。").arg(betPlayName(m_play));
        }
        return QStringLiteral("缩水条件把全部 %1 注都滤掉了：请放宽或关闭一些条件。").arg(m_unfiltered);
    default:
        return {};
    }
}

int BetList::setsOf(GroupForm form) const
{
    return static_cast<int>(
        std::count_if(m_bets.begin(), m_bets.end(), [form](const Bet& b) { return b.form == form; }));
}

int BetList::winnings(int drawnNumber, const PrizeTable& prizes) const
{
    if (drawnNumber < 0 || drawnNumber >= 1000) {
        return 0;
    }
    const Shape& drawn = shapes()[static_cast<std::size_t>(drawnNumber)];
    const std::int16_t wanted = m_play == BetPlay::Direct ? static_cast<std::int16_t>(drawnNumber) : drawn.sorted;
    if (m_play == BetPlay::Group && drawn.form == GroupForm::Triple) {
        return 0;
    }
    const auto it = std::lower_bound(m_bets.begin(), m_bets.end(), wanted,
                                     [](const Bet& b, std::int16_t n) { return b.number < n; });
    if (it == m_bets.end() || it->number != wanted) {
        return 0;
    }
    if (m_play == BetPlay::Direct) {
        return prizes.direct;
    }
    return drawn.form == GroupForm::Pair ? prizes.group3 : prizes.group6;
}

BetWorth BetList::worth(const PrizeTable& prizes) const
{
    BetWorth w;
    w.bets = size();
    w.cost = static_cast<double>(w.bets) * prizes.stake;
    // Each bet wins on its own numbers and no number is covered twice, so the chances add up. Counting
    // numbers as whole numbers keeps a list of all 1 000 at exactly 52 % with no spread.
    long long numbers = 0;
    double paid = 0;   // sum over the covered numbers of the prize
    double square = 0; // and of its square
    const auto add = [&](long long covered, double prize) {
        numbers += covered;
        paid += static_cast<double>(covered) * prize;
        square += static_cast<double>(covered) * prize * prize;
    };
    if (m_play == BetPlay::Direct) {
        add(w.bets, prizes.direct);
    } else {
        add(3LL * setsOf(GroupForm::Pair), prizes.group3);
        add(6LL * setsOf(GroupForm::Distinct), prizes.group6);
    }
    w.winChance = static_cast<double>(numbers) / 1000.0;
    w.expected = paid / 1000.0;
    w.variance = std::max(0.0, square / 1000.0 - w.expected * w.expected);
    w.returnRate = w.cost > 0 ? w.expected / w.cost : 0.0;
    return w;
}

QStringList BetList::lines() const
{
    QStringList out;
    out.reserve(size());
    for (const Bet& b : m_bets) {
        out << b.text(m_play);
    }
    return out;
}

} // namespace korvel
