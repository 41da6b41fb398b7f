#include "engine/adjustment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace engine;

namespace {

// Students of rows {sex, 调整}: columns 考号 (A), 性别 (B), 调整 (C); the
// first student is on sheet row 3.
struct TAdjustRoster {
    std::vector<std::vector<std::string>> Rows;
    TDealInput Input;

    TAdjustRoster(const std::vector<std::pair<std::string, std::string>>& students, int classes,
                  std::string prefix = "高一")
    {
        for (std::size_t i = 0; i < students.size(); ++i)
            Rows.push_back({std::to_string(i + 1), students[i].first, students[i].second});
        Input.Roles.IDCol = 0;
        Input.Roles.SexCol = 1;
        Input.Roles.AdjustCol = 2;
        Input.ClassCount = classes;
        Input.ClassPrefix = std::move(prefix);
        for (std::size_t i = 0; i < Rows.size(); ++i) {
            const bool boy = Rows[i][1] == "男";
            Input.Students.push_back({static_cast<int>(i), Rows[i], {}, boy ? sxBoy : sxGirl, 0});
            (boy ? Input.BoyOrder : Input.GirlOrder).push_back(static_cast<int>(i));
        }
    }
};

// Eight students, half boys, in four classes; the first one's cell varies.
TAdjustments Read(const std::string& cell, const std::string& prefix = "高一")
{
    std::vector<std::pair<std::string, std::string>> s = {{"男", cell}, {"女", ""}, {"女", "同A"}, {"男", ""},
                                                          {"男", "分1"}, {"女", ""}, {"男", ""}, {"女", ""}};
    TAdjustRoster r(s, 4, prefix);
    return ReadAdjustments(r.Input);
}

}  // namespace

struct TSyntaxCase {
    const char* Name;
    std::string Cell;
    int Pin;             // class index of the first student, -1 none
    bool Flagged;
    bool InSameA;        // joins the 同A group of the third student
    bool InApart1;       // joins the 分1 group of the fifth student
    std::string Problems;
};

class AdjustmentSyntax : public testing::TestWithParam<TSyntaxCase> {};

TEST_P(AdjustmentSyntax, ReadsTheCell)
{
    const TSyntaxCase& c = GetParam();
    TAdjustments a = Read(c.Cell);
    EXPECT_EQ(a.Problems, c.Problems);
    if (!c.Problems.empty())
        return;
    EXPECT_EQ(a.Students[0].Pin, c.Pin);
    EXPECT_EQ(a.Students[0].Flagged, c.Flagged);
    auto hasFirst = [](const std::vector<TLabelGroup>& groups, const std::string& label) {
        for (const TLabelGroup& g : groups)
            if (g.Label == label)
                return g.Members.front() == 0;
        return false;
    };
    EXPECT_EQ(hasFirst(a.Same, "A"), c.InSameA);
    EXPECT_EQ(hasFirst(a.Apart, "1"), c.InApart1);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, AdjustmentSyntax,
    testing::Values(
        TSyntaxCase{"Empty", "", -1, false, false, false, ""},
        TSyntaxCase{"Number", "3", 2, false, false, false, ""},
        TSyntaxCase{"FullWidthDigit", "３", 2, false, false, false, ""},
        TSyntaxCase{"DisplayName", "高一(3)班", 2, false, false, false, ""},
        TSyntaxCase{"DisplayNameFullWidth", "高一（３）班", 2, false, false, false, ""},
        TSyntaxCase{"NameWithoutPrefix", "(4)班", 3, false, false, false, ""},
        TSyntaxCase{"OtherGradesPrefix", "高二(3)班", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"NumberThenBlankAndClassWord", "3 班", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"NumberWithClassWord", "3班", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"Zero", "0", -1, false, false, false, "C3:调整列的班号0超出范围（1～4）"},
        TSyntaxCase{"AboveClassCount", "5", -1, false, false, false, "C3:调整列的班号5超出范围（1～4）"},
        TSyntaxCase{"HugeNumber", "123456789012", -1, false, false, false,
                    "C3:调整列的班号123456789012超出范围（1～4）"},
        TSyntaxCase{"SameWithoutLabel", "同", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"SameThenBlankLabel", "同 A", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"SameLabel", "同A", -1, false, true, false, ""},
        TSyntaxCase{"ApartLabel", "分1", -1, false, false, true, ""},
        TSyntaxCase{"FullWidthApartLabel", "分１", -1, false, false, true, ""},
        TSyntaxCase{"Flag", "关注", -1, true, false, false, ""},
        TSyntaxCase{"Star", "*", -1, true, false, false, ""},
        TSyntaxCase{"FullWidthStar", "＊", -1, true, false, false, ""},
        TSyntaxCase{"EverySeparator", "2，同A、分1；关注", 1, true, true, true, ""},
        TSyntaxCase{"AsciiSeparators", "2,同A;*", 1, true, true, false, ""},
        TSyntaxCase{"EmptyEntriesBetweenSeparators", ",,2，，、 ；", 1, false, false, false, ""},
        TSyntaxCase{"IdeographicSpace", "2　关注", 1, true, false, false, ""},
        TSyntaxCase{"SamePinTwice", "2 高一(2)班", 1, false, false, false, ""},
        TSyntaxCase{"TwoPins", "2 3", -1, false, false, false, "C3:调整列指定了不止一个班级"},
        TSyntaxCase{"UnknownWord", "重点", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"LeadingZero", "03", 2, false, false, false, ""},
        TSyntaxCase{"PlusSign", "+1", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"MinusSign", "-1", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"DecimalNumber", "1.0", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"TabSeparator", "\t2\t", 1, false, false, false, ""},
        TSyntaxCase{"ApartLabelTwice", "分1 分1", -1, false, false, true, ""},
        TSyntaxCase{"FlagTwiceInOneWord", "关注关注", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"TwoStars", "**", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"LabelsRunTogether", "同A同B", -1, false, false, false, ""},
        TSyntaxCase{"FullWidthNameWithoutPrefix", "（２）班", 1, false, false, false, ""},
        TSyntaxCase{"NameWithoutNumber", "高一()班", -1, false, false, false, "C3:调整列的内容无法识别"},
        TSyntaxCase{"UnknownAndOutOfRange", "9 x", -1, false, false, false,
                    "C3:调整列的班号9超出范围（1～4）\rC3:调整列的内容无法识别"}),
    [](const testing::TestParamInfo<TSyntaxCase>& info) { return std::string(info.param.Name); });

