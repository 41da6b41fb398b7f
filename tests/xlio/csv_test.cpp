#include "xlio/csvreader.h"
#include "xlio/csvwriter.h"
#include "xlgrid/encoding.h"

#include <gtest/gtest.h>

#include <random>

using namespace xlio;

TEST(CsvReader, ParsesRecordsAndQuotedFields)
{
    struct Row {
        const char* name;
        std::string text;
        Table expected;
    };
    const Row rows[] = {
        {"empty", "", {}},
        {"one line no break", "a,b", {{"a", "b"}}},
        {"trailing break adds no record", "a,b\r\n", {{"a", "b"}}},
        {"blank line in the middle", "a\r\n\r\nb\n", {{"a"}, {""}, {"b"}}},
        {"blank last line", "a\n\n", {{"a"}, {""}}},
        {"cr only", "a\rb\r", {{"a"}, {"b"}}},
        {"mixed breaks", "a\r\nb\nc\rd", {{"a"}, {"b"}, {"c"}, {"d"}}},
        {"leading comma", ",x", {{"", "x"}}},
        {"trailing comma", "x,", {{"x", ""}}},
        {"only commas", ",,", {{"", "", ""}}},
        {"quoted comma", "\"a,b\",c", {{"a,b", "c"}}},
        {"doubled quote", "\"say \"\"hi\"\"\"", {{"say \"hi\""}}},
        {"line break in quotes", "\"a\r\nb\",c\r\nd", {{"a\r\nb", "c"}, {"d"}}},
        {"quote inside unquoted field", "a\"b,c", {{"a\"b", "c"}}},
        {"text after closing quote kept", "\"a\"b,c", {{"ab", "c"}}},
        {"empty quoted", "\"\",x", {{"", "x"}}},
        {"blanks stay", " a , b ", {{" a ", " b "}}},
        {"ragged rows", "a,b\r\nc,d,e\r\nf", {{"a", "b"}, {"c", "d", "e"}, {"f"}}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ParseCsv(row.text), row.expected) << row.name;
}

TEST(CsvReader, RejectsWhatItCannotTrust)
{
    EXPECT_THROW(ParseCsv("a,\"open\r\nb"), EFileError);
    TCsvLimits small;
    small.MaxFields = 3;
    small.MaxRecords = 2;
    EXPECT_NO_THROW(ParseCsv("a,b,c\nd", small));
    EXPECT_THROW(ParseCsv("a,b,c,d", small), EFileError);
    EXPECT_THROW(ParseCsv("a\nb\nc", small), EFileError);
    TCsvLimits cells;
    cells.MaxCells = 5;
    EXPECT_NO_THROW(ParseCsv(",,\n,", cells));
    EXPECT_THROW(ParseCsv(",,\n,,", cells), EFileError);
    try {
        ParseCsv("x\ny\n\"a\nb\nc", {});
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
    }
}

TEST(CsvReader, DetectsTheEncoding)
{
    using xlgrid::TXLTextEncoding;
    struct Row {
        const char* name;
        std::string bytes;
        std::string text;
        TXLTextEncoding encoding;
    };
    const Row rows[] = {
        {"gb18030", xlgrid::Utf8ToGb18030("姓名,性别"), "姓名,性别", TXLTextEncoding::Gb18030},
        {"utf-8 without mark", "姓名,性别", "姓名,性别", TXLTextEncoding::Utf8},
        {"utf-8 with mark", "\xEF\xBB\xBF姓名", "姓名", TXLTextEncoding::Utf8},
        {"ascii", "a,b", "a,b", TXLTextEncoding::Utf8},
        {"four-byte gb18030", xlgrid::Utf8ToGb18030("王䶮"), "王䶮", TXLTextEncoding::Gb18030},
        {"gb18030 with mark", "\x84\x31\x95\x33" + xlgrid::Utf8ToGb18030("姓名,性别"), "姓名,性别",
         TXLTextEncoding::Gb18030},
        {"utf-16le with mark", std::string("\xFF\xFE\xD3\x59\x0D\x54", 6), "姓名", TXLTextEncoding::Utf16LE},
    };
    for (const Row& row : rows) {
        TXLTextEncoding found{};
        EXPECT_EQ(DecodeCsvBytes(row.bytes, &found), row.text) << row.name;
        EXPECT_EQ(found, row.encoding) << row.name;
    }
    EXPECT_THROW(DecodeCsvBytes("\xEF\xBB\xBF\xC4\xD0"), EFileError);  // mark, then GBK bytes
    EXPECT_THROW(DecodeCsvBytes("a\x81"), EFileError);                  // neither encoding
}

TEST(CsvReader, SplitsOnTheSeparatorTheFirstLineUses)
{
    struct Row {
        const char* name;
        std::string text;
        char preferred;
        char separator;
    };
    const Row rows[] = {
        {"commas", "a,b;c\td", ',', ','},
        {"tabs", "a\tb\tc\r\nd,e", ',', '\t'},
        {"semicolons", "a;b;c\nd,e", ',', ';'},
        {"more tabs than semicolons", "a\tb\tc;d", ',', '\t'},
        {"more semicolons than tabs", "a;b;c\td", ',', ';'},
        {"as many of both", "a;b\tc", ',', '\t'},
        {"a comma in quotes is no comma", "\"a,b\"\tc", ',', '\t'},
        {"a tab in quotes is no tab", "\"a\tb\";c", ',', ';'},
        {"a quoted line break stays in the first record", "\"a\nb\";c", ',', ';'},
        {"only the first line counts", "a\nb\tc", ',', ','},
        {"one column", "abc", ',', ','},
        {"empty", "", ',', ','},
        {"utf-16 tabs", "a\tb,c", '\t', '\t'},
        {"utf-16 of commas", "a,b\n\tc", '\t', ','},
        {"utf-16 one column", "abc", '\t', '\t'},
    };
    for (const Row& row : rows)
        EXPECT_EQ(CsvSeparator(row.text, row.preferred), row.separator) << row.name;
    EXPECT_EQ(ParseCsv("\"a;b\";c\n\"x\"\"y\";z", {}, "", ';'), (Table{{"a;b", "c"}, {"x\"y", "z"}}));
}

// Rosters as spreadsheet programs save them read as the comma-separated
// original does.
TEST(CsvReader, OtherSavedFormsOfARosterReadAsTheOriginal)
{
    const std::string data = FENBAN_TEST_DATA;
    const Table original = ReadCsvFile(data + "/cli/roster-small.csv");
    ASSERT_EQ(original.size(), 16u);
    struct Row {
        const char* file;
        xlgrid::TXLTextEncoding encoding;
    };
    const Row rows[] = {
        {"roster-utf16le-tabs.csv", xlgrid::TXLTextEncoding::Utf16LE},
        {"roster-utf16be-tabs.csv", xlgrid::TXLTextEncoding::Utf16BE},
        {"roster-utf8-tabs.csv", xlgrid::TXLTextEncoding::Utf8},
        {"roster-gb18030-semicolons.csv", xlgrid::TXLTextEncoding::Gb18030},
    };
    for (const Row& row : rows) {
        xlgrid::TXLTextEncoding found{};
        EXPECT_EQ(ReadCsvFile(data + "/text/" + row.file, {}, &found), original) << row.file;
        EXPECT_EQ(found, row.encoding) << row.file;
    }
}

TEST(CsvReader, AStrayByteIsReportedByLineAndColumn)
{
    const std::string file = std::string(FENBAN_TEST_DATA) + "/text/roster-utf8-stray-byte.csv";
    try {
        ReadCsvFile(file);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_EQ(e.Position(), "line 16, column 6");
        EXPECT_EQ(std::string(e.what()),
                  file + ", line 16, column 6: the byte 0xFF is neither UTF-8 nor GB18030 text (tried both)");
    }
}

TEST(CsvWriter, QuotesOnlyWhereNeeded)
{
    struct Row {
        std::vector<std::string> cells;
        const char* line;
    };
    const Row rows[] = {
        {{"a", "b"}, "a,b\r\n"},
        {{"a,b"}, "\"a,b\"\r\n"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\"\r\n"},
        {{"two\nlines", "x"}, "\"two\nlines\",x\r\n"},
        {{"cr\r"}, "\"cr\r\"\r\n"},
        {{" 'single' "}, " 'single' \r\n"},
        {{"", "", ""}, ",,\r\n"},
        {{}, "\r\n"},
    };
    for (const Row& row : rows) {
        std::string out;
        AppendCsvLine(out, row.cells);
        EXPECT_EQ(out, row.line);
    }
    EXPECT_EQ(EncodeCsvText("男", TCsvEncoding::Gb18030, "a.csv"), "\xC4\xD0");
    EXPECT_EQ(EncodeCsvText("男", TCsvEncoding::Utf8, "a.csv"), "\xEF\xBB\xBF男");
    for (TCsvEncoding encoding : {TCsvEncoding::Gb18030, TCsvEncoding::Utf8}) {
        try {
            EncodeCsvText("a\xFF", encoding, "a.csv");
            ADD_FAILURE() << "invalid UTF-8 encoded";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.File(), "a.csv");
            EXPECT_EQ(std::string(e.what()).rfind("a.csv: cannot write: ", 0), 0u) << e.what();
        }
    }
}

