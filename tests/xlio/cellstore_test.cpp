// How texts and numbers are stored in the written workbooks: the escapes
// that keep every text intact, the texts that become numbers, and the
// round trip through our reader and python3-openpyxl.

#include "xlio/celltext.h"
#include "xlio/fileerror.h"
#include "xlio/resultworkbook.h"
#include "xlio/sheetexport.h"
#include "xlio/workbookwriter.h"
#include "xlio/xlsxreader.h"
#include "workbooktest.h"
#include "ziptestutil.h"

#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace xlio {
namespace {

using namespace std::string_literals;

TEST(CellStore, EscapesWhatTheFormatCannotHold)
{
    const struct {
        std::string Text, Stored;
    } cases[] = {
        {"学生5", "学生5"},
        {"学\0生5"s, "学_x0000_生5"},
        {"_x0041_", "_x005F_x0041_"},
        {"_X0041_", "_X0041_"},                  // only a lower-case x escapes
        {"_x00g1_", "_x00g1_"},                  // not four hex digits
        {"_x0041", "_x0041"},                    // no closing underscore
        {"a_x00aF_b_x0041_", "a_x005F_x00aF_b_x005F_x0041_"},
        {"__x0041_", "__x005F_x0041_"},
        {"_x005F_x0041_", "_x005F_x005F_x005F_x0041_"},  // both underscores begin an escape
        {"_x0041\x01", "_x005F_x0041_x0001_"},           // an escape completes the look of one
        {"_x0041\xEF\xBF\xBF", "_x005F_x0041_xFFFF_"},
        {"a\tb\nc", "a\tb\nc"},                  // XML holds tab and line feed
        {"a\r\nb", "a_x000D_\nb"},               // a reader would turn CR into LF
        {"\x01\x08\x0B\x0C\x1F", "_x0001__x0008__x000B__x000C__x001F_"},
        {"\x7F", "\x7F"},
        {"a\xEF\xBF\xBE" "b\xEF\xBF\xBF", "a_xFFFE_b_xFFFF_"},
        {"\xEF\xBF\xBD", "\xEF\xBF\xBD"},        // U+FFFD is a character
        {"𠮷𪚥䶮", "𠮷𪚥䶮"},
    };
    for (const auto& c : cases) {
        std::string stored;
        EXPECT_TRUE(EscapeCellText(c.Text, stored)) << c.Text;
        EXPECT_EQ(stored, c.Stored) << c.Text;
    }
}

TEST(CellStore, RefusesTextThatIsNotUtf8)
{
    for (const std::string& text : {"\xFF"s, "a\xC3"s, "\xC0\xAF"s, "\xED\xA0\x80"s, "\xF4\x90\x80\x80"s,
                                    "\xE0\x80\xAF"s, "\x80"s}) {
        std::string stored;
        EXPECT_FALSE(EscapeCellText(text, stored)) << testing::PrintToString(text);
    }
}

TEST(CellStore, ShortestNumberTexts)
{
    const struct {
        const char* Text;
        bool Number;
        double Value;
    } cases[] = {
        {"0", true, 0},
        {"85", true, 85},
        {"-85", true, -85},
        {"85.5", true, 85.5},
        {"0.5", true, 0.5},
        {"-0.25", true, -0.25},
        {"283.76", true, 283.76},
        {"123456789012345", true, 123456789012345.0},
        {"0.000000001", true, 1e-9},
        {"00260103", false, 0},   // leading zeros: an examination number
        {"007", false, 0},
        {"-0", false, 0},
        {"0.0", false, 0},
        {"85.50", false, 0},      // not the shortest form
        {"85.", false, 0},
        {".5", false, 0},
        {"-.5", false, 0},
        {"+5", false, 0},
        {" 5", false, 0},
        {"5 ", false, 0},
        {"1e3", false, 0},
        {"1E3", false, 0},
        {"1,000", false, 0},
        {"1234567890123456", false, 0},   // more digits than a workbook keeps
        {"0.1234567890123456", false, 0},
        {"440102200901011234", false, 0}, // an identity number
        {"0.0000000001", false, 0},       // would be written with an exponent
        {"0x1A", false, 0},
        {"inf", false, 0},
        {"nan", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"1.2.3", false, 0},
        {"５", false, 0},                 // a full-width digit
    };
    for (const auto& c : cases) {
        double value = -1;
        EXPECT_EQ(IsShortestNumberText(c.Text, value), c.Number) << c.Text;
        if (c.Number) {
            EXPECT_EQ(value, c.Value) << c.Text;
        }
    }
}

// Texts that once came back changed: cut at a NUL, an escape decoded.
const std::vector<std::string> kTrickyTexts = {
    "学\0生5"s, "_x0041_", "_x005F_", "_x005F_x0041_", "_x0041\x01", "a\r\nb", "\x01\x1F", "x\xEF\xBF\xBEy", "𠮷",
    "  前后空格  ", "a\tb\nc",
};

// JSON as python's json.dumps(ensure_ascii=False) writes a string.
std::string Json(const std::string& text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

void ExpectOpenpyxlReads(const std::string& path, const std::vector<std::string>& expected)
{
    if (!test::HaveOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const auto texts = test::WorkbookTexts(path);
    ASSERT_FALSE(texts.empty()) << "openpyxl could not read " << path;
    for (const std::string& line : expected)
        EXPECT_TRUE(texts.count(line)) << line << "\nin:\n" << testing::PrintToString(texts);
}

TEST(CellStore, ResultWorkbookKeepsEveryText)
{
    xlgrid::TXLSheet roster;
    roster.SetColCount(static_cast<int>(kTrickyTexts.size()));
    roster.SetRowCount(3);
    roster.SetText(0, 0, "名单_x0041_");
    for (std::size_t c = 0; c < kTrickyTexts.size(); ++c) {
        roster.SetText(static_cast<int>(c), 1, "列" + std::to_string(c));
        roster.SetText(static_cast<int>(c), 2, kTrickyTexts[c]);
    }
    const std::string path = test::TempPath("tricky-result.xlsx");
    WriteResultWorkbook(path, {{rkDataSource, "数据源", &roster}}, {});

    const Table read = ReadXlsx(path);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0][0], "名单_x0041_");
    for (std::size_t c = 0; c < kTrickyTexts.size(); ++c)
        EXPECT_EQ(read[2][c], kTrickyTexts[c]) << c;

    std::vector<std::string> expected = {"数据源!A1=str|" + Json("名单_x0041_")};
    for (std::size_t c = 0; c < kTrickyTexts.size(); ++c)
        expected.push_back("数据源!" + ExcelColumn(static_cast<int>(c) + 1) + "3=str|" + Json(kTrickyTexts[c]));
    ExpectOpenpyxlReads(path, expected);
    std::filesystem::remove(path);
}

TEST(CellStore, SheetExportKeepsTextsAndWritesNumbers)
{
    xlgrid::TXLSheet sheet;
    const std::vector<std::string> numbers = {"85", "-0.5", "283.76"};
    const std::vector<std::string> texts = {"00260103", "85.50", "+5", "1e3", "440102200901011234"};
    sheet.SetColCount(static_cast<int>(std::max(kTrickyTexts.size(), texts.size())));
    sheet.SetRowCount(3);
    for (std::size_t c = 0; c < kTrickyTexts.size(); ++c)
        sheet.SetText(static_cast<int>(c), 0, kTrickyTexts[c]);
    for (std::size_t c = 0; c < numbers.size(); ++c)
        sheet.SetText(static_cast<int>(c), 1, numbers[c]);
    for (std::size_t c = 0; c < texts.size(); ++c)
        sheet.SetText(static_cast<int>(c), 2, texts[c]);

    for (const bool formatted : {true, false}) {
        const std::string path = test::TempPath(formatted ? "tricky-formatted.xlsx" : "tricky-quick.xlsx");
        if (formatted)
            ExportSheetFormatted(path, sheet);
        else
            ExportSheetQuick(path, sheet);
        const Table read = ReadXlsx(path);
        ASSERT_EQ(read.size(), 3u);
        for (std::size_t c = 0; c < kTrickyTexts.size(); ++c)
            EXPECT_EQ(read[0][c], kTrickyTexts[c]) << c;

        std::vector<std::string> expected;
        for (std::size_t c = 0; c < kTrickyTexts.size(); ++c)
            expected.push_back("Sheet1!" + ExcelColumn(static_cast<int>(c) + 1) + "1=str|" + Json(kTrickyTexts[c]));
        expected.push_back("Sheet1!A2=int|85");
        expected.push_back("Sheet1!B2=float|-0.5");
        expected.push_back("Sheet1!C2=float|283.76");
        for (std::size_t c = 0; c < texts.size(); ++c)
            expected.push_back("Sheet1!" + ExcelColumn(static_cast<int>(c) + 1) + "3=str|" + Json(texts[c]));
        ExpectOpenpyxlReads(path, expected);
        std::filesystem::remove(path);
    }
}

TEST(CellStore, TextFormatKeepsNumbersAsText)
{
    xlgrid::TXLSheet sheet;
    sheet.SetColCount(1);
    sheet.SetRowCount(1);
    sheet.SetText(0, 0, "85");
    const std::string path = test::TempPath("text-format.xlsx");
    TSheetExportOptions options;
    options.TextFormat = "@";
    ExportSheetFormatted(path, sheet, options);
    ExpectOpenpyxlReads(path, {"Sheet1!A1=str|\"85\""});
    std::filesystem::remove(path);
}

TEST(CellStore, NotUtf8NamesTheCell)
{
    xlgrid::TXLSheet sheet;
    sheet.SetColCount(2);
    sheet.SetRowCount(2);
    sheet.SetText(1, 1, "\xFF");
    const std::string path = test::TempPath("not-utf8.xlsx");
    try {
        ExportSheetQuick(path, sheet);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.What(), "the text of cell B2 is not valid UTF-8");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CellStore, WorksheetNamesWithoutControlCharacters)
{
    EXPECT_NE(WorksheetNameProblem("高一\x01班"), "");
    EXPECT_NE(WorksheetNameProblem("高一\t班"), "");
    EXPECT_EQ(WorksheetNameProblem("高一(1)班"), "");
}

}  // namespace
}  // namespace xlio

