#include "history/DrawSchedule.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <QTimeZone>

#include <set>

namespace korvel {
namespace {

QDateTime beijing(int y, int m, int d, int h, int min)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), QTimeZone(8 * 3600));
}

TEST(DrawSchedule, TheLastDrawThatShouldExistIsTodaysAfter2115BeijingTime)
{
    using drawschedule::lastExpectedDraw;
    EXPECT_EQ(lastExpectedDraw(beijing(2026, 9, 21, 21, 14)), QDate(2026, 9, 20));
    EXPECT_EQ(lastExpectedDraw(beijing(2026, 9, 21, 21, 15)), QDate(2026, 9, 21));
    // The same instant given in UTC: 13:20 UTC is 21:20 in Beijing.
    EXPECT_EQ(lastExpectedDraw(QDateTime(QDate(2026, 9, 21), QTime(13, 20), QTimeZone::utc())), QDate(2026, 9, 21));
    // Just after midnight in Beijing, still the evening before in UTC.
    EXPECT_EQ(lastExpectedDraw(QDateTime(QDate(2026, 9, 21), QTime(16, 30), QTimeZone::utc())), QDate(2026, 9, 21));
    // In the Spring Festival break of 2027 (new year 6 February): the last draw before it, 3 February.
    EXPECT_EQ(lastExpectedDraw(beijing(2027, 2, 8, 22, 0)), QDate(2027, 2, 3));
    EXPECT_EQ(lastExpectedDraw(beijing(2027, 2, 13, 22, 0)), QDate(2027, 2, 13));
    // National Day: 1–4 October.
    EXPECT_EQ(lastExpectedDraw(beijing(2026, 10, 3, 22, 0)), QDate(2026, 9, 30));
}

TEST(DrawSchedule, NoRealDrawFallsOnADayTheRuleCallsABreak)
{
    for (const QString& file : {QStringLiteral("fc3d_draws.tsv"), QStringLiteral("pl3_draws.tsv")}) {
        std::set<QDate> days;
        for (const test::DrawLine& d : test::loadDraws(file)) {
            const QDate day = QDate::fromString(d.date, Qt::ISODate);
            EXPECT_FALSE(drawschedule::isBreakDay(day)) << file.toStdString() << " " << d.issue.toStdString();
            days.insert(day);
        }
        // And the breaks are really breaks in recent years: no draw in them.
        int breakDays = 0;
        for (QDate day(2021, 1, 1); day <= QDate(2026, 9, 20); day = day.addDays(1)) {
            if (drawschedule::isBreakDay(day)) {
                ++breakDays;
                EXPECT_FALSE(days.count(day)) << day.toString(Qt::ISODate).toStdString();
            }
        }
        EXPECT_EQ(breakDays, 6 * 9 + 5 * 4);
    }
}

TEST(DrawSchedule, AnUpdateIsDueWhenTheNewestStoredDrawIsOlderThanTheLastExpectedOne)
{
    const HistorySnapshot history =
        test::snapshotOf({{"2026252", "2026-09-19", "092"}, {"2026253", "2026-09-20", "034"}});
    EXPECT_FALSE(drawschedule::updateDue(history, beijing(2026, 9, 21, 20, 0)));
    EXPECT_TRUE(drawschedule::updateDue(history, beijing(2026, 9, 21, 21, 30)));
    EXPECT_FALSE(drawschedule::updateDue(HistorySnapshot{}, beijing(2026, 9, 21, 21, 30)));
}

} // namespace
} // namespace korvel
