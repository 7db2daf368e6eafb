// Search verification speed on the real draw history padded to 8 000 draws, 8 operands per candidate:
// the search kernel on one thread, the whole search on one and two workers, and the SQL-per-formula baseline (SQL
// updates over the draw table on SQLite for every candidate) measured in the same run.
#include "BenchHistory.h"
#include "BenchPairs.h"
#include "HandKernel.h"
#include "history/DrawTableSchema.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "search/Candidate.h"
#include "search/CandidateSpace.h"
#include "search/SearchJobs.h"
#include "search/SearchRunner.h"
#include "search/VerificationKernel.h"

#include <benchmark/benchmark.h>

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

using namespace korvel;

namespace {

constexpr int kDraws = 8000;
constexpr int kOperands = 8;

// The real history padded to kDraws.
const HistorySnapshot& history()
{
    static const HistorySnapshot snapshot = bench::realHistory(kDraws);
    return snapshot;
}

std::vector<Candidate> candidates(int n)
{
    CandidateGenerator gen(12345);
    std::vector<Candidate> out;
    for (int i = 0; i < n; ++i) {
        out.push_back(gen.next({kOperands, ConstantMode::Random, 0}));
    }
    return out;
}

// state.range(0): window (0 = all draws); state.range(1): 1 for the baseline loops, else the widest.
void BM_Kernel(benchmark::State& state)
{
    const auto data = std::make_shared<KernelData>(history(), static_cast<int>(state.range(0)), true);
    const KernelIsa isa = state.range(1) == 1 ? KernelIsa::Baseline : bestKernelIsa();
    const VerificationKernel kernel(data, FormulaKind{1, Play::Single}, true, isa);
    const std::vector<Candidate> cs = candidates(4096);
    KernelScratch scratch;
    std::size_t i = 0;
    std::int64_t sink = 0;
    for (auto _ : state) {
        const FormulaFigures f = kernel.figures(cs[i++ & 4095], scratch);
        sink += f.stats.trueLst;
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel((state.range(0) == 0 ? std::string("all draws") : "window " + std::to_string(state.range(0))) +
                   (isa == KernelIsa::Avx2 ? ", AVX2" : ", baseline"));
}
BENCHMARK(BM_Kernel)->Args({300, 0})->Args({300, 1})->Args({0, 0})->Args({0, 1});

#if KORVEL_HAVE_HAND_KERNEL
// The candidates the hand kernel can take (non-negative columns, sums below 32768): the first 4096 of
// `drawn` random ones.
std::vector<Candidate> handCandidates(const KernelData& data, int drawn)
{
    std::vector<Candidate> cs;
    for (const Candidate& c : candidates(drawn)) {
        std::int64_t hi = c.constant;
        bool ok = true;
        for (int k = 0; k < c.operandCount; ++k) {
            ok = ok && data.nonNegative(c.operands[static_cast<std::size_t>(k)]);
            hi += data.columnMax(c.operands[static_cast<std::size_t>(k)]);
        }
        if (ok && hi < 32768 && cs.size() < 4096) {
            cs.push_back(c);
        }
    }
    return cs;
}

// The hand kernel over n of its candidates in turn, from the one at `from`.
std::int64_t handRun(const KernelData& data, const std::vector<Candidate>& cs, std::int64_t from, std::int64_t n,
                     std::vector<std::uint64_t>& misses)
{
    std::int64_t sink = 0;
    for (std::int64_t i = from; i < from + n; ++i) {
        sink += bench::handKernel(data, cs[static_cast<std::size_t>(i) % cs.size()], misses.data()).trueLst;
    }
    return sink;
}

// A product side against the hand kernel in interleaved pairs, so that both meet the same machine load:
// every benchmark iteration runs `subject` (which returns how many candidates it verified), then
// `anchor(n)` over as many candidates of its own. Each side is put as time per million candidates: the
// CPU time is what a core pays per candidate, and rate_vs_hand (the hand kernel's CPU time over the
// product's) is the product's rate per core-second as a share of the hand kernel's.
template <typename Subject, typename Anchor>
void interleavedPairs(benchmark::State& state, const std::string& name, Subject&& subject, Anchor&& anchor)
{
    bench::Pairs pairs;
    for (auto _ : state) {
        std::int64_t n = 0;
        bench::Timing product = bench::timed([&] { n = std::max<std::int64_t>(1, subject()); });
        std::int64_t m = n;
        bench::Timing hand = bench::timed([&] { m = std::max<std::int64_t>(1, anchor(n)); });
        const double perProduct = 1e6 / static_cast<double>(n);
        const double perHand = 1e6 / static_cast<double>(m);
        product.wall *= perProduct;
        product.cpu *= perProduct;
        hand.wall *= perHand;
        hand.cpu *= perHand;
        pairs.add(product, hand);
    }
    pairs.finish(state, name);
    const bench::PairResult& r = bench::pairResults()[name];
    state.counters["rate_vs_hand"] = r.subjectCpu > 0 ? r.anchorCpu / r.subjectCpu : 0.0;
    state.counters["product_per_cpu_s"] = r.subjectCpu > 0 ? 1e6 / r.subjectCpu : 0.0;
    state.counters["hand_per_cpu_s"] = r.anchorCpu > 0 ? 1e6 / r.anchorCpu : 0.0;
    state.counters["product_per_wall_s"] = r.subjectWall > 0 ? 1e6 / r.subjectWall : 0.0;
}

std::string windowText(int window)
{
    return window == 0 ? std::string("all draws") : "window " + std::to_string(window);
}

// The search kernel beside the hand-written int16 kernel on the same candidates, in slices of 256 (one
// pair each); every candidate's figures must agree. state.range(0): window (0 = all draws).
void BM_KernelVsHand(benchmark::State& state)
{
    const int window = static_cast<int>(state.range(0));
    const auto data = std::make_shared<KernelData>(history(), window, true);
    const VerificationKernel kernel(data, FormulaKind{1, Play::Single}, true);
    const std::vector<Candidate> cs = handCandidates(*data, 8192);
    KernelScratch scratch;
    std::vector<std::uint64_t> misses(static_cast<std::size_t>(data->paddedRows() / 64 + 2));
    for (const Candidate& c : cs) {
        const FormulaStats a = kernel.figures(c, scratch).stats;
        const FormulaStats b = bench::handKernel(*data, c, misses.data());
        if (a.hitSum != b.hitSum || a.total != b.total || a.errCon != b.errCon || a.trueCon != b.trueCon ||
            a.errLst != b.errLst || a.trueLst != b.trueLst) {
            state.SkipWithError("the hand kernel and the search kernel disagree");
            return;
        }
    }
    constexpr std::int64_t kSlice = 256;
    std::int64_t slices = 0;
    std::int64_t sink = 0;
    std::int64_t from = 0; // both sides take the same slice
    interleavedPairs(
        state, "kernel vs hand kernel, " + windowText(window) + ", per 1M",
        [&] {
            from = (slices++ % 16) * kSlice;
            for (std::int64_t i = from; i < from + kSlice; ++i) {
                sink += kernel.figures(cs[static_cast<std::size_t>(i) % cs.size()], scratch).stats.trueLst;
            }
            return kSlice;
        },
        [&](std::int64_t n) {
            sink += handRun(*data, cs, from, n, misses);
            return n;
        });
    benchmark::DoNotOptimize(sink);
    state.SetLabel(windowText(window) + ", " + std::to_string(cs.size()) + " candidates");
}
BENCHMARK(BM_KernelVsHand)->Arg(300)->Arg(0);
#endif

// The whole search (generation in order-preserving batches, workers, in-order hand-over) for a fixed
// wall-clock time. Thresholds nothing meets, so the search never stops by itself.
// state.range(0): window (0 = all draws); state.range(1): worker threads.
void BM_Search(benchmark::State& state)
{
    const auto data = std::make_shared<KernelData>(history(), static_cast<int>(state.range(0)), true);
    const Thresholds none = Thresholds::fromTexts({"101", "100", "0", "0", "0", "0", "0", "0", "0", "0"});
    std::int64_t verified = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const std::clock_t cpu0 = std::clock();
        SearchRecord record;
        CandidateGenerator gen(7);
        ManualSearchJob job(record, data, FormulaKind{1, Play::Single}, true, {kOperands, ConstantMode::Random, 0},
                            none, DisplayForm::Bracket, std::nullopt);
        SearchRunner runner(static_cast<int>(state.range(1)));
        runner.start(job, gen);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        runner.pause();
        cpuSeconds += static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
        verified += record.verified;
    }
    state.SetItemsProcessed(verified);
    // On a shared machine the workers may not get whole cores: this is the rate per core-second used.
    state.counters["per_cpu_second"] = benchmark::Counter(static_cast<double>(verified) / cpuSeconds);
    state.counters["cores_used"] = benchmark::Counter(cpuSeconds / (0.5 * static_cast<double>(state.iterations())));
    state.SetLabel((state.range(0) == 0 ? std::string("all draws") : "window " + std::to_string(state.range(0))) +
                   ", " + std::to_string(state.range(1)) + " thread(s)");
}
BENCHMARK(BM_Search)
    ->Args({300, 1})
    ->Args({300, 2})
    ->Args({0, 1})
    ->Args({0, 2})
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

#if KORVEL_HAVE_HAND_KERNEL
// The whole search against the hand kernel in interleaved pairs: every round runs a fresh search (the
// sampled 8-operand space, state.range(1) workers) for 0.5 s, then the hand kernel over as many candidates
// of its own kind (at most 4 million) on as many threads, each on its share: with both cores busy each
// runs slower than alone (shared caches and memory), and the anchor meets the same. state.range(0):
// window (0 = all draws); state.range(2): the round's length in ms (a search that runs longer than the
// usual 500 spreads the growth of its tried set, and the first touch of its memory, over more candidates).
void BM_SearchVsHand(benchmark::State& state)
{
    const int window = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const int roundMs = static_cast<int>(state.range(2));
    const auto data = std::make_shared<KernelData>(history(), window, true);
    const Thresholds none = Thresholds::fromTexts({"101", "100", "0", "0", "0", "0", "0", "0", "0", "0"});
    const std::vector<Candidate> cs = handCandidates(*data, 16384);
    std::vector<std::uint64_t> misses(static_cast<std::size_t>(data->paddedRows() / 64 + 2));
    std::int64_t sink = 0;
    std::uint64_t seed = 7;
    interleavedPairs(
        state,
        "search vs hand kernel, " + windowText(window) + ", " + std::to_string(threads) + " thread(s)" +
            (roundMs != 500 ? ", " + std::to_string(roundMs / 1000) + " s rounds" : std::string()) + ", per 1M",
        [&] {
            SearchRecord record;
            CandidateGenerator gen(seed++);
            ManualSearchJob job(record, data, FormulaKind{1, Play::Single}, true, {kOperands, ConstantMode::Random, 0},
                                none, DisplayForm::Bracket, std::nullopt);
            SearchRunner runner(threads);
            runner.start(job, gen);
            std::this_thread::sleep_for(std::chrono::milliseconds(roundMs));
            runner.pause();
            return record.verified;
        },
        [&](std::int64_t n) {
            n = std::min<std::int64_t>(n, 4'000'000);
            if (threads <= 1) {
                sink += handRun(*data, cs, 0, n, misses);
                return n;
            }
            std::vector<std::int64_t> sinks(static_cast<std::size_t>(threads), 0);
            std::vector<std::thread> pool;
            for (int t = 0; t < threads; ++t) {
                pool.emplace_back([&, t] {
                    std::vector<std::uint64_t> own(misses.size());
                    const std::int64_t from = n * t / threads;
                    const std::int64_t to = n * (t + 1) / threads;
                    sinks[static_cast<std::size_t>(t)] = handRun(*data, cs, from, to - from, own);
                });
            }
            for (std::thread& th : pool) {
                th.join();
            }
            for (const std::int64_t v : sinks) {
                sink += v;
            }
            return n;
        });
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_SearchVsHand)
    ->Args({300, 1, 500})
    ->Args({300, 2, 500})
    ->Args({0, 1, 500})
    ->Args({0, 2, 500})
    ->UseRealTime()
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchVsHand)
    ->Args({300, 1, 3000})
    ->Args({300, 2, 3000})
    ->UseRealTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
