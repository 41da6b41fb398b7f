#include "engine/balancereport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

namespace engine {
namespace {

double Unscaled(double v, int decimals)
{
    return decimals >= 0 ? v / std::pow(10.0, decimals) : v * std::pow(10.0, -decimals);
}

// Population standard deviation of the values.
double StandardDeviation(const std::vector<double>& values)
{
    if (values.empty())
        return 0;
    double mean = 0;
    for (double v : values)
        mean += v;
    mean /= static_cast<double>(values.size());
    double squares = 0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    return std::sqrt(squares / static_cast<double>(values.size()));
}

double Range(const std::vector<double>& values)
{
    if (values.empty())
        return 0;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    return *hi - *lo;
}

// The spread of a roster column's texts over the classes.
TOriginSpread OriginSpread(const TDealInput& input, const std::vector<int>& classOf, const TAdjustments& adj,
                           int col, std::vector<std::string>& breaches, const char* what)
{
    TOriginSpread out;
    if (col < 0)
        return out;
    const auto classes = static_cast<std::size_t>(input.ClassCount);
    std::map<std::string_view, std::vector<int>> counts;
    for (std::size_t i = 0; i < input.Students.size(); ++i) {
        const TDealStudent& s = input.Students[i];
        if (static_cast<std::size_t>(col) >= s.Fields.size() || s.Fields[static_cast<std::size_t>(col)].empty())
            continue;
        std::vector<int>& c = counts[s.Fields[static_cast<std::size_t>(col)]];
        c.resize(classes);
        ++c[static_cast<std::size_t>(classOf[i])];
    }
    out.Spread = 0;
    std::map<int, std::string> groupLabel;
    for (const TLabelGroup& g : adj.Same)
        for (int m : g.Members)
            groupLabel[m] = g.Label;
    for (const auto& [name, c] : counts) {
        const auto [lo, hi] = std::minmax_element(c.begin(), c.end());
        const int spread = *hi - *lo;
        std::string cause;
        if (spread > 1) {
            // Pinned or grouped students of it in its fullest class force the spread.
            const int full = static_cast<int>(hi - c.begin());
            for (std::size_t i = 0; i < input.Students.size() && cause.empty(); ++i) {
                const TDealStudent& s = input.Students[i];
                if (classOf[i] != full || s.Fields[static_cast<std::size_t>(col)] != name)
                    continue;
                if (adj.Students[i].Pin >= 0)
                    cause = "调整列指定的班级";
                else if (auto it = groupLabel.find(static_cast<int>(i)); it != groupLabel.end())
                    cause = "同组“" + it->second + "”";
            }
            if (cause.empty())
                breaches.push_back(std::string(what) + std::string(name) + "在各班的人数相差" + std::to_string(spread));
        }
        if (spread > out.Spread)
            out = {spread, std::string(name), cause};
    }
    return out;
}

std::string Decimal(double v)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", v);
    std::string t = buffer;
    while (t.back() == '0')
        t.pop_back();
    if (t.back() == '.')
        t.pop_back();
    return t == "-0" ? "0" : t;
}

// The finished division as a deal input with every student's class.
struct TFinished {
    TDealInput Input;
    std::vector<int> ClassOf;
};

TFinished Finished(const TDivideClasses& d)
{
    TFinished f;
    f.Input.Roles = d.Columns;
    f.Input.ClassCount = std::max(static_cast<int>(d.Classes.size()), 1);
    f.Input.ClassPrefix = d.ClassPrefix;
    f.Input.SortKind = d.SortType;
    for (std::size_t c = 0; c < d.Classes.size(); ++c)
        d.Classes[c].Students.ForEachForward([&](const TStuData* s) {
            const int index = static_cast<int>(f.Input.Students.size());
            const bool boy = d.Columns.SexCol >= 0 && static_cast<std::size_t>(d.Columns.SexCol) < s->Fields.size()
                             && s->Fields[static_cast<std::size_t>(d.Columns.SexCol)] == "男";
            f.Input.Students.push_back({index, s->Fields, {}, boy ? sxBoy : sxGirl, s->Key});
            (boy ? f.Input.BoyOrder : f.Input.GirlOrder).push_back(index);
            f.ClassOf.push_back(static_cast<int>(c));
        });
    FillDealColumns(f.Input, d.Headers);
    return f;
}

}  // namespace

