#include "engine/balanceddeal.h"

#include "engine/textrules.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <ctime>
#include <map>
#include <numeric>

namespace engine {
namespace {

using i128 = __int128;

// One seeded generator for every random choice.
class TSplitMix64 {
public:
    explicit TSplitMix64(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n), n > 0 (multiply-shift; the tiny bias does not matter here).
    std::uint32_t Below(std::uint32_t n)
    {
        return static_cast<std::uint32_t>(((Next() >> 32) * static_cast<std::uint64_t>(n)) >> 32);
    }

private:
    std::uint64_t m_state;
};

// Digits after the decimal point that the column's texts need, at most 4.
int DecimalsOf(const TDealInput& input, int col)
{
    int decimals = 0;
    for (const TDealStudent& s : input.Students) {
        if (static_cast<std::size_t>(col) >= s.Fields.size())
            continue;
        std::string_view t = s.Fields[static_cast<std::size_t>(col)];
        if (t.find_first_of("eE") != std::string_view::npos) {
            const double v = NumberValue(t);
            int d = 0;
            while (d < 4 && std::fabs(v * std::pow(10.0, d) - std::round(v * std::pow(10.0, d))) > 1e-6)
                ++d;
            decimals = std::max(decimals, d);
        } else if (std::size_t dot = t.find('.'); dot != std::string_view::npos) {
            std::size_t end = t.size();
            while (end > dot + 1 && t[end - 1] == '0')
                --end;
            decimals = std::max(decimals, static_cast<int>(std::min<std::size_t>(end - dot - 1, 4)));
        }
    }
    return decimals;
}

std::int64_t Scaled(double v, int decimals)
{
    const double s = decimals >= 0 ? v * std::pow(10.0, decimals) : v / std::pow(10.0, -decimals);
    return static_cast<std::int64_t>(std::llround(s));
}

}  // namespace

std::vector<TBalancedColumn> BalancedColumns(const TDealInput& input)
{
    const TRosterColumns& r = input.Roles;
    const std::size_t n = input.Students.size();
    std::vector<TBalancedColumn> columns;
    auto add = [&](int col, bool ranking) {
        TBalancedColumn c;
        c.Column = col;
        c.Ranking = ranking;
        if (col >= 0 && static_cast<std::size_t>(col) < input.Columns.size())
            c.Header = input.Columns[static_cast<std::size_t>(col)].Header;
        c.Decimals = ranking && input.SortKind == skGrade ? 0 : DecimalsOf(input, col);
        std::vector<std::optional<double>> raw(n);
        for (std::size_t i = 0; i < n; ++i) {
            const TDealStudent& s = input.Students[i];
            if (ranking)
                raw[i] = s.Key;
            else if (static_cast<std::size_t>(col) < s.Values.size())
                raw[i] = s.Values[static_cast<std::size_t>(col)];
        }
        // Class sums times the student count must stay far inside 64 bits
        // and their squares inside 128: values are capped at 2^44 / (2 N n).
        const double classSize = std::ceil(static_cast<double>(n) / std::max(input.ClassCount, 1));
        const double cap = std::max(1.0, 17592186044416.0 / (2.0 * std::max<double>(static_cast<double>(n), 1) * std::max(classSize, 1.0)));
        double largest = 0;
        for (const auto& v : raw)
            if (v)
                largest = std::max(largest, std::fabs(*v));
        while (largest * std::pow(10.0, c.Decimals) > cap && c.Decimals > -18)
            --c.Decimals;
        c.Values.assign(n, 0);
        c.Blank.assign(n, false);
        std::int64_t sum = 0, known = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (!raw[i]) {
                c.Blank[i] = true;
                continue;
            }
            c.Values[i] = Scaled(*raw[i], c.Decimals);
            sum += c.Values[i];
            ++known;
        }
        if (known < static_cast<std::int64_t>(n) && known > 0) {
            const std::int64_t mean = static_cast<std::int64_t>(std::llround(static_cast<double>(sum) / static_cast<double>(known)));
            for (std::size_t i = 0; i < n; ++i)
                if (c.Blank[i])
                    c.Values[i] = mean;
        }
        columns.push_back(std::move(c));
    };
    const bool rankingBalanced = input.SortKind != skNone && r.SortCol >= 0 && r.SortCol != r.IDCol;
    if (rankingBalanced)
        add(r.SortCol, true);
    for (std::size_t j = 0; j < input.Columns.size(); ++j) {
        const int col = static_cast<int>(j);
        if (!input.Columns[j].Numeric || col == r.IDCol || col == r.NameCol || col == r.SexCol || col == r.SchoolCol
            || col == r.RegionCol || col == r.AdjustCol || col == r.SortCol)
            continue;
        add(col, false);
    }
    return columns;
}

double MeanRangeFloor(std::int64_t total, const std::vector<int>& sizes)
{
    if (sizes.empty())
        return 0;
    const auto [lo, hi] = std::minmax_element(sizes.begin(), sizes.end());
    const int small = *lo;
    const int p = static_cast<int>(std::count(sizes.begin(), sizes.end(), small));
    const int q = static_cast<int>(sizes.size()) - p;
    const std::int64_t classes = static_cast<std::int64_t>(sizes.size());
    if (q == 0 || small == 0) {
        if (small == 0 && q > 0)
            return 0;  // classes without students have no mean
        return total % classes == 0 ? 0 : 1.0 / small;
    }
    const int large = *hi;
    std::int64_t students = 0;
    for (int s : sizes)
        students += s;
    const double mean = static_cast<double>(total) / static_cast<double>(students);
    // Classes of one size hold sums a or a+1 (an optimum never needs more);
    // try the sums around the mean and every split.
    double best = std::numeric_limits<double>::infinity();
    const auto a0 = static_cast<std::int64_t>(std::floor(mean * small)) - 2;
    const auto b0 = static_cast<std::int64_t>(std::floor(mean * large)) - 2;
    for (std::int64_t a = a0; a <= a0 + 4; ++a)
        for (std::int64_t b = b0; b <= b0 + 4; ++b)
            for (int k1 = 0; k1 <= p; ++k1) {
                const std::int64_t k2 = total - a * p - k1 - b * q;
                if (k2 < 0 || k2 > q)
                    continue;
                double mx = -std::numeric_limits<double>::infinity(), mn = -mx;
                auto see = [&](double m) { mx = std::max(mx, m), mn = std::min(mn, m); };
                if (k1 < p)
                    see(static_cast<double>(a) / small);
                if (k1 > 0)
                    see(static_cast<double>(a + 1) / small);
                if (k2 < q)
                    see(static_cast<double>(b) / large);
                if (k2 > 0)
                    see(static_cast<double>(b + 1) / large);
                best = std::min(best, mx - mn);
            }
    return std::isfinite(best) ? best : 0;
}

namespace {

// Counts of a category (school, region, flag) per class, each kept inside
// [lo, hi], the floor and ceiling of its even share; the violation is how
// far the counts stray outside.
struct TSpread {
    int Categories = 0;
    std::vector<int> Of;   // per student, -1 when none
    std::vector<int> Count;  // [class * Categories + category]
    std::vector<int> Lo, Hi;
    std::int64_t Violation = 0;

