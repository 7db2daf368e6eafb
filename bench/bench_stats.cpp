// The statistics pass end to end against the engine alone, in interleaved pairs, on the real history:
//   - 32 767 formulas of one table at the default window (300 draws): the list's pass (read the table,
//     compile, evaluate, figures, write back) by a list that read it before and by a new one, and the whole
//     `korvel-cli stats` command in-process (its session start, the pass, the printed list), each against the
//     engine's own evaluation and figures of the same formulas, compiled beforehand;
//   - 100 000 formulas over five tables over all draws: the list's pass table by table against the engine.
// Formulas are of the shape the search saves (sums of 3 to 8 columns and a constant). Both sides run on one
// thread, except the command, which uses the cores as the program does; compare its CPU time.

#include "BenchHistory.h"
#include "BenchPairs.h"
#include "cli/Cli.h"
#include "formula/Expression.h"
#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "verify/FormulaList.h"
#include "verify/SumEvaluation.h"

#include "../tests/support/SqlReference.h"

#include <benchmark/benchmark.h>

#include <SQLiteCpp/Statement.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <array>
#include <cstring>
#include <memory>
#include <random>

using namespace korvel;

namespace {

const HistorySnapshot& history()
{
    static const HistorySnapshot snap = bench::realHistory();
    return snap;
}

// Formulas per table: 3D holds a full table; with the other four the five hold 100 000.
constexpr std::array<int, 5> kPerTable = {16808, 16808, 32767, 16808, 16809}; // in the order of kAllKinds

struct StatsFixture {
    QTemporaryDir dir;
    Database db;
    std::unique_ptr<FormulaStore> store;
    bench::SilentDialogs dialogs;
    std::unique_ptr<FormulaList> list;
    std::array<std::vector<Expression>, 5> compiled; // the engine's side: the same formulas, compiled

    StatsFixture()
    {
        QDir().mkpath(dataDir());
        db.open(dataDir() + QStringLiteral("/formula.mdb"), drawTableSchema());
        test::loadDrawTable(db.sql(), history());
        store = std::make_unique<FormulaStore>(db);
        list = std::make_unique<FormulaList>(*store, dialogs);
        std::mt19937_64 rng(20261209);
        std::uniform_int_distribution<int> number(1, 77);
        std::uniform_int_distribution<int> operands(3, 8);
        std::uniform_int_distribution<int> constant(0, 9);
        for (std::size_t k = 0; k < kAllKinds.size(); ++k) {
            std::vector<Formula> formulas;
            for (int i = 0; i < kPerTable[k]; ++i) {
                Formula f;
                const int count = operands(rng);
                for (int t = 0; t < count; ++t) {
                    f.expressionText += QString::fromLatin1(paramCode(vocabularyParam(number(rng)))) + QLatin1Char('+');
                }
                f.expressionText += QString::number(constant(rng));
                f.displayText = QStringLiteral("[%1杀]").arg(kAllKinds[k].label()) + f.expressionText;
                f.kill = true;
                compiled[k].push_back(Expression::compile(f.expressionText));
                formulas.push_back(std::move(f));
            }
            store->appendFormulas(kAllKinds[k], formulas);
        }
    }

