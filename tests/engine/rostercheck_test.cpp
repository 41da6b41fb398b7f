#include "engine/rostercheck.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace engine;

namespace {

using Rows = std::vector<std::vector<std::string>>;

struct TCheckRun {
    TRosterCheck Result;
    TRosterColumns Columns;
    TSortField Sort;
    std::set<std::pair<int, int>> Marks;
    std::string StoredSortName;
    std::string StoredSortType;
};

TCheckRun RunCheck(const Rows& rows, const std::string& settings = "")
{
    TConfigStore config = TConfigStore::InMemory();
    for (std::size_t start = 0; start < settings.size();) {
        std::size_t end = settings.find(';', start);
        if (end == std::string::npos)
            end = settings.size();
        std::string kv = settings.substr(start, end - start);
        std::size_t eq = kv.find('=');
        config.WriteSetting(kv.substr(0, eq), kv.substr(eq + 1));
        start = end + 1;
    }
    config.LoadSettings();
    std::size_t cols = 0;
    for (const auto& r : rows)
        cols = std::max(cols, r.size());
    TTableRoster roster(rows, static_cast<int>(cols));
    roster.Mark(0, 0);  // an old mark the check clears
    TCheckRun run;
    run.Result = CheckRoster(roster, config, run.Columns, run.Sort);
    run.Marks = roster.Marks();
    run.StoredSortName = config.ReadSetting("SortFieldName", "");
    run.StoredSortType = config.ReadSetting("SortFieldType", "");
    return run;
}

const Rows Good = {
    {"高一新生", "", "", ""},
    {"考号", "姓名", "性别", "总分"},
    {"1", "甲", "男", "90"},
    {"2", "乙", "女", "85"},
};

}  // namespace

TEST(CheckRoster, ShapeAndTitleMessages)
{
    struct Case {
        const char* name;
        Rows rows;
        const char* settings;
        const char* message;
    };
    const Case cases[] = {
        {"two rows", {{"t", "", ""}, {"考号", "姓名", "性别"}}, "", "数据源不符合表格格式规范"},
        {"two columns", {{"t", ""}, {"x", "y"}, {"", ""}}, "ClassCount=9", "数据源不符合表格格式规范"},
        {"fewer students", Good, "ClassCount=3", "学生数少于班级数"},
        {"empty title", {{"  ", "", "", ""}, Good[1], Good[2], Good[3]}, "", "表格标题不能为空"},
        {"no id", {Good[0], {"x", "姓名", "性别", "总分"}, Good[2]}, "",
         "表格没有考号（编号）列  或  考号（编号）列头不在第二行"},
        {"no name", {Good[0], {"考号", "x", "性别", "总分"}, Good[2]}, "", "表格没有姓名列  或  姓名列头不在第二行"},
        {"no sex", {Good[0], {"考号", "姓名", "x", "总分"}, Good[2]}, "", "表格没有性别列  或  性别列头不在第二行"},
    };
    for (const Case& c : cases) {
        TCheckRun run = RunCheck(c.rows, c.settings);
        EXPECT_FALSE(run.Result.Passed) << c.name;
        EXPECT_EQ(run.Result.Message, c.message) << c.name;
    }
    EXPECT_TRUE(RunCheck(Good, "ClassCount=2").Result.Passed);
    EXPECT_TRUE(RunCheck(Good, "ClassCount=0").Result.Passed);
}

TEST(CheckRoster, RowMessagesAndMarks)
{
    Rows rows = {Good[0], Good[1], Good[2], Good[3], {"4", "", "M", "70"}, {"5", "丁", "男", "80"}};
    TCheckRun run = RunCheck(rows);
    EXPECT_EQ(run.Result.Message, "B5:姓名不能为空\rC5:性别出错");
    EXPECT_EQ(run.Marks, (std::set<std::pair<int, int>>{{2, 4}}));
}

TEST(CheckRoster, InvalidSortValueStopsTheScan)
{
    Rows rows = {Good[0], Good[1], {"1", "a", "男", "85"}, {"2", "b", "女", "abc"}, {"3", "", "女", "90"}};
    TCheckRun run = RunCheck(rows, "SortFieldName=总分;SortFieldType=数值型");
    EXPECT_EQ(run.Result.Message, "D4:排序字段【总分】数值型数据非法");
    EXPECT_EQ(run.Marks, (std::set<std::pair<int, int>>{{3, 3}}));

    Rows grades = {Good[0], {"考号", "姓名", "性别", "等第"}, {"1", "a", "男", "优"}, {"2", "b", "女", "A+"}};
    EXPECT_EQ(RunCheck(grades, "SortFieldName=等第;SortFieldType=等级型").Result.Message,
              "D4:排序字段【等第】等级型数据非法");
    EXPECT_TRUE(RunCheck(grades, "SortFieldName=等第;SortFieldType=其它").Result.Passed);
}

