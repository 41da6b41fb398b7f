#include "engine/compute.h"
#include "engine/sheetroster.h"
#include "results/csvexport.h"
#include "results/resultsheet.h"
#include "xlgrid/atomicfile.h"
#include "xlgrid/sheet.h"
#include "xlio/csvreader.h"
#include "xlio/sheetimport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace results;
namespace fs = std::filesystem;

namespace {

std::string Str(const xlgrid::TXLSheet& sheet, int col, int row)
{
    const xlgrid::TXLCell* cell = sheet.FindCell(col, row);
    return cell ? cell->AsString() : std::string("<none>");
}

const char* Roster =
    "年级名单,,,,\r\n考号,姓名,性别,总分,学校\r\n1,甲,男,90,一中\r\n2,乙,男,80,二中\r\n3,丙,女,95,一中\r\n"
    "4,丁,女,60,三中\r\n5,戊,男,70,一中\r\n,,,,\r\n";

struct TComputed {
    xlgrid::TXLSheet Source;
    engine::TConfigStore Config = engine::TConfigStore::InMemory();
    engine::TRosterColumns Columns;
    engine::TSortField Sort;
    engine::TDivideClasses Division;
    std::vector<TBuiltSheet> Built;
    std::vector<const xlgrid::TXLSheet*> Sheets;
};

// The compute command's road on a sheet: import, check, divide, build.
std::unique_ptr<TComputed> Compute(const std::string& settings)
{
    auto c = std::make_unique<TComputed>();
    xlio::ImportCsvIntoSheet(c->Source, xlio::ParseCsv(Roster));
    for (std::size_t start = 0; start < settings.size();) {
        std::size_t end = settings.find(';', start);
        if (end == std::string::npos)
            end = settings.size();
        std::string kv = settings.substr(start, end - start);
        c->Config.WriteSetting(kv.substr(0, kv.find('=')), kv.substr(kv.find('=') + 1));
        start = end + 1;
    }
    c->Config.LoadSettings();
    engine::TSheetRoster roster(c->Source);
    EXPECT_TRUE(engine::CheckRoster(roster, c->Config, c->Columns, c->Sort).Passed);
    engine::FillDivision(c->Division, roster, c->Config, c->Columns, c->Sort);
    c->Division.Divide();
    TResultContext context{c->Source, c->Division, c->Sort, c->Columns};
    c->Built = BuildResultSheets(context, [&](const TBuiltSheet& built) { c->Sheets.push_back(built.Sheet.get()); });
    return c;
}

}  // namespace

TEST(ResultSheet, GradeClassAndOverviewSheets)
{
    auto c = Compute("ClassCount=2;ClassPrefix=高一;CreateStudentID=True;StudentIDPrefix=X");
    ASSERT_EQ(c->Sheets.size(), 4u);
    const xlgrid::TXLSheet& grade = *c->Sheets[0];
    EXPECT_EQ(grade.ColCount(), 7);
    EXPECT_EQ(grade.RowCount(), 5);
    EXPECT_EQ(Str(grade, 5, -1), "班别");
    EXPECT_EQ(Str(grade, 6, -1), "学号");
    EXPECT_EQ(Str(grade, 0, 0), "3");  // highest key first
    EXPECT_EQ(Str(grade, 5, 0), "高一(2)班");  // 95, the one girl dealt to class 2
    EXPECT_EQ(Str(grade, -1, 4), "5");
    EXPECT_EQ(grade.TitleCols(), 1);
    EXPECT_EQ(grade.TitleRows(), 1);
    EXPECT_EQ(grade.ColDefWidth(), 100);
    EXPECT_EQ(grade.RowDefHeight(), 20);
    EXPECT_EQ(grade.Sizes(-1, xlgrid::sCols), 28);
    EXPECT_EQ(grade.PrintMargins().Top, 5);
    EXPECT_EQ(grade.PrintMargins().Left, 5);
    EXPECT_EQ(grade.PrintMargins().Bottom, 5);
    EXPECT_TRUE(grade.PrintGridLines());
    // Printed pages repeat the column headers and row numbers.
    EXPECT_EQ(grade.PrintTitles(), xlgrid::AxisBit(xlgrid::sCols) | xlgrid::AxisBit(xlgrid::sRows));
    EXPECT_EQ(grade.BaseTitleStyle().Color(), ResultTitleColor);

    const xlgrid::TXLSheet& first = *c->Sheets[1];
    EXPECT_EQ(first.ColCount(), 6);
    EXPECT_EQ(Str(first, 5, -1), "学号");
    EXPECT_EQ(Str(first, 5, 0), "X0101");

    const xlgrid::TXLSheet& overview = *c->Sheets[3];
    EXPECT_EQ(overview.ColCount(), 5);
    EXPECT_EQ(overview.RowCount(), 3);
    EXPECT_EQ(overview.RowDefHeight(), 25);
    EXPECT_EQ(overview.PrintTitles(), xlgrid::AxisBit(xlgrid::sCols) | xlgrid::AxisBit(xlgrid::sRows));
    EXPECT_EQ(overview.Sizes(-1, xlgrid::sRows), 20);
    EXPECT_EQ(Str(overview, 4, -1), "总分");
    EXPECT_EQ(Str(overview, 0, 0), "高一(1)班");
    EXPECT_EQ(overview.FindCell(1, 0)->CellClass().Name, "TXLCInteger");
    EXPECT_EQ(Str(overview, 1, 2), "5");
    EXPECT_EQ(Str(overview, 4, 2), "79");
    EXPECT_EQ(overview.FindCell(2, 2)->FontColor(), CountMatchColor);
}

