#include "xlio/fileerror.h"
#include "xlio/xlsxreader.h"
#include "ziptestutil.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace xlio {
namespace {

using test::MakeXlsx;
using test::MakeZip;
using test::XlsxParts;

const std::string kStyles =
    "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"0.00&quot;day&quot;\"/></numFmts>"
    "<cellXfs count=\"7\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"20\"/><xf numFmtId=\"22\"/>"
    "<xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"49\"/></cellXfs>";

const std::string kStrings =
    "<si><t>姓名</t></si>"
    "<si><r><rPr><b/></rPr><t>高</t></r><r><t xml:space=\"preserve\">一 班</t></r>"
    "<rPh sb=\"0\" eb=\"1\"><t>gao</t></rPh></si>"
    "<si><t>line_x000D_break</t></si>"
    "<si/>";

struct TValueCase {
    const char* Name;
    const char* Cell;  // the <c> element of cell A1
    const char* Expected;
};

class XlsxValue : public testing::TestWithParam<TValueCase> {};

TEST_P(XlsxValue, ArrivesAsText)
{
    const auto& c = GetParam();
    const std::string bytes = MakeXlsx(std::string("<row r=\"1\">") + c.Cell + "</row>", kStrings, kStyles);
    const Table table = ReadXlsxMemory(bytes, "values.xlsx");
    ASSERT_EQ(table.size(), 1u);
    ASSERT_EQ(table[0].size(), 1u);
    EXPECT_EQ(table[0][0], c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, XlsxValue,
    testing::Values(
        TValueCase{"SharedString", "<c r=\"A1\" t=\"s\"><v>0</v></c>", "姓名"},
        TValueCase{"RichRunsJoinedPhoneticDropped", "<c r=\"A1\" t=\"s\"><v>1</v></c>", "高一 班"},
        TValueCase{"EscapedCarriageReturn", "<c r=\"A1\" t=\"s\"><v>2</v></c>", "line\rbreak"},
        TValueCase{"EmptySharedString", "<c r=\"A1\" t=\"s\"><v>3</v></c>", ""},
        TValueCase{"InlineRichString", "<c r=\"A1\" t=\"inlineStr\"><is><r><t>a</t></r><r><t>b</t></r></is></c>",
                   "ab"},
        TValueCase{"Integer", "<c r=\"A1\"><v>85</v></c>", "85"},
        TValueCase{"Fraction", "<c r=\"A1\"><v>85.5</v></c>", "85.5"},
        TValueCase{"ExamNumber", "<c r=\"A1\" t=\"n\"><v>2026000001</v></c>", "2026000001"},
        TValueCase{"ExponentInFile", "<c r=\"A1\"><v>1.5E+3</v></c>", "1500"},
        TValueCase{"BelowExponentLimit", "<c r=\"A1\"><v>999999999999999</v></c>", "999999999999999"},
        TValueCase{"AtExponentLimit", "<c r=\"A1\"><v>1E+15</v></c>", "1e+15"},
        TValueCase{"BinaryFractionAtFifteenDigits", "<c r=\"A1\"><v>0.30000000000000004</v></c>", "0.3"},
        TValueCase{"StoredSumAtFifteenDigits", "<c r=\"A1\"><v>240.60000000000002</v></c>", "240.6"},
        TValueCase{"Negative", "<c r=\"A1\"><v>-0.25</v></c>", "-0.25"},
        TValueCase{"NegativeZero", "<c r=\"A1\"><v>-0</v></c>", "0"},
        TValueCase{"NotANumber", "<c r=\"A1\"><v>12abc</v></c>", "12abc"},
        TValueCase{"LeadingZerosDropped", "<c r=\"A1\"><v>007</v></c>", "7"},
        TValueCase{"Zero", "<c r=\"A1\"><v>0</v></c>", "0"},
        TValueCase{"SixteenDigits", "<c r=\"A1\"><v>1234567890123456</v></c>", "1.23456789012346e+15"},
        TValueCase{"SurroundingWhitespace", "<c r=\"A1\"><v> 42 </v></c>", "42"},
        TValueCase{"PlusSignIsText", "<c r=\"A1\"><v>+5</v></c>", "+5"},
        TValueCase{"UnknownTypeReadsAsNumber", "<c r=\"A1\" t=\"x\"><v>12</v></c>", "12"},
        TValueCase{"TypeNamePrefixOnly", "<c r=\"A1\" t=\"st\"><v>12.50</v></c>", "12.5"},
        TValueCase{"IntegerWithDateStyle", "<c r=\"A1\" s=\"1\"><v>46082</v></c>", "2026-03-01"},
        TValueCase{"StyleAfterType", "<c t=\"n\" s=\"1\" r=\"A1\"><v>46082</v></c>", "2026-03-01"},
        TValueCase{"StyleNotDigits", "<c r=\"A1\" s=\"1x\"><v>46082</v></c>", "46082"},
        TValueCase{"StyleIndexOverflows", "<c r=\"A1\" s=\"18446744073709551617\"><v>46082</v></c>", "46082"},
        TValueCase{"True", "<c r=\"A1\" t=\"b\"><v>1</v></c>", "TRUE"},
        TValueCase{"False", "<c r=\"A1\" t=\"b\"><v>0</v></c>", "FALSE"},
        TValueCase{"ErrorValue", "<c r=\"A1\" t=\"e\"><v>#N/A</v></c>", "#N/A"},
        TValueCase{"FormulaCachedNumber", "<c r=\"A1\"><f>SUM(B1:B2)</f><v>170</v></c>", "170"},
        TValueCase{"FormulaCachedText", "<c r=\"A1\" t=\"str\"><f>B1&amp;\"x\"</f><v>ax</v></c>", "ax"},
        TValueCase{"FormulaError", "<c r=\"A1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>", "#DIV/0!"},
        TValueCase{"BuiltinDate", "<c r=\"A1\" s=\"1\"><v>46082</v></c>", "2026-03-01"},
        TValueCase{"BuiltinTime", "<c r=\"A1\" s=\"2\"><v>0.5208333333333334</v></c>", "12:30:00"},
        TValueCase{"BuiltinDateTime", "<c r=\"A1\" s=\"3\"><v>46082.75</v></c>", "2026-03-01 18:00:00"},
        TValueCase{"ChineseDateFormat", "<c r=\"A1\" s=\"4\"><v>36526</v></c>", "2000-01-01"},
        TValueCase{"QuotedDayIsNoDate", "<c r=\"A1\" s=\"5\"><v>3</v></c>", "3"},
        TValueCase{"TextFormatNumber", "<c r=\"A1\" s=\"6\"><v>7</v></c>", "7"},
        TValueCase{"EarlySerialBeforeLeapBug", "<c r=\"A1\" s=\"1\"><v>1</v></c>", "1900-01-01"},
        TValueCase{"DateBeyondYear9999StaysNumber", "<c r=\"A1\" s=\"1\"><v>3000000</v></c>", "3000000"},
        TValueCase{"StyleIndexOutOfRange", "<c r=\"A1\" s=\"99\"><v>46082</v></c>", "46082"},
        TValueCase{"IsoDateCell", "<c r=\"A1\" t=\"d\"><v>2026-03-01T00:00:00</v></c>", "2026-03-01"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(XlsxReader, PlacesCellsByReferenceAndFillsGaps)
{
    const Table table = ReadXlsxMemory(
        MakeXlsx("<row r=\"1\"><c r=\"A1\"><v>1</v></c><c><v>2</v></c></row>"
                 "<row r=\"3\"><c r=\"C3\" t=\"inlineStr\"><is><t>x</t></is></c></row>"
                 "<row><c r=\"B4\"><v>4</v></c><c r=\"D4\"/></row>"),
        "gaps.xlsx");
    const Table expected = {{"1", "2"}, {}, {"", "", "x"}, {"", "4"}};
    EXPECT_EQ(table, expected);
}

TEST(XlsxReader, NamespacePrefixesAreIgnored)
{
    auto parts = XlsxParts("");
    parts[4].second = "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                      "<x:sheetData><x:row r=\"1\"><x:c r=\"B1\"><x:v>9</x:v></x:c></x:row></x:sheetData>"
                      "</x:worksheet>";
    EXPECT_EQ(ReadXlsxMemory(MakeZip(parts), "prefixed.xlsx"), (Table{{"", "9"}}));
}

TEST(XlsxReader, FirstWorksheetInWorkbookOrder)
{
    const std::string relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    auto parts = XlsxParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    parts[2].second = "<workbook xmlns:r=\"" + relNs + "\"><sheets><sheet name=\"Chart\" r:id=\"rId9\"/>"
                      "<sheet name=\"Second\" r:id=\"rId2\"/><sheet name=\"First\" r:id=\"rId1\"/></sheets></workbook>";
    parts[3].second = "<Relationships><Relationship Id=\"rId1\" Type=\"" + relNs
                      + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + relNs
                      + "/worksheet\" Target=\"/xl/worksheets/../worksheets/sheet2.xml\"/>"
                        "<Relationship Id=\"rId9\" Type=\"" + relNs
                      + "/chartsheet\" Target=\"chartsheets/sheet1.xml\"/></Relationships>";
    parts.emplace_back("xl/worksheets/sheet2.xml",
                       "<worksheet><sheetData><row><c><v>2</v></c></row></sheetData></worksheet>");
    EXPECT_EQ(ReadXlsxMemory(MakeZip(parts), "order.xlsx"), (Table{{"2"}}));
}

TEST(XlsxReader, Date1904System)
{
    auto parts = XlsxParts("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>0</v></c></row>", "", kStyles);
    parts[2].second = "<workbook xmlns:r=\"r\"><workbookPr date1904=\"1\"/><sheets><sheet r:id=\"rId1\"/></sheets>"
                      "</workbook>";
    EXPECT_EQ(ReadXlsxMemory(MakeZip(parts), "1904.xlsx"), (Table{{"1904-01-01"}}));
}

TEST(XlsxReader, FileErrorsNameTheFile)
{
    const std::string missing = test::TempPath("missing.xlsx");
    try {
        ReadXlsx(missing);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.File(), missing);
        EXPECT_NE(std::string(e.what()).find("cannot open"), std::string::npos);
    }
}

TEST(XlsxReader, ReadsFromFile)
{
    const std::string path = test::TempPath("file.xlsx");
    test::WriteAll(path, MakeXlsx("<row><c t=\"inlineStr\"><is><t>ok</t></is></c></row>"));
    EXPECT_EQ(ReadXlsx(path), (Table{{"ok"}}));
    std::filesystem::remove(path);
}

// Replaces every occurrence of from (same length) in the raw archive bytes,
// in the local headers and the central directory alike.
std::string PatchBytes(std::string bytes, const std::string& from, const std::string& to)
{
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1))
        bytes.replace(at, from.size(), to);
    return bytes;
}

// Makes every header of the named entry declare an inflated size of 100 bytes.
std::string UnderstateSize(std::string bytes, const std::string& entry)
{
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto get16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]))
               | static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    };
    for (std::size_t at = 0; at + 46 < bytes.size(); ++at) {
        if (bytes.compare(at, 4, "PK\x03\x04") == 0 && bytes.compare(at + 30, entry.size(), entry) == 0
            && get16(at + 26) == entry.size())
            put32(at + 22, 100);
        if (bytes.compare(at, 4, "PK\x01\x02") == 0 && bytes.compare(at + 46, entry.size(), entry) == 0
            && get16(at + 28) == entry.size())
            put32(at + 24, 100);
    }
    return bytes;
}

