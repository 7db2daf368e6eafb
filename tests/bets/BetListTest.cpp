#include "bets/BetList.h"
#include "bets/TallyDigits.h"
#include "tally/TallyTestSupport.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

std::bitset<10> digits(std::initializer_list<int> ds)
{
    std::bitset<10> b;
    for (int d : ds) {
        b.set(static_cast<std::size_t>(d));
    }
    return b;
}

// 百位 {1,2,3}, 十位 {4,5}, 个位 {6}: 146 156 246 256 346 356.
KeptDigits smallKept()
{
    return {digits({1, 2, 3}), digits({4, 5}), digits({6})};
}

std::vector<int> numbers(const BetList& list)
{
    std::vector<int> out;
    for (const Bet& b : list.bets()) {
        out.push_back(b.number);
    }
    return out;
}

BetFilters none()
{
    return {};
}

TEST(BetList, DirectListIsEveryCombinationOfOneKeptDigitPerPosition)
{
    const BetList list = BetList::build(smallKept(), BetPlay::Direct, none());
    EXPECT_EQ(numbers(list), (std::vector<int>{146, 156, 246, 256, 346, 356}));
    EXPECT_EQ(list.lines(), (QStringList{"146", "156", "246", "256", "346", "356"}));
    EXPECT_EQ(list.bets()[1].sum(), 12);
    EXPECT_EQ(list.bets()[1].span(), 5);
    const BetWorth w = list.worth(PrizeTable{});
    EXPECT_EQ(w.bets, 6);
    EXPECT_DOUBLE_EQ(w.cost, 12.0);
    EXPECT_DOUBLE_EQ(w.winChance, 0.006);
    EXPECT_DOUBLE_EQ(w.expected, 6.24);   // 6 x 1/1000 x 1040
    EXPECT_DOUBLE_EQ(w.returnRate, 0.52); // the same for every direct list

    EXPECT_EQ(BetList::build(allDigitsKept(), BetPlay::Direct, none()).size(), 1000);
    EXPECT_EQ(BetList::count(allDigitsKept(), BetPlay::Direct, none()), 1000);
    EXPECT_EQ(BetList::count(smallKept(), BetPlay::Direct, none()), 6);
}

TEST(BetList, EachFilterCutsTheSmallListAsCountedByHand)
{
    const auto cut = [](auto set) {
        BetFilters f;
        set(f);
        return numbers(BetList::build(smallKept(), BetPlay::Direct, f));
    };
    // Sums 11 12 12 13 13 14, spans 5 5 4 4 3 3.
    EXPECT_EQ(cut([](BetFilters& f) {
                  f.sum.on = true;
                  f.sum.values.set(12).set(13);
              }),
              (std::vector<int>{156, 246, 256, 346}));
    EXPECT_EQ(cut([](BetFilters& f) {
                  f.span.on = true;
                  f.span.values.set(3);
              }),
              (std::vector<int>{346, 356}));
    EXPECT_EQ(cut([](BetFilters& f) {
                  f.dan = {true, digits({1, 5}), false};
              }),
              (std::vector<int>{146, 156, 256, 356}));
    EXPECT_EQ(cut([](BetFilters& f) { f.dan = {true, digits({1, 5}), true}; }), (std::vector<int>{156}));
    // Odd digits: 146 one, 156 two, 246 none, 256 one, 346 one, 356 two.
    EXPECT_EQ(cut([](BetFilters& f) {
                  f.oddCount.on = true;
                  f.oddCount.values.set(2);
              }),
              (std::vector<int>{156, 356}));
    // Big (5-9): 146 one, 156 two, 246 one, 256 two, 346 one, 356 two.
    EXPECT_EQ(cut([](BetFilters& f) {
                  f.bigCount.on = true;
                  f.bigCount.values.set(2);
              }),
              (std::vector<int>{156, 256, 356}));
    // Primes 1 2 3 5 7: 146 one, 156 two, 246 one, 256 two, 346 one, 356 two.
    EXPECT_EQ(cut([](BetFilters& f) {
                  f.primeCount.on = true;
                  f.primeCount.values.set(1);
              }),
              (std::vector<int>{146, 246, 346}));
    // Roads: 146 110, 156 120, 246 210, 256 220, 346 010, 356 020.
    EXPECT_EQ(cut([](BetFilters& f) {
                  f.road.on = true;
                  f.road.values = *parseRoadPatterns("*20", nullptr);
              }),
              (std::vector<int>{156, 256, 356}));
    EXPECT_EQ(cut([](BetFilters& f) {
                  f.road.on = true;
                  f.road.values = *parseRoadPatterns("010", nullptr);
              }),
              (std::vector<int>{346}));
    // Two filters together: only what both let through.
    EXPECT_EQ(cut([](BetFilters& f) {
                  f.sum.on = true;
                  f.sum.values.set(12).set(13);
                  f.span.on = true;
                  f.span.values.set(4);
              }),
              (std::vector<int>{246, 256}));
    // A filter that is off cuts nothing, whatever its values.
    EXPECT_EQ(cut([](BetFilters& f) { f.span.values.set(0); }).size(), 6u);
}