    static int Outside(int count, int lo, int hi) { return std::max(0, count - hi) + std::max(0, lo - count); }
    void Init(int classes, const std::vector<int>& cls)
    {
        std::vector<int> totals(static_cast<std::size_t>(Categories));
        Count.assign(static_cast<std::size_t>(classes * Categories), 0);
        for (std::size_t i = 0; i < Of.size(); ++i)
            if (Of[i] >= 0) {
                ++totals[static_cast<std::size_t>(Of[i])];
                ++Count[static_cast<std::size_t>(cls[i] * Categories + Of[i])];
            }
        Lo.resize(totals.size());
        Hi.resize(totals.size());
        for (std::size_t k = 0; k < totals.size(); ++k) {
            Lo[k] = totals[k] / classes;
            Hi[k] = (totals[k] + classes - 1) / classes;
        }
        Violation = 0;
        for (int c = 0; c < classes; ++c)
            for (int k = 0; k < Categories; ++k)
                Violation += Outside(Count[static_cast<std::size_t>(c * Categories + k)], Lo[static_cast<std::size_t>(k)],
                                     Hi[static_cast<std::size_t>(k)]);
    }
    // Moves the student's count; returns the change of the violation.
    int Shift(int student, int from, int to)
    {
        const int k = Of[static_cast<std::size_t>(student)];
        if (k < 0 || from == to)
            return 0;
        const int lo = Lo[static_cast<std::size_t>(k)], hi = Hi[static_cast<std::size_t>(k)];
        int& a = Count[static_cast<std::size_t>(from * Categories + k)];
        int& b = Count[static_cast<std::size_t>(to * Categories + k)];
        const int before = Outside(a, lo, hi) + Outside(b, lo, hi);
        --a, ++b;
        const int delta = Outside(a, lo, hi) + Outside(b, lo, hi) - before;
        Violation += delta;
        return delta;
    }
};

// 分 groups: members of one group in one class beyond the first.
struct TApart {
    int Groups = 0;
    std::vector<std::vector<int>> Of;  // per student, its groups
    std::vector<int> Count;            // [class * Groups + group]
    std::int64_t Violation = 0;

    void Init(int classes, const std::vector<int>& cls)
    {
        Count.assign(static_cast<std::size_t>(classes * Groups), 0);
        Violation = 0;
        for (std::size_t i = 0; i < Of.size(); ++i)
            for (int g : Of[i])
                if (++Count[static_cast<std::size_t>(cls[i] * Groups + g)] > 1)
                    ++Violation;
    }
    int Shift(int student, int from, int to)
    {
        int delta = 0;
        for (int g : Of[static_cast<std::size_t>(student)]) {
            int& a = Count[static_cast<std::size_t>(from * Groups + g)];
            int& b = Count[static_cast<std::size_t>(to * Groups + g)];
            delta -= a > 1;
            --a;
            ++b;
            delta += b > 1;
        }
        Violation += delta;
        return delta;
    }
};

// A movable unit: one student, or a 同 group that moves as a block.
struct TGroup {
    std::vector<int> Members;
    int Boys = 0, Girls = 0;
};

constexpr std::int64_t ApartWeight = 1'000'000'000'000, FlagWeight = 1'000'000;

class TSearch {
public:
    TSearch(const TDealInput& input, const TAdjustments& adj, const TBalancedOptions& options);
    std::vector<int> Run(TSearchOutcome& outcome);

private:
    void FixTargets(const TAdjustments& adj);
    void PlaceInitial(const TAdjustments& adj);
    void InitState();
    i128 Cost() const;
    std::int64_t Violation() const
    {
        return ApartWeight * m_apart.Violation + FlagWeight * m_flag.Violation
               + (m_options.SpreadOrigins ? m_school.Violation + m_region.Violation : 0);
    }
    // The cost change when class a gains delta[k] and b loses it.
    i128 CostDelta(int a, int b, const std::int64_t* delta) const;
    void MoveStudent(int s, int from, int to);
    void SwapSingles(int x, int y, int a, int b, int sex);
    std::int64_t ShiftCounts(int s, int from, int to);
    bool TrySwap(TSplitMix64& rng, i128& cost, std::int64_t& violation, i128 bound);
    bool TryGroupMove(TSplitMix64& rng, i128& cost, std::int64_t& violation, i128 bound);
    bool AtFloor() const;
    // The sum bands of the mean columns for the given widths, [class][column] low and high.
    std::vector<std::int64_t> Bands(const std::vector<double>& widths) const;
    bool Inside(const std::vector<double>& widths) const;
    // Every class into its bands of the given widths; false when stuck.
    bool Land(const std::vector<double>& widths, i128& cost, std::int64_t& violation, std::uint64_t& work,
              std::uint64_t limit);
    bool Exchange(int a, int b, const std::vector<std::int64_t>& window, bool deep, i128& cost,
                  std::int64_t& violation, std::uint64_t& work);
    std::uint64_t DefaultBudget() const;
    void PoolRemove(int s);
    void PoolAdd(int s, int c);

