#include "search/SearchSettings.h"
#include "platform/SettingsStore.h"
#include "search/SearchText.h"
#include "search/ThresholdTable.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace korvel {
namespace {

using Texts = std::array<QString, kThresholdSlots>;

Texts texts(std::initializer_list<const char*> values)
{
    Texts t;
    int i = 0;
    for (const char* v : values) {
        t[static_cast<std::size_t>(i++)] = QString::fromUtf8(v);
    }
    return t;
}

class SearchSettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("3VER.ini"))};
};

TEST_F(SearchSettingsTest, FreshStoreGivesTheDefaultTable)
{
    ThresholdTable table;
    table.load(store);
    EXPECT_EQ(table.texts(1, true), texts({"94.6", "100", "0", "2", "48", "32768", "0", "0", "32", "32768"}));
    EXPECT_EQ(table.texts(3, true), table.texts(1, true));
    EXPECT_EQ(table.texts(5, true), texts({"86", "100", "0", "2", "32", "32768", "0", "0", "6", "32768"}));
    EXPECT_EQ(table.texts(6, true), texts({"80", "100", "0", "3", "16", "32768", "0", "0", "8", "32768"}));
    EXPECT_EQ(table.texts(2, false), texts({"12", "100", "0", "28", "2", "32768", "0", "0", "2", "32768"}));
    EXPECT_EQ(table.texts(5, false), texts({"26", "100", "0", "16", "3", "32768", "0", "0", "2", "32768"}));
    EXPECT_EQ(table.texts(6, false), texts({"34", "100", "0", "12", "4", "32768", "0", "0", "2", "32768"}));
    EXPECT_EQ(table.texts(4, true), texts({"0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(storedOperandCount(store, 1), 8);
    // Reading the table stores nothing.
    EXPECT_TRUE(store.sections().isEmpty());
}

TEST_F(SearchSettingsTest, SavingOneKindAndSenseWritesOnlyItsKeys)
{
    ThresholdTable table;
    table.load(store);
    // Kind 5 (十位通选), sense 生: section "4", keys "10".."19"; a non-numeric field reads as 0, a text with
    // a leading number as that number.
    saveKindSettings(store, table, 5, false, texts({"30.5", "99", "abc", "15", "4x", "32768", "0", "1", "2", "32768"}),
                     11);
    EXPECT_EQ(store.keys(QStringLiteral("4")).size(), 10);
    EXPECT_EQ(store.value(QStringLiteral("4"), QStringLiteral("10")), QStringLiteral("30.5"));
    EXPECT_EQ(store.value(QStringLiteral("4"), QStringLiteral("12")), QStringLiteral("0"));
    EXPECT_EQ(store.value(QStringLiteral("4"), QStringLiteral("14")), QStringLiteral("4"));
    EXPECT_EQ(store.value(QStringLiteral("4"), QStringLiteral("19")), QStringLiteral("32768"));
    EXPECT_FALSE(store.contains(QStringLiteral("4"), QStringLiteral("0")));
    EXPECT_EQ(store.value(QStringLiteral("5"), QStringLiteral("text2")), QStringLiteral("11"));
    EXPECT_EQ(table.value(5, 0, false), 30.5f);
    EXPECT_EQ(table.value(5, 2, false), 0.0f);
    EXPECT_EQ(table.value(5, 0, true), 86.0f); // the 杀 row stays

    ThresholdTable reread;
    reread.load(store);
    EXPECT_EQ(reread.row(5, false), table.row(5, false));
    EXPECT_EQ(reread.row(5, true), ThresholdTable().row(5, true));
    EXPECT_EQ(storedOperandCount(store, 5), 11);
    EXPECT_EQ(storedOperandCount(store, 6), 8);

    store.setValue(QStringLiteral("6"), QStringLiteral("text2"), QStringLiteral("99"));
    EXPECT_EQ(storedOperandCount(store, 6), kMaxOperands);
}

TEST_F(SearchSettingsTest, QuotasSaveLoadAndTotals)
{
    // "调用设置" on a fresh store: 100 everywhere but 通选个位.
    std::array<QString, 6> q = loadQuotas(store, true);
    EXPECT_EQ(q, (std::array<QString, 6>{"100", "100", "100", "0", "100", "100"}));

    SchemeSettings scheme;
    scheme.quotas = {"120", "abc", "50", "77", "100.0", "0"};
    saveQuotas(store, false, scheme.quotas);
    EXPECT_EQ(store.value(kQuotaSection, QStringLiteral("11")), QStringLiteral("120"));
    EXPECT_EQ(store.value(kQuotaSection, QStringLiteral("12")), QStringLiteral("0"));
    EXPECT_EQ(store.value(kQuotaSection, QStringLiteral("15")), QStringLiteral("100"));
    EXPECT_FALSE(store.contains(kQuotaSection, QStringLiteral("1")));
    q = loadQuotas(store, false);
    EXPECT_EQ(q, (std::array<QString, 6>{"120", "0", "50", "0", "100", "0"}));

    // 保有: only kinds below quota add their shortfall; kind 1 with 130 formulas adds nothing.
    scheme.quotas = {"100", "100", "100", "0", "100", "100"};
    const KindCounts existing{130, 40, 0, 0, 99, 100};
    EXPECT_EQ(existingTotal(existing), 369);
    scheme.setMode(QuotaMode::Hold);
    EXPECT_TRUE(scheme.autoAppend);
    EXPECT_FALSE(scheme.autoReplace);
    EXPECT_EQ(neededTotal(scheme, existing), 60 + 100 + 1);
    EXPECT_EQ(totalHeld(scheme, existing), 161 + 369);
    scheme.setAutoAppend(false);
    EXPECT_EQ(totalHeld(scheme, existing), 161);
    // 新增: every quota counts in full; choosing it switches the automatic save to replace.
    scheme.setMode(QuotaMode::Add);
    EXPECT_FALSE(scheme.autoAppend);
    EXPECT_TRUE(scheme.autoReplace);
    EXPECT_EQ(neededTotal(scheme, existing), 500);
    scheme.setAutoAppend(true);
    EXPECT_FALSE(scheme.autoReplace);
    scheme.setAutoReplace(true);
    EXPECT_FALSE(scheme.autoAppend);
}

TEST(SearchText, NumbersOfFields)
{
    EXPECT_TRUE(isNumericText(u"12"));
    EXPECT_TRUE(isNumericText(u" -4.5 "));
    EXPECT_TRUE(isNumericText(u"1e3"));
    EXPECT_TRUE(isNumericText(u".5"));
    EXPECT_FALSE(isNumericText(u""));
    EXPECT_FALSE(isNumericText(u"-"));
    EXPECT_FALSE(isNumericText(u"12a"));
    EXPECT_FALSE(isNumericText(u"1e"));
    EXPECT_FALSE(isNumericText(u"1.2.3"));
    EXPECT_EQ(floatText(94.6f), QStringLiteral("94.6"));
    EXPECT_EQ(floatText(32768.0f), QStringLiteral("32768"));
    EXPECT_EQ(floatText(0.0001f), QStringLiteral("0.0001"));
    EXPECT_EQ(floatText(1e7f), QStringLiteral("10000000"));
    EXPECT_EQ(numberText(-0.0), QStringLiteral("0"));
    EXPECT_EQ(numberText(43.333333333333336), QStringLiteral("43.333333333333336"));
}

} // namespace
} // namespace korvel
