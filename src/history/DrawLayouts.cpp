#include "history/DrawLayouts.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <optional>

namespace korvel {

namespace {

const QString kTableForm = QStringLiteral("期号,日期,号码");
const QString kColumnsForm = QStringLiteral("期号 日期 百位 十位 个位");
const QString kExportForm = QStringLiteral("期号 号码");

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isDigit);
}

bool hasDigit(QStringView text)
{
    return std::any_of(text.begin(), text.end(), isDigit);
}

bool hasTableSeparator(const QString& line)
{
    static const QRegularExpression separators(QStringLiteral("[,;\\t，；]"));
    return line.contains(separators);
}

// Fields of a line: by comma, semicolon or TAB when it has one (a field in double quotes may hold the
// separator, as a spreadsheet writes it), else by blanks.
QStringList fieldsOf(const QString& line)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    if (!hasTableSeparator(line)) {
        return line.trimmed().split(blanks, Qt::SkipEmptyParts);
    }
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (!quoted && (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('\t') ||
                               c == QChar(0xFF0C) || c == QChar(0xFF1B))) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return fields;
}

bool issueReads(const QString& issue)
{
    if (!allDigits(issue) || (issue.size() != 7 && issue.size() != 5)) {
        return false;
    }
    const int sequence = issue.right(3).toInt();
    return sequence >= 1 && sequence <= 365;
}

int issueYear(const QString& issue)
{
    return issue.size() == 5 ? 2000 + issue.left(2).toInt() : issue.left(4).toInt();
}

} // namespace

int readDigitFields(const QStringList& fields, qsizetype at, Digits& digits)
{
    if (at >= fields.size()) {
        return 0;
    }
    QString one = fields[at];
    if (one.size() > 3) {
        static const QRegularExpression spaced(QStringLiteral("^(\\d)[\\s,，、|-]+(\\d)[\\s,，、|-]+(\\d)$"));
        const auto m = spaced.match(one);
        if (m.hasMatch()) {
            one = m.captured(1) + m.captured(2) + m.captured(3);
        }
    }
    if (one.size() == 3 && allDigits(one)) {
        digits = {one[0].digitValue(), one[1].digitValue(), one[2].digitValue()};
        return 1;
    }
    if (at + 2 < fields.size() && fields[at].size() == 1 && fields[at + 1].size() == 1 && fields[at + 2].size() == 1 &&
        allDigits(fields[at] + fields[at + 1] + fields[at + 2])) {
        digits = {fields[at][0].digitValue(), fields[at + 1][0].digitValue(), fields[at + 2][0].digitValue()};
        return 3;
    }
    return 0;
}

namespace {

struct LineResult {
    std::optional<DrawFileLine> line;
    QString reason;
    QString form;
};

bool setDate(DrawFileLine& line, const QString& text, QString& reason)
{
    const QDate date = parseDrawDate(text);
    if (!date.isValid()) {
        reason = QStringLiteral("日期不对");
        return false;
    }
    if (date.year() != issueYear(line.issue)) {
        reason = QStringLiteral("日期与期号的年份不符");
        return false;
    }
    line.year = date.year();
    line.month = date.month();
    line.day = date.day();
    return true;
}

// A line by its own form (the header comment of DrawLayouts.h).
LineResult readOwnForm(const QString& text)
{
    LineResult r;
    const QStringList fields = fieldsOf(text);
    const bool table = hasTableSeparator(text);
    DrawFileLine line;
    line.issue = fields.value(0);
    if (fields.size() < 2) {
        r.reason = QStringLiteral("格式不对");
        return r;
    }
    if (!issueReads(line.issue)) {
        r.reason = QStringLiteral("期号不对");
        return r;
    }
    // A second field that looks like a date is one (a wrong one is the line's fault, not another form).
    static const QRegularExpression dateLike(QStringLiteral("^\\d{4}\\D\\d{1,2}\\D\\d{1,2}"));
    const bool dated = dateLike.match(fields[1]).hasMatch();
    const qsizetype digitsAt = dated ? 2 : 1;
    const int used = readDigitFields(fields, digitsAt, line.digits);
    const qsizetype extra = fields.size() - digitsAt - used;
    if (used == 0) {
        r.reason = fields.size() > digitsAt ? QStringLiteral("开奖号码不是三位数字") : QStringLiteral("格式不对");
        return r;
    }
    if (!dated && extra > 0) {
        r.reason = fields.size() == 3 ? QStringLiteral("开奖号码不是三位数字") : QStringLiteral("格式不对");
        return r;
    }
    if (dated && !setDate(line, fields[1], r.reason)) {
        return r;
    }
    r.form = !dated ? kExportForm : (table && used == 1 && extra == 0 ? kTableForm : kColumnsForm);
    r.line = line;
    return r;
}

// The columns a header names; issue < 0 when it is no header of draws.
struct HeaderColumns {
    int issue = -1;
    int date = -1;
    int digits = -1;
    int d1 = -1;
    int d2 = -1;
    int d3 = -1;
    bool usable() const { return issue >= 0 && (digits >= 0 || (d1 >= 0 && d2 >= 0 && d3 >= 0)); }
};

HeaderColumns headerColumns(const QStringList& fields)
{
    static const std::map<QString, int HeaderColumns::*> roles = {
        {QStringLiteral("期号"), &HeaderColumns::issue},      {QStringLiteral("期数"), &HeaderColumns::issue},
        {QStringLiteral("开奖期号"), &HeaderColumns::issue},  {QStringLiteral("期次"), &HeaderColumns::issue},
        {QStringLiteral("issue"), &HeaderColumns::issue},     {QStringLiteral("period"), &HeaderColumns::issue},
        {QStringLiteral("日期"), &HeaderColumns::date},       {QStringLiteral("开奖日期"), &HeaderColumns::date},
        {QStringLiteral("开奖时间"), &HeaderColumns::date},   {QStringLiteral("date"), &HeaderColumns::date},
        {QStringLiteral("开奖号码"), &HeaderColumns::digits}, {QStringLiteral("号码"), &HeaderColumns::digits},
        {QStringLiteral("中奖号码"), &HeaderColumns::digits}, {QStringLiteral("开奖结果"), &HeaderColumns::digits},
        {QStringLiteral("digits"), &HeaderColumns::digits},   {QStringLiteral("number"), &HeaderColumns::digits},
        {QStringLiteral("numbers"), &HeaderColumns::digits},  {QStringLiteral("result"), &HeaderColumns::digits},
        {QStringLiteral("百位"), &HeaderColumns::d1},         {QStringLiteral("十位"), &HeaderColumns::d2},
        {QStringLiteral("个位"), &HeaderColumns::d3},         {QStringLiteral("d1"), &HeaderColumns::d1},
        {QStringLiteral("d2"), &HeaderColumns::d2},           {QStringLiteral("d3"), &HeaderColumns::d3},
    };
    HeaderColumns columns;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const auto it = roles.find(fields[i].trimmed().toLower());
        if (it != roles.end() && columns.*(it->second) < 0) {
            columns.*(it->second) = static_cast<int>(i);
        }
    }
    return columns;
}