    const TDealInput& m_input;
    TBalancedOptions m_options;
    int m_n = 0, m_classes = 1, m_k = 0;
    std::vector<std::int64_t> m_values;  // [student * K + k]
    std::vector<std::int64_t> m_weights, m_totals;
    std::vector<double> m_floors;        // per mean column, scaled
    int m_meanColumns = 0;
    double m_spreadStep = 0;             // a tenth of a point of within-class SD, in the spread column's units
    std::vector<int> m_cls, m_size, m_boyTarget, m_girlTarget;
    std::vector<std::int64_t> m_sums;    // [class * K + k]
    std::vector<bool> m_fixed;           // pinned: never moves
    std::vector<TGroup> m_groups;        // movable 同 groups
    std::vector<int> m_groupOf;          // per student, -1 when single or pinned
    // Movable singles per class and sex, and each one's place in its pool.
    std::vector<std::vector<int>> m_pool;  // [class * 2 + sex]
    std::vector<int> m_poolPos;
    TSpread m_school, m_region, m_flag;
    TApart m_apart;
};

int SexIndex(const TDealStudent& s) { return s.Sex == sxBoy ? 0 : 1; }

double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

TSearch::TSearch(const TDealInput& input, const TAdjustments& adj, const TBalancedOptions& options)
    : m_input(input), m_options(options)
{
    m_n = static_cast<int>(input.Students.size());
    m_classes = std::max(input.ClassCount, 1);
    const std::vector<TBalancedColumn> columns = BalancedColumns(input);
    m_meanColumns = static_cast<int>(columns.size());
    const bool ranking = !columns.empty() && columns.front().Ranking;
    m_k = m_meanColumns + (ranking ? 1 : 0);
    const auto n = static_cast<std::size_t>(m_n), k = static_cast<std::size_t>(m_k);
    m_values.assign(n * k, 0);
    for (std::size_t c = 0; c < columns.size(); ++c)
        for (std::size_t i = 0; i < n; ++i)
            m_values[i * k + c] = columns[c].Values[i];
    std::vector<double> priority(k, 2.0);
    if (ranking) {
        // The ranking column's squared distances from the grade mean: equal
        // class sums of them with equal means give equal spreads inside the
        // classes (plain squares would tie the spread to the means).
        const std::vector<std::int64_t>& raw = columns.front().Values;
        std::int64_t mean = 0;
        if (!raw.empty()) {
            i128 total = 0;
            for (std::int64_t x : raw)
                total += x;
            mean = static_cast<std::int64_t>(total / static_cast<i128>(raw.size()));
        }
        std::vector<std::int64_t> v(raw.size());
        for (std::size_t i = 0; i < raw.size(); ++i)
            v[i] = raw[i] - mean;
        i128 largest = 1;
        for (std::int64_t x : v)
            largest = std::max(largest, static_cast<i128>(x) * x);
        const double classSize = std::ceil(static_cast<double>(m_n) / m_classes);
        const i128 cap = static_cast<i128>(std::max(1.0, 17592186044416.0 / (2.0 * std::max(m_n, 1) * std::max(classSize, 1.0))));
        // Scaled down to about the spread of the values themselves, so that
        // the weights below stay within 16 bits.
        i128 sum = 0, squareSum = 0, valueSum = 0, valueSquares = 0;
        for (std::int64_t x : v) {
            const i128 q = static_cast<i128>(x) * x;
            sum += q;
            squareSum += q * q / 1024;  // 2^-10 keeps the fourth powers inside 128 bits
            valueSum += x;
            valueSquares += q;
        }
        const double count = std::max(1.0, static_cast<double>(v.size()));
        const double spreadOfSquares = std::sqrt(std::max(0.0, static_cast<double>(squareSum) * 1024.0 / count
                                                                     - std::pow(static_cast<double>(sum) / count, 2)));
        const double spreadOfValues = std::sqrt(std::max(0.0, static_cast<double>(valueSquares) / count
                                                                    - std::pow(static_cast<double>(valueSum) / count, 2)));
        int shift = 0;
        while ((largest >> shift) > cap || (spreadOfValues > 0 && spreadOfSquares / std::ldexp(1.0, shift) > 4 * spreadOfValues))
            ++shift;
        for (std::size_t i = 0; i < n; ++i)
            m_values[i * k + k - 1] = static_cast<std::int64_t>((static_cast<i128>(v[i]) * v[i]) >> shift);
        // A class's mean of these moves by about 2 SD dSD when its standard
        // deviation moves by dSD: a tenth of a point in the column's units.
        m_spreadStep = 0.2 * std::pow(10.0, columns.front().Decimals) * spreadOfValues / std::ldexp(1.0, shift);
        priority[0] = 8.0;
        priority[k - 1] = 1.0;
    }
    // Weights: priority over the column's variance, scaled to at most 2^16.
    m_totals.assign(k, 0);
    std::vector<double> ratio(k, 0);
    for (std::size_t c = 0; c < k; ++c) {
        i128 sum = 0, squares = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::int64_t x = m_values[i * k + c];
            sum += x;
            squares += static_cast<i128>(x) * x;
        }
        m_totals[c] = static_cast<std::int64_t>(sum);
        const double variance = static_cast<double>(static_cast<i128>(m_n) * squares - sum * sum)
                                / (static_cast<double>(m_n) * static_cast<double>(m_n));
        ratio[c] = variance > 0 ? priority[c] / variance : 0;
    }
    const double top = k ? *std::max_element(ratio.begin(), ratio.end()) : 0;
    m_weights.assign(k, 0);
    for (std::size_t c = 0; c < k; ++c)
        if (ratio[c] > 0)
            m_weights[c] = std::max<std::int64_t>(1, std::llround(65536.0 * ratio[c] / top));

    // Spreads: schools, regions, the flag.
    auto categories = [&](TSpread& spread, int col) {
        spread.Of.assign(n, -1);
        if (col < 0)
            return;
        std::map<std::string_view, int> ids;
        for (std::size_t i = 0; i < n; ++i) {
            const TDealStudent& s = input.Students[i];
            if (static_cast<std::size_t>(col) >= s.Fields.size() || s.Fields[static_cast<std::size_t>(col)].empty())
                continue;
            auto [it, added] = ids.emplace(s.Fields[static_cast<std::size_t>(col)], static_cast<int>(ids.size()));
            spread.Of[i] = it->second;
        }
        spread.Categories = static_cast<int>(ids.size());
    };
    categories(m_school, options.SpreadOrigins ? input.Roles.SchoolCol : -1);
    categories(m_region, options.SpreadOrigins ? input.Roles.RegionCol : -1);
    m_flag.Of.assign(n, -1);
    for (std::size_t i = 0; i < n; ++i)
        if (adj.Students[i].Flagged)
            m_flag.Of[i] = 0, m_flag.Categories = 1;
    m_apart.Groups = static_cast<int>(adj.Apart.size());
    m_apart.Of.assign(n, {});
    for (std::size_t g = 0; g < adj.Apart.size(); ++g)
        for (int m : adj.Apart[g].Members)
            m_apart.Of[static_cast<std::size_t>(m)].push_back(static_cast<int>(g));

    FixTargets(adj);
    PlaceInitial(adj);
    InitState();
}

// Each class's boys and girls: the quotient, and one more in as many
// classes as the remainder; the classes whose pins need one more get it.
void TSearch::FixTargets(const TAdjustments& adj)
{
    const auto classes = static_cast<std::size_t>(m_classes);
    std::vector<int> fixedBoys(classes), fixedGirls(classes);
    for (std::size_t i = 0; i < adj.Students.size(); ++i)
        if (const int p = adj.Students[i].Pin; p >= 0)
            ++(m_input.Students[i].Sex == sxBoy ? fixedBoys : fixedGirls)[static_cast<std::size_t>(p)];
    const int boys = static_cast<int>(m_input.BoyOrder.size()), girls = static_cast<int>(m_input.GirlOrder.size());
    const int b0 = boys / m_classes, rb = boys % m_classes, g0 = girls / m_classes, rg = girls % m_classes;
    std::vector<bool> boyExtra(classes), girlExtra(classes);
    auto choose = [&](std::vector<bool>& extra, int count, auto&& rank) {
        std::vector<int> order(classes);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rank(a) > rank(b); });
        for (int i = 0; i < count; ++i)
            extra[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])] = true;
    };
    const bool overlap = rb + rg > m_classes;  // some classes get both, none gets neither
    // Boys first: classes that must have an extra boy, then (when every class
    // takes an extra) those that must have an extra girl, then the most pinned.
    choose(boyExtra, rb, [&](int c) {
        const auto k = static_cast<std::size_t>(c);
        const int mustBoy = fixedBoys[k] > b0, mustGirl = fixedGirls[k] > g0;
        return mustBoy * 1000000 + (overlap ? mustGirl : 1 - mustGirl) * 500000 + fixedBoys[k];
    });
    // Girls: without overlap only classes with no extra boy; with overlap
    // every class without an extra boy first.
    choose(girlExtra, rg, [&](int c) {
        const auto k = static_cast<std::size_t>(c);
        const int mustGirl = fixedGirls[k] > g0;
        return (!boyExtra[k]) * 1000000 + mustGirl * 500000 + fixedGirls[k];
    });
    m_boyTarget.assign(classes, b0);
    m_girlTarget.assign(classes, g0);
    for (std::size_t c = 0; c < classes; ++c) {
        m_boyTarget[c] += boyExtra[c];
        m_girlTarget[c] += girlExtra[c];
        if (fixedBoys[c] > m_boyTarget[c] || fixedGirls[c] > m_girlTarget[c])
            throw EBalancedRefusal("指定到各班的男生、女生人数无法同时满足各班男生人数相差不超过1、女生人数相差不超过1");
    }
}

