// Start-up of the core on the real draw history: the options, formula.mdb with every stored draw, the
// snapshot in issue order and the next issue. The window's own share of start-up is measured elsewhere.
#include "BenchHistory.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/SettingsStore.h"
#include "session/Session.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

using namespace korvel;

using bench::NoLauncher;
using bench::SilentDialogs;

// The rows the store writes for the real history.
std::vector<HistoryStore::NewDraw> realDraws()
{
    const HistorySnapshot history = bench::realHistory();
    std::vector<HistoryStore::NewDraw> rows;
    rows.reserve(static_cast<std::size_t>(history.size()));
    for (int r = 0; r < history.size(); ++r) {
        rows.push_back({history.issue(r), history.row(r)});
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
        db.open(dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema());
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
    db.open(f.dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema());
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
    db.open(dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema());
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
