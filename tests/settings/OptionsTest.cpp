#include "settings/Options.h"

#include "platform/SettingsStore.h"
#include "support/FakeDialogs.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::FakeDialogs;

class OptionsTest : public ::testing::Test {
protected:
    QString ini() const { return m_dir.filePath("3VER.ini"); }

    // A new store and new options on the same file: what the next start of the program sees.
    std::unique_ptr<Options> restart()
    {
        m_store = std::make_unique<SettingsStore>(ini());
        auto o = std::make_unique<Options>(*m_store);
        o->load();
        return o;
    }

    QString stored(const QString& key) const { return SettingsStore(ini()).value("IniSetting", key); }

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
};

TEST_F(OptionsTest, FirstStartWithAnEmptyStoreUsesTheDefaults)
{
    const auto o = restart();
    EXPECT_EQ(o->game(), 53);
    EXPECT_EQ(Options::gameCaption(o->game()), "福彩3D");
    EXPECT_EQ(o->searchYears(), 3);
    EXPECT_FALSE(o->computeSelected());
    EXPECT_FALSE(o->resultsAtCurrentIssue());
    EXPECT_EQ(o->resultColumn(), "PreCanshu");
    EXPECT_TRUE(o->excludeCurrent());
    EXPECT_TRUE(o->weightedRate());
    EXPECT_EQ(o->windowIndex(), 3);
    EXPECT_EQ(o->windowSize(), 300);
    // Only the game is written back at start.
    EXPECT_EQ(SettingsStore(ini()).keys("IniSetting"), QStringList{"GsZl"});
    EXPECT_EQ(stored("GsZl"), "53");
}

TEST_F(OptionsTest, EveryChangeIsStoredAtOnceAndSurvivesARestart)
{
    {
        const auto o = restart();
        int changes = 0;
        QObject::connect(o.get(), &Options::changed, [&changes] { ++changes; });
        o->setGame(3);
        o->setComputeSelected(true);
        o->setResultsAtCurrentIssue(true);
        o->toggleExcludeCurrent();
        o->toggleWeightedRate();
        o->setWindowIndex(9);
        o->setSearchYears(7);
        EXPECT_EQ(changes, 7);
        // Written already, before the options go away.
        EXPECT_EQ(stored("JSQS"), "9");
        EXPECT_EQ(stored("LsXs"), "True");
        EXPECT_EQ(stored("SyBq"), "False");
    }
    const auto o = restart();
    EXPECT_EQ(o->game(), 3);
    EXPECT_TRUE(o->isPl3());
    EXPECT_TRUE(o->computeSelected());
    EXPECT_TRUE(o->resultsAtCurrentIssue());
    EXPECT_EQ(o->resultColumn(), "canshu");
    EXPECT_FALSE(o->excludeCurrent());
    EXPECT_FALSE(o->weightedRate());
    EXPECT_EQ(o->windowSize(), 3000);
    EXPECT_EQ(o->searchYears(), 7);
}

TEST_F(OptionsTest, RestoreDefaultsLeavesGameAndMethod)
{
    {
        const auto o = restart();
        o->setGame(3);
        o->setComputeSelected(true);
        o->setResultsAtCurrentIssue(true);
        o->setExcludeCurrent(false);
        o->setWeightedRate(false);
        o->setSearchYears(9);
        o->setWindowIndex(0);
        o->restoreDefaults();
    }
    const auto o = restart();
    EXPECT_EQ(o->windowIndex(), 3);
    EXPECT_EQ(Options::windowCaption(o->windowIndex()), "前300期");
    EXPECT_FALSE(o->resultsAtCurrentIssue());
    EXPECT_TRUE(o->excludeCurrent());
    EXPECT_TRUE(o->weightedRate());
    EXPECT_EQ(o->searchYears(), 3);
    EXPECT_EQ(o->game(), 3);
    EXPECT_TRUE(o->computeSelected());
}

TEST_F(OptionsTest, StoredTextsConvertAsTheStoreReadsThem)
{
    {
        SettingsStore s(ini());
        s.setValue("IniSetting", "GsZl", "3");
        s.setValue("IniSetting", "JSFF", "True");
        s.setValue("IniSetting", "SyBq", "nonsense");
        s.setValue("IniSetting", "IniSerchDay", "many");
        s.setValue("IniSetting", "JSQS", "42");
    }
    const auto o = restart();
    EXPECT_EQ(o->game(), 3);
    EXPECT_TRUE(o->computeSelected());
    // A value that does not convert gives false / 0.
    EXPECT_FALSE(o->excludeCurrent());
    EXPECT_EQ(o->searchYears(), 0);
    // No window item has index 42: the default window.
    EXPECT_EQ(o->windowIndex(), 3);
    EXPECT_EQ(o->windowSize(), 300);
}

TEST(OptionsWindow, IndexTableAndCaptions)
{
    const int sizes[] = {0, 100, 200, 300, 500, 600, 800, 1000, 1500, 3000};
    for (int i = 0; i < Options::kWindowCount; ++i) {
        EXPECT_EQ(Options::windowSizeOfIndex(i), sizes[i]) << i;
    }
    EXPECT_EQ(Options::windowCaption(0), "前所有期");
    EXPECT_EQ(Options::windowCaption(1), "前100期");
    EXPECT_EQ(Options::windowCaption(8), "前1500期");
    EXPECT_EQ(Options::windowCaption(9), "前3000期");
    EXPECT_EQ(Options::gameCaption(3), "体彩排列3");
}

TEST_F(OptionsTest, YearsAreAskedAgainUntilTheyLieBetweenTwoAndTen)
{
    const auto o = restart();
    FakeDialogs dialogs;
    dialogs.answerInput("11");
    dialogs.answerInput("1");
    dialogs.answerInput("0");
    dialogs.answerInput("10");
    EXPECT_TRUE(o->askSearchYears(dialogs));
    EXPECT_EQ(o->searchYears(), 10);
    EXPECT_EQ(stored("IniSerchDay"), "10");

    const auto& calls = dialogs.calls();
    ASSERT_EQ(calls.size(), 7u);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (i % 2 == 0) {
            EXPECT_EQ(calls[i].kind, FakeDialogs::Kind::Input);
            EXPECT_EQ(calls[i].title, "设置年数");
            EXPECT_EQ(calls[i].text, "请输入需要统计的历史号码的年数（2~10中的任意自然数）");
            // The box shows the value stored when the command began.
            EXPECT_EQ(calls[i].defaultText, "3");
        } else {
            EXPECT_EQ(calls[i].kind, FakeDialogs::Kind::Message);
            EXPECT_EQ(calls[i].title, "输入有误");
            EXPECT_EQ(calls[i].text,
                      "为了保证时效性和提高计算效率，软件只能统计10天以内的数据，请输入2到10中的自然数。");
        }
    }
}

TEST_F(OptionsTest, EmptyOrCancelledYearsChangeNothing)
{
    const auto o = restart();
    o->setSearchYears(5);
    FakeDialogs dialogs;
    dialogs.answerInput("");
    EXPECT_FALSE(o->askSearchYears(dialogs));
    dialogs.answerInput("x");
    dialogs.cancelInput();
    EXPECT_FALSE(o->askSearchYears(dialogs));
    EXPECT_EQ(dialogs.inputs().back().defaultText, "5");
    EXPECT_EQ(o->searchYears(), 5);
    EXPECT_EQ(stored("IniSerchDay"), "5");
    EXPECT_TRUE(dialogs.allAnswered());
}

} // namespace
} // namespace korvel