TEST(BetList, RecentDrawsAndEmptyResultsAreToldApart)
{
    BetFilters f;
    f.recent = {true, 2};
    const HistorySnapshot h = test::history({"246", "999", "356", "146"});
    // The last two draws are 356 and 146; 246 lies further back.
    const std::bitset<1000> recent = recentNumbers(h, h.size(), 2);
    EXPECT_TRUE(recent.test(356) && recent.test(146) && !recent.test(246));
    EXPECT_EQ(numbers(BetList::build(smallKept(), BetPlay::Direct, f, recent)), (std::vector<int>{156, 246, 256, 346}));
    // Before row 2 the last two are 246 and 999.
    EXPECT_EQ(numbers(BetList::build(smallKept(), BetPlay::Direct, f, recentNumbers(h, 2, 2))).size(), 5u);

    BetFilters pairs;
    pairs.form.on = true;
    pairs.form.values.set(static_cast<std::size_t>(GroupForm::Pair));
    const BetList emptied = BetList::build(smallKept(), BetPlay::Direct, pairs);
    EXPECT_TRUE(emptied.empty());
    EXPECT_EQ(emptied.problem(), BetList::Problem::FilterEmptied);
    EXPECT_EQ(emptied.unfiltered(), 6);
    EXPECT_TRUE(emptied.problemText().contains("6"));

    KeptDigits noTens = smallKept();
    noTens[1].reset();
    const BetList none = BetList::build(noTens, BetPlay::Direct, BetFilters{});
    EXPECT_EQ(none.problem(), BetList::Problem::NoKeptDigit);
    EXPECT_TRUE(none.problemText().startsWith(QStringLiteral("十位")));
    EXPECT_EQ(none.worth(PrizeTable{}).returnRate, 0.0);
}

