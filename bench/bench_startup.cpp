// Start-up of the core on the real draw history: the options, formula.mdb with every stored draw, the
// snapshot in issue order and the next issue. The window's own share of start-up is measured elsewhere.
#include "app/Session.h"
#include "history/DrawParameters.h"
#include "history/HistoryStore.h"
#include "history/LishiSchema.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

using namespace korvel;

class SilentDialogs : public Dialogs {
public:
    Answer message(const QString&, const QString&, Buttons, Icon) override { return Answer::Ok; }
    std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
};

class NoLauncher : public Launcher {
public:
    bool openTextFile(const QString&) override { return false; }
    bool showSpreadsheet(const QString&) override { return false; }
    bool openFolder(const QString&) override { return false; }
};

std::vector<HistoryStore::NewDraw> realDraws()
{
    std::vector<HistoryStore::NewDraw> rows;
    QFile f(QStringLiteral(KORVEL_TEST_DATA "/fc3d_draws.tsv"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return rows;
    }
    QTextStream in(&f);
    Digits previous;
    while (!in.atEnd()) {
        const QStringList p = in.readLine().split(QLatin1Char('\t'));
        if (p.size() != 3 || p[2].size() != 3) {
            continue;
        }
        const Digits d{p[2][0].digitValue(), p[2][1].digitValue(), p[2][2].digitValue()};
        rows.push_back({p[0], computeDrawParameters(d, previous, issueDateFromText(p[0], p[1]))});
        previous = d;
    }
    return rows;
}

// One data folder with formula.mdb holding the whole real history, shared by the benchmarks.
struct Fixture {
    QTemporaryDir dir;
    int draws = 0;

    Fixture()
    {
        Database db;
        db.open(dir.filePath(QStringLiteral("formula.mdb")), lishiSchema());
        HistoryStore store(db);
        const auto rows = realDraws();
        store.appendRows(rows);
        draws = store.size();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_SessionStart(benchmark::State& state)
{
    Fixture& f = fixture();
    if (f.draws == 0) {
        state.SkipWithError("no draws loaded");
        return;
    }
    SettingsStore settings(f.dir.filePath(QStringLiteral("3VER.ini")));
    SilentDialogs dialogs;
    NoLauncher launcher;
    for (auto _ : state) {
        Session session(settings, dialogs, launcher);
        session.start(f.dir.path());
        benchmark::DoNotOptimize(session.snapshot()->size());
        if (session.snapshot()->size() != f.draws) {
            state.SkipWithError("history not loaded");
            return;
        }
    }
    state.counters["draws"] = f.draws;
}
BENCHMARK(BM_SessionStart)->Unit(benchmark::kMillisecond);

void BM_HistoryReload(benchmark::State& state)
{
    Fixture& f = fixture();
    Database db;
    db.open(f.dir.filePath(QStringLiteral("formula.mdb")), lishiSchema());
    HistoryStore store(db);
    for (auto _ : state) {
        store.reload();
        benchmark::DoNotOptimize(store.size());
    }
    state.counters["draws"] = store.size();
}
BENCHMARK(BM_HistoryReload)->Unit(benchmark::kMillisecond);

// A history of 50 000 draws: the real ones, repeated under issue numbers of their own.
void BM_HistoryReload50000(benchmark::State& state)
{
    static QTemporaryDir dir;
    Database db;
    db.open(dir.filePath(QStringLiteral("formula.mdb")), lishiSchema());
    HistoryStore store(db);
    if (store.size() == 0) {
        const auto real = realDraws();
        std::vector<HistoryStore::NewDraw> rows;
        for (int i = 0; i < 50000 && !real.empty(); ++i) {
            rows.push_back({QStringLiteral("3%1").arg(i, 6, 10, QLatin1Char('0')),
                            real[static_cast<std::size_t>(i) % real.size()].params});
        }
        store.appendRows(rows);
    }
    for (auto _ : state) {
        store.reload();
        benchmark::DoNotOptimize(store.size());
    }
    state.counters["draws"] = store.size();
}
BENCHMARK(BM_HistoryReload50000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
