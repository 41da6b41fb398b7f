#include "engine/compute.h"
#include "engine/dealstrategy.h"
#include "engine/divideclasses.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>
#include <optional>

using namespace engine;

namespace {

// Rows of (id, sex, key text).
TDivideClasses Division(const std::vector<std::vector<std::string>>& rows, int classes, bool ids,
                        bool sexDigit, TSortKind sortType = skNumeric)
{
    TDivideClasses d;
    d.Data = rows;
    d.ClassCount = classes;
    d.Columns.SexCol = 1;
    d.Columns.SortCol = 2;
    d.SortType = sortType;
    d.CreateStudentID = ids;
    d.SexPrefix = sexDigit;
    d.Divide();
    return d;
}

// "id:number" for the students of a class, in list order (ascending key).
std::string Students(const TClassData& c)
{
    std::string out;
    c.Students.ForEachForward([&](TStuData* s) {
        if (!out.empty())
            out += ' ';
        out += s->Fields[0] + ":" + s->StudentID;
    });
    return out;
}

const std::vector<std::vector<std::string>> TwoClassRoster = {
    {"b90", "男", "90"}, {"b80", "男", "80"}, {"b70", "男", "70"}, {"b60", "男", "60"},
    {"g95", "女", "95"}, {"g85", "女", "85"}, {"g75", "女", "75"},
};

}  // namespace

TEST(Divide, TwoClassesWithoutSexDigit)
{
    TDivideClasses d = Division(TwoClassRoster, 2, true, false);
    ASSERT_EQ(d.Classes.size(), 2u);
    EXPECT_EQ(Students(d.Classes[0]), "b70:0102 g75:0103 b90:0101 g95:0104");
    EXPECT_EQ(Students(d.Classes[1]), "b60:0202 b80:0201 g85:0203");
    EXPECT_EQ(d.Classes[0].Total, 330);
    EXPECT_EQ(d.Classes[1].Total, 225);
    EXPECT_EQ(d.Grade.Total, 555);
    EXPECT_EQ(d.Classes[0].Count, 4);
    EXPECT_EQ(d.Classes[1].Count, 3);
    EXPECT_EQ(d.Classes[0].Name, "(1)班");
    EXPECT_EQ(d.Grade.Name, "全年级");
    EXPECT_EQ(d.Grade.Count, 7);
    EXPECT_EQ(d.Grade.BoyCount, 4);
    EXPECT_EQ(d.Grade.Students.Count(), 7u);
    d.Grade.Students.ForEachForward([](TStuData* s) { EXPECT_FALSE(s->ClassName.empty()); });
}

TEST(Divide, TwoClassesWithSexDigit)
{
    TDivideClasses d = Division(TwoClassRoster, 2, true, true);
    EXPECT_EQ(Students(d.Classes[0]), "b70:10102 g75:00103 b90:10101 g95:00104");
    EXPECT_EQ(Students(d.Classes[1]), "b60:10202 b80:10201 g85:00203");
}

TEST(Divide, NoNumbersWhenNumberingIsOff)
{
    TDivideClasses d = Division(TwoClassRoster, 2, false, true);
    EXPECT_EQ(Students(d.Classes[0]), "b70: g75: b90: g95:");
}

TEST(Divide, RemaindersGoToTheLowestClasses)
{
    struct Case {
        const char* name;
        int boys, girls, classes;
        std::vector<std::pair<int, int>> expected;  // (boys, girls) per class
    };
    const Case cases[] = {
        {"31 and 31 in 3", 31, 31, 3, {{11, 11}, {10, 10}, {10, 10}}},
        {"more classes than boys", 2, 5, 4, {{1, 2}, {1, 1}, {0, 1}, {0, 1}}},
        {"one class", 3, 2, 1, {{3, 2}}},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<std::string>> rows;
        for (int i = 0; i < c.boys; ++i)
            rows.push_back({"b", "男", std::to_string(i % 7)});
        for (int i = 0; i < c.girls; ++i)
            rows.push_back({"g", "女", std::to_string(i % 5)});
        TDivideClasses d = Division(rows, c.classes, true, false);
        ASSERT_EQ(d.Classes.size(), c.expected.size()) << c.name;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(d.Classes[i].BoyCount, c.expected[i].first) << c.name << " class " << i + 1;
            EXPECT_EQ(d.Classes[i].GirlCount, c.expected[i].second) << c.name << " class " << i + 1;
            EXPECT_EQ(d.Classes[i].Name, "(" + std::to_string(i + 1) + ")班");
        }
    }
}