    QString dataDir() const { return dir.filePath(QStringLiteral("data")); }
};

StatsFixture& fixture()
{
    static StatsFixture f;
    return f;
}

// The engine alone: evaluation, figures, chance figures and next value of every formula of a table.
std::int64_t engine(const std::vector<Expression>& formulas, const FormulaKind& kind, int windowDraws)
{
    const HistorySnapshot& snap = history();
    const int start = evaluationWindowStart(snap.size(), windowDraws, true);
    SumEvaluation sums;
    std::int64_t check = 0;
    for (const Expression& e : formulas) {
        evaluateSum(snap, *e.integerSum(), kind, true, start, sums);
        const FormulaFigures fig = sumFigures(sums, start, true);
        const ChanceFigures chance = sumChanceFigures(sums, start, kind, true, true);
        check += fig.stats.hitSum + chance.hits + sums.next.value_or(0);
    }
    return check;
}

// The list's pass as the window runs it: the table read and compiled, the pass, the write-back. Returns the
// seconds of the read and compile (the rest is the pass and its write-back).
double listPass(const FormulaKind& kind, int windowDraws, int threads = 1)
{
    StatsFixture& fx = fixture();
    PassSettings settings{FigureSettings{windowDraws, true, true}, false, DisplayColumn::NextIssue};
    settings.threads = threads;
    const bench::Timing load = bench::timed([&] { fx.list->loadFormulas(kind, true); });
    fx.list->statisticsPass(history(), settings);
    return load.cpu;
}

void BM_ListPass_32767_Window300(benchmark::State& state)
{
    bench::Pairs pairs;
    std::vector<double> loads;
    const FormulaKind kind = kAllKinds[2];
    for (auto _ : state) {
        std::int64_t check = 0;
        const bench::Timing subject = bench::timed([&] { loads.push_back(listPass(kind, 300)); });
        const bench::Timing anchor = bench::timed([&] { check = engine(fixture().compiled[2], kind, 300); });
        benchmark::DoNotOptimize(check);
        pairs.add(subject, anchor);
    }
    state.counters["read_compile_cpu_ms"] = bench::median(loads) * 1e3;
    pairs.finish(state, "list pass, 32767 formulas, window 300");
}

// The pass alone on a list already read, as the window runs it when the settings or the history change:
// `alternate` false repeats the default window (the figures stand, nothing is written), true alternates
// windows 300 and 500, so that every pass changes every row's figures and writes them all back. The
// engine runs the same window.
void passOnly(benchmark::State& state, bool alternate, const std::string& name)
{
    StatsFixture& fx = fixture();
    const FormulaKind kind = kAllKinds[2];
    fx.list->loadFormulas(kind, true);
    bench::Pairs pairs;
    int round = 0;
    for (auto _ : state) {
        const int window = alternate && round++ % 2 == 1 ? 500 : 300;
        PassSettings settings{FigureSettings{window, true, true}, false, DisplayColumn::NextIssue};
        settings.threads = 1;
        std::int64_t check = 0;
        const bench::Timing subject = bench::timed([&] { fx.list->statisticsPass(history(), settings); });
        const bench::Timing anchor = bench::timed([&] { check = engine(fx.compiled[2], kind, window); });
        benchmark::DoNotOptimize(check);
        pairs.add(subject, anchor);
    }
    pairs.finish(state, name);
}

void BM_PassOnly_32767_Window300(benchmark::State& state)
{
    passOnly(state, false, "pass of a read list, 32767, window 300");
}

void BM_PassOnly_32767_ChangingWindow(benchmark::State& state)
{
    passOnly(state, true, "pass writing every row back, 32767");
}

// The list's read of its table (rows, texts, figures) against SQLite's own walk over the same rows and
// columns, every column's value fetched and nothing kept: how much of the read is SQLite.
void BM_ListRead_32767(benchmark::State& state)
{
    StatsFixture& fx = fixture();
    const FormulaKind kind = kAllKinds[2];
    bench::Pairs pairs;
    for (auto _ : state) {
        std::size_t rows = 0;
        std::int64_t check = 0;
        const bench::Timing subject = bench::timed([&] { rows = fx.store->list(kind, true).size(); });
        const bench::Timing anchor = bench::timed([&] {
            SQLite::Statement q(fx.db.sql(), "SELECT idx, gongshi, gongshiCN, bolKill, sglGsRate, intGsErrCon, "
                                             "intGsTrueCon, intGsErrLst, intGsTrueLst FROM " +
                                                 FormulaStore::tableOf(kind) +
                                                 " WHERE (bolKill <> 0) = 1 ORDER BY rowid");
            while (q.executeStep()) {
                check += q.getColumn(0).getInt() + static_cast<std::int64_t>(std::strlen(q.getColumn(1).getText())) +
                         static_cast<std::int64_t>(std::strlen(q.getColumn(2).getText())) + q.getColumn(3).getInt() +
                         static_cast<std::int64_t>(q.getColumn(4).getDouble()) + q.getColumn(5).getInt() +
                         q.getColumn(6).getInt() + q.getColumn(7).getInt() + q.getColumn(8).getInt();
            }
        });
        benchmark::DoNotOptimize(check);
        benchmark::DoNotOptimize(rows);
        pairs.add(subject, anchor);
    }
    pairs.finish(state, "list read vs bare select, 32767");
}

// The first pass of a list (the program's start, the command line): a new list reads and compiles every
// formula before its pass.
void BM_ColdListPass_32767_Window300(benchmark::State& state)
{
    StatsFixture& fx = fixture();
    bench::Pairs pairs;
    const FormulaKind kind = kAllKinds[2];
    PassSettings settings{FigureSettings{300, true, true}, false, DisplayColumn::NextIssue};
    settings.threads = 1;
    for (auto _ : state) {
        std::int64_t check = 0;
        const bench::Timing subject = bench::timed([&] {
            FormulaList list(*fx.store, fx.dialogs);
            list.loadFormulas(kind, true);
            list.statisticsPass(history(), settings);
        });
        const bench::Timing anchor = bench::timed([&] { check = engine(fixture().compiled[2], kind, 300); });
        benchmark::DoNotOptimize(check);
        pairs.add(subject, anchor);
    }
    pairs.finish(state, "new list pass, 32767 formulas, window 300");
}

void BM_StatsCommand_32767_Window300(benchmark::State& state)
{
    StatsFixture& fx = fixture();
    QFile sink(QStringLiteral("/dev/null"));
    sink.open(QIODevice::WriteOnly);
    QTextStream out(&sink);
    QString errors;
    QTextStream err(&errors);
    const QStringList args = {QStringLiteral("--data-dir"), fx.dataDir(),
                              QStringLiteral("--settings"), fx.dir.filePath(QStringLiteral("3VER.ini")),
                              QStringLiteral("stats"),      QStringLiteral("--kind"),
                              QStringLiteral("3D"),         QStringLiteral("--sense"),
                              QStringLiteral("kill")};
    bench::Pairs pairs;
    int status = 0;
    for (auto _ : state) {
        std::int64_t check = 0;
        const bench::Timing subject = bench::timed([&] { status = cli::runCli(args, out, err); });
        const bench::Timing anchor = bench::timed([&] { check = engine(fx.compiled[2], kAllKinds[2], 300); });
        benchmark::DoNotOptimize(check);
        pairs.add(subject, anchor);
    }
    if (status != 0) {
        state.SkipWithError(("stats failed: " + errors.toStdString()).c_str());
    }
    pairs.finish(state, "korvel-cli stats, 32767 formulas, window 300");
}

// `threads` 1: both sides on one thread; 0: the pass on every core as the program runs it (compare wall).
void listPass100000(benchmark::State& state, int threads, const char* name)
{
    bench::Pairs pairs;
    std::vector<double> loads;
    for (auto _ : state) {
        std::int64_t check = 0;
        double load = 0;
        const bench::Timing subject = bench::timed([&] {
            for (const FormulaKind& kind : kAllKinds) {
                load += listPass(kind, 0, threads);
            }
        });
        loads.push_back(load);
        const bench::Timing anchor = bench::timed([&] {
            for (std::size_t k = 0; k < kAllKinds.size(); ++k) {
                check += engine(fixture().compiled[k], kAllKinds[k], 0);
            }
        });
        benchmark::DoNotOptimize(check);
        pairs.add(subject, anchor);
    }
    state.counters["read_compile_cpu_ms"] = bench::median(loads) * 1e3;
    pairs.finish(state, name);
}

void BM_ListPass_100000_AllDraws(benchmark::State& state)
{
    listPass100000(state, 1, "list pass, 100000 formulas, all draws");
}

void BM_ListPass_100000_AllDraws_AllCores(benchmark::State& state)
{
    listPass100000(state, 0, "list pass on all cores, 100000, all draws");
}

} // namespace

BENCHMARK(BM_ListPass_32767_Window300)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_ListRead_32767)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_PassOnly_32767_Window300)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_PassOnly_32767_ChangingWindow)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_ColdListPass_32767_Window300)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_StatsCommand_32767_Window300)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_ListPass_100000_AllDraws)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ListPass_100000_AllDraws_AllCores)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    fixture(); // built before any measurement
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::printPairSummary("pass", "engine");
    return 0;
}
