#include "history/UpdateCheck.h"
#include "history/Param.h"

#include <QDate>

namespace korvel {

namespace {

constexpr int kGamePl3 = 3;

QString fullIssue(const QString& issue)
{
    return issue.size() == 5 ? QStringLiteral("20") + issue : issue;
}

QString issueText(int year, int sequence)
{
    return QString::number(year) + QStringLiteral("%1").arg(sequence, 3, 10, QLatin1Char('0'));
}

SourceDraw storedDraw(const HistorySnapshot& history, int row)
{
    SourceDraw d;
    d.issue = fullIssue(history.issue(row));
    d.digits = {history.value(row, Param::L1A), history.value(row, Param::L2A), history.value(row, Param::L3A)};
    d.date = QDate(history.value(row, Param::NF), history.value(row, Param::YF), history.value(row, Param::RQ));
    return d;
}

bool disagree(const SourceDraw& known, const SourceDraw& other)
{
    return known.digits != other.digits || (known.date.isValid() && other.date.isValid() && known.date != other.date);
}

// The issue that must come next after `previous` when `next` does not continue it, else empty.
QString hole(const SourceDraw& previous, const SourceDraw& next)
{
    const int year = previous.issue.left(4).toInt();
    const int sequence = previous.issue.right(3).toInt();
    const int nextYear = next.issue.left(4).toInt();
    const int nextSequence = next.issue.right(3).toInt();
    if (nextYear == year) {
        return nextSequence == sequence + 1 ? QString() : issueText(year, sequence + 1);
    }
    // A year ends on 31 December (the draws run through the year's last day); a draw of another day
    // before the next year's 001 leaves that year's later draws missing.
    const bool yearEnded = !previous.date.isValid() || (previous.date.month() == 12 && previous.date.day() == 31);
    if (!yearEnded) {
        return issueText(year, sequence + 1);
    }
    if (nextYear == year + 1 && nextSequence == 1) {
        return {};
    }
    return issueText(year + 1, 1);
}

} // namespace

UpdateBase updateBase(const HistorySnapshot& history, int game, int currentYear, int yearsWindow)
{
    UpdateBase base;
    base.startYear = currentYear - yearsWindow;
    base.twoDigitYear = game == kGamePl3;
    if (history.empty()) {
        return base;
    }
    const int last = history.size() - 1;
    const SourceDraw newest = storedDraw(history, last);
    base.empty = false;
    base.newestIssue = newest.issue;
    base.newestDate = newest.date;
    base.newestDigits = newest.digits;
    base.twoDigitYear = history.issue(last).size() == 5;
    return base;
}

std::vector<DrawConflict> conflictsWithHistory(const HistorySnapshot& history, const std::vector<SourceDraw>& draws)
{
    std::vector<DrawConflict> out;
    std::map<QDate, QString> days;
    for (int row = 0; row < history.size(); ++row) {
        const SourceDraw d = storedDraw(history, row);
        days.emplace(d.date, d.issue);
    }
    for (const SourceDraw& d : draws) {
        int row = history.rowOfIssue(d.issue);
        if (row < 0 && d.issue.startsWith(QStringLiteral("20"))) {
            row = history.rowOfIssue(d.issue.mid(2)); // stored with a two-digit year
        }
        if (row >= 0) {
            const SourceDraw stored = storedDraw(history, row);
            if (disagree(stored, d)) {
                out.push_back({d.issue, stored.text(), d.text(), {}});
            }
            continue;
        }
        if (d.date.isValid()) {
            const auto day = days.find(d.date);
            if (day != days.end()) {
                out.push_back({d.issue, {}, d.text(), day->second});
            }
        }
    }
    return out;
}

std::vector<DrawConflict> DrawPool::add(const std::vector<SourceDraw>& draws)
{
    std::vector<DrawConflict> out;
    std::map<QString, SourceDraw> mine;
    for (const SourceDraw& d : draws) {
        const auto known = m_draws.find(d.issue);
        if (known != m_draws.end() && disagree(known->second, d)) {
            out.push_back({d.issue, known->second.text(), d.text(), {}});
            continue;
        }
        const auto twice = mine.find(d.issue);
        if (twice != mine.end() && disagree(twice->second, d)) {
            out.push_back({d.issue, twice->second.text(), d.text(), {}});
            continue;
        }
        mine.emplace(d.issue, d);
    }
    if (out.empty()) {
        // Earlier sources keep their word (a date one of them gave stays).
        m_draws.merge(mine);
    }
    return out;
}

Continuation continuation(const UpdateBase& base, const DrawPool& pool)
{
    Continuation c;
    SourceDraw previous;
    bool havePrevious = !base.empty;
    if (havePrevious) {
        previous.issue = base.newestIssue;
        previous.date = base.newestDate;
        previous.digits = base.newestDigits;
    }
    for (const auto& [issue, draw] : pool.draws()) {
        if (!base.empty && issue <= base.newestIssue) {
            ++c.alreadyStored;
            continue;
        }
        if (base.empty && issue.left(4).toInt() < base.startYear) {
            continue;
        }
        if (havePrevious) {
            const QString missing = hole(previous, draw);
            if (!missing.isEmpty()) {
                c.missing = missing;
                break;
            }
        }
        c.draws.push_back(draw);
        previous = draw;
        havePrevious = true;
    }
    return c;
}

} // namespace korvel
