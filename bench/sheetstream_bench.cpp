// Saving and loading a sheet of 100,000 rows x 10 short text cells.
//
// Throughput is the file size over the time of one save or load (bytes per
// second in the report). The memory figures come from counting every heap
// allocation: "sheet_MB" is what the loaded sheet keeps, "peak_MB" the most
// the load held at once (file bytes, the new sheet, scratch), and
// "peak_per_sheet" their ratio.

#include "xlgrid/sheetstream.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <new>
#include <unistd.h>

namespace {

size_t g_live = 0;
size_t g_peak = 0;

void Count(void* p)
{
    if (p) {
        g_live += malloc_usable_size(p);
        if (g_live > g_peak)
            g_peak = g_live;
    }
}

}  // namespace

void* operator new(size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    Count(p);
    return p;
}
void operator delete(void* p) noexcept
{
    if (p) {
        g_live -= malloc_usable_size(p);
        std::free(p);
    }
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void* operator new[](size_t n) { return operator new(n); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace {

using namespace xlgrid;

constexpr int kRows = 100000;
constexpr int kCols = 10;

void FillSheet(TXLSheet& sheet, bool chinese)
{
    sheet.SetColCount(kCols);
    sheet.SetRowCount(kRows);
    static const char* names[] = {"张伟", "王芳", "李娜", "刘洋", "陈静"};
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            std::string text = chinese ? names[(r + c) % 5] : "S";
            text += std::to_string(chinese ? r % 100 : r * kCols + c);
            sheet.SetText(c, r, text);
        }
}

std::string FilePath()
{
    return std::filesystem::temp_directory_path().string() + "/fenban-bench-" + std::to_string(::getpid()) + ".xlf";
}

void BM_SaveSheetToFile(benchmark::State& state)
{
    TXLSheet sheet;
    FillSheet(sheet, state.range(0) != 0);
    std::string path = FilePath();
    for (auto _ : state)
        SaveSheetToFile(sheet, path);
    auto size = std::filesystem::file_size(path);
    state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
    std::filesystem::remove(path);
}

void BM_LoadSheetFromFile(benchmark::State& state)
{
    std::string path = FilePath();
    {
        TXLSheet sheet;
        FillSheet(sheet, state.range(0) != 0);
        SaveSheetToFile(sheet, path);
    }
    auto size = std::filesystem::file_size(path);
    double sheetMB = 0, peakMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* sheet = new TXLSheet;
        size_t base = g_live;
        g_peak = g_live;
        state.ResumeTiming();
        LoadSheetFromFile(*sheet, path);
        state.PauseTiming();
        sheetMB = static_cast<double>(g_live - base) / 1e6;
        peakMB = static_cast<double>(g_peak - base) / 1e6;
        delete sheet;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
    state.counters["sheet_MB"] = sheetMB;
    state.counters["peak_MB"] = peakMB;
    state.counters["peak_per_sheet"] = peakMB / sheetMB;
    std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_SaveSheetToFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_LoadSheetFromFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

BENCHMARK_MAIN();
