// The trend chart (走势图) over the whole real 福彩3D history (7 760 draws): the time from nothing to a shown
// window with every row ("全部"), the model's data() over one screen of rows, and the painting of one screen
// (delegate and the line over the drawn digits) at a scroll position in the middle. Offscreen platform.
#include "BenchHistory.h"
#include "history/HistorySnapshot.h"
#include "history/IssueNumber.h"
#include "history/TrendFigures.h"
#include "gui/history/TrendModel.h"
#include "gui/history/TrendView.h"
#include "gui/history/TrendWindow.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>

using namespace korvel;

namespace {

SnapshotPtr history()
{
    static const SnapshotPtr snapshot = std::make_shared<const HistorySnapshot>(bench::realHistory());
    return snapshot;
}

bench::SilentDialogs g_dialogs;
bench::NoLauncher g_launcher;

// From no window to a shown one listing every draw, scrolled to the newest.
void BM_TrendWindowOpenAll(benchmark::State& state)
{
    const SnapshotPtr h = history();
    for (auto _ : state) {
        TrendWindow w(g_dialogs, g_launcher, QStringLiteral("/tmp"));
        w.chooseRange(4);
        w.setSnapshot(h);
        w.resize(1280, 720);
        w.show();
        QCoreApplication::processEvents();
        w.grab(); // one full paint, as the first frame on a screen
        benchmark::DoNotOptimize(w.model()->rowCount());
    }
    state.counters["draws"] = h->size();
}
BENCHMARK(BM_TrendWindowOpenAll)->Unit(benchmark::kMillisecond)->Iterations(10);

// The figures alone (one pass over the history).
void BM_TrendFigures(benchmark::State& state)
{
    const SnapshotPtr h = history();
    for (auto _ : state) {
        TrendFigures t(*h, 0);
        benchmark::DoNotOptimize(t.rowCount());
    }
}
BENCHMARK(BM_TrendFigures)->Unit(benchmark::kMillisecond);

// data() of every cell of one screen (40 rows x 36 columns) for the roles the delegate reads.
void BM_TrendModelDataScreen(benchmark::State& state)
{
    TrendModel model;
    model.setFigures(TrendFigures(*history(), 0));
    const int first = model.rowCount() / 2;
    for (auto _ : state) {
        for (int r = first; r < first + 40; ++r) {
            for (int c = 0; c < TrendModel::ColumnCount; ++c) {
                const QModelIndex i = model.index(r, c);
                benchmark::DoNotOptimize(i.data(TrendModel::CellRole));
                benchmark::DoNotOptimize(i.data(Qt::DisplayRole));
            }
        }
    }
    state.counters["cells"] = 40 * TrendModel::ColumnCount;
}
BENCHMARK(BM_TrendModelDataScreen)->Unit(benchmark::kMicrosecond);

// One screen painted: the cells by the delegate and the lines, into a pixmap, scrolled one row further every
// time (as a wheel turn does).
void BM_TrendPaintScreen(benchmark::State& state)
{
    TrendWindow w(g_dialogs, g_launcher, QStringLiteral("/tmp"));
    w.chooseRange(4);
    w.setSnapshot(history());
    w.resize(1280, 720);
    w.show();
    QCoreApplication::processEvents();
    TrendView* grid = w.grid();
    QScrollBar* bar = grid->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    QPixmap target(grid->viewport()->size());
    const int step = grid->verticalHeader()->defaultSectionSize();
    for (auto _ : state) {
        bar->setValue(bar->value() + step);
        grid->viewport()->render(&target);
    }
    state.counters["rowsOnScreen"] = grid->viewport()->height() / step;
}
BENCHMARK(BM_TrendPaintScreen)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
