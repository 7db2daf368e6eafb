// The history ranking ("公式往期位置值结果列表") over the real draw history padded to 8 000 draws with 1 000
// selected formulas: our computation (each formula evaluated once over the whole history) and the filling of
// its list, beside the SQL-per-formula baseline measured in the same run. The baseline evaluates every formula
// once per draw by an SQL update over the draw table and walks the table from its first row to that draw,
// so a full run costs draws x formulas such steps; a full run would take days, so it is estimated from a
// timed sample of those steps (the estimate is printed as such).
#include "BenchHistory.h"
#include "formula/Formula.h"
#include "history/DrawTableSchema.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"
#include "platform/Database.h"
#include "tally/HistoryRanking.h"
#include "tally/RankingList.h"

#include <benchmark/benchmark.h>

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>

using namespace korvel;

namespace {

constexpr int kDraws = 8000;
constexpr int kFormulas = 1000;

// The real history padded to kDraws.
const HistorySnapshot& history()
{
    static const HistorySnapshot snapshot = bench::realHistory(kDraws);
    return snapshot;
}

// Formulas of the kind users collect: sums of 3 to 6 parameters, now and then a multiple, a remainder or a
// constant. Seeded, so every run measures the same list.
const std::vector<Formula>& formulas()
{
    static const std::vector<Formula> list = [] {
        std::mt19937 gen(20070001);
        std::uniform_int_distribution<int> param(0, kParamCount - 1);
        std::uniform_int_distribution<int> terms(3, 6);
        std::uniform_int_distribution<int> shape(0, 9);
        std::uniform_int_distribution<int> small(2, 9);
        std::vector<Formula> out;
        for (int i = 0; i < kFormulas; ++i) {
            QString text;
            const int n = terms(gen);
            for (int t = 0; t < n; ++t) {
                const QString code = QString::fromLatin1(paramCode(paramAt(param(gen))));
                QString term;
                switch (shape(gen)) {
                case 0:
                    term = QStringLiteral("%1*%2").arg(code).arg(small(gen));
                    break;
                case 1:
                    term = QStringLiteral("(%1 MOD %2)").arg(code).arg(small(gen));
                    break;
                case 2:
                    term = QString::number(small(gen));
                    break;
                default:
                    term = code;
                }
                text += (t ? QStringLiteral("+") : QString()) + term;
            }
            Formula f;
            f.idx = i + 1;
            f.expressionText = text;
            f.displayText = text;
            f.kill = true;
            out.push_back(f);
        }
        return out;
    }();
    return list;
}

void BM_HistoryRanking(benchmark::State& state)
{
    const HistorySnapshot& h = history();
    const std::vector<Formula>& f = formulas();
    for (auto _ : state) {
        RankingRun run = computeHistoryRanking(h, f, true);
        benchmark::DoNotOptimize(run.store.rankErr.data());
        if (!run.complete) {
            state.SkipWithError("ranking did not complete");
        }
    }
    state.counters["draws"] = h.size();
    state.counters["formulas"] = static_cast<double>(f.size());
    state.SetLabel("each formula once over the whole history");
}
BENCHMARK(BM_HistoryRanking)->Unit(benchmark::kMillisecond)->Iterations(5);

// Filling the view's list (27 columns and the Err value columns) for one position and play.
void BM_RankingList(benchmark::State& state)
{
    static const RankingRun run = computeHistoryRanking(history(), formulas(), true);
    for (auto _ : state) {
        RankingList list(run.store, 3, state.range(0) ? Play::Group : Play::Single);
        benchmark::DoNotOptimize(list.rowCount());
    }
    state.SetLabel(state.range(0) ? "百位通选" : "百位单选");
}
BENCHMARK(BM_RankingList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The SQL-per-formula baseline on SQLite: for draw n and one formula, "UPDATE [Lishi] SET [canshu]=" + the formula,
// then a walk of "SELECT * FROM lishi ORDER BY strQQH" from the first row to draw n to read its canshu. A
// full run repeats this for every draw and every formula (plus ten Errarr updates and one ordered read
// per draw, which are left out here and only make it slower).
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

// SQLite spells MOD as %, with the dividend's sign like the engine (every operand here is an integer).
std::string sqlOf(const QString& expressionText)
{
    QString s = expressionText;
    s.replace(QStringLiteral(" MOD "), QStringLiteral(" % "));
    return s.toStdString();
}

void BM_SqlBaselineRankingStep(benchmark::State& state)
{
    static SqlBaselineDb baselineDb;
    SQLite::Database& db = *baselineDb.db;
    const std::vector<Formula>& f = formulas();
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> drawOf(0, history().size() - 1);
    std::size_t i = 0;
    long long sink = 0;
    for (auto _ : state) {
        const int n = drawOf(gen);
        SQLite::Transaction tx(db);
        db.exec("UPDATE [Lishi] SET [canshu]=" + sqlOf(f[i++ % f.size()].expressionText));
        SQLite::Statement walk(db, "SELECT * FROM lishi ORDER BY strQQH");
        for (int r = 0; r <= n && walk.executeStep(); ++r) {
            if (r == n) {
                sink += static_cast<long long>(walk.getColumn("canshu").getDouble()) % 10;
            }
        }
        tx.commit();
    }
    benchmark::DoNotOptimize(sink);
    state.SetLabel("one (draw, formula) step of the SQL-per-formula baseline");
}
BENCHMARK(BM_SqlBaselineRankingStep)->Unit(benchmark::kMillisecond)->Iterations(40);

// Prints both figures side by side: the measured run and the SQL-per-formula baseline's estimate (draws x formulas x
// the mean step time of the sample above).
class SideBySide : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const double seconds = r.GetAdjustedRealTime() / 1e3; // reported in ms
            if (r.benchmark_name().rfind("BM_HistoryRanking", 0) == 0) {
                m_ours = seconds;
            } else if (r.benchmark_name().rfind("BM_SqlBaselineRankingStep", 0) == 0) {
                m_step = seconds;
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        if (m_ours > 0 && m_step > 0) {
            const double baseline = m_step * kDraws * kFormulas;
            std::printf("\nHistory ranking, %d draws x %d formulas:\n", kDraws, kFormulas);
            std::printf("  ours (measured):           %12.3f s\n", m_ours);
            std::printf(
                "  SQL-per-formula baseline (estimated): %12.0f s = %.1f days, from a timed sample of 40 steps\n",
                baseline, baseline / 86400.0);
            std::printf("  speed-up:                  %12.0fx\n", baseline / m_ours);
        }
    }

private:
    double m_ours = 0;
    double m_step = 0;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SideBySide reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
