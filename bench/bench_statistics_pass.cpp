// The statistics pass over a formula list of 1 000 formulas on the real history, done by the engine and
// done by the SQL-per-formula baseline (SQL update statements per formula on SQLite), measured side by side.

#include "BenchHistory.h"
#include "formula/Expression.h"
#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "history/HistorySnapshot.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "verify/ChanceFigures.h"
#include "verify/Evaluation.h"
#include "verify/FormulaFigures.h"
#include "verify/FormulaList.h"

#include "../tests/support/RandomFormula.h"
#include "../tests/support/SqlReference.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

using namespace korvel;

namespace {

constexpr int kFormulas = 1000;

const HistorySnapshot& history()
{
    static const HistorySnapshot snap = bench::realHistory();
    return snap;
}

struct ListFormula {
    QString expressionText;
    std::string sql;
    FormulaKind kind;
    bool kill;
};

const std::vector<ListFormula>& formulaList()
{
    static const std::vector<ListFormula> list = [] {
        std::vector<ListFormula> out;
        test::RandomFormulaGenerator gen(7760);
        for (int i = 0; i < kFormulas; ++i) {
            const test::GeneratedFormula g = gen.mixed();
            out.push_back({g.expressionText, g.sql, kAllKinds[static_cast<std::size_t>(i % 5)], i % 2 == 0});
        }
        return out;
    }();
    return list;
}

std::map<std::string, double> g_formulasPerSecond;

void record(benchmark::State& state, const std::string& name, double seconds, long long formulas)
{
    const double rate = static_cast<double>(formulas) / seconds;
    state.counters["formulas/s"] = rate;
    g_formulasPerSecond[name] = rate;
}

// One statistics pass as the formula list runs it: compile the texts, evaluate each formula over the rows
// its window needs (all rows with the per-draw display on), figures and next value.
// With `chance` on, each formula also gets its chance baseline and significance, as the list shows them.
void benchEnginePass(benchmark::State& state, int windowDraws, bool display, const std::string& name,
                     bool chance = false)
{
    const HistorySnapshot& snap = history();
    const auto& list = formulaList();
    const FigureSettings settings{windowDraws, true, true};
    const int start = evaluationWindowStart(snap.size(), windowDraws, true);
    std::vector<std::int8_t> grid(display ? static_cast<std::size_t>(kFormulas) * snap.size() : 0);
    FormulaEvaluation eval;
    double seconds = 0;
    long long formulas = 0;
    std::int64_t check = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const ListFormula& f = list[i];
            const Expression x = Expression::compile(f.expressionText);
            EvaluateFormula(snap, x, f.kind, f.kill, display ? 0 : start, eval);
            const FormulaFigures fig = formulaFigures(eval.hitsFrom(start), settings.weighted);
            const auto next = eval.nextValue();
            if (chance) {
                const ChanceFigures c = chanceFigures(eval, start, f.kind, f.kill, settings.weighted);
                check += static_cast<std::int64_t>(c.baseline + significance(c).p);
            }
            if (display) {
                eval.displayValues(DisplayColumn::NextIssue,
                                   std::span<std::int8_t>(grid).subspan(i * static_cast<std::size_t>(snap.size()),
                                                                        static_cast<std::size_t>(snap.size())));
            }
            check += fig.stats.hitSum + (next ? *next : 0);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        formulas += kFormulas;
        benchmark::DoNotOptimize(check);
    }
    record(state, name, seconds, formulas);
}

void BM_StatisticsPass_Window300(benchmark::State& state)
{
    benchEnginePass(state, 300, false, "engine, window 300");
}
void BM_StatisticsPass_AllDraws(benchmark::State& state)
{
    benchEnginePass(state, 0, false, "engine, all draws");
}
void BM_StatisticsPass_Window300_Chance(benchmark::State& state)
{
    benchEnginePass(state, 300, false, "engine, window 300 + chance figures", true);
}
void BM_StatisticsPass_AllDraws_Chance(benchmark::State& state)
{
    benchEnginePass(state, 0, false, "engine, all draws + chance figures", true);
}
void BM_StatisticsPass_AllDraws_PerDrawDisplay(benchmark::State& state)
{
    benchEnginePass(state, 0, true, "engine, all draws + per-draw display");
}

