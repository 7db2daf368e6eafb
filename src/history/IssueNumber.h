#pragma once

#include "history/SnapshotPtr.h"

#include <QString>

#include <optional>

namespace korvel {

// The two issue fields derived from the newest stored draw after every refill of the history grid.
struct IssueTexts {
    QString nextIssue;   // the entry line's issue field ("期号：")
    QString verifyIssue; // the field beside "验证历史结果": the newest stored issue
};

// The next issue after the newest stored draw. After sequence number 358, when the day
// after the draw's date (NF/YF/RQ) falls in a new year, it is that year followed by "001", the year as
// "YYYY" for game 53 and "YY" for game 3. Otherwise the newest issue plus one, keeping its width
// ("08001" gives "08002", "2007357" gives "2007358"); a 358th draw that is not the year's last day (some
// years have 359 draws) also just counts on. nullopt for an empty history: the fields stay as they were.
// When the newest issue does not read as a number, nextIssue is empty and only verifyIssue applies.
std::optional<IssueTexts> issueTextsOf(const HistorySnapshot& history, int game);

// Issue text plus or minus a number, keeping the width with leading zeros ("08001" + 1 = "08002").
// nullopt when the text is not all digits.
std::optional<QString> offsetIssue(const QString& issue, long long delta);

} // namespace korvel
