#pragma once

// What the benchmark programs share: the real 福彩3D draw history of tests/data (as it is, or padded to a
// given size) and dialogs and a launcher that answer without a person.
#include "history/DrawParameters.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace korvel::bench {

// The lines "issue, date, digits" of tests/data/fc3d_draws.tsv in file order; a file that cannot be read ends
// the program, as every measurement needs it.
inline const std::vector<QStringList>& realDrawLines()
{
    static const std::vector<QStringList> lines = [] {
        QFile f(QStringLiteral(KORVEL_TEST_DATA "/fc3d_draws.tsv"));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(f.fileName()));
            std::exit(1);
        }
        std::vector<QStringList> out;
        QTextStream in(&f);
        while (!in.atEnd()) {
            QStringList parts = in.readLine().split(QLatin1Char('\t'));
            if (parts.size() == 3 && parts[2].size() == 3) {
                out.push_back(std::move(parts));
            }
        }
        return out;
    }();
    return lines;
}

// The real history with every parameter computed in issue order. With `draws` above its size, it is
// repeated from the start until there are that many; the repeats get issue numbers of their own (3000000 on)
// so that the history stays in issue order.
inline HistorySnapshot realHistory(int draws = 0)
{
    const std::vector<QStringList>& lines = realDrawLines();
    const int real = static_cast<int>(lines.size());
    const int n = draws > 0 ? draws : real;
    HistorySnapshot s;
    s.reserve(n);
    Digits prev;
    for (int i = 0; i < n; ++i) {
        const QStringList& l = lines[static_cast<std::size_t>(i % real)];
        const Digits now{l[2][0].digitValue(), l[2][1].digitValue(), l[2][2].digitValue()};
        const QString issue = i < real ? l[0] : QStringLiteral("3%1").arg(i, 6, 10, QLatin1Char('0'));
        s.append(issue, computeDrawParameters(now, prev, issueDateFromText(issue, l[1])));
        prev = now;
    }
    return s;
}

// Dialogs that answer Ok and give nothing: the benchmarks measure the work, not a person.
class SilentDialogs : public Dialogs {
public:
    Answer message(const QString&, const QString&, Buttons, Icon) override { return Answer::Ok; }
    std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
};

// A launcher that opens nothing.
class NoLauncher : public Launcher {
public:
    bool openTextFile(const QString&) override { return false; }
    bool showSpreadsheet(const QString&) override { return false; }
    bool openFolder(const QString&) override { return false; }
};

} // namespace korvel::bench