// The SQL-per-formula baseline: per formula UPDATE canshu, a walk carrying each value to the next draw, GSCS reset, the
// hit statement, then a read of GSCS over the window; on a database file, one transaction per formula.
void sqlBaseline(benchmark::State& state, int windowDraws, const std::string& name)
{
    static QTemporaryDir dir;
    static std::unique_ptr<SQLite::Database> db;
    if (!db) {
        db = std::make_unique<SQLite::Database>(QDir(dir.path()).filePath(QStringLiteral("formula.mdb")).toStdString(),
                                                SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        test::loadDrawTable(*db, history());
    }
    const auto& list = formulaList();
    const int window = windowDraws > 0 ? windowDraws : history().size() - 1;
    double seconds = 0;
    long long formulas = 0;
    std::size_t next = 0;
    int disagreements = 0;
    for (auto _ : state) {
        const ListFormula& f = list[next++ % list.size()];
        const auto t0 = std::chrono::steady_clock::now();
        const auto rows = test::sqlReferenceEvaluate(*db, f.sql, f.kind, f.kill, false, window, test::Carry::Walk);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++formulas;
        // Same verdicts as the engine (rows come newest first).
        const FormulaEvaluation e = EvaluateFormula(history(), Expression::compile(f.expressionText), f.kind, f.kill);
        for (std::size_t k = 0; k < rows.size(); ++k) {
            disagreements += rows[k].hit != e.hit(history().size() - 1 - static_cast<int>(k));
        }
    }
    state.counters["disagreements"] = disagreements;
    record(state, name, seconds, formulas);
}

void BM_SqlBaseline_Window300(benchmark::State& state)
{
    sqlBaseline(state, 300, "SQL-per-formula baseline, window 300");
}
void BM_SqlBaseline_AllDraws(benchmark::State& state)
{
    sqlBaseline(state, 0, "SQL-per-formula baseline, all draws");
}

// The pass as the formula list runs it (FormulaList::statisticsPass: figures, chance and forward figures, next
// values, the figures written back to the table) over formulas of the shape the search saves: a sum of
// 3 to 8 columns and a constant, kill and keep. Lists of 1 000 formulas of one table, and 100 000 formulas
// as five tables of 20 000; each measured on the integer path with both cores and on the sequential
// general evaluation.
using bench::SilentDialogs;

struct ListFixture {
    QTemporaryDir dir;
    Database db;
    std::unique_ptr<FormulaStore> store;
    SilentDialogs dialogs;
    std::unique_ptr<FormulaList> list;
    int perTable = 0;

    explicit ListFixture(int formulasPerTable) : perTable(formulasPerTable)
    {
        db.open(QDir(dir.path()).filePath(QStringLiteral("formula.mdb")), drawTableSchema());
        store = std::make_unique<FormulaStore>(db);
        list = std::make_unique<FormulaList>(*store, dialogs);
        std::mt19937_64 rng(20261208);
        std::uniform_int_distribution<int> number(1, 77);
        std::uniform_int_distribution<int> operands(3, 8);
        std::uniform_int_distribution<int> constant(0, 9);
        for (const FormulaKind& kind : kAllKinds) {
            std::vector<Formula> formulas;
            for (int i = 0; i < perTable; ++i) {
                Formula f;
                const int count = operands(rng);
                for (int k = 0; k < count; ++k) {
                    f.expressionText += QString::fromLatin1(paramCode(vocabularyParam(number(rng)))) + QLatin1Char('+');
                }
                f.expressionText += QString::number(constant(rng));
                f.kill = true;
                formulas.push_back(std::move(f));
            }
            store->appendFormulas(kind, formulas);
        }
    }
};

ListFixture& listFixture(int perTable)
{
    static std::map<int, std::unique_ptr<ListFixture>> fixtures;
    auto& f = fixtures[perTable];
    if (!f) {
        f = std::make_unique<ListFixture>(perTable);
    }
    return *f;
}

void listPass(benchmark::State& state, int perTable, int tables, int windowDraws, bool integer, const std::string& name)
{
    ListFixture& fx = listFixture(perTable);
    PassSettings settings{FigureSettings{windowDraws, true, true}, false, DisplayColumn::NextIssue};
    settings.integerPath = integer;
    settings.threads = integer ? 0 : 1;
    double seconds = 0;
    long long formulas = 0;
    for (auto _ : state) {
        for (int t = 0; t < tables; ++t) {
            fx.list->loadFormulas(kAllKinds[static_cast<std::size_t>(t)], true);
            const auto t0 = std::chrono::steady_clock::now();
            fx.list->statisticsPass(history(), settings);
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            formulas += fx.list->rowCount();
        }
    }
    state.counters["ms/pass"] = seconds * 1000.0 / static_cast<double>(state.iterations());
    record(state, name, seconds, formulas);
}

void BM_List1000_Window300_Integer(benchmark::State& state)
{
    listPass(state, 1000, 1, 300, true, "list 1000, window 300, integer path");
}
void BM_List1000_Window300_General(benchmark::State& state)
{
    listPass(state, 1000, 1, 300, false, "list 1000, window 300, general sequential");
}
void BM_List1000_AllDraws_Integer(benchmark::State& state)
{
    listPass(state, 1000, 1, 0, true, "list 1000, all draws, integer path");
}
void BM_List1000_AllDraws_General(benchmark::State& state)
{
    listPass(state, 1000, 1, 0, false, "list 1000, all draws, general sequential");
}
void BM_List100000_AllDraws_Integer(benchmark::State& state)
{
    listPass(state, 20000, 5, 0, true, "list 100000, all draws, integer path");
}
void BM_List100000_AllDraws_General(benchmark::State& state)
{
    listPass(state, 20000, 5, 0, false, "list 100000, all draws, general sequential");
}

} // namespace

