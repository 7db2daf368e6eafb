#include "settings/PrizeTable.h"
#include "platform/SettingsStore.h"
#include "support/FakeDialogs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(PrizeTable, DefaultsStoreAndTheBadAmountsAreNamed)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("3VER.ini"));
    const PrizeTable defaults = PrizeTable::load(store);
    EXPECT_EQ(defaults.direct, 1040);
    EXPECT_EQ(defaults.group3, 346);
    EXPECT_EQ(defaults.group6, 173);
    EXPECT_EQ(defaults.stake, 2);
    EXPECT_TRUE(defaults.problem().isEmpty());

    PrizeTable t{1000, 320, 160, 2};
    t.store(store);
    EXPECT_EQ(store.value("IniSetting", "ZxJj"), QStringLiteral("1000"));
    EXPECT_EQ(PrizeTable::load(SettingsStore(dir.filePath("3VER.ini"))), t);

    store.setValue("IniSetting", "Z6Jj", "abc"); // reads as 0
    const QString problem = PrizeTable::load(store).problem();
    EXPECT_TRUE(problem.contains(QStringLiteral("组六"))) << problem.toStdString();
}

TEST(PrizeTable, TheMenuAsksEachAmountAndRepeatsABadAnswer)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("3VER.ini"));
    test::FakeDialogs dialogs;
    dialogs.answerInput("1000");
    dialogs.answerInput("0"); // refused, asked again
    dialogs.answerMessage(Dialogs::Answer::Ok);
    dialogs.answerInput("300");
    dialogs.answerInput("150");
    dialogs.answerInput("2");
    EXPECT_TRUE(askPrizeTable(store, dialogs));
    EXPECT_EQ(PrizeTable::load(store), (PrizeTable{1000, 300, 150, 2}));
    ASSERT_EQ(dialogs.inputs().size(), 5u);
    EXPECT_EQ(dialogs.inputs()[0].defaultText, QStringLiteral("1040"));
    EXPECT_EQ(dialogs.messages().size(), 1u);

    // Cancel part way: nothing changes.
    test::FakeDialogs cancel;
    cancel.answerInput("5");
    cancel.cancelInput();
    EXPECT_FALSE(askPrizeTable(store, cancel));
    EXPECT_EQ(PrizeTable::load(store).direct, 1000);
}

} // namespace
} // namespace korvel
