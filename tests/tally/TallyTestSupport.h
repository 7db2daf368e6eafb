#pragma once

#include "formula/Formula.h"
#include "formula/FormulaKind.h"
#include "support/TestData.h"
#include "support/XlsReadBack.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace korvel::test {

// A hand-made history: issue 2007001 on, one draw per digit string ("583" = 百位 5, 十位 8, 个位 3).
inline HistorySnapshot history(std::initializer_list<const char*> digits)
{
    std::vector<DrawLine> lines;
    int n = 1;
    for (const char* d : digits) {
        lines.push_back({QStringLiteral("2007%1").arg(n, 3, 10, QLatin1Char('0')),
                         QStringLiteral("2007-01-%1").arg(n, 2, 10, QLatin1Char('0')), QString::fromLatin1(d)});
        ++n;
    }
    return snapshotOf(lines);
}

inline Formula formula(int idx, const QString& expressionText, bool kill = true, float rate = 0, int trueCon = 0,
                       int trueLst = 0)
{
    Formula f;
    f.idx = idx;
    f.expressionText = expressionText;
    f.displayText = QStringLiteral("式") + expressionText;
    f.kill = kill;
    f.stats.rate = rate;
    f.stats.trueCon = static_cast<std::int16_t>(trueCon);
    f.stats.trueLst = static_cast<std::int16_t>(trueLst);
    return f;
}

// What xlrd read: (row, col) -> text or number, and (row, col) -> fill "RRGGBB".
struct ReadBook {
    QStringList sheets;
    std::map<std::pair<int, int>, QJsonValue> cells;
    std::map<std::pair<int, int>, int> types; // 1 text, 2 number
    std::map<std::pair<int, int>, QString> fills;
    int rows = 0;
    int columns = 0;

    QString text(int r, int c) const
    {
        const auto it = cells.find({r, c});
        return it == cells.end() ? QString() : it->second.toString();
    }
    double number(int r, int c) const
    {
        const auto it = cells.find({r, c});
        return it == cells.end() ? -1e300 : it->second.toDouble();
    }
};

inline ReadBook readBook(const QJsonObject& book)
{
    ReadBook out;
    for (const QJsonValue& s : book[u"sheets"].toArray()) {
        out.sheets << s.toString();
    }
    out.rows = book[u"nrows"].toInt();
    out.columns = book[u"ncols"].toInt();
    for (const QJsonValue& v : book[u"cells"].toArray()) {
        const QJsonArray c = v.toArray();
        out.cells[{c[0].toInt(), c[1].toInt()}] = c[3];
        out.types[{c[0].toInt(), c[1].toInt()}] = c[2].toInt();
    }
    for (const QJsonValue& v : book[u"styles"].toArray()) {
        const QJsonArray s = v.toArray();
        if (s[2].toInt() != 0) {
            out.fills[{s[0].toInt(), s[1].toInt()}] = s[3].toString();
        }
    }
    return out;
}

// The workbook at `path` as xlrd reads it; one it cannot read fails the test (and reads as empty).
inline ReadBook readBackBook(const QString& path)
{
    QString error;
    ReadBook book = readBook(XlsReadBack::workbook(path, &error));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return book;
}

} // namespace korvel::test
