#include "session/ChoiceState.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

// Counts each signal, so a test can tell which reaction of the session a change asks for.
struct Counter {
    int n = 0;
    int count() const { return n; }
};

struct Spies {
    explicit Spies(ChoiceState& s)
    {
        QObject::connect(&s, &ChoiceState::kindChosen, [this] { ++kind.n; });
        QObject::connect(&s, &ChoiceState::displayChanged, [this] { ++display.n; });
        QObject::connect(&s, &ChoiceState::verifyIssueChanged, [this] { ++issue.n; });
    }
    Counter kind;
    Counter display;
    Counter issue;
};

const FormulaKind k1D{1, Play::Single};
const FormulaKind k2D{2, Play::Single};
const FormulaKind k2G{2, Play::Group};
const FormulaKind k3D{3, Play::Single};
const FormulaKind k3G{3, Play::Group};

TEST(ChoiceStateTest, PositionAndPlayRules)
{
    ChoiceState s;
    s.setPosition(2);
    s.setPlayChoice(PlayChoice::Group);
    EXPECT_EQ(s.kind(), k2G);

    // 个位 has no group play: 单选 is forced and 通选 refused afterwards.
    s.setPosition(1);
    EXPECT_EQ(s.kind(), k1D);
    EXPECT_EQ(s.playChoice(), PlayChoice::Single);
    EXPECT_FALSE(s.groupPlayAvailable());
    Spies spies(s);
    s.setPlayChoice(PlayChoice::Group);
    EXPECT_EQ(s.kind(), k1D);
    EXPECT_EQ(spies.kind.count(), 0);

    // Positions outside 1..3 are ignored.
    s.setPosition(0);
    s.setPosition(4);
    EXPECT_EQ(s.kind(), k1D);
    EXPECT_EQ(spies.kind.count(), 0);

    // Leaving 个位 the play follows the play choice.
    s.setPosition(3);
    EXPECT_EQ(s.kind(), k3D);
    s.setPlayChoice(PlayChoice::Group);
    s.setPosition(2);
    EXPECT_EQ(s.kind(), k2G);
}

TEST(ChoiceStateTest, CategoryPlaysKeepTheKindAndLeaveTheListAlone)
{
    ChoiceState s;
    s.setPosition(2);
    s.setPlayChoice(PlayChoice::Group);
    Spies spies(s);

    s.setPlayChoice(PlayChoice::OddEven);
    EXPECT_EQ(s.kind(), k2G);
    EXPECT_TRUE(s.categoryMode());
    EXPECT_FALSE(s.categoryBigSmall());
    s.setPlayChoice(PlayChoice::BigSmall);
    EXPECT_TRUE(s.categoryBigSmall());
    EXPECT_EQ(spies.kind.count(), 0);
    EXPECT_EQ(spies.display.count(), 2);

    // 单选 ends the category mode and changes the list.
    s.setPlayChoice(PlayChoice::Single);
    EXPECT_FALSE(s.categoryMode());
    EXPECT_EQ(s.kind(), k2D);
    EXPECT_EQ(spies.kind.count(), 1);
}

TEST(ChoiceStateTest, SameValueEmitsNothingButChoosingAKindAgainRebuildsTheList)
{
    ChoiceState s;
    Spies spies(s);
    s.setKill(s.kill());
    s.setVerifyMode(s.verifyMode());
    EXPECT_FALSE(s.setVerifyIssue(s.verifyIssue()));
    s.setPlayChoice(PlayChoice::OddEven);
    s.setPlayChoice(PlayChoice::OddEven);
    EXPECT_EQ(spies.kind.count(), 0);
    EXPECT_EQ(spies.display.count(), 1);
    EXPECT_EQ(spies.issue.count(), 0);

    // A list changed underneath (an import) is shown afresh by choosing the kind it already shows.
    s.setPlayChoice(PlayChoice::Single);
    s.setPosition(s.kind().position);
    s.setPlayChoice(PlayChoice::Single);
    EXPECT_EQ(spies.kind.count(), 3);

    s.setKill(!s.kill());
    s.setVerifyMode(!s.verifyMode());
    EXPECT_TRUE(s.setVerifyIssue(QStringLiteral("2024001")));
    EXPECT_EQ(spies.kind.count(), 4);
    EXPECT_EQ(spies.display.count(), 2);
    EXPECT_EQ(spies.issue.count(), 1);
}

TEST(ChoiceStateTest, TypedFormulaChoosesItsKindOnce)
{
    ChoiceState s;
    s.setPlayChoice(PlayChoice::BigSmall);
    Spies spies(s);

    // No play named and a single kind: the category mode stays, the sense too when the line gave none.
    s.adoptTypedFormula(k2D, std::nullopt, false);
    EXPECT_EQ(s.kind(), k2D);
    EXPECT_TRUE(s.kill());
    EXPECT_EQ(s.playChoice(), PlayChoice::BigSmall);
    EXPECT_EQ(spies.kind.count(), 1);

    // A group kind chooses 通选, ending the category mode.
    s.adoptTypedFormula(k3G, false, false);
    EXPECT_EQ(s.kind(), k3G);
    EXPECT_FALSE(s.kill());
    EXPECT_EQ(s.playChoice(), PlayChoice::Group);
    EXPECT_FALSE(s.categoryBigSmall());

    // Back to a single kind from 通选: 单选 is chosen.
    s.adoptTypedFormula(k3D, std::nullopt, false);
    EXPECT_EQ(s.playChoice(), PlayChoice::Single);
    // The same kind again still rebuilds the list, which must show the new formula.
    s.adoptTypedFormula(k3D, std::nullopt, true);
    EXPECT_EQ(spies.kind.count(), 4);
    EXPECT_EQ(spies.display.count(), 0);
}

} // namespace
} // namespace korvel
