#include "bets/BetFilters.h"
#include "bets/FilterSets.h"
#include "platform/SettingsStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(BetFilterText, FieldsReadTheirValuesAndRefuseWithAReason)
{
    QString error;
    EXPECT_EQ(*parseValueList("10-12", 0, 27, &error), (std::vector<int>{10, 11, 12}));
    EXPECT_EQ(*parseValueList(" 3，5 8,7-8 ", 0, 9, &error), (std::vector<int>{3, 5, 7, 8}));
    EXPECT_FALSE(parseValueList("12-10", 0, 27, &error));
    EXPECT_FALSE(parseValueList("28", 0, 27, &error));
    EXPECT_TRUE(error.contains("27"));
    EXPECT_FALSE(parseValueList("abc", 0, 27, &error));
    EXPECT_FALSE(parseValueList("", 0, 27, &error));

    EXPECT_EQ(*parseDigitSet("1,2", &error), std::bitset<10>("0000000110"));
    EXPECT_EQ(*parseDigitSet("12", &error), std::bitset<10>("0000000110"));
    EXPECT_FALSE(parseDigitSet("1,x", &error));

    EXPECT_EQ(*parseRatioSet("2:1", &error), std::bitset<4>("0100"));
    EXPECT_EQ(*parseRatioSet("2：1,0:3", &error), std::bitset<4>("0101"));
    EXPECT_FALSE(parseRatioSet("2:2", &error)); // not three digits
    EXPECT_FALSE(parseRatioSet("3", &error));

    const auto any = parseRoadPatterns("0*2", &error);
    ASSERT_TRUE(any);
    EXPECT_EQ(any->count(), 3u); // 002 012 022
    EXPECT_EQ(roadPatternsText(*any), QStringLiteral("002,012,022"));
    EXPECT_FALSE(parseRoadPatterns("013", &error));
    EXPECT_FALSE(parseRoadPatterns("01", &error));

    EXPECT_EQ(parseGroupForm(QStringLiteral("组三")), GroupForm::Pair);
    EXPECT_FALSE(parseGroupForm(QStringLiteral("组四")));

    EXPECT_EQ(valueListText({3, 4, 5, 8, 10, 11}), QStringLiteral("3-5,8,10,11"));
    EXPECT_EQ(ratioSetText(std::bitset<4>("0110")), QStringLiteral("1:2,2:1"));
}

TEST(FilterSets, SavedSetsComeBackByNameAndBrokenOnesAreSkipped)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("3VER.ini"));
    FilterSets sets(store);
    BetFilters f;
    f.sum.on = true;
    f.sum.values.set(10).set(11);
    f.dan = {true, std::bitset<10>("0000000110"), true};
    f.road.on = false;
    f.road.values.set(5);
    f.recent = {true, 7};
    ASSERT_TRUE(sets.save(QStringLiteral("和值十"), f));
    QString error;
    EXPECT_FALSE(sets.save(QStringLiteral("  "), f, &error));
    EXPECT_FALSE(error.isEmpty());

    store.setValue(FilterSets::section(), QStringLiteral("坏的"), QStringLiteral("{not json"));
    FilterSets again(store);
    EXPECT_EQ(again.names(), QStringList{QStringLiteral("和值十")});
    const auto back = again.load(QStringLiteral("和值十"));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, f); // the off filter keeps its values too
    EXPECT_FALSE(again.load(QStringLiteral("坏的")));
    EXPECT_FALSE(again.load(QStringLiteral("没有")));
    again.remove(QStringLiteral("和值十"));
    EXPECT_TRUE(again.names().isEmpty());
}

} // namespace
} // namespace korvel