#endif

// The exhaustive 2-operand 个位 keep space (every constant 0-9: 30 030 candidates) on the real history
// (7 760 draws), searched to its end, beside the random search of the same settings over the same number
// of candidates: sampled without repeats (what a larger space gets) and with repeats (candidates drawn
// independently). Default window 300, weighted, two workers; thresholds nothing meets, so that every run
// verifies the same number of candidates. state.range(0): 0 enumerated, 1 sampled without repeats,
// 2 sampled with repeats.
void BM_ExhaustiveVsRandom(benchmark::State& state)
{
    static const HistorySnapshot real = bench::realHistory();
    const auto data = std::make_shared<KernelData>(real, 300, true);
    const Thresholds none = Thresholds::fromTexts({"101", "100", "0", "0", "0", "0", "0", "0", "0", "0"});
    CandidateRule rule;
    rule.operandCount = 2;
    rule.constantMode = ConstantMode::Random;
    const std::uint64_t space = CandidateSpace(rule).size();
    const int mode = static_cast<int>(state.range(0));
    std::int64_t verified = 0;
    for (auto _ : state) {
        SearchRecord record;
        CandidateGenerator gen(7);
        SearchStage stage = stageOf(rule, mode == 0 ? kDefaultExhaustiveLimit : 0);
        if (mode == 2) {
            stage.space.reset(); // no space: independent draws
        }
        ManualSearchJob job(record, data, FormulaKind{1, Play::Single}, false, std::vector<SearchStage>{stage}, none,
                            DisplayForm::Bracket, std::nullopt, static_cast<std::int64_t>(space));
        SearchRunner runner(2);
        runner.start(job, gen);
        runner.waitFinished();
        runner.pause();
        verified += record.verified;
    }
    state.SetItemsProcessed(verified);
    state.SetLabel(std::to_string(real.size()) + " draws, " + std::to_string(space) + " candidates, " +
                   (mode == 0   ? "enumerated"
                    : mode == 1 ? "sampled without repeats"
                                : "sampled with repeats"));
}
BENCHMARK(BM_ExhaustiveVsRandom)->Arg(0)->Arg(1)->Arg(2)->UseRealTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// The SQL-per-formula baseline: every candidate verified by SQL over the draw table `Lishi` on SQLite - the value
// update, the ordered walk that carries the remainder to the next draw, the two hit updates and the read
// pass of the statistics - one transaction per candidate.
struct SqlBaselineDb {
    QTemporaryDir dir;
    std::unique_ptr<SQLite::Database> db;

