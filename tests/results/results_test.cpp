#include "engine/atomicfile.h"
#include "engine/divideclasses.h"
#include "results/averageformat.h"
#include "results/csvexport.h"
#include "results/resultview.h"
#include "results/tableimport.h"
#include "xlgrid/encoding.h"
#include "xlgrid/sheet.h"
#include "xlio/sheetimport.h"

#include "../commalocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>

using namespace results;
namespace fs = std::filesystem;

TEST(FormatAverage, ZeroToTwoDecimals)
{
    struct Row {
        double value;
        const char* text;
    };
    const Row rows[] = {
        {200.0 / 3, "66.67"}, {181.0 / 2, "90.5"}, {360.0 / 4, "90"},  {12.5, "12.5"},   {100, "100"},
        {0, "0"},             {0.125, "0.13"},     {2.675, "2.67"},    {0.005, "0.01"},   {99.995, "100"}, {1.005, "1"},
        {999.999, "1000"},    {-1.5, "-1.5"},      {-0.001, "0"},      {1e15, "1000000000000000"},
        {85.125, "85.13"},    {0.994999, "0.99"},  {9.995, "9.99"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FormatAverage(row.value), row.text) << row.value;
}

TEST(FormatAverage, SameTextWhateverTheProcessLocale)
{
    TCommaDecimalLocale locale;
    ASSERT_TRUE(locale.Active()) << TCommaDecimalLocale::Missing;
    struct Row {
        double value;
        const char* text;
    };
    const Row rows[] = {
        {200.0 / 3, "66.67"}, {181.0 / 2, "90.5"}, {360.0 / 4, "90"}, {85.125, "85.13"}, {-1.5, "-1.5"}, {0.005, "0.01"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FormatAverage(row.value), row.text) << row.value;
}

namespace {

engine::TDivideClasses SmallDivision(bool ids, int classes = 2)
{
    engine::TDivideClasses d;
    d.Data = {{"1", "甲", "男", "90"}, {"2", "乙", "男", "80"}, {"3", "丙", "女", "95"}};
    d.ClassCount = classes;
    d.Columns.SexCol = 2;
    d.Columns.SortCol = 3;
    d.SortType = engine::skNumeric;
    d.CreateStudentID = ids;
    d.StudentIDPrefix = "S";
    d.ClassPrefix = "高一";
    d.Divide();
    return d;
}

std::vector<std::vector<std::string>> Cells(const IResultTable& t)
{
    std::vector<std::vector<std::string>> out;
    std::string scratch;
    for (int r = -1; r < t.RowCount(); ++r) {
        out.emplace_back();
        for (int c = 0; c < t.ColCount(); ++c)
            out.back().emplace_back(t.Text(c, r, scratch));
    }
    return out;
}

const std::vector<std::string> Header = {"考号", " 姓名 ", "性别", "总分"};

}  // namespace

TEST(ResultViews, StudentSheetColumns)
{
    engine::TDivideClasses with = SmallDivision(true);
    engine::TSortField sort{"总分", engine::skNumeric};
    engine::TRosterColumns cols;
    cols.IDCol = 0;
    cols.SortCol = 3;
    TResultViews v = MakeResultViews(with, Header, sort, cols);
    ASSERT_EQ(v.Students.size(), 3u);
    EXPECT_EQ(Cells(v.Students[0]),
              (std::vector<std::vector<std::string>>{{"考号", " 姓名 ", "性别", "总分", "班别", "学号"},
                                                     {"3", "丙", "女", "95", "高一(1)班", "S0102"},
                                                     {"1", "甲", "男", "90", "高一(1)班", "S0101"},
                                                     {"2", "乙", "男", "80", "高一(2)班", "S0201"}}));
    EXPECT_EQ(v.Students[1].Title(), "高一(1)班");
    EXPECT_EQ(Cells(v.Students[2]),
              (std::vector<std::vector<std::string>>{{"考号", " 姓名 ", "性别", "总分", "学号"},
                                                     {"2", "乙", "男", "80", "S0201"}}));
    engine::TDivideClasses without = SmallDivision(false);
    TResultViews w = MakeResultViews(without, Header, sort, cols);
    EXPECT_EQ(w.Students[0].ColCount(), 5);
    EXPECT_EQ(Cells(w.Students[0])[1].back(), "高一(1)班");
    EXPECT_EQ(w.Students[1].ColCount(), 4);
}

TEST(ResultViews, OverviewAverageColumnAndColours)
{
    struct Case {
        const char* name;
        engine::TSortField sort;
        int sortCol;
        int columns;
    };
    const Case cases[] = {
        {"numeric", {"总分", engine::skNumeric}, 3, 5},
        {"grade", {"总分", engine::skGrade}, 3, 4},
        {"none", {"总分", engine::skNone}, 3, 4},
        {"id column", {"考号", engine::skNumeric}, 0, 4},
    };
    engine::TDivideClasses d = SmallDivision(false, 3);
    for (const Case& c : cases) {
        engine::TRosterColumns cols;
        cols.IDCol = 0;
        cols.SortCol = c.sortCol;
        TOverviewView ov(d, c.sort, cols);
        EXPECT_EQ(ov.ColCount(), c.columns) << c.name;
    }
    engine::TRosterColumns cols;
    cols.IDCol = 0;
    cols.SortCol = 3;
    TOverviewView ov(d, {"总分", engine::skNumeric}, cols);
    EXPECT_EQ(Cells(ov), (std::vector<std::vector<std::string>>{{"班别", "总人数", "男生人数", "女生人数", "总分"},
                                                              {"高一(1)班", "2", "1", "1", "92.5"},
                                                              {"高一(2)班", "1", "1", "0", "80"},
                                                              {"高一(3)班", "0", "0", "0", ""},
                                                              {"全年级", "3", "2", "1", "88.33"}}));
    for (int col = 1; col <= 3; ++col)
        EXPECT_EQ(ov.GradeCountColor(col), CountMatchColor);
    d.Grade.BoyCount = 5;  // a grade that disagrees with its classes shows red
    TOverviewView bad(d, {"总分", engine::skNumeric}, cols);
    EXPECT_EQ(bad.GradeCountColor(2), CountMismatchColor);
    EXPECT_EQ(bad.GradeCountColor(3), CountMatchColor);
}

TEST(TableImport, FirstLineDecidesWidthAndTrailingBlanksGo)
{
    struct Case {
        const char* name;
        xlio::Table records;
        xlio::Table rows;
        int colCount;
    };
    const Case cases[] = {
        {"surplus lost, short padded", {{"x", "y"}, {"a", "b", "c"}, {"d"}}, {{"x", "y"}, {"a", "b"}, {"d", ""}}, 2},
        {"trailing rows and columns", {{"t", "", " "}, {"a", "b", ""}, {" ", "", ""}, {"", "\t", ""}}, {{"t", ""}, {"a", "b"}}, 2},
        {"inner blank row stays", {{"a"}, {""}, {"b"}}, {{"a"}, {""}, {"b"}}, 1},
        {"all blank", {{" ", ""}, {"", ""}}, {}, 0},
        {"nothing", {}, {}, 0},
        {"leading comma", {{"", "x"}}, {{"", "x"}}, 2},
    };
    for (const Case& c : cases) {
        TImportedTable t = ImportCsvTable(c.records);
        EXPECT_EQ(t.Rows, c.rows) << c.name;
        EXPECT_EQ(t.ColCount, c.colCount) << c.name;
    }
}

// The command line reads workbooks into plain tables; the designer fills a
// sheet. Both must see the same roster: same shape, same texts.
TEST(TableImport, WorkbookTableMatchesTheSheetImport)
{
    struct Case {
        const char* name;
        xlio::Table rows;
        int colCount;
    };
    const Case cases[] = {
        {"longest row decides", {{"名单"}, {"考号", "姓名", "性别"}, {"1", "甲"}}, 3},
        {"ragged rows with blank tails", {{"t", "", ""}, {"a", "b", " "}, {"\n", ""}, {}}, 2},
        {"blank column inside stays", {{"a", "", "c"}, {"d"}}, 3},
        {"control characters are blank", {{"a", "\r\n"}, {"\t", "\x01"}}, 1},
        {"only blanks", {{" "}, {"", "\t"}}, 0},
        {"no rows", {}, 0},
        {"empty rows only", {{}, {}}, 0},
        {"wide last row", {{"a"}, {"", "", "", "z"}}, 4},
    };
    for (const Case& c : cases) {
        TImportedTable t = ImportWorkbookTable(c.rows);
        EXPECT_EQ(t.ColCount, c.colCount) << c.name;
        xlgrid::TXLSheet sheet;
        xlio::ImportTable(sheet, c.rows);
        ASSERT_EQ(t.ColCount, sheet.ColCount()) << c.name;
        ASSERT_EQ(static_cast<int>(t.Rows.size()), sheet.RowCount()) << c.name;
        for (int r = 0; r < sheet.RowCount(); ++r) {
            ASSERT_EQ(static_cast<int>(t.Rows[static_cast<std::size_t>(r)].size()), t.ColCount) << c.name;
            for (int col = 0; col < sheet.ColCount(); ++col) {
                const xlgrid::TXLCell* cell = sheet.FindCell(col, r);
                EXPECT_EQ(t.Rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(col)],
                          cell ? cell->AsString() : std::string())
                    << c.name << " " << col << "," << r;
            }
        }
    }
}

namespace {

class TRecordingProgress : public ICsvExportProgress {
public:
    void BeginFile(const std::string& text, int steps) override
    {
        Files.push_back({text, steps, 0});
    }
    void Step() override { ++Files.back().Steps; }
    struct File {
        std::string Text;
        int Max;
        int Steps;
    };
    std::vector<File> Files;
};

std::string FileText(const fs::path& p)
{
    return xlgrid::Gb18030ToUtf8(engine::ReadFileBounded(p, 1 << 20));
}

class CsvExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("fenban-export-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

}  // namespace

TEST_F(CsvExportTest, WritesEveryFileWithItsLinesAndProgress)
{
    engine::TDivideClasses d = SmallDivision(true, 3);
    engine::TRosterColumns cols;
    cols.IDCol = 0;
    cols.SortCol = 3;
    engine::TSortField sort{"总分", engine::skNumeric};
    TResultViews v = MakeResultViews(d, Header, sort, cols);
    std::vector<const IResultTable*> sheets;
    for (const auto& s : v.Students)
        sheets.push_back(&s);
    sheets.push_back(&v.Overview);
    std::vector<std::vector<std::string>> roster = {{"名单,一", "", "", ""}, Header, {"1", "甲", "男", "90"},
                                                    {"2", "乙", "男", "80"}, {"3", "丙\"", "女", "95"}};
    TRosterView source(roster, 4);
    TCsvExportOptions options;
    options.Date = "2012.9.1";
    TRecordingProgress progress;
    ExportCsv(m_dir, sheets, source, options, &progress);

    ASSERT_EQ(progress.Files.size(), 6u);
    const char* texts[] = {"6→分班情况", "5→高一(3)班", "4→高一(2)班", "3→高一(1)班", "2→全年级", "1→数据源"};
    const int maxima[] = {(4 + 1) * 5 + 2, (0 + 1) * 5 + 2, (1 + 1) * 5 + 2, (2 + 1) * 5 + 2, (3 + 1) * 6 + 2,
                          4 * (5 - 1) + 2};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(progress.Files[i].Text, texts[i]);
        EXPECT_EQ(progress.Files[i].Max, maxima[i]) << texts[i];
        EXPECT_EQ(progress.Files[i].Steps, maxima[i]) << texts[i];
    }
    EXPECT_EQ(FileText(m_dir / "分班情况.csv"),
              "分班情况        2012.9.1\r\n\r\n班别,总人数,男生人数,女生人数,总分\r\n高一(1)班,2,1,1,92.5\r\n"
              "高一(2)班,1,1,0,80\r\n高一(3)班,0,0,0,\r\n全年级,3,2,1,88.33\r\n");
    EXPECT_EQ(FileText(m_dir / "高一(3)班.csv"), "高一(3)班\r\n\r\n考号, 姓名 ,性别,总分,学号\r\n");
    EXPECT_EQ(FileText(m_dir / "高一(1)班.csv"),
              "高一(1)班\r\n\r\n考号, 姓名 ,性别,总分,学号\r\n3,丙,女,95,S0102\r\n1,甲,男,90,S0101\r\n");
    EXPECT_EQ(FileText(m_dir / "数据源.csv"),
              "\"名单,一\",,,\r\n考号, 姓名 ,性别,总分\r\n1,甲,男,90\r\n2,乙,男,80\r\n3,\"丙\"\"\",女,95\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 6);
}

TEST_F(CsvExportTest, DeletesOnlyCsvFilesAndStopsAtAnImpossibleName)
{
    engine::TDivideClasses d = SmallDivision(false, 2);
    d.ClassPrefix = "a/b";
    engine::TRosterColumns cols;
    TResultViews v = MakeResultViews(d, Header, {"总分", engine::skNumeric}, cols);
    std::vector<const IResultTable*> sheets;
    for (const auto& s : v.Students)
        sheets.push_back(&s);
    sheets.push_back(&v.Overview);
    std::vector<std::vector<std::string>> roster = {{"t"}};
    TRosterView source(roster, 1);
    fs::create_directories(m_dir / "keep");
    std::ofstream(m_dir / "old.CSV") << "x";
    std::ofstream(m_dir / "notes.txt") << "x";
    TCsvExportOptions options;
    options.DeleteOldCsv = true;
    EXPECT_THROW(ExportCsv(m_dir, sheets, source, options, nullptr), ECsvExportError);
    EXPECT_FALSE(fs::exists(m_dir / "old.CSV"));
    EXPECT_TRUE(fs::exists(m_dir / "notes.txt"));
    EXPECT_TRUE(fs::exists(m_dir / "keep"));
    EXPECT_TRUE(fs::exists(m_dir / "分班情况.csv"));  // written before the failure
    EXPECT_FALSE(fs::exists(m_dir / "a"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 3);
}

TEST_F(CsvExportTest, Utf8WithByteOrderMarkAndSingleColumnRoster)
{
    engine::TDivideClasses d = SmallDivision(false, 1);
    engine::TRosterColumns cols;
    TResultViews v = MakeResultViews(d, Header, {"", engine::skNone}, cols);
    std::vector<const IResultTable*> sheets = {&v.Students[0], &v.Students[1], &v.Overview};
    std::vector<std::vector<std::string>> roster = {{""}, {"h"}};
    TRosterView source(roster, 1);
    TCsvExportOptions options;
    options.Encoding = xlio::TCsvEncoding::Utf8;
    ExportCsv(m_dir, sheets, source, options, nullptr);
    EXPECT_EQ(engine::ReadFileBounded(m_dir / "数据源.csv", 100), "\xEF\xBB\xBF\r\nh\r\n");
    std::string overview = engine::ReadFileBounded(m_dir / "分班情况.csv", 1000);
    EXPECT_EQ(overview.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(overview.find("\r\n\r\n班别,总人数,男生人数,女生人数\r\n"), std::string::npos);
}

TEST_F(CsvExportTest, DataSourceFileKeepsItsNameWhateverTheRosterSheetIsCalled)
{
    engine::TDivideClasses d = SmallDivision(false, 1);
    engine::TRosterColumns cols;
    TResultViews v = MakeResultViews(d, Header, {"", engine::skNone}, cols);
    std::vector<const IResultTable*> sheets = {&v.Students[0], &v.Students[1], &v.Overview};
    std::vector<std::vector<std::string>> roster = {{"名单"}, {"h"}};
    TRosterView source(roster, 1, "高一新生花名册");
    TRecordingProgress progress;
    ExportCsv(m_dir, sheets, source, TCsvExportOptions(), &progress);
    ASSERT_EQ(progress.Files.size(), 4u);
    EXPECT_EQ(progress.Files.back().Text, "1→数据源");
    EXPECT_EQ(FileText(m_dir / "数据源.csv"), "名单\r\nh\r\n");
    EXPECT_FALSE(fs::exists(m_dir / "高一新生花名册.csv"));
}
