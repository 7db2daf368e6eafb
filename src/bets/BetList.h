#pragma once

#include "bets/BetFilters.h"
#include "settings/PrizeTable.h"

#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

namespace korvel {

class HistorySnapshot;

// "直选" bets one digit per position in order; "组选" bets a set of digits in any order (组三 or 组六).
enum class BetPlay : std::uint8_t { Direct, Group };

QString betPlayName(BetPlay play); // "直选" / "组选"

// The digits kept at each position, indexed 0 百位, 1 十位, 2 个位.
using KeptDigits = std::array<std::bitset<10>, 3>;
KeptDigits allDigitsKept();

// The numbers drawn in the `draws` draws before snapshot row `beforeRow` (the newest ones when beforeRow is
// the size), as 百位*100 + 十位*10 + 个位.
std::bitset<1000> recentNumbers(const HistorySnapshot& snapshot, int beforeRow, int draws);

// A bet: for 直选 the number 百位*100 + 十位*10 + 个位; for 组选 the set's digits in ascending order read the
// same way (组三 1 1 2 is 112).
struct Bet {
    std::int16_t number = 0;
    GroupForm form = GroupForm::Distinct;

    int digit(int position) const; // 0 百位 .. 2 个位 (for a set: its digits in ascending order)
    int sum() const;
    int span() const;
    // One bet a line of the text export: "123" for 直选, "组六 1 2 3" / "组三 1 1 2" for 组选.
    QString text(BetPlay play) const;
    QString numberText() const; // "123", "112": three digits
};

// What a list is worth at a prize table: the cost, the chance that one draw wins and the expected
// winnings per draw, when the draw is uniformly random (1 000 numbers alike).
struct BetWorth {
    int bets = 0;
    double cost = 0;       // bets x stake
    double winChance = 0;  // 直选: bets / 1 000; 组选: (3 x 组三 sets + 6 x 组六 sets) / 1 000
    double expected = 0;   // expected winnings of one draw
    double variance = 0;   // of the winnings of one draw
    double returnRate = 0; // expected / cost (0 for an empty list)
};

// A list: built from the kept digits, cut by the filters. Every number of the space carries its shapes in a
// table built once, so a rebuild is one pass over 1 000 entries with a handful of compares each.
class BetList {
public:
    enum class Problem : std::uint8_t {
        None,
        NoKeptDigit,   // a position keeps no digit: no bet can be made
        FilterEmptied, // bets there were, the filters left none
    };

    BetList() = default;
    // `recent` is the set of numbers the "exclude the newest K draws" filter reads (recentNumbers()).
    static BetList build(const KeptDigits& kept, BetPlay play, const BetFilters& filters,
                         const std::bitset<1000>& recent = {});
    // Only the count: the same pass without the bets.
    static int count(const KeptDigits& kept, BetPlay play, const BetFilters& filters,
                     const std::bitset<1000>& recent = {});

    BetPlay play() const { return m_play; }
    const std::vector<Bet>& bets() const { return m_bets; }
    int size() const { return static_cast<int>(m_bets.size()); }
    bool empty() const { return m_bets.empty(); }
    int unfiltered() const { return m_unfiltered; } // bets before the filters
    Problem problem() const { return m_problem; }
    // The reason there is no bet, for the user (naming the positions that keep no digit); empty when there
    // are bets.
    QString problemText() const;
    int setsOf(GroupForm form) const;

    // Does the list win on the drawn number, and what? 0 when it does not.
    int winnings(int drawnNumber, const PrizeTable& prizes) const;
    BetWorth worth(const PrizeTable& prizes) const;

    // The text export: one bet a line.
    QStringList lines() const;

private:
    BetPlay m_play = BetPlay::Direct;
    std::vector<Bet> m_bets;
    int m_unfiltered = 0;
    Problem m_problem = Problem::None;
    std::array<bool, 3> m_emptyPositions{};
};

} // namespace korvel
