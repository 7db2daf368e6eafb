// The formula import against bare SQLite inserts of the rows it stores, in interleaved pairs: files of one
// kind of 1 000, 10 000, 32 767 and 100 000 lines (the last 67 233 past the table's limit), and 100 000
// lines over five tables. The import reads, parses and decides every line and stores one batch per table;
// the anchor inserts the same stored rows with one prepared statement in one transaction.

#include "BenchPairs.h"
#include "formula/FormulaImport.h"
#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"

#include <benchmark/benchmark.h>

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace korvel;

namespace {

// Lines as users keep them: bracket form, Chinese parameter words, 3 to 8 terms and a constant.
QStringList formulaLines(int count, const std::vector<QString>& kinds, std::uint64_t seed)
{
    static const char* const positions[] = {"百位", "十位", "个位"};
    static const char* const attributes[] = {"码", "大小", "单双", "5余", "3余", "平方", "立方", "互补数", "邻号和"};
    static const char* const words[] = {"和数", "跨度", "和个位", "大数个", "奇数和", "本期号合", "上期号合", "日期合"};
    std::mt19937_64 rng(seed);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        QString line = kinds[static_cast<std::size_t>(i * static_cast<int>(kinds.size()) / count)];
        const int terms = 3 + pick(6);
        for (int t = 0; t < terms; ++t) {
            if (pick(10) < 7) {
                line += QString::fromUtf8(positions[pick(3)]) + QString::fromUtf8(attributes[pick(9)]);
            } else {
                line += QString::fromUtf8(words[pick(8)]);
            }
            line += QLatin1Char('+');
        }
        line += QString::number(pick(10));
        lines << line;
    }
    return lines;
}

struct ImportFixture {
    QTemporaryDir dir;
    Database db;
    std::unique_ptr<FormulaStore> store;

    ImportFixture()
    {
        db.open(dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema());
        store = std::make_unique<FormulaStore>(db);
    }
};

ImportFixture& fixture()
{
    static ImportFixture f;
    return f;
}

// Bare SQLite inserts of the rows the import stored, read back beforehand: the same columns, one
// statement, one transaction, texts already encoded.
void bareInserts(SQLite::Database& db,
                 const std::vector<std::pair<std::string, std::vector<std::array<std::string, 3>>>>& tables)
{
    SQLite::Transaction tx(db);
    for (const auto& [table, rows] : tables) {
        SQLite::Statement ins(db, "INSERT INTO " + table + " (idx, gongshi, gongshiCN, bolKill, " +
                                      schema::kEntryIssueColumn + ") VALUES (?, ?, ?, ?, ?)");
        int idx = 0;
        for (const auto& row : rows) {
            ins.bind(1, ++idx);
            ins.bind(2, row[0]);
            ins.bind(3, row[1]);
            ins.bind(4, 1);
            ins.bind(5, row[2]);
            ins.exec();
            ins.reset();
        }
    }
    tx.commit();
}

void importPair(benchmark::State& state, int lines, const std::vector<QString>& kinds, const std::string& name)
{
    ImportFixture& fx = fixture();
    const QStringList text = formulaLines(lines, kinds, 2026120 + static_cast<std::uint64_t>(lines));
    const FormulaKind listed{3, Play::Single};
    bench::Pairs pairs;
    long long stored = 0;
    for (auto _ : state) {
        fx.store->clearAll();
        FormulaImportResult result;
        const bench::Timing import = bench::timed(
            [&] { result = importFormulaLines(fx.db, *fx.store, text, listed, true, FormulaImportMode::File); });
        stored = result.stored;
        // The anchor stores exactly what the import stored.
        std::vector<std::pair<std::string, std::vector<std::array<std::string, 3>>>> tables;
        for (const FormulaKind& kind : kAllKinds) {
            std::vector<std::array<std::string, 3>> rows;
            for (const Formula& f : fx.store->listAll(kind)) {
                rows.push_back({f.expressionText.toStdString(), f.displayText.toStdString(),
                                f.entryIssue.value_or(QString()).toStdString()});
            }
            if (!rows.empty()) {
                tables.emplace_back(FormulaStore::tableOf(kind), std::move(rows));
            }
        }
        fx.store->clearAll();
        const bench::Timing inserts = bench::timed([&] { bareInserts(fx.db.sql(), tables); });
        pairs.add(import, inserts);
    }
    state.counters["stored"] = static_cast<double>(stored);
    pairs.finish(state, name);
}

const std::vector<QString> kOneKind = {QStringLiteral("[百位单选杀]")};
const std::vector<QString> kFiveKinds = {QStringLiteral("[百位单选杀]"), QStringLiteral("[十位单选杀]"),
                                         QStringLiteral("[个位单选杀]"), QStringLiteral("[百位通选杀]"),
                                         QStringLiteral("[十位通选杀]")};

void BM_Import_OneKind_1000(benchmark::State& s)
{
    importPair(s, 1000, kOneKind, "one kind, 1000 lines");
}
void BM_Import_OneKind_10000(benchmark::State& s)
{
    importPair(s, 10000, kOneKind, "one kind, 10000 lines");
}
void BM_Import_OneKind_32767(benchmark::State& s)
{
    importPair(s, 32767, kOneKind, "one kind, 32767 lines");
}
void BM_Import_OneKind_100000(benchmark::State& s)
{
    importPair(s, 100000, kOneKind, "one kind, 100000 lines (32767 stored)");
}
void BM_Import_FiveKinds_100000(benchmark::State& s)
{
    importPair(s, 100000, kFiveKinds, "five kinds, 100000 lines");
}

} // namespace

BENCHMARK(BM_Import_OneKind_1000)->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_Import_OneKind_10000)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_Import_OneKind_32767)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Import_OneKind_100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Import_FiveKinds_100000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::printPairSummary("import", "bare inserts");
    return 0;
}
