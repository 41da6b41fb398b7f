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
#include <cstring>
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

// Loading a sheet of N merged ranges (two columns by two rows each, the
// anchor holding a text): the overlap check and the anchor lookups of the
// cells go through the interval index, so the time grows as N log N.
std::string Int32Bytes(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// The stream of a sheet of N merged ranges (two columns by two rows each, the
// anchor holding a text). Merging them one by one through the sheet checks
// each against all before it, so the ranges are written into the stream of
// the filled sheet: the client section's flags gain bit 0 and the list.
std::string MergedRangesStream(int ranges)
{
    TXLSheet source;
    source.SetColCount(4);
    source.SetRowCount(ranges);
    for (int k = 0; k < ranges; ++k)
        source.SetText((k % 2) * 2, k / 2 * 2, "S" + std::to_string(k));
    std::string stream = SaveSheetToString(source);
    const std::string cells = Int32Bytes(2) + Int32Bytes(0) + Int32Bytes(0) + Int32Bytes(946);
    const size_t at = stream.rfind(cells);
    std::string list = Int32Bytes(3) + Int32Bytes(ranges);
    for (int k = 0; k < ranges; ++k) {
        const int left = (k % 2) * 2, top = k / 2 * 2;
        list += Int32Bytes(left) + Int32Bytes(top) + Int32Bytes(left + 2) + Int32Bytes(top + 2);
    }
    stream.replace(at, 4, list);
    const size_t length = stream.find("\x06XLData\x0A") + 8;
    uint32_t xl;
    std::memcpy(&xl, stream.data() + length, 4);
    xl += static_cast<uint32_t>(list.size() - 4);
    std::memcpy(stream.data() + length, &xl, 4);
    return stream;
}

// Loading it: the overlap check and the anchor lookup of every cell go
// through the interval index, so the time grows as N log N.
void BM_LoadMergedRanges(benchmark::State& state)
{
    const int ranges = static_cast<int>(state.range(0));
    const std::string stream = MergedRangesStream(ranges);
    for (auto _ : state) {
        TXLSheet sheet;
        LoadSheetFromStream(sheet, stream);
        if (sheet.Section(skClient).Unions().size() != static_cast<size_t>(ranges) ||
            sheet.FindCell(3, ranges - 1) == nullptr)
            state.SkipWithError("the ranges did not load");
    }
    state.counters["ranges"] = ranges;
    state.counters["stream_MB"] = static_cast<double>(stream.size()) / 1e6;
}

}  // namespace

BENCHMARK(BM_LoadMergedRanges)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_SaveSheetToFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_LoadSheetFromFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

BENCHMARK_MAIN();