void TSearch::PlaceInitial(const TAdjustments& adj)
{
    const auto n = static_cast<std::size_t>(m_n), classes = static_cast<std::size_t>(m_classes);
    m_cls.assign(n, -1);
    m_fixed.assign(n, false);
    m_groupOf.assign(n, -1);
    std::vector<int> roomBoys = m_boyTarget, roomGirls = m_girlTarget;
    auto place = [&](std::size_t i, int c) {
        m_cls[i] = c;
        --(m_input.Students[i].Sex == sxBoy ? roomBoys : roomGirls)[static_cast<std::size_t>(c)];
    };
    for (std::size_t i = 0; i < n; ++i)
        if (adj.Students[i].Pin >= 0) {
            place(i, adj.Students[i].Pin);
            m_fixed[i] = true;
        }
    // Unpinned 同 groups, largest first, each into the class with the most
    // room left for it.
    std::vector<const TLabelGroup*> free;
    for (const TLabelGroup& g : adj.Same)
        if (!m_fixed[static_cast<std::size_t>(g.Members.front())])
            free.push_back(&g);
    std::stable_sort(free.begin(), free.end(),
                     [](const TLabelGroup* a, const TLabelGroup* b) { return a->Members.size() > b->Members.size(); });
    for (const TLabelGroup* g : free) {
        TGroup unit;
        unit.Members = g->Members;
        for (int m : g->Members)
            ++(m_input.Students[static_cast<std::size_t>(m)].Sex == sxBoy ? unit.Boys : unit.Girls);
        int best = -1, bestRoom = -1;
        for (std::size_t c = 0; c < classes; ++c) {
            const int room = std::min(roomBoys[c] - unit.Boys, roomGirls[c] - unit.Girls);
            if (room >= 0 && roomBoys[c] + roomGirls[c] > bestRoom)
                best = static_cast<int>(c), bestRoom = roomBoys[c] + roomGirls[c];
        }
        if (best < 0)
            throw EBalancedRefusal("同组" + std::string("“") + g->Label + "”在各班人数相差不超过1的前提下无法安排");
        for (int m : unit.Members) {
            place(static_cast<std::size_t>(m), best);
            m_groupOf[static_cast<std::size_t>(m)] = static_cast<int>(m_groups.size());
        }
        m_groups.push_back(std::move(unit));
    }
    // The rest of each sex in a serpentine over the classes, from the
    // highest key down, skipping classes already full.
    for (int sex = 0; sex < 2; ++sex) {
        std::vector<int> order = sex == 0 ? m_input.BoyOrder : m_input.GirlOrder;
        if (sex == 1)
            std::reverse(order.begin(), order.end());
        std::vector<int>& room = sex == 0 ? roomBoys : roomGirls;
        int c = 0, step = 1;
        for (int s : order) {
            const auto i = static_cast<std::size_t>(s);
            if (m_cls[i] >= 0)
                continue;
            while (room[static_cast<std::size_t>(c)] == 0) {
                c += step;
                if (c == m_classes || c < 0)
                    step = -step, c += step;
            }
            place(i, c);
            c += step;
            if (c == m_classes || c < 0)
                step = -step, c += step;
        }
    }
}

void TSearch::InitState()
{
    const auto n = static_cast<std::size_t>(m_n), classes = static_cast<std::size_t>(m_classes),
               k = static_cast<std::size_t>(m_k);
    m_size.assign(classes, 0);
    m_sums.assign(classes * k, 0);
    m_pool.assign(classes * 2, {});
    m_poolPos.assign(n, -1);
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<std::size_t>(m_cls[i]);
        ++m_size[c];
        for (std::size_t j = 0; j < k; ++j)
            m_sums[c * k + j] += m_values[i * k + j];
        if (!m_fixed[i] && m_groupOf[i] < 0)
            PoolAdd(static_cast<int>(i), m_cls[i]);
    }
    m_school.Init(m_classes, m_cls);
    m_region.Init(m_classes, m_cls);
    m_flag.Init(m_classes, m_cls);
    m_apart.Init(m_classes, m_cls);
    m_floors.clear();
    for (int j = 0; j < m_meanColumns; ++j)
        m_floors.push_back(MeanRangeFloor(m_totals[static_cast<std::size_t>(j)], m_size));
}

void TSearch::PoolAdd(int s, int c)
{
    std::vector<int>& pool = m_pool[static_cast<std::size_t>(c * 2 + SexIndex(m_input.Students[static_cast<std::size_t>(s)]))];
    m_poolPos[static_cast<std::size_t>(s)] = static_cast<int>(pool.size());
    pool.push_back(s);
}

void TSearch::PoolRemove(int s)
{
    const auto i = static_cast<std::size_t>(s);
    std::vector<int>& pool = m_pool[static_cast<std::size_t>(m_cls[i] * 2 + SexIndex(m_input.Students[i]))];
    const int last = pool.back();
    pool[static_cast<std::size_t>(m_poolPos[i])] = last;
    m_poolPos[static_cast<std::size_t>(last)] = m_poolPos[i];
    pool.pop_back();
    m_poolPos[i] = -1;
}

i128 TSearch::Cost() const
{
    i128 cost = 0;
    const auto k = static_cast<std::size_t>(m_k);
    for (std::size_t c = 0; c < static_cast<std::size_t>(m_classes); ++c)
        for (std::size_t j = 0; j < k; ++j) {
            const i128 e = static_cast<i128>(m_n) * m_sums[c * k + j] - static_cast<i128>(m_totals[j]) * m_size[c];
            cost += static_cast<i128>(m_weights[j]) * e * e;
        }
    return cost;
}

i128 TSearch::CostDelta(int a, int b, const std::int64_t* delta) const
{
    // e_c = N S_c - T n_c; a gains delta, b loses it:
    // (e_a + N d)^2 + (e_b - N d)^2 - e_a^2 - e_b^2 = 2 N d (e_a - e_b + N d).
    const auto k = static_cast<std::size_t>(m_k);
    const std::int64_t* sa = &m_sums[static_cast<std::size_t>(a) * k];
    const std::int64_t* sb = &m_sums[static_cast<std::size_t>(b) * k];
    const int sizeDiff = m_size[static_cast<std::size_t>(a)] - m_size[static_cast<std::size_t>(b)];
    i128 total = 0;
    for (std::size_t j = 0; j < k; ++j) {
        if (delta[j] == 0)
            continue;
        const i128 nd = static_cast<i128>(m_n) * delta[j];
        const i128 diff = static_cast<i128>(m_n) * (sa[j] - sb[j]) - static_cast<i128>(m_totals[j]) * sizeDiff;
        total += static_cast<i128>(m_weights[j]) * 2 * nd * (diff + nd);
    }
    return total;
}