TEST(Divide, SortKindNoneDealsByTheInsertionRule)
{
    TDivideClasses d = Division(
        {{"p", "男", "9"}, {"q", "男", "1"}, {"r", "男", "5"}, {"s", "男", "3"}}, 2, true, false, skNone);
    // Sex list r s q p, dealt p q s r.
    EXPECT_EQ(Students(d.Classes[0]), "s:0102 p:0101");
    EXPECT_EQ(Students(d.Classes[1]), "r:0202 q:0201");
    EXPECT_EQ(d.Grade.Total, 0);
}

TEST(Divide, OneClassNumbersBoysFirst)
{
    TDivideClasses d = Division({{"g1", "女", "50"}, {"b1", "男", "10"}, {"b2", "男", "20"}}, 1, true, false);
    std::map<std::string, std::string> numbers;
    d.Classes[0].Students.ForEachForward([&](TStuData* s) { numbers[s->Fields[0]] = s->StudentID; });
    EXPECT_EQ(numbers["b2"], "0101");
    EXPECT_EQ(numbers["b1"], "0102");
    EXPECT_EQ(numbers["g1"], "0103");
}

TEST(Divide, ThreeDigitPlacesAndClassNumbers)
{
    EXPECT_EQ(StudentNumber(12, 105, false, true), "12105");
    EXPECT_EQ(StudentNumber(3, 7, true, false), "00307");
    EXPECT_EQ(StudentNumber(100, 1, false, true), "10001");
}

TEST(Divide, OtherSexTextsTakeNoPartAndClassCountIsAtLeastOne)
{
    TDivideClasses d = Division({{"x", "M", "1"}, {"b", "男", "2"}}, 0, false, false);
    ASSERT_EQ(d.Classes.size(), 1u);
    EXPECT_EQ(d.Grade.Count, 1);
    EXPECT_EQ(d.Classes[0].Count, 1);
}

namespace {

// A strategy whose plan the test writes by hand.
class TScriptedDeal : public IDealStrategy {
public:
    explicit TScriptedDeal(std::function<TDealPlan(const TDealInput&)> deal) : m_deal(std::move(deal)) {}
    TDealPlan Deal(const TDealInput& input) const override { return m_deal(input); }

private:
    std::function<TDealPlan(const TDealInput&)> m_deal;
};

// The two-class roster (students 0..3 boys, 4..6 girls) with numbering on,
// dealt by the given plan.
TDivideClasses PlannedDivision(int classes, std::function<TDealPlan(const TDealInput&)> deal)
{
    TDivideClasses d;
    d.Data = TwoClassRoster;
    d.ClassCount = classes;
    d.Columns.SexCol = 1;
    d.Columns.SortCol = 2;
    d.SortType = skNumeric;
    d.CreateStudentID = true;
    d.SetDealStrategy(std::make_unique<TScriptedDeal>(std::move(deal)));
    return d;
}

TDealPlan Plan(std::vector<TPlacement> placements) { return {std::move(placements)}; }

}  // namespace

TEST(DealSeam, ClassesComeOutAsPlannedNumberedBoysFirstInRankOrder)
{
    // Placements in no particular order: the division fills by rank.
    TDivideClasses d = PlannedDivision(3, [](const TDealInput&) {
        return Plan({{6, 2}, {0, 2}, {5, 0}, {2, 0}, {4, 1}, {3, 2}, {1, 0}});
    });
    d.Divide();
    ASSERT_EQ(d.Classes.size(), 3u);
    EXPECT_EQ(Students(d.Classes[0]), "b70:0102 b80:0101 g85:0103");
    EXPECT_EQ(Students(d.Classes[1]), "g95:0201");
    EXPECT_EQ(Students(d.Classes[2]), "b60:0302 g75:0303 b90:0301");
    const int boys[] = {2, 0, 2}, girls[] = {1, 1, 1};
    const double totals[] = {235, 95, 225};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(d.Classes[i].BoyCount, boys[i]) << i;
        EXPECT_EQ(d.Classes[i].GirlCount, girls[i]) << i;
        EXPECT_EQ(d.Classes[i].Count, boys[i] + girls[i]) << i;
        EXPECT_EQ(d.Classes[i].Total, totals[i]) << i;
    }
    EXPECT_EQ(d.Grade.Total, 555);
    EXPECT_EQ(d.Grade.Count, 7);
    EXPECT_EQ(d.Grade.Students.Count(), 7u);
    std::string labels;
    d.Grade.Students.ForEachForward([&](TStuData* s) { labels += s->Fields[0] + s->ClassName + " "; });
    EXPECT_EQ(labels, "b60(3)班 b70(1)班 g75(3)班 b80(1)班 g85(1)班 b90(3)班 g95(2)班 ");
}

