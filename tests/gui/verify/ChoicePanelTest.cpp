#include "gui/verify/ChoicePanel.h"
#include "verify/ChoiceHost.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace korvel::test {
namespace {

// A host that keeps the choices as the session would (个位 forces 单选) and can refuse a change of sense.
class RecordingChoiceHost final : public ChoiceHost {
public:
    FormulaKind kind() const override { return m_kind; }
    PlayChoice playChoice() const override { return m_play; }
    bool groupPlayAvailable() const override { return m_kind.position != 1; }
    bool kill() const override { return m_kill; }
    bool computeSelected() const override { return m_selected; }
    bool verifyMode() const override { return m_verify; }
    QString verifyIssue() const override { return m_issue; }

    void setPosition(int position) override
    {
        m_kind.position = position;
        if (position == 1 && m_play == PlayChoice::Group) {
            m_play = PlayChoice::Single;
            m_kind.play = Play::Single;
        }
        emit choicesChanged();
    }
    void setPlayChoice(PlayChoice choice) override
    {
        m_play = choice;
        if (choice == PlayChoice::Group || choice == PlayChoice::Single) {
            m_kind.play = choice == PlayChoice::Group ? Play::Group : Play::Single;
        }
        emit choicesChanged();
    }
    void setKill(bool kill) override
    {
        if (!refuseSense) {
            m_kill = kill;
        }
        emit choicesChanged();
    }
    void setComputeSelected(bool selected) override { m_selected = selected; }
    void setVerifyMode(bool verify) override
    {
        m_verify = verify;
        verifyModes.push_back(verify);
    }
    void setVerifyIssue(const QString& issue) override { m_issue = issue; }

    void showIssue(const QString& issue)
    {
        m_issue = issue;
        emit choicesChanged();
    }

    FormulaKind m_kind{3, Play::Single};
    PlayChoice m_play = PlayChoice::Single;
    bool m_kill = true;
    bool m_selected = false;
    bool m_verify = false;
    QString m_issue = QStringLiteral("2007001");
    bool refuseSense = false;
    std::vector<bool> verifyModes;
};

QRadioButton* radio(const ChoicePanel& panel, const char* name)
{
    auto* r = panel.findChild<QRadioButton*>(QString::fromLatin1(name));
    EXPECT_NE(r, nullptr) << name;
    return r;
}

// The panel on a host of its own: a click hands the choice to the host, and the buttons show what the host
// holds afterwards, also when it changed or refused the choice.
TEST(ChoicePanelTest, ClicksGoToTheHostAndTheButtonsShowTheHostsChoices)
{
    RecordingChoiceHost host;
    ChoicePanel panel(host);
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    EXPECT_TRUE(radio(panel, "positionHundreds")->isChecked());
    EXPECT_TRUE(radio(panel, "playSingle")->isChecked());
    EXPECT_TRUE(radio(panel, "senseKill")->isChecked());
    EXPECT_EQ(panel.verifyIssueEdit()->text(), "2007001");

    radio(panel, "playGroup")->click();
    EXPECT_EQ(host.m_kind, (FormulaKind{3, Play::Group}));
    EXPECT_TRUE(radio(panel, "playGroup")->isChecked());
    // 个位 has no 通选: the host falls back to 单选 and the panel follows.
    radio(panel, "positionUnits")->click();
    EXPECT_EQ(host.m_kind, (FormulaKind{1, Play::Single}));
    EXPECT_TRUE(radio(panel, "playSingle")->isChecked());
    EXPECT_FALSE(radio(panel, "playGroup")->isEnabled());

    host.refuseSense = true;
    radio(panel, "senseKeep")->click();
    EXPECT_TRUE(radio(panel, "senseKill")->isChecked());

    radio(panel, "methodSelected")->click();
    EXPECT_TRUE(host.m_selected);

    // Typing an issue to verify means verifying; the host's issue shows in the field.
    panel.verifyIssueEdit()->setFocus();
    EXPECT_EQ(host.verifyModes, std::vector<bool>{true});
    EXPECT_TRUE(radio(panel, "modeVerify")->isChecked());
    panel.verifyIssueEdit()->selectAll();
    QTest::keyClicks(panel.verifyIssueEdit(), QStringLiteral("2007005"));
    EXPECT_EQ(host.m_issue, "2007005");
    host.showIssue(QStringLiteral("2007009"));
    EXPECT_EQ(panel.verifyIssueEdit()->text(), "2007009");
}

} // namespace
} // namespace korvel::test
