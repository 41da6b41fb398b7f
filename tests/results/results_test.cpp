#include "engine/divideclasses.h"
#include "results/averageformat.h"
#include "results/csvexport.h"
#include "results/resultview.h"
#include "testutil/fulldisk.h"
#include "xlgrid/atomicfile.h"
#include "xlgrid/encoding.h"
#include "xlgrid/sheet.h"

#include "../commalocale.h"

#include <gtest/gtest.h>

#include <algorithm>
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

engine::TDivideClasses SmallDivision(bool ids, int classes = 2, const std::string& prefix = "高一")
{
    engine::TDivideClasses d;
    d.Data = {{"1", "甲", "男", "90"}, {"2", "乙", "男", "80"}, {"3", "丙", "女", "95"}};
    d.ClassCount = classes;
    d.Columns.SexCol = 2;
    d.Columns.SortCol = 3;
    d.SortType = engine::skNumeric;
    d.CreateStudentID = ids;
    d.StudentIDPrefix = "S";
    d.ClassPrefix = prefix;
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

// The result sheets in their order: grade, classes, overview.
std::vector<const IResultTable*> SheetsOf(const TResultViews& v)
{
    std::vector<const IResultTable*> sheets;
    for (const auto& s : v.Students)
        sheets.push_back(&s);
    sheets.push_back(&v.Overview);
    return sheets;
}

std::string FileText(const fs::path& p)
{
    return xlgrid::Gb18030ToUtf8(xlgrid::ReadWholeFile(p.string(), 1 << 20));
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
    const std::vector<const IResultTable*> sheets = SheetsOf(v);
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

TEST_F(CsvExportTest, AnImpossibleNameStopsTheSetBeforeAnyFileAppears)
{
    engine::TDivideClasses d = SmallDivision(false, 2);
    d.ClassPrefix = "a/b";
    engine::TRosterColumns cols;
    TResultViews v = MakeResultViews(d, Header, {"总分", engine::skNumeric}, cols);
    const std::vector<const IResultTable*> sheets = SheetsOf(v);
    std::vector<std::vector<std::string>> roster = {{"t"}};
    TRosterView source(roster, 1);
    fs::create_directories(m_dir / "keep");
    std::ofstream(m_dir / "old.CSV") << "x";
    std::ofstream(m_dir / "notes.txt") << "x";
    TCsvExportOptions options;
    options.DeleteOldCsv = true;
    EXPECT_THROW(ExportCsv(m_dir, sheets, source, options, nullptr), ECsvExportError);
    // Nothing of the set appeared, and the old files were not deleted for it.
    EXPECT_EQ(testutil::FolderEntries(m_dir), (std::vector<std::string>{"keep", "notes.txt", "old.CSV"}));
}

TEST_F(CsvExportTest, TheNewSetReplacesOnlyCsvFiles)
{
    engine::TDivideClasses d = SmallDivision(false, 1);
    engine::TRosterColumns cols;
    TResultViews v = MakeResultViews(d, Header, engine::TSortField{}, cols);
    std::vector<const IResultTable*> sheets = {&v.Students[0], &v.Students[1], &v.Overview};
    std::vector<std::vector<std::string>> roster = {{"t"}};
    TRosterView source(roster, 1);
    fs::create_directories(m_dir / "keep");
    std::ofstream(m_dir / "old.CSV") << "x";
    std::ofstream(m_dir / "notes.txt") << "x";
    std::ofstream(m_dir / "全年级.csv") << "old grade";
    TCsvExportOptions options;
    options.DeleteOldCsv = true;
    ExportCsv(m_dir, sheets, source, options, nullptr);
    EXPECT_EQ(testutil::FolderEntries(m_dir), (std::vector<std::string>{"keep", "notes.txt", "全年级.csv",
                                                                        "分班情况.csv", "数据源.csv", "高一(1)班.csv"}));
    EXPECT_NE(FileText(m_dir / "全年级.csv"), "old grade");
}

// A full disk half-way through the set: no file of the new set is in place,
// the old set is intact, and no temporary file is left.
TEST_F(CsvExportTest, FullDiskLeavesTheOldSetAsItWas)
{
    engine::TDivideClasses d = SmallDivision(true, 2);
    engine::TRosterColumns cols;
    TResultViews v = MakeResultViews(d, Header, engine::TSortField{}, cols);
    const std::vector<const IResultTable*> sheets = SheetsOf(v);
    // The roster is the one file too large for the disk; the others fit.
    std::vector<std::vector<std::string>> roster = {{"名单"}, {std::string(3000, 'x')}};
    TRosterView source(roster, 1);
    fs::create_directories(m_dir);
    for (const char* name : {"分班情况.csv", "全年级.csv", "数据源.csv"})
        std::ofstream(m_dir / name) << "old " << name;
    const std::vector<std::string> before = testutil::FolderEntries(m_dir);
    const testutil::TSaveOutcome outcome = testutil::SaveOnFullDisk([&]() {
        TCsvExportOptions options;
        options.DeleteOldCsv = true;
        ExportCsv(m_dir, sheets, source, options, nullptr);
    });
    EXPECT_TRUE(outcome.Exited);
    EXPECT_TRUE(outcome.Failed);
    EXPECT_NE(outcome.Message.find("File too large"), std::string::npos) << outcome.Message;
    EXPECT_EQ(testutil::FolderEntries(m_dir), before);
    for (const char* name : {"分班情况.csv", "全年级.csv", "数据源.csv"})
        EXPECT_EQ(xlgrid::ReadWholeFile((m_dir / name).string(), 100), std::string("old ") + name);
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
    EXPECT_EQ(xlgrid::ReadWholeFile((m_dir / "数据源.csv").string(), 100), "\xEF\xBB\xBF\r\nh\r\n");
    std::string overview = xlgrid::ReadWholeFile((m_dir / "分班情况.csv").string(), 1000);
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

namespace {

// A table that only has a title, for the names of a set.
class TTitled : public IResultTable {
public:
    explicit TTitled(std::string title) : m_title(std::move(title)) {}
    const std::string& Title() const override { return m_title; }
    int RowCount() const override { return 0; }
    int ColCount() const override { return 1; }
    std::string_view Text(int, int, std::string&) const override { return "t"; }

private:
    std::string m_title;
};

}  // namespace

TEST(CsvFileNames, CheckedBeforeAnyFile)
{
    using namespace std::string_literals;
    const std::string longest(251, 'x');  // with ".csv" the 255 bytes a folder holds
    const struct {
        std::vector<std::string> Titles;
        std::string Problem;  // a part of the message; empty: fine
    } cases[] = {
        {{"全年级", "高一(1)班", "分班情况"}, ""},
        {{longest}, ""},
        {{"班" + std::string(245, 'x') + "班"}, ""},                    // 251 bytes in characters of three bytes
        {{longest + "y"}, "256 bytes long"},
        {{"全年级", "a/b(1)班"}, "cannot create a/b(1)班.csv: a file name cannot hold '/'"},
        {{"a\0b"s}, "cannot create a\\0b.csv: a file name cannot hold a NUL character"},
        {{"高一(1)班", "高一(1)班"}, "cannot create 高一(1)班.csv twice"},
        {{"数据源"}, "cannot create 数据源.csv twice"},
    };
    for (const auto& c : cases) {
        std::vector<TTitled> tables(c.Titles.begin(), c.Titles.end());
        std::vector<const IResultTable*> sheets;
        for (const TTitled& t : tables)
            sheets.push_back(&t);
        const std::string problem = CsvFileNamesProblem(sheets);
        if (c.Problem.empty()) {
            EXPECT_EQ(problem, "") << c.Titles.back();
        } else {
            EXPECT_NE(problem.find(c.Problem), std::string::npos) << problem;
        }
    }
}

// Class files whose names are as long as a folder allows are written: the
// temporary names do not grow with them.
TEST_F(CsvExportTest, NamesAsLongAsTheFolderHolds)
{
    // 245 bytes of prefix, "(1)班" and ".csv": 255 bytes.
    engine::TDivideClasses d = SmallDivision(false, 2, std::string(245, 'p'));
    engine::TRosterColumns cols;
    TResultViews v = MakeResultViews(d, Header, {"总分", engine::skNumeric}, cols);
    std::vector<std::vector<std::string>> roster = {{"t"}};
    TRosterView source(roster, 1);
    ExportCsv(m_dir, SheetsOf(v), source, TCsvExportOptions(), nullptr);
    const std::string longName = d.ClassPrefix + "(2)班.csv";
    ASSERT_EQ(longName.size(), 255u);
    std::vector<std::string> expected = {"全年级.csv", "分班情况.csv", "数据源.csv", d.ClassPrefix + "(1)班.csv",
                                         longName};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(testutil::FolderEntries(m_dir), expected);
}

// A folder where a file of the set belongs stops the set before it is written.
TEST_F(CsvExportTest, AFolderInTheWayStopsTheSet)
{
    engine::TDivideClasses d = SmallDivision(false, 2);
    engine::TRosterColumns cols;
    TResultViews v = MakeResultViews(d, Header, {"总分", engine::skNumeric}, cols);
    std::vector<std::vector<std::string>> roster = {{"t"}};
    TRosterView source(roster, 1);
    fs::create_directories(m_dir / "高一(2)班.csv");
    std::ofstream(m_dir / "分班情况.csv") << "old";
    try {
        ExportCsv(m_dir, SheetsOf(v), source, TCsvExportOptions(), nullptr);
        FAIL() << "no error";
    } catch (const ECsvExportError& e) {
        EXPECT_NE(std::string(e.what()).find("高一(2)班.csv: a folder of that name is in the way"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(testutil::FolderEntries(m_dir), (std::vector<std::string>{"分班情况.csv", "高一(2)班.csv"}));
    EXPECT_EQ(FileText(m_dir / "分班情况.csv"), "old");
}
