#include "history/IssueNumber.h"

#include "support/HistoryRows.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::DrawLine;
using test::snapshotOf;

constexpr int kFc3d = 53;
constexpr int kPl3 = 3;

IssueTexts next(std::initializer_list<DrawLine> lines, int game)
{
    const auto t = issueTextsOf(snapshotOf(test::draws(lines)), game);
    EXPECT_TRUE(t.has_value());
    return t.value_or(IssueTexts{});
}

TEST(IssueTextsOf, LastIssueOfTheYearStartsTheNextYearInTheGamesYearForm)
{
    const DrawLine last{"2007358", "2007-12-31", "123"};
    EXPECT_EQ(next({{"2007357", "2007-12-30", "000"}, last}, kFc3d).nextIssue, "2008001");
    EXPECT_EQ(next({last}, kPl3).nextIssue, "08001");
    // The two-digit year is zero-padded and the verify field names the newest stored issue.
    const IssueTexts pl3 = next({{"08358", "2008-12-31", "694"}}, kPl3);
    EXPECT_EQ(pl3.nextIssue, "09001");
    EXPECT_EQ(pl3.verifyIssue, "08358");
}

TEST(IssueTextsOf, OtherIssuesCountOnKeepingTheirWidth)
{
    // 357 counts on even on the year's last day.
    EXPECT_EQ(next({{"2007357", "2007-12-31", "495"}}, kFc3d).nextIssue, "2007358");
    EXPECT_EQ(next({{"2007001", "2007-01-01", "583"}}, kFc3d).nextIssue, "2007002");
    EXPECT_EQ(next({{"08001", "2008-01-01", "583"}}, kPl3).nextIssue, "08002");
    EXPECT_EQ(next({{"2007099", "2007-04-10", "583"}}, kFc3d).nextIssue, "2007100");
    EXPECT_EQ(next({{"09099", "2009-04-10", "583"}}, kFc3d).nextIssue, "09100");
}

TEST(IssueTextsOf, A358thDrawBeforeTheYearsLastDayCountsOn)
{
    // 2008 had 359 draws: 2008358 was drawn on 30 December, 2008359 on the 31st.
    EXPECT_EQ(next({{"2008358", "2008-12-30", "159"}}, kFc3d).nextIssue, "2008359");
    EXPECT_EQ(next({{"2008359", "2008-12-31", "927"}}, kFc3d).nextIssue, "2008360");
    EXPECT_EQ(next({{"12358", "2012-12-30", "012"}}, kPl3).nextIssue, "12359");
}

TEST(IssueTextsOf, EmptyHistoryLeavesTheFieldsAlone)
{
    EXPECT_FALSE(issueTextsOf(HistorySnapshot{}, kFc3d).has_value());
}

TEST(IssueTextsOf, AnIssueThatIsNoNumberGivesNoNextIssue)
{
    const IssueTexts t = next({{"abc", "2007-01-01", "123"}}, kFc3d);
    EXPECT_EQ(t.verifyIssue, "abc");
    EXPECT_TRUE(t.nextIssue.isEmpty());
}

TEST(OffsetIssue, KeepsTheWidthAndRefusesWhatIsNoNumber)
{
    EXPECT_EQ(offsetIssue("2016050", -1), "2016049");
    EXPECT_EQ(offsetIssue("08002", -1), "08001");
    EXPECT_EQ(offsetIssue("999", 1), "1000");
    EXPECT_FALSE(offsetIssue("", 1));
    EXPECT_FALSE(offsetIssue("2016a01", 1));
    EXPECT_FALSE(offsetIssue("000", -1));
}

} // namespace
} // namespace korvel
