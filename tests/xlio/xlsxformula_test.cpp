// Workbook formulas without a result fenban may trust, and the other ways a
// workbook roster used to come in wrong: hidden first sheets, 15-digit
// numbers, zero-padded numbers, far cells and long shared strings.
#include "xlio/fileerror.h"
#include "xlio/readlimits.h"
#include "xlio/sheetimport.h"
#include "xlio/xlsxreader.h"
#include "ziptestutil.h"

#include <gtest/gtest.h>

namespace xlio {
namespace {

using test::MakeXlsx;
using test::MakeZip;
using test::XlsxParts;

// Row 1: A1 10, B1 20, C1 "abc", D1 TRUE, E1 empty, F1 2.5, G1 "7" (text),
// H1 #N/A; the formula under test goes into J1 without a stored result.
const std::string kRow1 = "<c r=\"A1\"><v>10</v></c><c r=\"B1\"><v>20</v></c>"
                          "<c r=\"C1\" t=\"inlineStr\"><is><t>abc</t></is></c><c r=\"D1\" t=\"b\"><v>1</v></c>"
                          "<c r=\"F1\"><v>2.5</v></c><c r=\"G1\" t=\"inlineStr\"><is><t>7</t></is></c>"
                          "<c r=\"H1\" t=\"e\"><v>#N/A</v></c>";

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

// The sheet of one row with a formula in J1, as a program that never
// calculates writes it (no <v>).
Table WithFormula(const std::string& formula, const std::string& more = "")
{
    return ReadXlsxMemory(MakeXlsx("<row r=\"1\">" + kRow1 + "<c r=\"J1\"><f>" + Escaped(formula) + "</f></c>" + more
                                   + "</row>"),
                          "formula.xlsx");
}

struct TFormulaCase {
    const char* Name;
    const char* Formula;
    const char* Expected;
};

class XlsxFormula : public testing::TestWithParam<TFormulaCase> {};

TEST_P(XlsxFormula, CalculatedLikeASpreadsheet)
{
    const Table t = WithFormula(GetParam().Formula);
    ASSERT_EQ(t.size(), 1u);
    ASSERT_EQ(t[0].size(), 10u);
    EXPECT_EQ(t[0][9], GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Set, XlsxFormula,
    testing::Values(
        // arithmetic and precedence
        TFormulaCase{"Number", "42", "42"}, TFormulaCase{"Sum", "A1+B1", "30"},
        TFormulaCase{"Precedence", "A1+B1*2", "50"}, TFormulaCase{"Parentheses", "(A1+B1)*2", "60"},
        TFormulaCase{"Division", "B1/A1/4", "0.5"}, TFormulaCase{"PowerLeftToRight", "2^3^2", "64"},
        TFormulaCase{"SignBeforePower", "-2^2", "4"}, TFormulaCase{"DoubleMinus", "--A1", "10"},
        TFormulaCase{"Percent", "50%*A1", "5"}, TFormulaCase{"AbsoluteRefs", "$A$1+B$1", "30"},
        TFormulaCase{"LowerCaseRef", "a1*f1", "25"}, TFormulaCase{"Blanks", " A1 + B1 ", "30"},
        TFormulaCase{"FifteenDigits", "0.1+0.2", "0.3"}, TFormulaCase{"Exponent", "1.5E+3/3", "500"},
        TFormulaCase{"EmptyCellIsZero", "E1+1", "1"}, TFormulaCase{"RefToEmptyShowsZero", "E1", "0"},
        TFormulaCase{"TextDigitsAreNumbers", "G1*2", "14"}, TFormulaCase{"BoolIsOne", "D1+1", "2"},
        // errors
        TFormulaCase{"DivideByZero", "A1/E1", "#DIV/0!"}, TFormulaCase{"TextIsNoNumber", "C1+1", "#VALUE!"},
        TFormulaCase{"ErrorPropagates", "H1+1", "#N/A"}, TFormulaCase{"ErrorLiteral", "#DIV/0!", "#DIV/0!"},
        // comparison and text
        TFormulaCase{"Less", "A1<B1", "TRUE"}, TFormulaCase{"NotEqual", "A1<>10", "FALSE"},
        TFormulaCase{"TextIgnoresCase", "C1=\"ABC\"", "TRUE"}, TFormulaCase{"NumberBeforeText", "A1<C1", "TRUE"},
        TFormulaCase{"EmptyEqualsEmptyText", "E1=\"\"", "TRUE"}, TFormulaCase{"Concat", "C1&A1&\"分\"", "abc10分"},
        TFormulaCase{"ConcatBool", "D1&\"\"", "TRUE"}, TFormulaCase{"QuotedQuote", "\"a\"\"b\"", "a\"b"},
        TFormulaCase{"ConcatBindsLooserThanPlus", "1+2&3", "33"},
        // functions
        TFormulaCase{"SumRangeSkipsTextAndBool", "SUM(A1:H1)", "#N/A"}, TFormulaCase{"SumRange", "SUM(A1:G1)", "32.5"},
        TFormulaCase{"SumArgsCountBool", "SUM(A1,TRUE,\"3\")", "14"}, TFormulaCase{"SumMixed", "sum(A1:B1,5)", "35"},
        TFormulaCase{"SumBadTextArg", "SUM(A1,\"x\")", "#VALUE!"}, TFormulaCase{"Average", "AVERAGE(A1:B1,F1)", "10.8333333333333"},
        TFormulaCase{"AverageOfNothing", "AVERAGE(E1:E1)", "#DIV/0!"}, TFormulaCase{"Min", "MIN(A1:G1)", "2.5"},
        TFormulaCase{"MaxOfNothing", "MAX(C1:E1)", "0"}, TFormulaCase{"Count", "COUNT(A1:H1)", "3"},
        TFormulaCase{"CountA", "COUNTA(A1:H1)", "7"}, TFormulaCase{"WholeColumn", "SUM(A:B)", "30"},
        TFormulaCase{"WholeRows", "SUM(2:3)+1", "1"}, TFormulaCase{"ReversedRange", "SUM(B1:A1)", "30"},
        TFormulaCase{"Round", "ROUND(2.675,2)", "2.68"}, TFormulaCase{"RoundHalfAway", "ROUND(-2.5,0)", "-3"},
        TFormulaCase{"RoundTens", "ROUND(1234,-2)", "1200"}, TFormulaCase{"RoundUp", "ROUNDUP(-1.21,1)", "-1.3"},
        TFormulaCase{"RoundDown", "ROUNDDOWN(1.29,1)", "1.2"}, TFormulaCase{"Int", "INT(-2.5)", "-3"},
        TFormulaCase{"Abs", "ABS(-A1)", "10"}, TFormulaCase{"If", "IF(A1>5,\"高\",\"低\")", "高"},
        TFormulaCase{"IfWithoutElse", "IF(A1>50,1)", "FALSE"}, TFormulaCase{"IfSkipsOtherBranch", "IF(TRUE,1,1/0)", "1"},
        TFormulaCase{"IfOmittedValue", "IF(FALSE,1,)", "0"}, TFormulaCase{"And", "AND(A1>5,B1>5)", "TRUE"},
        TFormulaCase{"AndSkipsTextInRange", "AND(C1:D1)", "TRUE"}, TFormulaCase{"Or", "OR(A1>50,FALSE,0)", "FALSE"},
        TFormulaCase{"OrOfNothing", "OR(C1:C1)", "#VALUE!"}, TFormulaCase{"Nested", "IF(AND(SUM(A1:B1)>=30,OR(D1)),ROUND(AVERAGE(A1,B1,F1),1),0)", "10.8"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TRefusedCase {
    const char* Name;
    const char* Formula;
    const char* Reason;  // part of the message
};

class XlsxFormulaRefused : public testing::TestWithParam<TRefusedCase> {};

TEST_P(XlsxFormulaRefused, NamesSheetCellFormulaAndAdvice)
{
    try {
        WithFormula(GetParam().Formula);
        FAIL() << "read without an error";
    } catch (const EFileError& e) {
        const std::string m = e.what();
        EXPECT_NE(m.find("formula.xlsx, worksheet \"S\", cell J1"), std::string::npos) << m;
        EXPECT_NE(m.find(std::string("=") + GetParam().Formula), std::string::npos) << m;
        EXPECT_NE(m.find(GetParam().Reason), std::string::npos) << m;
        EXPECT_NE(m.find("open the file in a spreadsheet program, save it once"), std::string::npos) << m;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outside, XlsxFormulaRefused,
    testing::Values(TRefusedCase{"UnknownFunction", "VLOOKUP(A1,A1:B1,2)", "the function VLOOKUP"},
                    TRefusedCase{"OtherSheet", "Sheet2!A1+1", "another worksheet"},
                    TRefusedCase{"QuotedOtherSheet", "'成绩 表'!A1", "another worksheet"},
                    TRefusedCase{"DefinedName", "Total*2", "the name TOTAL"},
                    TRefusedCase{"RangeAsValue", "A1:B1+1", "a range stands outside"},
                    TRefusedCase{"SelfReference", "J1+1", "circular"},
                    TRefusedCase{"Unbalanced", "(A1+1", "ends too early"},
                    TRefusedCase{"TrailingJunk", "A1 B1", "cannot read the formula"},
                    TRefusedCase{"WrongArity", "ROUND(A1)", "ROUND takes 2 arguments"},
                    TRefusedCase{"PastTheSheet", "XFE1", "outside the sheet"},
                    TRefusedCase{"DeepNesting", "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
                                                "((((((((((((((((((((((((((((((((((((((((1",
                                 "nests deeper"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(XlsxFormulaCells, FormulasReadFormulasInAnyOrderAndCyclesAreRefused)
{
    // K1 reads L1, which comes later in the file; both lack results.
    const Table t = WithFormula("K1*2", "<c r=\"K1\"><f>L1+1</f></c><c r=\"L1\"><f>SUM(A1:B1)</f></c>");
    EXPECT_EQ(t[0][9], "62");
    EXPECT_EQ(t[0][10], "31");
    EXPECT_EQ(t[0][11], "30");
    try {
        WithFormula("K1", "<c r=\"K1\"><f>L1</f></c><c r=\"L1\"><f>SUM(J1:J1)</f></c>");
        FAIL() << "a cycle was read";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("circular"), std::string::npos) << e.what();
    }
}

// A long chain of formulas reading the formula below them ends in a clear
// refusal, not in a stack overflow; one reading the formula above is fine.
TEST(XlsxFormulaCells, LongChainsAreBounded)
{
    std::string up, down;
    for (int r = 1; r <= 5000; ++r) {
        const std::string n = std::to_string(r);
        up += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><f>" + (r == 1 ? std::string("1") : "A" + std::to_string(r - 1) + "+1")
              + "</f></c></row>";
        down += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><f>" + (r == 5000 ? std::string("1") : "A" + std::to_string(r + 1) + "+1")
                + "</f></c></row>";
    }
    const Table t = ReadXlsxMemory(MakeXlsx(up), "up.xlsx");
    ASSERT_EQ(t.size(), 5000u);
    EXPECT_EQ(t[4999][0], "5000");
    EXPECT_THROW(ReadXlsxMemory(MakeXlsx(down), "down.xlsx"), EFileError);
}

// Every formula summing whole columns of a long sheet: the cells read in all
// are bounded (TReadLimits::MaxFormulaReads, 100 million: about a second),
// so such a sheet is refused instead of calculating for hours.
TEST(XlsxFormulaCells, WorkOverWholeColumnsIsBounded)
{
    std::string data;
    for (int r = 1; r <= 2000; ++r) {
        const std::string n = std::to_string(r);
        data += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c><c r=\"B" + n + "\"><f>SUM(A:A)</f></c></row>";
    }
    TReadLimits limits;
    limits.MaxFormulaReads = 1000000;
    try {
        ReadXlsxMemory(MakeXlsx(data), "columns.xlsx", limits);
        FAIL() << "4 million cell reads were made";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("the formulas read more than 1000000 cells in all"), std::string::npos)
            << e.what();
    }
    limits.MaxFormulaReads = 10000000;
    EXPECT_EQ(ReadXlsxMemory(MakeXlsx(data), "columns.xlsx", limits)[1999][1], "2001000");
}

std::string FullCalcWorkbook(const std::string& sheetData)
{
    auto parts = XlsxParts(sheetData);
    parts[2].second = "<workbook xmlns:r=\"r\"><sheets><sheet name=\"名单\" r:id=\"rId1\"/></sheets>"
                      "<calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/></workbook>";
    return MakeZip(parts);
}

// What python3-xlsxwriter writes: a stored 0 for every formula, and the
// request to recalculate on load.
TEST(XlsxFormulaCells, StoredZeroIsNotTrustedWhenTheWorkbookAsksForRecalculation)
{
    const std::string data = "<row r=\"1\"><c r=\"A1\"><v>80</v></c><c r=\"B1\"><v>95.5</v></c>"
                             "<c r=\"C1\"><f>SUM(A1:B1)</f><v>0</v></c><c r=\"D1\" t=\"str\"><f>A1&amp;\"\"</f><v></v></c>"
                             "</row>";
    EXPECT_EQ(ReadXlsxMemory(FullCalcWorkbook(data), "xlsxwriter.xlsx"), (Table{{"80", "95.5", "175.5", "80"}}));
    // A data table's cells carry only their stored values.
    EXPECT_EQ(ReadXlsxMemory(FullCalcWorkbook("<row r=\"1\"><c r=\"A1\"><f t=\"dataTable\" ref=\"A1:A1\" dt2D=\"0\" "
                                              "dtr=\"0\" r1=\"B1\"/><v>5</v></c></row>"),
                             "table.xlsx"),
              (Table{{"5"}}));
    // Without the request the stored results count, even a wrong one.
    EXPECT_EQ(ReadXlsxMemory(MakeXlsx(data), "stored.xlsx"), (Table{{"80", "95.5", "0", ""}}));
    try {
        ReadXlsxMemory(FullCalcWorkbook("<row r=\"1\"><c r=\"C1\"><f>MEDIAN(A1:B1)</f><v>0</v></c></row>"), "x.xlsx");
        FAIL() << "an unsupported formula's stored 0 was used";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("worksheet \"名单\", cell C1"), std::string::npos) << e.what();
    }
}

// Shared formulas: the other cells hold only the index; their references
// move with them, $-anchored parts stay.
TEST(XlsxFormulaCells, SharedFormulasMoveTheirRelativeReferences)
{
    const std::string data = "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>10</v></c>"
                             "<c r=\"C1\"><f t=\"shared\" ref=\"C1:C2\" si=\"0\">A1+B1*$B$1</f></c></row>"
                             "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"B2\"><v>20</v></c>"
                             "<c r=\"C2\"><f t=\"shared\" si=\"0\"/></c></row>";
    EXPECT_EQ(ReadXlsxMemory(MakeXlsx(data), "shared.xlsx"), (Table{{"1", "10", "101"}, {"2", "20", "202"}}));
}

TEST(XlsxFormulaCells, NumberFormatAppliesToCalculatedResults)
{
    const std::string styles = "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"00000000\"/></numFmts>"
                               "<cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/></cellXfs>";
    const std::string data = "<row r=\"1\"><c r=\"A1\"><v>123</v></c><c r=\"B1\" s=\"1\"><f>A1*2</f></c>"
                             "<c r=\"C1\" s=\"2\"><f>46082+A1-123</f></c></row>";
    EXPECT_EQ(ReadXlsxMemory(MakeXlsx(data, "", styles), "styled.xlsx"), (Table{{"123", "00000246", "2026-03-01"}}));
}

struct TFormatCase {
    const char* Name;
    const char* Code;
    const char* Value;
    const char* Expected;
};

class XlsxZeroPadded : public testing::TestWithParam<TFormatCase> {};

TEST_P(XlsxZeroPadded, ShowsWhatTheTeacherSees)
{
    const auto& c = GetParam();
    const std::string styles = std::string("<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"") + c.Code
                               + "\"/></numFmts><cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs>";
    const Table t = ReadXlsxMemory(
        MakeXlsx(std::string("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>") + c.Value + "</v></c></row>", "", styles), "z.xlsx");
    EXPECT_EQ(t, (Table{{c.Expected}}));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, XlsxZeroPadded,
    testing::Values(TFormatCase{"ExamNumber", "00000000", "2601", "00002601"},
                    TFormatCase{"AlreadyLong", "0000", "123456", "123456"},
                    TFormatCase{"ZeroItself", "000", "0", "000"},
                    TFormatCase{"Negative", "0000", "-12", "-0012"},
                    TFormatCase{"QuotedPrefix", "&quot;A&quot;0000", "12", "A0012"},
                    TFormatCase{"ChineseSuffix", "0000&quot;号&quot;", "7", "0007号"},
                    TFormatCase{"EscapedDash", "\\-000", "5", "-005"},
                    TFormatCase{"FractionKeepsItsDigits", "0000", "12.5", "12.5"},
                    TFormatCase{"SingleZeroIsPlain", "0", "12", "12"},
                    TFormatCase{"ScoreWithUnitStaysANumber", "0&quot;分&quot;", "85", "85"},
                    TFormatCase{"DecimalsStayAsTheyAre", "0.00", "12", "12"},
                    TFormatCase{"ThousandsStayAsTheyAre", "#,##0", "1234", "1234"},
                    TFormatCase{"TwoSectionsStayAsTheyAre", "0000;-0000", "12", "12"},
                    TFormatCase{"SplitZerosStayAsTheyAre", "00-00", "12", "12"},
                    TFormatCase{"DateIsStillADate", "yyyy-mm-dd", "46082", "2026-03-01"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(XlsxSheets, FirstVisibleWorksheetIsTheRosterAndItsNameComesAlong)
{
    auto parts = XlsxParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    const std::string relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    parts[2].second = "<workbook xmlns:r=\"" + relNs + "\"><sheets>"
                      "<sheet name=\"说明\" state=\"hidden\" r:id=\"rId1\"/><sheet name=\"旧\" state=\"veryHidden\" r:id=\"rId1\"/>"
                      "<sheet name=\"名单\" state=\"visible\" r:id=\"rId2\"/></sheets></workbook>";
    parts[3].second = "<Relationships><Relationship Id=\"rId1\" Type=\"" + relNs
                      + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + relNs
                      + "/worksheet\" Target=\"worksheets/sheet2.xml\"/></Relationships>";
    parts.emplace_back("xl/worksheets/sheet2.xml",
                       "<worksheet><sheetData><row><c><v>2</v></c></row></sheetData></worksheet>");
    const TWorksheet sheet = ReadXlsxSheet(MakeZip(parts), "hidden.xlsx");
    EXPECT_EQ(sheet.Name, "名单");
    EXPECT_EQ(sheet.Cells, (Table{{"2"}}));

    parts[2].second = "<workbook xmlns:r=\"" + relNs + "\"><sheets><sheet name=\"a\" state=\"hidden\" r:id=\"rId1\"/>"
                      "</sheets></workbook>";
    try {
        ReadXlsxSheet(MakeZip(parts), "allhidden.xlsx");
        FAIL() << "a hidden sheet was read";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("every worksheet of the workbook is hidden"), std::string::npos);
    }
}

// The last sixteen rows of a full-height sheet are rows like any other.
TEST(XlsxSheets, LastRowsOfAFullHeightSheetAreRead)
{
    std::string data = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
    for (int r = 1048561; r <= 1048576; ++r)
        data += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" + std::to_string(r)
                + "</v></c></row>";
    const Table t = ReadXlsxMemory(MakeXlsx(data), "tall.xlsx");
    ASSERT_EQ(t.size(), 1048576u);
    for (std::size_t r = 1048560; r < 1048576; ++r)
        EXPECT_EQ(t[r], (std::vector<std::string>{std::to_string(r + 1)}));
}

// One cell at XFD1048576: the reader keeps rows as long as their cells, and
// the import refuses the span with what the table really holds.
TEST(XlsxSheets, OneFarCellIsRefusedByTheImportWithoutSquaringTheTable)
{
    const std::string data = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>名单</t></is></c></row>"
                             "<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>";
    Table t = ReadXlsxMemory(MakeXlsx(data), "far.xlsx");
    ASSERT_EQ(t.size(), 1048576u);
    std::size_t slots = 0;
    for (const auto& row : t)
        slots += row.size();
    EXPECT_EQ(slots, 1u + 16384u);
    try {
        ImportWorkbookTable(std::move(t), "far.xlsx");
        FAIL() << "the span was imported";
    } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(), "far.xlsx: the table reaches row 1048576 and column XFD (17179869184 cells), more than "
                               "the 16777216 cells fenban imports, while only 2 of them hold text; delete what lies "
                               "far outside the roster and read it again");
    }
}

// One long shared string in many cells: each copy is counted before it is made.
TEST(XlsxSheets, CopiesOfALongSharedStringAreBounded)
{
    std::string rows;
    for (int c = 0; c < 100; ++c)
        rows += "<row r=\"" + std::to_string(c + 1) + "\"><c r=\"A" + std::to_string(c + 1) + "\" t=\"s\"><v>0</v></c></row>";
    const std::string text(10000, 'x');
    TReadLimits limits;
    limits.MaxResultBytes = 500000;
    try {
        ReadXlsxMemory(MakeXlsx(rows, "<si><t>" + text + "</t></si>"), "long.xlsx", limits);
        FAIL() << "a million bytes of copies were made";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("more than 500000 bytes of text"), std::string::npos) << e.what();
    }
    limits.MaxResultBytes = 1000000;
    EXPECT_EQ(ReadXlsxMemory(MakeXlsx(rows, "<si><t>" + text + "</t></si>"), "long.xlsx", limits).size(), 100u);
}

}  // namespace
}  // namespace xlio

namespace xlio {
namespace {

// A sheet holds 1048560 rows: a longer table is refused whole, never cut to
// what a sheet keeps, for workbooks and CSV files alike.
TEST(ImportBounds, RowsPastWhatASheetHoldsAreRefusedNotCut)
{
    for (const bool csv : {false, true}) {
        Table fits(1048560);
        fits.front() = {"名单", "x"};
        fits.back() = {"学生", "y"};
        const TImportedTable t = csv ? ImportCsvTable(fits, "fits") : ImportWorkbookTable(fits, "fits");
        EXPECT_EQ(t.Rows.size(), 1048560u);
        Table longer(1048600);
        longer.front() = {"名单", "x"};
        longer.back() = {"学生", "y"};
        try {
            csv ? ImportCsvTable(std::move(longer), "long.csv") : ImportWorkbookTable(std::move(longer), "long.xlsx");
            FAIL() << "a table of 1048600 rows was imported";
        } catch (const EFileError& e) {
            EXPECT_EQ(std::string(e.what()), std::string(csv ? "long.csv" : "long.xlsx")
                                                 + ": the table has 1048600 rows, more than the 1048560 rows fenban "
                                                   "holds; split the roster into smaller files");
        }
    }
}

// The CSV case of the far cell: one line of 16384 fields, then 20000 lines
// of one field.
TEST(ImportBounds, OneWideCsvLineDoesNotSquareTheTable)
{
    Table records(20001, std::vector<std::string>{"x"});
    records[0].assign(16384, "a");
    try {
        ImportCsvTable(std::move(records), "wide.csv");
        FAIL() << "the span was imported";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("the table reaches row 20001 and column XFD (327696384 cells)"),
                  std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("only 36384 of them hold text"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace xlio