// A line by the header's columns.
LineResult readByHeader(const QString& text, const HeaderColumns& columns, const QString& form)
{
    LineResult r;
    const QStringList fields = fieldsOf(text);
    const int needed = std::max({columns.issue, columns.date, columns.digits, columns.d1, columns.d2, columns.d3});
    if (fields.size() <= needed) {
        r.reason = QStringLiteral("格式不对");
        return r;
    }
    DrawFileLine line;
    line.issue = fields[columns.issue];
    if (!issueReads(line.issue)) {
        r.reason = QStringLiteral("期号不对");
        return r;
    }
    bool read = false;
    if (columns.digits >= 0) {
        read = readDigitFields(fields, columns.digits, line.digits) == 1;
    } else {
        const QString d = fields[columns.d1] + fields[columns.d2] + fields[columns.d3];
        read = fields[columns.d1].size() == 1 && fields[columns.d2].size() == 1 && fields[columns.d3].size() == 1 &&
               allDigits(d);
        if (read) {
            line.digits = {d[0].digitValue(), d[1].digitValue(), d[2].digitValue()};
        }
    }
    if (!read) {
        r.reason = QStringLiteral("开奖号码不是三位数字");
        return r;
    }
    if (columns.date >= 0 && !fields[columns.date].isEmpty() && !setDate(line, fields[columns.date], r.reason)) {
        return r;
    }
    r.form = form;
    r.line = line;
    return r;
}

} // namespace

QStringList splitLines(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    return text.split(breaks);
}

QDate parseDrawDate(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})"
                       "\\s*(?:[(（][^)）]{0,4}[)）]|星期.|周.|\\d{1,2}:\\d{2}(?::\\d{2})?)?\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        return {};
    }
    return QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
}

DrawFileRead readDrawLines(const QStringList& lines)
{
    DrawFileRead out;
    std::map<QString, int> forms;
    std::vector<QString> formOrder;
    HeaderColumns header;
    QString headerForm;
    bool firstData = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        QString text = lines[i].trimmed();
        if (i == 0 && text.startsWith(QChar(0xFEFF))) {
            text = text.mid(1);
        }
        if (text.isEmpty()) {
            continue;
        }
        if (firstData) {
            firstData = false;
            const QStringList fields = fieldsOf(text);
            if (!hasDigit(fields.value(0))) {
                header = headerColumns(fields);
                headerForm = QStringLiteral("表头“%1”").arg(fields.join(QLatin1Char(',')));
                continue; // a header line
            }
        }
        LineResult r;
        if (header.usable()) {
            r = readByHeader(text, header, headerForm);
        }
        if (!r.line) {
            // A line the header's columns do not fit is read by its own form; one they fit but that does not
            // read keeps the header's reason unless its own form reads it.
            LineResult own = readOwnForm(text);
            if (own.line || !header.usable() || r.reason == QStringLiteral("格式不对")) {
                r = own;
            }
        }
        if (!r.line) {
            out.rejected.push_back({number, lines[i], r.reason});
            continue;
        }
        r.line->number = number;
        r.line->text = lines[i];
        out.lines.push_back(*r.line);
        if (forms[r.form]++ == 0) {
            formOrder.push_back(r.form);
        }
    }
    std::stable_sort(formOrder.begin(), formOrder.end(),
                     [&](const QString& a, const QString& b) { return forms[a] > forms[b]; });
    if (formOrder.size() == 1) {
        out.layoutName = formOrder.front();
    } else {
        QStringList parts;
        for (const QString& f : formOrder) {
            parts << QStringLiteral("%1（%2 行）").arg(f).arg(forms[f]);
        }
        out.layoutName = parts.join(QStringLiteral("、"));
    }
    return out;
}

} // namespace korvel
