// Sparse list hot paths: size sums and position lookups over a million rows,
// reads and writes, and row inserts and deletes.

#include "xlgrid/sparselist.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace xlgrid;

namespace {

constexpr int kRows = 1000000;
constexpr int kDefault = 20;

// A million rows of which 1% have their own height, a tenth of those hidden.
void FillSizes(TXLSizeList& sizes)
{
    sizes.SetDefault(kDefault);
    sizes.SetCount(kRows);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> row(0, kRows - 1);
    std::uniform_int_distribution<int> height(5, 80);
    for (int i = 0; i < kRows / 100; ++i)
        sizes.SetDiffItem(row(rng), i % 10 == 0 ? 0 : height(rng));
}

std::vector<int> RandomRows(int count)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> row(0, kRows);
    std::vector<int> rows(count);
    for (int& r : rows)
        r = row(rng);
    return rows;
}

void BM_Sum(benchmark::State& state)
{
    TXLSizeList sizes;
    FillSizes(sizes);
    const std::vector<int> rows = RandomRows(4096);
    benchmark::DoNotOptimize(sizes.Sum(1));  // builds the size index
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(sizes.Sum(rows[i++ & 4095]));
}
BENCHMARK(BM_Sum)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_Locate(benchmark::State& state)
{
    TXLSizeList sizes;
    FillSizes(sizes);
    const int64_t total = sizes.Sum(kRows);
    std::mt19937_64 rng(9);
    std::uniform_int_distribution<int64_t> at(1, total);
    std::vector<int64_t> positions(4096);
    for (int64_t& p : positions)
        p = at(rng);
    size_t i = 0;
    for (auto _ : state) {
        int64_t pos = positions[i++ & 4095];
        benchmark::DoNotOptimize(sizes.Locate(pos));
        benchmark::DoNotOptimize(pos);
    }
}
BENCHMARK(BM_Locate)->Repetitions(5)->ReportAggregatesOnly(true);

// A height change followed by a sum: the incremental update of the index.
void BM_SetHeightThenSum(benchmark::State& state)
{
    TXLSizeList sizes;
    FillSizes(sizes);
    const std::vector<int> rows = RandomRows(4096);
    benchmark::DoNotOptimize(sizes.Sum(1));
    size_t i = 0;
    for (auto _ : state) {
        const int row = rows[i++ & 4095];
        sizes.SetDiffItem(row, 30 + static_cast<int>(i & 7));
        benchmark::DoNotOptimize(sizes.Sum(row));
    }
}
BENCHMARK(BM_SetHeightThenSum)->Repetitions(5)->ReportAggregatesOnly(true);

// The first sum after a row insert rebuilds the index over all blocks.
void BM_InsertRowThenSum(benchmark::State& state)
{
    TXLSizeList sizes;
    FillSizes(sizes);
    for (auto _ : state) {
        sizes.InsertDelete(10, 1);
        benchmark::DoNotOptimize(sizes.Sum(kRows / 2));
        sizes.InsertDelete(10, -1);
    }
}
BENCHMARK(BM_InsertRowThenSum)->Unit(benchmark::kMicrosecond);

void BM_ItemRead(benchmark::State& state)
{
    TXLSizeList sizes;
    FillSizes(sizes);
    const std::vector<int> rows = RandomRows(4096);
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(sizes.DiffItem(rows[i++ & 4095]));
}
BENCHMARK(BM_ItemRead);

struct Cell {
    int value;
};

// Filling a 1000 x 20 block of cells row by row, then freeing it.
void BM_FillCells(benchmark::State& state)
{
    for (auto _ : state) {
        TListSList<TObjectSList<Cell>> section;
        for (int r = 0; r < 1000; ++r) {
            auto* row = section.Lists(r);
            for (int c = 0; c < 20; ++c)
                row->SetObject(c, new Cell{r + c});
        }
        benchmark::DoNotOptimize(section.HighIndex());
    }
}
BENCHMARK(BM_FillCells)->Unit(benchmark::kMicrosecond);

// Inserting and deleting a row at the top of a sparse million-row list.
void BM_InsertDeleteRow(benchmark::State& state)
{
    TXLSizeList sizes;
    FillSizes(sizes);
    for (auto _ : state) {
        sizes.Insert(0, 0);
        sizes.Delete(0);
    }
}
BENCHMARK(BM_InsertDeleteRow)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// The same on a list where every one of a million slots is set, as the rows
// of a full section are.
void BM_InsertDeleteRowDense(benchmark::State& state)
{
    TSList rows;
    for (int i = 0; i < kRows; ++i)
        rows.SetItem(i, i + 1);
    for (auto _ : state) {
        rows.Insert(0, 1);
        rows.Delete(0);
    }
}
BENCHMARK(BM_InsertDeleteRowDense)->Unit(benchmark::kMicrosecond);

}  // namespace
