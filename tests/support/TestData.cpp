#include "support/TestData.h"

#include "history/DrawParameters.h"
#include "history/Param.h"

#include <QFile>
#include <QTextStream>

namespace korvel::test {

QString dataPath(const QString& file)
{
    return QStringLiteral(KORVEL_TEST_DATA) + QLatin1Char('/') + file;
}

std::vector<DrawLine> loadDraws(const QString& file, int limit)
{
    std::vector<DrawLine> out;
    QFile f(dataPath(file));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return out;
    }
    QTextStream in(&f);
    while (!in.atEnd() && (limit < 0 || static_cast<int>(out.size()) < limit)) {
        const QStringList parts = in.readLine().split(QLatin1Char('\t'));
        if (parts.size() == 3) {
            out.push_back({parts[0], parts[1], parts[2]});
        }
    }
    return out;
}

HistorySnapshot snapshotOf(const std::vector<DrawLine>& draws)
{
    HistorySnapshot snap;
    snap.reserve(static_cast<int>(draws.size()));
    Digits prev;
    for (const auto& d : draws) {
        const Digits now{d.digits[0].digitValue(), d.digits[1].digitValue(), d.digits[2].digitValue()};
        snap.append(d.issue, computeDrawParameters(now, prev, issueDateFromText(d.issue, d.date)));
        prev = now;
    }
    return snap;
}

} // namespace korvel::test
