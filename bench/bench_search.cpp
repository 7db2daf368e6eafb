// Search verification speed on the real draw history padded to 8 000 draws, 8 operands per candidate:
// the search kernel on one thread, the whole search on one and two workers, and the SQL-per-formula baseline (SQL
// updates over the draw table on SQLite for every candidate) measured in the same run.
#include "BenchHistory.h"
#include "BenchPairs.h"
#include "HandKernel.h"
#include "history/HistorySnapshot.h"
#include "history/LishiSchema.h"
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
double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The search kernel beside the hand-written int16 kernel on the same candidates, in alternating slices of
// 256 so that both meet the same machine load; each side's thread CPU time is summed. Candidates whose
// sums could leave the hand kernel's range are left out; every candidate's figures must agree.
// state.range(0): window (0 = all draws).
void BM_KernelVsHand(benchmark::State& state)
{
    const auto data = std::make_shared<KernelData>(history(), static_cast<int>(state.range(0)), true);
    const VerificationKernel kernel(data, FormulaKind{1, Play::Single}, true);
    std::vector<Candidate> cs;
    for (const Candidate& c : candidates(8192)) {
        std::int64_t hi = c.constant;
        bool ok = true;
        for (int k = 0; k < c.operandCount; ++k) {
            ok = ok && data->nonNegative(c.operands[static_cast<std::size_t>(k)]);
            hi += data->columnMax(c.operands[static_cast<std::size_t>(k)]);
        }
        if (ok && hi < 32768 && cs.size() < 4096) {
            cs.push_back(c);
        }
    }
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
    double productSeconds = 0;
    double handSeconds = 0;
    std::int64_t slices = 0;
    std::int64_t sink = 0;
    for (auto _ : state) {
        const std::size_t from = static_cast<std::size_t>(slices % 16) * 256;
        double t0 = threadSeconds();
        for (std::size_t i = from; i < from + 256; ++i) {
            sink += kernel.figures(cs[i % cs.size()], scratch).stats.trueLst;
        }
        double t1 = threadSeconds();
        productSeconds += t1 - t0;
        for (std::size_t i = from; i < from + 256; ++i) {
            sink += bench::handKernel(*data, cs[i % cs.size()], misses.data()).trueLst;
        }
        t0 = threadSeconds();
        handSeconds += t0 - t1;
        ++slices;
    }
    benchmark::DoNotOptimize(sink);
    const double n = static_cast<double>(slices) * 256;
    state.counters["product_per_s"] = benchmark::Counter(n / productSeconds);
    state.counters["hand_per_s"] = benchmark::Counter(n / handSeconds);
    state.counters["ratio"] = benchmark::Counter(handSeconds / productSeconds);
    state.SetLabel((state.range(0) == 0 ? std::string("all draws") : "window " + std::to_string(state.range(0))) +
                   ", " + std::to_string(cs.size()) + " candidates, ratio = hand time / product time");
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
// The whole search against the hand kernel in interleaved pairs, so that both meet the same machine load:
// every round runs a fresh search (the sampled 8-operand space, state.range(1) workers) for 0.5 s, then
// the hand kernel on one thread over as many candidates of its own kind (the candidates it can take, see
// BM_KernelVsHand). Each side is put as time per million candidates: the CPU time is what a core pays per
// candidate, and rate_vs_hand (the hand kernel's CPU time over the search's) is the search's rate per
// core-second as a share of the hand kernel's. state.range(0): window (0 = all draws).
void BM_SearchVsHand(benchmark::State& state)
{
    const int window = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const auto data = std::make_shared<KernelData>(history(), window, true);
    const Thresholds none = Thresholds::fromTexts({"101", "100", "0", "0", "0", "0", "0", "0", "0", "0"});
    std::vector<Candidate> cs;
    for (const Candidate& c : candidates(16384)) {
        std::int64_t hi = c.constant;
        bool ok = true;
        for (int k = 0; k < c.operandCount; ++k) {
            ok = ok && data->nonNegative(c.operands[static_cast<std::size_t>(k)]);
            hi += data->columnMax(c.operands[static_cast<std::size_t>(k)]);
        }
        if (ok && hi < 32768 && cs.size() < 4096) {
            cs.push_back(c);
        }
    }
    std::vector<std::uint64_t> misses(static_cast<std::size_t>(data->paddedRows() / 64 + 2));
    bench::Pairs pairs;
    std::int64_t sink = 0;
    std::uint64_t seed = 7;
    for (auto _ : state) {
        SearchRecord record;
        CandidateGenerator gen(seed++);
        ManualSearchJob job(record, data, FormulaKind{1, Play::Single}, true, {kOperands, ConstantMode::Random, 0},
                            none, DisplayForm::Bracket, std::nullopt);
        SearchRunner runner(threads);
        bench::Timing search = bench::timed([&] {
            runner.start(job, gen);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            runner.pause();
        });
        const std::int64_t verified = std::max<std::int64_t>(1, record.verified);
        const std::int64_t n = std::min<std::int64_t>(verified, 4'000'000);
        bench::Timing hand = bench::timed([&] {
            for (std::int64_t i = 0; i < n; ++i) {
                sink += bench::handKernel(*data, cs[static_cast<std::size_t>(i) % cs.size()], misses.data()).trueLst;
            }
        });
        const double perSearch = 1e6 / static_cast<double>(verified);
        const double perHand = 1e6 / static_cast<double>(n);
        search.wall *= perSearch;
        search.cpu *= perSearch;
        hand.wall *= perHand;
        hand.cpu *= perHand;
        pairs.add(search, hand);
    }
    benchmark::DoNotOptimize(sink);
    const std::string name = std::string("search vs hand kernel, ") +
                             (window == 0 ? std::string("all draws") : "window " + std::to_string(window)) + ", " +
                             std::to_string(threads) + " thread(s), per 1M";
    pairs.finish(state, name);
    const bench::PairResult& r = bench::pairResults()[name];
    state.counters["rate_vs_hand"] = r.subjectCpu > 0 ? r.anchorCpu / r.subjectCpu : 0.0;
    state.counters["search_per_cpu_s"] = r.subjectCpu > 0 ? 1e6 / r.subjectCpu : 0.0;
    state.counters["hand_per_cpu_s"] = r.anchorCpu > 0 ? 1e6 / r.anchorCpu : 0.0;
    state.counters["search_per_wall_s"] = r.subjectWall > 0 ? 1e6 / r.subjectWall : 0.0;
}
BENCHMARK(BM_SearchVsHand)
    ->Args({300, 1})
    ->Args({300, 2})
    ->Args({0, 1})
    ->Args({0, 2})
    ->UseRealTime()
    ->Iterations(7)
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
        schema::create(*db, lishiSchema());
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
        bench::printPairSummary("search", "hand kernel");
    }
    return 0;
}
