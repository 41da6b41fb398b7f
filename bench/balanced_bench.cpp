// The balanced deal on generated rosters: how close the classes come and
// how long it takes. Counters: 总分 and worst subject class-mean range, the
// worst within-class SD range of 总分, rules broken, whether the floor was
// reached, and the work spent.
//
// Rosters: 30 schools, integer scores 0-150 in three subjects and their
// total, either correlated (one ability per student) or independent and
// uniform; 1 % of students pinned, N/100 同 pairs and N/50 分 pairs.

#include "engine/balanceddeal.h"
#include "engine/balancereport.h"
#include "engine/divideclasses.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

using namespace engine;

namespace {

struct TRandom {
    std::uint64_t State;
    std::uint64_t Next()
    {
        std::uint64_t z = (State += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    int Below(int n) { return static_cast<int>(Uniform() * n); }
    double Gauss() { return std::sqrt(-2 * std::log(1 - Uniform())) * std::cos(6.283185307179586 * Uniform()); }
};

enum TScores { scCorrelated, scUniform, scCorrelatedRegions };  // the last with a 地区 column of 6 regions

TDivideClasses Roster(int students, int classes, TScores scores, std::uint64_t seed)
{
    TRandom rng{seed};
    TDivideClasses d;
    d.Headers = {"考号", "姓名", "性别", "学校", "语文", "数学", "英语", "总分", "调整"};
    d.Columns.IDCol = 0;
    d.Columns.NameCol = 1;
    d.Columns.SexCol = 2;
    d.Columns.SchoolCol = 3;
    d.Columns.SortCol = 7;
    d.Columns.AdjustCol = 8;
    if (scores == scCorrelatedRegions)
        d.Headers.push_back("地区"), d.Columns.RegionCol = 9;
    d.SortType = skNumeric;
    d.ClassCount = classes;
    for (int i = 0; i < students; ++i) {
        const double ability = rng.Gauss();
        std::vector<std::string> row = {std::to_string(20260000 + i), "学生" + std::to_string(i),
                                        rng.Below(2) ? "男" : "女", "学校" + std::to_string(rng.Below(30))};
        int total = 0;
        for (int j = 0; j < 3; ++j) {
            const int s = scores == scUniform
                              ? rng.Below(151)
                              : std::clamp(static_cast<int>(std::lround(98 + 22 * (0.75 * ability + 0.66 * rng.Gauss()))), 0, 150);
            total += s;
            row.push_back(std::to_string(s));
        }
        row.push_back(std::to_string(total));
        row.emplace_back();
        if (scores == scCorrelatedRegions)
            row.push_back("地区" + std::to_string(rng.Below(6)));
        d.Data.push_back(std::move(row));
    }
    std::vector<int> order(static_cast<std::size_t>(students));
    std::iota(order.begin(), order.end(), 0);
    for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[static_cast<std::size_t>(rng.Below(static_cast<int>(i)))]);
    std::size_t next = 0;
    auto mark = [&](const std::string& entry) { d.Data[static_cast<std::size_t>(order[next++])][8] = entry; };
    for (int i = 0; i < students / 100; ++i)
        mark(std::to_string(1 + rng.Below(classes)));
    for (int i = 0; i < students / 100; ++i)
        mark("同" + std::to_string(i)), mark("同" + std::to_string(i));
    for (int i = 0; i < students / 50; ++i)
        mark("分" + std::to_string(i)), mark("分" + std::to_string(i));
    return d;
}

// FENBAN_BENCH_SEED picks another roster of each kind (default 2026).
std::uint64_t RosterSeed()
{
    const char* seed = std::getenv("FENBAN_BENCH_SEED");
    return seed && *seed ? std::strtoull(seed, nullptr, 10) : 2026;
}

void Run(benchmark::State& state, TScores scores, bool spread)
{
    const int students = static_cast<int>(state.range(0)), classes = static_cast<int>(state.range(1));
    TSearchOutcome outcome;
    TBalanceFigures figures;
    for (auto _ : state) {
        state.PauseTiming();
        TDivideClasses d = Roster(students, classes, scores, RosterSeed());
        TBalancedOptions options;
        options.SpreadOrigins = spread;
        options.TimeLimit = 1e9;  // the figures of the fixed work, whatever the load
        d.SetDealStrategy(std::make_unique<TBalancedDeal>(options, &outcome));
        state.ResumeTiming();
        d.Divide();
        state.PauseTiming();
        figures = DivisionFigures(d);
        state.ResumeTiming();
    }
    double subjects = 0, sdRange = 0;
    for (const TColumnFigures& c : figures.Columns) {
        if (c.Header == "总分") {
            state.counters["total_range"] = c.MeanRange;
            sdRange = c.SDRange;
        } else {
            subjects = std::max(subjects, c.MeanRange);
        }
    }
    state.counters["subject_range"] = subjects;
    state.counters["sd_range"] = sdRange;
    state.counters["breaches"] = static_cast<double>(figures.Breaches.size() + (spread ? figures.OriginBreaches.size() : 0));
    state.counters["optimal"] = figures.Optimal;
    state.counters["work_M"] = static_cast<double>(outcome.Work) / 1e6;
}

}  // namespace

BENCHMARK_CAPTURE(Run, correlated, scCorrelated, true)
    ->Args({300, 6})->Args({600, 12})->Args({1000, 20})->Args({3000, 40})
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(Run, regions, scCorrelatedRegions, true)->Args({1000, 20})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(Run, uniform, scUniform, true)->Args({1000, 20})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(Run, correlated_nospread, scCorrelated, false)
    ->Args({1000, 20})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(Run, uniform_nospread, scUniform, false)->Args({1000, 20})->Unit(benchmark::kMillisecond)->Iterations(1);