TEST(BetList, GroupSetsAreTheFormsSomeOrderOfTheKeptDigitsMakes)
{
    // Numbers 113 123 213 223: the sets 113 (组三), 123 (组六, twice over) and 223 (组三).
    const KeptDigits kept{digits({1, 2}), digits({1, 2}), digits({3})};
    const BetList list = BetList::build(kept, BetPlay::Group, BetFilters{});
    EXPECT_EQ(numbers(list), (std::vector<int>{113, 123, 223}));
    EXPECT_EQ(list.lines(), (QStringList{"组三 1 1 3", "组六 1 2 3", "组三 2 2 3"}));
    EXPECT_EQ(list.setsOf(GroupForm::Pair), 2);
    const PrizeTable prizes;
    EXPECT_EQ(list.winnings(311, prizes), 346); // any order of 1 1 3
    EXPECT_EQ(list.winnings(231, prizes), 173);
    EXPECT_EQ(list.winnings(124, prizes), 0);
    const BetWorth w = list.worth(prizes);
    EXPECT_DOUBLE_EQ(w.cost, 6.0);
    EXPECT_DOUBLE_EQ(w.winChance, 0.012); // 3 + 6 + 3 numbers of 1 000
    EXPECT_NEAR(w.expected, 2 * 0.003 * 346 + 0.006 * 173, 1e-12);

    // A 豹子 is no group bet: 1 1 1 alone makes nothing.
    const KeptDigits ones{digits({1}), digits({1}), digits({1})};
    EXPECT_TRUE(BetList::build(ones, BetPlay::Group, BetFilters{}).empty());
    // The whole space: 90 组三 and 120 组六 sets.
    const BetList all = BetList::build(allDigitsKept(), BetPlay::Group, BetFilters{});
    EXPECT_EQ(all.setsOf(GroupForm::Pair), 90);
    EXPECT_EQ(all.setsOf(GroupForm::Distinct), 120);

    // 012路 for a set: some order matches. 1 2 3 has roads 1 2 0, so 012 lets it through, as 直选 it would not.
    BetFilters road;
    road.road.on = true;
    road.road.values = *parseRoadPatterns("012", nullptr);
    EXPECT_EQ(numbers(BetList::build(kept, BetPlay::Group, road)), (std::vector<int>{123}));
    EXPECT_TRUE(BetList::build({digits({1}), digits({2}), digits({3})}, BetPlay::Direct, road).empty());
}

TEST(BetList, DirectListWinsOnlyOnTheDrawnNumberInOrder)
{
    const BetList list = BetList::build(smallKept(), BetPlay::Direct, BetFilters{});
    PrizeTable prizes;
    EXPECT_EQ(list.winnings(246, prizes), 1040);
    EXPECT_EQ(list.winnings(642, prizes), 0);
    prizes.direct = 1000;
    EXPECT_EQ(list.winnings(356, prizes), 1000);
}

TEST(TallyDigits, KeptDigitsFollowTheResultViewsMarks)
{
    TallySet tally;
    tally.senseCount[3][0] = 2; // 百位: 0 and 1 killed
    tally.senseCount[3][1] = 1;
    tally.senseCount[1][6] = 1; // 个位: 6 killed
    TallyResult::Setup setup;
    setup.view = ResultView::PerPosition;
    setup.position = 3;
    setup.kill = true;
    TallyKeptDigits kept = keptDigitsOfTally(tally, setup);
    ASSERT_TRUE(kept[0] && kept[1] && kept[2]);
    EXPECT_EQ(*kept[0], digits({2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(kept[1]->count(), 10u);
    EXPECT_FALSE(kept[2]->test(6));

    // A keep run keeps the named digits only; position 十位 tallies 个位 and 十位, not 百位.
    setup.kill = false;
    setup.position = 2;
    kept = keptDigitsOfTally(tally, setup);
    EXPECT_FALSE(kept[0].has_value());
    EXPECT_EQ(*kept[2], digits({6}));
    EXPECT_TRUE(kept[1]->none());

    // 大小 categories: 6 is big, so a kill of it filters all of 5-9.
    setup = {};
    setup.view = ResultView::PerPositionCategory;
    setup.category = CategoryPlay::BigSmall;
    setup.position = 1;
    kept = keptDigitsOfTally(tally, setup);
    EXPECT_EQ(*kept[2], digits({0, 1, 2, 3, 4}));

    // 十位通选: slot 0 applies to 十位 and 个位.
    TallySet group;
    group.senseCount[0][9] = 3;
    setup = {};
    setup.view = ResultView::Group;
    setup.position = 2;
    kept = keptDigitsOfTally(group, setup);
    EXPECT_FALSE(kept[0].has_value());
    EXPECT_EQ(*kept[1], digits({0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(kept[1], kept[2]);
    EXPECT_EQ(orAllDigits(kept)[0].count(), 10u);
}

} // namespace
} // namespace korvel