TBalanceFigures MeasureBalance(const TDealInput& input, const std::vector<int>& classOf, const TAdjustments& adj)
{
    TBalanceFigures f;
    const auto classes = static_cast<std::size_t>(std::max(input.ClassCount, 1));
    const std::size_t n = input.Students.size();
    std::vector<int> sizes(classes), boys(classes), girls(classes);
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<std::size_t>(classOf[i]);
        ++sizes[c];
        ++(input.Students[i].Sex == sxBoy ? boys : girls)[c];
    }
    auto minmax = [](const std::vector<int>& v, int& lo, int& hi) {
        lo = *std::min_element(v.begin(), v.end()), hi = *std::max_element(v.begin(), v.end());
    };
    minmax(sizes, f.MinSize, f.MaxSize);
    minmax(boys, f.MinBoys, f.MaxBoys);
    minmax(girls, f.MinGirls, f.MaxGirls);
    if (f.MaxSize - f.MinSize > 1)
        f.Breaches.push_back("各班人数相差" + std::to_string(f.MaxSize - f.MinSize));
    if (f.MaxBoys - f.MinBoys > 1)
        f.Breaches.push_back("各班男生人数相差" + std::to_string(f.MaxBoys - f.MinBoys));
    if (f.MaxGirls - f.MinGirls > 1)
        f.Breaches.push_back("各班女生人数相差" + std::to_string(f.MaxGirls - f.MinGirls));

    bool allAtFloor = true;
    for (const TBalancedColumn& col : BalancedColumns(input)) {
        TColumnFigures figures;
        figures.Header = col.Header.empty() ? "排序字段" : col.Header;
        std::vector<std::vector<double>> values(classes);
        std::vector<std::int64_t> sums(classes);
        std::int64_t total = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const auto c = static_cast<std::size_t>(classOf[i]);
            sums[c] += col.Values[i];
            total += col.Values[i];
            if (!col.Blank[i])
                values[c].push_back(Unscaled(static_cast<double>(col.Values[i]), col.Decimals));
        }
        std::vector<double> means, spreads, scaledMeans;
        for (std::size_t c = 0; c < classes; ++c) {
            if (sizes[c] > 0)
                scaledMeans.push_back(static_cast<double>(sums[c]) / sizes[c]);
            if (values[c].empty())
                continue;
            double sum = 0;
            for (double v : values[c])
                sum += v;
            means.push_back(sum / static_cast<double>(values[c].size()));
            spreads.push_back(StandardDeviation(values[c]));
        }
        const double floor = MeanRangeFloor(total, sizes);
        figures.MeanRange = Range(means);
        figures.MeanSD = StandardDeviation(means);
        figures.Floor = Unscaled(floor, col.Decimals);
        figures.SDRange = Range(spreads);
        figures.AtFloor = Range(scaledMeans) <= floor + 1e-9;
        allAtFloor &= figures.AtFloor;
        f.Columns.push_back(std::move(figures));
    }

    f.School = OriginSpread(input, classOf, adj, input.Roles.SchoolCol, f.OriginBreaches, "学校");
    f.Region = OriginSpread(input, classOf, adj, input.Roles.RegionCol, f.OriginBreaches, "地区");

    f.HasAdjustments = input.Roles.AdjustCol >= 0;
    std::vector<int> flagged(classes);
    bool anyFlag = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (adj.Students[i].Flagged)
            anyFlag = true, ++flagged[static_cast<std::size_t>(classOf[i])];
        if (adj.Students[i].Pin >= 0) {
            ++f.Pins;
            if (classOf[i] == adj.Students[i].Pin)
                ++f.PinsKept;
            else
                f.Breaches.push_back("第" + std::to_string(input.Students[i].Row + 3) + "行的学生不在指定的班级");
        }
    }
    if (anyFlag) {
        int lo = 0, hi = 0;
        minmax(flagged, lo, hi);
        f.FlagSpread = hi - lo;
        if (f.FlagSpread > 1)
            f.Breaches.push_back("关注学生在各班的人数相差" + std::to_string(f.FlagSpread));
    }
    for (const TLabelGroup& g : adj.Same) {
        ++f.Same;
        const int c = classOf[static_cast<std::size_t>(g.Members.front())];
        if (std::all_of(g.Members.begin(), g.Members.end(), [&](int m) { return classOf[static_cast<std::size_t>(m)] == c; }))
            ++f.SameKept;
        else
            f.Breaches.push_back("同组“" + g.Label + "”被分到了不同的班级");
    }
    for (const TLabelGroup& g : adj.Apart) {
        ++f.Apart;
        std::vector<int> seen(classes);
        bool kept = true;
        for (int m : g.Members)
            kept &= ++seen[static_cast<std::size_t>(classOf[static_cast<std::size_t>(m)])] == 1;
        if (kept)
            ++f.ApartKept;
        else
            f.Breaches.push_back("分组“" + g.Label + "”有学生在同一个班");
    }
    f.Optimal = allAtFloor && f.Breaches.empty() && f.OriginBreaches.empty();
    return f;
}

