// The bet list's recount ("投注单"): every change of a filter or a kept digit rebuilds the list over the
// whole 1 000-number space. Measured: the count alone, the full list (the window's model), and a 组选 list,
// each with every filter off and with eight filters on, plus the exclusion of the newest 30 draws read from
// the real history. The target is well under 1 ms per recount.
#include "BenchHistory.h"
#include "bets/BetList.h"

#include <benchmark/benchmark.h>

using namespace korvel;

namespace {

BetFilters manyFilters()
{
    BetFilters f;
    f.sum.on = true;
    for (int s = 8; s <= 19; ++s) {
        f.sum.values.set(static_cast<std::size_t>(s));
    }
    f.span.on = true;
    f.span.values.set(3).set(4).set(5).set(6).set(7);
    f.form.on = true;
    f.form.values.set(1).set(2);
    f.dan = {true, std::bitset<10>("0000100110"), false};
    f.oddCount.on = true;
    f.oddCount.values.set(1).set(2);
    f.bigCount.on = true;
    f.bigCount.values.set(1).set(2);
    f.road.on = true;
    f.road.values = *parseRoadPatterns("0**,1**", nullptr);
    f.recent = {true, 30};
    return f;
}

const std::bitset<1000>& recent()
{
    static const std::bitset<1000> r = [] {
        const HistorySnapshot h = bench::realHistory();
        return recentNumbers(h, h.size(), 30);
    }();
    return r;
}

void countAll(benchmark::State& state, bool filtered)
{
    const BetFilters f = filtered ? manyFilters() : BetFilters{};
    const KeptDigits kept = allDigitsKept();
    for (auto _ : state) {
        benchmark::DoNotOptimize(BetList::count(kept, BetPlay::Direct, f, recent()));
    }
}

void buildList(benchmark::State& state, BetPlay play, bool filtered)
{
    const BetFilters f = filtered ? manyFilters() : BetFilters{};
    const KeptDigits kept = allDigitsKept();
    int size = 0;
    for (auto _ : state) {
        const BetList list = BetList::build(kept, play, f, recent());
        size = list.size();
        benchmark::DoNotOptimize(size);
    }
    state.counters["bets"] = size;
}

void BM_CountDirectNoFilter(benchmark::State& s)
{
    countAll(s, false);
}
void BM_CountDirectEightFilters(benchmark::State& s)
{
    countAll(s, true);
}
void BM_BuildDirectNoFilter(benchmark::State& s)
{
    buildList(s, BetPlay::Direct, false);
}
void BM_BuildDirectEightFilters(benchmark::State& s)
{
    buildList(s, BetPlay::Direct, true);
}
void BM_BuildGroupNoFilter(benchmark::State& s)
{
    buildList(s, BetPlay::Group, false);
}
void BM_BuildGroupEightFilters(benchmark::State& s)
{
    buildList(s, BetPlay::Group, true);
}

} // namespace

BENCHMARK(BM_CountDirectNoFilter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountDirectEightFilters)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildDirectNoFilter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildDirectEightFilters)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildGroupNoFilter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildGroupEightFilters)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