// The tabs' order and captions, and the workbook's list built from them.
TEST(ResultSheet, SheetsInTabOrderWithTheWorkbookList)
{
    auto c = Compute("ClassCount=3;ClassPrefix=初一");
    std::vector<std::pair<TResultSheetKind, std::string>> tabs;
    for (const TBuiltSheet& b : c->Built)
        tabs.emplace_back(b.Kind, b.Sheet->Title());
    EXPECT_EQ(tabs, (std::vector<std::pair<TResultSheetKind, std::string>>{
                        {rkGrade, "全年级"}, {rkClass, "初一(1)班"}, {rkClass, "初一(2)班"}, {rkClass, "初一(3)班"},
                        {rkOverview, "分班情况"}}));
    ASSERT_EQ(c->Sheets.size(), c->Built.size());  // the progress saw every sheet, in order
    for (std::size_t i = 0; i < c->Built.size(); ++i)
        EXPECT_EQ(c->Sheets[i], c->Built[i].Sheet.get());

    const std::vector<xlio::TResultSheet> workbook = WorkbookSheets(c->Source, c->Built);
    ASSERT_EQ(workbook.size(), c->Built.size() + 1);
    EXPECT_EQ(workbook[0].Kind, rkDataSource);
    EXPECT_EQ(workbook[0].Name, "数据源");
    EXPECT_EQ(workbook[0].Sheet, &c->Source);
    for (std::size_t i = 0; i < c->Built.size(); ++i) {
        EXPECT_EQ(workbook[i + 1].Kind, c->Built[i].Kind);
        EXPECT_EQ(workbook[i + 1].Name, c->Built[i].Sheet->Title());
        EXPECT_EQ(workbook[i + 1].Sheet, c->Built[i].Sheet.get());
    }
    EXPECT_EQ(xlio::ResultSheetNamesProblem(workbook), "");
}

// The grade and class sheets and their views lay a row out the same way:
// every cell of a built sheet is the view's text, and a field a student lacks
// is no cell at all.
TEST(ResultSheet, SheetRowsAreTheViewsRows)
{
    for (const char* settings : {"ClassCount=2;CreateStudentID=True;StudentIDPrefix=S", "ClassCount=3"}) {
        auto c = Compute(settings);
        std::vector<std::string> header;
        for (int j = 0; j < c->Source.ColCount(); ++j)
            header.push_back(Str(c->Source, j, 1));
        TResultViews views = MakeResultViews(c->Division, header, c->Sort, c->Columns);
        ASSERT_EQ(views.Students.size() + 1, c->Sheets.size());
        for (std::size_t i = 0; i < views.Students.size(); ++i) {
            const TStudentSheetView& view = views.Students[i];
            const xlgrid::TXLSheet& sheet = *c->Sheets[i];
            ASSERT_EQ(sheet.ColCount(), view.ColCount()) << settings;
            ASSERT_EQ(sheet.RowCount(), view.RowCount()) << settings;
            std::string scratch;
            for (int r = -1; r < view.RowCount(); ++r)
                for (int col = 0; col < view.ColCount(); ++col)
                    EXPECT_EQ(Str(sheet, col, r), std::string(view.Text(col, r, scratch)))
                        << settings << " sheet " << i << " " << col << "," << r;
        }
    }
    // A record shorter than the roster: no cell where it has no field.
    xlgrid::TXLSheet source;
    source.SetColCount(3);
    source.SetRowCount(2);
    engine::TDivideClasses d;
    d.Data = {{"1", "男"}};
    d.Columns.SexCol = 1;
    d.Divide();
    TResultContext context{source, d, engine::TSortField{}, {}};
    xlgrid::TXLSheet grade;
    BuildResultSheet(context, grade, d.Grade, rkGrade, "", false, "");
    EXPECT_EQ(Str(grade, 1, 0), "男");
    EXPECT_EQ(Str(grade, 2, 0), "<none>");
    EXPECT_EQ(Str(grade, 3, 0), "(1)班");
}

