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