std::int64_t TSearch::ShiftCounts(int s, int from, int to)
{
    std::int64_t v = ApartWeight * m_apart.Shift(s, from, to) + FlagWeight * m_flag.Shift(s, from, to);
    if (m_options.SpreadOrigins)
        v += m_school.Shift(s, from, to) + m_region.Shift(s, from, to);
    return v;
}

// x (class a) and y (class b), singles of one sex, trade classes and
// places in their pools.
void TSearch::SwapSingles(int x, int y, int a, int b, int sex)
{
    MoveStudent(x, a, b);
    MoveStudent(y, b, a);
    m_pool[static_cast<std::size_t>(a * 2 + sex)][static_cast<std::size_t>(m_poolPos[static_cast<std::size_t>(x)])] = y;
    m_pool[static_cast<std::size_t>(b * 2 + sex)][static_cast<std::size_t>(m_poolPos[static_cast<std::size_t>(y)])] = x;
    std::swap(m_poolPos[static_cast<std::size_t>(x)], m_poolPos[static_cast<std::size_t>(y)]);
}

void TSearch::MoveStudent(int s, int from, int to)
{
    const auto i = static_cast<std::size_t>(s), k = static_cast<std::size_t>(m_k);
    for (std::size_t j = 0; j < k; ++j) {
        m_sums[static_cast<std::size_t>(from) * k + j] -= m_values[i * k + j];
        m_sums[static_cast<std::size_t>(to) * k + j] += m_values[i * k + j];
    }
    m_cls[i] = to;
}

// Late acceptance: a move is taken when the violation does not rise and the
// cost is no worse than now or than the cost some steps ago (bound).
bool TSearch::TrySwap(TSplitMix64& rng, i128& cost, std::int64_t& violation, i128 bound)
{
    const int a = static_cast<int>(rng.Below(static_cast<std::uint32_t>(m_classes)));
    int b = static_cast<int>(rng.Below(static_cast<std::uint32_t>(m_classes - 1)));
    b += b >= a;
    const int sex = static_cast<int>(rng.Below(2));
    const std::vector<int>& pa = m_pool[static_cast<std::size_t>(a * 2 + sex)];
    const std::vector<int>& pb = m_pool[static_cast<std::size_t>(b * 2 + sex)];
    if (pa.empty() || pb.empty())
        return false;
    const int x = pa[rng.Below(static_cast<std::uint32_t>(pa.size()))];
    const int y = pb[rng.Below(static_cast<std::uint32_t>(pb.size()))];
    const auto k = static_cast<std::size_t>(m_k);
    std::int64_t delta[64];
    std::vector<std::int64_t> wide;
    std::int64_t* d = delta;
    if (k > 64)
        wide.resize(k), d = wide.data();
    for (std::size_t j = 0; j < k; ++j)
        d[j] = m_values[static_cast<std::size_t>(y) * k + j] - m_values[static_cast<std::size_t>(x) * k + j];
    const i128 dc = CostDelta(a, b, d);
    const std::int64_t dv = ShiftCounts(x, a, b) + ShiftCounts(y, b, a);
    const i128 next = cost + dc;
    if (dv > 0 || (dv == 0 && next > cost && next > bound)) {
        ShiftCounts(x, b, a);
        ShiftCounts(y, a, b);
        return false;
    }
    SwapSingles(x, y, a, b, sex);
    cost = next;
    violation += dv;
    return true;
}

// A 同 group for as many singles of each sex from another class.
bool TSearch::TryGroupMove(TSplitMix64& rng, i128& cost, std::int64_t& violation, i128 bound)
{
    const int g = static_cast<int>(rng.Below(static_cast<std::uint32_t>(m_groups.size())));
    const TGroup& group = m_groups[static_cast<std::size_t>(g)];
    const int a = m_cls[static_cast<std::size_t>(group.Members.front())];
    int b = static_cast<int>(rng.Below(static_cast<std::uint32_t>(m_classes - 1)));
    b += b >= a;
    std::vector<int> singles;
    for (int sex = 0; sex < 2; ++sex) {
        const std::vector<int>& pool = m_pool[static_cast<std::size_t>(b * 2 + sex)];
        const int need = sex == 0 ? group.Boys : group.Girls;
        if (static_cast<int>(pool.size()) < need)
            return false;
        // need distinct picks: a random window of the pool.
        const std::uint32_t start = rng.Below(static_cast<std::uint32_t>(pool.size()));
        for (int t = 0; t < need; ++t)
            singles.push_back(pool[(start + static_cast<std::uint32_t>(t) * 7919u) % pool.size()]);
    }
    std::sort(singles.begin(), singles.end());
    if (std::adjacent_find(singles.begin(), singles.end()) != singles.end())
        return false;
    const auto k = static_cast<std::size_t>(m_k);
    std::vector<std::int64_t> d(k, 0);
    for (std::size_t j = 0; j < k; ++j) {
        for (int y : singles)
            d[j] += m_values[static_cast<std::size_t>(y) * k + j];
        for (int x : group.Members)
            d[j] -= m_values[static_cast<std::size_t>(x) * k + j];
    }
    const i128 dc = CostDelta(a, b, d.data());
    std::int64_t dv = 0;
    for (int x : group.Members)
        dv += ShiftCounts(x, a, b);
    for (int y : singles)
        dv += ShiftCounts(y, b, a);
    const i128 next = cost + dc;
    if (dv > 0 || (dv == 0 && next > cost && next > bound)) {
        for (int x : group.Members)
            ShiftCounts(x, b, a);
        for (int y : singles)
            ShiftCounts(y, a, b);
        return false;
    }
    for (int x : group.Members)
        MoveStudent(x, a, b);
    for (int y : singles) {
        PoolRemove(y);
        MoveStudent(y, b, a);
        PoolAdd(y, a);
    }
    cost = next;
    violation += dv;
    return true;
}

bool TSearch::AtFloor() const
{
    if (m_apart.Violation + m_flag.Violation + (m_options.SpreadOrigins ? m_school.Violation + m_region.Violation : 0))
        return false;
    const auto k = static_cast<std::size_t>(m_k);
    for (std::size_t j = 0; j < static_cast<std::size_t>(m_meanColumns); ++j) {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (std::size_t c = 0; c < static_cast<std::size_t>(m_classes); ++c) {
            if (m_size[c] == 0)
                continue;
            const double mean = static_cast<double>(m_sums[c * k + j]) / m_size[c];
            lo = std::min(lo, mean), hi = std::max(hi, mean);
        }
        if (hi - lo > m_floors[j] + 1e-9)
            return false;
    }
    return true;
}

