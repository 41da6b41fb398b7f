#include "engine/balanceddeal.h"
#include "engine/balancereport.h"
#include "engine/divideclasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cmath>
#include <map>
#include <numeric>

using namespace engine;

namespace {

// Columns: 考号 姓名 性别 学校 地区 语文 数学 总分 调整 (A..I).
const std::vector<std::string> Headers = {"考号", "姓名", "性别", "学校", "地区", "语文", "数学", "总分", "调整"};

TDivideClasses Division(const std::vector<std::vector<std::string>>& rows, int classes)
{
    TDivideClasses d;
    d.Headers = Headers;
    d.Data = rows;
    d.ClassCount = classes;
    d.Columns = {0, 1, 2, 3, 4, 7, 8};
    d.SortType = skNumeric;
    d.ClassPrefix = "高一";
    return d;
}

struct TRandom {
    std::uint64_t State;
    int Below(int n)
    {
        State = State * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int>((State >> 33) % static_cast<std::uint64_t>(n));
    }
};

// A generated roster; adjust(i) gives student i's 调整 cell.
std::vector<std::vector<std::string>> Generated(int students, std::uint64_t seed,
                                                const std::function<std::string(int)>& adjust)
{
    TRandom rng{seed};
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < students; ++i) {
        const int a = rng.Below(120) + 10, b = rng.Below(120) + 10;
        rows.push_back({std::to_string(1000 + i), "学生" + std::to_string(i), rng.Below(5) < 2 ? "男" : "女",
                        "学校" + std::to_string(rng.Below(7)), "地区" + std::to_string(rng.Below(3)),
                        std::to_string(a), std::to_string(b), std::to_string(a + b), adjust(i)});
    }
    return rows;
}

// The class index of every Data row after the division.
std::vector<int> ClassOfRows(const TDivideClasses& d)
{
    std::map<std::string, int> byId;
    for (std::size_t c = 0; c < d.Classes.size(); ++c)
        d.Classes[c].Students.ForEachForward([&](const TStuData* s) { byId[s->Fields[0]] = static_cast<int>(c); });
    std::vector<int> out;
    for (const auto& row : d.Data)
        out.push_back(byId.at(row[0]));
    return out;
}

TDivideClasses DivideBalanced(std::vector<std::vector<std::string>> rows, int classes, std::uint64_t seed = 1,
                              TSearchOutcome* outcome = nullptr)
{
    TDivideClasses d = Division(rows, classes);
    TBalancedOptions options;
    options.Seed = seed;
    options.TimeLimit = 1e9;  // the fixed work decides, whatever the machine's load
    d.SetDealStrategy(std::make_unique<TBalancedDeal>(options, outcome));
    d.Divide();
    return d;
}

std::string Lines(const std::vector<std::string>& v)
{
    std::string out;
    for (const std::string& s : v)
        out += s + "\n";
    return out;
}

}  // namespace

// Each rule the balanced deal keeps, on rosters that exercise it; the
// shared checker (the report's figures) must find nothing broken.
struct TRuleCase {
    const char* Name;
    int Students, Classes;
    std::function<std::string(int)> Adjust;
};

class BalancedRules : public testing::TestWithParam<TRuleCase> {};

