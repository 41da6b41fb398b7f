#include "painttest.h"
#include "testutil/fulldisk.h"

#include "xlpaint/pdfexport.h"
#include "xlpaint/sheetprinter.h"

#include "xlgrid/range.h"

#include <QPrinter>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace xlgrid;
using namespace xlpaint;

// 600 dpi: a 100 pixel column is 625 dots.
TXLPrinterMetrics Metrics(int width, int height)
{
    TXLPrinterMetrics m;
    m.PageWidth = width;
    m.PageHeight = height;
    return m;
}

// A sheet of `cols` x `rows` cells of 100 x 100 pixels without header band,
// each holding its own position as text (C<col>R<row>).
void FillGrid(TXLSheet& sheet, int cols, int rows)
{
    sheet.SetTitleCols(0);
    sheet.SetTitleRows(0);
    sheet.SetColCount(cols);
    sheet.SetRowCount(rows);
    sheet.SetColDefWidth(100);
    sheet.SetRowDefHeight(100);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            sheet.SetText(c, r, "C" + std::to_string(c) + "R" + std::to_string(r));
}

std::string Shell(const std::string& command)
{
    std::string out;
    FILE* f = popen(command.c_str(), "r");
    if (!f)
        return out;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), f)) > 0)
        out.append(buf.data(), n);
    pclose(f);
    return out;
}

bool HavePoppler() { return std::system("pdftotext -v >/dev/null 2>&1 && pdfinfo -v >/dev/null 2>&1") == 0; }

