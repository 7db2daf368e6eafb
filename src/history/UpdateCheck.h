#pragma once

#include "history/HistorySnapshot.h"
#include "history/SourceReaders.h"

#include <QDate>
#include <QString>

#include <map>
#include <vector>

namespace korvel {

// The checks an online update makes before it stores anything (history/OnlineUpdate.h): downloaded draws
// that are stored already must agree with them, and the new ones must continue the stored sequence.

// What the update continues: the newest stored draw, or for an empty history the year it starts from.
struct UpdateBase {
    bool empty = true;
    QString newestIssue; // four-digit form
    QDate newestDate;
    Digits newestDigits;
    // The stored history writes issues with a two-digit year (体彩排列3): downloaded ones are stored the
    // same way. An empty history takes the game's form (two digits for 排列3).
    bool twoDigitYear = false;
    // Empty history: the draws from this year on are taken (the years window `IniSerchDay` back from the
    // current year). It chooses nothing else: an update never deletes a stored draw.
    int startYear = 0;
};

UpdateBase updateBase(const HistorySnapshot& history, int game, int currentYear, int yearsWindow);

// A downloaded draw that disagrees with what is known of its issue or its day.
struct DrawConflict {
    QString issue;
    QString stored;     // "092（2026-09-19）", or the other source's value
    QString downloaded; // "123（2026-09-19）"
    QString otherIssue; // a draw of another issue on the same day, when that is the conflict
};

// The draws of a source that disagree with the stored history: a stored issue with other digits or
// another date (a date the source does not give is not compared), or a new issue dated on the day of a
// stored draw.
std::vector<DrawConflict> conflictsWithHistory(const HistorySnapshot& history, const std::vector<SourceDraw>& draws);

// The draws gathered from the sources of one update, by four-digit issue. add() takes a source's draws
// and returns the conflicts with what earlier sources gave (nothing is added then).
class DrawPool {
public:
    std::vector<DrawConflict> add(const std::vector<SourceDraw>& draws);
    const std::map<QString, SourceDraw>& draws() const { return m_draws; }

private:
    std::map<QString, SourceDraw> m_draws;
};

// The new draws (after the newest stored one) in issue order, as far as they continue the sequence
// without a hole: issue s is followed by s + 1 of its year, or by 001 of the next year after the
// year's last draw (31 December). `missing` is the first issue that is not there, empty when none is
// missing; `alreadyStored` counts the draws that were not new.
struct Continuation {
    std::vector<SourceDraw> draws;
    QString missing;
    int alreadyStored = 0;
};

Continuation continuation(const UpdateBase& base, const DrawPool& pool);

} // namespace korvel