TEST_P(BalancedRules, KeepsEveryRule)
{
    const TRuleCase& c = GetParam();
    TDivideClasses d = DivideBalanced(Generated(c.Students, 7, c.Adjust), c.Classes);
    TBalanceFigures f = DivisionFigures(d);
    EXPECT_EQ(Lines(f.Breaches), "");
    EXPECT_EQ(Lines(f.OriginBreaches), "");
    EXPECT_LE(f.MaxSize - f.MinSize, 1);
    EXPECT_LE(f.School.Spread, 1);
    EXPECT_LE(f.Region.Spread, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rosters, BalancedRules,
    testing::Values(
        TRuleCase{"Plain", 61, 4, [](int) { return std::string(); }},
        TRuleCase{"OneClass", 9, 1, [](int i) { return i % 3 ? std::string() : "同A"; }},
        TRuleCase{"Pins", 80, 5, [](int i) { return i % 9 == 0 ? std::to_string(i % 5 + 1) : std::string(); }},
        TRuleCase{"PinsByName", 40, 4, [](int i) { return i < 8 ? "高一(" + std::to_string(i % 4 + 1) + ")班" : ""; }},
        TRuleCase{"SameGroups", 90, 6, [](int i) { return i < 30 ? "同" + std::to_string(i / 3) : std::string(); }},
        TRuleCase{"PinnedGroup", 50, 3, [](int i) { return i < 3 ? "同A 2" : i < 6 ? "同B" : ""; }},
        TRuleCase{"ApartGroups", 90, 6, [](int i) { return i < 36 ? "分" + std::to_string(i / 3) : std::string(); }},
        TRuleCase{"ApartAsManyAsClasses", 40, 4, [](int i) { return i < 4 ? "分x" : ""; }},
        TRuleCase{"Flags", 70, 4, [](int i) { return i % 4 == 0 ? "关注" : ""; }},
        TRuleCase{"Everything", 120, 5, [](int i) {
                      return i < 5 ? std::to_string(i + 1) + " 关注"
                             : i < 15 ? "同" + std::to_string(i / 2) + (i % 4 == 0 ? "，*" : "")
                             : i < 40 ? "分" + std::to_string(i % 5)
                                      : "";
                  }},
        TRuleCase{"FewerBoysThanClasses", 13, 6, [](int) { return std::string(); }}),
    [](const testing::TestParamInfo<TRuleCase>& info) { return std::string(info.param.Name); });

// The checker names each broken rule; each row breaks exactly one.
struct TBreachCase {
    const char* Name;
    std::vector<int> Classes;  // of the six students
    std::string Expected;
};

class BalanceChecker : public testing::TestWithParam<TBreachCase> {};

TEST_P(BalanceChecker, NamesTheBrokenRule)
{
    // Six students, three boys (rows 3..5) and three girls; 2 classes.
    const std::vector<std::vector<std::string>> rows = {
        {"1", "a", "男", "", "", "1", "1", "2", "1"},     {"2", "b", "男", "", "", "1", "1", "2", "同A"},
        {"3", "c", "男", "", "", "1", "1", "2", "分P"},   {"4", "d", "女", "", "", "1", "1", "2", "同A 关注"},
        {"5", "e", "女", "", "", "1", "1", "2", "分P 关注"}, {"6", "f", "女", "", "", "1", "1", "2", "关注"}};
    TDealInput input;
    input.Roles = {0, 1, 2, 3, 4, 7, 8};
    input.ClassCount = 2;
    input.SortKind = skNumeric;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool boy = rows[i][2] == "男";
        input.Students.push_back({static_cast<int>(i), rows[i], {}, boy ? sxBoy : sxGirl, 2});
        (boy ? input.BoyOrder : input.GirlOrder).push_back(static_cast<int>(i));
    }
    FillDealColumns(input, Headers);
    const TAdjustments adj = ReadAdjustments(input);
    ASSERT_EQ(adj.Problems, "");
    EXPECT_EQ(Lines(MeasureBalance(input, GetParam().Classes, adj).Breaches), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BalanceChecker,
    testing::Values(TBreachCase{"AllKept", {0, 1, 0, 1, 1, 0}, ""},
                    TBreachCase{"Sizes", {0, 0, 1, 0, 0, 1}, "各班人数相差2\n"},
                    TBreachCase{"Sexes", {0, 0, 0, 1, 1, 1}, "各班男生人数相差3\n各班女生人数相差3\n"
                                                            "关注学生在各班的人数相差3\n同组“A”被分到了不同的班级\n"},
                    TBreachCase{"Pin", {1, 0, 0, 0, 1, 1}, "第3行的学生不在指定的班级\n"},
                    TBreachCase{"Same", {0, 0, 1, 1, 0, 1}, "同组“A”被分到了不同的班级\n"},
                    TBreachCase{"Apart", {0, 1, 0, 1, 0, 1}, "分组“P”有学生在同一个班\n"}),
    [](const testing::TestParamInfo<TBreachCase>& info) { return std::string(info.param.Name); });

TEST(BalanceChecker, FlagsAndOriginsSpreadOverOne)
{
    // Four flagged girls and one school all in class 1 of 2.
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 8; ++i)
        rows.push_back({std::to_string(i), "n", "女", i < 4 ? "一中" : "", "", "1", "1", "2", i < 4 ? "关注" : ""});
    TDealInput input;
    input.Roles = {0, 1, 2, 3, 4, 7, 8};
    input.ClassCount = 2;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        input.Students.push_back({static_cast<int>(i), rows[i], {}, sxGirl, 2});
        input.GirlOrder.push_back(static_cast<int>(i));
    }
    FillDealColumns(input, Headers);
    TBalanceFigures f = MeasureBalance(input, {0, 0, 0, 0, 1, 1, 1, 1}, ReadAdjustments(input));
    EXPECT_EQ(Lines(f.Breaches), "关注学生在各班的人数相差4\n");
    EXPECT_EQ(Lines(f.OriginBreaches), "学校一中在各班的人数相差4\n");
    EXPECT_EQ(f.School.Spread, 4);
}

