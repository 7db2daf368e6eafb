#include "history/DrawFileImport.h"

#include "history/DrawBatch.h"
#include "history/DrawEntry.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "history/Param.h"
#include "platform/Dialogs.h"
#include "platform/TextCodec.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <set>

namespace korvel {

namespace {

bool allDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                          [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

bool hasDigit(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// Issues compare in their four-digit-year form: "07001" is "2007001".
QString fullIssue(const QString& issue)
{
    return issue.size() == 5 ? QStringLiteral("20") + issue : issue;
}

int issueYear(const QString& issue)
{
    return fullIssue(issue).left(4).toInt();
}

int issueSequence(const QString& issue)
{
    return issue.right(3).toInt();
}

QString withYearForm(const QString& issue, bool twoDigit)
{
    const QString full = fullIssue(issue);
    return twoDigit ? full.mid(2) : full;
}

// The date of a line without one (see the header).
QDate estimatedDate(const QDate& previous, const QString& issue)
{
    const int year = issueYear(issue);
    if (previous.isValid()) {
        const QDate next = previous.addDays(1);
        if (next.year() == year) {
            return next;
        }
    }
    const QDate byCount = QDate(year, 1, 1).addDays(issueSequence(issue) - 1);
    return byCount.year() == year ? byCount : QDate(year, 12, 31);
}

} // namespace

QString drawFileImportTitle()
{
    return QStringLiteral("导入历史号码");
}

std::vector<DrawFileLine> parseDrawFile(const QStringList& lines, std::vector<RejectedDrawLine>& rejected)
{
    static const QRegularExpression tableSeparators(QStringLiteral("[,;\\t，；]"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    std::vector<DrawFileLine> out;
    bool firstData = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const QString text = lines[i].trimmed();
        if (text.isEmpty()) {
            continue;
        }
        QStringList fields = text.contains(tableSeparators) ? text.split(tableSeparators) : text.split(blanks);
        for (QString& f : fields) {
            f = f.trimmed();
        }
        if (firstData && !hasDigit(fields.value(0))) {
            firstData = false;
            continue; // a header line
        }
        firstData = false;
        auto reject = [&](const QString& reason) { rejected.push_back({number, lines[i], reason}); };
        if (fields.size() != 2 && fields.size() != 3) {
            reject(QStringLiteral("格式不对"));
            continue;
        }
        DrawFileLine line;
        line.number = number;
        line.text = lines[i];
        line.issue = fields[0];
        const QString& digits = fields.back();
        const int sequence = issueSequence(line.issue);
        if (!allDigits(line.issue) || (line.issue.size() != 7 && line.issue.size() != 5) || sequence < 1 ||
            sequence > 365) {
            reject(QStringLiteral("期号不对"));
            continue;
        }
        if (digits.size() != 3 || !allDigits(digits)) {
            reject(QStringLiteral("开奖号码不是三位数字"));
            continue;
        }
        line.digits = {digits[0].digitValue(), digits[1].digitValue(), digits[2].digitValue()};
        if (fields.size() == 3) {
            const QDate date = parseEntryDate(fields[1]);
            if (!date.isValid()) {
                reject(QStringLiteral("日期不对"));
                continue;
            }
            if (date.year() != issueYear(line.issue)) {
                reject(QStringLiteral("日期与期号的年份不符"));
                continue;
            }
            line.year = date.year();
            line.month = date.month();
            line.day = date.day();
        }
        out.push_back(line);
    }
    return out;
}

DrawFileReport importDrawText(Database& db, HistoryStore& store, const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    DrawFileReport report;
    std::vector<DrawFileLine> lines = parseDrawFile(text.split(breaks), report.rejected);
    std::stable_sort(lines.begin(), lines.end(), [](const DrawFileLine& a, const DrawFileLine& b) {
        return fullIssue(a.issue) < fullIssue(b.issue);
    });

    const SnapshotPtr history = store.snapshot();
    std::set<QString> stored;
    for (const QString& issue : history->issues()) {
        stored.insert(fullIssue(issue));
    }
    QString newest;
    Digits previous;
    QDate previousDate;
    if (!history->empty()) {
        const int last = history->size() - 1;
        newest = fullIssue(history->issue(last));
        previous = {history->value(last, Param::L1A), history->value(last, Param::L2A),
                    history->value(last, Param::L3A)};
        previousDate =
            QDate(history->value(last, Param::NF), history->value(last, Param::YF), history->value(last, Param::RQ));
    }

    std::vector<const DrawFileLine*> taken;
    for (const DrawFileLine& line : lines) {
        const QString issue = fullIssue(line.issue);
        if (stored.count(issue)) {
            ++report.skipped;
        } else if (!newest.isEmpty() && issue < newest) {
            report.rejected.push_back({line.number, line.text, QStringLiteral("早于已有的最新一期 %1").arg(newest)});
        } else if (!taken.empty() && fullIssue(taken.back()->issue) == issue) {
            const DrawFileLine& first = *taken.back();
            if (first.digits == line.digits &&
                (line.year == 0 || (first.year == line.year && first.month == line.month && first.day == line.day))) {
                ++report.skipped;
            } else {
                report.rejected.push_back(
                    {line.number, line.text, QStringLiteral("与第 %1 行期号相同而号码或日期不同").arg(first.number)});
            }
        } else {
            taken.push_back(&line);
        }
    }
    std::sort(report.rejected.begin(), report.rejected.end(),
              [](const RejectedDrawLine& a, const RejectedDrawLine& b) { return a.number < b.number; });

    // Issues keep the year form of the stored history, so that it stays in issue order.
    const bool twoDigit = history->empty() ? !taken.empty() && std::all_of(taken.begin(), taken.end(),
                                                                           [](auto* l) { return l->issue.size() == 5; })
                                           : history->issue(history->size() - 1).size() == 5;
    std::vector<HistoryStore::NewDraw> rows;
    rows.reserve(taken.size());
    for (const DrawFileLine* line : taken) {
        QDate date(line->year, line->month, line->day);
        if (line->year == 0) {
            date = estimatedDate(previousDate, line->issue);
            ++report.estimatedDates;
        }
        HistoryStore::NewDraw row;
        row.issue = withYearForm(line->issue, twoDigit);
        row.params = computeDrawParameters(
            line->digits, previous,
            issueDateOfTypedSequence(issueSequence(line->issue), date.year(), date.month(), date.day()));
        rows.push_back(std::move(row));
        previous = line->digits;
        previousDate = date;
    }

    if (rows.empty()) {
        report.ok = true;
        report.estimatedDates = 0;
        return report;
    }
    const BatchResult result = storeDraws(db, store, rows, false);
    if (!result.ok) {
        report.error = result.error;
        report.estimatedDates = 0;
        return report;
    }
    report.ok = true;
    report.added = result.added;
    report.firstIssue = rows.front().issue;
    report.lastIssue = rows.back().issue;
    return report;
}

QString drawFileReportText(const DrawFileReport& report)
{
    if (!report.ok) {
        return QStringLiteral("导入失败（%1），历史号码没有改变。").arg(report.error);
    }
    QString text = QStringLiteral("导入完成：新增 %1 期").arg(report.added);
    if (report.added > 0) {
        text += QStringLiteral("（%1 至 %2）").arg(report.firstIssue, report.lastIssue);
    }
    text +=
        QStringLiteral("，跳过 %1 期已有或重复的号码，拒绝 %2 行。").arg(report.skipped).arg(report.rejected.size());
    if (report.estimatedDates > 0) {
        text += QStringLiteral("\n其中 %1 期没有日期，日期按前一期的次日推算。").arg(report.estimatedDates);
    }
    if (!report.rejected.empty()) {
        QStringList parts;
        const std::size_t shown = std::min<std::size_t>(report.rejected.size(), 20);
        for (std::size_t i = 0; i < shown; ++i) {
            parts << QStringLiteral("第 %1 行（%2）").arg(report.rejected[i].number).arg(report.rejected[i].reason);
        }
        text += QStringLiteral("\n被拒绝的行：") + parts.join(QStringLiteral("、"));
        if (shown < report.rejected.size()) {
            text += QStringLiteral("……");
        }
    }
    return text;
}

DrawFileReport importDrawFile(Database& db, HistoryStore& store, Dialogs& dialogs, const QString& dataFolder)
{
    DrawFileReport report;
    const QString path = dialogs.openFile(drawFileImportTitle(), dataFolder, QStringLiteral("Text(*.txt *.csv)"));
    if (path.isEmpty()) {
        report.error = QStringLiteral("没有选择文件");
        return report;
    }
    QFile file(path);
    std::optional<QString> text;
    if (file.open(QIODevice::ReadOnly)) {
        text = textcodec::decodeTextFile(file.readAll());
    }
    if (!text) {
        report.error = file.isOpen() ? QStringLiteral("不是文本文件") : file.errorString();
        dialogs.message(
            drawFileImportTitle(),
            QStringLiteral("无法读取“%1”（%2），没有导入任何号码。").arg(QDir::toNativeSeparators(path), report.error),
            Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return report;
    }
    report = importDrawText(db, store, *text);
    dialogs.message(drawFileImportTitle(), drawFileReportText(report), Dialogs::Buttons::Ok,
                    report.ok ? Dialogs::Icon::Information : Dialogs::Icon::Critical);
    return report;
}

} // namespace korvel