TEST(Csv, WrittenTablesReadBackUnchanged)
{
    std::mt19937 rng(7);
    const std::vector<std::string> pieces = {"a", ",", "\"", "\r\n", "\n", "\r", " ", "张", "𠮷", ""};
    for (int round = 0; round < 300; ++round) {
        Table table(1 + rng() % 5);
        std::size_t width = 1 + rng() % 4;
        for (auto& row : table) {
            row.resize(width);
            for (auto& cell : row)
                for (int k = rng() % 5; k > 0; --k)
                    cell += pieces[rng() % pieces.size()];
        }
        // A table whose single last cell is empty cannot be told from a
        // trailing line break; give it content.
        if (width == 1 && table.back()[0].empty())
            table.back()[0] = "x";
        std::string bytes = EncodeCsvText(CsvText(table), TCsvEncoding::Gb18030, "a.csv");
        EXPECT_EQ(ParseCsv(DecodeCsvBytes(bytes)), table) << "round " << round;
    }
}

TEST(Csv, AnyBytesGiveATableOrAClearError)
{
    std::mt19937 rng(99);
    const char alphabet[] = {',', '"', '\r', '\n', 'a', '\x81', '\xC4', '\xD0', '\xEF', '\xBB', '\xBF', '\0'};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        for (int k = rng() % 40; k > 0; --k)
            bytes += alphabet[rng() % sizeof alphabet];
        try {
            ParseCsv(DecodeCsvBytes(bytes));
        } catch (const EFileError&) {
        }
    }
}