TEST(BalancedDeal, RefusesBeforeTheRunWithEveryProblem)
{
    auto rows = Generated(20, 3, [](int i) {
        return i == 0 ? std::string("7") : i == 1 ? "什么" : i < 13 ? "同大" : "";
    });
    TDivideClasses d = Division(rows, 2);
    d.SetDealStrategy(std::make_unique<TBalancedDeal>());
    try {
        d.Divide();
        FAIL() << "the deal went ahead";
    } catch (const EBalancedRefusal& e) {
        EXPECT_EQ(std::string(e.what()), "I3:调整列的班号7超出范围（1～2）\rI4:调整列的内容无法识别\r"
                                         "同组“大”有11人，多于每班最多的10人");
    }
    EXPECT_TRUE(d.Classes.empty());
}

// The check alone (fenban check --balanced) refuses what the deal refuses,
// with the same message, and lets a sound roster through.
struct TCheckCase {
    const char* Name;
    int Students, Classes;
    std::function<std::string(int)> Adjust;
    std::string Refusal;  // empty: passes
};

class BalancedCheck : public testing::TestWithParam<TCheckCase> {};

TEST_P(BalancedCheck, RefusesAsTheDealWould)
{
    const TCheckCase& c = GetParam();
    const auto rows = Generated(c.Students, 3, c.Adjust);
    auto refusal = [&](std::unique_ptr<IDealStrategy> strategy) {
        TDivideClasses d = Division(rows, c.Classes);
        d.SetDealStrategy(std::move(strategy));
        try {
            d.Divide();
        } catch (const EBalancedRefusal& e) {
            EXPECT_TRUE(d.Classes.empty());
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(refusal(std::make_unique<TBalancedCheck>()), c.Refusal);
    EXPECT_EQ(refusal(std::make_unique<TBalancedDeal>()), c.Refusal);
}

// Six boys in four classes: two classes take a second boy. Pins asking it
// of three, each within the two a class may hold, pass the column's own
// check and are refused when the classes' boys are fixed.
TEST(BalancedCheck, RefusesPinsThatNeedTooManyExtraBoys)
{
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 8; ++i)
        rows.push_back({std::to_string(i), "n", i < 6 ? "男" : "女", "", "", "1", "1", "2", i < 6 ? std::to_string(i / 2 + 1) : ""});
    TDivideClasses d = Division(rows, 4);
    d.SetDealStrategy(std::make_unique<TBalancedCheck>());
    try {
        d.Divide();
        FAIL() << "the check let it through";
    } catch (const EBalancedRefusal& e) {
        EXPECT_EQ(std::string(e.what()), "指定到各班的男生、女生人数无法同时满足各班男生人数相差不超过1、女生人数相差不超过1");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rosters, BalancedCheck,
    testing::Values(
        TCheckCase{"Sound", 40, 4, [](int i) { return i < 4 ? "同A" : i < 8 ? "分B" : i == 9 ? "2 关注" : ""; }, ""},
        TCheckCase{"EveryProblemOfTheColumn", 20, 2,
                   [](int i) { return i == 0 ? std::string("7") : i == 1 ? "什么" : i < 13 ? "同大" : ""; },
                   "I3:调整列的班号7超出范围（1～2）\rI4:调整列的内容无法识别\r同组“大”有11人，多于每班最多的10人"},
        TCheckCase{"ApartLargerThanClassCount", 30, 3, [](int i) { return i < 4 ? "分x" : ""; },
                   "分组“x”有4人，多于班级数3"}),
    [](const testing::TestParamInfo<TCheckCase>& info) { return std::string(info.param.Name); });

TEST(BalancedCheck, SoundRosterIsDealtCyclically)
{
    const auto rows = Generated(30, 4, [](int i) { return i < 2 ? "同A" : ""; });
    TDivideClasses checked = Division(rows, 3), cyclic = Division(rows, 3);
    checked.SetDealStrategy(std::make_unique<TBalancedCheck>());
    checked.Divide();
    cyclic.Divide();
    EXPECT_EQ(ClassOfRows(checked), ClassOfRows(cyclic));
}

// The clock only caps: a run cut by it keeps every rule and says so.
TEST(BalancedDeal, TimeLimitCutsAndSaysSo)
{
    TDivideClasses d = Division(Generated(400, 9, [](int i) { return i < 20 ? "分" + std::to_string(i % 4) : ""; }), 8);
    TBalancedOptions options;
    options.TimeLimit = 1e-9;
    TSearchOutcome outcome;
    d.SetDealStrategy(std::make_unique<TBalancedDeal>(options, &outcome));
    d.Divide();
    EXPECT_TRUE(outcome.CutByTime);
    EXPECT_FALSE(outcome.AtFloor);
    EXPECT_EQ(Lines(DivisionFigures(d).Breaches), "");
    EXPECT_NE(DivisionReport(d, &outcome).find("已到时间上限"), std::string::npos);
}

TEST(BalancedDeal, SameSeedSameClassesOtherSeedStillSound)
{
    auto adjust = [](int i) { return i < 10 ? "同" + std::to_string(i / 2) : i < 20 ? "分" + std::to_string(i % 3) : ""; };
    const auto rows = Generated(150, 11, adjust);
    TSearchOutcome first, second;
    const std::vector<int> a = ClassOfRows(DivideBalanced(rows, 5, 42, &first));
    const std::vector<int> b = ClassOfRows(DivideBalanced(rows, 5, 42, &second));
    EXPECT_EQ(a, b);
    EXPECT_EQ(first.Work, second.Work);
    TDivideClasses other = DivideBalanced(rows, 5, 43);
    EXPECT_EQ(Lines(DivisionFigures(other).Breaches), "");
}

// Rosters small enough to prove the floor: equal class sums exist, or the
// total leaves a remainder and sums one apart are the best.
TEST(BalancedDeal, ReachesTheFloorWhereItIsKnown)
{
    struct TCase {
        std::vector<int> Boys, Girls;
        int Classes;
        double Floor;
    };
    for (const TCase& c : {TCase{{90, 80, 70, 60}, {95, 85, 75, 65}, 2, 0.0},
                           TCase{{10, 20, 30, 40, 50, 60}, {11, 22, 33, 44, 55, 66}, 3, 0.0},
                           TCase{{10, 20, 30, 41}, {1, 2, 3, 4}, 2, 0.25}}) {
        std::vector<std::vector<std::string>> rows;
        for (int sex = 0; sex < 2; ++sex)
            for (int v : sex == 0 ? c.Boys : c.Girls)
                rows.push_back({std::to_string(rows.size()), "n", sex == 0 ? "男" : "女", "", "", std::to_string(v),
                                "0", std::to_string(v), ""});
        TSearchOutcome outcome;
        TDivideClasses d = DivideBalanced(rows, c.Classes, 1, &outcome);
        TBalanceFigures f = DivisionFigures(d);
        ASSERT_FALSE(f.Columns.empty());
        EXPECT_EQ(f.Columns[0].Header, "总分");
        EXPECT_DOUBLE_EQ(f.Columns[0].Floor, c.Floor);
        EXPECT_NEAR(f.Columns[0].MeanRange, c.Floor, 1e-9);
        EXPECT_TRUE(outcome.AtFloor);
        EXPECT_TRUE(f.Optimal);
    }
}

// The floor is the least range integer sums allow, so reaching it proves
// the best: on rosters of a few hundred every column gets there, with equal
// class sizes and mixed, the schools spread (regions left alone) or not.
TEST(BalancedDeal, EveryColumnReachesTheFloorOnRostersOfAFewHundred)
{
    struct TCase {
        int Students;
        bool Spread;
    };
    for (const TCase& c : {TCase{200, true}, TCase{120, false}, TCase{300, false}, TCase{122, false}}) {
        TDivideClasses d = Division(Generated(c.Students, 17, [](int) { return std::string(); }), 4);
        d.Columns.RegionCol = -1;
        TBalancedOptions options;
        options.SpreadOrigins = c.Spread;
        options.TimeLimit = 1e9;
        TSearchOutcome outcome;
        d.SetDealStrategy(std::make_unique<TBalancedDeal>(options, &outcome));
        d.Divide();
        const TBalanceFigures f = DivisionFigures(d);
        const std::string name = std::to_string(c.Students) + (c.Spread ? " spread" : "");
        EXPECT_TRUE(outcome.AtFloor) << name;
        for (const TColumnFigures& col : f.Columns)
            EXPECT_NEAR(col.MeanRange, col.Floor, 1e-9) << col.Header << " " << name;
        if (c.Spread) {
            EXPECT_EQ(Lines(f.OriginBreaches), "") << name;
        }
    }
}

TEST(MeanRangeFloor, ForEqualAndMixedSizes)
{
    EXPECT_DOUBLE_EQ(MeanRangeFloor(100, {5, 5}), 0);
    EXPECT_DOUBLE_EQ(MeanRangeFloor(101, {5, 5}), 0.2);
    EXPECT_DOUBLE_EQ(MeanRangeFloor(0, {3}), 0);
    // Sizes 2 and 3, total 10: sums 4 and 6 give means 2 and 2.
    EXPECT_DOUBLE_EQ(MeanRangeFloor(10, {2, 3}), 0);
    // Total 11: sums 4 and 7 (2, 2.33) or 5 and 6 (2.5, 2): the best is 1/3.
    EXPECT_NEAR(MeanRangeFloor(11, {2, 3}), 1.0 / 3, 1e-12);
}

TEST(BalancedDeal, BalancesEveryNumericColumnAndTheSpread)
{
    TDivideClasses d = DivideBalanced(Generated(300, 5, [](int) { return std::string(); }), 6);
    TBalanceFigures f = DivisionFigures(d);
    ASSERT_EQ(f.Columns.size(), 3u);  // 总分, then 语文 and 数学; 考号 is the ID
    EXPECT_EQ(f.Columns[1].Header, "语文");
    for (const TColumnFigures& c : f.Columns)
        EXPECT_LE(c.MeanRange, 0.25) << c.Header;
    EXPECT_LE(f.Columns[0].SDRange, 2.0);
}

TEST(CyclicDeal, IgnoresTheAdjustColumnAndReportsWithoutConstraints)
{
    auto rows = Generated(12, 2, [](int i) { return i == 0 ? std::string("不认识") : i == 1 ? "1" : ""; });
    TDivideClasses d = Division(rows, 3);
    d.Divide();
    const std::string report = DivisionReport(d, nullptr);
    EXPECT_EQ(report.find("调整："), std::string::npos);
    EXPECT_NE(report.find("循环分班"), std::string::npos);
    EXPECT_EQ(report.rfind("均衡情况\n总分：班级均值极差 ", 0), 0u);
}