TEST(Adjustment, EmptyPrefixNamesClassesByNumberAlone)
{
    EXPECT_EQ(Read("(2)班", "").Students[0].Pin, 1);
    EXPECT_EQ(Read("高一(2)班", "").Problems, "C3:调整列的内容无法识别");
}

TEST(Adjustment, SameGroupsJoinThroughSharedMembers)
{
    TAdjustRoster r({{"男", "同A"}, {"女", "同B"}, {"男", "同A 同B"}, {"女", "同C"}, {"男", ""}, {"女", ""}}, 2);
    TAdjustments a = ReadAdjustments(r.Input);
    ASSERT_EQ(a.Problems, "");
    ASSERT_EQ(a.Same.size(), 1u);  // 同C alone is no constraint
    EXPECT_EQ(a.Same[0].Label, "A");
    EXPECT_EQ(a.Same[0].Members, (std::vector<int>{0, 1, 2}));
}

TEST(Adjustment, GroupPinReachesEveryMember)
{
    TAdjustRoster r({{"男", "同A 2"}, {"女", "同A"}, {"男", ""}, {"女", ""}}, 2);
    TAdjustments a = ReadAdjustments(r.Input);
    ASSERT_EQ(a.Problems, "");
    EXPECT_EQ(a.Students[1].Pin, 1);
}

TEST(Adjustment, NoColumnLeavesEveryStudentFree)
{
    TAdjustRoster r({{"男", "3"}, {"女", "x"}}, 2);
    r.Input.Roles.AdjustCol = -1;
    TAdjustments a = ReadAdjustments(r.Input);
    EXPECT_EQ(a.Problems, "");
    EXPECT_EQ(a.Students.size(), 2u);
    EXPECT_EQ(a.Students[0].Pin, -1);
}

// Everything that cannot be met comes in one message, one line per problem.
TEST(Adjustment, RefusalsListEveryProblem)
{
    // 12 students (6 boys) in 3 classes: at most 4 a class, 2 boys, 2 girls.
    TAdjustRoster r({{"男", "1"}, {"男", "1"}, {"男", "1"},                     // three boys pinned to class 1
                     {"女", "同G 2"}, {"女", "同G 3"},                           // one group, two classes
                     {"女", "同H"}, {"男", "同H"}, {"女", "同H"}, {"男", "同H"}, {"女", "同H"},  // group of five
                     {"男", "分1 同K"}, {"女", "分1 同K"}},                        // apart inside a group
                    3);
    TAdjustments a = ReadAdjustments(r.Input);
    EXPECT_EQ(a.Problems, "同组“G”的学生被指定到不同的班级\r"
                          "同组“H”有5人，多于每班最多的4人\r"
                          "同组“K”中有学生同属分组“1”\r"
                          "指定到高一(1)班的男生有3名，多于每班最多的2名");
}

TEST(Adjustment, RefusesOverfullClassesAndApartGroups)
{
    TAdjustRoster r({{"男", "1 分x"}, {"女", "1 分x"}, {"男", "1"}, {"女", "分x"}, {"男", "分x"}, {"女", ""}}, 2);
    TAdjustments a = ReadAdjustments(r.Input);
    EXPECT_EQ(a.Problems, "分组“x”有4人，多于班级数2\r"
                          "分组“x”中有学生被指定到同一个班（高一(1)班）");
    TAdjustRoster full({{"男", "1"}, {"女", "1"}, {"男", "1"}, {"女", "1"}, {"男", ""}, {"女", ""}}, 2);
    EXPECT_EQ(ReadAdjustments(full.Input).Problems, "指定到高一(1)班的学生有4人，多于每班最多的3人");
}
