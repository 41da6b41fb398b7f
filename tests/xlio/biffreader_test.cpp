// The BIFF8 record reader: workbooks made by LibreOffice and gnumeric
// (tests/data/xls, remade by tests/data/make-xls-fixtures.py), streams built
// here record by record for the string table's continuation rules and the
// cell records, and damaged streams (flipped length bytes, truncation at
// every offset) that must be refused, never read short.
#include "xlio/biffreader.h"
#include "xlio/compoundfile.h"
#include "xlio/fileerror.h"
#include "xlio/xlsreader.h"
#include "ziptestutil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <sstream>

namespace xlio {
namespace {

const std::string kXlsDir = std::string(FENBAN_TEST_DATA) + "/xls/";

std::string StreamOf(const std::string& file)
{
    return detail::ReadWorkbookStream(test::ReadAll(file), file, {});
}

// --- Streams built record by record ---------------------------------------

std::string U16(unsigned v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string U32(std::uint32_t v)
{
    return U16(v & 0xFFFF) + U16(v >> 16);
}

std::string F64(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return U32(static_cast<std::uint32_t>(bits)) + U32(static_cast<std::uint32_t>(bits >> 32));
}

std::string Rec(unsigned type, const std::string& body)
{
    return U16(type) + U16(static_cast<unsigned>(body.size())) + body;
}

std::string Bof(unsigned kind, unsigned version = 0x0600)
{
    return Rec(0x0809, U16(version) + U16(kind) + U16(0x0DBB) + U16(0x07CC) + U32(0) + U32(6));
}

const std::string kEof = Rec(0x000A, "");

std::string Xf(unsigned format)
{
    return Rec(0x00E0, U16(0) + U16(format) + std::string(16, '\0'));
}

// UTF-16 text as stored with the two-byte flag: each char16_t as two bytes.
std::string Wide(std::u16string_view text)
{
    std::string out;
    for (const char16_t c : text)
        out += U16(c);
    return out;
}

std::string Cell(unsigned row, unsigned col, unsigned xf = 0)
{
    return U16(row) + U16(col) + U16(xf);
}

std::string LabelSst(unsigned row, unsigned col, std::uint32_t index)
{
    return Rec(0x00FD, Cell(row, col) + U32(index));
}

std::string Number(unsigned row, unsigned col, double v, unsigned xf = 0)
{
    return Rec(0x0203, Cell(row, col, xf) + F64(v));
}

struct TSheetSpec {
    std::string Name;
    unsigned State = 0;  // 0 visible, 1 hidden, 2 very hidden
    std::string Records;  // between the worksheet's BOF and EOF
};

// A workbook stream: globals (BOF, the given records, one XF of the general
// format and one of the date format 14, a BOUNDSHEET per sheet, EOF), then
// each sheet's substream.
std::string Workbook(const std::string& globals, const std::vector<TSheetSpec>& sheets)
{
    auto boundSheets = [&](std::uint32_t start, const std::vector<std::uint32_t>& sizes) {
        std::string out;
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            out += Rec(0x0085, U32(start) + static_cast<char>(sheets[i].State) + '\0'
                                   + static_cast<char>(sheets[i].Name.size()) + '\0' + sheets[i].Name);
            start += sizes[i];
        }
        return out;
    };
    std::vector<std::uint32_t> sizes;
    std::string bodies;
    for (const auto& sheet : sheets) {
        const std::string one = Bof(0x0010) + sheet.Records + kEof;
        sizes.push_back(static_cast<std::uint32_t>(one.size()));
        bodies += one;
    }
    const std::string head = Bof(0x0005) + globals + Xf(0) + Xf(14);
    const std::size_t globalsSize = head.size() + boundSheets(0, sizes).size() + kEof.size();
    return head + boundSheets(static_cast<std::uint32_t>(globalsSize), sizes) + kEof + bodies;
}

std::string OneSheet(const std::string& globals, const std::string& cells)
{
    return Workbook(globals, {{"Sheet1", 0, cells}});
}

// An SST record and its CONTINUE records from pieces of body: the first piece
// follows the two counts.
std::string Sst(std::uint32_t count, const std::vector<std::string>& pieces)
{
    std::string out = Rec(0x00FC, U32(count) + U32(count) + pieces.at(0));
    for (std::size_t i = 1; i < pieces.size(); ++i)
        out += Rec(0x003C, pieces[i]);
    return out;
}

std::string CellsText(const Table& table)
{
    std::ostringstream out;
    for (std::size_t r = 0; r < table.size(); ++r) {
        if (table[r].empty())
            continue;
        out << r << ":";
        for (const auto& cell : table[r])
            out << "[" << cell << "]";
        out << "\n";
    }
    return out.str();
}

struct TStreamCase {
    const char* Name;
    std::string Stream;
    std::string Expected;  // CellsText of the sheet, or the whole error message
};

void PrintTo(const TStreamCase& c, std::ostream* os)
{
    *os << c.Name;
}

class BiffStream : public testing::TestWithParam<TStreamCase> {};

TEST_P(BiffStream, ReadsOrRefuses)
{
    const auto& c = GetParam();
    TReadLimits limits;
    limits.MaxCells = 1000;
    limits.MaxResultBytes = 100000;
    std::string got;
    try {
        got = CellsText(ReadBiffWorkbook(c.Stream, "t.xls", limits).Cells);
    } catch (const EFileError& e) {
        got = e.what();
    }
    EXPECT_EQ(got, c.Expected);
}

const std::string kHan = Wide(u"高一");  // two characters outside Latin-1

std::vector<TStreamCase> StreamCases()
{
    const std::string sheetA1 = LabelSst(0, 0, 0);
    std::string farRow = "200:";
    for (int i = 0; i < 255; ++i)
        farRow += "[]";
    farRow += "[1]\n";
    const std::string rich = "\x09";        // two-byte characters, formatting runs follow
    const std::string phonetic = "\x05";    // two-byte characters, phonetic data follows
    return {
        // The string table and its continuations.
        {"SstPlain", OneSheet(Sst(1, {U16(2) + '\1' + kHan}), sheetA1), "0:[高一]\n"},
        {"SstSplitBetweenCharactersSwitchesWidth",
         OneSheet(Sst(1, {U16(4) + '\0' + "ab", '\1' + kHan}), sheetA1), "0:[ab高一]\n"},
        {"SstSplitBackToOneByte", OneSheet(Sst(1, {U16(4) + '\1' + kHan, std::string("\0cd", 3)}), sheetA1),
         "0:[高一cd]\n"},
        {"SstHeaderAtRecordEndFlagInNext", OneSheet(Sst(1, {U16(2) + '\0', "\1" + kHan}), sheetA1), "0:[高一]\n"},
        {"SstNextStringStartsTheContinue",
         OneSheet(Sst(2, {U16(1) + '\0' + "x", U16(1) + '\0' + "y"}), sheetA1 + LabelSst(0, 1, 1)), "0:[x][y]\n"},
        {"SstSurrogatePairSplit",
         OneSheet(Sst(1, {U16(2) + '\1' + Wide(u"\xD842"), '\1' + Wide(u"\xDFB7")}), sheetA1), "0:[𠮷]\n"},
        {"SstRichRunsSplitAcrossContinue",
         OneSheet(Sst(2, {U16(1) + rich + U16(2) + U16('A') + std::string(5, '\7'), std::string(3, '\7')
                              + U16(1) + '\0' + "B"}),
                  sheetA1 + LabelSst(1, 0, 1)),
         "0:[A]\n1:[B]\n"},
        {"SstPhoneticDataSplitAcrossContinue",
         OneSheet(Sst(2, {U16(1) + phonetic + U32(6) + U16('C') + "\7\7", "\7\7\7\7" + U16(1) + '\0' + "D"}),
                  sheetA1 + LabelSst(1, 0, 1)),
         "0:[C]\n1:[D]\n"},
        {"SstEmptyContinueSkipped", OneSheet(Sst(1, {U16(2) + '\0' + "a", "", std::string("\0b", 2)}), sheetA1),
         "0:[ab]\n"},
        {"SstStringRunsPastTheTable", OneSheet(Sst(1, {U16(5) + '\0' + "ab"}), sheetA1),
         "t.xls, workbook stream, byte 20: the 0x00FC record and its continuations end in the middle of a value; "
         "the file is damaged"},
        {"SstCountBeyondItsBytes", OneSheet(Sst(1000, {U16(1) + '\0' + "a"}), sheetA1),
         "t.xls, workbook stream, byte 32: the shared string table claims 1000 strings in 4 bytes; the file is damaged"},
        {"SstBytesAfterLastString", OneSheet(Sst(1, {U16(1) + '\0' + "a" + "zz"}), sheetA1),
         "t.xls, workbook stream, byte 36: the shared string table holds 2 bytes after its last string; "
         "the file is damaged"},
        {"SstBadContinueFlag", OneSheet(Sst(1, {U16(2) + '\0' + "a", "\x41" "b"}), sheetA1),
         "t.xls, workbook stream, byte 40: a text continued in the next record has the flag byte 65; "
         "the file is damaged"},
        {"SstPhoneticLengthPastTheEnd",
         OneSheet(Sst(1, {U16(1) + phonetic + U32(0x7FFFFFFF) + U16('C')}), sheetA1),
         "t.xls, workbook stream, byte 20: the 0x00FC record and its continuations end in the middle of a value; "
         "the file is damaged"},
        {"LabelSstIndexOutOfRange", OneSheet(Sst(1, {U16(1) + '\0' + "a"}), LabelSst(0, 0, 1)),
         "t.xls, workbook stream, byte 126: a cell names shared string 1 of 1; the file is damaged"},

        // Cell records.
        {"RkForms",
         OneSheet("", Rec(0x027E, Cell(0, 0) + U32((85u << 2) | 2)) + Rec(0x027E, Cell(0, 1) + U32((8550u << 2) | 3))
                          + Rec(0x027E, Cell(0, 2) + U32(static_cast<std::uint32_t>(-7) << 2 | 2))
                          + Rec(0x027E, Cell(0, 3) + U32(0x3FF80000u))),  // 1.5 as the high half of a double
         "0:[85][85.5][-7][1.5]\n"},
        {"MulRkAndMulBlank",
         OneSheet("", Rec(0x00BE, U16(0) + U16(0) + U16(0) + U16(0) + U16(1))
                          + Rec(0x00BD, U16(0) + U16(2) + U16(0) + U32((1u << 2) | 2) + U16(1) + U32((46082u << 2) | 2)
                                            + U16(3))),
         "0:[][][1][2026-03-01]\n"},
        {"MulRkLastColumnWrong",
         OneSheet("", Rec(0x00BD, U16(0) + U16(2) + U16(0) + U32(6) + U16(0) + U32(6) + U16(9))),
         "t.xls, workbook stream, byte 110: a MULRK record whose last column does not fit its length; "
         "the file is damaged"},
        {"BoolErrCells",
         OneSheet("", Rec(0x0205, Cell(0, 0) + std::string("\1\0", 2)) + Rec(0x0205, Cell(0, 1) + std::string(2, '\0'))
                          + Rec(0x0205, Cell(0, 2) + std::string("\x07\1", 2)) + Rec(0x0205, Cell(0, 3) + "\x2A\1")),
         "0:[TRUE][FALSE][#DIV/0!][#N/A]\n"},
        {"LabelRecord", OneSheet("", Rec(0x0204, Cell(2, 1) + U16(2) + '\1' + kHan)), "2:[][高一]\n"},
        {"FormulaResults",
         OneSheet("", Rec(0x0006, Cell(0, 0) + F64(183) + U16(0) + U32(0) + U16(0))
                          + Rec(0x0006, Cell(0, 1) + std::string("\0\0\0\0\0\0\xFF\xFF", 8) + U16(0) + U32(0) + U16(0))
                          + Rec(0x0207, U16(2) + '\1' + kHan)
                          + Rec(0x0006, Cell(0, 2) + std::string("\1\0\1\0\0\0\xFF\xFF", 8) + U16(0) + U32(0) + U16(0))
                          + Rec(0x0006, Cell(0, 3) + std::string("\2\0\x07\0\0\0\xFF\xFF", 8) + U16(0) + U32(0) + U16(0))
                          + Rec(0x0006, Cell(0, 5) + std::string("\3\0\0\0\0\0\xFF\xFF", 8) + U16(0) + U32(0) + U16(0))
                          + Rec(0x0006, Cell(0, 4, 1) + F64(46082) + U16(0) + U32(0) + U16(3) + std::string("\x1E\x01\x00", 3))),
         "0:[183][高一][TRUE][#DIV/0!][2026-03-01]\n"},
        {"FormulaTextWithoutStringRecord",
         OneSheet("", Rec(0x0006, Cell(0, 1) + std::string("\0\0\0\0\0\0\xFF\xFF", 8) + U16(0) + U32(0) + U16(0))
                          + Number(1, 0, 1)),
         "t.xls, workbook stream, byte 136: the formula in row 1, column 2 has a text result but no STRING record "
         "follows; the file is damaged"},
        {"FormulaLongerThanItsTokens",
         OneSheet("", Rec(0x0006, Cell(0, 0) + F64(1) + U16(0) + U32(0) + U16(3) + std::string("\x1E\x01\x00", 3) + "xx")),
         "t.xls, workbook stream, byte 110: the 0x0006 record has 2 bytes more than its formula; the file is damaged"},
        {"FormulaWithArrayConstant",
         OneSheet("", Rec(0x0006, Cell(0, 0) + F64(7) + U16(0) + U32(0) + U16(8) + "\x60" + std::string(7, '\0')
                                      + std::string(3, '\0') + "\x01" + F64(7))),
         "0:[7]\n"},
        {"StringRecordWithoutFormula", OneSheet("", Rec(0x0207, U16(1) + '\0' + "x")),
         "t.xls, workbook stream, byte 110: a STRING record that follows no formula; the file is damaged"},
        {"Date1904", OneSheet(Rec(0x0022, U16(1)), Number(0, 0, 44620, 1)), "0:[2026-03-01]\n"},
        {"CustomDateFormat",
         OneSheet(Rec(0x041E, U16(200) + U16(10) + '\0' + "yyyy/mm/dd") + Rec(0x00E0, U16(0) + U16(200) + std::string(16, '\0')),
                  Number(0, 0, 46082, 0) + Number(0, 1, 46082, 1)),
         "0:[2026-03-01][46082]\n"},
        {"OneFarCellStaysSparse", OneSheet("", Number(200, 255, 1)), farRow},
        {"CellPastTheLastColumn", OneSheet("", Number(0, 256, 1)),
         "t.xls, workbook stream, byte 110: a cell in column 257 lies past the 256 columns of the sheet; "
         "the file is damaged"},
        {"MoreCellsThanAllowed", OneSheet("", Number(0, 0, 1) + Number(1500, 0, 1)),
         "t.xls: the sheet holds more than 1000 cells"},

        // Which sheet.
        {"HiddenFirstSheetSkipped",
         Workbook("", {{"old", 1, Number(0, 0, 1)}, {"very", 2, Number(0, 0, 2)}, {"roster", 0, Number(0, 0, 3)}}),
         "0:[3]\n"},
        {"NoVisibleWorksheet", Workbook("", {{"old", 1, Number(0, 0, 1)}}),
         "t.xls: the workbook holds no visible worksheet"},

        // Damage and refusals.
        {"UnknownRecordType", OneSheet("", Number(0, 0, 1) + Rec(0x1234, "ab")),
         "t.xls, workbook stream, byte 128: unknown record type 0x1234 (a length field before it is probably wrong); "
         "the file is damaged"},
        {"FixedSizeRecordTooLong", OneSheet("", Rec(0x00FD, Cell(0, 0) + U32(0) + "xx")),
         "t.xls, workbook stream, byte 110: the 0x00FD record has 12 bytes where 10 belong; the file is damaged"},
        {"CellAfterTheCellTable", OneSheet("", Number(0, 0, 1) + Rec(0x023E, std::string(18, '\0')) + Number(1, 0, 2)),
         "t.xls, workbook stream, byte 150: a cell record 0x0203 after the end of the cell table; the file is damaged"},
        {"RecordPastTheSubstream", OneSheet("", Number(0, 0, 1)).substr(0, OneSheet("", Number(0, 0, 1)).size() - 6),
         "t.xls, workbook stream, byte 110: the 0x0203 record of 14 bytes runs past the end of its substream; "
         "the file is damaged"},
        {"NoEofRecord", OneSheet("", Number(0, 0, 1)).substr(0, OneSheet("", Number(0, 0, 1)).size() - 4),
         "t.xls, workbook stream, byte 128: the worksheet ends without its EOF record; the file is damaged"},
        {"BytesAfterTheEof", OneSheet("", Number(0, 0, 1)) + "garbage",
         "t.xls, workbook stream, byte 132: the worksheet's EOF record comes 7 bytes before the end of its substream; "
         "the file is damaged"},
        {"ZeroPaddingAfterTheEof", OneSheet("", Number(0, 0, 1)) + std::string(300, '\0'), "0:[1]\n"},
        {"PasswordProtected", OneSheet(Rec(0x002F, U16(1) + std::string(52, '\0')), ""),
         "t.xls: the workbook is protected by a password to open; save it without the password and read it again"},
        {"Excel95SheetInBiff8", Bof(0x0005, 0x0500) + Rec(0x0085, U32(36) + std::string("\0\0\1s", 4)) + kEof + Bof(0x0010),
         "t.xls, workbook stream, byte 36: the BOF record names format version 0x0600, not BIFF5 (0x0500) as the "
         "workbook; the file is damaged"},
        {"Excel95UnreadCodePage",
         Bof(0x0005, 0x0500) + Rec(0x0042, U16(950)) + Rec(0x0085, U32(40) + std::string("\0\0\1\xA4", 4)) + kEof,
         "t.xls: the workbook's texts are in code page 950, which is not read; save it as Excel 97-2003 (.xls) or as "
         ".xlsx"},
        {"EmptyStream", "",
         "t.xls, workbook stream, byte 0: a record header runs past the end of its substream; the file is damaged"},
    };
}

INSTANTIATE_TEST_SUITE_P(Records, BiffStream, testing::ValuesIn(StreamCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

// --- Workbooks written by real programs -----------------------------------

Table CsvRows(const std::string& path)
{
    Table rows;
    std::istringstream in(test::ReadAll(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> row;
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = line.find(',', start);
            row.push_back(line.substr(start, comma - start));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        while (!row.empty() && row.back().empty())
            row.pop_back();
        rows.push_back(row);
    }
    return rows;
}

class ProducerRoster : public testing::TestWithParam<const char*> {};

// The roster sheet behind a hidden first sheet: every text as the teacher
// sees it, 总分 being SUM formulas and 出生日期 dates.
TEST_P(ProducerRoster, ReadsAsTheTeacherSeesIt)
{
    const std::string file = kXlsDir + GetParam();
    const TWorksheet sheet = ReadXlsMemory(test::ReadAll(file), file);
    EXPECT_EQ(sheet.Name, "名单");
    EXPECT_EQ(sheet.Cells, CsvRows(kXlsDir + "roster.csv"));
    EXPECT_EQ(ReadXls(file), sheet.Cells);
}

INSTANTIATE_TEST_SUITE_P(Producers, ProducerRoster,
                         testing::Values("roster-libreoffice.xls", "roster-gnumeric.xls"));

// Excel 5.0/95: texts in code page 936 (which has no 𠮷, so gnumeric wrote ?).
TEST(ProducerExcel95, TextsInTheCodePage)
{
    const std::string file = kXlsDir + "roster-gnumeric-excel95.xls";
    Table expected = CsvRows(kXlsDir + "roster.csv");
    for (auto& row : expected)
        for (auto& text : row)
            for (std::size_t at; (at = text.find("𠮷")) != std::string::npos;)
                text.replace(at, std::string("𠮷").size(), "?");
    const TWorksheet sheet = ReadXlsMemory(test::ReadAll(file), file);
    EXPECT_EQ(sheet.Name, "名单");
    EXPECT_EQ(sheet.Cells, expected);
}

struct TValueRow {
    unsigned Row;
    const char* Text;
};

class ProducerValues : public testing::TestWithParam<const char*> {};

TEST_P(ProducerValues, EveryValueKind)
{
    const std::string file = kXlsDir + GetParam();
    const Table cells = ReadXls(file);
    const TValueRow expected[] = {
        {0, "42"}, {1, "-3.25"}, {2, "2026000123456"}, {3, "0.00001"}, {4, "0.5"}, {5, "TRUE"}, {6, "FALSE"},
        {7, "#DIV/0!"}, {8, "#N/A"}, {9, "甲乙"}, {10, ""}, {11, "1.5"}, {12, "2026-03-01"}, {13, "2026-03-01"},
        {14, "2026-09-01"}, {15, "08:30:00"}, {16, "2026-03-01 08:30:00"}, {17, "𠮷野家"}, {18, "00123"},
        {21, "高一（3）班"},
    };
    ASSERT_EQ(cells.size(), 600u);
    for (const auto& row : expected) {
        const auto& line = cells[row.Row];
        EXPECT_EQ(line.size() > 1 ? line[1] : "", row.Text) << "row " << row.Row + 1 << " " << line.at(0);
    }
    // Texts that cross the string table's record boundaries, one in two-byte
    // characters, one in one-byte characters with two wide ones near its end.
    std::string han;
    for (int i = 0; i < 6000; ++i) {
        const char32_t c = 0x4E00 + (i * 7) % 20000;
        han += static_cast<char>(0xE0 | (c >> 12));
        han += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        han += static_cast<char>(0x80 | (c & 0x3F));
    }
    EXPECT_EQ(cells[19].at(1), han);
    EXPECT_EQ(cells[20].at(1), std::string(9000, 'A') + "中文" + std::string(100, 'b'));
    for (unsigned i = 0; i < 400; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "学生%04u号", i);
        ASSERT_EQ(cells[30 + i].at(0), name);
    }
    // One far cell: its row reaches column IV, no other row is widened.
    EXPECT_EQ(cells[599].size(), 256u);
    EXPECT_EQ(cells[599][255], "远");
    EXPECT_EQ(cells[598].size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Producers, ProducerValues,
                         testing::Values("values-libreoffice.xls", "values-gnumeric.xls"));

class ProducerFeatures : public testing::TestWithParam<const char*> {};

// Comments, pictures, charts, hyperlinks and the like around a roster are
// records the reader steps over, not damage.
TEST_P(ProducerFeatures, RosterAmongOtherContent)
{
    const std::string file = kXlsDir + GetParam();
    const TWorksheet sheet = ReadXlsMemory(test::ReadAll(file), file);
    EXPECT_EQ(sheet.Name, "名单");
    ASSERT_EQ(sheet.Cells.size(), 42u);
    EXPECT_EQ(sheet.Cells[0], std::vector<std::string>{"高一新生名单"});
    const std::vector<std::string> third = {"2026000", "学生0", "男", "60", "90", "150", "链接0", "150"};
    EXPECT_EQ(sheet.Cells[2], third);
    for (std::size_t r = 2; r < 42; ++r) {
        EXPECT_EQ(sheet.Cells[r].at(1), "学生" + std::to_string(r - 2));
        EXPECT_EQ(sheet.Cells[r].at(5), "150") << "row " << r + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Producers, ProducerFeatures,
                         testing::Values("features-libreoffice.xls", "features-gnumeric.xls"));

TEST(ProducerDate1904, DatesCountFrom1904)
{
    for (const char* name : {"date1904-libreoffice.xls", "date1904-gnumeric.xls"}) {
        const Table expected = {{"日期", "2026-03-01"}, {"数字", "1000"}};
        EXPECT_EQ(ReadXls(kXlsDir + name), expected) << name;
    }
}

// --- Damage --------------------------------------------------------------

struct TRecordPos {
    std::size_t Offset, Length;
};

std::vector<TRecordPos> Records(const std::string& stream)
{
    std::vector<TRecordPos> out;
    for (std::size_t pos = 0; pos + 4 <= stream.size();) {
        const std::size_t length = static_cast<unsigned char>(stream[pos + 2])
                                   | static_cast<unsigned char>(stream[pos + 3]) << 8;
        out.push_back({pos, length});
        pos += 4 + length;
    }
    return out;
}

class DamagedStream : public testing::TestWithParam<const char*> {};

// Every record's length field, with a low bit, a middle bit or a bit of its
// high byte flipped: the reader refuses the stream or reads the very same
// sheet (when the record lies where the roster does not depend on it, and the
// walk happens to land on a true record boundary again). It never hands out a
// shorter or different roster.
TEST_P(DamagedStream, FlippedLengthByteIsRefused)
{
    const std::string stream = StreamOf(kXlsDir + GetParam());
    const TWorksheet good = ReadBiffWorkbook(stream, "good.xls");
    const auto records = Records(stream);
    std::size_t refused = 0;
    for (const auto& record : records) {
        for (const auto& [at, mask] : {std::pair{2, 0x01}, {2, 0x10}, {3, 0x01}}) {
            std::string bad = stream;
            bad[record.Offset + static_cast<std::size_t>(at)] ^= static_cast<char>(mask);
            try {
                const TWorksheet sheet = ReadBiffWorkbook(bad, "bad.xls");
                ASSERT_EQ(sheet.Cells, good.Cells) << "length of the record at " << record.Offset << " ^ " << mask;
            } catch (const EFileError& e) {
                ASSERT_EQ(e.File(), "bad.xls");
                ++refused;
            }
        }
    }
    // Most of the flips are seen for what they are.
    EXPECT_GT(refused, 2 * records.size());
}

// Cut after every byte (of a small stream; at 4000 places of a large one): a
// clean error, never a shorter sheet.
TEST_P(DamagedStream, TruncatedStreamIsRefused)
{
    const std::string stream = StreamOf(kXlsDir + GetParam());
    const TWorksheet good = ReadBiffWorkbook(stream, "good.xls");
    for (std::size_t size = 0; size < stream.size(); size += 1 + stream.size() / 4000) {
        try {
            const TWorksheet sheet = ReadBiffWorkbook(std::string_view(stream).substr(0, size), "cut.xls");
            ASSERT_EQ(sheet.Cells, good.Cells) << "cut at " << size;
        } catch (const EFileError& e) {
            ASSERT_EQ(e.File(), "cut.xls");
            ASSERT_NE(std::string(e.what()).find("the file is damaged"), std::string::npos) << e.what();
        }
    }
}

// The whole file cut at many places: the container reader refuses as well.
TEST_P(DamagedStream, TruncatedFileIsRefused)
{
    const std::string file = test::ReadAll(kXlsDir + GetParam());
    const Table good = ReadXlsMemory(file, "good.xls").Cells;
    for (std::size_t size = 0; size < file.size(); size += 1 + file.size() / 300) {
        try {
            ASSERT_EQ(ReadXlsMemory(std::string_view(file).substr(0, size), "cut.xls").Cells, good) << size;
        } catch (const EFileError& e) {
            ASSERT_EQ(e.File(), "cut.xls");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Producers, DamagedStream,
                         testing::Values("roster-libreoffice.xls", "roster-gnumeric.xls", "../roster.xls",
                                         "roster-gnumeric-excel95.xls",
                                         "values-libreoffice.xls", "values-gnumeric.xls", "features-libreoffice.xls",
                                         "features-gnumeric.xls"));

// Inputs the fuzzer found (fuzz/xlsreader_fuzz.cpp), each with where it came
// from and the whole message it must now give.
struct TRegression {
    const char* File;
    const char* Origin;
    const char* Message;  // after the file name
};

class XlsRegression : public testing::TestWithParam<TRegression> {};

TEST_P(XlsRegression, CleanError)
{
    const std::string file = kXlsDir + "regress/" + GetParam().File;
    testing::internal::CaptureStderr();
    try {
        ReadXls(file);
        ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.what(), file + ": " + GetParam().Message);
    }
    // The container library's own reports stay off the terminal.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Fuzzed, XlsRegression,
    testing::Values(TRegression{"xls-damaged-directory-tree.xls",
                                "xlsreader_fuzz, 2026-12-09: libgsf leaked a directory entry refusing it",
                                "not an xls workbook (the compound file holds no workbook stream)"},
                    TRegression{"xls-stream-short-of-blocks.xls",
                                "xlsreader_fuzz corpus, 2026-12-09: libgsf printed a warning on stderr",
                                "the workbook stream cannot be opened (insufficient blocks); the file is damaged"}),
    [](const auto& info) {
        std::string name;
        for (const char* c = info.param.File; *c && *c != '.'; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

}  // namespace
}  // namespace xlio
