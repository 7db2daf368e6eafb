#include "bets/BetFilters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace korvel {

namespace {

QStringList items(const QString& text)
{
    // Commas of either width, the ideographic one and blanks all separate.
    static const QRegularExpression separators(QStringLiteral("[,，、\\s]+"));
    return text.trimmed().split(separators, Qt::SkipEmptyParts);
}

void fail(QString* error, const QString& why)
{
    if (error) {
        *error = why;
    }
}

template <std::size_t N> QJsonObject choiceJson(const BetFilters::Choice<N>& c)
{
    QJsonArray values;
    for (int v : valuesOf(c.values)) {
        values.append(v);
    }
    return QJsonObject{{QStringLiteral("on"), c.on}, {QStringLiteral("values"), values}};
}

template <std::size_t N> bool choiceFrom(const QJsonValue& value, BetFilters::Choice<N>& out)
{
    if (!value.isObject()) {
        return value.isUndefined(); // a filter the text does not name stays off
    }
    const QJsonObject o = value.toObject();
    out.on = o.value(QStringLiteral("on")).toBool();
    for (const QJsonValue v : o.value(QStringLiteral("values")).toArray()) {
        const int i = v.toInt(-1);
        if (i < 0 || i >= static_cast<int>(N)) {
            return false;
        }
        out.values.set(static_cast<std::size_t>(i));
    }
    return true;
}

} // namespace

bool BetFilters::anyOn() const
{
    return sum.on || span.on || form.on || dan.on || oddCount.on || bigCount.on || primeCount.on || road.on ||
           recent.on;
}

std::optional<std::vector<int>> parseValueList(const QString& text, int min, int max, QString* error)
{
    std::vector<bool> seen(static_cast<std::size_t>(max - min + 1), false);
    const QStringList parts = items(text);
    if (parts.isEmpty()) {
        fail(error, QStringLiteral("没有填写数值（例如 10-12 或 3,5,8）"));
        return std::nullopt;
    }
    for (const QString& part : parts) {
        const QStringList ends = part.split(QLatin1Char('-'));
        bool okLow = false;
        bool okHigh = false;
        const int low = ends.value(0).toInt(&okLow);
        const int high = ends.size() == 2 ? ends[1].toInt(&okHigh) : low;
        okHigh = ends.size() == 2 ? okHigh : okLow;
        if (ends.size() > 2 || !okLow || !okHigh) {
            fail(error, QStringLiteral("“%1”不是数值或范围（例如 10-12 或 3,5,8）").arg(part));
            return std::nullopt;
        }
        if (low > high || low < min || high > max) {
            fail(error, QStringLiteral("“%1”超出 %2 到 %3 的范围").arg(part).arg(min).arg(max));
            return std::nullopt;
        }
        for (int v = low; v <= high; ++v) {
            seen[static_cast<std::size_t>(v - min)] = true;
        }
    }
    std::vector<int> out;
    for (int v = min; v <= max; ++v) {
        if (seen[static_cast<std::size_t>(v - min)]) {
            out.push_back(v);
        }
    }
    return out;
}

std::optional<std::bitset<10>> parseDigitSet(const QString& text, QString* error)
{
    std::bitset<10> digits;
    const QStringList parts = items(text);
    for (const QString& part : parts) {
        for (const QChar c : part) {
            if (!c.isDigit() || c.digitValue() < 0 || c.digitValue() > 9) {
                fail(error, QStringLiteral("“%1”不是 0 到 9 的数字").arg(part));
                return std::nullopt;
            }
            digits.set(static_cast<std::size_t>(c.digitValue()));
        }
    }
    if (digits.none()) {
        fail(error, QStringLiteral("没有填写胆码（例如 1,2）"));
        return std::nullopt;
    }
    return digits;
}

std::optional<std::bitset<4>> parseRatioSet(const QString& text, QString* error)
{
    std::bitset<4> counts;
    const QStringList parts = items(text);
    for (const QString& part : parts) {
        const QStringList sides =
            QString(part).replace(QStringLiteral("："), QStringLiteral(":")).split(QLatin1Char(':'));
        bool okFirst = false;
        bool okSecond = false;
        const int first = sides.value(0).toInt(&okFirst);
        const int second = sides.value(1).toInt(&okSecond);
        if (sides.size() != 2 || !okFirst || !okSecond || first < 0 || second < 0 || first + second != 3) {
            fail(error, QStringLiteral("“%1”不是三个数字的比（例如 2:1）").arg(part));
            return std::nullopt;
        }
        counts.set(static_cast<std::size_t>(first));
    }
    if (counts.none()) {
        fail(error, QStringLiteral("没有填写比值（例如 2:1 或 2:1,1:2）"));
        return std::nullopt;
    }
    return counts;
}

