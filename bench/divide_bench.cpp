// The division on large grades: ranking both sexes in the sorted lists,
// dealing, numbering and filling the class and grade lists. Keys are whole
// scores 0..300, so most students share their key with many others (the
// case where the insertion rule, not the key, places a student).
#include "engine/divideclasses.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>

namespace {

engine::MatrxS2 Roster(int students)
{
    std::mt19937 rng(2026);
    std::normal_distribution<double> score(200, 40);
    engine::MatrxS2 rows;
    rows.reserve(static_cast<std::size_t>(students));
    for (int i = 0; i < students; ++i) {
        int total = std::clamp(static_cast<int>(score(rng)), 0, 300);
        rows.push_back({std::to_string(20260000 + i), "学生" + std::to_string(i % 9973), (rng() & 1) ? "男" : "女",
                        "第一中学", std::to_string(total / 3), std::to_string(total / 3), std::to_string(total / 3),
                        std::to_string(total)});
    }
    return rows;
}

void Divide(benchmark::State& state)
{
    const int students = static_cast<int>(state.range(0));
    const engine::MatrxS2 rows = Roster(students);
    for (auto _ : state) {
        state.PauseTiming();
        auto division = std::make_unique<engine::TDivideClasses>();
        division->Data = rows;
        division->ClassCount = static_cast<int>(state.range(1));
        division->Columns.SexCol = 2;
        division->Columns.SortCol = 7;
        division->SortType = engine::skNumeric;
        division->CreateStudentID = true;
        state.ResumeTiming();
        division->Divide();
        benchmark::DoNotOptimize(division->Grade.Total);
        state.PauseTiming();
        division.reset();  // freeing a million records is not the division's cost
        state.ResumeTiming();
    }
    state.SetComplexityN(students);
}

}  // namespace

BENCHMARK(Divide)
    ->ArgsProduct({{10'000, 100'000, 1'000'000}, {12}})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);
BENCHMARK(Divide)->Args({1'000'000, 20'000})->Unit(benchmark::kMillisecond);