TEST(DealSeam, BadPlansAreRefusedAndLeaveTheDivisionEmpty)
{
    auto cyclicThen = [](std::function<void(std::vector<TPlacement>&)> spoil) {
        return [spoil](const TDealInput& input) {
            TDealPlan plan = TCyclicDeal().Deal(input);
            spoil(plan.Placements);
            return plan;
        };
    };
    auto setClass = [](int student, int cls) {
        return [=](std::vector<TPlacement>& p) {
            for (TPlacement& x : p)
                if (x.Student == student)
                    x.Class = cls;
        };
    };
    struct Case {
        const char* name;
        std::function<void(std::vector<TPlacement>&)> spoil;
        const char* message;
    };
    const Case cases[] = {
        {"empty plan", [](auto& p) { p.clear(); }, "分班方案有误：第3行的学生没有分到班级"},
        {"missing student",
         [](auto& p) { std::erase_if(p, [](const TPlacement& x) { return x.Student == 5; }); },
         "分班方案有误：第8行的学生没有分到班级"},
        {"duplicate", [](auto& p) { p.push_back({2, 1}); }, "分班方案有误：第5行的学生被分配了不止一次"},
        {"duplicate in the same class", [](auto& p) { p.push_back(p.front()); },
         "分班方案有误：第3行的学生被分配了不止一次"},
        {"class -1", setClass(3, -1), "分班方案有误：第6行的学生的班级序号 -1 超出范围（共 2 个班）"},
        {"class ClassCount", setClass(4, 2), "分班方案有误：第7行的学生的班级序号 2 超出范围（共 2 个班）"},
        {"class huge", setClass(6, INT_MAX),
         "分班方案有误：第9行的学生的班级序号 2147483647 超出范围（共 2 个班）"},
        {"student -1", [](auto& p) { p.back().Student = -1; }, "分班方案有误：学生序号 -1 超出范围（共 7 名学生）"},
        {"student past the end", [](auto& p) { p.push_back({7, 0}); },
         "分班方案有误：学生序号 7 超出范围（共 7 名学生）"},
        {"student huge", [](auto& p) { p.front().Student = INT_MAX; },
         "分班方案有误：学生序号 2147483647 超出范围（共 7 名学生）"},
    };
    for (const Case& c : cases) {
        TDivideClasses d = PlannedDivision(2, cyclicThen(c.spoil));
        try {
            d.Divide();
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const EDealPlanError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.name;
        }
        EXPECT_TRUE(d.Classes.empty()) << c.name;
        EXPECT_EQ(d.Grade.Count, 0) << c.name;
        EXPECT_EQ(d.Grade.Students.Count(), 0u) << c.name;
    }
}

TEST(DealSeam, CyclicDealWalksEachRankedOrderRoundTheClasses)
{
    TDealInput input;
    input.Students.resize(7);
    input.BoyOrder = {3, 0, 5, 1, 6};
    input.GirlOrder = {2, 4};
    input.ClassCount = 2;
    std::vector<int> classes = PlannedClasses(TCyclicDeal().Deal(input), input);
    EXPECT_EQ(classes, (std::vector<int>{1, 1, 0, 0, 1, 0, 0}));
    input.ClassCount = 1;
    EXPECT_EQ(PlannedClasses(TCyclicDeal().Deal(input), input), std::vector<int>(7, 0));
}

