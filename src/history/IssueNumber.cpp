#include "history/IssueNumber.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"

#include <QDate>

namespace korvel {

std::optional<QString> offsetIssue(const QString& issue, long long delta)
{
    if (issue.isEmpty() || issue.size() > 18) {
        return std::nullopt;
    }
    for (const QChar c : issue) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
    }
    const long long value = issue.toLongLong() + delta;
    if (value < 0) {
        return std::nullopt;
    }
    return QStringLiteral("%1").arg(value, static_cast<int>(issue.size()), 10, QLatin1Char('0'));
}

std::optional<IssueTexts> issueTextsOf(const HistorySnapshot& history, int game)
{
    if (history.empty()) {
        return std::nullopt;
    }
    const int last = history.size() - 1;
    IssueTexts t;
    t.verifyIssue = history.issue(last);
    if (history.value(last, Param::SQH) == 358) {
        const int year = history.value(last, Param::NF);
        const QDate dayAfter = QDate(year, history.value(last, Param::YF), history.value(last, Param::RQ)).addDays(1);
        // Some years have a 359th draw: only a 358th draw on the year's last day starts the new year.
        if (dayAfter.isValid() && dayAfter.year() > year) {
            const int y = dayAfter.year();
            t.nextIssue =
                (game == 3 ? QStringLiteral("%1").arg(y % 100, 2, 10, QLatin1Char('0')) : QString::number(y)) +
                QStringLiteral("001");
            return t;
        }
    }
    t.nextIssue = offsetIssue(t.verifyIssue, 1).value_or(QString());
    return t;
}

} // namespace korvel