int PdfPages(const std::string& path)
{
    std::string info = Shell("pdfinfo '" + path + "'");
    size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

std::string PdfText(const std::string& path, int first = 0, int last = 0)
{
    std::string range = first > 0 ? " -f " + std::to_string(first) + " -l " + std::to_string(last) : "";
    return Shell("pdftotext" + range + " '" + path + "' -");
}

std::string TempPath(const std::string& name)
{
    auto dir = std::filesystem::temp_directory_path() / ("xlpaint-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::unique_ptr<QPrinter> PdfPrinter(const std::string& path)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(path));
    printer->setResolution(600);
    return printer;
}

// ---- page breaks --------------------------------------------------------------

struct BreakCase {
    const char* Name;
    std::vector<int> Widths;  // pixels; 0 = hidden
    int PageWidth;            // dots
    std::vector<int> Breaks;
};

class JobBreaks : public ::testing::TestWithParam<BreakCase> {};

TEST_P(JobBreaks, FollowTheRunningSum)
{
    const BreakCase& c = GetParam();
    TXLSheet sheet;
    sheet.SetTitleCols(1);
    sheet.SetColCount(static_cast<int>(c.Widths.size()));
    sheet.SetColDefWidth(100);
    for (size_t i = 0; i < c.Widths.size(); ++i) {
        if (c.Widths[i] == 0)
            sheet.SetVisible(static_cast<int>(i), sCols, false);
        else
            sheet.SetSizes(static_cast<int>(i), sCols, c.Widths[i]);
    }
    TXLSheetPrinter printer(sheet, Metrics(c.PageWidth, 6744));
    std::vector<int> cols, rows;
    printer.GetJobPageBreaks(cols, rows);
    EXPECT_EQ(cols, c.Breaks) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JobBreaks,
    ::testing::Values(BreakCase{"ten_of_100_on_four_and_a_half", std::vector<int>(10, 100), 2812, {4, 8, 10}},
                      BreakCase{"exact_fit", std::vector<int>(4, 100), 2500, {4}},
                      BreakCase{"one_dot_short", std::vector<int>(4, 100), 2499, {3, 4}},
                      BreakCase{"too_wide_first_gives_empty_strip", {1000, 100, 100}, 2812, {0, 1, 3}},
                      BreakCase{"too_wide_middle", {100, 1000, 100}, 2812, {1, 2, 3}},
                      BreakCase{"hidden_column_takes_no_room", {100, 100, 100, 0, 100, 100}, 3125, {6}},
                      BreakCase{"no_columns", {}, 2812, {0}},
                      BreakCase{"margins_eat_the_page", {100, 100}, 0, {0, 1, 2}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SheetPrinter, PagesRunDownThenAcross)
{
    TXLSheet sheet;
    FillGrid(sheet, 10, 10);
    TXLSheetPrinter printer(sheet, Metrics(2812, 6 * 625));
    std::vector<int> cols, rows;
    printer.GetJobPageBreaks(cols, rows);
    EXPECT_EQ(cols, (std::vector<int>{4, 8, 10}));
    EXPECT_EQ(rows, (std::vector<int>{6, 10}));
    EXPECT_EQ(printer.PageCount(), 6);
    // Columns 4-7 with the second row strip.
    EXPECT_EQ(PageNumber(1, 1, 2), 4);
    int64_t c, r;
    PageStrips(4, 2, c, r);
    EXPECT_EQ(c, 1);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(printer.PagesInRange(2, 2), std::vector<int>{2});
    EXPECT_EQ(printer.PagesInRange(0, -1), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(printer.PagesInRange(5, 99), (std::vector<int>{5, 6}));
}

TEST(SheetPrinter, PageCountLeavesRoomForTheHeaderBand)
{
    TXLSheet sheet;
    FillGrid(sheet, 10, 1);
    sheet.SetTitleCols(1);  // 100 pixels = 625 dots of header band
    TXLSheetPrinter printer(sheet, Metrics(2812, 6744));
    std::vector<int> cols, rows, jobCols, jobRows;
    printer.GetPageBreaks(cols, rows);
    printer.GetJobPageBreaks(jobCols, jobRows);
    EXPECT_EQ(cols, (std::vector<int>{3, 6, 9, 10}));
    EXPECT_EQ(jobCols, (std::vector<int>{4, 8, 10}));
    EXPECT_EQ(printer.PageCount(), 4);
}

TEST(SheetPrinter, PrintScaleScalesTheSizes)
{
    TXLSheet sheet;
    FillGrid(sheet, 10, 1);
    sheet.SetPrintScale(50);
    TXLSheetPrinter printer(sheet, Metrics(2812, 6744));
    std::vector<int> cols, rows;
    printer.GetJobPageBreaks(cols, rows);
    EXPECT_EQ(cols, (std::vector<int>{9, 10}));  // 312 dots a column
}

struct MarginCase {
    const char* Name;
    int Dpi, Margin, Dots;
};

class Margins : public ::testing::TestWithParam<MarginCase> {};

TEST_P(Margins, OneUnitIsTheSameLengthOnEveryDevice)
{
    const MarginCase& c = GetParam();
    EXPECT_EQ(MarginToDots(c.Margin, c.Dpi), c.Dots) << c.Name;
    if (c.Margin > 0) {
        double mm = c.Dots * 25.4 / c.Dpi;
        EXPECT_NEAR(mm, c.Margin * 1.6536, 0.15) << c.Name;
    }
}

INSTANTIATE_TEST_SUITE_P(Units, Margins,
                         ::testing::Values(MarginCase{"main_window_600", 600, 5, 195},
                                           MarginCase{"main_window_300", 300, 5, 97},
                                           MarginCase{"main_window_1200", 1200, 5, 390},
                                           MarginCase{"designer_max_600", 600, 100, 3906},
                                           MarginCase{"zero", 600, 0, 0}, MarginCase{"negative", 600, -4, 0}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SheetPrinter, PrintRectangleWithoutAPrinter)
{
    TXLSheet sheet;
    sheet.SetPrintMargins({5, 5, 5, 5});
    TXLSheetPrinter printer(sheet);
    EXPECT_EQ(printer.Metrics().DpiX, 600);
    EXPECT_EQ(printer.Metrics().PageWidth, 4676);
    EXPECT_EQ(printer.Metrics().PageHeight, 6744);
    EXPECT_EQ(printer.PrintRect(), (TXLPrintRect{195, 195, 4676 - 195, 6744 - 195}));
    sheet.SetPrintMargins({100000, 0, 100000, 0});
    TXLPrintRect r = printer.PrintRect();
    EXPECT_EQ(r.Width(), 0);  // margins wider than the page leave nothing, never less
}

TEST(SheetPrinter, PrintPageWithoutCanvasRaises)
{
    TXLSheet sheet;
    TXLSheetPrinter printer(sheet);
    try {
        printer.PrintPage(1, nullptr);
        FAIL() << "no error";
    } catch (const EXLGridError& e) {
        EXPECT_STREQ(e.what(), "Invalid TCanvas reference!");
    }
}

TEST(SheetPrinter, PrintPageDrawsTheStripAtThePrintRectangle)
{
    TXLSheet sheet;
    FillGrid(sheet, 10, 10);
    sheet.SetPrintMargins({10, 10, 0, 0});
    sheet.Cells(4, 0)->SetColor(RGBColor(255, 0, 0));  // first cell of page 3
    TXLSheetPrinter printer(sheet, Metrics(2812 + 390, 6 * 625 + 390));
    QImage image(321, 415, QImage::Format_RGB32);  // a tenth of the page
    image.fill(Qt::white);
    QPainter p(&image);
    p.scale(0.1, 0.1);
    printer.PrintPage(3, &p);
    p.end();
    // Margin 10 = 390 dots: the red cell starts at 39 pixels of the image.
    EXPECT_EQ(image.pixel(45, 45), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(30, 30), qRgb(255, 255, 255));
    EXPECT_NE(image.pixel(39 + 70, 45), qRgb(255, 0, 0));  // next column is white
}

// ---- print jobs into PDF files ------------------------------------------------

TEST(SheetPrinter, PrintOfOnePageGivesThatPage)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    TXLSheet sheet;
    FillGrid(sheet, 10, 10);
    TXLSheetPrinter printer(sheet);
    std::string path = TempPath("print-2-2.pdf");
    auto qp = PdfPrinter(path);
    // A page 4.5 columns wide and 6.5 rows high: strips 0-3, 4-7, 8-9 by 0-5, 6-9.
    double side = (210 - 4.5 * 625 * 25.4 / 600) / 2, bottom = 297 - 6.5 * 625 * 25.4 / 600;
    qp->setPageMargins(QMarginsF(side, 0, side, bottom), QPageLayout::Millimeter);
    EXPECT_EQ(printer.Print(*qp, 2, 2), 1);
    qp.reset();
    EXPECT_EQ(PdfPages(path), 1);
    std::string text = PdfText(path);
    EXPECT_NE(text.find("C0R6"), std::string::npos) << text;
    EXPECT_EQ(text.find("C0R0"), std::string::npos) << text;
    EXPECT_EQ(text.find("C4R6"), std::string::npos) << text;
}

TEST(SheetPrinter, HeaderBandNeverReachesPaper)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    TXLSheet sheet;
    sheet.SetColCount(3);
    sheet.SetRowCount(3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            sheet.SetText(c, r, "甲乙丙");
    sheet.FillTitles();
    TXLSheetPrinter printer(sheet);
    std::string path = TempPath("titles.pdf");
    auto qp = PdfPrinter(path);
    printer.Print(*qp);
    qp.reset();
    std::string text = PdfText(path);
    EXPECT_NE(text.find("甲乙丙"), std::string::npos);
    for (const char* label : {"A", "B", "C", "1", "2", "3"})
        EXPECT_EQ(text.find(label), std::string::npos) << label;
}

TEST(SheetPrinter, PrintRangePrintsTheRangeAndRestoresTheSettings)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    TXLSheet sheet;
    FillGrid(sheet, 6, 6);
    sheet.SetTitle("Roster");
    sheet.SetPrintScale(80);
    sheet.SetPrintMode(pmCustom);
    sheet.SetPrintTitles(AxisBit(sCols));
    sheet.SetModified(false);
    TXLSheetPrinter printer(sheet);
    std::string path = TempPath("range.pdf");
    auto qp = PdfPrinter(path);
    TXLSelection range(sheet, skClient, TXLRect{1, 1, 3, 3});
    EXPECT_EQ(printer.PrintRange(range, "Part", 0, *qp), 1);
    EXPECT_EQ(qp->docName(), QStringLiteral("Part"));
    qp.reset();
    std::string text = PdfText(path);
    EXPECT_NE(text.find("C1R1"), std::string::npos);
    EXPECT_NE(text.find("C2R2"), std::string::npos);
    EXPECT_EQ(text.find("C0R0"), std::string::npos);
    EXPECT_EQ(text.find("C3R3"), std::string::npos);
    EXPECT_EQ(sheet.Title(), "Roster");
    EXPECT_EQ(sheet.PrintScale(), 80);
    EXPECT_EQ(sheet.PrintMode(), pmCustom);
    EXPECT_EQ(sheet.PrintTitles(), AxisBit(sCols));
    EXPECT_TRUE(printer.PrintArea().IsEmpty());
    EXPECT_FALSE(sheet.Modified());
}

TEST(SheetPrinter, PrintRangeRestoresTheSettingsWhenPrintingFails)
{
    TXLSheet sheet;
    FillGrid(sheet, 3, 3);
    sheet.SetTitle("Roster");
    sheet.SetPrintScale(150);
    sheet.SetPrintMode(pmCustom);
    TXLSheetPrinter printer(sheet);
    printer.SetPrintArea(TXLRect{0, 0, 2, 2});
    auto qp = PdfPrinter("/nonexistent-folder/for/sure/out.pdf");
    TXLSelection range(sheet, skClient, TXLRect{1, 1, 3, 3});
    EXPECT_THROW(printer.PrintRange(range, "Part", AxisBit(sRows), *qp), EXLGridError);
    EXPECT_EQ(sheet.Title(), "Roster");
    EXPECT_EQ(sheet.PrintScale(), 150);
    EXPECT_EQ(sheet.PrintMode(), pmCustom);
    EXPECT_EQ(sheet.PrintTitles(), 0);
    EXPECT_EQ(printer.PrintArea(), (TXLRect{0, 0, 2, 2}));
}

// ---- PDF of several sheets ----------------------------------------------------

// A roster as the program shows it: caption merged over the columns, a
// header row, one row per student, boxes around the cells.
void FillRoster(TXLSheet& sheet, const std::string& caption, const std::vector<std::string>& names)
{
    const std::vector<std::string> headers = {"姓名", "性别", "成绩", "学校"};
    sheet.SetTitle(caption);
    sheet.SetColCount(4);
    sheet.SetRowCount(static_cast<int>(names.size()) + 2);
    sheet.SetColDefWidth(100);
    sheet.SetRowDefHeight(20);
    sheet.SetPrintMargins({5, 5, 5, 5});
    sheet.SetText(0, 0, caption);
    TXLSelection(sheet, skClient, TXLRect{0, 0, 4, 1}).Merge();
    sheet.Cells(0, 0)->SetHorzAlign(haCenter);
    for (int c = 0; c < 4; ++c)
        sheet.SetCellBox(c, 1, clBlack, RGBColor(221, 228, 255), clWindowText, Variant(headers[c]));
    for (size_t i = 0; i < names.size(); ++i) {
        int r = static_cast<int>(i) + 2;
        const std::string values[4] = {names[i], i % 2 ? "女" : "男", std::to_string(60 + (i * 7) % 40), "第一中学"};
        for (int c = 0; c < 4; ++c)
            sheet.SetCellBox(c, r, clBlack, clNone, clWindowText, Variant(values[c]));
        sheet.NumberRow(r);
    }
}

std::vector<std::string> StudentNames(int count)
{
    const char* family[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴"};
    const char* given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛"};
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(std::string(family[i % 10]) + given[(i / 10) % 15] + given[(i / 3) % 15]);
    return names;
}

TEST(PdfExport, RosterSheetsKeepTheirTextAndStartOnNewPages)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    std::vector<std::string> names = StudentNames(150);
    TXLSheet grade, overview;
    FillRoster(grade, "全年级", names);
    FillRoster(overview, "分班情况", {"高一(1)班", "高一(2)班"});
    std::string path = TempPath("roster.pdf");
    std::string error;
    ASSERT_TRUE(PrintSheetsToPdf({&grade, &overview}, path, error)) << error;
    int gradePages = 0;
    {
        TXLSheetPrinter p(grade, Metrics(4676, 6744));
        p.SetPageHeadings(true);
        gradePages = p.JobPageCount();
    }
    EXPECT_GT(gradePages, 1);
    EXPECT_EQ(PdfPages(path), gradePages + 1);
    std::string text = PdfText(path);
    for (const std::string& name : names)
        EXPECT_NE(text.find(name), std::string::npos) << name;
    // The overview begins a page of its own, under its title.
    std::string last = PdfText(path, gradePages + 1, gradePages + 1);
    EXPECT_NE(last.find("分班情况"), std::string::npos);
    EXPECT_NE(last.find("高一(2)班"), std::string::npos);
    EXPECT_EQ(last.find(names[0]), std::string::npos);
}

TEST(PdfExport, FailureLeavesNoPartialFileAndKeepsWhatWasThere)
{
    TXLSheet sheet;
    std::string error;
    EXPECT_FALSE(PrintSheetsToPdf({}, TempPath("none.pdf"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(PrintSheetsToPdf({&sheet}, "/nonexistent-folder/for/sure/out.pdf", error));
    EXPECT_NE(error.find("out.pdf"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-folder/for/sure"));
    // A folder in the way of the file: the write fails and the folder stays.
    std::string dir = TempPath("a-folder.pdf");
    std::filesystem::create_directories(dir);
    EXPECT_FALSE(PrintSheetsToPdf({&sheet}, dir, error));
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(dir).parent_path()))
        EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

// A full disk while the pages are written: the old PDF stays as it was and
// nothing else is left in its folder.
TEST(PdfExport, FullDiskKeepsTheOldFile)
{
    TXLSheet grade;
    std::vector<std::string> names;
    for (int i = 0; i < 120; ++i)
        names.push_back("学生" + std::to_string(i));
    FillRoster(grade, "全年级", names);
    const std::filesystem::path dir = TempPath("full-disk");
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "old.pdf").string();
    std::ofstream(path, std::ios::binary) << "the old pdf";
    const testutil::TSaveOutcome outcome = testutil::SaveOnFullDisk([&]() {
        std::string error;
        if (!PrintSheetsToPdf({&grade}, path, error))
            throw std::runtime_error(error);
    }, 5000);
    EXPECT_TRUE(outcome.Exited);
    EXPECT_TRUE(outcome.Failed);
    EXPECT_NE(outcome.Message.find(path), std::string::npos) << outcome.Message;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == "the old pdf");
    EXPECT_EQ(testutil::FolderEntries(dir), std::vector<std::string>{"old.pdf"});
}

// ---- strips counted in runs ---------------------------------------------------

// The plain walk over every index, as the reference of the run walk.
std::vector<int> NaiveBreaks(const TXLSizeList& sizes, int64_t available)
{
    std::vector<int> breaks;
    int64_t sum = 0;
    for (int i = 0; i < sizes.Count(); ++i) {
        const int64_t s = sizes.DiffItem(i);
        if (sum + s > available) {
            breaks.push_back(i);
            sum = s;
        } else {
            sum += s;
        }
    }
    breaks.push_back(sizes.Count());
    return breaks;
}

struct RunCase {
    const char* Name;
    int Default, Count;
    std::vector<std::pair<int, int>> Sizes;  // index, size
    int64_t Available;
};

class StripRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(StripRuns, AgreeWithTheWalkOverEveryIndex)
{
    const RunCase& c = GetParam();
    TXLSizeList sizes;
    sizes.SetDefault(c.Default);
    sizes.SetCount(c.Count);
    for (auto [index, size] : c.Sizes)
        sizes.SetDiffItem(index, size);
    const std::vector<int> expected = NaiveBreaks(sizes, c.Available);
    EXPECT_EQ(PageBreaks(sizes, c.Available), expected) << c.Name;
    EXPECT_EQ(StripCount(sizes, c.Available), static_cast<int64_t>(expected.size())) << c.Name;
    // A limit lists the first strips only.
    const std::vector<int> two = PageBreaks(sizes, c.Available, 2);
    EXPECT_EQ(two, std::vector<int>(expected.begin(), expected.begin() + std::min<size_t>(2, expected.size())))
        << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StripRuns,
    ::testing::Values(RunCase{"defaults_only", 100, 10, {}, 450},
                      RunCase{"defaults_exact_fit", 100, 12, {}, 400},
                      RunCase{"odd_sizes_between_runs", 100, 40, {{3, 250}, {4, 10}, {17, 390}, {39, 5}}, 450},
                      RunCase{"hidden_in_a_run", 100, 20, {{5, 0}, {6, 0}, {12, 0}}, 300},
                      RunCase{"default_wider_than_the_page", 500, 6, {{2, 100}}, 450},
                      RunCase{"hidden_default_with_visible_few", 0, 50, {{10, 300}, {11, 300}, {49, 100}}, 450},
                      RunCase{"nothing_available", 100, 3, {}, 0},
                      RunCase{"empty", 100, 0, {}, 450},
                      RunCase{"one_per_page", 100, 7, {{0, 100}}, 100}),
    [](const auto& info) { return std::string(info.param.Name); });

// The largest sheet a file can describe (asked for 2^31 - 1 each way) counts
// its pages in 64 bits without walking every index; printing it is refused
// plainly.
TEST(SheetPrinter, HugeSheetCountsItsPagesAndIsRefused)
{
    TXLSheet sheet;
    sheet.SetTitleCols(0);
    sheet.SetTitleRows(0);
    sheet.SetColCount(INT32_MAX);
    sheet.SetRowCount(INT32_MAX);
    sheet.SetColDefWidth(100);  // 625 dots: 7 on 4676
    sheet.SetRowDefHeight(16);  // 100 dots: 67 on 6744
    TXLSheetPrinter printer(sheet, Metrics(4676, 6744));
    // The counts as the model keeps them (its largest index).
    const int64_t cols = (int64_t(sheet.ColCount()) + 6) / 7, rows = (int64_t(sheet.RowCount()) + 66) / 67;
    EXPECT_EQ(printer.JobPageCount(), cols * rows);
    EXPECT_EQ(printer.PageCount(), cols * rows);
    EXPECT_GT(printer.JobPageCount(), int64_t(INT32_MAX));
    EXPECT_EQ(printer.PagesInRange(0, -1).size(), static_cast<size_t>(kMaxPrintPages));
    std::vector<int> colBreaks, rowBreaks;
    printer.GetPageBreaks(colBreaks, rowBreaks);
    EXPECT_LE(colBreaks.size(), static_cast<size_t>(kMaxPrintPages));

    const std::string path = TempPath("huge.pdf");
    auto qp = PdfPrinter(path);
    try {
        printer.Print(*qp);
        FAIL() << "printed";
    } catch (const EXLGridError& e) {
        // The printer's own page: another count, as large.
        long long pages = 0;
        EXPECT_EQ(std::sscanf(e.what(), "The sheet would print on %lld pages, more than the 50000 ", &pages), 1)
            << e.what();
        EXPECT_GT(pages, int64_t(INT32_MAX)) << e.what();
    }
    std::string error;
    EXPECT_FALSE(PrintSheetsToPdf({&sheet}, path, error));
    EXPECT_EQ(error.rfind("cannot write " + path + ": The sheet would print on ", 0), 0u) << error;
    EXPECT_FALSE(std::filesystem::exists(path));
}

// ---- print titles -------------------------------------------------------------

// A grade list: headers in the title row, row numbers in the title column.
void FillGradeList(TXLSheet& sheet, int cols, int students)
{
    sheet.SetTitle("全年级");
    sheet.SetTitleCols(1);
    sheet.SetTitleRows(1);
    sheet.SetColCount(cols);
    sheet.SetRowCount(0);
    sheet.SetColDefWidth(100);
    sheet.SetRowDefHeight(20);
    sheet.SetSizes(-1, sCols, 28);
    sheet.SetPrintMargins({5, 5, 5, 5});
    sheet.SetPrintGridLines(true);
    const char* heads[] = {"考号", "姓名", "性别", "学校", "语文", "数学", "英语", "物理", "化学", "总分", "班别"};
    for (int c = 0; c < cols; ++c)
        sheet.SetValues(c, -1, Variant(std::string(heads[c % 11])));
    for (int r = 0; r < students; ++r) {
        sheet.SetRowCount(r + 1);
        sheet.NumberRow(r);
        for (int c = 0; c < cols; ++c)
            sheet.SetText(c, r, "学" + std::to_string(r) + "列" + std::to_string(c));
    }
}

struct TitlesCase {
    const char* Name;
    TXLAxes Titles;
    bool HeadersOnEveryPage, RowNumbers;
};

class PrintTitles : public ::testing::TestWithParam<TitlesCase> {};

TEST_P(PrintTitles, RepeatOnEveryPageWhenAsked)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    const TitlesCase& c = GetParam();
    TXLSheet sheet;
    FillGradeList(sheet, 5, 150);
    sheet.SetPrintTitles(c.Titles);
    const std::string path = TempPath(std::string("titles-") + c.Name + ".pdf");
    std::string error;
    ASSERT_TRUE(PrintSheetsToPdf({&sheet}, path, error)) << error;
    const int pages = PdfPages(path);
    ASSERT_GE(pages, 3);
    for (int p = 1; p <= pages; ++p) {
        const std::string text = PdfText(path, p, p);
        EXPECT_EQ(text.find("语文") != std::string::npos, c.HeadersOnEveryPage) << c.Name << " page " << p;
        EXPECT_EQ(text.find("考号") != std::string::npos, c.HeadersOnEveryPage) << c.Name << " page " << p;
    }
    // The last student's row number: on paper only with the title columns.
    const std::string last = PdfText(path, pages, pages);
    EXPECT_NE(last.find("学149列0"), std::string::npos);
    EXPECT_EQ(last.find("\n150\n") != std::string::npos || last.find("150 ") != std::string::npos
                  || last.find(" 150") != std::string::npos,
              c.RowNumbers)
        << c.Name << last;
}

INSTANTIATE_TEST_SUITE_P(Axes, PrintTitles,
                         ::testing::Values(TitlesCase{"none", 0, false, false},
                                           TitlesCase{"rows", AxisBit(sRows), true, false},
                                           TitlesCase{"cols", AxisBit(sCols), false, true},
                                           TitlesCase{"both", AxisBit(sRows) | AxisBit(sCols), true, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The preview draws a page through PrintPage: the title row's colour heads
// the body of the second page too, and the body moves down by its height.
TEST(SheetPrinter, PrintPageDrawsTheTitleRowAboveEveryStrip)
{
    TXLSheet sheet;
    FillGrid(sheet, 3, 20);
    sheet.SetTitleRows(1);
    sheet.SetSizes(-1, sRows, 100);
    sheet.BaseTitleStyle().SetColor(RGBColor(0, 0, 255));
    sheet.SetPrintTitles(AxisBit(sRows));
    TXLSheetPrinter printer(sheet, Metrics(3 * 625, 6 * 625));
    EXPECT_EQ(printer.JobPageCount(), 4);  // five body rows a page below the title row
    QImage image(188, 375, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.scale(0.1, 0.1);
    printer.PrintPage(2, &p);
    p.end();
    EXPECT_EQ(image.pixel(30, 30), qRgb(0, 0, 255));     // the title row
    EXPECT_EQ(image.pixel(30, 90), qRgb(255, 255, 255));  // the first body row of page 2
}

// ---- fit to the page width -----------------------------------------------------

struct FitCase {
    const char* Name;
    int Cols;
    bool Landscape;
    int Scale;  // expected; 0 = the largest that fits
};

class FitToWidth : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitToWidth, ScalesDownToTheWidthNeverBelowSixtyPercent)
{
    const FitCase& c = GetParam();
    TXLSheet sheet;
    FillGradeList(sheet, c.Cols, 3);
    sheet.SetPrintTitles(AxisBit(sRows) | AxisBit(sCols));
    TXLPdfOptions options;
    options.FitToWidth = true;
    EXPECT_EQ(PrintsLandscape(sheet, options), c.Landscape) << c.Name;
    TXLSheetPrinter printer(sheet, c.Landscape ? Metrics(6744, 4676) : Metrics(4676, 6744));
    printer.SetFitToWidth(true);
    const int scale = printer.JobScale();
    const int64_t width = printer.PrintRect().Width();
    if (c.Scale > 0) {
        EXPECT_EQ(scale, c.Scale) << c.Name;
    } else {
        EXPECT_LT(scale, 100) << c.Name;
        EXPECT_GE(scale, kMinFitScale) << c.Name;
        EXPECT_LE(printer.JobWidth(scale), width) << c.Name;
        EXPECT_GT(printer.JobWidth(scale + 1), width) << c.Name;
    }
    std::vector<int> cols, rows;
    printer.GetJobPageBreaks(cols, rows);
    EXPECT_EQ(cols.size() == 1, printer.JobWidth(scale) <= width) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(Widths, FitToWidth,
                         ::testing::Values(FitCase{"class_list_fits_portrait", 6, false, 100},
                                           FitCase{"grade_list_of_eleven", 11, true, 0},
                                           FitCase{"a_little_wider_than_portrait", 7, true, 100},
                                           FitCase{"far_too_wide_stops_at_sixty", 30, true, kMinFitScale}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- PDF pages: headings, orientation, names ------------------------------------

TEST(PdfExport, HeadingsReadPageOfPagesAndCutALongTitle)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    TXLSheet sheet;
    FillGradeList(sheet, 4, 120);
    std::string longTitle;
    for (int i = 0; i < 40; ++i)
        longTitle += "很长的标题";
    TXLSheet other;
    FillGradeList(other, 4, 3);
    other.SetTitle(longTitle);
    const std::string path = TempPath("headings.pdf");
    std::string error;
    ASSERT_TRUE(PrintSheetsToPdf({&sheet, &other}, path, error)) << error;
    const int pages = PdfPages(path);
    ASSERT_GE(pages, 3);
    // pdftotext leaves out the narrow spaces of the heading.
    auto unspaced = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
        return text;
    };
    const std::string count = std::to_string(pages - 1);
    for (int p = 1; p < pages; ++p) {
        const std::string text = unspaced(PdfText(path, p, p));
        EXPECT_NE(text.find("第" + std::to_string(p) + "页/共" + count + "页"), std::string::npos) << text;
    }
    const std::string last = unspaced(PdfText(path, pages, pages));
    EXPECT_NE(last.find("第1页/共1页"), std::string::npos) << last;
    EXPECT_NE(last.find("很长的标题很长的标题"), std::string::npos) << last;
    EXPECT_EQ(last.find(longTitle), std::string::npos);
}

TEST(PdfExport, WideSheetsTurnLandscapeNarrowOnesStayPortrait)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    TXLSheet grade, cls;
    FillGradeList(grade, 11, 60);
    FillGradeList(cls, 5, 60);
    grade.SetPrintTitles(AxisBit(sRows) | AxisBit(sCols));
    cls.SetPrintTitles(AxisBit(sRows) | AxisBit(sCols));
    const std::string path = TempPath("orientation.pdf");
    TXLPdfOptions options;
    options.FitToWidth = true;
    std::string error;
    ASSERT_TRUE(PrintSheetsToPdf({&grade, &cls}, path, error, options)) << error;
    const std::string info = Shell("pdfinfo -f 1 -l 99 '" + path + "'");
    const int pages = PdfPages(path);
    int wide = 0, tall = 0;
    for (size_t at = info.find("size:"); at != std::string::npos; at = info.find("size:", at + 1)) {
        double w = 0, h = 0;
        if (std::sscanf(info.c_str() + at, "size: %lf x %lf", &w, &h) == 2)
            (w > h ? wide : tall) += 1;
    }
    EXPECT_EQ(wide + tall, pages);
    EXPECT_GE(wide, 1);
    EXPECT_GE(tall, 1);
    // Every grade row is whole on its page: the class column beside the number.
    const std::string first = PdfText(path, 1, 1);
    EXPECT_NE(first.find("班别"), std::string::npos);
    EXPECT_NE(first.find("学0列10"), std::string::npos);
    EXPECT_NE(first.find("学0列0"), std::string::npos);
}

// Names with characters of CJK Extensions A and B print in a face that has
// them and stay text a reader can search and copy.
TEST(PdfExport, RareNameCharactersAreSearchable)
{
    if (!HavePoppler())
        GTEST_SKIP() << "poppler-utils not installed";
    const std::vector<std::string> names = {"王䶮", "𠮷田", "李𪚥", "张三", "赵𠀀𠀁", "䶮𠮷𪚥"};
    TXLSheet sheet;
    FillRoster(sheet, "生僻字名单", names);
    const std::string path = TempPath("rare.pdf");
    std::string error;
    ASSERT_TRUE(PrintSheetsToPdf({&sheet}, path, error)) << error;
    const std::string text = PdfText(path);
    for (const std::string& name : names)
        EXPECT_NE(text.find(name), std::string::npos) << name << "\n" << text;
    // Printed in a face that has them, not as the missing-glyph box.
    const std::string fonts = Shell("pdffonts '" + path + "'");
    EXPECT_NE(fonts.find("HanaMinB"), std::string::npos) << fonts;
    // The completed maps are an update a reader takes without complaint.
    const std::string check = Shell("pdfinfo '" + path + "' 2>&1 >/dev/null; pdftotext '" + path + "' /dev/null 2>&1");
    EXPECT_EQ(check, "") << check;
    EXPECT_EQ(PdfPages(path), 1);
}

// Failures are one line of ours with the file and the system's reason.
TEST(PdfExport, FailuresAreOneLineWithTheReason)
{
    TXLSheet sheet;
    FillGrid(sheet, 3, 3);
    const std::string dir = TempPath("in-the-way.pdf");
    std::filesystem::create_directories(dir);
    std::string error;
    EXPECT_FALSE(PrintSheetsToPdf({&sheet}, dir, error));
    EXPECT_EQ(error.rfind("cannot write " + dir + ": ", 0), 0u) << error;
    EXPECT_GT(error.size(), ("cannot write " + dir + ": ").size());
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;

    TXLSheet grade;
    FillGradeList(grade, 5, 300);
    const std::filesystem::path folder = TempPath("full-disk-reason");
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "grade.pdf").string();
    const testutil::TSaveOutcome outcome = testutil::SaveOnFullDisk([&]() {
        std::string message;
        if (!PrintSheetsToPdf({&grade}, path, message))
            throw std::runtime_error(message);
    }, 20000);
    EXPECT_TRUE(outcome.Failed);
    EXPECT_EQ(outcome.Message, "cannot write " + path + ": " + std::strerror(EFBIG)) << outcome.Message;
    EXPECT_EQ(testutil::FolderEntries(folder), std::vector<std::string>{});
}

}  // namespace
