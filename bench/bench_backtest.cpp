// The walk-forward method backtest ("方法回测", 滚动搜索) on the real 福彩3D history: 100 steps, each a search
// for 200 kill formulas of 8 operands at 个位 with the default thresholds over a window of 300 draws, then
// the tally of the found formulas; and the fixed-formula backtest of 200 formulas for comparison.
#include "BenchHistory.h"
#include "search/SearchKind.h"
#include "search/ThresholdTable.h"
#include "search/WalkForwardSearch.h"
#include "tally/MethodBacktest.h"

#include <benchmark/benchmark.h>

using namespace korvel;

namespace {

const HistorySnapshot& history()
{
    static const HistorySnapshot snapshot = bench::realHistory();
    return snapshot;
}

BacktestRequest request(BacktestMode mode)
{
    BacktestRequest r;
    r.choice.position = 1;
    r.choice.kill = true;
    r.choice.method = TallyMethod::Selected;
    r.draws = 100;
    r.mode = mode;
    r.figures.windowDraws = 300;
    return r;
}

WalkForwardPlan plan(int threads)
{
    WalkForwardPlan p;
    const ThresholdTable defaults;
    p.kinds.emplace(
        1, KindPlan{CandidateRule{8, ConstantMode::Specified, 0}, Thresholds::fromTexts(defaults.texts(1, true))});
    p.formulasPerStep = 200;
    p.candidatesPerStep = 20'000'000;
    p.seed = 11;
    p.threads = threads;
    p.windowDraws = 300;
    p.weighted = true;
    return p;
}

void BM_WalkForward(benchmark::State& state)
{
    const int threads = static_cast<int>(state.range(0));
    std::int64_t formulas = 0;
    for (auto _ : state) {
        const BacktestResult r =
            runMethodBacktest(history(), request(BacktestMode::WalkForward), walkForwardSource(plan(threads)),
                              [](const FormulaKind&, int) { return true; });
        if (!r.done()) {
            state.SkipWithError("backtest refused");
        }
        for (const BacktestDraw& d : r.draws) {
            formulas += d.slotResults[0].formulas;
        }
    }
    state.counters["formulasPerStep"] = static_cast<double>(formulas) / 100.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WalkForward)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_FixedFormulas(benchmark::State& state)
{
    // 200 formulas of 8 operands, as a search would have stored them.
    std::vector<Formula> list;
    CandidateGenerator gen(7);
    for (int i = 0; i < 200; ++i) {
        Formula f;
        f.idx = i + 1;
        f.expressionText = candidateExpression(gen.next({8, ConstantMode::Specified, 0}));
        list.push_back(f);
    }
    for (auto _ : state) {
        const BacktestResult r =
            runMethodBacktest(history(), request(BacktestMode::Fixed),
                              fixedFormulaSource([&list](const FormulaKind&, bool) { return list; }),
                              [](const FormulaKind&, int) { return true; });
        benchmark::DoNotOptimize(r.draws.size());
    }
}
BENCHMARK(BM_FixedFormulas)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