// Per class and mean column, the sums whose mean lies in a band of the
// given width (scaled units) placed as near the grade mean as the total
// allows: every class inside its band is then possible at once.
std::vector<std::int64_t> TSearch::Bands(const std::vector<double>& widths) const
{
    const auto classes = static_cast<std::size_t>(m_classes), columns = widths.size();
    std::vector<std::int64_t> bands(classes * columns * 2);
    for (std::size_t j = 0; j < columns; ++j) {
        const long double w = widths[j], total = m_totals[j], mean = total / std::max(m_n, 1);
        auto sums = [&](long double lower, std::size_t c) {
            const long double n = m_size[c];
            return std::pair{static_cast<std::int64_t>(std::ceil(lower * n - 1e-9L)),
                             static_cast<std::int64_t>(std::floor((lower + w) * n + 1e-9L))};
        };
        auto fits = [&](long double lower) {
            i128 lo = 0, hi = 0;
            for (std::size_t c = 0; c < classes; ++c) {
                const auto [a, b] = sums(lower, c);
                if (a > b)
                    return false;
                lo += a, hi += b;
            }
            return lo <= m_totals[j] && m_totals[j] <= hi;
        };
        // A band that fits has a class mean at its lower edge: try those
        // next to the centred band, the most centred first, then further out.
        long double best = mean - w / 2, off = std::numeric_limits<long double>::infinity();
        for (int reach : {3, 4096})
            for (int size : {m_size.front(), *std::min_element(m_size.begin(), m_size.end())}) {
                if (size <= 0 || std::isfinite(off))
                    continue;
                const auto centre = static_cast<std::int64_t>(std::floor((mean - w / 2) * size));
                for (std::int64_t s = centre - reach; s <= centre + reach; ++s) {
                    const long double lower = static_cast<long double>(s) / size;
                    if (std::fabs(lower + w / 2 - mean) < off && fits(lower))
                        best = lower, off = std::fabs(lower + w / 2 - mean);
                }
            }
        for (std::size_t c = 0; c < classes; ++c) {
            auto [a, b] = sums(best, c);
            if (!std::isfinite(off))  // nothing fits (never for a sane width): no bound
                a = std::numeric_limits<std::int64_t>::min() / 4, b = std::numeric_limits<std::int64_t>::max() / 4;
            bands[(c * columns + j) * 2] = a;
            bands[(c * columns + j) * 2 + 1] = b;
        }
    }
    return bands;
}

bool TSearch::Inside(const std::vector<double>& widths) const
{
    const std::vector<std::int64_t> bands = Bands(widths);
    const std::size_t columns = widths.size(), k = static_cast<std::size_t>(m_k);
    for (std::size_t c = 0; c < static_cast<std::size_t>(m_classes); ++c)
        for (std::size_t j = 0; j < columns; ++j) {
            const std::int64_t s = m_sums[c * k + j];
            if (s < bands[(c * columns + j) * 2] || s > bands[(c * columns + j) * 2 + 1])
                return false;
        }
    return true;
}

// Class by class, each open class is brought into its bands by an exchange
// with another class, so that the open classes left can still all fit
// theirs; the last open class then fits by itself.
bool TSearch::Land(const std::vector<double>& widths, i128& cost, std::int64_t& violation, std::uint64_t& work,
                   std::uint64_t limit)
{
    const auto k = static_cast<std::size_t>(m_k), columns = widths.size();
    const std::vector<std::int64_t> bands = Bands(widths);
    auto lo = [&](int c, std::size_t j) { return bands[(static_cast<std::size_t>(c) * columns + j) * 2]; };
    auto hi = [&](int c, std::size_t j) { return bands[(static_cast<std::size_t>(c) * columns + j) * 2 + 1]; };
    std::vector<bool> open(static_cast<std::size_t>(m_classes), true);
    int left = m_classes;
    // How far class c strays outside its bands, each column in its width.
    auto outside = [&](int c) {
        double d = 0;
        for (std::size_t j = 0; j < columns; ++j) {
            const std::int64_t s = m_sums[static_cast<std::size_t>(c) * k + j];
            const double over = static_cast<double>(std::max<std::int64_t>({0, s - hi(c, j), lo(c, j) - s}));
            d += over / (static_cast<double>(hi(c, j) - lo(c, j)) + 1);
        }
        return d;
    };
    std::vector<std::int64_t> need(columns * 2);
    std::vector<int> landedOrder;
    int reopened = 0;
    while (left > 1) {
        if (work >= limit)
            return false;
        std::vector<std::pair<double, int>> order;
        for (int c = 0; c < m_classes; ++c)
            if (open[static_cast<std::size_t>(c)])
                order.push_back({-outside(c), c});
        std::stable_sort(order.begin(), order.end());
        bool landed = false;
        int tries = 0;
        for (const auto& [badness, i] : order) {
            if (tries++ == 3)
                break;
            // The sums class i may end with: inside its bands, and leaving the
            // other open classes a total they can all fit.
            bool possible = true, restFits = true;
            for (std::size_t j = 0; j < columns; ++j) {
                std::int64_t openSum = 0, restLo = 0, restHi = 0;
                for (int c = 0; c < m_classes; ++c)
                    if (open[static_cast<std::size_t>(c)]) {
                        openSum += m_sums[static_cast<std::size_t>(c) * k + j];
                        if (c != i)
                            restLo += lo(c, j), restHi += hi(c, j);
                    }
                const std::int64_t s = m_sums[static_cast<std::size_t>(i) * k + j];
                need[j * 2] = std::max(lo(i, j), openSum - restHi) - s;
                need[j * 2 + 1] = std::min(hi(i, j), openSum - restLo) - s;
                possible &= need[j * 2] <= need[j * 2 + 1];
                // An exchange with a landed class leaves the other open ones as they are.
                restFits &= restLo <= openSum - s && openSum - s <= restHi;
            }
            if (!possible)
                continue;
            bool inside = true;
            for (std::size_t j = 0; j < columns; ++j)
                inside &= need[j * 2] <= 0 && 0 <= need[j * 2 + 1];
            if (inside) {
                landed = true;
            } else {
                // Open partners with the opposite deviation first, then the
                // landed ones, which must stay inside their own bands.
                std::vector<std::pair<double, int>> partners;
                for (int p = 0; p < m_classes; ++p) {
                    if (p == i || (!open[static_cast<std::size_t>(p)] && !restFits))
                        continue;
                    double along = 0;
                    for (std::size_t j = 0; j < columns; ++j) {
                        const double mid = (static_cast<double>(need[j * 2]) + static_cast<double>(need[j * 2 + 1])) / 2;
                        const double gap = static_cast<double>(m_sums[static_cast<std::size_t>(p) * k + j])
                                           - static_cast<double>(lo(p, j) + hi(p, j)) / 2;
                        along += mid * gap / (static_cast<double>(hi(p, j) - lo(p, j)) + 1);
                    }
                    partners.push_back({(open[static_cast<std::size_t>(p)] ? 0.0 : 1e300) - along, p});
                }
                std::stable_sort(partners.begin(), partners.end());
                for (const auto& [rank, p] : partners) {
                    std::vector<std::int64_t> window = need;
                    bool fits = true;
                    if (!open[static_cast<std::size_t>(p)])
                        for (std::size_t j = 0; j < columns; ++j) {
                            const std::int64_t s = m_sums[static_cast<std::size_t>(p) * k + j];
                            window[j * 2] = std::max(window[j * 2], s - hi(p, j));
                            window[j * 2 + 1] = std::min(window[j * 2 + 1], s - lo(p, j));
                            fits &= window[j * 2] <= window[j * 2 + 1];
                        }
                    if (fits && Exchange(i, p, window, open[static_cast<std::size_t>(p)], cost, violation, work)) {
                        landed = true;
                        break;
                    }
                    if (work >= limit)
                        return false;
                }
            }
            if (landed) {
                open[static_cast<std::size_t>(i)] = false;
                landedOrder.push_back(i);
                --left;
                break;
            }
        }
        if (landed)
            continue;
        // Stuck, mostly with the last two open: a landed class, the most
        // recent first and then further back, opens again to share the rest.
        if (landedOrder.empty() || reopened == 2 * m_classes) {
            return false;
        }
        const std::size_t back = static_cast<std::size_t>(reopened++) % landedOrder.size();
        const int q = landedOrder[landedOrder.size() - 1 - back];
        landedOrder.erase(landedOrder.end() - 1 - static_cast<std::ptrdiff_t>(back));
        open[static_cast<std::size_t>(q)] = true;
        ++left;
    }
    return true;
}