    SqlBaselineDb()
    {
        db = std::make_unique<SQLite::Database>(dir.filePath(QStringLiteral("formula.mdb")).toStdString(),
                                                SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        schema::create(*db, drawTableSchema());
        std::string sql = "INSERT INTO Lishi (strQQH";
        for (int i = 0; i < kParamCount; ++i) {
            sql += std::string(", ") + paramCode(paramAt(i));
        }
        sql += ") VALUES (?";
        for (int i = 0; i < kParamCount; ++i) {
            sql += ", ?";
        }
        sql += ")";
        SQLite::Transaction tx(*db);
        SQLite::Statement ins(*db, sql);
        const HistorySnapshot& h = history();
        for (int r = 0; r < h.size(); ++r) {
            ins.bind(1, h.issue(r).toStdString());
            for (int i = 0; i < kParamCount; ++i) {
                ins.bind(i + 2, h.value(r, paramAt(i)));
            }
            ins.exec();
            ins.reset();
        }
        tx.commit();
    }
};

FormulaStats sqlBaselineVerify(SQLite::Database& db, const QString& expression, int window)
{
    SQLite::Transaction tx(db);
    db.exec("UPDATE [Lishi] SET [canshu]=" + expression.toStdString());
    {
        SQLite::Statement walk(db, "SELECT strQQH, canshu FROM Lishi ORDER BY strQQH");
        SQLite::Statement set(db, "UPDATE Lishi SET PreCanshu = ? WHERE strQQH = ?");
        bool first = true;
        long long carry = 0;
        while (walk.executeStep()) {
            if (!first) {
                set.bind(1, static_cast<double>(carry));
                set.bind(2, walk.getColumn(0).getString());
                set.exec();
                set.reset();
            }
            carry = static_cast<long long>(walk.getColumn(1).getDouble()) % 10;
            first = false;
        }
    }
    db.exec("UPDATE [Lishi] SET [GSGL] = FALSE");
    db.exec("UPDATE [Lishi] SET [GSGL] = TRUE WHERE ([PreCanshu] <> [L3A])");
    FormulaStats s;
    SQLite::Statement read(db, "SELECT GSGL FROM Lishi ORDER BY strQQH");
    const int n = history().size();
    const int skip = window == 0 ? 1 : std::max(0, n - window - 1);
    int row = 0;
    std::int64_t k = 0;
    int hitRun = 0;
    int missRun = 0;
    while (read.executeStep()) {
        if (row++ < skip) {
            continue;
        }
        ++k;
        s.total += k * k;
        if (read.getColumn(0).getInt() != 0) {
            s.hitSum += k * k;
            missRun = 0;
            s.trueCon = static_cast<std::int16_t>(std::max<int>(s.trueCon, ++hitRun));
        } else {
            hitRun = 0;
            s.errCon = static_cast<std::int16_t>(std::max<int>(s.errCon, ++missRun));
        }
    }
    s.trueLst = static_cast<std::int16_t>(hitRun);
    s.errLst = static_cast<std::int16_t>(missRun);
    s.rate = static_cast<float>(static_cast<double>(s.hitSum) / static_cast<double>(s.total) * 100.0);
    tx.commit();
    return s;
}

void BM_SqlBaseline(benchmark::State& state)
{
    static SqlBaselineDb baselineDb;
    const std::vector<Candidate> cs = candidates(64);
    // Both designs must give the same figures, or the comparison means nothing.
    {
        const VerificationKernel kernel(std::make_shared<KernelData>(history(), 300, true),
                                        FormulaKind{1, Play::Single}, true);
        KernelScratch scratch;
        const FormulaStats fast = kernel.figures(cs[0], scratch).stats;
        const FormulaStats sql = sqlBaselineVerify(*baselineDb.db, candidateExpression(cs[0]), 300);
        if (fast.hitSum != sql.hitSum || fast.total != sql.total || fast.trueCon != sql.trueCon ||
            fast.errCon != sql.errCon || fast.trueLst != sql.trueLst || fast.errLst != sql.errLst) {
            state.SkipWithError("the SQL design and the kernel disagree");
            return;
        }
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sqlBaselineVerify(*baselineDb.db, candidateExpression(cs[i++ % cs.size()]), 300));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("SQL per candidate, window 300");
}
BENCHMARK(BM_SqlBaseline)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!bench::pairResults().empty()) {
        bench::printPairSummary("product", "hand kernel");
    }
    return 0;
}
