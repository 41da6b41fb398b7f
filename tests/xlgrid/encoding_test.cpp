#include "xlgrid/encoding.h"

#include <gtest/gtest.h>

using namespace xlgrid;

TEST(Encoding, RoundTripsEveryKindOfText)
{
    struct Row { const char* name; std::string utf8; };
    const Row rows[] = {
        {"ascii", "Class 3, row 7"},
        {"empty", ""},
        {"gbk name", "高一(3)班 张三"},
        {"outside gbk", "王䶮"},  // four bytes in GB18030
        {"supplementary plane", "𠮷野家"},
        {"punctuation", "，。：“”"},
    };
    for (const Row& row : rows) {
        std::string gb = Utf8ToGb18030(row.utf8);
        EXPECT_EQ(Gb18030ToUtf8(gb), row.utf8) << row.name;
    }
    EXPECT_EQ(Utf8ToGb18030("𠮷").size(), 4u);  // four-byte sequence outside GBK
    EXPECT_EQ(Utf8ToGb18030("男"), "\xC4\xD0");
}

TEST(Encoding, RejectsMalformedInput)
{
    EXPECT_THROW(Utf8ToGb18030("\xE4\xB8"), EEncodingError);  // truncated sequence
    EXPECT_THROW(Gb18030ToUtf8("\x81"), EEncodingError);
}

TEST(Encoding, RecognisesValidUtf8)
{
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("性别"));
    EXPECT_FALSE(IsValidUtf8("\xC4\xD0"));      // GBK 男
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));
}

TEST(Encoding, AppendsCodePointsAsUtf8)
{
    struct Row { const char* name; char32_t cp; std::string utf8; };
    const Row rows[] = {
        {"nul", 0, std::string(1, '\0')},
        {"ascii", U'A', "A"},
        {"last of two bytes", 0x7FF, "\xDF\xBF"},
        {"chinese", U'高', "高"},
        {"last of three bytes", 0xFFFF, "\xEF\xBF\xBF"},
        {"supplementary", U'𠮷', "𠮷"},
        {"last code point", 0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {"lone surrogate", 0xD800, "\xEF\xBF\xBD"},
        {"past the last", 0x110000, "\xEF\xBF\xBD"},
    };
    for (const Row& row : rows) {
        std::string out = "x";
        AppendUtf8(out, row.cp);
        EXPECT_EQ(out, "x" + row.utf8) << row.name;
        EXPECT_TRUE(IsValidUtf8(out) || row.cp == 0) << row.name;
    }
    EXPECT_EQ(Utf16ToUtf8(u"高\xD842\xDFB7\xDC00z"), "高𠮷\xEF\xBF\xBDz");
}

std::string Utf16(const std::u16string& units, bool little)
{
    std::string out;
    for (char16_t u : units) {
        char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
    }
    return out;
}

TEST(Encoding, DecidesWhatATextFileIs)
{
    struct Row { const char* name; std::string bytes; std::string text; TXLTextEncoding encoding; };
    const std::string gb = Utf8ToGb18030("高一,男\r\n");
    const Row rows[] = {
        {"empty", "", "", TXLTextEncoding::Utf8},
        {"ascii", "a,b\r\n", "a,b\r\n", TXLTextEncoding::Utf8},
        {"utf-8", "高一,男\r\n", "高一,男\r\n", TXLTextEncoding::Utf8},
        {"utf-8 mark", "\xEF\xBB\xBF高一", "高一", TXLTextEncoding::Utf8},
        {"utf-8 mark alone", "\xEF\xBB\xBF", "", TXLTextEncoding::Utf8},
        {"gb18030", gb, "高一,男\r\n", TXLTextEncoding::Gb18030},
        {"gb18030 mark", "\x84\x31\x95\x33" + gb, "高一,男\r\n", TXLTextEncoding::Gb18030},
        {"gb18030 mark on ascii", "\x84\x31\x95\x33" "a", "a", TXLTextEncoding::Gb18030},
        {"utf-16le", "\xFF\xFE" + Utf16(u"高一\t男\r\n", true), "高一\t男\r\n", TXLTextEncoding::Utf16LE},
        {"utf-16be", "\xFE\xFF" + Utf16(u"高一\t男\r\n", false), "高一\t男\r\n", TXLTextEncoding::Utf16BE},
        {"utf-16le pair", "\xFF\xFE" + Utf16(u"\xD842\xDFB7", true), "𠮷", TXLTextEncoding::Utf16LE},
        {"utf-16 mark alone", "\xFF\xFE", "", TXLTextEncoding::Utf16LE},
    };
    for (const Row& row : rows) {
        TXLDecodedText decoded = DecodeTextFile(row.bytes);
        EXPECT_EQ(decoded.Text, row.text) << row.name;
        EXPECT_EQ(decoded.Encoding, row.encoding) << row.name;
    }
}

// The place of an undecodable byte is counted in characters of the encoding
// that read furthest, never as a byte offset against another one.
TEST(Encoding, UndecodableBytesAreFoundByLineAndColumn)
{
    struct Row { const char* name; std::string bytes; const char* message; };
    const Row rows[] = {
        {"stray byte in utf-8", "姓名,性别\r\n王一,男\r\n李二,\xFF女\r\n",
         "line 3, column 4: the byte 0xFF is neither UTF-8 nor GB18030 text (tried both)"},
        {"stray byte in gb18030", Utf8ToGb18030("姓名\n王一") + "\x81",
         "line 2, column 3: the byte 0x81 is neither UTF-8 nor GB18030 text (tried both)"},
        {"cr lf is one break", "a\r\nb\rc\n\xC0", "line 4, column 1: the byte 0xC0 is neither UTF-8 nor GB18030 text (tried both)"},
        {"utf-8 mark then gbk", "\xEF\xBB\xBF" "ab" "\xC4\xD0",
         "line 1, column 3: the byte 0xC4 is not UTF-8 text (the file's byte-order mark says UTF-8)"},
        {"gb18030 mark then bad", "\x84\x31\x95\x33" "ab\xFF",
         "line 1, column 3: the byte 0xFF is not GB18030 text (the file's byte-order mark says GB18030)"},
        {"utf-16 odd length", "\xFF\xFE" + Utf16(u"a\nb", true) + "c",
         "line 2, column 2: the file ends inside a UTF-16 character (the file's byte-order mark says UTF-16LE)"},
        {"utf-16 lone surrogate", "\xFE\xFF" + Utf16(u"ab\xDC00", false),
         "line 1, column 3: the lone surrogate 0xDC00 is not UTF-16 text (the file's byte-order mark says UTF-16BE)"},
    };
    for (const Row& row : rows) {
        try {
            DecodeTextFile(row.bytes);
            ADD_FAILURE() << row.name;
        } catch (const EXLTextError& e) {
            EXPECT_EQ(std::string(e.what()), row.message) << row.name;
            EXPECT_EQ(e.Place() + ": " + e.Reason(), row.message) << row.name;
        }
    }
}
