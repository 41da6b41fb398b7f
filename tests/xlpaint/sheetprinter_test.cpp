#include "painttest.h"
#include "testutil/fulldisk.h"

#include "xlpaint/pdfexport.h"
#include "xlpaint/sheetprinter.h"

#include "xlgrid/range.h"

#include <QPrinter>

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
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

std::string Run(const std::string& command)
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
    std::string info = Run("pdfinfo '" + path + "'");
    size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

std::string PdfText(const std::string& path, int first = 0, int last = 0)
{
    std::string range = first > 0 ? " -f " + std::to_string(first) + " -l " + std::to_string(last) : "";
    return Run("pdftotext" + range + " '" + path + "' -");
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
    int c, r;
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

}  // namespace