TEST(ResultSheet, SheetsExportTheSameBytesAsTheViews)
{
    for (const char* settings : {"ClassCount=3;ClassPrefix=初一", "ClassCount=2;CreateStudentID=True;SexPrefix=True",
                                 "ClassCount=1;SortFieldName=考号;SortFieldType=数值型"}) {
        auto c = Compute(settings);
        fs::path base = fs::temp_directory_path() / "fenban-sheet-export";
        fs::remove_all(base);
        TCsvExportOptions options;
        options.Date = "2020.1.2";

        std::vector<TSheetTable> tables;
        for (const xlgrid::TXLSheet* s : c->Sheets)
            tables.emplace_back(*s);
        std::vector<const IResultTable*> fromSheets;
        for (const auto& t : tables)
            fromSheets.push_back(&t);
        xlgrid::TXLSheet& src = c->Source;
        src.SetTitle("数据源");
        TSheetTable source(src);
        ExportCsv(base / "sheets", fromSheets, source, options, nullptr);

        std::vector<std::string> header;
        for (int j = 0; j < src.ColCount(); ++j)
            header.push_back(Str(src, j, 1));
        TResultViews views = MakeResultViews(c->Division, header, c->Sort, c->Columns);
        std::vector<const IResultTable*> fromViews;
        for (const auto& v : views.Students)
            fromViews.push_back(&v);
        fromViews.push_back(&views.Overview);
        xlio::Table rows;
        for (int r = 0; r < src.RowCount(); ++r) {
            rows.emplace_back();
            for (int j = 0; j < src.ColCount(); ++j)
                rows.back().push_back(src.FindCell(j, r) ? Str(src, j, r) : "");
        }
        TRosterView rosterView(rows, src.ColCount());
        ExportCsv(base / "views", fromViews, rosterView, options, nullptr);

        int files = 0;
        for (const auto& entry : fs::directory_iterator(base / "sheets")) {
            ++files;
            EXPECT_EQ(xlgrid::ReadWholeFile(entry.path().string(), 1 << 20),
                      xlgrid::ReadWholeFile((base / "views" / entry.path().filename()).string(), 1 << 20))
                << settings << " " << entry.path().filename();
        }
        EXPECT_EQ(files, static_cast<int>(c->Sheets.size()) + 1);
        fs::remove_all(base);
    }
}

TEST(ResultSheet, HeadersAreCopiedAsValuesAndDataCellsAreTrimmedTexts)
{
    xlgrid::TXLSheet source;
    source.SetColCount(4);
    source.SetRowCount(3);
    source.SetText(0, 0, "名单");
    source.SetText(0, 1, "考号");
    source.SetText(1, 1, " 姓名 ");
    source.SetText(2, 1, "性别");
    source.SetCellClass(3, 1, xlgrid::TXLCInteger::Class())->SetValue(xlgrid::Variant(int32_t{2024}));
    source.SetText(0, 2, " 7 ");
    engine::TDivideClasses d;
    d.Data = {{"7", "甲", "男", "x"}};
    d.Columns.SexCol = 2;
    d.Divide();
    TResultContext context{source, d, {"", engine::skNone}, {}};
    xlgrid::TXLSheet grade;
    BuildResultSheet(context, grade, d.Grade, rkGrade, "", false, "");
    EXPECT_EQ(grade.ColCount(), 5);
    EXPECT_EQ(Str(grade, 1, -1), " 姓名 ");
    EXPECT_EQ(Str(grade, 3, -1), "2024");
    EXPECT_EQ(Str(grade, 4, -1), "班别");
    EXPECT_EQ(Str(grade, 0, 0), "7");
    EXPECT_EQ(Str(grade, 4, 0), "(1)班");
    xlgrid::TXLSheet overview;
    BuildResultSheet(context, overview, engine::TClassData(), rkOverview, "", false, "");
    EXPECT_EQ(overview.ColCount(), 4);  // no numeric sort field: no average column
    EXPECT_EQ(overview.RowCount(), 2);
    EXPECT_EQ(Str(overview, 0, 1), "全年级");
    EXPECT_EQ(Str(overview, -1, 1), "2");
}
