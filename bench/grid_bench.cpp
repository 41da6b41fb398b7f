// The grid control on a 1,000,000-row sheet, in a 1920 x 1080 window:
// repainting after a scroll, Ctrl+End / Ctrl+Home, attaching, one arrow
// step, and the memory the grid adds (1,000 against 1,000,000 rows).
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFENBAN_BUILD_TESTS=OFF -DFENBAN_BUILD_BENCH=ON
//   cmake --build build-bench -j2 --target grid_bench
//   QT_QPA_PLATFORM=offscreen build-bench/bench/grid_bench
//
// Times are wall clock per operation including the synchronous repaint of
// the whole window; p50 and p99 are reported as counters (milliseconds).

#include "xlgridui/grid.h"

#include "xlpaint/qtconvert.h"

#include "xlgrid/sheet.h"

#include <QApplication>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace xlgrid;
using namespace xlgridui;

constexpr int kCols = 12;
constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kFilledBands = 64, kBandRows = 80;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "grid_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    xlpaint::InstallFontSubstitutions();
    return app;
}

// Roster-like texts in bands of rows spread over the sheet; the rest is empty
// as in any large sheet (the cells a view shows are what a frame costs).
std::vector<int> BandStarts(int rows)
{
    std::vector<int> starts;
    for (int b = 0; b < kFilledBands; ++b)
        starts.push_back(static_cast<int>(int64_t(rows - kBandRows) * b / kFilledBands));
    return starts;
}

TXLSheet& SheetOf(int rows)
{
    static std::map<int, std::unique_ptr<TXLSheet>> sheets;
    auto& sheet = sheets[rows];
    if (!sheet) {
        sheet = std::make_unique<TXLSheet>();
        TXLUpdateGuard bracket(*sheet);
        sheet->SetColCount(kCols);
        sheet->SetRowCount(rows);
        sheet->SetColDefWidth(150);
        sheet->SetRowDefHeight(20);
        sheet->FillTitles();
        const char* family[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄"};
        for (int start : BandStarts(rows))
            for (int r = start; r < start + kBandRows; ++r)
                for (int c = 0; c < kCols; ++c)
                    sheet->SetText(c, r,
                                   c == 0   ? std::string(family[r % 8]) + "同学" + std::to_string(r)
                                   : c == 1 ? (r % 2 ? "女" : "男")
                                            : std::to_string(50 + r % 50) + "." + std::to_string(r % 10));
    }
    return *sheet;
}

std::unique_ptr<TXLGrid> MakeGrid(TXLSheet* sheet)
{
    App();
    auto grid = std::make_unique<TXLGrid>();
    grid->resize(kWidth, kHeight);
    grid->SetSheet(sheet);
    grid->show();
    QApplication::processEvents();
    return grid;
}

void Key(TXLGrid& grid, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(&grid, &press);
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The thread's own CPU time: on a shared machine the wall clock also holds
// the time other processes had the core.
double CpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void Percentiles(benchmark::State& state, std::vector<double>& ms, const char* prefix)
{
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    std::string p(prefix);
    state.counters[p + "p50_ms"] = ms[ms.size() / 2];
    state.counters[p + "p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
}

// Template for a timed operation: `op` runs, then the whole window repaints.
template <class Op> void Timed(benchmark::State& state, TXLGrid& grid, Op op)
{
    std::vector<double> ms, cpu;
    for (auto _ : state) {
        double c0 = CpuMs();
        auto t0 = std::chrono::steady_clock::now();
        op();
        grid.repaint();
        auto t = std::chrono::steady_clock::now() - t0;
        cpu.push_back(CpuMs() - c0);
        state.SetIterationTime(std::chrono::duration<double>(t).count());
        ms.push_back(Ms(t));
    }
    Percentiles(state, ms, "wall_");
    Percentiles(state, cpu, "cpu_");
}

// A full repaint of the window after scrolling to a filled band.
void RepaintAfterScroll(benchmark::State& state)
{
    TXLSheet& sheet = SheetOf(static_cast<int>(state.range(0)));
    auto grid = MakeGrid(&sheet);
    std::vector<int> starts = BandStarts(sheet.RowCount());
    std::mt19937 rng(7);
    Timed(state, *grid, [&] {
        int row = starts[rng() % starts.size()];
        grid->SetCurCell({0, row});
    });
}
BENCHMARK(RepaintAfterScroll)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);

void CtrlEndCtrlHome(benchmark::State& state)
{
    auto grid = MakeGrid(&SheetOf(1000000));
    bool end = true;
    Timed(state, *grid, [&] {
        Key(*grid, end ? Qt::Key_End : Qt::Key_Home, Qt::ControlModifier);
        end = !end;
    });
}
BENCHMARK(CtrlEndCtrlHome)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

void ArrowStep(benchmark::State& state)
{
    TXLSheet& sheet = SheetOf(1000000);
    auto grid = MakeGrid(&sheet);
    grid->SetCurCell({0, BandStarts(sheet.RowCount())[10]});
    int n = 0;
    Timed(state, *grid, [&] { Key(*grid, (n++ / 200) % 2 ? Qt::Key_Up : Qt::Key_Down); });
}
BENCHMARK(ArrowStep)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(800);

// Attaching the grid to the sheet, with the first full paint.
void Attach(benchmark::State& state)
{
    TXLSheet& sheet = SheetOf(1000000);
    auto grid = MakeGrid(nullptr);
    Timed(state, *grid, [&] {
        grid->SetSheet(nullptr);
        grid->SetSheet(&sheet);
    });
}
BENCHMARK(Attach)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

// Heap bytes a grid holds once attached and painted, per sheet size.
void GridMemory(benchmark::State& state)
{
    TXLSheet& sheet = SheetOf(static_cast<int>(state.range(0)));
    App();
    size_t bytes = 0;
    for (auto _ : state) {
        malloc_trim(0);
        size_t before = mallinfo2().uordblks;
        {
            auto grid = MakeGrid(&sheet);
            grid->repaint();
            bytes = mallinfo2().uordblks - before;
        }
    }
    state.counters["grid_KiB"] = static_cast<double>(bytes) / 1024.0;
}
BENCHMARK(GridMemory)->Arg(1000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
