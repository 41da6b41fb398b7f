#include "xlio/sheetimport.h"
#include "xlio/xlsreader.h"
#include "xlio/xlsxreader.h"
#include "ziptestutil.h"

#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

namespace xlio {
namespace {

using xlgrid::TXLSheet;

// The client cells as texts, RowCount x ColCount.
Table Contents(const TXLSheet& sheet)
{
    Table out(static_cast<std::size_t>(sheet.RowCount()));
    for (int r = 0; r < sheet.RowCount(); ++r)
        for (int c = 0; c < sheet.ColCount(); ++c) {
            const xlgrid::TXLCell* cell = sheet.FindCell(c, r);
            out[static_cast<std::size_t>(r)].push_back(cell ? cell->AsString() : "");
        }
    return out;
}

TXLSheet& PreparedSheet(TXLSheet& sheet)
{
    sheet.SetTitleRows(1);
    sheet.SetTitleCols(1);
    sheet.SetColCount(40);
    sheet.SetRowCount(40);
    sheet.SetText(35, 35, "old content");
    return sheet;
}

struct TImportCase {
    const char* Name;
    Table Input;
    Table Expected;  // the sheet's client cells after the import
};

class Import : public testing::TestWithParam<TImportCase> {};

TEST_P(Import, FillsLikeTheDesigner)
{
    TXLSheet sheet;
    ImportTable(PreparedSheet(sheet), GetParam().Input);
    EXPECT_EQ(Contents(sheet), GetParam().Expected);
    EXPECT_EQ(sheet.FindCell(35, 35), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, Import,
    testing::Values(
        TImportCase{"Roster",
                    {{"高一新生名单"}, {"姓名", "性别", "总分"}, {"张三", "男", "85"}},
                    {{"高一新生名单", "", ""}, {"姓名", "性别", "总分"}, {"张三", "男", "85"}}},
        TImportCase{"TrailingBlankRowsAndColumns",
                    {{"a", "b", " "}, {"c", "", ""}, {" ", "\t"}, {}},
                    {{"a", "b"}, {"c", ""}}},
        TImportCase{"InnerBlankRowStays", {{"a"}, {""}, {"b"}}, {{"a"}, {""}, {"b"}}},
        TImportCase{"InnerBlankColumnStays", {{"a", "", "b"}}, {{"a", "", "b"}}},
        TImportCase{"AllBlank", {{" ", ""}, {""}}, {}},
        TImportCase{"Empty", {}, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Import, HeadingsWidthAndTextCells)
{
    TXLSheet sheet;
    Table wide(2, std::vector<std::string>(28, "1"));
    ImportTable(PreparedSheet(sheet), wide);
    EXPECT_EQ(sheet.ColCount(), 28);
    EXPECT_EQ(sheet.RowCount(), 2);
    EXPECT_EQ(sheet.FindCell(0, -1)->AsString(), "A");
    EXPECT_EQ(sheet.FindCell(26, -1)->AsString(), "AA");
    EXPECT_EQ(sheet.FindCell(27, -1)->AsString(), "AB");
    EXPECT_EQ(sheet.FindCell(-1, 1)->AsString(), "2");
    EXPECT_EQ(sheet.Sizes(-1, xlgrid::sCols), 30);
    // Numbers arrive as text cells, not as numbers.
    EXPECT_EQ(&sheet.FindCell(3, 1)->CellClass(), &xlgrid::TXLCString::Class());
}

TEST(Import, SameRosterFromXlsxAndXls)
{
    const Table fromXls = ReadXls(std::string(FENBAN_TEST_DATA) + "/roster.xls");
    std::string sheetData;
    for (std::size_t r = 0; r < fromXls.size(); ++r) {
        sheetData += "<row>";
        for (const auto& text : fromXls[r])
            sheetData += "<c t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
        sheetData += "</row>";
    }
    TXLSheet a, b;
    ImportTable(PreparedSheet(a), fromXls);
    ImportTable(PreparedSheet(b), ReadXlsxMemory(test::MakeXlsx(sheetData), "roster.xlsx"));
    EXPECT_EQ(Contents(a), Contents(b));
    EXPECT_EQ(a.ColCount(), 5);
    EXPECT_EQ(a.RowCount(), 5);
}

// The table rules the command line divides by, and the sheet the designer
// fills, from one implementation: the shaped table is the sheet's cells.
TEST(Import, TableRulesOfCsvAndWorkbooks)
{
    struct Case {
        const char* name;
        bool csv;
        Table input;
        Table rows;  // the shaped table, no row longer than colCount
        int colCount;
    };
    const Case cases[] = {
        {"csv: surplus lost, short stays short", true, {{"x", "y"}, {"a", "b", "c"}, {"d"}}, {{"x", "y"}, {"a", "b"}, {"d"}}, 2},
        {"csv: trailing rows and columns", true, {{"t", "", " "}, {"a", "b", ""}, {" ", "", ""}, {"", "\t", ""}}, {{"t", ""}, {"a", "b"}}, 2},
        {"csv: inner blank row stays", true, {{"a"}, {""}, {"b"}}, {{"a"}, {""}, {"b"}}, 1},
        {"csv: all blank", true, {{" ", ""}, {"", ""}}, {}, 0},
        {"csv: leading comma", true, {{"", "x"}}, {{"", "x"}}, 2},
        {"csv: a wide later line is cut", true, {{"a"}, {"b", "c", "d"}}, {{"a"}, {"b"}}, 1},
        {"workbook: longest row decides", false, {{"名单"}, {"考号", "姓名", "性别"}, {"1", "甲"}}, {{"名单"}, {"考号", "姓名", "性别"}, {"1", "甲"}}, 3},
        {"workbook: ragged rows with blank tails", false, {{"t", "", ""}, {"a", "b", " "}, {"\n", ""}, {}}, {{"t", ""}, {"a", "b"}}, 2},
        {"workbook: blank column inside stays", false, {{"a", "", "c"}, {"d"}}, {{"a", "", "c"}, {"d"}}, 3},
        {"workbook: control characters are blank", false, {{"a", "\r\n"}, {"\t", "\x01"}}, {{"a"}}, 1},
        {"workbook: empty rows only", false, {{}, {}}, {}, 0},
        {"workbook: wide last row", false, {{"a"}, {"", "", "", "z"}}, {{"a"}, {"", "", "", "z"}}, 4},
    };
    for (const Case& c : cases) {
        const TImportedTable t = c.csv ? ImportCsvTable(c.input) : ImportWorkbookTable(c.input);
        EXPECT_EQ(t.Rows, c.rows) << c.name;
        EXPECT_EQ(t.ColCount, c.colCount) << c.name;
        TXLSheet sheet;
        if (c.csv)
            ImportCsvIntoSheet(PreparedSheet(sheet), c.input);
        else
            ImportTable(PreparedSheet(sheet), c.input);
        EXPECT_EQ(sheet.ColCount(), c.colCount) << c.name;
        ASSERT_EQ(sheet.RowCount(), static_cast<int>(c.rows.size())) << c.name;
        for (int r = 0; r < sheet.RowCount(); ++r)
            for (int col = 0; col < sheet.ColCount(); ++col) {
                const auto& row = c.rows[static_cast<std::size_t>(r)];
                const xlgrid::TXLCell* cell = sheet.FindCell(col, r);
                // A field a short row lacks is no cell; an empty field is an empty text cell.
                ASSERT_EQ(cell != nullptr, static_cast<std::size_t>(col) < row.size()) << c.name << " " << col << "," << r;
                if (cell) {
                    EXPECT_EQ(cell->AsString(), row[static_cast<std::size_t>(col)]) << c.name;
                }
            }
    }
}

TEST(Import, CsvWithoutRecordsOnlyTrimsTheSheet)
{
    TXLSheet sheet;
    sheet.SetColCount(5);
    sheet.SetRowCount(5);
    sheet.SetText(1, 1, "kept");
    sheet.SetText(3, 3, " ");
    ImportCsvIntoSheet(sheet, {});
    EXPECT_EQ(sheet.ColCount(), 2);
    EXPECT_EQ(sheet.RowCount(), 2);
    EXPECT_EQ(sheet.FindCell(1, 1)->AsString(), "kept");
}

}  // namespace
}  // namespace xlio