TEST(CheckRoster, BlankTrailingRowGivesFourLines)
{
    Rows rows = {Good[0], Good[1], Good[2], {" ", "", "", ""}};
    EXPECT_EQ(RunCheck(rows).Result.Message, "A4:考号（编号）不能为空\rB4:姓名不能为空\rC4:性别不能为空\rD4:总分不能为空");
    Rows noTotal = {{"t", "", ""}, {"考号", "姓名", "性别"}, {"", "", ""}};
    EXPECT_EQ(RunCheck(noTotal).Result.Message, "A3:考号（编号）不能为空\rB3:姓名不能为空\rC3:性别不能为空\rA3:考号不能为空");
}

TEST(CheckRoster, HeaderRoles)
{
    Rows rows = {{"t", "", "", "", "", "", "", "", ""},
                 {"x", "学号", "姓名", "考号", "学校", "性别", "学校", "籍贯", "调整"},
                 {"", "1", "a", "", "", "男", "", "", ""}};
    TCheckRun run = RunCheck(rows);
    EXPECT_EQ(run.Columns.IDCol, 1);
    EXPECT_EQ(run.Columns.NameCol, 2);
    EXPECT_EQ(run.Columns.SexCol, 5);
    EXPECT_EQ(run.Columns.SchoolCol, 6);
    EXPECT_EQ(run.Columns.RegionCol, 7);
    EXPECT_EQ(run.Columns.AdjustCol, 8);
    EXPECT_EQ(run.Columns.SortCol, 1);
    EXPECT_EQ(run.Sort.Name, "学号");
    EXPECT_TRUE(run.Result.Passed);
}

TEST(CheckRoster, SortFieldFallbackIsPersisted)
{
    struct Case {
        const char* name;
        Rows rows;
        const char* settings;
        int sortCol;
        const char* sortName;
        TSortKind kind;
    };
    const Rows withAdjust = {Good[0], {"考号", "姓名", "性别", "总分", "调整"}, {"1", "a", "男", "9", ""}};
    const Rows noTotal = {{"t", "", ""}, {" 考号 ", "姓名", "性别"}, {"7", "a", "男"}};
    const Case cases[] = {
        {"configured", Good, "SortFieldName=总分;SortFieldType=等级型", 3, "总分", skGrade},
        {"adjust never matches", withAdjust, "SortFieldName=调整;SortFieldType=等级型", 3, "总分", skNumeric},
        {"name never matches", Good, "SortFieldName=姓名", 3, "总分", skNumeric},
        {"id header fallback", noTotal, "SortFieldName=语文", 0, "考号", skNumeric},
        {"id as configured sort", {Good[0], {"学号", "姓名", "性别", "总分"}, Good[2]}, "SortFieldName=学号;SortFieldType=数值型", 0, "学号", skNumeric},
    };
    for (const Case& c : cases) {
        TCheckRun run = RunCheck(c.rows, c.settings);
        EXPECT_EQ(run.Columns.SortCol, c.sortCol) << c.name;
        EXPECT_EQ(run.Sort.Name, c.sortName) << c.name;
        EXPECT_EQ(run.Sort.Kind, c.kind) << c.name;
        if (std::string(c.name) != "configured" && std::string(c.name) != "id as configured sort") {
            EXPECT_EQ(run.StoredSortName, c.sortName) << c.name;
            EXPECT_EQ(run.StoredSortType, "数值型") << c.name;
        }
    }
    Rows badId = {{"t", "", ""}, {"考号", "姓名", "性别"}, {"A7", "a", "男"}};
    EXPECT_EQ(RunCheck(badId).Result.Message, "A3:排序字段【考号】数值型数据非法");
}

TEST(CheckRoster, FarColumnReference)
{
    Rows rows(7, std::vector<std::string>(53, "x"));
    rows[1] = std::vector<std::string>(53, "");
    rows[1][0] = "考号";
    rows[1][1] = "姓名";
    rows[1][2] = "性别";
    rows[1][52] = "总分";
    for (int r = 2; r < 7; ++r) {
        rows[r][0] = "1";
        rows[r][2] = "男";
        rows[r][52] = "5";
    }
    rows[6][52] = "";
    EXPECT_EQ(RunCheck(rows).Result.Message, "C53R7:总分不能为空");
}
