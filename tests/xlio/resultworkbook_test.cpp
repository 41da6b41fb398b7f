#include "xlio/fileerror.h"
#include "xlio/resultworkbook.h"
#include "xlio/workbookwriter.h"
#include "xlio/xlsxreader.h"
#include "workbooktest.h"
#include "ziptestutil.h"

#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace xlio {
namespace {

using xlgrid::TXLSheet;

void Fill(TXLSheet& sheet, const std::vector<std::vector<std::string>>& rows, int firstRow)
{
    int cols = 0;
    for (const auto& row : rows)
        cols = std::max(cols, static_cast<int>(row.size()));
    sheet.SetTitleRows(1);
    sheet.SetTitleCols(1);
    sheet.SetColCount(cols);
    sheet.SetRowCount(static_cast<int>(rows.size()) + firstRow);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            sheet.SetText(static_cast<int>(c), static_cast<int>(r) + firstRow, rows[r][c]);
}

// A result sheet: the headers in the heading row, the rows from 0.
void FillResult(TXLSheet& sheet, const std::string& title, const std::vector<std::string>& headers,
                const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::vector<std::string>> all = {headers};
    all.insert(all.end(), rows.begin(), rows.end());
    Fill(sheet, all, -1);
    sheet.SetRowCount(static_cast<int>(rows.size()));
    sheet.SetTitle(title);
}

struct TDivisionSheets {
    TXLSheet Roster, Grade, Class1, Class2, Overview;
    TDivisionSheets()
    {
        Fill(Roster, {{"高一新生名单"}, {"姓名", "考号", "总分"}, {"张三", "00123", "85"}, {"李四", "00456", "90.5"}}, 0);
        FillResult(Grade, "全年级", {"序号", "姓名", "考号", "班级"},
                   {{"1", "李四", "00456", "高一(1)班"}, {"2", "张三", "00123", "高一(2)班"}});
        FillResult(Class1, "高一(1)班", {"序号", "姓名", "考号"}, {{"1", "李四", "00456"}});
        FillResult(Class2, "高一(2)班", {"序号", "姓名", "考号"}, {{"1", "张三", "00123"}});
        FillResult(Overview, "分班情况", {"班级", "人数", "平均分"}, {{"高一(1)班", "1", "90.5"}, {"高一(2)班", "1", "85"}});
    }
    std::vector<TResultSheet> List()
    {
        return {{rkDataSource, "数据源", &Roster}, {rkGrade, "全年级", &Grade}, {rkClass, "高一(1)班", &Class1},
                {rkClass, "高一(2)班", &Class2}, {rkOverview, "分班情况", &Overview}};
    }
};

const std::string kBorders = "thin:000000,thin:000000,thin:000000,thin:000000";

TEST(ResultWorkbook, LayoutReadBack)
{
    TDivisionSheets d;
    const std::string path = test::TempPath("result.xlsx");
    std::vector<std::string> progress;
    TResultWorkbookOptions options;
    options.Date = "2026.3.1";
    options.Progress = [&](const std::string& text, std::int64_t position, std::int64_t maximum) {
        if (position == 0)
            progress.push_back(text + " " + std::to_string(maximum));
    };
    WriteResultWorkbook(path, d.List(), options);

    // Our reader sees the first worksheet: the roster, its caption in row 0.
    const Table roster = ReadXlsx(path);
    EXPECT_EQ(roster, (Table{{"高一新生名单"}, {"姓名", "考号", "总分"}, {"张三", "00123", "85"},
                             {"李四", "00456", "90.5"}}));
    // Steps per worksheet: K x (R - 1) + 2 for the roster, (R + 1) x K + 2 for the others.
    EXPECT_EQ(progress, (std::vector<std::string>{"5→数据源 11", "4→全年级 14", "3→高一(1)班 8", "2→高一(2)班 8",
                                                  "1→分班情况 11"}));

    if (!test::HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const auto facts = test::WorkbookFacts(path);
    for (const std::string& expected : std::vector<std::string>{
             "sheets=数据源,全年级,高一(1)班,高一(2)班,分班情况",
             "active=数据源",
             "数据源!merged=A1:C1",
             "数据源!A1=高一新生名单|str|@|-|宋体,9,-|center|-,-,-,-",
             "数据源!A2=姓名|str|@|-|宋体,9,-|center|" + kBorders,
             "数据源!B3=00123|str|@|-|宋体,9,-|center|" + kBorders,
             "全年级!merged=A1:D1",
             "全年级!A1=全年级|str|General|-|宋体,9,-|center|-,-,-,-",
             "全年级!D2=班级|str|@|C0C0C0|宋体,9,-|center|" + kBorders,
             "全年级!C4=00123|str|@|-|宋体,9,-|center|" + kBorders,
             "高一(1)班!merged=A1:C1",
             "高一(2)班!B3=张三|str|@|-|宋体,9,-|center|" + kBorders,
             "分班情况!A1=分班情况        2026.3.1|str|General|-|宋体,9,-|center|-,-,-,-",
             "分班情况!B2=人数|str|General|C0C0C0|宋体,9,-|center|" + kBorders,
             "分班情况!B3=1|int|General|-|宋体,9,-|center|" + kBorders,
             "分班情况!C3=90.5|float|General|-|宋体,9,-|center|" + kBorders,
         })
        EXPECT_TRUE(facts.count(expected)) << expected << "\nin:\n" << testing::PrintToString(facts);
    std::filesystem::remove(path);
}

TEST(ResultWorkbook, TwentySevenColumnsMergeUpToAA)
{
    TXLSheet grade;
    std::vector<std::string> headers;
    for (int i = 0; i < 27; ++i)
        headers.push_back("h" + std::to_string(i));
    FillResult(grade, "全年级", headers, {headers});
    const std::string path = test::TempPath("wide.xlsx");
    WriteResultWorkbook(path, {{rkGrade, "全年级", &grade}});
    if (!test::HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const auto facts = test::WorkbookFacts(path);
    EXPECT_TRUE(facts.count("全年级!merged=A1:AA1"));
    EXPECT_TRUE(facts.count("全年级!AA3=h26|str|@|-|宋体,9,-|center|" + kBorders));
    std::filesystem::remove(path);
}

struct TNameCase {
    const char* Name;
    std::string Second;  // the name of the second class
    const char* MessagePart;
};

void PrintTo(const TNameCase& c, std::ostream* os)
{
    *os << c.Name;
}

class WorksheetNames : public testing::TestWithParam<TNameCase> {};

TEST_P(WorksheetNames, CheckedBeforeWriting)
{
    const auto& c = GetParam();
    TDivisionSheets d;
    auto list = d.List();
    list[3].Name = c.Second;
    const std::string dir = test::TempPath("names");
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/result.xlsx";
    test::WriteAll(path, "the workbook of an earlier export");
    if (!c.MessagePart) {
        EXPECT_NO_THROW(WriteResultWorkbook(path, list));
        return;
    }
    try {
        WriteResultWorkbook(path, list);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(c.MessagePart), std::string::npos) << e.what();
    }
    // The earlier file is untouched and nothing else was left behind.
    EXPECT_EQ(test::ReadAll(path), "the workbook of an earlier export");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Names, WorksheetNames,
    testing::Values(TNameCase{"Slash", "高一/2班", "\"高一/2班\" contains the character /"},
                    TNameCase{"Colon", "高一:2班", "contains the character :"},
                    TNameCase{"Brackets", "高一[2]班", "contains the character ["},
                    TNameCase{"Question", "2班?", "contains the character ?"},
                    TNameCase{"Star", "2*班", "contains the character *"},
                    TNameCase{"Backslash", "2\\班", "contains the character \\"},
                    TNameCase{"Empty", "", "is empty"},
                    TNameCase{"ThirtyTwo", std::string(32, 'x'), "longer than 31 characters"},
                    TNameCase{"ThirtyOneChinese", [] { std::string s; for (int i = 0; i < 31; ++i) s += "班"; return s; }(), nullptr},
                    TNameCase{"ThirtyTwoChinese", [] { std::string s; for (int i = 0; i < 32; ++i) s += "班"; return s; }(), "longer than 31"},
                    TNameCase{"SameAsAnother", "高一(1)班", "used twice"},
                    TNameCase{"Apostrophe", "'2班", "apostrophe"},
                    TNameCase{"Fine", "高一(2)班", nullptr}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ResultWorkbook, NamesDifferingOnlyInCase)
{
    TXLSheet a, b;
    FillResult(a, "Class A", {"x"}, {});
    FillResult(b, "class a", {"x"}, {});
    EXPECT_NE(ResultSheetNamesProblem({{rkClass, "Class A", &a}, {rkClass, "class a", &b}}).find("used twice"),
              std::string::npos);
}

TEST(ResultWorkbook, FailureWhileWritingLeavesNoPartialFile)
{
    TDivisionSheets d;
    d.Class2.SetText(1, 0, std::string(40000, 'x'));  // longer than a cell may hold
    const std::string dir = test::TempPath("partial");
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/result.xlsx";
    test::WriteAll(path, "old");
    EXPECT_THROW(WriteResultWorkbook(path, d.List()), EFileError);
    EXPECT_EQ(test::ReadAll(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
}

TEST(ResultWorkbook, MissingFolderIsAClearError)
{
    TDivisionSheets d;
    const std::string path = test::TempPath("no-such-folder") + "/result.xlsx";
    try {
        WriteResultWorkbook(path, d.List());
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.File(), path);
        EXPECT_NE(std::string(e.what()).find("temporary file"), std::string::npos) << e.what();
    }
}

TEST(ResultWorkbook, ColumnNames)
{
    const std::pair<int, const char*> cases[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"},
                                                 {53, "BA"}, {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
    for (const auto& [n, name] : cases)
        EXPECT_EQ(ExcelColumn(n), name) << n;
}

}  // namespace
}  // namespace xlio
