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

#include <algorithm>
#include <map>
#include <set>

namespace korvel {

namespace {

constexpr int kGameFc3d = 53;
const QDate kNationalStart(2004, 10, 18); // 福彩3D 2004001

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

QDate storedDate(const HistorySnapshot& history, int row)
{
    return QDate(history.value(row, Param::NF), history.value(row, Param::YF), history.value(row, Param::RQ));
}

} // namespace

QString drawFileImportTitle()
{
    return QStringLiteral("导入历史号码");
}

void applyNationalNumbering(std::vector<DrawFileLine>& lines, std::vector<RejectedDrawLine>& rejected, int game,
                            int& beforeNational, std::vector<std::pair<QString, QString>>& renumbered)
{
    if (game != kGameFc3d) {
        return;
    }
    std::vector<DrawFileLine> kept;
    kept.reserve(lines.size());
    for (DrawFileLine& line : lines) {
        if (line.dated() && line.date() < kNationalStart) {
            ++beforeNational;
            continue;
        }
        const QString issue = fullIssue(line.issue);
        const int sequence = issueSequence(issue);
        if (issueYear(issue) == 2004 && sequence > 75) {
            if (line.dated() && sequence >= 285 && sequence <= 359) {
                const int official = static_cast<int>(kNationalStart.daysTo(line.date())) + 1;
                const QString renamed = (line.issue.size() == 5 ? QStringLiteral("04") : QStringLiteral("2004")) +
                                        QStringLiteral("%1").arg(official, 3, 10, QLatin1Char('0'));
                renumbered.emplace_back(line.issue, renamed);
                line.issue = renamed;
                kept.push_back(std::move(line));
                continue;
            }
            rejected.push_back({line.number, line.text, QStringLiteral("2004年福彩3D的全国统一期号只有 001–075")});
            continue;
        }
        kept.push_back(std::move(line));
    }
    lines = std::move(kept);
}

namespace {

// What the import needs to know of the stored history.
struct StoredHistory {
    std::set<QString> issues; // four-digit form
    std::map<QDate, QString> days;
    QString newest; // four-digit form, empty when none
    Digits previous;
    QDate previousDate;
    bool twoDigit = false; // the newest issue's year form
};

StoredHistory storedHistory(const HistorySnapshot& history)
{
    StoredHistory h;
    for (int row = 0; row < history.size(); ++row) {
        h.issues.insert(fullIssue(history.issue(row)));
        h.days.emplace(storedDate(history, row), history.issue(row));
    }
    if (!history.empty()) {
        const int last = history.size() - 1;
        h.newest = fullIssue(history.issue(last));
        h.previous = {history.value(last, Param::L1A), history.value(last, Param::L2A),
                      history.value(last, Param::L3A)};
        h.previousDate = storedDate(history, last);
        h.twoDigit = history.issue(last).size() == 5;
    }
    return h;
}

// The lines to store, in issue order; the others are counted as skipped or rejected in the report.
// *storedOrRepeated counts the lines passed over because their draw is stored or listed before.
std::vector<const DrawFileLine*> chooseLines(const std::vector<DrawFileLine>& lines, const StoredHistory& stored,
                                             DrawFileReport& report, int* storedOrRepeated)
{
    std::vector<const DrawFileLine*> taken;
    std::map<QDate, int> fileDays; // date of a taken line → its line number
    for (const DrawFileLine& line : lines) {
        const QString issue = fullIssue(line.issue);
        if (stored.issues.count(issue)) {
            ++report.skipped;
            ++*storedOrRepeated;
        } else if (!stored.newest.isEmpty() && issue < stored.newest) {
            report.rejected.push_back(
                {line.number, line.text, QStringLiteral("早于已有的最新一期 %1").arg(stored.newest)});
        } else if (!taken.empty() && fullIssue(taken.back()->issue) == issue) {
            const DrawFileLine& first = *taken.back();
            if (first.digits == line.digits && (!line.dated() || first.date() == line.date())) {
                ++report.skipped;
                ++*storedOrRepeated;
            } else {
                report.rejected.push_back(
                    {line.number, line.text, QStringLiteral("与第 %1 行期号相同而号码或日期不同").arg(first.number)});
            }
        } else if (line.dated() && stored.days.count(line.date())) {
            report.rejected.push_back({line.number, line.text,
                                       QStringLiteral("与已有的 %1 期开奖日期相同").arg(stored.days.at(line.date()))});
        } else if (line.dated() && fileDays.count(line.date())) {
            report.rejected.push_back(
                {line.number, line.text, QStringLiteral("与第 %1 行开奖日期相同").arg(fileDays[line.date()])});
        } else {
            taken.push_back(&line);
            if (line.dated()) {
                fileDays.emplace(line.date(), line.number);
            }
        }
    }
    std::sort(report.rejected.begin(), report.rejected.end(),
              [](const RejectedDrawLine& a, const RejectedDrawLine& b) { return a.number < b.number; });
    return taken;
}

// The rows of the taken lines, each after the one before (the newest stored draw first).
std::vector<HistoryStore::NewDraw> rowsOf(const std::vector<const DrawFileLine*>& taken, const StoredHistory& stored,
                                          bool twoDigit, int* estimatedDates)
{
    std::vector<HistoryStore::NewDraw> rows;
    rows.reserve(taken.size());
    Digits previous = stored.previous;
    QDate previousDate = stored.previousDate;
    for (const DrawFileLine* line : taken) {
        QDate date = line->date();
        if (!line->dated()) {
            date = estimatedDate(previousDate, line->issue);
            ++*estimatedDates;
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
    return rows;
}

} // namespace

DrawFileReport importDrawText(Database& db, HistoryStore& store, const QString& text, int game)
{
    DrawFileReport report;
    DrawFileRead read = readDrawLines(splitLines(text));
    report.layout = read.layoutName;
    report.rejected = std::move(read.rejected);
    std::vector<DrawFileLine>& lines = read.lines;
    applyNationalNumbering(lines, report.rejected, game, report.beforeNational, report.renumbered);
    report.skipped = report.beforeNational;
    std::stable_sort(lines.begin(), lines.end(), [](const DrawFileLine& a, const DrawFileLine& b) {
        return fullIssue(a.issue) < fullIssue(b.issue);
    });

    const SnapshotPtr history = store.snapshot();
    const StoredHistory stored = storedHistory(*history);
    int storedOrRepeated = 0;
    const std::vector<const DrawFileLine*> taken = chooseLines(lines, stored, report, &storedOrRepeated);
    // Issues keep the year form of the stored history, so that it stays in issue order.
    const bool twoDigit = history->empty() ? !taken.empty() && std::all_of(taken.begin(), taken.end(),
                                                                           [](auto* l) { return l->issue.size() == 5; })
                                           : stored.twoDigit;
    int estimated = 0;
    const std::vector<HistoryStore::NewDraw> rows = rowsOf(taken, stored, twoDigit, &estimated);
    if (rows.empty()) {
        if (storedOrRepeated == 0) {
            report.nothingToImport = true;
            report.error = QStringLiteral("没有可导入的开奖号码");
            return report;
        }
        report.ok = true;
        return report;
    }
    const BatchResult result = storeDraws(db, store, rows);
    if (!result.ok) {
        report.error = result.error;
        return report;
    }
    report.ok = true;
    report.added = result.added;
    report.estimatedDates = estimated;
    report.firstIssue = rows.front().issue;
    report.lastIssue = rows.back().issue;
    return report;
}

std::optional<QString> decodeDrawFile(const QByteArray& bytes, QString* encoding)
{
    if (textcodec::isValidUtf8(bytes)) {
        if (encoding) {
            *encoding = QStringLiteral("UTF-8");
        }
        return textcodec::decodeTextFile(bytes);
    }
    std::optional<QString> text = textcodec::decodeTextFile(bytes);
    if (text && encoding) {
        *encoding = QStringLiteral("GBK");
    }
    return text;
}

namespace {

QString rejectedList(const std::vector<RejectedDrawLine>& rejected, std::size_t shown, bool withText)
{
    QStringList parts;
    for (std::size_t i = 0; i < std::min(shown, rejected.size()); ++i) {
        const RejectedDrawLine& r = rejected[i];
        parts << (withText ? QStringLiteral("第 %1 行“%2”（%3）").arg(r.number).arg(r.text.trimmed().left(40), r.reason)
                           : QStringLiteral("第 %1 行（%2）").arg(r.number).arg(r.reason));
    }
    QString text = parts.join(QStringLiteral("、"));
    if (shown < rejected.size()) {
        text += QStringLiteral("……");
    }
    return text;
}

QString readAs(const DrawFileReport& report)
{
    QStringList parts;
    if (!report.layout.isEmpty()) {
        parts << QStringLiteral("格式：%1").arg(report.layout);
    }
    if (!report.encoding.isEmpty()) {
        parts << QStringLiteral("编码：%1").arg(report.encoding);
    }
    return parts.isEmpty() ? QString() : QStringLiteral("（%1）").arg(parts.join(QStringLiteral("，")));
}

} // namespace

QString drawFileReportText(const DrawFileReport& report)
{
    if (report.nothingToImport) {
        QString text = QStringLiteral("没有可导入的开奖号码%1，历史号码没有改变。").arg(readAs(report));
        if (report.beforeNational > 0) {
            text +=
                QStringLiteral("\n%1 期是 2004-10-18 全国统一编号之前的开奖号码，不导入。").arg(report.beforeNational);
        }
        if (!report.rejected.empty()) {
            text += QStringLiteral("\n被拒绝的行：") + rejectedList(report.rejected, 5, true);
        }
        return text;
    }
    if (!report.ok) {
        return QStringLiteral("导入失败（%1），历史号码没有改变。").arg(report.error);
    }
    QString text = QStringLiteral("导入完成%1：新增 %2 期").arg(readAs(report)).arg(report.added);
    if (report.added > 0) {
        text += QStringLiteral("（%1 至 %2）").arg(report.firstIssue, report.lastIssue);
    }
    text += QStringLiteral("，跳过 %1 期已有或重复的号码，拒绝 %2 行。")
                .arg(report.skipped - report.beforeNational)
                .arg(report.rejected.size());
    if (report.beforeNational > 0) {
        text += QStringLiteral("\n跳过 %1 期 2004-10-18 全国统一编号之前的开奖号码。").arg(report.beforeNational);
    }
    if (!report.renumbered.empty()) {
        const auto& first = report.renumbered.front();
        const auto& last = report.renumbered.back();
        text += report.renumbered.size() == 1
                    ? QStringLiteral("\n%1 期按开奖日期存为全国统一期号 %2 期。").arg(first.first, first.second)
                    : QStringLiteral("\n%1 期（%2 至 %3）按开奖日期存为全国统一期号 %4 至 %5。")
                          .arg(report.renumbered.size())
                          .arg(first.first, last.first, first.second, last.second);
    }
    if (report.estimatedDates > 0) {
        text += QStringLiteral("\n其中 %1 期没有日期，日期按前一期的次日推算。").arg(report.estimatedDates);
    }
    if (!report.rejected.empty()) {
        text += QStringLiteral("\n被拒绝的行：") + rejectedList(report.rejected, 20, false);
    }
    return text;
}

DrawFileReport importDrawFile(Database& db, HistoryStore& store, Dialogs& dialogs, const QString& dataFolder, int game)
{
    DrawFileReport report;
    const QString path = dialogs.openFile(drawFileImportTitle(), dataFolder, QStringLiteral("Text(*.txt *.csv)"));
    if (path.isEmpty()) {
        report.error = QStringLiteral("没有选择文件");
        return report;
    }
    QFile file(path);
    std::optional<QString> text;
    QString encoding;
    if (file.open(QIODevice::ReadOnly)) {
        text = decodeDrawFile(file.readAll(), &encoding);
    }
    if (!text) {
        report.error = file.isOpen() ? QStringLiteral("不是文本文件") : file.errorString();
        dialogs.message(
            drawFileImportTitle(),
            QStringLiteral("无法读取“%1”（%2），没有导入任何号码。").arg(QDir::toNativeSeparators(path), report.error),
            Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return report;
    }
    report = importDrawText(db, store, *text, game);
    report.encoding = encoding;
    dialogs.message(drawFileImportTitle(), drawFileReportText(report), Dialogs::Buttons::Ok,
                    report.ok ? Dialogs::Icon::Information
                              : (report.nothingToImport ? Dialogs::Icon::Warning : Dialogs::Icon::Critical));
    return report;
}

} // namespace korvel