BENCHMARK(BM_List1000_Window300_Integer)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_List1000_Window300_General)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_List1000_AllDraws_Integer)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_List1000_AllDraws_General)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_List100000_AllDraws_Integer)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_List100000_AllDraws_General)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_StatisticsPass_Window300)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StatisticsPass_AllDraws)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StatisticsPass_Window300_Chance)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StatisticsPass_AllDraws_Chance)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StatisticsPass_AllDraws_PerDrawDisplay)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SqlBaseline_Window300)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_SqlBaseline_AllDraws)->Unit(benchmark::kMillisecond)->Iterations(8);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nformulas per second (%d draws, %d formulas per pass)\n", history().size(), kFormulas);
    for (const auto& [name, rate] : g_formulasPerSecond) {
        std::printf("  %-45s %12.1f\n", name.c_str(), rate);
    }
    const auto ratio = [](const char* engine, const char* baseline) {
        const auto e = g_formulasPerSecond.find(engine);
        const auto l = g_formulasPerSecond.find(baseline);
        if (e != g_formulasPerSecond.end() && l != g_formulasPerSecond.end()) {
            std::printf("  speed-up %-31s %12.0fx\n", engine, e->second / l->second);
        }
    };
    ratio("list 1000, window 300, integer path", "list 1000, window 300, general sequential");
    ratio("list 1000, all draws, integer path", "list 1000, all draws, general sequential");
    ratio("list 100000, all draws, integer path", "list 100000, all draws, general sequential");
    for (const char* name : {"list 1000, window 300, integer path", "list 1000, all draws, integer path",
                             "list 1000, window 300, general sequential", "list 1000, all draws, general sequential"}) {
        const auto it = g_formulasPerSecond.find(name);
        if (it != g_formulasPerSecond.end()) {
            std::printf("  %-45s %9.2f ms per 1000 formulas\n", name, 1000.0 / it->second * 1000.0);
        }
    }
    for (const char* name : {"list 100000, all draws, integer path", "list 100000, all draws, general sequential"}) {
        const auto it = g_formulasPerSecond.find(name);
        if (it != g_formulasPerSecond.end()) {
            std::printf("  %-45s %9.2f s per 100000 formulas\n", name, 100000.0 / it->second);
        }
    }
    ratio("engine, window 300", "SQL-per-formula baseline, window 300");
    ratio("engine, all draws", "SQL-per-formula baseline, all draws");
    return 0;
}