// The exchange of one or two same-sex pairs between classes a and b whose
// change of a's sums lies inside window (per mean column, low and high) and
// that keeps the violations from rising, the one of least cost; exchanges
// sorted by their first column's change give the second pair by lookup.
bool TSearch::Exchange(int a, int b, const std::vector<std::int64_t>& window, bool deep, i128& cost,
                       std::int64_t& violation, std::uint64_t& work)
{
    const auto k = static_cast<std::size_t>(m_k), columns = window.size() / 2;
    struct TSwap {
        int X, Y, Sex;
        std::size_t At;  // offset of its changes in diffs
    };
    std::vector<TSwap> swaps;
    std::vector<std::int64_t> diffs;
    for (int sex = 0; sex < 2; ++sex)
        for (int x : m_pool[static_cast<std::size_t>(a * 2 + sex)])
            for (int y : m_pool[static_cast<std::size_t>(b * 2 + sex)]) {
                swaps.push_back({x, y, sex, diffs.size()});
                for (std::size_t j = 0; j < k; ++j)
                    diffs.push_back(m_values[static_cast<std::size_t>(y) * k + j] - m_values[static_cast<std::size_t>(x) * k + j]);
            }
    work += swaps.size();
    if (swaps.empty())
        return false;
    std::stable_sort(swaps.begin(), swaps.end(), [&](const TSwap& p, const TSwap& q) { return diffs[p.At] < diffs[q.At]; });
    auto within = [&](const std::int64_t* d) {
        for (std::size_t j = 0; j < columns; ++j)
            if (d[j] < window[j * 2] || d[j] > window[j * 2 + 1])
                return false;
        return true;
    };
    using TPick = std::array<int, 3>;  // indices into swaps, -1 when unused
    auto rise = [&](const TPick& pick) {
        std::int64_t dv = 0;
        for (int t : pick)
            if (t >= 0)
                dv += ShiftCounts(swaps[static_cast<std::size_t>(t)].X, a, b) + ShiftCounts(swaps[static_cast<std::size_t>(t)].Y, b, a);
        for (auto t = pick.rbegin(); t != pick.rend(); ++t)
            if (*t >= 0)
                ShiftCounts(swaps[static_cast<std::size_t>(*t)].Y, a, b), ShiftCounts(swaps[static_cast<std::size_t>(*t)].X, b, a);
        return dv;
    };
    i128 bestDelta = 0;
    std::int64_t bestDv = 0;
    TPick best = {-1, -1, -1};
    auto offer = [&](const std::int64_t* d, const TPick& pick) {
        const i128 delta = CostDelta(a, b, d);
        if (best[0] >= 0 && delta >= bestDelta)
            return;
        const std::int64_t dv = rise(pick);
        if (dv > 0 || (best[0] >= 0 && dv > bestDv))
            return;
        bestDelta = delta, bestDv = dv, best = pick;
    };
    // The exchanges in `among` (ascending indices) after position from whose
    // first column's change lies in [lo, hi].
    auto firstAtLeast = [&](const std::vector<int>& among, std::size_t from, std::int64_t v) {
        return std::lower_bound(among.begin() + static_cast<std::ptrdiff_t>(from), among.end(), v,
                                [&](int t, std::int64_t x) { return diffs[swaps[static_cast<std::size_t>(t)].At] < x; });
    };
    auto distinct = [&](int t, int u) {
        return swaps[static_cast<std::size_t>(t)].X != swaps[static_cast<std::size_t>(u)].X
               && swaps[static_cast<std::size_t>(t)].Y != swaps[static_cast<std::size_t>(u)].Y;
    };
    auto change = [&](int t) { return &diffs[swaps[static_cast<std::size_t>(t)].At]; };
    std::vector<int> all(swaps.size());
    std::iota(all.begin(), all.end(), 0);
    std::vector<std::int64_t> combined(k), partial(k);
    for (auto it = firstAtLeast(all, 0, window[0]); it != all.end() && change(*it)[0] <= window[1]; ++it)
        if (within(change(*it)))
            offer(change(*it), {*it, -1, -1});
    // Two exchanges: the second looked up by the first column.
    for (std::size_t i = 0; best[0] < 0 && i < all.size(); ++i) {
        const std::int64_t* d1 = change(all[i]);
        for (auto it = firstAtLeast(all, i + 1, window[0] - d1[0]); it != all.end() && change(*it)[0] <= window[1] - d1[0]; ++it) {
            ++work;
            if (!distinct(all[i], *it))
                continue;
            for (std::size_t c = 0; c < k; ++c)
                combined[c] = d1[c] + change(*it)[c];
            if (within(combined.data()))
                offer(combined.data(), {all[i], *it, -1});
        }
    }
    // Three, only when deep, from the 180 exchanges that raise the
    // violations least alone (any of those that lower them, evenly chosen):
    // together they may still keep them down.
    if (best[0] < 0 && deep) {
        std::vector<std::pair<std::int64_t, int>> alone;
        for (int t : all)
            alone.push_back({rise({t, -1, -1}), t});
        work += all.size();
        std::stable_sort(alone.begin(), alone.end(), [](const auto& p, const auto& q) { return p.first < q.first; });
        const auto lowering = static_cast<std::size_t>(
            std::count_if(alone.begin(), alone.end(), [](const auto& p) { return p.first <= 0; }));
        std::vector<int> free;
        const std::size_t stride = (lowering + 179) / 180;
        for (std::size_t i = 0; i < alone.size() && free.size() < 180; i += i < lowering && stride > 1 ? stride : 1)
            if (alone[i].first <= 2)
                free.push_back(alone[i].second);
        std::sort(free.begin(), free.end());
        for (std::size_t i = 0; i < free.size(); ++i)
            for (std::size_t j = i + 1; j < free.size(); ++j) {
                if (!distinct(free[i], free[j]))
                    continue;
                for (std::size_t c = 0; c < k; ++c)
                    partial[c] = change(free[i])[c] + change(free[j])[c];
                for (auto it = firstAtLeast(free, j + 1, window[0] - partial[0]);
                     it != free.end() && change(*it)[0] <= window[1] - partial[0]; ++it) {
                    ++work;
                    if (!distinct(free[i], *it) || !distinct(free[j], *it))
                        continue;
                    for (std::size_t c = 0; c < k; ++c)
                        combined[c] = partial[c] + change(*it)[c];
                    if (within(combined.data()))
                        offer(combined.data(), {free[i], free[j], *it});
                }
            }
    }
    if (best[0] < 0)
        return false;
    for (int t : best)
        if (t >= 0) {
            const TSwap& sw = swaps[static_cast<std::size_t>(t)];
            violation += ShiftCounts(sw.X, a, b) + ShiftCounts(sw.Y, b, a);
            SwapSingles(sw.X, sw.Y, a, b, sw.Sex);
        }
    cost += bestDelta;
    return true;
}

