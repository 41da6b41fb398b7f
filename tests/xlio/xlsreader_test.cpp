#include "xlio/fileerror.h"
#include "xlio/xlsreader.h"
#include "ziptestutil.h"

#include <gtest/gtest.h>

namespace xlio {
namespace {

const std::string kRoster = std::string(FENBAN_TEST_DATA) + "/roster.xls";

TEST(XlsReader, RosterArrivesAsTexts)
{
    const Table expected = {
        {"高一新生名单"},
        {"姓名", "性别", "总分", "考号"},
        {"张三", "男", "85", "00123"},
        {"李四", "女", "85.5", "2026000001"},
        {"王五", "男", "2026-03-01", "", "TRUE"},
    };
    EXPECT_EQ(ReadXls(kRoster), expected);
}

struct TXlsBadCase {
    const char* Name;
    std::string Bytes;  // empty: read the roster itself
    void (*Tweak)(TReadLimits&);
    const char* MessagePart;  // nullptr: a clean error or the whole roster
};

void PrintTo(const TXlsBadCase& c, std::ostream* os)
{
    *os << c.Name;
}

class XlsMalformed : public testing::TestWithParam<TXlsBadCase> {};

TEST_P(XlsMalformed, CleanError)
{
    const auto& c = GetParam();
    std::string path = kRoster;
    if (!c.Bytes.empty()) {
        path = test::TempPath("bad.xls");
        test::WriteAll(path, c.Bytes);
    }
    TReadLimits limits;
    if (c.Tweak)
        c.Tweak(limits);
    try {
        const Table table = ReadXls(path, limits);
        EXPECT_EQ(c.MessagePart, nullptr) << "no error";
        if (!c.MessagePart) {
            EXPECT_EQ(table, ReadXls(kRoster));
        }
    } catch (const EFileError& e) {
        EXPECT_EQ(e.File(), path);
        if (c.MessagePart) {
            EXPECT_NE(std::string(e.what()).find(c.MessagePart), std::string::npos) << e.what();
        }
    }
}

std::vector<TXlsBadCase> XlsBadCases()
{
    const std::string roster = test::ReadAll(kRoster);
    std::string badFat = roster;
    for (std::size_t i = 512; i < 1024; ++i)
        badFat[i] = '\x07';
    return {
        {"NotAWorkbook", "this is plain text, not a compound file", nullptr, "not an xls workbook"},
        {"XlsxNamedXls", test::MakeXlsx("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"), nullptr,
         "not an xls workbook but a zip archive, probably an xlsx workbook named .xls; rename it to .xlsx"},
        {"TruncatedInDirectory", roster.substr(0, 700), nullptr, "xls workbook"},
        {"TruncatedInStream", roster.substr(0, roster.size() / 2), nullptr, nullptr},
        {"GarbledAllocationTable", badFat, nullptr, nullptr},
        {"LargerThanAllowed", "", [](TReadLimits& l) { l.MaxArchiveBytes = 1000; }, "larger than 1000 bytes"},
        {"TooMuchText", "", [](TReadLimits& l) { l.MaxResultBytes = 64; }, "more than 64 bytes of text"},
        {"TooManyRows", "", [](TReadLimits& l) { l.MaxRows = 4; }, "a cell in row 5 lies past the 4 rows allowed"},
        {"TooManyCells", "", [](TReadLimits& l) { l.MaxCells = 10; }, "more than 10 cells"},
    };
}

INSTANTIATE_TEST_SUITE_P(Inputs, XlsMalformed, testing::ValuesIn(XlsBadCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(XlsReader, MissingFile)
{
    EXPECT_THROW(ReadXls(test::TempPath("missing.xls")), EFileError);
}

}  // namespace
}  // namespace xlio