std::optional<std::bitset<27>> parseRoadPatterns(const QString& text, QString* error)
{
    std::bitset<27> patterns;
    const QStringList parts = items(text);
    for (const QString& part : parts) {
        bool ok = part.size() == 3;
        for (const QChar c : part) {
            ok = ok && (c == QLatin1Char('*') || (c >= QLatin1Char('0') && c <= QLatin1Char('2')));
        }
        if (!ok) {
            fail(error, QStringLiteral("“%1”不是012路形态（百十个三位，每位 0、1、2 或 *，例如 012）").arg(part));
            return std::nullopt;
        }
        for (int i = 0; i < 27; ++i) {
            const int roads[3] = {i / 9, i / 3 % 3, i % 3};
            bool match = true;
            for (int p = 0; p < 3; ++p) {
                match = match && (part[p] == QLatin1Char('*') || part[p].digitValue() == roads[p]);
            }
            if (match) {
                patterns.set(static_cast<std::size_t>(i));
            }
        }
    }
    if (patterns.none()) {
        fail(error, QStringLiteral("没有填写012路形态（例如 012）"));
        return std::nullopt;
    }
    return patterns;
}

std::optional<GroupForm> parseGroupForm(const QString& text)
{
    const QString t = text.trimmed();
    for (const GroupForm f : {GroupForm::Triple, GroupForm::Pair, GroupForm::Distinct}) {
        if (t == groupFormName(f)) {
            return f;
        }
    }
    if (t == QLatin1String("triple")) {
        return GroupForm::Triple;
    }
    if (t == QLatin1String("pair")) {
        return GroupForm::Pair;
    }
    if (t == QLatin1String("distinct")) {
        return GroupForm::Distinct;
    }
    return std::nullopt;
}

QString valueListText(const std::vector<int>& values)
{
    QStringList parts;
    for (std::size_t i = 0; i < values.size();) {
        std::size_t j = i;
        while (j + 1 < values.size() && values[j + 1] == values[j] + 1) {
            ++j;
        }
        parts << (j >= i + 2 ? QStringLiteral("%1-%2").arg(values[i]).arg(values[j]) : QString::number(values[i]));
        if (j == i + 1) {
            parts << QString::number(values[j]);
        }
        i = j + 1;
    }
    return parts.join(QLatin1Char(','));
}

QString digitSetText(const std::bitset<10>& digits)
{
    QString out;
    for (int d : valuesOf(digits)) {
        out += QString::number(d);
    }
    return out;
}

QString ratioSetText(const std::bitset<4>& counts)
{
    QStringList parts;
    for (int first : valuesOf(counts)) {
        parts << QStringLiteral("%1:%2").arg(first).arg(3 - first);
    }
    return parts.join(QLatin1Char(','));
}

QString roadPatternsText(const std::bitset<27>& patterns)
{
    QStringList parts;
    for (int i : valuesOf(patterns)) {
        parts << QStringLiteral("%1%2%3").arg(i / 9).arg(i / 3 % 3).arg(i % 3);
    }
    return parts.join(QLatin1Char(','));
}

QString filtersToText(const BetFilters& f)
{
    const QJsonObject o{
        {QStringLiteral("sum"), choiceJson(f.sum)},
        {QStringLiteral("span"), choiceJson(f.span)},
        {QStringLiteral("form"), choiceJson(f.form)},
        {QStringLiteral("dan"), QJsonObject{{QStringLiteral("on"), f.dan.on},
                                            {QStringLiteral("digits"), digitSetText(f.dan.digits)},
                                            {QStringLiteral("all"), f.dan.all}}},
        {QStringLiteral("oddEven"), choiceJson(f.oddCount)},
        {QStringLiteral("bigSmall"), choiceJson(f.bigCount)},
        {QStringLiteral("primeComposite"), choiceJson(f.primeCount)},
        {QStringLiteral("road"), choiceJson(f.road)},
        {QStringLiteral("recent"),
         QJsonObject{{QStringLiteral("on"), f.recent.on}, {QStringLiteral("draws"), f.recent.draws}}},
    };
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

std::optional<BetFilters> filtersFromText(const QString& text)
{
    QJsonParseError parsed{};
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &parsed);
    if (parsed.error != QJsonParseError::NoError || !doc.isObject()) {
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    BetFilters f;
    bool ok = choiceFrom(o.value(QStringLiteral("sum")), f.sum) &&
              choiceFrom(o.value(QStringLiteral("span")), f.span) &&
              choiceFrom(o.value(QStringLiteral("form")), f.form) &&
              choiceFrom(o.value(QStringLiteral("oddEven")), f.oddCount) &&
              choiceFrom(o.value(QStringLiteral("bigSmall")), f.bigCount) &&
              choiceFrom(o.value(QStringLiteral("primeComposite")), f.primeCount) &&
              choiceFrom(o.value(QStringLiteral("road")), f.road);
    const QJsonObject dan = o.value(QStringLiteral("dan")).toObject();
    f.dan.on = dan.value(QStringLiteral("on")).toBool();
    f.dan.all = dan.value(QStringLiteral("all")).toBool();
    const QString danDigits = dan.value(QStringLiteral("digits")).toString();
    if (!danDigits.isEmpty()) {
        const auto digits = parseDigitSet(danDigits, nullptr);
        ok = ok && digits.has_value();
        f.dan.digits = digits.value_or(std::bitset<10>{});
    }
    const QJsonObject recent = o.value(QStringLiteral("recent")).toObject();
    f.recent.on = recent.value(QStringLiteral("on")).toBool();
    f.recent.draws = recent.value(QStringLiteral("draws")).toInt();
    ok = ok && f.recent.draws >= 0;
    if (!ok) {
        return std::nullopt;
    }
    return f;
}

} // namespace korvel