std::string BalanceReportText(const TBalanceFigures& f, const TSearchOutcome* search)
{
    std::string out = "均衡情况\n";
    for (const TColumnFigures& c : f.Columns)
        out += c.Header + "：班级均值极差 " + Decimal(c.MeanRange) + "（下限 " + Decimal(c.Floor) + "），均值标准差 "
               + Decimal(c.MeanSD) + "，班内标准差极差 " + Decimal(c.SDRange) + "\n";
    auto span = [](int lo, int hi) { return std::to_string(lo) + "–" + std::to_string(hi); };
    out += "人数 " + span(f.MinSize, f.MaxSize) + "，男生 " + span(f.MinBoys, f.MaxBoys) + "，女生 "
           + span(f.MinGirls, f.MaxGirls) + "\n";
    auto origin = [&](const char* what, const TOriginSpread& s) {
        if (s.Spread < 0)
            return;
        out += std::string(what) + "最大相差 " + std::to_string(s.Spread);
        if (!s.Name.empty())
            out += "（" + s.Name + (s.Cause.empty() ? "" : "，受" + s.Cause + "所限") + "）";
        out += "\n";
    };
    origin("学校", f.School);
    origin("地区", f.Region);
    if (f.FlagSpread >= 0)
        out += "关注学生最大相差 " + std::to_string(f.FlagSpread) + "\n";
    if (f.HasAdjustments)
        out += "调整：指定班级 " + std::to_string(f.PinsKept) + "/" + std::to_string(f.Pins) + "，同组 "
               + std::to_string(f.SameKept) + "/" + std::to_string(f.Same) + "，分组 " + std::to_string(f.ApartKept) + "/"
               + std::to_string(f.Apart) + "\n";
    for (const std::string& b : f.Breaches)
        out += "未满足：" + b + "\n";
    if (f.Optimal)
        out += "最优\n";
    if (!search) {
        out += "循环分班\n";
    } else {
        out += "均衡分班：种子 " + std::to_string(search->Seed) + "，用时 " + Decimal(search->Seconds) + " 秒";
        if (search->CutByTime)
            out += "，已到时间上限，搜索提前结束";
        out += "\n";
    }
    return out;
}

TBalanceFigures DivisionFigures(const TDivideClasses& division)
{
    const TFinished f = Finished(division);
    TAdjustments adj = ReadAdjustments(f.Input);
    const bool readable = adj.Problems.empty();
    if (!readable) {
        // The cyclic deal ignores the column; constraints it cannot read are not counted.
        adj = TAdjustments();
        adj.Students.assign(f.Input.Students.size(), TStudentAdjustment());
    }
    TBalanceFigures figures = MeasureBalance(f.Input, f.ClassOf, adj);
    figures.HasAdjustments &= readable;
    return figures;
}

std::string DivisionReport(const TDivideClasses& division, const TSearchOutcome* search)
{
    return BalanceReportText(DivisionFigures(division), search);
}

TBalancedMeans BalancedMeans(const TDivideClasses& division)
{
    const TFinished f = Finished(division);
    TBalancedMeans out;
    const std::size_t classes = division.Classes.size();
    for (const TBalancedColumn& col : BalancedColumns(f.Input)) {
        out.Headers.push_back(col.Header);
        std::vector<double> sums(classes + 1), counts(classes + 1);
        for (std::size_t i = 0; i < f.Input.Students.size(); ++i) {
            if (col.Blank[i])
                continue;
            const double v = Unscaled(static_cast<double>(col.Values[i]), col.Decimals);
            for (std::size_t c : {static_cast<std::size_t>(f.ClassOf[i]), classes}) {
                sums[c] += v;
                counts[c] += 1;
            }
        }
        std::vector<double> means(classes + 1, std::numeric_limits<double>::quiet_NaN());
        for (std::size_t c = 0; c <= classes; ++c)
            if (counts[c] > 0)
                means[c] = sums[c] / counts[c];
        out.Means.push_back(std::move(means));
    }
    return out;
}

}  // namespace engine
