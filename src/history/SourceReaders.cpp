#include "history/SourceReaders.h"

#include "history/ChartPages.h"
#include "history/DrawFileImport.h"
#include "history/DrawLayouts.h"
#include "platform/PageTable.h"
#include "platform/PageText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace korvel {

QString SourceDraw::text() const
{
    QString digitsText = QStringLiteral("%1%2%3").arg(digits.d1).arg(digits.d2).arg(digits.d3);
    if (date.isValid()) {
        digitsText += QStringLiteral("（%1）").arg(date.toString(QStringLiteral("yyyy-MM-dd")));
    }
    return digitsText;
}

namespace sourcereaders {

namespace {

constexpr int kGamePl3 = 3;

// "2026253" or "26246" as the four-digit form; empty when it is no issue.
QString issueOf(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(?:(\\d{4})|(\\d{2}))-?(\\d{3})$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch()) {
        return {};
    }
    const int sequence = m.captured(3).toInt();
    if (sequence < 1 || sequence > 365) {
        return {};
    }
    const QString year = m.captured(1).isEmpty() ? QStringLiteral("20") + m.captured(2) : m.captured(1);
    return year + m.captured(3);
}

// "0,3,4", "2 8 6", "034": three single digits.
bool digitsOf(const QString& text, Digits& digits)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,，|+]+"));
    QStringList parts = text.trimmed().split(separators, Qt::SkipEmptyParts);
    if (parts.size() == 1 && parts[0].size() == 3) {
        parts = {parts[0].mid(0, 1), parts[0].mid(1, 1), parts[0].mid(2, 1)};
    }
    if (parts.size() != 3) {
        return false;
    }
    for (const QString& p : parts) {
        if (p.size() != 1 || !p[0].isDigit() || p[0].unicode() > 127) {
            return false;
        }
    }
    digits = {parts[0].toInt(), parts[1].toInt(), parts[2].toInt()};
    return true;
}

// One draw from its three texts, or the reason it does not read.
QString drawOf(const QString& issueText, const QString& digitsText, const QString& dateText, SourceDraw& draw)
{
    draw.issue = issueOf(issueText);
    if (draw.issue.isEmpty()) {
        return QStringLiteral("期号“%1”不对").arg(issueText);
    }
    if (!digitsOf(digitsText, draw.digits)) {
        return QStringLiteral("%1 期的开奖号码“%2”不是三位数字").arg(issueText, digitsText);
    }
    draw.date = parseDrawDate(dateText);
    if (!draw.date.isValid()) {
        return QStringLiteral("%1 期的日期“%2”不对").arg(issueText, dateText);
    }
    if (draw.date.year() != draw.issue.left(4).toInt()) {
        return QStringLiteral("%1 期的日期 %2 与期号的年份不符").arg(issueText, dateText);
    }
    return {};
}

QString text(const QJsonValue& v)
{
    if (v.isDouble()) {
        return QString::number(v.toInteger());
    }
    return v.toString();
}

SourceAnswer readNotice(const QJsonObject& root)
{
    SourceAnswer a;
    if (root.contains(QStringLiteral("state")) && root.value(QStringLiteral("state")).toInt(-1) != 0) {
        a.error = QStringLiteral("服务器回答失败（state %1：%2）")
                      .arg(text(root.value(QStringLiteral("state"))), root.value(QStringLiteral("message")).toString());
        return a;
    }
    const QJsonValue result = root.value(QStringLiteral("result"));
    if (!result.isArray()) {
        a.error = QStringLiteral("回答中没有开奖公告（缺少 result）");
        return a;
    }
    for (const QJsonValue& v : result.toArray()) {
        const QJsonObject item = v.toObject();
        const QString name = item.value(QStringLiteral("name")).toString();
        if (!name.isEmpty() && name != QLatin1String("3d")) {
            a.error = QStringLiteral("这是“%1”的开奖公告，不是福彩3D的").arg(name);
            a.draws.clear();
            return a;
        }
        SourceDraw d;
        const QString problem =
            drawOf(text(item.value(QStringLiteral("code"))), item.value(QStringLiteral("red")).toString(),
                   item.value(QStringLiteral("date")).toString(), d);
        if (problem.isEmpty()) {
            a.draws.push_back(d);
        } else {
            a.rejected << problem;
        }
    }
    const int total = root.value(QStringLiteral("total")).toInt();
    const int pageSize = root.value(QStringLiteral("pageSize")).toInt();
    if (total > 0 && pageSize > 0) {
        a.pages = (total + pageSize - 1) / pageSize;
    }
    return a;
}