std::uint64_t TSearch::DefaultBudget() const
{
    return std::clamp<std::uint64_t>(static_cast<std::uint64_t>(m_n) * 12000, 6'000'000, 36'000'000);
}

std::vector<int> TSearch::Run(TSearchOutcome& outcome)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const std::uint64_t total = m_options.Work ? m_options.Work : DefaultBudget();
    // A short threshold-accepting start; landing, exact and cheap, takes the rest.
    const std::uint64_t budget = total / 7;
    // The cap counts the processor time this search has had, so that other
    // work on a loaded machine does not cut it.
    const double startCpu = ThreadSeconds();
    auto late = [&]() { return ThreadSeconds() - startCpu > m_options.TimeLimit; };
    TSplitMix64 rng(m_options.Seed);
    i128 cost = Cost();
    std::int64_t violation = Violation();
    std::uint64_t work = 0;
    bool cut = false, floor = m_classes < 2 || AtFloor();
    const std::uint32_t groupShare = m_groups.empty() ? 0 : std::min<std::uint32_t>(32, static_cast<std::uint32_t>(m_groups.size()) * 4);
    // Threshold accepting: a move may worsen the cost by a share of the
    // current cost per class, the share shrinking to nothing by the phase's end.
    auto anneal = [&](std::uint64_t length, double share) {
        const std::uint64_t begin = work, end = std::min(total, work + length);
        while (!floor && work < end) {
            const double left = 1 - static_cast<double>(work - begin) / static_cast<double>(end - begin);
            const i128 slack = static_cast<i128>(static_cast<double>(cost) * share * left * left / m_classes);
            for (int step = 0; step < 1024 && work < end; ++step, ++work) {
                if (groupShare && rng.Below(256) < groupShare)
                    TryGroupMove(rng, cost, violation, cost + slack);
                else
                    TrySwap(rng, cost, violation, cost + slack);
            }
            floor = AtFloor();
            if ((work & 0xFFFF) < 1024 && !floor && late()) {
                cut = true;
                return;
            }
        }
    };
    anneal(budget, 0.1);
    // Then land every class inside bands around the grade means, narrower
    // step by step (the other columns widen before the ranking column)
    // down to the floor.
    const int largest = *std::max_element(m_size.begin(), m_size.end());
    // Widths in class-sum units of the ranking column and of the others,
    // and in tenths of a point of within-class SD.
    struct TStep {
        int Ranking, Others, Spread;
    };
    static constexpr TStep steps[] = {{0, 0, 6},   {0, 1, 6},   {0, 2, 7},    {0, 3, 7},    {1, 3, 8},   {1, 4, 8},
                                      {2, 4, 9},   {2, 5, 9},   {3, 6, 10},   {4, 7, 11},   {5, 8, 12},  {6, 9, 14},
                                      {8, 12, 16}, {10, 15, 20}, {14, 20, 25}, {20, 30, 35}, {30, 45, 50}, {50, 70, 80}};
    const bool ranking = m_k > m_meanColumns;
    auto widths = [&](std::size_t step) {
        std::vector<double> w(m_floors);
        for (std::size_t j = 0; j < w.size(); ++j)
            w[j] += (ranking && j == 0 ? steps[step].Ranking : steps[step].Others) / static_cast<double>(std::max(largest, 1));
        if (ranking)
            w.push_back(steps[step].Spread * m_spreadStep);
        return w;
    };
    auto stepOf = [&]() {  // the narrowest step whose bands hold every class
        std::size_t step = 0;
        while (step < std::size(steps) && !Inside(widths(step)))
            ++step;
        return step;
    };
    std::vector<int> best = m_cls;
    std::int64_t bestViolation = violation;
    std::size_t bestStep = stepOf();
    // From the step the classes are in, one narrower at a time; a step
    // that sticks is tried again from where it stuck or, every second time,
    // from a little shake, a few times.
    std::size_t step = bestStep, failures = 0;
    while (!floor && !cut && step > 0 && failures < 8 && work < total) {
        const bool ok = Land(widths(step - 1), cost, violation, work, total);
        if (const std::size_t now = stepOf(); violation < bestViolation || (violation == bestViolation && now < bestStep))
            best = m_cls, bestViolation = violation, bestStep = now;
        floor = AtFloor();
        cut = !floor && late();
        if (ok) {
            --step, failures = 0;
        } else if (++failures % 2 == 0 && !floor && !cut) {
            // Stuck twice: shake the classes a little and land from there.
            anneal(total / 40, 0.005);
            step = std::max<std::size_t>(step, stepOf());
        }
    }
    if (m_cls != best) {
        m_cls = best;
        InitState();
        floor = AtFloor();
    }
    outcome.Seed = m_options.Seed;
    outcome.Work = work;
    outcome.CutByTime = cut;
    outcome.AtFloor = floor;
    outcome.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return m_cls;
}

}  // namespace

void CheckBalancedInput(const TDealInput& input)
{
    const TAdjustments adj = ReadAdjustments(input);
    if (!adj.Problems.empty())
        throw EBalancedRefusal(adj.Problems);
    TSearch(input, adj, TBalancedOptions());  // placing the pins and 同 groups refuses what does not fit
}

TDealPlan TBalancedCheck::Deal(const TDealInput& input) const
{
    CheckBalancedInput(input);
    return TCyclicDeal().Deal(input);
}

TDealPlan TBalancedDeal::Deal(const TDealInput& input) const
{
    const TAdjustments adj = ReadAdjustments(input);
    if (!adj.Problems.empty())
        throw EBalancedRefusal(adj.Problems);
    TSearchOutcome outcome;
    TSearch search(input, adj, m_options);
    const std::vector<int> classes = search.Run(outcome);
    if (m_outcome)
        *m_outcome = outcome;
    TDealPlan plan;
    plan.Placements.reserve(classes.size());
    for (std::size_t i = 0; i < classes.size(); ++i)
        plan.Placements.push_back({static_cast<int>(i), classes[i]});
    return plan;
}

}  // namespace engine
