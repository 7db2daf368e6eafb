#include "platform/TextNumber.h"

namespace korvel {

namespace {

struct Scan {
    double value = 0.0;
    bool found = false;
};

Scan scan(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    Scan s;
    double scale = 0.0; // 0 before the decimal point, then 0.1, 0.01, ...
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            const int d = c.unicode() - u'0';
            if (scale == 0.0) {
                s.value = s.value * 10.0 + d;
            } else {
                s.value += d * scale;
                scale /= 10.0;
            }
            s.found = true;
        } else if (c == u'.' && scale == 0.0) {
            scale = 0.1;
        } else {
            break;
        }
    }
    if (negative) {
        s.value = -s.value;
    }
    return s;
}

} // namespace

double textValue(QStringView text)
{
    return scan(text).value;
}

bool startsWithNumber(QStringView text)
{
    return scan(text).found;
}

} // namespace korvel