SourceAnswer readHistory(const QJsonObject& root)
{
    SourceAnswer a;
    if (root.contains(QStringLiteral("success")) && !root.value(QStringLiteral("success")).toBool()) {
        a.error = QStringLiteral("服务器回答失败（errorCode %1：%2）")
                      .arg(text(root.value(QStringLiteral("errorCode"))),
                           root.value(QStringLiteral("errorMessage")).toString());
        return a;
    }
    const QJsonObject value = root.value(QStringLiteral("value")).toObject();
    const QJsonValue list = value.value(QStringLiteral("list"));
    if (!list.isArray()) {
        a.error = QStringLiteral("回答中没有开奖历史（缺少 value.list）");
        return a;
    }
    for (const QJsonValue& v : list.toArray()) {
        const QJsonObject item = v.toObject();
        const QString game = text(item.value(QStringLiteral("lotteryGameNum")));
        if (!game.isEmpty() && game != QLatin1String("35")) {
            a.error = QStringLiteral("这是“%1”的开奖历史，不是排列3的")
                          .arg(item.value(QStringLiteral("lotteryGameName")).toString(game));
            a.draws.clear();
            return a;
        }
        SourceDraw d;
        const QString problem = drawOf(text(item.value(QStringLiteral("lotteryDrawNum"))),
                                       item.value(QStringLiteral("lotteryDrawResult")).toString(),
                                       item.value(QStringLiteral("lotteryDrawTime")).toString(), d);
        if (problem.isEmpty()) {
            a.draws.push_back(d);
        } else {
            a.rejected << problem;
        }
    }
    a.pages = value.value(QStringLiteral("pages")).toInt();
    return a;
}

// A table row: the issue, the date and the digits after both. False when the row is no draw; a row with an
// issue and a date whose digits do not read is rejected.
bool rowDraw(const QStringList& cells, SourceDraw& draw, QString& rejected)
{
    qsizetype issueAt = -1;
    qsizetype dateAt = -1;
    for (qsizetype i = 0; i < cells.size() && (issueAt < 0 || dateAt < 0); ++i) {
        if (issueAt < 0 && !issueOf(cells[i]).isEmpty()) {
            issueAt = i;
        } else if (dateAt < 0 && parseDrawDate(cells[i]).isValid()) {
            dateAt = i;
        }
    }
    if (issueAt < 0 || dateAt < 0) {
        return false;
    }
    Digits digits;
    if (readDigitFields(cells, std::max(issueAt, dateAt) + 1, digits) == 0) {
        rejected = cells[issueAt];
        return false;
    }
    draw.issue = issueOf(cells[issueAt]);
    draw.digits = digits;
    draw.date = parseDrawDate(cells[dateAt]);
    if (draw.date.year() != draw.issue.left(4).toInt()) {
        rejected = cells[issueAt];
        return false;
    }
    return true;
}

} // namespace

QString glimpse(const QByteArray& body, const QString& contentType)
{
    QString shown = pagetext::bodyText(body, contentType).simplified();
    if (shown.isEmpty()) {
        shown = pagetext::decodeHtml(body.left(400), contentType).simplified();
    }
    return shown.size() > 40 ? shown.left(40) + QStringLiteral("……") : shown;
}

