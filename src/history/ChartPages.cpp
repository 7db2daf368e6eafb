#include "history/ChartPages.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace korvel {

namespace {

constexpr int kLastSequence = 365;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Whether a short text reads as a number: blanks around, an optional sign, digits with at most one point.
bool readsAsNumber(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'))) {
        text = text.mid(1);
    }
    bool digit = false;
    bool point = false;
    for (const QChar c : text) {
        if (isAsciiDigit(c)) {
            digit = true;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

int number(QStringView text)
{
    for (const QChar c : text) {
        if (!isAsciiDigit(c)) {
            return -1;
        }
    }
    return text.isEmpty() ? -1 : text.toInt();
}

} // namespace

QUrl resultsPageUrl(const QString& chartHost, int game, int year)
{
    QString path;
    QString query;
    QString tail;
    if (game == 53) {
        path = QStringLiteral("/zst/sd/");
        query = QStringLiteral("?lotId=210053&chartType=zhx&spanType=3&span=");
        tail = QStringLiteral("365&r=0.13125970074906945#roll_132");
    } else if (game == 3) {
        path = QStringLiteral("/zst/p3");
        query = QStringLiteral("?lotId=110033&chartType=zhx&spanType=3&span=");
        tail = QStringLiteral("365&r=0.7355243056081235#roll_132");
    } else {
        return {};
    }
    QString host = chartHost.trimmed();
    while (host.endsWith(QLatin1Char('/'))) {
        host.chop(1);
    }
    if (host.isEmpty()) {
        return {};
    }
    if (!host.contains(QStringLiteral("://"))) {
        host.prepend(QStringLiteral("http://"));
    }
    const QString y = QString::number(year);
    return QUrl(host + path + query + y + QStringLiteral("001_") + y + tail);
}

PageParse parseResultsPage(const QString& text, int year, int startSequence, const QString& newestIssue)
{
    PageParse out;
    const QString y = QString::number(year);
    for (int k = std::max(startSequence, 1); k <= kLastSequence; ++k) {
        const QString seq = QStringLiteral("%1").arg(k, 3, 10, QLatin1Char('0'));
        const QString marker = y + QLatin1Char('-') + seq;
        const qsizetype at = text.indexOf(marker);
        if (at < 0) {
            break;
        }
        if (!newestIssue.isEmpty() && y + seq <= newestIssue) {
            ++out.skippedStored;
            continue;
        }
        const QStringView rest = QStringView(text).mid(at);
        const bool digits = rest.size() >= 11 && isAsciiDigit(rest[8]) && isAsciiDigit(rest[9]) &&
                            isAsciiDigit(rest[10]) && readsAsNumber(rest.mid(9, 3));
        // The date: the ten characters before the marker, "YYYY-MM-DD"; a draw without a real date would
        // store year 0.
        QDate date;
        if (at >= 10) {
            const QStringView d = QStringView(text).mid(at - 10, 10);
            const int dateYear = number(d.mid(0, 4));
            const int dateMonth = number(d.mid(5, 2));
            const int dateDay = number(d.mid(8, 2));
            if (dateYear > 0 && dateMonth > 0 && dateDay > 0) {
                date = QDate(dateYear, dateMonth, dateDay);
            }
        }
        if (!digits || !date.isValid()) {
            out.rejected << marker;
            continue;
        }
        PageDraw draw;
        draw.sequence = k;
        draw.year = year;
        draw.digits = {rest[8].digitValue(), rest[9].digitValue(), rest[10].digitValue()};
        draw.dateYear = date.year();
        draw.month = date.month();
        draw.day = date.day();
        out.draws.push_back(draw);
    }
    return out;
}

std::vector<std::pair<int, int>> markerYears(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("\\d{4}-\\d{2}-\\d{2}(\\d{4})-(\\d{3})"));
    std::map<int, int> first;
    for (auto it = marker.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const int year = m.captured(1).toInt();
        const int sequence = m.captured(2).toInt();
        auto [at, inserted] = first.emplace(year, sequence);
        if (!inserted) {
            at->second = std::min(at->second, sequence);
        }
    }
    return {first.begin(), first.end()};
}

} // namespace korvel