namespace xlio {
namespace {

// The check that catches parts the library cut short in its own temporary
// files (it does not check those writes).
TEST(CellStore, CutPartsAreFound)
{
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    const std::string sheet = declaration + "<worksheet xmlns=\"x\"><sheetData><row r=\"1\"/></sheetData></worksheet>";
    const struct {
        test::TEntries Entries;
        std::string Problem;  // a part of it; empty: complete
    } cases[] = {
        {{{"xl/worksheets/sheet1.xml", sheet}, {"_rels/.rels", declaration + "<Relationships/>"}}, ""},
        {{{"xl/worksheets/sheet1.xml", sheet + "\n"}}, ""},
        {{{"xl/media/image1.png", "\x89PNG"}}, ""},  // not a part that has a root element
        {{{"xl/worksheets/sheet1.xml", sheet.substr(0, sheet.size() - 1)}}, "xl/worksheets/sheet1.xml came out cut"},
        {{{"xl/worksheets/sheet1.xml", sheet.substr(0, sheet.find("</sheetData>") + 12)}}, "sheet1.xml came out cut"},
        {{{"xl/sharedStrings.xml", declaration + "<sst><si><t>学生"}}, "sharedStrings.xml came out cut"},
        {{{"xl/styles.xml", ""}}, "styles.xml came out cut"},
    };
    for (const auto& c : cases) {
        const std::string path = test::TempPath("cut.xlsx");
        test::WriteAll(path, test::MakeZip(c.Entries));
        const std::string problem = CutPartProblem(path);
        if (c.Problem.empty()) {
            EXPECT_EQ(problem, "") << c.Entries.front().first;
        } else {
            EXPECT_NE(problem.find(c.Problem), std::string::npos) << problem;
        }
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace xlio

#include "testutil/fulldisk.h"

#include <fcntl.h>
#include <unistd.h>

namespace xlio {
namespace {

// A full disk (a file-size limit: writes fail with EFBIG) while a workbook is
// written: our one error with the system's reason, nothing of the library's
// own on stderr, the old file as it was and nothing else left. 3000 bytes cut
// the finished file, 40000 only the library's temporary parts of it.
TEST(CellStore, FullDiskIsOneErrorWithItsReason)
{
    xlgrid::TXLSheet sheet;
    sheet.SetColCount(6);
    sheet.SetRowCount(2000);
    for (int r = 0; r < sheet.RowCount(); ++r)
        for (int c = 0; c < sheet.ColCount(); ++c)
            sheet.SetText(c, r, "学生" + std::to_string(r * 7 + c));
    const struct {
        const char* Name;
        rlim_t Limit;
        std::function<void(const std::string&)> Write;
    } cases[] = {
        {"result, file cut", 3000, [&](const std::string& p) { WriteResultWorkbook(p, {{rkDataSource, "数据源", &sheet}}); }},
        {"result, parts cut", 40000, [&](const std::string& p) { WriteResultWorkbook(p, {{rkDataSource, "数据源", &sheet}}); }},
        {"export, file cut", 3000, [&](const std::string& p) { ExportSheetFormatted(p, sheet); }},
        {"export, parts cut", 40000, [&](const std::string& p) { ExportSheetQuick(p, sheet); }},
    };
    for (const auto& c : cases) {
        const std::string dir = test::TempPath(std::string("full-") + std::to_string(c.Limit) + c.Name[0]);
        std::filesystem::create_directories(dir);
        const std::string path = dir + "/book.xlsx", said = dir + ".stderr";
        test::WriteAll(path, "old");
        const testutil::TSaveOutcome outcome = testutil::SaveOnFullDisk(
            [&]() {
                const int fd = ::open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                ::dup2(fd, 2);
                ::close(fd);
                c.Write(path);
            },
            c.Limit);
        EXPECT_TRUE(outcome.Exited) << c.Name;
        EXPECT_TRUE(outcome.Failed) << c.Name;
        EXPECT_NE(outcome.Message.find(path), std::string::npos) << c.Name << ": " << outcome.Message;
        EXPECT_NE(outcome.Message.find("File too large"), std::string::npos) << c.Name << ": " << outcome.Message;
        EXPECT_EQ(test::ReadAll(said), "") << c.Name;
        EXPECT_EQ(test::ReadAll(path), "old") << c.Name;
        EXPECT_EQ(testutil::FolderEntries(dir), std::vector<std::string>{"book.xlsx"}) << c.Name;
        std::filesystem::remove_all(dir);
        std::filesystem::remove(said);
    }
}

}  // namespace
}  // namespace xlio
