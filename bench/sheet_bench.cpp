// Sheet hot paths: a million short text cells written through Cells and
// read back through FindCell, the memory they take, and the row offset and
// row lookup over a million rows.

#include "xlgrid/sheet.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace xlgrid;

namespace {

// Texts of 1 to 15 bytes: short enough to stay inside the string object.
const std::vector<std::string>& Texts()
{
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        std::mt19937 rng(3);
        std::uniform_int_distribution<int> len(1, 15);
        std::uniform_int_distribution<int> ch('a', 'z');
        for (int i = 0; i < 4096; ++i) {
            std::string s(len(rng), ' ');
            for (char& c : s)
                c = static_cast<char>(ch(rng));
            t.push_back(std::move(s));
        }
        return t;
    }();
    return texts;
}

void Fill(TXLSheet& sheet, int cols, int rows)
{
    const auto& texts = Texts();
    sheet.SetColCount(cols);
    sheet.SetRowCount(rows);
    size_t i = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            sheet.Cells(c, r)->SetAsString(texts[i++ & 4095]);
}

void BM_WriteCells(benchmark::State& state)
{
    const int cols = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1));
    Texts();
    for (auto _ : state) {
        auto* sheet = new TXLSheet;
        Fill(*sheet, cols, rows);
        state.PauseTiming();
        delete sheet;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * cols * rows);
}
BENCHMARK(BM_WriteCells)->Args({10, 100000})->Args({1000, 1000})->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Iterations(3)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_ReadCells(benchmark::State& state)
{
    const int cols = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1));
    TXLSheet sheet;
    Fill(sheet, cols, rows);
    for (auto _ : state) {
        size_t bytes = 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                bytes += static_cast<const TXLCString*>(sheet.FindCell(c, r))->Str().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * cols * rows);
}
BENCHMARK(BM_ReadCells)->Args({10, 100000})->Args({1000, 1000})->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(3)->ReportAggregatesOnly(true);

long ResidentBytes()
{
    long size = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

// Resident memory per cell, everything included (cells, rows, lists, heap
// overhead), measured in a child process after trimming the heap so that
// earlier benchmarks' freed memory does not hide the growth.
void BM_CellMemory(benchmark::State& state)
{
    const int cols = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1));
    double perCell = 0;
    for (auto _ : state) {
        int fds[2];
        if (pipe(fds) != 0) {
            state.SkipWithError("pipe failed");
            return;
        }
        pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            Texts();
            // Give back what earlier benchmarks freed, so that the growth is
            // this sheet's and not hidden by reused heap pages.
            malloc_trim(0);
            long before = ResidentBytes();
            auto* sheet = new TXLSheet;
            Fill(*sheet, cols, rows);
            long after = ResidentBytes();
            double v = static_cast<double>(after - before) / (static_cast<double>(cols) * rows);
            ssize_t w = write(fds[1], &v, sizeof v);
            _exit(w == sizeof v ? 0 : 1);
        }
        close(fds[1]);
        double v = 0;
        ssize_t n = read(fds[0], &v, sizeof v);
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        if (n != sizeof v) {
            state.SkipWithError("child failed");
            return;
        }
        perCell = v;
    }
    state.counters["bytes_per_cell"] = perCell;
}
BENCHMARK(BM_CellMemory)->Args({10, 100000})->Args({1000, 1000})->Iterations(1)->Unit(benchmark::kMillisecond)
    ->UseRealTime();

constexpr int kRows = 1000000;

// A million rows of which 1% have their own height, a tenth of those hidden.
void SizedSheet(TXLSheet& sheet)
{
    sheet.SetRowCount(kRows);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> row(0, kRows - 1);
    std::uniform_int_distribution<int> height(5, 80);
    for (int i = 0; i < kRows / 100; ++i) {
        int r = row(rng);
        sheet.SetSizes(r, sRows, height(rng));
        if (i % 10 == 0)
            sheet.SetVisible(r, sRows, false);
    }
}

void BM_SheetOffset(benchmark::State& state)
{
    TXLSheet sheet;
    SizedSheet(sheet);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> row(0, kRows);
    std::vector<int> rows(4096);
    for (int& r : rows)
        r = row(rng);
    benchmark::DoNotOptimize(sheet.Offset(1, sRows));
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(sheet.Offset(rows[i++ & 4095], sRows));
}
BENCHMARK(BM_SheetOffset)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_SheetLocate(benchmark::State& state)
{
    TXLSheet sheet;
    SizedSheet(sheet);
    const int64_t total = sheet.Offset(kRows, sRows);
    std::mt19937_64 rng(9);
    std::uniform_int_distribution<int64_t> at(1, total - 1);
    std::vector<int64_t> positions(4096);
    for (int64_t& p : positions)
        p = at(rng);
    size_t i = 0;
    for (auto _ : state) {
        int64_t pos = positions[i++ & 4095];
        benchmark::DoNotOptimize(sheet.Locate(pos, sRows, true));
        benchmark::DoNotOptimize(pos);
    }
}
BENCHMARK(BM_SheetLocate)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