SourceAnswer readOfficial(const QByteArray& body, int game)
{
    SourceAnswer a;
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        a.error = QStringLiteral("回答不是 JSON 数据（“%1”）").arg(glimpse(body, {}));
        return a;
    }
    const QJsonObject root = doc.object();
    const bool notice = root.contains(QStringLiteral("result")) || root.contains(QStringLiteral("state"));
    const bool history = root.contains(QStringLiteral("value")) || root.contains(QStringLiteral("success"));
    if (game == kGamePl3) {
        if (!history) {
            a.error = notice ? QStringLiteral("这是福彩的开奖公告，不是排列3的开奖历史")
                             : QStringLiteral("回答不是排列3的开奖历史（缺少 value.list）");
            return a;
        }
        a = readHistory(root);
    } else {
        if (!notice) {
            a.error = history ? QStringLiteral("这是体彩的开奖历史，不是福彩3D的开奖公告")
                              : QStringLiteral("回答不是福彩3D的开奖公告（缺少 result）");
            return a;
        }
        a = readNotice(root);
    }
    if (a.ok() && a.draws.empty()) {
        a.noDraws = a.rejected.isEmpty();
        a.error = a.rejected.isEmpty() ? QStringLiteral("回答中没有开奖号码")
                                       : QStringLiteral("回答中没有能读出的开奖号码（%1）").arg(a.rejected.front());
    }
    return a;
}

SourceAnswer readChart(const QByteArray& body, const QString& contentType, int year)
{
    SourceAnswer a;
    // The year-page layout: markers "YYYY-kkk" right after a date.
    const QString text = pagetext::bodyText(body, contentType);
    for (const auto& [markerYear, first] : markerYears(text)) {
        if (year != 0 && markerYear != year) {
            continue;
        }
        const PageParse page = parseResultsPage(text, markerYear, first, QString());
        for (const PageDraw& d : page.draws) {
            SourceDraw draw;
            draw.issue = QString::number(d.year) + QStringLiteral("%1").arg(d.sequence, 3, 10, QLatin1Char('0'));
            draw.digits = d.digits;
            draw.date = QDate(d.dateYear, d.month, d.day);
            a.draws.push_back(draw);
        }
        a.rejected << page.rejected;
    }
    if (a.draws.empty()) {
        a.rejected.clear();
        // The usual table: the issue first, the date, the digits in cells of their own.
        for (const QStringList& row : pagetext::tableRows(body, contentType)) {
            SourceDraw draw;
            QString rejected;
            if (rowDraw(row, draw, rejected)) {
                a.draws.push_back(draw);
            } else if (!rejected.isEmpty()) {
                a.rejected << rejected;
            }
        }
    }
    if (a.draws.empty()) {
        a.noDraws = a.rejected.isEmpty();
        a.error = QStringLiteral("页面中没有开奖号码（页面内容：“%1”）").arg(glimpse(body, contentType));
    }
    return a;
}

SourceAnswer readText(const QByteArray& body, int game)
{
    SourceAnswer a;
    const std::optional<QString> decoded = decodeDrawFile(body);
    if (!decoded) {
        a.error = QStringLiteral("不是文本文件");
        return a;
    }
    DrawFileRead read = readDrawLines(splitLines(*decoded));
    std::vector<std::pair<QString, QString>> renumbered;
    applyNationalNumbering(read.lines, read.rejected, game, a.beforeNational, renumbered);
    for (const DrawFileLine& line : read.lines) {
        SourceDraw d;
        d.issue = line.issue.size() == 5 ? QStringLiteral("20") + line.issue : line.issue;
        d.digits = line.digits;
        d.date = line.date();
        a.draws.push_back(d);
    }
    for (const RejectedDrawLine& r : read.rejected) {
        a.rejected << QStringLiteral("第 %1 行（%2）").arg(r.number).arg(r.reason);
    }
    if (a.draws.empty()) {
        a.error = QStringLiteral("文件中没有开奖号码（“%1”）").arg(glimpse(body, {}));
    }
    return a;
}

SourceAnswer read(SourceReader reader, const QByteArray& body, const QString& contentType, int game, int year)
{
    switch (reader) {
    case SourceReader::Official:
        return readOfficial(body, game);
    case SourceReader::Chart:
        return readChart(body, contentType, year);
    case SourceReader::Text:
        return readText(body, game);
    }
    return {};
}

} // namespace sourcereaders
} // namespace korvel