struct TBadCase {
    const char* Name;
    std::string Bytes;
    TReadLimits Limits;
    const char* MessagePart;  // expected in the message; nullptr: the read must succeed
};

TReadLimits With(void (*tweak)(TReadLimits&))
{
    TReadLimits limits;
    tweak(limits);
    return limits;
}

std::vector<TBadCase> BadCases()
{
    const std::string good = MakeXlsx("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    const std::string bigSheet = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>" + std::string(2 << 20, ' ');
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;\">]>"
        "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>&lol2;</t></is></c></row></sheetData></worksheet>";
    auto laughParts = XlsxParts("");
    laughParts[4].second = laughs;
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    auto twoSheets = XlsxParts("<row><c><v>1</v></c></row>");
    twoSheets.emplace_back("xl/worksheets/sheetZ.xml", "<worksheet/>");
    auto nested = [](int levels) {
        // worksheet + sheetData + row + c + v = 5 levels, the rest padding
        std::string open, close;
        for (int i = 0; i < levels - 5; ++i) {
            open += "<p>";
            close = "</p>" + close;
        }
        return MakeXlsx("<row><c><v>" + open + "7" + close + "</v></c></row>");
    };
    auto caseInsensitiveTwin = XlsxParts("<row><c><v>1</v></c></row>");
    caseInsensitiveTwin.emplace_back("XL/Worksheets/Sheet1.xml", "<worksheet/>");

    std::vector<TBadCase> cases = {
        {"Empty", "", {}, "not an xlsx workbook"},
        {"NotAZip", "PK\x03\x04 this is no archive", {}, "cannot be opened"},
        {"TruncatedZip", good.substr(0, good.size() / 2), {}, "cannot be opened"},
        {"ZipWithoutWorkbook", MakeZip({{"a.txt", "hello"}}), {}, "no workbook part"},
        {"DuplicateEntry", PatchBytes(MakeZip(twoSheets), "sheetZ.xml", "sheet1.xml"), {}, "twice"},
        {"DuplicateEntryDifferingInCase", MakeZip(caseInsensitiveTwin), {}, "twice"},
        {"ArchiveAtSizeLimit", good, With([](TReadLimits&) {}), nullptr},
        {"TooManyEntries", good, With([](TReadLimits& l) { l.MaxEntries = 4; }), "more than 4 entries"},
        {"EntriesAtLimit", good, With([](TReadLimits& l) { l.MaxEntries = 5; }), nullptr},
        {"PartInflatesPastLimit", MakeXlsx(bigSheet), With([](TReadLimits& l) { l.MaxPartBytes = 1 << 20; }),
         "inflates to more than 1048576 bytes"},
        {"PartsInflatePastTotal", MakeXlsx(bigSheet), With([](TReadLimits& l) { l.MaxTotalBytes = (2 << 20) + 100; }),
         "in all"},
        {"DeclaredSizeLies", UnderstateSize(MakeXlsx(bigSheet), "xl/worksheets/sheet1.xml"),
         With([](TReadLimits& l) { l.MaxPartBytes = 1 << 20; }), "inflates to more than"},
        {"DoctypeWithEntities", MakeZip(laughParts), {}, "document type declaration"},
        {"HundredThousandNestedElements", MakeXlsx(deep), {}, "deeper than 256 levels"},
        {"DepthAtLimit", nested(256), {}, nullptr},
        {"DepthPastLimit", nested(257), {}, "deeper than 256"},
        {"SharedStringIndexOutOfRange", MakeXlsx("<row><c t=\"s\"><v>1</v></c></row>", "<si><t>a</t></si>"), {},
         "shared string index \"1\" out of range"},
        {"SharedStringIndexNotANumber", MakeXlsx("<row><c t=\"s\"><v>-1</v></c></row>", "<si><t>a</t></si>"), {},
         "out of range"},
        {"RowZeroReference", MakeXlsx("<row><c r=\"A0\"><v>1</v></c></row>"), {}, "\"A0\" lies outside"},
        {"RowPastSheet", MakeXlsx("<row><c r=\"XFD1048577\"><v>1</v></c></row>"), {}, "\"XFD1048577\" lies outside"},
        {"ColumnPastSheet", MakeXlsx("<row><c r=\"XFE1\"><v>1</v></c></row>"), {}, "lies outside"},
        {"OverflowingReference", MakeXlsx("<row><c r=\"ZZZZZZZZZZZZZZZZZZZZ99999999999999999999999\"><v>1</v></c></row>"),
         {}, "lies outside"},
        {"GarbageReference", MakeXlsx("<row><c r=\"1A\"><v>1</v></c></row>"), {}, "bad cell reference"},
        {"RowNumberPastSheet", MakeXlsx("<row r=\"1048577\"><c><v>1</v></c></row>"), {}, "outside rows"},
        {"LastCellOfSheet", MakeXlsx("<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>"), {}, nullptr},
        {"CellsPastTableLimit", MakeXlsx("<row><c r=\"J10\"><v>1</v></c></row>"),
         With([](TReadLimits& l) { l.MaxCells = 19; }), "more than 19 cells"},
        {"CellsAtTableLimit", MakeXlsx("<row><c r=\"J10\"><v>1</v></c></row>"),
         With([](TReadLimits& l) { l.MaxCells = 20; }), nullptr},
        {"TooManySharedStrings", MakeXlsx("<row><c t=\"s\"><v>0</v></c></row>", "<si/><si/><si/>"),
         With([](TReadLimits& l) { l.MaxSharedStrings = 2; }), "more than 2 shared strings"},
        {"MalformedXml", MakeXlsx("<row><c><v>1</c></row>"), {}, "malformed XML"},
        {"NoSheets", MakeZip({{"xl/workbook.xml", "<workbook/>"}, {"xl/_rels/workbook.xml.rels", "<Relationships/>"}}),
         {}, "holds no worksheet"},
    };
    cases.push_back({"ArchivePastSizeLimit", good, {}, "larger than"});
    cases.back().Limits.MaxArchiveBytes = good.size() - 1;
    cases[6].Limits.MaxArchiveBytes = good.size();
    return cases;
}

void PrintTo(const TBadCase& c, std::ostream* os)
{
    *os << c.Name;
}

class XlsxMalformed : public testing::TestWithParam<TBadCase> {};

TEST_P(XlsxMalformed, CleanErrorOrCorrectSheet)
{
    const auto& c = GetParam();
    if (!c.MessagePart) {
        EXPECT_NO_THROW(ReadXlsxMemory(c.Bytes, "bad.xlsx", c.Limits));
        return;
    }
    try {
        ReadXlsxMemory(c.Bytes, "bad.xlsx", c.Limits);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.File(), "bad.xlsx");
        EXPECT_NE(std::string(e.what()).find(c.MessagePart), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, XlsxMalformed, testing::ValuesIn(BadCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(XlsxReader, HugeDimensionAndWholeSheetMergeAllocateNothing)
{
    auto parts = XlsxParts("");
    parts[4].second = "<worksheet><dimension ref=\"A1:XFD1048576\"/><sheetData><row r=\"2\"><c r=\"B2\"><v>5</v></c>"
                      "</row></sheetData><mergeCells count=\"1\"><mergeCell ref=\"A1:XFD1048576\"/></mergeCells>"
                      "</worksheet>";
    TReadLimits limits;
    limits.MaxCells = 10;  // any allocation from the dimension or the merge would break this
    EXPECT_EQ(ReadXlsxMemory(MakeZip(parts), "merge.xlsx", limits), (Table{{}, {"", "5"}}));
}

}  // namespace
}  // namespace xlio
