#include "search/SearchText.h"

#include <array>
#include <charconv>
#include <cmath>

namespace korvel {

bool isNumericText(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == u'+' || t[i] == u'-')) {
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < n; ++i) {
        if (t[i] >= u'0' && t[i] <= u'9') {
            digits = true;
        } else if (t[i] == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) {
        return false;
    }
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-')) {
            ++i;
        }
        bool expDigits = false;
        while (i < n && t[i] >= u'0' && t[i] <= u'9') {
            expDigits = true;
            ++i;
        }
        if (!expDigits) {
            return false;
        }
    }
    return i == n;
}

std::optional<double> numericValue(QStringView text)
{
    if (!isNumericText(text)) {
        return std::nullopt;
    }
    bool ok = false;
    const double v = text.trimmed().toString().toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

namespace {
template <typename T> QString shortestFixed(T value)
{
    std::array<char, 400> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed);
    if (r.ec != std::errc{}) {
        return QString::number(static_cast<double>(value), 'g', 17);
    }
    QString s = QString::fromLatin1(buf.data(), r.ptr - buf.data());
    if (s == QLatin1String("-0")) {
        s = QStringLiteral("0");
    }
    return s;
}
} // namespace

QString floatText(float value)
{
    return shortestFixed(value);
}

QString numberText(double value)
{
    return shortestFixed(value);
}

} // namespace korvel