TEST(DealSeam, StrategySeesEveryRecordTheRolesAndTheSettings)
{
    const std::vector<std::vector<std::string>> rows = {
        {"高一名单"},
        {" 考号 ", "姓名", "性别", "总分", "语文", "学校", "地区", "调整", "备注"},
        {"1", "甲", "男", "90", "88.5", "一中", "东区", "同1", "x"},
        {"2", "乙", "女", "95", "", "二中", "西区", "", "7"},
        {"3", "丙", "男", "80", "-2", "一中", "东区", "3", "y"},
        {"4", "丁", "女", "60", "1e2", "三中", "北区", "关注", ""},
    };
    TTableRoster roster(rows, 9);
    TConfigStore config = TConfigStore::InMemory();
    config.WriteSetting("ClassCount", "2");
    config.WriteSetting("ClassPrefix", "高一");
    TRosterColumns columns;
    TSortField sortField;
    ASSERT_TRUE(CheckRoster(roster, config, columns, sortField).Passed);
    ASSERT_EQ(columns.SchoolCol + columns.RegionCol + columns.AdjustCol, 5 + 6 + 7);
    TDivideClasses d;
    FillDivision(d, roster, config, columns, sortField);

    bool seen = false;
    d.SetDealStrategy(std::make_unique<TScriptedDeal>([&](const TDealInput& in) {
        seen = true;
        EXPECT_EQ(in.ClassCount, 2);
        EXPECT_EQ(in.ClassPrefix, "高一");
        EXPECT_EQ(in.SortKind, skNumeric);
        EXPECT_TRUE(in.Roles == columns);

        const char* headers[] = {"考号", "姓名", "性别", "总分", "语文", "学校", "地区", "调整", "备注"};
        const bool numeric[] = {true, false, false, true, true, false, false, false, false};
        EXPECT_EQ(in.Columns.size(), 9u);
        for (std::size_t j = 0; j < in.Columns.size() && j < 9; ++j) {
            EXPECT_EQ(in.Columns[j].Header, headers[j]) << j;
            EXPECT_EQ(in.Columns[j].Numeric, numeric[j]) << j;
        }

        EXPECT_EQ(in.Students.size(), 4u);
        for (std::size_t i = 0; i < in.Students.size(); ++i) {
            const TDealStudent& s = in.Students[i];
            EXPECT_EQ(s.Row, static_cast<int>(i));
            EXPECT_EQ(s.Fields.size(), 9u);
            EXPECT_EQ(s.Values.size(), 9u);
            EXPECT_EQ(s.Sex, i % 2 == 0 ? sxBoy : sxGirl) << i;
        }
        const std::optional<double> none;
        EXPECT_EQ(in.Students[0].Fields[5], "一中");
        EXPECT_EQ(in.Students[2].Fields[7], "3");
        EXPECT_EQ(in.Students[0].Values[4], 88.5);
        EXPECT_EQ(in.Students[1].Values[4], none);  // blank
        EXPECT_EQ(in.Students[2].Values[4], -2.0);
        EXPECT_EQ(in.Students[3].Values[4], 100.0);
        EXPECT_EQ(in.Students[3].Values[0], 4.0);
        EXPECT_EQ(in.Students[1].Values[8], none);  // a number in a column of texts
        EXPECT_EQ(in.Students[2].Values[7], none);
        EXPECT_EQ(in.Students[1].Key, 95);
        EXPECT_EQ(in.BoyOrder, (std::vector<int>{0, 2}));
        EXPECT_EQ(in.GirlOrder, (std::vector<int>{3, 1}));
        return TCyclicDeal().Deal(in);
    }));
    d.Divide();
    EXPECT_TRUE(seen);
    EXPECT_EQ(d.Grade.Count, 4);
}

TEST(DealSeam, StudentsWithAnotherSexTextAreNotInTheInput)
{
    TDivideClasses d;
    d.Data = {{"x", "M", "1"}, {"b", "男", "2"}, {"g", "女", "3"}, {"", "", ""}};
    d.Columns.SexCol = 1;
    d.Columns.SortCol = 2;
    d.SortType = skNumeric;
    std::vector<int> rows;
    d.SetDealStrategy(std::make_unique<TScriptedDeal>([&](const TDealInput& in) {
        for (const TDealStudent& s : in.Students)
            rows.push_back(s.Row);
        EXPECT_EQ(in.Columns.size(), 3u);
        EXPECT_TRUE(in.Columns[2].Numeric);
        EXPECT_EQ(in.Columns[0].Header, "");
        return TCyclicDeal().Deal(in);
    }));
    d.Divide();
    EXPECT_EQ(rows, (std::vector<int>{1, 2}));
}
