#pragma once

#include "history/HistorySnapshot.h"

#include <QDate>
#include <QDateTime>

namespace korvel {

// When draws take place: 福彩3D and 排列3 draw every evening at about 21:15 Beijing time (UTC+8), except in
// the Spring Festival break (from two days before the lunar new year to six days after it, as in 2021–2026;
// one day before to five after in the years before) and, since 2019, the first days of October (1–7 in
// 2019, 1–4 since 2020). The lunar new year is known for 2005–2040; outside those years only October
// counts. A day the rule calls a draw day may still have had none (the 2020 epidemic pause); the rule
// never calls a day of a known draw a break.
namespace drawschedule {

bool isBreakDay(const QDate& day);

// The date of the last draw that should exist at `now`: today when it is past 21:15 in Beijing, else the
// day before, moved back over break days.
QDate lastExpectedDraw(const QDateTime& now);

// Whether the history lacks a draw that should exist: its newest draw is older than lastExpectedDraw().
// False for an empty history (the bundled history is offered instead).
bool updateDue(const HistorySnapshot& history, const QDateTime& now);

} // namespace drawschedule
} // namespace korvel
