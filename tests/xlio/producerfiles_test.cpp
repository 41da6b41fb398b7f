// Files saved by real programs (tests/data/producers, remade by
// tests/data/make-producer-rosters.py): numbers come in as the cell formats
// show them, and a roster comes from its first visible worksheet with its
// formulas' results, whoever wrote it.
#include "xlio/sheetfiles.h"
#include "xlio/xlsreader.h"
#include "xlio/xlsxreader.h"

#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include <string>

namespace xlio {
namespace {

const std::string kFolder = FENBAN_TEST_DATA "/producers/";

TWorksheet Read(const std::string& name)
{
    return LowerExtension(name) == ".xls" ? ReadXlsFile(kFolder + name) : ReadXlsxFile(kFolder + name);
}

class NumbersFromProducer : public testing::TestWithParam<const char*> {};

TEST_P(NumbersFromProducer, AsTheCellFormatShowsThem)
{
    const TWorksheet sheet = Read(GetParam());
    EXPECT_EQ(sheet.Name, "数字");
    const std::vector<std::string> expected = {"00002601", "A0012", "240.6", "0007号", "12.5", "1234", "-0012",
                                               "20260001"};
    ASSERT_EQ(sheet.Cells.size(), expected.size());
    for (std::size_t r = 0; r < expected.size(); ++r) {
        ASSERT_FALSE(sheet.Cells[r].empty());
        EXPECT_EQ(sheet.Cells[r][0], expected[r]) << "row " << r + 1 << ", format " << sheet.Cells[r].back();
    }
}

INSTANTIATE_TEST_SUITE_P(Producers, NumbersFromProducer,
                         testing::Values("numbers-shown-openpyxl.xlsx", "numbers-shown-libreoffice.xlsx",
                                         "numbers-shown-libreoffice.xls", "numbers-shown-gnumeric.xlsx",
                                         "numbers-shown-gnumeric.xls"));

class WorkbookFromProducer : public testing::TestWithParam<const char*> {};

TEST_P(WorkbookFromProducer, VisibleSheetWithFormulaResults)
{
    const TWorksheet sheet = Read(GetParam());
    EXPECT_EQ(sheet.Name, "名单");
    ASSERT_EQ(sheet.Cells.size(), 50u);
    ASSERT_EQ(sheet.Cells[1].size(), 7u);
    EXPECT_EQ(sheet.Cells[1][6], "总分");
    // Student 6: 80.1 + 80.2 + 80.3, which binary arithmetic makes 240.60000000000002.
    EXPECT_EQ(sheet.Cells[7], (std::vector<std::string>{"20260006", "杨明", "男", "80.1", "80.2", "80.3", "240.6"}));
    for (std::size_t r = 2; r < sheet.Cells.size(); ++r) {
        ASSERT_EQ(sheet.Cells[r].size(), 7u) << "row " << r + 1;
        EXPECT_NE(sheet.Cells[r][6], "0") << "row " << r + 1;
        EXPECT_FALSE(sheet.Cells[r][6].empty()) << "row " << r + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Producers, WorkbookFromProducer,
                         testing::Values("roster-openpyxl.xlsx", "roster-xlsxwriter.xlsx", "roster-pandas.xlsx",
                                         "roster-libreoffice.xlsx", "roster-libreoffice.xls", "roster-gnumeric.xlsx",
                                         "roster-gnumeric.xls"));

// What the roster check's message names: the worksheet read, for workbooks only.
TEST(WorkbookFromProducer, LoadersSayWhichWorksheetTheyRead)
{
    for (const char* name : {"roster-xlsxwriter.xlsx", "roster-libreoffice.xls"}) {
        EXPECT_EQ(LoadRoster(kFolder + name).WorksheetName, "名单") << name;
        xlgrid::TXLSheet sheet;
        EXPECT_EQ(LoadSheet(kFolder + name, sheet), "名单") << name;
        EXPECT_EQ(sheet.RowCount(), 50) << name;
    }
    EXPECT_EQ(LoadRoster(kFolder + "roster.csv").WorksheetName, "");
    xlgrid::TXLSheet sheet;
    EXPECT_EQ(LoadSheet(kFolder + "roster.csv", sheet), "");
}

}  // namespace
}  // namespace xlio
