#include "WindowFixture.h"

#include "gui/settings/SettingsMenu.h"
#include "history/HistoryStore.h"
#include "history/Param.h"

#include <QMenu>

namespace korvel::test {
namespace {

class SettingsMenuTest : public WindowFixture {
protected:
    // The check marks as one line: N/T results at next/current issue, X exclude current, W weighted,
    // the checked window items by index, F/P the game.
    QString marks() const
    {
        const SettingsMenu* menu = m_window->settingsMenu();
        QString s;
        s += menu->resultsAtNextAction()->isChecked() ? QStringLiteral("N") : QString();
        s += menu->resultsAtCurrentAction()->isChecked() ? QStringLiteral("T") : QString();
        s += menu->excludeCurrentAction()->isChecked() ? QStringLiteral("X") : QString();
        s += menu->weightedRateAction()->isChecked() ? QStringLiteral("W") : QString();
        for (int i = 0; i < 10; ++i) {
            if (menu->windowAction(i)->isChecked()) {
                s += QString::number(i);
            }
        }
        s += menu->fc3dAction()->isChecked() ? QStringLiteral("F") : QString();
        s += menu->pl3Action()->isChecked() ? QStringLiteral("P") : QString();
        return s;
    }

    QString stored(const char* key) const
    {
        return SettingsStore(m_dir.filePath(QStringLiteral("3VER.ini")))
            .value(QStringLiteral("IniSetting"), QString::fromLatin1(key))
            .toLower();
    }
};

TEST_F(SettingsMenuTest, HoldsEveryItemInItsPlace)
{
    open();
    const SettingsMenu* menu = m_window->settingsMenu();
    EXPECT_EQ(menu->title(), "设置");
    QStringList top;
    for (QAction* a : menu->actions()) {
        if (!a->isSeparator()) {
            top << a->text();
        }
    }
    EXPECT_EQ(top,
              (QStringList{"历史列表公式验算结果显示在下期(&N)", "历史列表公式验算结果显示在当期(&T)",
                           "检索期数设置(&Q)", "正确率使用期数加权算法(&A)", "历史号码更新检索年数设置(&D)", "彩种选择",
                           "奖金设置(&J)", "恢复默认设置(&R)", "导入内置历史", "修复历史期号参数(&F)", "关于"}));
    QStringList window;
    for (QAction* a : menu->windowMenu()->actions()) {
        if (!a->isSeparator()) {
            window << a->text();
        }
    }
    EXPECT_EQ(window, (QStringList{"检索期数前溯不含当前期", "前所有期", "前100期", "前200期", "前300期", "前500期",
                                   "前600期", "前800期", "前1000期", "前1500期", "前3000期"}));
    EXPECT_EQ(menu->gameMenu()->actions().size(), 2);
    EXPECT_EQ(menu->fc3dAction()->text(), "福彩3D");
    EXPECT_EQ(menu->pl3Action()->text(), "体彩排列3");
}

TEST_F(SettingsMenuTest, CheckMarksShowTheOptionsAndChangesSurviveARestart)
{
    open();
    EXPECT_EQ(marks(), "NXW3F"); // first start: every default
    EXPECT_EQ(stored("GsZl"), "53");

    triggerAction(QStringLiteral("actionWindow5"));
    triggerAction(QStringLiteral("actionResultsAtCurrentIssue"));
    triggerAction(QStringLiteral("actionWeightedRate"));
    triggerAction(QStringLiteral("actionExcludeCurrent"));
    triggerAction(QStringLiteral("actionGamePl3"));
    EXPECT_EQ(marks(), "T5P");
    EXPECT_EQ(stored("JSQS"), "5");
    EXPECT_EQ(stored("LsXs"), "true");
    EXPECT_EQ(stored("ZqlJq"), "false");
    EXPECT_EQ(stored("SyBq"), "false");
    EXPECT_EQ(stored("GsZl"), "3");

    // Choosing the item already checked keeps it checked.
    triggerAction(QStringLiteral("actionWindow5"));
    triggerAction(QStringLiteral("actionResultsAtCurrentIssue"));
    EXPECT_EQ(marks(), "T5P");

    reopen();
    EXPECT_EQ(marks(), "T5P");

    triggerAction(QStringLiteral("actionRestoreDefaults"));
    EXPECT_EQ(marks(), "NXW3P"); // the game stays
    reopen();
    EXPECT_EQ(marks(), "NXW3P");
    EXPECT_EQ(stored("JSQS"), "3");
}

TEST_F(SettingsMenuTest, SearchYearsAreAskedAgainUntilTheAnswerIsTwoToTen)
{
    open();
    m_dialogs.answerInput(QStringLiteral("11"));
    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    m_dialogs.answerInput(QStringLiteral("10"));
    triggerAction(QStringLiteral("actionSearchYears"));
    ASSERT_EQ(m_dialogs.inputs().size(), 2u);
    EXPECT_EQ(m_dialogs.inputs()[0].title, "设置年数");
    EXPECT_EQ(m_dialogs.inputs()[0].text, "请输入需要统计的历史号码的年数（2~10中的任意自然数）");
    EXPECT_EQ(m_dialogs.inputs()[0].defaultText, "3");
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "输入有误");
    EXPECT_EQ(stored("IniSerchDay"), "10");
    EXPECT_EQ(m_session->options().searchYears(), 10);
}

TEST_F(SettingsMenuTest, RepairAsksFirstAndSaysHowManyDrawsChanged)
{
    open();
    // A 359th draw as an earlier draw file import stored it: the modulo-358 issue values.
    DrawParams wrong = computeDrawParameters({9, 2, 7}, {1, 5, 9}, issueDateFromSequence(359, 2008, 12, 31));
    ASSERT_EQ(m_session->history().appendRow(QStringLiteral("2008359"), wrong), HistoryStore::AppendResult::Stored);
    ASSERT_EQ(m_session->snapshot()->value(0, Param::SQH), 1);

    m_dialogs.answerMessage(Dialogs::Answer::Cancel);
    triggerAction(QStringLiteral("actionRepairIssueValues"));
    ASSERT_EQ(m_dialogs.messages().size(), 1u);
    EXPECT_EQ(m_dialogs.messages()[0].title, "修复期号参数");
    EXPECT_EQ(m_session->snapshot()->value(0, Param::SQH), 1);

    m_dialogs.answerMessage(Dialogs::Answer::Ok);
    triggerAction(QStringLiteral("actionRepairIssueValues"));
    ASSERT_EQ(m_dialogs.messages().size(), 3u);
    EXPECT_EQ(m_dialogs.messages()[2].text, "已修复 1 期历史记录的期号参数。");
    const SnapshotPtr snap = m_session->snapshot();
    EXPECT_EQ(snap->value(0, Param::QH), 360);
    EXPECT_EQ(snap->value(0, Param::QHW), 9);
    EXPECT_EQ(snap->value(0, Param::SQH), 359);
    EXPECT_EQ(snap->value(0, Param::SQHW), 17);
}

} // namespace
} // namespace korvel::test
