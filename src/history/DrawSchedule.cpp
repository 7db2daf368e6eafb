#include "history/DrawSchedule.h"
#include "history/Param.h"

#include <QTimeZone>

#include <array>

namespace korvel::drawschedule {

namespace {

struct NewYear {
    int year;
    int month;
    int day;
};

// The lunar new year (春节), by the Chinese calendar.
constexpr std::array<NewYear, 36> kNewYears{{
    {2005, 2, 9},  {2006, 1, 29}, {2007, 2, 18}, {2008, 2, 7},  {2009, 1, 26}, {2010, 2, 14},
    {2011, 2, 3},  {2012, 1, 23}, {2013, 2, 10}, {2014, 1, 31}, {2015, 2, 19}, {2016, 2, 8},
    {2017, 1, 28}, {2018, 2, 16}, {2019, 2, 5},  {2020, 1, 25}, {2021, 2, 12}, {2022, 2, 1},
    {2023, 1, 22}, {2024, 2, 10}, {2025, 1, 29}, {2026, 2, 17}, {2027, 2, 6},  {2028, 1, 26},
    {2029, 2, 13}, {2030, 2, 3},  {2031, 1, 23}, {2032, 2, 11}, {2033, 1, 31}, {2034, 2, 19},
    {2035, 2, 8},  {2036, 1, 28}, {2037, 2, 15}, {2038, 2, 4},  {2039, 1, 24}, {2040, 2, 12},
}};

} // namespace

bool isBreakDay(const QDate& day)
{
    const int year = day.year();
    if (day.month() == 10 && ((year == 2019 && day.day() <= 7) || (year >= 2020 && day.day() <= 4))) {
        return true;
    }
    for (const NewYear& n : kNewYears) {
        if (n.year != year) {
            continue;
        }
        const QDate newYear(n.year, n.month, n.day);
        const qint64 offset = newYear.daysTo(day);
        // 2005 drew the day before its new year.
        const int before = year >= 2021 ? 2 : (year == 2005 ? 0 : 1);
        const int after = year >= 2021 ? 6 : 5;
        return offset >= -before && offset <= after;
    }
    return false;
}

QDate lastExpectedDraw(const QDateTime& now)
{
    const QDateTime beijing = now.toTimeZone(QTimeZone(8 * 3600));
    QDate day = beijing.date();
    if (beijing.time() < QTime(21, 15)) {
        day = day.addDays(-1);
    }
    for (int i = 0; i < 30 && isBreakDay(day); ++i) {
        day = day.addDays(-1);
    }
    return day;
}

bool updateDue(const HistorySnapshot& history, const QDateTime& now)
{
    if (history.empty()) {
        return false;
    }
    const int last = history.size() - 1;
    const QDate newest(history.value(last, Param::NF), history.value(last, Param::YF), history.value(last, Param::RQ));
    return !newest.isValid() || newest < lastExpectedDraw(now);
}

} // namespace korvel::drawschedule
