#include "xlio/fileerror.h"
#include "xlio/sheetexport.h"
#include "xlio/xlsxreader.h"
#include "workbooktest.h"
#include "ziptestutil.h"

#include "xlgrid/range.h"
#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace xlio {
namespace {

using namespace xlgrid;

// A small designed sheet: a caption merged over three columns, a row 40
// pixels high, a block merged down, typed values and some formatting.
void Design(TXLSheet& sheet)
{
    sheet.SetTitleRows(1);
    sheet.SetTitleCols(1);
    sheet.SetColCount(3);
    sheet.SetRowCount(4);
    sheet.SetText(0, 0, "成绩表");
    MergeSectionRect(sheet.Section(skClient), TXLRect{0, 0, 3, 1});
    sheet.SetSizes(1, sRows, 40);
    sheet.SetText(0, 1, "00123");
    sheet.SetCellClass(1, 1, TXLCInteger::Class())->SetValue(Variant(int32_t(85)));
    sheet.SetCellClass(2, 1, TXLCDouble::Class())->SetValue(Variant(85.5));
    sheet.SetText(0, 2, "下");
    MergeSectionRect(sheet.Section(skClient), TXLRect{0, 2, 1, 4});
    sheet.SetCellClass(1, 2, TXLCBoolean::Class())->SetValue(Variant(true));
    sheet.SetCellClass(2, 2, TXLCDateTime::Class())->SetValue(Variant::FromDate(46082));

    TXLCell* cell = sheet.Cells(1, 1);
    TXLFont font = cell->Font();
    font.Name = "黑体";
    font.Size = 12;
    font.Color = clRed;
    font.Style = fsBold | fsItalic | fsUnderline | fsStrikeOut;
    cell->SetFont(font);
    cell->SetColor(RGBColor(0xFF, 0xE4, 0xDD));
    cell->SetHorzAlign(haRight);
    cell->SetSide(sLeft, TXLLine{1, clBlue});
    cell->SetSide(sBottom, TXLLine{2, clBlack});  // only weight-1 lines are exported
}

TEST(SheetExport, FormattedReadBack)
{
    TXLSheet sheet;
    Design(sheet);
    const std::string path = test::TempPath("formatted.xlsx");
    std::int64_t last = 0, maximum = 0;
    TSheetExportOptions options;
    options.TextFormat = "@";
    options.Progress = [&](std::int64_t position, std::int64_t max) {
        last = position;
        maximum = max;
    };
    ExportSheetFormatted(path, sheet, options);
    EXPECT_EQ(maximum, 3 * 4 + 2);
    EXPECT_EQ(last, maximum);
    EXPECT_FALSE(sheet.ReadOnly());

    EXPECT_EQ(ReadXlsx(path), (Table{{"成绩表"}, {"00123", "85", "85.5"}, {"下", "TRUE", "2026-03-01"}}));

    if (!test::HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const auto facts = test::WorkbookFacts(path);
    for (const std::string& expected : std::vector<std::string>{
             "sheets=Sheet1",
             "Sheet1!merged=A1:C1,A3:A4",
             "Sheet1!rowheight:2=30",
             "Sheet1!A2=00123|str|@|-|宋体,9,-|left|-,-,thin:0000FF,-",
             "Sheet1!B2=85|int|General|FFE4DD|黑体,12,b,i,u,s,FF0000|right|thin:0000FF,-,-,-",
             "Sheet1!C2=85.5|float|General|-|宋体,9,-|left|-,-,-,-",
             "Sheet1!B3=True|bool|General|-|宋体,9,-|left|-,-,-,-",
             "Sheet1!C3=2026-03-01 00:00:00|datetime|yyyy-mm-dd|-|宋体,9,-|left|-,-,-,-",
         })
        EXPECT_TRUE(facts.count(expected)) << expected << "\nin:\n" << testing::PrintToString(facts);
    std::filesystem::remove(path);
}

TEST(SheetExport, QuickFormatsTheWholeRange)
{
    TXLSheet sheet;
    Design(sheet);
    const std::string path = test::TempPath("quick.xlsx");
    ExportSheetQuick(path, sheet);
    if (!test::HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const auto facts = test::WorkbookFacts(path);
    for (const std::string& expected : std::vector<std::string>{
             "Sheet1!merged=A1:C1,A3:A4",
             "Sheet1!rowheight:2=30",
             "Sheet1!A2=00123|str|General|-|宋体,9,-|center|-,-,-,-",
             "Sheet1!B2=85|int|General|-|宋体,9,-|center|-,-,-,-",
             "Sheet1!C4=|NoneType|General|-|宋体,9,-|center|-,-,-,-",
         })
        EXPECT_TRUE(facts.count(expected)) << expected << "\nin:\n" << testing::PrintToString(facts);
    std::filesystem::remove(path);
}

TEST(SheetExport, TooWideFailsAndLeavesTheSheetEditable)
{
    TXLSheet sheet;
    sheet.SetColCount(16385);
    sheet.SetRowCount(1);
    const std::string path = test::TempPath("wide.xlsx");
    try {
        ExportSheetFormatted(path, sheet);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.What(), "The maximum number of columns (16384) has been reached");
    }
    EXPECT_FALSE(sheet.ReadOnly());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(SheetExport, SystemColours)
{
    EXPECT_EQ(ExcelRgb(RGBColor(0x12, 0x34, 0x56)), 0x123456);
    EXPECT_EQ(ExcelRgb(clWindow), 0xFFFFFF);
    EXPECT_EQ(ExcelRgb(clWindowText), 0x000000);
}

}  // namespace
}  // namespace xlio
