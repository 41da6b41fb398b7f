#include "engine/divideclasses.h"

#include <gtest/gtest.h>

#include <map>

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

